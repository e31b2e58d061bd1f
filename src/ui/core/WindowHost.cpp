// Attaching and detaching a window, and the subclassed window procedure.
#include "ui/core/WindowHost.h"

#include <windowsx.h>

#include "ui/core/AccessibleNode.h"
#include "ui/core/Control.h"
#include "ui/core/TitleButton.h"
#include "ui/core/UiThread.h"
#include "ui/core/FrameParts.h"
#include "ui/gfx/Text.h"
#include "ui/gfx/Toolkit.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

void EditStyle(HWND window, LONG add, LONG remove) {
  LONG style = GetWindowLongW(window, GWL_STYLE);
  LONG wanted = (style | add) & ~remove;
  if (wanted != style) SetWindowLongW(window, GWL_STYLE, wanted);
}

std::string WindowTextA(HWND window) {
  int length = GetWindowTextLengthA(window);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  int copied = GetWindowTextA(window, text.data(), length + 1);
  text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
  return text;
}

// A timer id for the cross-fade that no control can use (controls use their addresses).
constexpr UINT_PTR kTransitionTimerId = 1;

}  // namespace

WindowHost::WindowHost() { self_ = this; }

WindowHost::~WindowHost() {
  if (window_ && IsWindow(window_)) DestroyWindow(window_);
  if (window_) detach(window_);
}

LRESULT CALLBACK WindowHost::WindowProcThunkTarget(WindowHost* host, UINT message, WPARAM wParam, LPARAM lParam) {
  return host->handle_message(message, wParam, lParam);
}

int WindowHost::attach(HWND window, const AttachOptions& options) {
  if (!window || !IsWindow(window) || window == window_ || window_ != nullptr) return 0;

  // 1. Options and their defaults.
  window_ = window;
  self_ = this;
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  alpha_ = options.alpha.value_or(-1);
  imageLayout_ = options.imageLayout.value_or(0);
  cornerStyle_ = options.cornerStyle.value_or(7);
  presentOnAttach_ = options.presentOnAttach.value_or(true);
  sizable_ = options.sizable.value_or((style & WS_THICKFRAME) != 0);
  draggable_ = options.draggable.value_or(true);
  gloss_ = options.gloss.value_or(true);
  nineSlice_ = options.nineSlice;
  sharedBackground_ = options.sharedBackground.value_or(nullptr);
  backgroundColour_ = -1;
  if (!options.alpha) {
    glassBlur_ = false;
  } else if (!options.glassBlur) {
    glassBlur_ = gfx::OsMajorVersion() == 6;
  } else {
    glassBlur_ = *options.glassBlur;
  }

  // 2. Frame flags.
  int flags = options.frameFlags.value_or(0);
  if (!options.frameFlags || *options.frameFlags != 0) {
    EditStyle(window, WS_SYSMENU, 0);
    if (!options.frameFlags || (flags & kFrameComplete)) {
      flags |= kFrameIcon | kFrameCaption | kFrameClose;
      if (style & WS_MAXIMIZEBOX) flags |= kFrameMaximize;
      if (style & WS_MINIMIZEBOX) flags |= kFrameMinimize;
    }
  }
  frameFlags_ = (flags & ~kFrameComplete) | kFrameDrawn;

  // 3-5. Style and properties.
  EditStyle(window, static_cast<LONG>(WS_POPUP), 0);
  SetPropW(window, kPropHost, this);
  defaultCursor_ = gfx::DefaultCursor() ? gfx::DefaultCursor() : LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  LONG remove = WS_THICKFRAME | WS_DLGFRAME | WS_BORDER;
  if (!(frameFlags_ & kFrameMinimize)) remove |= WS_MINIMIZEBOX;
  if (!(frameFlags_ & kFrameMaximize)) remove |= WS_MAXIMIZEBOX;
  EditStyle(window, 0, remove);

  // 6-9. Size, device context, buffers, layered style, repaint queue.
  RECT outer{};
  GetWindowRect(window, &outer);
  size_ = WindowSize{outer.right - outer.left, outer.bottom - outer.top};
  windowDc_ = gfx::WindowDc(window);
  CreateBuffers();
  if (alpha_ != -1) {
    LONG ex = GetWindowLongW(window, GWL_EXSTYLE);
    if (!(ex & WS_EX_LAYERED)) SetWindowLongW(window, GWL_EXSTYLE, ex | WS_EX_LAYERED);
  }
  repaintQueue_.Bind(window, this, graphics_.Get());

  // 10. Subclass.
  thunk_ = gfx::make_window_thunk(this, WindowProcThunkTarget);
  if (!thunk_) {
    RemovePropW(window, kPropHost);
    ReleaseBuffers();
    windowDc_.Reset();
    window_ = nullptr;
    return 0;
  }
  previousProc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(thunk_.Proc())));
  // The style edits above change the non-client area only once the frame is recalculated.
  SetWindowPos(window, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);

  // 11-13. Frame parts, created while busy.
  busy_ = true;
  if (frameFlags_ & kFrameIcon) {
    auto icon = std::make_unique<FrameIcon>();
    HICON small = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_SMALL, 0));
    if (!small) small = reinterpret_cast<HICON>(GetClassLongPtrW(window, GCLP_HICONSM));
    if (icon->CreateIcon(window, small)) {
      iconControl_ = icon.get();
      ownedFrameParts_.push_back(std::move(icon));
    }
  }
  if (frameFlags_ & kFrameCaption) {
    auto caption = std::make_unique<CaptionLabel>();
    if (caption->CreateCaption(window, RectF(0, 9, 0, 18), WindowTextA(window))) {
      captionLabel_ = caption.get();
      ownedFrameParts_.push_back(std::move(caption));
    }
  }
  CreateTitleButtons();

  // 14-15. First paint.
  busy_ = false;
  redraw(options.image, options.backgroundColour, 2);
  if (alpha_ != -1) present_rect(nullptr, false);

  // 16. Tooltip window.
  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, L"", WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0, 0, 0,
                             0, window, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (tooltip_) {
    SetWindowPos(tooltip_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, 1024);
  }
  toolInfo_ = TTTOOLINFOW{};
  toolInfo_.cbSize = 44;  // the pre-XP layout: no lpReserved field
  toolInfo_.uFlags = TTF_SUBCLASS;
  toolInfo_.hwnd = window;

  // 17. Sizable windows get the thick frame back (the host draws no system frame).
  if (sizable_) EditStyle(window, WS_THICKFRAME, 0);
  return 1;
}

