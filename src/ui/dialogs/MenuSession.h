// One showing of a pop-up menu: what its window, its item controls and its message hook share
// while the menu is open. It lives on the stack of the call that shows the menu and is found
// from the menu window through GWLP_USERDATA.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "ui/dialogs/MenuLayout.h"

class Control;
class PopupMenu;

// The item the user chose, delivered once the whole chain of menu windows is gone.
struct MenuChoice {
  int flag = kDeliverCommand;
  std::intptr_t id = 0;
};

struct MenuSession {
  PopupMenu* menu = nullptr;
  HWND window = nullptr;
  HWND owner = nullptr;                 // the window the menu was shown for (a sub-menu: its parent menu)
  HWND root = nullptr;                  // the top-level menu window of the chain
  MenuSession* rootSession = nullptr;   // itself for a top-level menu
  bool isSubMenu = false;
  int skinColour = -1;                  // the chain owner's skin colour, for hover highlights
  int columnColour = -1;                // the icon column's colour
  Control* eventControl = nullptr;      // control under the mouse in the owner when the menu opened
  std::vector<MenuItemRecord> items;    // the items as they were when the menu opened
  std::optional<MenuChoice> choice;     // top-level session only
};

// The open menu a window belongs to, or null.
MenuSession* MenuSessionOf(HWND window);

// Private message to a menu window: open the sub-menu of the item control in wParam.
inline constexpr UINT kMenuOpenSubMenu = WM_APP + 0x2A1;

// A command item was chosen: hide the menu, hand activation back to the owner, close the chain
// and remember the choice for delivery (the first choice wins).
void ChooseMenuItem(MenuSession& session, const MenuItemRecord& item);

// The open sub-menu window of a menu window, or null.
HWND OpenSubMenuOf(HWND menuWindow);
