// What the host does for assistive technology besides answering WM_GETOBJECT: clicking a
// control on request and announcing a window that opens as a menu or a dialog.
#include "ui/core/Control.h"
#include "ui/core/WindowHost.h"

void WindowHost::ClickControl(Control* control) {
  auto alive = [this](Control* c) { return c && OwnsControl(c) && c->IsVisible() && !c->IsDisabled(); };
  if (busy_ || !alive(control)) return;
  const Gdiplus::RectF& b = control->BoundsRef();
  const LPARAM centre = MAKELPARAM(static_cast<int>(b.X + b.Width / 2), static_cast<int>(b.Y + b.Height / 2));
  const int type = control->Type();
  // The same steps, in the same order, as a press and release of the left button over it.
  const LRESULT takes = DispatchControlMessage(control, TKM_PRESS, 0, centre);
  if (!alive(control) || (takes == -1 && !control->IsFocusable())) return;
  Call(onLeftDown_, control, 0, centre, type);
  if (alive(control) && control->IsFocusable()) set_focus(control, false);
  if (!alive(control)) return;
  DispatchControlMessage(control, WM_LBUTTONDOWN, 0, centre);
  if (!alive(control)) return;
  DispatchControlMessage(control, WM_LBUTTONUP, reinterpret_cast<WPARAM>(control), centre);
  Call(onLeftUp_, nullptr, 0, centre, 0);
  if (!alive(control)) return;
  DispatchControlMessage(control, TKM_CLICK, 0, 0);
  Call(onClick_, control, 0, centre, type);
  // The mouse never came: the control goes back to its resting look.
  if (alive(control) && hovered_ != control) DispatchControlMessage(control, TKM_MOUSE_LEAVE, 0, 0);
}

void WindowHost::AnnounceShown() {
  if (!window_ || !IsWindowVisible(window_)) return;
  switch (accessibleRole_) {
    case ROLE_SYSTEM_MENUPOPUP:
      NotifyWinEvent(EVENT_SYSTEM_MENUPOPUPSTART, window_, OBJID_CLIENT, CHILDID_SELF);
      break;
    case ROLE_SYSTEM_DIALOG:
    case ROLE_SYSTEM_ALERT:
      NotifyWinEvent(EVENT_SYSTEM_DIALOGSTART, window_, OBJID_CLIENT, CHILDID_SELF);
      NotifyWinEvent(EVENT_SYSTEM_ALERT, window_, OBJID_CLIENT, CHILDID_SELF);
      break;
    default:
      break;
  }
}
