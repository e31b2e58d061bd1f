// The application's callbacks of one host window, in one record the application fills through
// its set_on_* setters (null = not set). The host's parts read the ones they call.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

class Control;

using PaintCallback = void (*)(HWND window, Gdiplus::GpGraphics* graphics, int width, int height);
using WindowMessageCallback = LRESULT (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
using SizeCallback = void (*)(HWND window, int width, int height);
using ControlCallback = void (*)(HWND window, Control* control, WPARAM wParam, LPARAM lParam, int type);

struct HostCallbacks {
  PaintCallback paint = nullptr;                  // after the skin, before the frame outline
  WindowMessageCallback windowMessage = nullptr;  // first look at every message; -1 = not handled
  SizeCallback size = nullptr;
  ControlCallback leftDown = nullptr;
  ControlCallback leftUp = nullptr;
  ControlCallback click = nullptr;
  ControlCallback doubleClick = nullptr;
  ControlCallback rightDown = nullptr;
  ControlCallback rightUp = nullptr;
  ControlCallback mouseEnter = nullptr;
  ControlCallback mouseLeave = nullptr;
  ControlCallback focus = nullptr;
  ControlCallback blur = nullptr;

  // The setters, under the toolkit's names: each stores its callback (null clears it).
  void set_on_paint(PaintCallback callback) { paint = callback; }
  void set_on_window_message(WindowMessageCallback callback) { windowMessage = callback; }
  void set_on_size(SizeCallback callback) { size = callback; }
  void set_on_left_down(ControlCallback callback) { leftDown = callback; }
  void set_on_left_up(ControlCallback callback) { leftUp = callback; }
  void set_on_click(ControlCallback callback) { click = callback; }
  void set_on_double_click(ControlCallback callback) { doubleClick = callback; }
  void set_on_right_down(ControlCallback callback) { rightDown = callback; }
  void set_on_right_up(ControlCallback callback) { rightUp = callback; }
  void set_on_mouse_leave(ControlCallback callback) { mouseLeave = callback; }
  void set_on_mouse_enter(ControlCallback callback) { mouseEnter = callback; }
  void set_on_focus(ControlCallback callback) { focus = callback; }
  void set_on_blur(ControlCallback callback) { blur = callback; }

  // Calls a control callback when it is set.
  static void Call(ControlCallback callback, HWND window, Control* control, WPARAM wParam, LPARAM lParam, int type) {
    if (callback) callback(window, control, wParam, lParam, type);
  }
};
