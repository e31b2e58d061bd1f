// Mouse routing, hit-testing, focus, keyboard and accelerators, border sizing.
#include <windowsx.h>

#include <algorithm>

#include "ui/core/Control.h"
#include "ui/core/WindowHost.h"
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

// Border sizing zones (the WMSZ_ numbers that SC_SIZE takes).
constexpr int kBorderZone = 8;

int SizingZone(POINT point, int width, int height) {
  bool left = point.x < kBorderZone, right = point.x >= width - kBorderZone;
  bool top = point.y < kBorderZone, bottom = point.y >= height - kBorderZone;
  if (top && left) return WMSZ_TOPLEFT;
  if (top && right) return WMSZ_TOPRIGHT;
  if (bottom && left) return WMSZ_BOTTOMLEFT;
  if (bottom && right) return WMSZ_BOTTOMRIGHT;
  if (left) return WMSZ_LEFT;
  if (right) return WMSZ_RIGHT;
  if (top) return WMSZ_TOP;
  if (bottom) return WMSZ_BOTTOM;
  return 0;
}

LPCWSTR SizingCursor(int zone) {
  switch (zone) {
    case WMSZ_LEFT:
    case WMSZ_RIGHT:
      return gfx::SystemCursorId(IDC_SIZEWE);
    case WMSZ_TOP:
    case WMSZ_BOTTOM:
      return gfx::SystemCursorId(IDC_SIZENS);
    case WMSZ_TOPLEFT:
    case WMSZ_BOTTOMRIGHT:
      return gfx::SystemCursorId(IDC_SIZENWSE);
    default:
      return gfx::SystemCursorId(IDC_SIZENESW);
  }
}

}  // namespace

Control* WindowHost::HitTest(POINT point) const {
  Control* hit = TopmostIn(lastControl_, point);
  // Descend: a child hit replaces its parent.
  for (Control* inner = hit; inner;) {
    inner = TopmostIn(inner->LastChild(), point);
    if (inner) hit = inner;
  }
  return hit;
}

void WindowHost::ToggleMaximise() {
  PostMessageW(window_, WM_SYSCOMMAND, IsZoomed(window_) ? SC_RESTORE : SC_MAXIMIZE, 0);
}

void WindowHost::StartDrag() {
  // The system move loop drags the window.
  SendMessageW(window_, WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

// Any dispatch or callback may destroy (or delete) the control it was given: a control is
// only touched again after the tree still holds it.
bool WindowHost::IsAlive(Control* control) const { return control && OwnsControl(control); }

void WindowHost::route_mouse(UINT message, WPARAM wParam, LPARAM lParam) {
  if (busy_ || !window_) return;
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
    Call(onRightDown_, hit, wParam, lParam, hit ? hit->Type() : 0);
  } else if (message == WM_RBUTTONUP) {
    Call(onRightUp_, hit, wParam, lParam, hit ? hit->Type() : 0);
  }

  // A drag loop or a callback may have destroyed the control meanwhile.
  if (IsAlive(hit)) {
    DispatchControlMessage(hit, message, wParam, lParam);
    hovered_ = IsAlive(hit) ? hit : nullptr;
  } else {
    hovered_ = nullptr;
  }
}

void WindowHost::LeaveControl(Control* control, WPARAM wParam, LPARAM lParam) {
  const int type = control->Type();
  DispatchControlMessage(control, TKM_MOUSE_LEAVE, 0, 0);
  Call(onMouseLeave_, control, wParam, lParam, type);
}

void WindowHost::EnterControl(Control* control, Control* from, WPARAM wParam, LPARAM lParam) {
  const int type = control->Type();
  DispatchControlMessage(control, TKM_MOUSE_ENTER, 0, reinterpret_cast<LPARAM>(from));
  Call(onMouseEnter_, control, wParam, lParam, type);
  if (IsAlive(control)) update_tooltip(control);
}

Control* WindowHost::Press(Control* hit, POINT point, WPARAM wParam, LPARAM lParam) {
  if (GetFocus() != window_) SetFocus(window_);
  if (!IsAlive(hit)) {
    PressFrame(point, wParam);
    return nullptr;
  }
  PressControl(hit, wParam, lParam);
  return hit;
}

void WindowHost::PressFrame(POINT point, WPARAM wParam) {
  // A double click on the title bar maximises or restores; any press may drag the window.
  if (wParam == TKM_DBLCLICK_MARK) {
    if (point.y < 30 && (frameFlags_ & kFrameMaximize)) {
      ToggleMaximise();
      StartDrag();
    }
  } else if (draggable_) {
    StartDrag();
  }
}

void WindowHost::PressControl(Control* hit, WPARAM wParam, LPARAM lParam) {
  const int type = hit->Type();
  LRESULT takes = DispatchControlMessage(hit, TKM_PRESS, wParam, lParam);
  if (IsAlive(hit) && (takes != -1 || hit->IsFocusable())) {
    Call(onLeftDown_, hit, wParam, lParam, type);
    if (!IsAlive(hit)) return;
    pressing_ = true;
    pressed_ = hit;
    if (hit->IsFocusable() && focused_ != hit) FocusPressed(hit, type, wParam, lParam);
    if (wParam == TKM_DBLCLICK_MARK && IsAlive(hit)) Call(onDoubleClick_, hit, TKM_DBLCLICK_MARK, lParam, type);
    if (pressing_) SetCapture(window_);
  } else if (IsAlive(hit)) {
    // A control that takes no presses is part of the frame: its press drags the window.
    if (wParam == TKM_DBLCLICK_MARK && hit == captionLabel_ && (frameFlags_ & kFrameCaption) &&
        (frameFlags_ & kFrameMaximize)) {
      ToggleMaximise();
    }
    if (!pressing_ && draggable_) StartDrag();
  }
}

void WindowHost::FocusPressed(Control* hit, int type, WPARAM wParam, LPARAM lParam) {
  Control* old = focused_;
  if (old) {
    const int oldType = old->Type();
    DispatchControlMessage(old, TKM_KILL_FOCUS, 0, reinterpret_cast<LPARAM>(hit));
    Call(onBlur_, old, wParam, lParam, oldType);
  }
  if (!IsAlive(hit)) return;
  keyboardCue_ = nullptr;
  focused_ = hit;
  DispatchControlMessage(hit, TKM_SET_FOCUS, 0, reinterpret_cast<LPARAM>(old));
  NotifyAccessible(hit, EVENT_OBJECT_FOCUS);
  Call(onFocus_, hit, wParam, lParam, type);
}

void WindowHost::RouteToPressed(UINT message, WPARAM wParam, LPARAM lParam, POINT point) {
  Control* pressed = pressed_;
  if (!IsAlive(pressed)) {
    pressing_ = false;
    pressed_ = nullptr;
    return;
  }
  DispatchControlMessage(pressed, message, reinterpret_cast<WPARAM>(pressed), lParam);
  if (message == WM_LBUTTONUP) ReleasePress(pressed, point, wParam, lParam);
}

void WindowHost::ReleasePress(Control* pressed, POINT point, WPARAM wParam, LPARAM lParam) {
  Call(onLeftUp_, nullptr, wParam, lParam, 0);
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
    Call(onClick_, pressed, wParam, lParam, type);
  } else {
    if (pressed->IsVisible()) LeaveControl(pressed, wParam, lParam);
    if (IsAlive(hit)) EnterControl(hit, pressed, wParam, lParam);
  }
  hovered_ = IsAlive(hit) ? hit : nullptr;
}

