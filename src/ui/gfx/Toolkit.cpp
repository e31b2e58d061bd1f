#include "ui/gfx/Toolkit.h"

#include "resources/Resources.h"
#include "ui/gfx/Fonts.h"
#include "ui/gfx/Image.h"

namespace gfx {

namespace {

const LPCWSTR kArrowCursor = MAKEINTRESOURCEW(32512);  // IDC_ARROW

// The toolkit globals; allocated once and never destroyed, so nothing depends on the
// order in which the process tears down.
struct ToolkitState {
  bool started = false;
  ULONG_PTR gdiplusToken = 0;
  DWORD osMajorVersion = 0;
  HCURSOR defaultCursor = nullptr;
  HICON defaultIcon = nullptr;
  Image controlStrip;
  bool classRegistered = false;
};

ToolkitState& State() {
  static ToolkitState* state = new ToolkitState;
  return *state;
}

}  // namespace

DWORD read_os_major_version() {
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

bool toolkit_startup(StartupStep buildEditContextMenu) {
  ToolkitState& state = State();
  if (state.started) return state.classRegistered;
  state.started = true;

  Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback, background thread on
  Gdiplus::GdiplusStartup(&state.gdiplusToken, &input, nullptr);
  state.osMajorVersion = read_os_major_version();
  ensure_default_font();
  state.defaultCursor = LoadCursorW(nullptr, kArrowCursor);
  state.controlStrip = load_image(resources::ControlStrip(), /*addPngSignature=*/true);
  state.classRegistered = register_toolkit_class();
  if (buildEditContextMenu) buildEditContextMenu();
  return state.classRegistered;
}

bool toolkit_started() { return State().started; }
DWORD os_major_version() { return State().osMajorVersion; }
HCURSOR default_cursor() { return State().defaultCursor; }
HICON default_icon() { return State().defaultIcon; }
GpImage* control_strip() { return State().controlStrip.get(); }

LRESULT CALLBACK toolkit_default_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

bool register_toolkit_class(UINT style, HICON icon, HCURSOR cursor) {
  HINSTANCE module = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = style ? style : CS_DBLCLKS;
  windowClass.lpfnWndProc = toolkit_default_proc;
  windowClass.hInstance = module;
  if (icon) {
    windowClass.hIcon = icon;
  } else {
    windowClass.hIcon = LoadIconW(module, MAKEINTRESOURCEW(kToolkitIconResource));
    State().defaultIcon = windowClass.hIcon;
  }
  windowClass.hCursor = cursor ? cursor : (default_cursor() ? default_cursor() : LoadCursorW(nullptr, kArrowCursor));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  windowClass.lpszClassName = kToolkitWindowClass;
  if (RegisterClassExW(&windowClass)) return true;
  return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace gfx