void WindowHost::CreateTitleButtons() {
  // One button per set bit, first laid out right to left from the window width - 12 at top 7;
  // every redraw places them again with layout_title_bar.
  titleButtonBits_.clear();
  float x = static_cast<float>(size_.width) - 12;
  for (int bit : kTitleButtonBits) {
    if (!(frameFlags_ & bit)) continue;
    titleButtonBits_.push_back(bit);
    const float width = TitleButtonWidth(bit);
    x -= 28;
    auto button = std::make_unique<TitleButton>();
    if (button->Create(window_, x, 7, width, kTitleButtonHeight, bit)) {
      titleButtons_.push_back(button.get());
      ownedFrameParts_.push_back(std::move(button));
    }
  }
}

void WindowHost::detach(HWND window) {
  if (!window_ || window != window_) return;
  if (accessibleRole_ == ROLE_SYSTEM_MENUPOPUP) NotifyWinEvent(EVENT_SYSTEM_MENUPOPUPEND, window_, OBJID_CLIENT, CHILDID_SELF);
  busy_ = true;
  detaching_ = true;
  KillTimer(window_, kTransitionTimerId);
  repaintQueue_.Release();
  // The controls go while the window still runs through this host, so what their WM_DESTROY
  // work sends to the window (control messages, timers) is still understood and freed here.
  while (Control* control = firstControl_) {
    control->Destroy();
    if (firstControl_ == control) firstControl_ = control->NextSibling();  // never live: skip it
  }
  lastControl_ = nullptr;
  if (previousProc_) SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc_));
  ownedFrameParts_.clear();
  frameClip_.Reset();
  backgroundImage_.Reset();
  stretchedBackground_.Reset();
  if (tooltip_) {
    SendMessageW(tooltip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&toolInfo_));
    DestroyWindow(tooltip_);
    tooltip_ = nullptr;
  }
  if (pressing_ || trackingMouse_) ReleaseCapture();
  focused_ = hovered_ = pressed_ = keyboardCue_ = nullptr;
  pressing_ = false;
  trackingMouse_ = false;
  frameFlags_ = 0;
  ReleaseBuffers();
  snapshot_.Release();
  windowDc_.Reset();
  accelerators_.clear();
  titleButtons_.clear();
  titleButtonBits_.clear();
  iconControl_ = captionLabel_ = nullptr;
  RemovePropW(window_, kPropHost);
  thunk_.Reset();
  previousProc_ = nullptr;
  window_ = nullptr;
  busy_ = false;
  detaching_ = false;
}

