// What the accessibility objects read of a host window, and the one thing they do to it.
#pragma once

#include <windows.h>

class Control;

class AccessibleHost {
 public:
  virtual HWND Window() const = 0;
  virtual int Dpi() const = 0;
  virtual Control* FirstControl() const = 0;
  virtual Control* Focused() const = 0;
  virtual bool OwnsControl(const Control* control) const = 0;
  // The topmost visible, enabled control under a client point (logical pixels), or null.
  virtual Control* HitTest(POINT point) const = 0;
  // The role the window's client area reads out as.
  virtual long AccessibleRole() const = 0;
  virtual void set_focus(Control* control, bool fromKeyboard) = 0;

 protected:
  ~AccessibleHost() = default;
};
