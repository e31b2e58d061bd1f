#include "app/AppState.h"
#include "app/Application.h"
#include "form/Form.h"
#include "resources/Resources.h"
#include "ui/core/WindowHost.h"

namespace {

constexpr const char* kProgramTitle = "Quarvel";
constexpr int kMajorVersion = 1;
constexpr int kMainWidth = 610;
constexpr int kMainHeight = 515;

// Frame of the main window: icon, caption, close and minimise buttons.
constexpr int kMainFrameFlags = 0x17;

}  // namespace

std::string MainWindowCaption() {
  return std::string(kProgramTitle) + std::to_string(kMajorVersion) + ".0\xb0\xe6 ";
}

POINT MainWindowPosition(int screenWidth, int screenHeight) {
  // Computed in floating point and truncated toward zero.
  return POINT{static_cast<LONG>(screenWidth / 2.0 - 300), static_cast<LONG>(screenHeight / 2.0 - 300)};
}

void BuildMainWindow(HWND window) {
  AppState.windowIcon = IconHandle(CreateIconFromIconFile(resources::WindowIcon()));
  if (HICON icon = AppState.windowIcon.get()) {
    SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  }
  AppState.mainWindow = window;

  RECT rect{};
  GetWindowRect(window, &rect);
  POINT at = MainWindowPosition(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  MoveWindow(window, at.x, at.y, rect.right - rect.left, rect.bottom - rect.top, TRUE);

  // The skin: the embedded background stretched over the frame, a fixed size, dragged by
  // its background.
  AttachOptions options;
  options.image = resources::WindowBackground();
  options.frameFlags = kMainFrameFlags;
  options.imageLayout = 1;
  options.sizable = false;
  options.draggable = true;
  AppState.mainHost = std::make_unique<WindowHost>();
  AppState.mainHost->attach(window, options);

  ProcessPendingMessages();

  AppState.mainHost->set_on_window_message(MainWindowHook);
  ShowWindowAsync(window, SW_SHOWNORMAL);
}

LRESULT MainWindowHook(HWND window, UINT message, WPARAM, LPARAM) {
  if (message == WM_CLOSE && window != nullptr && window == AppState.mainWindow.load()) {
    HANDLE self = OpenProcess(PROCESS_TERMINATE, FALSE, GetCurrentProcessId());
    TerminateProcess(self ? self : GetCurrentProcess(), 0);
  }
  return -1;
}

HWND CreateMainForm() {
  form::FormOptions options;
  options.title = MainWindowCaption();
  options.created = BuildMainWindow;
  options.width = kMainWidth;
  options.height = kMainHeight;
  options.hidden = true;  // BuildMainWindow shows it once it is built
  return form::create_form(options);
}

int CreateMainWindow() {
  CreateMainForm();
  MessageLoop();
  return 0;
}
