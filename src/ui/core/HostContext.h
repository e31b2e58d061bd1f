// What every part of a window host (compositor, input, frame) reads of the window they serve:
// the window, its scale and size, whether it is busy, and the control tree. The host answers
// it; a part never reaches another part's fields through it.
#pragma once

#include <windows.h>

class Control;

// The outer window size in pixels.
struct WindowSize {
  int width = 0;
  int height = 0;
};

class HostContext {
 public:
  // The attached window; null while detached.
  virtual HWND Window() const = 0;
  // The window's DPI: logical pixels are device pixels times 96 / Dpi().
  virtual int Dpi() const = 0;
  // The outer size in logical pixels (what the layout works in) and in device pixels.
  virtual WindowSize Size() const = 0;
  virtual WindowSize DeviceSize() const = 0;
  // Redrawing or fading: no presenting, no mouse.
  virtual bool Busy() const = 0;
  virtual bool Detaching() const = 0;
  // Top-level controls, bottom to top.
  virtual Control* FirstControl() const = 0;
  virtual Control* LastControl() const = 0;
  // Whether the control is in this host's tree.
  virtual bool OwnsControl(const Control* control) const = 0;

 protected:
  ~HostContext() = default;
};
