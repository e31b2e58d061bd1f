// Mouse routing, hit-testing, hover, focus and its cue, keyboard and accelerators, tooltips.
#include <windowsx.h>

#include <algorithm>

#include "ui/core/Control.h"
#include "ui/core/InputRouter.h"
#include "ui/core/DisplayScale.h"
#include "ui/core/WindowFrame.h"
#include "ui/gfx/Text.h"
#include "ui/gfx/Toolkit.h"

using namespace Gdiplus;

namespace {

bool Contains(const RectF& bounds, POINT point) {
  return point.x >= bounds.X && point.x < bounds.X + bounds.Width && point.y >= bounds.Y &&
         point.y < bounds.Y + bounds.Height;
}

bool Candidate(const Control* control, POINT point) {
  return control->IsVisible() && !control->IsDisabled() && Contains(control->BoundsRef(), point);
}

// The topmost candidate in a sibling chain (walked from the last, topmost one).
Control* TopmostIn(Control* last, POINT point) {
  for (Control* control = last; control; control = control->PreviousSibling()) {
    if (Candidate(control, point)) return control;
  }
  return nullptr;
}

bool CanTakeFocus(const Control* control) {
  return control && control->IsVisible() && control->IsFocusable() && !control->IsDisabled() &&
         control->Type() != 1;
}

}  // namespace

Control* InputRouter::HitTest(POINT point) const {
  Control* hit = TopmostIn(host_.LastControl(), point);
  // Descend: a child hit replaces its parent.
  for (Control* inner = hit; inner;) {
    inner = TopmostIn(inner->LastChild(), point);
    if (inner) hit = inner;
  }
  return hit;
}

// Any dispatch or callback may destroy (or delete) the control it was given: a control is
// only touched again after the tree still holds it.
bool InputRouter::IsAlive(Control* control) const { return control && host_.OwnsControl(control); }

void InputRouter::route_mouse(UINT message, WPARAM wParam, LPARAM lParam) {
  if (host_.Busy() || !host_.Window()) return;
  if (track_border_sizing(message, lParam)) return;
  POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  // A press in progress takes everything until the button is released.
  if (pressing_) {
    RouteToPressed(message, wParam, lParam, point);
    return;
  }

  Control* hit = HitTest(point);
  if (hovered_ && hovered_ != hit && hovered_->IsVisible()) LeaveControl(hovered_, wParam, lParam);
  if (message == WM_LBUTTONDOWN) {
    hit = Press(hit, point, wParam, lParam);
  } else if (message == WM_MOUSEMOVE && hit && hit != hovered_) {
    EnterControl(hit, hovered_, wParam, lParam);
  } else if (message == WM_RBUTTONDOWN) {
    Call(callbacks_.rightDown, hit, wParam, lParam, hit ? hit->Type() : 0);
  } else if (message == WM_RBUTTONUP) {
    Call(callbacks_.rightUp, hit, wParam, lParam, hit ? hit->Type() : 0);
  }

  // A drag loop or a callback may have destroyed the control meanwhile.
  if (IsAlive(hit)) {
    DispatchControlMessage(hit, message, wParam, lParam);
    hovered_ = IsAlive(hit) ? hit : nullptr;
  } else {
    hovered_ = nullptr;
  }
}

void InputRouter::LeaveControl(Control* control, WPARAM wParam, LPARAM lParam) {
  const int type = control->Type();
  DispatchControlMessage(control, TKM_MOUSE_LEAVE, 0, 0);
  Call(callbacks_.mouseLeave, control, wParam, lParam, type);
}

void InputRouter::EnterControl(Control* control, Control* from, WPARAM wParam, LPARAM lParam) {
  const int type = control->Type();
  DispatchControlMessage(control, TKM_MOUSE_ENTER, 0, reinterpret_cast<LPARAM>(from));
  Call(callbacks_.mouseEnter, control, wParam, lParam, type);
  if (IsAlive(control)) update_tooltip(control);
}

Control* InputRouter::Press(Control* hit, POINT point, WPARAM wParam, LPARAM lParam) {
  if (GetFocus() != host_.Window()) SetFocus(host_.Window());
  if (!IsAlive(hit)) {
    frame_.PressFrame(point, wParam);
    return nullptr;
  }
  PressControl(hit, wParam, lParam);
  return hit;
}