LRESULT WindowHost::DefaultProcessing(UINT message, WPARAM wParam, LPARAM lParam) {
  // Flushing is synchronous on this thread, so the queue is never mid-flush here.
  if (previousProc_) return CallWindowProcW(previousProc_, window_, message, wParam, lParam);
  return DefWindowProcW(window_, message, wParam, lParam);
}

void WindowHost::LinkControl(Control* control, Control* parent, bool atStart) {
  Control*& first = parent ? parent->firstChild_ : firstControl_;
  Control*& last = parent ? parent->lastChild_ : lastControl_;
  control->parent_ = parent;
  if (atStart) {
    control->previousSibling_ = nullptr;
    control->nextSibling_ = first;
    if (first) first->previousSibling_ = control;
    first = control;
    if (!last) last = control;
  } else {
    control->previousSibling_ = last;
    control->nextSibling_ = nullptr;
    if (last) last->nextSibling_ = control;
    last = control;
    if (!first) first = control;
  }
}

void WindowHost::UnlinkControl(Control* control) {
  Control* parent = control->parent_;
  Control*& first = parent ? parent->firstChild_ : firstControl_;
  Control*& last = parent ? parent->lastChild_ : lastControl_;
  if (control->previousSibling_) control->previousSibling_->nextSibling_ = control->nextSibling_;
  if (control->nextSibling_) control->nextSibling_->previousSibling_ = control->previousSibling_;
  if (first == control) first = control->nextSibling_;
  if (last == control) last = control->previousSibling_;
  control->previousSibling_ = control->nextSibling_ = nullptr;
}

bool WindowHost::OwnsControl(const Control* control) const {
  if (!control) return false;
  // Walks the whole tree: a control id from a timer or a posted block is only trusted when
  // it is still one of ours.
  struct Walker {
    static bool Find(const Control* from, const Control* wanted) {
      for (const Control* c = from; c; c = c->NextSibling()) {
        if (c == wanted || Find(c->FirstChild(), wanted)) return true;
      }
      return false;
    }
  };
  return Walker::Find(firstControl_, control);
}