bool WindowHost::track_border_sizing(UINT message, LPARAM lParam) {
  if (!sizable_ || pressing_ || IsZoomed(window_)) return false;
  if (message != WM_MOUSEMOVE && message != WM_LBUTTONDOWN) return false;
  POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  int zone = SizingZone(point, size_.width, size_.height);
  if (zone == 0) return false;
  SetCursor(LoadCursorW(nullptr, SizingCursor(zone)));
  if (hovered_) {
    DispatchControlMessage(hovered_, TKM_MOUSE_LEAVE, 0, 0);
    hovered_ = nullptr;
  }
  if (message == WM_LBUTTONDOWN) SendMessageW(window_, WM_SYSCOMMAND, SC_SIZE | zone, lParam);
  return true;
}

void WindowHost::set_focus(Control* control, bool fromKeyboard) {
  if (!CanTakeFocus(control) || control == focused_ || !OwnsControl(control)) return;
  Control* old = focused_;
  if (old) DispatchControlMessage(old, TKM_KILL_FOCUS, 0, reinterpret_cast<LPARAM>(control));
  keyboardCue_ = fromKeyboard ? control : nullptr;
  focused_ = control;
  DispatchControlMessage(control, TKM_SET_FOCUS, 0, reinterpret_cast<LPARAM>(old));
  NotifyAccessible(control, EVENT_OBJECT_FOCUS);
}

LRESULT WindowHost::handle_key_down(UINT message, WPARAM key, LPARAM lParam) {
  if (focused_) {
    LRESULT answer = DispatchControlMessage(focused_, message, key, lParam);
    if (answer != -1) return answer;
  }
  if (key == VK_TAB) {
    // One pass over the sibling chain of the focused control (or the top-level chain),
    // wrapping to the first top-level control.
    int limit = 1;
    for (Control* c = firstControl_; c; c = c->NextSibling()) ++limit;
    if (focused_) {
      for (Control* c = focused_->ParentControl() ? focused_->ParentControl()->FirstChild() : nullptr; c;
           c = c->NextSibling()) {
        ++limit;
      }
    }
    Control* candidate = focused_ ? focused_->NextSibling() : firstControl_;
    for (int step = 0; step < limit; ++step) {
      if (!candidate) candidate = firstControl_;
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
    Call(onClick_, target, 0, 0, target->Type());
  }
  return -1;
}

int WindowHost::handle_accelerator_key(UINT message, WPARAM character, LPARAM lParam) {
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
    Call(onClick_, control, 0, 0, control->Type());
    return 1;
  }
  return 0;
}

int WindowHost::set_accelerator(Control* control, int key) {
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

void WindowHost::update_tooltip(Control* control, const std::string* text) {
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
                                     dpi_);
  toolInfo_.lpszText = tooltipText_.data();
  SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&toolInfo_));
  SendMessageW(tooltip_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&toolInfo_));
  SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&toolInfo_));
}
