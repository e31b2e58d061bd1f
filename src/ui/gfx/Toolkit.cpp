#include "ui/gfx/Toolkit.h"

#include <vector>

#include "resources/Resources.h"
#include "ui/gfx/Fonts.h"
#include "ui/gfx/Image.h"

namespace gfx {

namespace {

const LPCWSTR kArrowCursor = SystemCursorId(IDC_ARROW);

// The toolkit globals; allocated once and never destroyed, so nothing depends on the
// order in which the process tears down.
struct ToolkitState {
  bool started = false;
  ULONG_PTR gdiplusToken = 0;
  DWORD osMajorVersion = 0;
  HCURSOR defaultCursor = nullptr;
  HICON defaultIcon = nullptr;
  Image controlStrip;
  bool stripLoaded = false;
  bool classRegistered = false;
};

ToolkitState& State() {
  static ToolkitState* state = new ToolkitState;
  return *state;
}

}  // namespace

DWORD ReadOsMajorVersion() {
#if defined(__i386__)
  // PEB (fs:[0x30]) -> OSMajorVersion at offset 0xA4.
  const unsigned char* peb = nullptr;
  __asm__("movl %%fs:0x30, %0" : "=r"(peb));
  DWORD major = 0;
  if (peb) major = *reinterpret_cast<const DWORD*>(peb + 0xA4);
  return major;
#else
  return LOBYTE(LOWORD(GetVersion()));
#endif
}

bool toolkit_startup(StartupStep buildEditContextMenu, std::span<const ImageSource> firstImages) {
  ToolkitState& state = State();
  if (state.started) return state.classRegistered;
  state.started = true;

  Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback, background thread on
  Gdiplus::GdiplusStartup(&state.gdiplusToken, &input, nullptr);
  std::vector<ImageSource> ahead{ImageSource{resources::ControlStrip(), /*addPngSignature=*/true}};
  ahead.insert(ahead.end(), firstImages.begin(), firstImages.end());
  state.osMajorVersion = ReadOsMajorVersion();
  EnsureDefaultFont();
  // After the font: started before it, the worker's first decode held the font up (measured).
  DecodeAhead(ahead);
  state.defaultCursor = LoadCursorW(nullptr, kArrowCursor);
  state.classRegistered = RegisterToolkitClass();
  if (buildEditContextMenu) buildEditContextMenu();
  return state.classRegistered;
}

bool ToolkitStarted() { return State().started; }
DWORD OsMajorVersion() { return State().osMajorVersion; }
HCURSOR DefaultCursor() { return State().defaultCursor; }
HICON DefaultIcon() { return State().defaultIcon; }
GpImage* ControlStrip() {
  ToolkitState& state = State();
  if (state.started && !state.stripLoaded) {
    state.stripLoaded = true;
    state.controlStrip = load_image(resources::ControlStrip(), /*addPngSignature=*/true);
  }
  return state.controlStrip.Get();
}

LRESULT CALLBACK ToolkitDefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterToolkitClass(UINT style, HICON icon, HCURSOR cursor) {
  HINSTANCE module = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = style ? style : CS_DBLCLKS;
  windowClass.lpfnWndProc = ToolkitDefaultProc;
  windowClass.hInstance = module;
  if (icon) {
    windowClass.hIcon = icon;
  } else {
    windowClass.hIcon = LoadIconW(module, MAKEINTRESOURCEW(kToolkitIconResource));
    State().defaultIcon = windowClass.hIcon;
  }
  windowClass.hCursor = cursor ? cursor : (DefaultCursor() ? DefaultCursor() : LoadCursorW(nullptr, kArrowCursor));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  windowClass.lpszClassName = kToolkitWindowClass;
  if (RegisterClassExW(&windowClass)) return true;
  return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace gfx
