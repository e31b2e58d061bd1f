// Window helpers of the toolkit: creating toolkit windows, finding a window's host, the
// modal loop and the pop-up hook, and posting a message to a control from any thread.
#include "ui/core/Control.h"
#include "ui/core/Monitors.h"
#include "ui/core/UiThread.h"
#include "ui/core/WindowHost.h"
#include "ui/gfx/Text.h"

#include <string>

namespace {

LONG_PTR PopupKind(HWND window) { return reinterpret_cast<LONG_PTR>(GetPropW(window, kPropFlags)); }

}  // namespace

HWND create_toolkit_window(const ToolkitWindowOptions& options) {
  const int width = options.width ? *options.width : 380;
  const int height = options.width ? options.height.value_or(250) : 250;
  // By default centred on the work area of the parent's monitor (of the primary one without a
  // parent), where Windows then gives the window that monitor's DPI.
  POINT centred{};
  if (!options.x || !options.y) centred = ui::CentredOnWorkArea(ui::MonitorOfWindow(options.parent), SIZE{width, height});
  const int x = options.x.value_or(centred.x);
  const int y = options.y.value_or(centred.y);
  const std::wstring className =
      options.className ? gfx::widen_text(*options.className) : std::wstring(kToolkitClassName);
  const DWORD style = options.style.value_or(WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX |
                                             WS_MAXIMIZEBOX);
  HWND window = CreateWindowExW(options.extendedStyle, className.c_str(), gfx::widen_text(options.title).c_str(), style, x,
                                y, width, height, options.parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!window) return nullptr;
  const std::pair<WPARAM, int> icons[] = {{ICON_SMALL, GCLP_HICONSM}, {ICON_BIG, GCLP_HICON}};
  for (auto [kind, classIndex] : icons) {
    LRESULT icon = SendMessageW(window, WM_GETICON, kind, 0);
    if (!icon) icon = static_cast<LRESULT>(GetClassLongPtrW(window, classIndex));
    SendMessageW(window, WM_SETICON, kind, icon);
  }
  if (options.show) {
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
  }
  return window;
}

WindowHost* host_of_window(HWND window) {
  if (!window) return nullptr;
  return static_cast<WindowHost*>(GetPropW(window, kPropHost));
}

bool set_topmost(HWND window) {
  return SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE) != FALSE;
}

void run_modal(HWND window) {
  MSG msg;
  while (IsWindow(window)) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) break;  // WM_QUIT ends the loop and is not posted again
    if (msg.hwnd != window) {
      const bool keyboard = msg.message >= 255 && msg.message <= 263;
      const bool mouse = msg.message >= 512 && msg.message <= 525;
      if (keyboard || mouse) continue;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

LRESULT popup_message_hook(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const LONG_PTR kind = PopupKind(window);
  switch (message) {
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        if (kind == 2) {
          PostMessageW(window, WM_CLOSE, 0, 0);
        } else if (kind == 1) {
          HWND activated = reinterpret_cast<HWND>(lParam);
          if (!(activated && GetPropW(activated, kPropMenuHost))) {
            if (HWND menuHost = static_cast<HWND>(GetPropW(window, kPropMenuHost))) PostMessageW(menuHost, WM_CLOSE, 0, 0);
          }
        }
      }
      break;
    case WM_KEYDOWN:
      if (kind == 1) SendMessageW(window, WM_SYSCHAR, wParam, lParam);
      if (wParam == VK_ESCAPE) PostMessageW(window, WM_CLOSE, 0, 0);
      break;
    case WM_DESTROY:
      if (kind == 1) {
        for (const wchar_t* name : {kPropMenuHost, kPropMenuSub, kPropMenuAct, kPropMenuEvent, kPropMenuWnd}) {
          RemovePropW(window, name);
        }
      } else if (kind == 3) {
        RemovePropW(window, kPropMsgBox);
      }
      RemovePropW(window, kPropFlags);
      break;
    default:
      break;
  }
  return -1;
}

bool post_to_control(HWND window, Control* control, UINT message, WPARAM wParam, LPARAM lParam) {
  // Without a window the post would become a thread message that no host ever frees.
  if (!window || !IsWindow(window)) return false;
  ControlMessageBlock* block = NewMessageBlock(message, wParam, lParam);
  if (!block) return false;
  if (!PostOwnedToHost(window, TKM_POST_TO_CONTROL, reinterpret_cast<WPARAM>(control), reinterpret_cast<LPARAM>(block))) {
    // Nobody will receive the block: it is still ours to free.
    ReleaseMessageBlock(block);
    return false;
  }
  return true;
}

LRESULT SendToControl(HWND window, Control* control, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!window || !IsWindow(window)) return 0;
  // On the window's own thread a send is a call: it needs no block to allocate and free.
  if (ui::OnThreadOf(window)) {
    if (WindowHost* host = host_of_window(window)) return host->DeliverToControl(control, message, wParam, lParam);
  }
  // The sender waits for the answer, so the block can live here whether or not it arrives.
  ControlMessageBlock block{message, wParam, lParam};
  return SendMessageW(window, TKM_SEND_TO_CONTROL, reinterpret_cast<WPARAM>(control), reinterpret_cast<LPARAM>(&block));
}
