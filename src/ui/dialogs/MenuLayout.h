// The pure side of the pop-up menu: the item record, the menu's size, where each item sits,
// what lies under a point, where the menu window goes on the screen and the colours of an
// item's hover look. No window is needed for any of it.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/core/Monitors.h"

class PopupMenu;

// Item states.
inline constexpr int kMenuItemNormal = 0;
inline constexpr int kMenuItemGreyed = -1;
inline constexpr int kMenuItemHidden = 5;

// Item kinds.
inline constexpr int kMenuCommand = 0;
inline constexpr int kMenuSeparator = 1;
inline constexpr int kMenuSubMenu = 2;

// Delivery of a chosen item: WM_COMMAND with the id to the owner, or a call of the handler
// whose address is the id.
inline constexpr int kDeliverHandler = 0;
inline constexpr int kDeliverCommand = 1;

// Black at alpha 210.
inline constexpr Gdiplus::ARGB kMenuTextColour = 0xD2000000;

// Geometry of a menu window (client pixels).
inline constexpr int kMenuMinimumWidth = 50;
inline constexpr int kMenuTextAllowance = 50;   // added to the widest text
inline constexpr int kMenuArrowAllowance = 15;  // added when an item opens a sub-menu
inline constexpr int kMenuItemHeight = 22;
inline constexpr int kMenuSeparatorHeight = 3;
inline constexpr int kMenuMargin = 8;           // items start 8 pixels in from the top and left
inline constexpr int kMenuSeparatorLeft = 33;
inline constexpr int kMenuTextLeft = 30;        // within the item, right of the icon column
inline constexpr int kMenuArrowRoom = 12;       // kept free at a sub-menu item's right end

struct MenuItemRecord {
  std::wstring text;                  // UTF-16 copy of the GBK text given
  std::vector<unsigned char> icon;    // PNG/JPEG/GIF bytes, may be empty
  int state = kMenuItemNormal;
  int kind = kMenuCommand;
  int flag = kDeliverCommand;
  std::intptr_t id = 0;               // command id, handler address, or (kind 2) the PopupMenu*
  Gdiplus::ARGB textColour = kMenuTextColour;
  int fontStyle = 0;                  // GDI+ font style bits for the item's text
  int fontSize = 0;                   // text size in pixels; 0 = the toolkit's default font
  Gdiplus::ARGB hoverColour = 0;      // 0 = derived from the owner's skin colour
};

inline bool MenuItemVisible(const MenuItemRecord& item) { return item.state != kMenuItemHidden; }
// Whether a click on the item does something: shown, not greyed, not a separator.
inline bool MenuItemChoosable(const MenuItemRecord& item) {
  return item.state != kMenuItemHidden && item.state != kMenuItemGreyed && item.kind != kMenuSeparator;
}

// Text width in pixels, as the menu measures it.
using MenuTextMeasure = std::function<int(const std::wstring& text)>;

// Client size of the menu window. A fixed width below 50 becomes 50; 0 measures: widest shown
// command text + 50, plus 15 when a shown item opens a sub-menu. Height: 22 per shown command
// or sub-menu item, 3 per shown separator, plus 16.
SIZE MenuSize(const std::vector<MenuItemRecord>& items, int fixedWidth, const MenuTextMeasure& measure);

// Where one shown item sits in the menu window (1-based position in the item list).
struct MenuItemSlot {
  int position = 0;
  Gdiplus::RectF bounds;
};
// Shown items top to bottom from y 8: commands 22 high at x 8, separators 3 high at x 33.
std::vector<MenuItemSlot> LayoutMenuItems(const std::vector<MenuItemRecord>& items, int menuWidth);

// The position of the shown item under a client point, or 0.
int MenuItemAt(const std::vector<MenuItemRecord>& items, int menuWidth, POINT point);

// Window position of a menu and the sides it opened to.
struct MenuPlacement {
  int x = 0;
  int y = 0;
  bool openedLeft = false;
  bool openedUp = false;
};
// A menu opened at a screen point: to the left of the point when it would reach past the
// work area's right edge (x + width - 5 beyond it), upwards likewise at the bottom; never
// left of or above the work area.
MenuPlacement PlaceMenu(POINT at, SIZE size, const RECT& work);
// A sub-menu beside the item that opened it (screen rectangles of the parent menu window and
// of the item), flipped to the parent's left or upwards the same way.
MenuPlacement PlaceSubMenu(const RECT& parentWindow, const RECT& item, SIZE size, const RECT& work);

// Where a menu window goes on the monitor it opens on: its screen rectangle in device pixels,
// laid out in pixels at 96 DPI at that monitor's scale and against its work area; its size at
// 96 DPI, no larger than the work area; and the sides it opened to. Opened at a device point, or, for a sub-menu,
// beside the item that opened it (parentWindow in device pixels, item in pixels at 96 DPI of the
// same scale).
struct MenuWindowPlace {
  RECT rect{};
  SIZE size{};
  bool openedLeft = false;
  bool openedUp = false;
};
MenuWindowPlace PlaceMenuWindow(const ui::MonitorArea& monitor, SIZE size, POINT at, const RECT* parentWindow = nullptr,
                                const RECT* item = nullptr);

// The key of the item's mnemonic ("&T" -> 'T'), upper-cased; 0 when there is none.
int MenuMnemonicKey(const std::wstring& text);

// Highlight of a hovered item: the item's own hover colour, else the skin colour at alpha 225.
Gdiplus::ARGB MenuHoverColour(const MenuItemRecord& item, int skinColour);
// Text on a highlight: white when 0.299 R + 0.587 G + 0.114 B is below 192, else black at alpha 230.
Gdiplus::ARGB MenuHoverTextColour(Gdiplus::ARGB highlight);

// The skin colour menus fall back to when neither the menu nor its owner has one.
inline constexpr int kMenuFallbackColour = RGB(0x2E, 0x7D, 0xD1);
