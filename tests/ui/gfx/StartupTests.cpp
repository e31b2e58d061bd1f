#include <gtest/gtest.h>

#include <windows.h>

#include "ui/gfx/Fonts.h"
#include "ui/gfx/Toolkit.h"

bool GfxStartupResult();
int GfxEditMenuBuilds();

namespace {

using namespace gfx;

TEST(ToolkitStartup, PreparesEverySharedPieceOnce) {
  EXPECT_TRUE(GfxStartupResult());
  EXPECT_TRUE(ToolkitStarted());
  EXPECT_NE(default_font(), nullptr);
  EXPECT_EQ(DefaultCursor(), LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));
  EXPECT_NE(ControlStrip(), nullptr);
  EXPECT_EQ(DefaultIcon(), nullptr) << "the program has no icon resource 0x81";
  EXPECT_EQ(GfxEditMenuBuilds(), 1);

  GpFont* font = default_font();
  GpImage* strip = ControlStrip();
  EXPECT_TRUE(toolkit_startup([] { FAIL() << "a second start-up runs nothing"; }));
  EXPECT_EQ(default_font(), font);
  EXPECT_EQ(ControlStrip(), strip);
  EXPECT_EQ(GfxEditMenuBuilds(), 1);
}

TEST(ToolkitStartup, RegistersTheToolkitWindowClass) {
  WNDCLASSEXW info = {};
  info.cbSize = sizeof info;
  ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), kToolkitWindowClass, &info));
  EXPECT_EQ(info.style, static_cast<UINT>(CS_DBLCLKS));
  EXPECT_EQ(info.lpfnWndProc, &ToolkitDefaultProc);
  EXPECT_EQ(info.hCursor, DefaultCursor());
  EXPECT_EQ(info.hIcon, nullptr);
  EXPECT_EQ(reinterpret_cast<INT_PTR>(info.hbrBackground), 16);
  EXPECT_TRUE(RegisterToolkitClass()) << "already registered counts as registered";

  HWND window = CreateWindowExW(0, kToolkitWindowClass, L"probe", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(5, 5)), HTCLIENT) << "default handling";
  DestroyWindow(window);
}

TEST(ToolkitStartup, OsMajorVersionComesFromTheProcessEnvironmentBlock) {
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  auto rtlGetVersion = reinterpret_cast<RtlGetVersionFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
  ASSERT_NE(rtlGetVersion, nullptr);
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof version;
  ASSERT_EQ(rtlGetVersion(&version), 0);
  EXPECT_EQ(OsMajorVersion(), version.dwMajorVersion);
  EXPECT_GE(OsMajorVersion(), 5u);
}

}  // namespace