LRESULT WindowHost::handle_message(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND window = window_;
  if (message == WM_NCDESTROY) {
    // A hook that swallowed WM_DESTROY must not leave the host bound to a dead window.
    WNDPROC previous = previousProc_;
    detach(window);
    return previous ? CallWindowProcW(previous, window, message, wParam, lParam)
                    : DefWindowProcW(window, message, wParam, lParam);
  }
  if (onWindowMessage_) {
    LRESULT answer = onWindowMessage_(window, message, wParam, lParam);
    if (answer != -1) return answer;
    if (window_ != window) return DefWindowProcW(window, message, wParam, lParam);
  }

  switch (message) {
    case WM_DESTROY: {
      WNDPROC previous = previousProc_;
      detach(window);
      return previous ? CallWindowProcW(previous, window, message, wParam, lParam)
                      : DefWindowProcW(window, message, wParam, lParam);
    }
    case WM_SIZE:
      handle_size(window, wParam);
      return DefaultProcessing(message, wParam, lParam);
    case WM_ACTIVATE:
      HandleActivate(wParam);
      return DefaultProcessing(message, wParam, lParam);
    case WM_SETTEXT: {
      LRESULT result = DefaultProcessing(message, wParam, lParam);
      if (result == 1 && (frameFlags_ & kFrameCaption) && captionLabel_) {
        static_cast<CaptionLabel*>(captionLabel_)->SetText(lParam ? gfx::narrow_text(reinterpret_cast<const wchar_t*>(lParam)) : std::string());
      }
      return result;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      if (dc && backBuffer_.Dc()) {
        BitBlt(dc, paint.rcPaint.left, paint.rcPaint.top, paint.rcPaint.right - paint.rcPaint.left,
               paint.rcPaint.bottom - paint.rcPaint.top, backBuffer_.Dc(), paint.rcPaint.left, paint.rcPaint.top,
               SRCCOPY);
      }
      EndPaint(window, &paint);
      return 0;
    }
    case WM_CLOSE:
      RunCloseEffect();
      ShowWindow(window, SW_HIDE);
      return DefaultProcessing(message, wParam, lParam);
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wParam) == window) {
        HCURSOR cursor = hovered_ && hovered_->CursorHandle() ? hovered_->CursorHandle() : defaultCursor_;
        SetCursor(cursor);
        return 1;
      }
      return DefaultProcessing(message, wParam, lParam);
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      RECT work{};
      SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
      info->ptMaxSize.x = work.right + 14;
      info->ptMaxSize.y = work.bottom + 14;
      info->ptMaxPosition.x = work.left - 7;
      info->ptMaxPosition.y = work.top - 7;
      info->ptMinTrackSize.x = MinimumTrackWidth();
      info->ptMinTrackSize.y = (frameFlags_ & ~kFrameDrawn) == 0 ? 20 : 38;
      return 0;
    }
    case WM_STYLECHANGED:
      if (wParam == static_cast<WPARAM>(GWL_STYLE)) {
        auto* change = reinterpret_cast<STYLESTRUCT*>(lParam);
        if (change->styleNew & (WS_DLGFRAME | WS_BORDER)) EditStyle(window, 0, WS_DLGFRAME | WS_BORDER);
      }
      return DefaultProcessing(message, wParam, lParam);
    case WM_NCCALCSIZE:
      if (wParam == 1) return 1;
      return DefaultProcessing(message, wParam, lParam);
    case WM_NCACTIVATE:
      return 1;
    case WM_TIMER: {
      auto* control = reinterpret_cast<Control*>(wParam);
      if (OwnsControl(control)) DispatchControlMessage(control, message, wParam, lParam);
      return 0;
    }
    case WM_SYSCHAR:
      if (handle_accelerator_key(message, wParam, lParam)) return 0;
      return DefaultProcessing(message, wParam, lParam);
    case WM_KEYDOWN:
      handle_key_down(message, wParam, lParam);
      return DefaultProcessing(message, wParam, lParam);
    case WM_KEYUP:
    case WM_CHAR:
    case WM_MOUSEWHEEL:
    case WM_COMMAND:
    case WM_IME_COMPOSITION:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
      if (focused_) DispatchControlMessage(focused_, message, wParam, lParam);
      return DefaultProcessing(message, wParam, lParam);
    case WM_MOUSEMOVE:
      if (!trackingMouse_) {
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, window, 0};
        trackingMouse_ = TrackMouseEvent(&track) != FALSE;
      }
      route_mouse(message, wParam, lParam);
      return DefaultProcessing(message, wParam, lParam);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      route_mouse(message, wParam, lParam);
      return DefaultProcessing(message, wParam, lParam);
    case WM_LBUTTONDBLCLK:
      SendMessageW(window, WM_LBUTTONDOWN, TKM_DBLCLICK_MARK, lParam);
      return 0;
    case WM_MOUSELEAVE:
      HandleMouseLeave();
      return 0;
    case TKM_SET_FOCUS:
      if (lParam) set_focus(reinterpret_cast<Control*>(lParam), false);
      return 0;
    case TKM_SET_ACCELERATOR:
      return set_accelerator(reinterpret_cast<Control*>(wParam), static_cast<int>(lParam));
    case TKM_PRESENT:
      present_rect(nullptr, false);
      return 0;
    case TKM_REPAINT_RECT: {
      const bool owned = (wParam & kRepaintOwnedRect) != 0;
      const WPARAM mode = wParam & ~kRepaintOwnedRect;
      auto* rect = reinterpret_cast<RectF*>(lParam);
      if (rect) queue_repaint(*rect, mode);
      if (owned) delete rect;
      return 0;
    }
    case TKM_CONTROL_MOVED: {
      auto* control = reinterpret_cast<Control*>(wParam);
      if (!OwnsControl(control)) return 1;
      DispatchControlMessage(control, message, wParam, lParam);
      if (lParam != 1) return 1;
      if (busy_) return 0;
      if (control->PreviousBounds()) Recompose(*control->PreviousBounds());
      Recompose(control->BoundsRef());
      return 1;
    }
    case TKM_POST_TO_CONTROL: {
      auto* block = reinterpret_cast<ControlMessageBlock*>(lParam);
      if (!block) return 0;
      ControlMessageBlock copy = *block;
      VirtualFree(block, 0, MEM_RELEASE);
      auto* control = reinterpret_cast<Control*>(wParam);
      if (!OwnsControl(control)) return 0;
      return DispatchControlMessage(control, copy.message, copy.wParam, copy.lParam);
    }
    case TKM_RUN_ON_UI_THREAD:
      return ui::AnswerRunOnUiThread(lParam);
    case WM_GETOBJECT:
      if (LRESULT answer = AnswerGetObject(*this, wParam, lParam)) return answer;
      return DefaultProcessing(message, wParam, lParam);
    case TKM_ACCESSIBLE_ACTION: {
      auto* control = reinterpret_cast<Control*>(wParam);
      if (OwnsControl(control) && lParam == 0) ClickControl(control);
      return 0;
    }
    default:
      return DefaultProcessing(message, wParam, lParam);
  }
}

