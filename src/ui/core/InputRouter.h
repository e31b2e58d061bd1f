// Where the host's input goes: mouse messages routed to the control under the mouse (or the
// one a press holds), hover, capture, focus and its keyboard cue, keys, accelerators and the
// tooltip. A press on no control goes to the frame.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "ui/core/HostCallbacks.h"
#include "ui/core/HostContext.h"

class Control;
class WindowFrame;

// An accelerator entry: a key that clicks a control.
struct Accelerator {
  Control* control = nullptr;
  int key = 0;
};

class InputRouter {
 public:
  InputRouter(const HostContext& host, WindowFrame& frame, const HostCallbacks& callbacks)
      : host_(host), frame_(frame), callbacks_(callbacks) {}
  InputRouter(const InputRouter&) = delete;
  InputRouter& operator=(const InputRouter&) = delete;

  // The topmost visible, enabled control under a client point (children before their parent), or null.
  Control* HitTest(POINT point) const;
  void route_mouse(UINT message, WPARAM wParam, LPARAM lParam);
  bool track_border_sizing(UINT message, LPARAM lParam);
  void set_focus(Control* control, bool fromKeyboard);
  // Clears the focus record when it holds the control (no message is sent).
  void DropFocus(Control* control) {
    if (focused_ == control) focused_ = nullptr;
  }
  LRESULT handle_key_down(UINT message, WPARAM key, LPARAM lParam);
  int handle_accelerator_key(UINT message, WPARAM character, LPARAM lParam);
  int set_accelerator(Control* control, int key);
  void update_tooltip(Control* control, const std::string* text = nullptr);
  // Does what a mouse click on the control does (press, focus, release, click) without the mouse.
  void ClickControl(Control* control);

  void OnActivate(WPARAM wParam);
  bool OnSetCursor(WPARAM wParam);
  void TrackMouseLeave();
  void OnMouseLeave();
  void TakeDefaultCursor();
  void set_cursor(HCURSOR cursor, bool isHandle);
  // Clears the records that refer to a control being destroyed.
  void ForgetControl(Control* control);
  // detach: the tooltip goes, the capture is given back, no records are kept.
  void Release();

  Control* Focused() const { return focused_; }
  Control* Hovered() const { return hovered_; }
  Control* Pressed() const { return pressed_; }
  bool IsPressing() const { return pressing_; }
  Control* KeyboardCue() const { return keyboardCue_; }
  HWND TooltipWindow() const { return tooltip_; }
  const std::vector<Accelerator>& Accelerators() const { return accelerators_; }

 private:
  void Call(ControlCallback callback, Control* control, WPARAM wParam, LPARAM lParam, int type);
  void CreateTooltip();
  // route_mouse, phase by phase.
  bool IsAlive(Control* control) const;
  void LeaveControl(Control* control, WPARAM wParam, LPARAM lParam);
  void EnterControl(Control* control, Control* from, WPARAM wParam, LPARAM lParam);
  // A left press: on a control, or on the frame (then null is returned: no control was hit).
  Control* Press(Control* hit, POINT point, WPARAM wParam, LPARAM lParam);
  void PressControl(Control* hit, WPARAM wParam, LPARAM lParam);
  void FocusPressed(Control* hit, int type, WPARAM wParam, LPARAM lParam);
  void RouteToPressed(UINT message, WPARAM wParam, LPARAM lParam, POINT point);
  void ReleasePress(Control* pressed, POINT point, WPARAM wParam, LPARAM lParam);

  const HostContext& host_;
  WindowFrame& frame_;
  const HostCallbacks& callbacks_;
  Control* focused_ = nullptr;
  Control* hovered_ = nullptr;
  Control* pressed_ = nullptr;           // the control a press went to
  bool pressing_ = false;                // a press holds the capture
  Control* keyboardCue_ = nullptr;       // the control focused from the keyboard
  bool trackingMouse_ = false;           // a TrackMouseEvent for WM_MOUSELEAVE is pending
  std::vector<Accelerator> accelerators_;
  HWND tooltip_ = nullptr;
  TTTOOLINFOW toolInfo_{};               // the tooltip's one tool
  std::wstring tooltipText_;             // the text the tool record points at
  HCURSOR defaultCursor_ = nullptr;
};