void InputRouter::PressControl(Control* hit, WPARAM wParam, LPARAM lParam) {
  const int type = hit->Type();
  LRESULT takes = DispatchControlMessage(hit, TKM_PRESS, wParam, lParam);
  if (IsAlive(hit) && (takes != -1 || hit->IsFocusable())) {
    Call(callbacks_.leftDown, hit, wParam, lParam, type);
    if (!IsAlive(hit)) return;
    pressing_ = true;
    pressed_ = hit;
    if (hit->IsFocusable() && focused_ != hit) FocusPressed(hit, type, wParam, lParam);
    if (wParam == TKM_DBLCLICK_MARK && IsAlive(hit)) Call(callbacks_.doubleClick, hit, TKM_DBLCLICK_MARK, lParam, type);
    if (pressing_) SetCapture(host_.Window());
  } else if (IsAlive(hit)) {
    // A control that takes no presses is part of the frame: its press drags the window.
    frame_.PressPart(hit, wParam, pressing_);
  }
}

void InputRouter::FocusPressed(Control* hit, int type, WPARAM wParam, LPARAM lParam) {
  Control* old = focused_;
  // The cue goes first: the control losing the focus repaints without its frame.
  keyboardCue_ = nullptr;
  if (old) {
    const int oldType = old->Type();
    DispatchControlMessage(old, TKM_KILL_FOCUS, 0, reinterpret_cast<LPARAM>(hit));
    Call(callbacks_.blur, old, wParam, lParam, oldType);
  }
  if (!IsAlive(hit)) return;
  focused_ = hit;
  DispatchControlMessage(hit, TKM_SET_FOCUS, 0, reinterpret_cast<LPARAM>(old));
  NotifyAccessible(hit, EVENT_OBJECT_FOCUS);
  Call(callbacks_.focus, hit, wParam, lParam, type);
}

void InputRouter::RouteToPressed(UINT message, WPARAM wParam, LPARAM lParam, POINT point) {
  Control* pressed = pressed_;
  if (!IsAlive(pressed)) {
    pressing_ = false;
    pressed_ = nullptr;
    return;
  }
  DispatchControlMessage(pressed, message, reinterpret_cast<WPARAM>(pressed), lParam);
  if (message == WM_LBUTTONUP) ReleasePress(pressed, point, wParam, lParam);
}

void InputRouter::ReleasePress(Control* pressed, POINT point, WPARAM wParam, LPARAM lParam) {
  Call(callbacks_.leftUp, nullptr, wParam, lParam, 0);
  ReleaseCapture();
  pressing_ = false;
  if (pressed_ != pressed || !IsAlive(pressed)) {  // destroyed by its own handler
    pressed_ = nullptr;
    hovered_ = HitTest(point);
    return;
  }
  pressed_ = nullptr;
  // Released over the control it was pressed on: a click. Elsewhere: the mouse moved on.
  Control* hit = HitTest(point);
  if (hit == pressed) {
    const int type = pressed->Type();
    DispatchControlMessage(pressed, TKM_CLICK, 0, 0);
    Call(callbacks_.click, pressed, wParam, lParam, type);
  } else {
    if (pressed->IsVisible()) LeaveControl(pressed, wParam, lParam);
    if (IsAlive(hit)) EnterControl(hit, pressed, wParam, lParam);
  }
  hovered_ = IsAlive(hit) ? hit : nullptr;
}

bool InputRouter::track_border_sizing(UINT message, LPARAM lParam) {
  if (message != WM_MOUSEMOVE && message != WM_LBUTTONDOWN) return false;
  POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  const int zone = frame_.SizingZoneAt(point, pressing_);
  if (zone == 0) return false;
  if (hovered_) {
    DispatchControlMessage(hovered_, TKM_MOUSE_LEAVE, 0, 0);
    hovered_ = nullptr;
  }
  if (message == WM_LBUTTONDOWN) frame_.BeginSizing(zone, lParam);
  return true;
}

void InputRouter::set_focus(Control* control, bool fromKeyboard) {
  if (!CanTakeFocus(control) || control == focused_ || !host_.OwnsControl(control)) return;
  Control* old = focused_;
  // The cue moves first: the control losing the focus repaints without its frame.
  keyboardCue_ = fromKeyboard ? control : nullptr;
  if (old) DispatchControlMessage(old, TKM_KILL_FOCUS, 0, reinterpret_cast<LPARAM>(control));
  focused_ = control;
  DispatchControlMessage(control, TKM_SET_FOCUS, 0, reinterpret_cast<LPARAM>(old));
  NotifyAccessible(control, EVENT_OBJECT_FOCUS);
}