void WindowHost::HandleActivate(WPARAM wParam) {
  if (LOWORD(wParam) == WA_INACTIVE) {
    if (hovered_) DispatchControlMessage(hovered_, TKM_MOUSE_LEAVE, 0, 0);
    if (pressing_) {
      DispatchControlMessage(pressed_, TKM_KILL_FOCUS, 0, 0);
      ReleaseCapture();
      pressing_ = false;
    }
  } else if (pressed_) {
    DispatchControlMessage(pressed_, TKM_SET_FOCUS, 0, 0);
  }
}

void WindowHost::HandleMouseLeave() {
  trackingMouse_ = false;
  ReleaseCapture();
  if (Control* control = hovered_) {
    DispatchControlMessage(control, TKM_MOUSE_LEAVE, 0, 0);
    Call(onMouseLeave_, control, 0, 0, control->Type());
    hovered_ = nullptr;
  }
}

int WindowHost::MinimumTrackWidth() const {
  if ((frameFlags_ & ~kFrameDrawn) == 0) return 21;
  int buttons = static_cast<int>(titleButtons_.empty() ? titleButtonBits_.size() : titleButtons_.size());
  return buttons * 28 + ((frameFlags_ & kFrameClose) ? 11 : 0) + 35 + 1;
}

void WindowHost::handle_size(HWND window, WPARAM sizeType) {
  if (sizeType == SIZE_MINIMIZED || !window_) return;
  RECT outer{};
  GetWindowRect(window, &outer);
  WindowSize now{outer.right - outer.left, outer.bottom - outer.top};
  if (now.width == size_.width && now.height == size_.height) return;
  size_ = now;
  if (onSize_) onSize_(window, now.width, now.height);
  CreateBuffers();
  repaintQueue_.Bind(window_, this, graphics_.Get());
  redraw(std::nullopt, backgroundColour_, 0);
}

bool WindowHost::draggable(std::optional<bool> value) {
  if (value) draggable_ = *value;
  return draggable_;
}

int WindowHost::corner_style(std::optional<int> value) {
  if (value) cornerStyle_ = *value;
  return cornerStyle_;
}

void WindowHost::set_edge_colour(int colour) { edgeColour_ = colour; }
void WindowHost::set_close_effect(int effect) { closeEffect_ = effect; }

void WindowHost::set_cursor(HCURSOR cursor, bool isHandle) {
  defaultCursor_ = isHandle ? cursor : LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(cursor));
}

void WindowHost::ForgetControl(Control* control) {
  if (!control) return;
  if (pressed_ == control) {
    pressed_ = nullptr;
    pressing_ = false;
  }
  if (focused_ == control) focused_ = nullptr;
  if (hovered_ == control) hovered_ = nullptr;
  if (keyboardCue_ == control) keyboardCue_ = nullptr;
  std::erase_if(accelerators_, [control](const Accelerator& entry) { return entry.control == control; });
  std::erase(titleButtons_, control);
  if (iconControl_ == control) iconControl_ = nullptr;
  if (captionLabel_ == control) captionLabel_ = nullptr;
}

void WindowHost::Call(ControlCallback callback, Control* control, WPARAM wParam, LPARAM lParam, int type) {
  if (callback) callback(window_, control, wParam, lParam, type);
}
