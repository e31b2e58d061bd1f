// What the host does for assistive technology besides answering WM_GETOBJECT (it reads the
// host through AccessibleHost): announcing a window that opens as a menu or a dialog. A click
// on request is the input's (InputRouter::ClickControl).
#include "ui/core/WindowHost.h"

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