LRESULT InputRouter::handle_key_down(UINT message, WPARAM key, LPARAM lParam) {
  if (focused_) {
    LRESULT answer = DispatchControlMessage(focused_, message, key, lParam);
    if (answer != -1) return answer;
  }
  if (key == VK_TAB) {
    // One pass over the sibling chain of the focused control (or the top-level chain),
    // wrapping to the first top-level control.
    int limit = 1;
    for (Control* c = host_.FirstControl(); c; c = c->NextSibling()) ++limit;
    if (focused_) {
      for (Control* c = focused_->ParentControl() ? focused_->ParentControl()->FirstChild() : nullptr; c;
           c = c->NextSibling()) {
        ++limit;
      }
    }
    Control* candidate = focused_ ? focused_->NextSibling() : host_.FirstControl();
    for (int step = 0; step < limit; ++step) {
      if (!candidate) candidate = host_.FirstControl();
      if (!candidate || candidate == focused_) break;
      if (CanTakeFocus(candidate)) {
        set_focus(candidate, true);
        break;
      }
      candidate = candidate->NextSibling();
    }
  } else if ((key == VK_SPACE || key == VK_RETURN) && focused_ && focused_->IsVisible() &&
             !focused_->IsDisabled()) {
    Control* target = focused_;
    DispatchControlMessage(target, TKM_CLICK, 0, 0);
    Call(callbacks_.click, target, 0, 0, target->Type());
  }
  return -1;
}

int InputRouter::handle_accelerator_key(UINT message, WPARAM character, LPARAM lParam) {
  if (focused_) DispatchControlMessage(focused_, message, character, lParam);
  // The window is a Unicode one: the character is a UTF-16 unit, compared whole (a Chinese
  // character must not pass for the letter in its low byte).
  auto upper = [](unsigned value) {
    return static_cast<unsigned>(reinterpret_cast<UINT_PTR>(CharUpperW(reinterpret_cast<LPWSTR>(value & 0xFFFF))));
  };
  const unsigned wanted = upper(static_cast<unsigned>(character));
  for (const Accelerator& entry : accelerators_) {
    if (upper(static_cast<unsigned>(entry.key)) != wanted) continue;
    Control* control = entry.control;
    if (!control->IsVisible() || control->IsDisabled()) continue;
    DispatchControlMessage(control, TKM_CLICK, 0, 0);
    Call(callbacks_.click, control, 0, 0, control->Type());
    return 1;
  }
  return 0;
}

int InputRouter::set_accelerator(Control* control, int key) {
  auto found = std::find_if(accelerators_.begin(), accelerators_.end(),
                            [control](const Accelerator& entry) { return entry.control == control; });
  if (key == 0) {
    if (found != accelerators_.end()) accelerators_.erase(found);
  } else if (found != accelerators_.end()) {
    found->key = key;
  } else if (control) {
    accelerators_.push_back(Accelerator{control, key});
  }
  return 1;
}

void InputRouter::update_tooltip(Control* control, const std::string* text) {
  if (!control) return;
  const std::string& tip = text ? *text : control->TipTextRef();
  // The tooltip window is made for the first tip, not with the window.
  if (!tooltip_ && !tip.empty()) CreateTooltip();
  if (!tooltip_) return;
  SendMessageW(tooltip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&toolInfo_));
  if (tip.empty()) return;
  tooltipText_ = gfx::widen_text(tip);
  const RectF& b = control->BoundsRef();
  toolInfo_.uId = 0;
  toolInfo_.rect = ui::RectToDevice(RECT{static_cast<LONG>(b.X), static_cast<LONG>(b.Y), static_cast<LONG>(b.X + b.Width),
                                          static_cast<LONG>(b.Y + b.Height)},
                                     host_.Dpi());
  toolInfo_.lpszText = tooltipText_.data();
  SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&toolInfo_));
  SendMessageW(tooltip_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&toolInfo_));
  SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&toolInfo_));
}

