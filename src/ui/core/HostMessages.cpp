// The subclassed window procedure: handle_message hands each message to the group that
// answers it (the window's own life and frame, keyboard and mouse input, the toolkit's
// messages), and each group to one small handler per message. A message no group answers
// goes on to the window's previous procedure.
#include <windowsx.h>

#include "ui/core/AccessibleNode.h"
#include "ui/core/Control.h"
#include "ui/core/UiThread.h"
#include "ui/core/WindowHost.h"

using Gdiplus::RectF;

LRESULT CALLBACK WindowHost::WindowProcThunkTarget(WindowHost* host, UINT message, WPARAM wParam, LPARAM lParam) {
  return ui::Contained([&] { return host->handle_message(message, wParam, lParam); });
}

namespace {

// What the host's own code sends to its window while it handles a message: these belong to
// that message's batch.
bool SentFromWithin(UINT message, WPARAM wParam) {
  switch (message) {
    case TKM_REPAINT_RECT:
      return (wParam & kRepaintOwnedRect) == 0;  // a posted one is a message of its own
    case TKM_CONTROL_MOVED:
    case TKM_SET_FOCUS:
    case TKM_SET_ACCELERATOR:
      return true;
    default:
      return false;
  }
}

}  // namespace

LRESULT WindowHost::handle_message(UINT message, WPARAM wParam, LPARAM lParam) {
  // A hook that swallowed WM_DESTROY must not leave the host bound to a dead window.
  if (message == WM_NCDESTROY) return DetachAndPassOn(message, wParam, lParam);
  if (SentFromWithin(message, wParam)) return AnswerMessage(message, wParam, lParam);
  // Another message still open here is waiting on a loop (modal, menu, move or size): what it
  // queued shows before this one runs.
  if (compositor_.InBatch()) compositor_.ComposeQueued();
  RepaintBatch batch(*this);
  const LRESULT answer = AnswerMessage(message, wParam, lParam);
  batch.ComposeAndClose();
  return answer;
}

LRESULT WindowHost::AnswerMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND window = window_;
  if (callbacks_.windowMessage) {
    LRESULT answer = callbacks_.windowMessage(window, message, wParam, lParam);
    if (answer != -1) return answer;
    if (window_ != window) return DefWindowProcW(window, message, wParam, lParam);
  }
  // From here on, mouse points are logical, as everything the host and its controls lay out.
  if (CarriesClientPoint(message)) lParam = LogicalPointParam(lParam);
  if (std::optional<LRESULT> answer = AnswerWindowMessage(message, wParam, lParam)) return *answer;
  if (std::optional<LRESULT> answer = AnswerInputMessage(message, wParam, lParam)) return *answer;
  if (std::optional<LRESULT> answer = AnswerToolkitMessage(message, wParam, lParam)) return *answer;
  return DefaultProcessing(message, wParam, lParam);
}

LRESULT WindowHost::DefaultProcessing(UINT message, WPARAM wParam, LPARAM lParam) {
  // Flushing is synchronous on this thread, so the queue is never mid-flush here.
  if (previousProc_) return CallWindowProcW(previousProc_, window_, message, wParam, lParam);
  return DefWindowProcW(window_, message, wParam, lParam);
}

// --- the window's life and frame ---

std::optional<LRESULT> WindowHost::AnswerWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      return DetachAndPassOn(message, wParam, lParam);
    case WM_SIZE:
      handle_size(window_, wParam);
      return DefaultProcessing(message, wParam, lParam);
    case WM_ACTIVATE:
      input_.OnActivate(wParam);
      return DefaultProcessing(message, wParam, lParam);
    case WM_SETTEXT:
      return OnSetText(wParam, lParam);
    case WM_PAINT:
      compositor_.OnPaint();
      return 0;
    case WM_ERASEBKGND:
      // WM_PAINT copies the whole composed frame: erasing first only flashes the class colour.
      return 1;
    case WM_CLOSE:
      OnClose();
      return DefaultProcessing(message, wParam, lParam);
    case WM_SETCURSOR:
      if (input_.OnSetCursor(wParam)) return 1;
      return DefaultProcessing(message, wParam, lParam);
    case WM_GETMINMAXINFO:
      frame_.OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
      return 0;
    case WM_STYLECHANGED:
      frame_.OnStyleChanged(wParam, reinterpret_cast<const STYLESTRUCT*>(lParam));
      return DefaultProcessing(message, wParam, lParam);
    case WM_NCCALCSIZE:
      // No non-client area: the client area is the whole window.
      if (wParam == 1) return 1;
      return DefaultProcessing(message, wParam, lParam);
    case WM_NCACTIVATE:
      return 1;
    case WM_TIMER:
      OnTimer(wParam, lParam);
      return 0;
    case 0x02E0:  // WM_DPICHANGED: the window moved to a monitor of another scale
      OnDpiChanged(LOWORD(wParam), reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_GETOBJECT:
      if (LRESULT answer = AnswerGetObject(*this, wParam, lParam)) return answer;
      return DefaultProcessing(message, wParam, lParam);
    default:
      return std::nullopt;
  }
}

