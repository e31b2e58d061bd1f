// Driving an open pop-up menu from a test: the menu's modal loop blocks, so the test queues real
// mouse and key messages for the menu window from the menu's created callback (they are handled
// once the loop runs) and keeps a thread timer as a safety net that closes a forgotten menu.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "support/ToolkitTesting.h"
#include "ui/dialogs/MenuLayout.h"
#include "ui/dialogs/PopupMenu.h"

namespace menu_testing {

using toolkit_testing::Pump;
using toolkit_testing::PumpFor;

// What the test wants done when a menu window (or sub-menu window) has been created.
inline std::function<void(HWND window, int subMenu)>& OnCreated() {
  static std::function<void(HWND, int)> action;
  return action;
}
inline std::vector<HWND>& CreatedWindows() {
  static std::vector<HWND> windows;
  return windows;
}
inline void CreatedTrampoline(HWND window, int subMenu) {
  CreatedWindows().push_back(window);
  if (OnCreated()) OnCreated()(window, subMenu);
}

// How many menu windows the safety net below had to close.
inline int& SafetyNetClosings() {
  static int closings = 0;
  return closings;
}

// Closes every menu window still open after a while, so a failing test cannot hang.
inline void CALLBACK SafetyNet(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  for (HWND window : CreatedWindows()) {
    if (!IsWindow(window)) continue;
    ++SafetyNetClosings();
    PostMessageW(window, WM_CLOSE, 0, 0);
  }
}
inline UINT_PTR ArmSafetyNet(UINT milliseconds = 6000) { return SetTimer(nullptr, 0, milliseconds, SafetyNet); }

// The centre of an item (1-based position) of a menu shown at its window's current width.
inline POINT ItemCentre(const PopupMenu& menu, HWND window, int position) {
  RECT rect{};
  GetWindowRect(window, &rect);
  for (const MenuItemSlot& slot : LayoutMenuItems(menu.Items(), rect.right - rect.left)) {
    if (slot.position == position) {
      return POINT{static_cast<LONG>(slot.bounds.X + slot.bounds.Width / 2),
                   static_cast<LONG>(slot.bounds.Y + slot.bounds.Height / 2)};
    }
  }
  return POINT{-1, -1};
}

// Puts the cursor over a client point of the window and queues a move there.
inline void QueueHover(HWND window, POINT client) {
  POINT screen = client;
  ClientToScreen(window, &screen);
  SetCursorPos(screen.x, screen.y);
  PostMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(client.x, client.y));
}

// Queues a left click at a client point of the window.
inline void QueueClick(HWND window, POINT client) {
  QueueHover(window, client);
  PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(client.x, client.y));
  PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(client.x, client.y));
}

inline void QueueKey(HWND window, WPARAM key) {
  PostMessageW(window, WM_KEYDOWN, key, 1);
  PostMessageW(window, WM_KEYUP, key, 0xC0000001);
}

}  // namespace menu_testing
