#include <gtest/gtest.h>

#include "app/AppState.h"
#include "app/Application.h"
#include "ui/gfx/Toolkit.h"
#include "ui/core/WindowHost.h"

namespace {

TEST(MainWindowCaption, IsTitleVersionAndGbkBanWithTrailingBlank) {
  // "Quarvel1.0" + 0xB0 0xE6 (GBK for the character "ban", edition) + one blank.
  EXPECT_EQ(MainWindowCaption(), std::string("Quarvel1.0\xb0\xe6 "));
}

TEST(MainWindowPosition, CentresByHalfScreenMinus300TruncatedTowardZero) {
  struct Case {
    int width, height;
    LONG x, y;
  } cases[] = {
      {1920, 1080, 660, 240},
      {1366, 768, 383, 84},
      {1365, 767, 382, 83},  // halves are cut, not rounded
      {501, 401, -49, -99},  // toward zero, not down
      {600, 600, 0, 0},
  };
  for (const auto& c : cases) {
    POINT p = MainWindowPosition(c.width, c.height);
    EXPECT_EQ(p.x, c.x) << c.width << "x" << c.height;
    EXPECT_EQ(p.y, c.y) << c.width << "x" << c.height;
  }
}

TEST(MainWindowPosition, KeepsTheMarginAtTheScreensScale) {
  struct Case {
    int width, height, dpi;
    LONG x, y;
  } cases[] = {
      {1920, 1080, 96, 660, 240},
      {1920, 1080, 144, 510, 90},   // 450 device pixels left and above the middle
      {1920, 1080, 192, 360, 0},    // not -60: the title bar stays on the screen
      {2880, 1620, 144, 990, 360},  // the 1920x1080 place, scaled
      {1920, 1080, 120, 585, 165},  // 125%: 375
  };
  for (const auto& c : cases) {
    POINT p = MainWindowPosition(c.width, c.height, c.dpi);
    EXPECT_EQ(p.x, c.x) << c.width << "x" << c.height << " at " << c.dpi;
    EXPECT_EQ(p.y, c.y) << c.width << "x" << c.height << " at " << c.dpi;
  }
}

TEST(MainWindow, IsCreated610By515CentredShownWithGbkCaption) {
  gfx::toolkit_startup();
  HWND window = CreateMainForm();
  ASSERT_NE(window, nullptr);
  ProcessPendingMessages();
  EXPECT_EQ(AppState.mainWindow.load(), window);

  // The GBK caption is the window's wide title on any system code page.
  wchar_t caption[64] = {};
  GetWindowTextW(window, caption, 64);
  EXPECT_STREQ(caption, L"Quarvel1.0\u7248 ");

  RECT rect{};
  GetWindowRect(window, &rect);
  EXPECT_EQ(rect.right - rect.left, 610);
  EXPECT_EQ(rect.bottom - rect.top, 515);
  POINT at = MainWindowPosition(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  EXPECT_EQ(rect.left, at.x);
  EXPECT_EQ(rect.top, at.y);
  EXPECT_TRUE(IsWindowVisible(window));

  // The skin host carries the window: fixed frame, stretched background, draggable.
  WindowHost* host = host_of_window(window);
  ASSERT_NE(host, nullptr);
  EXPECT_EQ(host, AppState.mainHost.get());
  EXPECT_EQ(host->Frame().Flags(), 0x217);
  EXPECT_EQ(host->Painting().ImageLayout(), 1);
  EXPECT_FALSE(host->Frame().Sizable());
  EXPECT_TRUE(host->Frame().draggable());
  EXPECT_NE(host->Painting().BackgroundImage(), nullptr);
  EXPECT_FALSE(GetWindowLongW(window, GWL_STYLE) & WS_THICKFRAME);
  EXPECT_FALSE(GetWindowLongW(window, GWL_STYLE) & WS_MAXIMIZEBOX);

  // Closing some other window goes on normally; the process lives on.
  HWND other = CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(MainWindowHook(other, WM_CLOSE, 0, 0), -1);
  EXPECT_EQ(MainWindowHook(window, WM_SIZE, 0, 0), -1);
  DestroyWindow(other);

  AppState.mainWindow = nullptr;  // so that destroying it here cannot end the test process
  DestroyWindow(window);
}

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP + 1) {
    ++*reinterpret_cast<int*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

struct MessageWindow {
  MessageWindow() {
    WNDCLASSA cls{};
    cls.lpfnWndProc = CountingProc;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.lpszClassName = "QuarvelCountingWindow";
    RegisterClassA(&cls);
    window = CreateWindowExA(0, cls.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, cls.hInstance, nullptr);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&count));
  }
  ~MessageWindow() { DestroyWindow(window); }
  HWND window;
  int count = 0;
};

TEST(ProcessPendingMessages, DispatchesQueuedMessagesButLeavesQuitForTheLoop) {
  MessageWindow target;
  PostMessageA(target.window, WM_APP + 1, 0, 0);
  PostMessageA(target.window, WM_APP + 1, 0, 0);
  PostQuitMessage(7);
  ProcessPendingMessages();
  EXPECT_EQ(target.count, 2);

  MSG msg{};
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  // The message loop still ends on it.
  EXPECT_EQ(MessageLoop(), 0);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

TEST(ProcessPendingMessages, PostedQuitInTheMiddleIsKept) {
  MessageWindow target;
  PostMessageA(target.window, WM_APP + 1, 0, 0);
  PostThreadMessageA(GetCurrentThreadId(), WM_QUIT, 3, 0);
  PostMessageA(target.window, WM_APP + 1, 0, 0);
  ProcessPendingMessages();
  EXPECT_EQ(target.count, 1);
  MSG msg{};
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 3u);
  ProcessPendingMessages();  // the rest is still there afterwards
  EXPECT_EQ(target.count, 2);
}

}  // namespace
