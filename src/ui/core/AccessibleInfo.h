// What a windowless control tells assistive technology about itself: the Active Accessibility
// role, name, value, state and default action. Controls answer through Control::Describe (and,
// for simple child elements such as list rows, the item functions next to it); the window
// host turns the answers into IAccessible objects (ui/core/AccessibleNode.h).
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <string>

struct AccessibleInfo {
  long role = ROLE_SYSTEM_CLIENT;
  std::wstring name;
  std::wstring value;
  std::wstring description;
  std::wstring defaultAction;  // empty: the element has none
  // States of the control's own (selected, protected, read-only ...); the host adds focus,
  // visibility and availability from the control record.
  long state = 0;
  // False: the element is not read out at all (nor are its children).
  bool exposed = true;
};

// Default action names.
inline constexpr const wchar_t* kActionPress = L"press";
inline constexpr const wchar_t* kActionClick = L"click";
inline constexpr const wchar_t* kActionExecute = L"execute";

// Posts an accessibility event for a control (or, with item > 0, for one of its simple items)
// of a host window. Safe from any thread; nothing happens without a listener.
class Control;
void NotifyAccessible(const Control* control, DWORD event, long item = 0);
// The object id a control's events carry (the host answers WM_GETOBJECT with it).
LONG AccessibleObjectId(const Control* control);