void InputRouter::CreateTooltip() {
  // The tooltip class is comctl32's, and version 6 registers it for the process only once asked.
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, L"", WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0, 0, 0,
                             0, host_.Window(), nullptr, GetModuleHandleW(nullptr), nullptr);
  if (tooltip_) {
    SetWindowPos(tooltip_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, 1024);
  }
  toolInfo_ = TTTOOLINFOW{};
  toolInfo_.cbSize = 44;  // the pre-XP layout: no lpReserved field
  toolInfo_.uFlags = TTF_SUBCLASS;
  toolInfo_.hwnd = host_.Window();
}

void InputRouter::ClickControl(Control* control) {
  auto alive = [this](Control* c) { return c && host_.OwnsControl(c) && c->IsVisible() && !c->IsDisabled(); };
  if (host_.Busy() || !alive(control)) return;
  const Gdiplus::RectF& b = control->BoundsRef();
  const LPARAM centre = MAKELPARAM(static_cast<int>(b.X + b.Width / 2), static_cast<int>(b.Y + b.Height / 2));
  const int type = control->Type();
  // The same steps, in the same order, as a press and release of the left button over it.
  const LRESULT takes = DispatchControlMessage(control, TKM_PRESS, 0, centre);
  if (!alive(control) || (takes == -1 && !control->IsFocusable())) return;
  Call(callbacks_.leftDown, control, 0, centre, type);
  if (alive(control) && control->IsFocusable()) set_focus(control, false);
  if (!alive(control)) return;
  DispatchControlMessage(control, WM_LBUTTONDOWN, 0, centre);
  if (!alive(control)) return;
  DispatchControlMessage(control, WM_LBUTTONUP, reinterpret_cast<WPARAM>(control), centre);
  Call(callbacks_.leftUp, nullptr, 0, centre, 0);
  if (!alive(control)) return;
  DispatchControlMessage(control, TKM_CLICK, 0, 0);
  Call(callbacks_.click, control, 0, centre, type);
  // The mouse never came: the control goes back to its resting look.
  if (alive(control) && hovered_ != control) DispatchControlMessage(control, TKM_MOUSE_LEAVE, 0, 0);
}

void InputRouter::OnActivate(WPARAM wParam) {
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

bool InputRouter::OnSetCursor(WPARAM wParam) {
  if (reinterpret_cast<HWND>(wParam) != host_.Window()) return false;
  SetCursor(hovered_ && hovered_->CursorHandle() ? hovered_->CursorHandle() : defaultCursor_);
  return true;
}

void InputRouter::TrackMouseLeave() {
  if (trackingMouse_) return;
  TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, host_.Window(), 0};
  trackingMouse_ = TrackMouseEvent(&track) != FALSE;
}

void InputRouter::OnMouseLeave() {
  trackingMouse_ = false;
  ReleaseCapture();
  if (Control* control = hovered_) {
    DispatchControlMessage(control, TKM_MOUSE_LEAVE, 0, 0);
    Call(callbacks_.mouseLeave, control, 0, 0, control->Type());
    hovered_ = nullptr;
  }
}

void InputRouter::TakeDefaultCursor() {
  defaultCursor_ = gfx::DefaultCursor() ? gfx::DefaultCursor() : LoadCursorW(nullptr, gfx::SystemCursorId(IDC_ARROW));
}

void InputRouter::set_cursor(HCURSOR cursor, bool isHandle) {
  defaultCursor_ = isHandle ? cursor : LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(cursor));
}

void InputRouter::ForgetControl(Control* control) {
  if (pressed_ == control) {
    pressed_ = nullptr;
    pressing_ = false;
  }
  if (focused_ == control) focused_ = nullptr;
  if (hovered_ == control) hovered_ = nullptr;
  if (keyboardCue_ == control) keyboardCue_ = nullptr;
  std::erase_if(accelerators_, [control](const Accelerator& entry) { return entry.control == control; });
}

void InputRouter::Release() {
  if (tooltip_) {
    SendMessageW(tooltip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&toolInfo_));
    DestroyWindow(tooltip_);
    tooltip_ = nullptr;
  }
  if (pressing_ || trackingMouse_) ReleaseCapture();
  focused_ = hovered_ = pressed_ = keyboardCue_ = nullptr;
  pressing_ = false;
  trackingMouse_ = false;
  accelerators_.clear();
}

void InputRouter::Call(ControlCallback callback, Control* control, WPARAM wParam, LPARAM lParam, int type) {
  HostCallbacks::Call(callback, host_.Window(), control, wParam, lParam, type);
}