LRESULT WindowHost::DetachAndPassOn(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND window = window_;
  WNDPROC previous = previousProc_;
  detach(window);
  return previous ? CallWindowProcW(previous, window, message, wParam, lParam)
                  : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT WindowHost::OnSetText(WPARAM wParam, LPARAM lParam) {
  LRESULT result = DefaultProcessing(WM_SETTEXT, wParam, lParam);
  if (result == 1) frame_.ShowTitle(reinterpret_cast<const wchar_t*>(lParam));
  return result;
}

void WindowHost::OnClose() {
  // The close effect may pump messages that destroy the window: hide the one it started with.
  HWND window = window_;
  compositor_.RunCloseEffect();
  ShowWindow(window, SW_HIDE);
}

void WindowHost::OnTimer(WPARAM wParam, LPARAM lParam) {
  // Control timers are keyed by the control's address.
  auto* control = reinterpret_cast<Control*>(wParam);
  if (OwnsControl(control)) DispatchControlMessage(control, WM_TIMER, wParam, lParam);
}

void WindowHost::handle_size(HWND window, WPARAM sizeType) {
  if (sizeType == SIZE_MINIMIZED || !window_) return;
  const WindowSize device = deviceSize_;
  const WindowSize now = ReadSize();
  if (device.width == deviceSize_.width && device.height == deviceSize_.height) return;
  size_ = now;
  if (callbacks_.size) callbacks_.size(window, now.width, now.height);
  compositor_.Rebuild();
}

WindowSize WindowHost::ReadSize() {
  RECT outer{};
  GetWindowRect(window_, &outer);
  deviceSize_ = WindowSize{outer.right - outer.left, outer.bottom - outer.top};
  return WindowSize{ui::LengthToLogical(deviceSize_.width, dpi_), ui::LengthToLogical(deviceSize_.height, dpi_)};
}

void WindowHost::OnDpiChanged(int dpi, const RECT* suggested) {
  if (!window_ || dpi < 1 || dpi == dpi_) return;
  dpi_ = dpi;
  // Every control draws its surface again at the new scale.
  struct Rescaler {
    void Rescale(Control* control) {
      for (; control; control = control->NextSibling()) {
        control->RecreateSurface();
        Rescale(control->FirstChild());
      }
    }
  };
  Rescaler{}.Rescale(firstControl_);
  if (suggested) {
    SetWindowPos(window_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  size_ = ReadSize();
  compositor_.Rebuild();
}

// Not WM_LBUTTONDBLCLK: the host sends its point on to itself as a press, converted then.
bool WindowHost::CarriesClientPoint(UINT message) {
  switch (message) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
      return true;
    default:
      return false;
  }
}

LPARAM WindowHost::LogicalPointParam(LPARAM lParam) const {
  if (dpi_ == ui::kBaseDpi) return lParam;
  const POINT logical = ToLogical(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
  return MAKELPARAM(static_cast<WORD>(static_cast<short>(logical.x)), static_cast<WORD>(static_cast<short>(logical.y)));
}

// --- keyboard and mouse ---

std::optional<LRESULT> WindowHost::AnswerInputMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SYSCHAR:
      if (input_.handle_accelerator_key(message, wParam, lParam)) return 0;
      return DefaultProcessing(message, wParam, lParam);
    case WM_KEYDOWN:
      input_.handle_key_down(message, wParam, lParam);
      return DefaultProcessing(message, wParam, lParam);
    case WM_MOUSEWHEEL:
      if (Control* focused = input_.Focused()) DispatchControlMessage(focused, message, wParam, lParam);
      return DefaultProcessing(message, wParam, lParam);
    case WM_KEYUP:
    case WM_CHAR:
    case WM_COMMAND:
    case WM_IME_COMPOSITION:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
      // The focused control's: it takes them before the window does.
      if (Control* focused = input_.Focused()) DispatchControlMessage(focused, message, wParam, lParam);
      return DefaultProcessing(message, wParam, lParam);
    case WM_MOUSEMOVE:
      input_.TrackMouseLeave();
      input_.route_mouse(message, wParam, lParam);
      return DefaultProcessing(message, wParam, lParam);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      input_.route_mouse(message, wParam, lParam);
      return DefaultProcessing(message, wParam, lParam);
    case WM_LBUTTONDBLCLK:
      // The second press of a double click goes the way of any press, marked as such.
      SendMessageW(window_, WM_LBUTTONDOWN, TKM_DBLCLICK_MARK, lParam);
      return 0;
    case WM_MOUSELEAVE:
      input_.OnMouseLeave();
      return 0;
    default:
      return std::nullopt;
  }
}

// --- the toolkit's own messages ---

std::optional<LRESULT> WindowHost::AnswerToolkitMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case TKM_SET_FOCUS:
      if (lParam) set_focus(reinterpret_cast<Control*>(lParam), false);
      return 0;
    case TKM_SET_ACCELERATOR:
      return input_.set_accelerator(reinterpret_cast<Control*>(wParam), static_cast<int>(lParam));
    case TKM_PRESENT:
      compositor_.present_rect(nullptr, false);
      return 0;
    case TKM_REPAINT_RECT:
      OnRepaintRect(wParam, reinterpret_cast<RectF*>(lParam));
      return 0;
    case TKM_COMPOSE_QUEUED:
      // Its batch (or the open one's, when a loop delivered it) composes the queue.
      compositor_.ComposePostArrived();
      return 0;
    case TKM_CONTROL_MOVED:
      return OnControlMoved(reinterpret_cast<Control*>(wParam), lParam);
    case TKM_POST_TO_CONTROL:
      return OnPostedToControl(reinterpret_cast<Control*>(wParam), reinterpret_cast<ControlMessageBlock*>(lParam));
    case TKM_SEND_TO_CONTROL: {
      const auto* block = reinterpret_cast<const ControlMessageBlock*>(lParam);
      return block ? DeliverToControl(reinterpret_cast<Control*>(wParam), block->message, block->wParam, block->lParam) : 0;
    }
    case TKM_RUN_ON_UI_THREAD:
      return ui::AnswerRunOnUiThread(lParam);
    case TKM_ACCESSIBLE_ACTION: {
      auto* control = reinterpret_cast<Control*>(wParam);
      if (OwnsControl(control) && lParam == 0) input_.ClickControl(control);
      return 0;
    }
    default:
      return std::nullopt;
  }
}

