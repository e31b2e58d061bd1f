// The IAccessible objects of a hosted window: one for the window's client area, whose children
// are its visible controls in tab order, and one per control, whose children are its simple
// items (list rows) followed by its visible child controls.
//
// The objects are weak: they keep the window handle and the control's address and look the
// control up in the host's tree on every call, so an object whose control (or row) has gone
// answers CO_E_OBJNOTCONNECTED (E_INVALIDARG for a child id that no longer exists) instead of
// touching freed memory. Every call runs on the window's UI thread; a call that arrives on
// another thread is carried over there.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <vector>

#include "ui/core/AccessibleInfo.h"

class Control;
class AccessibleHost;

// The window's answer to WM_GETOBJECT: an object for OBJID_CLIENT or for a control's own
// object id (its events carry that id); 0 for any other id.
LRESULT AnswerGetObject(AccessibleHost& host, WPARAM wParam, LPARAM lParam);

// A new object (one reference) for a control of the window, or for the client area (null).
IAccessible* MakeAccessible(HWND window, Control* control);

namespace accessible {

// One child of an object: a control, or a simple item of the object's control.
struct Child {
  Control* control = nullptr;
  int item = 0;
};
// The children of an object in reading order (UI thread).
std::vector<Child> ChildrenOf(AccessibleHost& host, Control* control);
// The description of a control with the states the host knows about (UI thread).
AccessibleInfo DescribeControl(AccessibleHost& host, Control* control);

}  // namespace accessible