void WindowHost::OnRepaintRect(WPARAM wParam, RectF* rect) {
  // A rectangle posted from a control is a heap copy that the host deletes once read.
  const bool owned = (wParam & kRepaintOwnedRect) != 0;
  const WPARAM mode = wParam & ~kRepaintOwnedRect;
  if (rect) compositor_.queue_repaint(*rect, mode);
  if (owned) ReleaseOwnedRect(rect);
}

LRESULT WindowHost::OnControlMoved(Control* control, LPARAM redraw) {
  if (!OwnsControl(control)) return 1;
  DispatchControlMessage(control, TKM_CONTROL_MOVED, reinterpret_cast<WPARAM>(control), redraw);
  if (redraw != 1) return 1;
  // 0 while busy: the control queues both rectangles to be recomposed afterwards.
  return compositor_.QueueMoved(control) ? 1 : 0;
}

LRESULT WindowHost::OnPostedToControl(Control* control, ControlMessageBlock* block) {
  if (!block) return 0;
  // The block lives for this one message: it is copied and freed whatever the control does.
  ControlMessageBlock copy = *block;
  ReleaseMessageBlock(block);
  return DeliverToControl(control, copy.message, copy.wParam, copy.lParam);
}

LRESULT WindowHost::DeliverToControl(Control* control, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!OwnsControl(control)) return 0;
  return DispatchControlMessage(control, message, wParam, lParam);
}
