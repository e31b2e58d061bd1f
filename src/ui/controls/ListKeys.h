// What a key press does to a list, as plain functions: which keys move the current row and
// where to, which open the owner's menu for the row or copy it, and where that menu goes. The
// list calls them with values copied under its lock; tests call them directly.
//
// Rows are 1-based as everywhere in the list's interface; 0 means none.
#pragma once

#include <windows.h>

namespace list_keys {

enum class KeyAction {
  None,  // not the list's key: the window may use it (Tab, Space, Enter, F10 for the menu bar...)
  Move,  // moves the current row (RowAfterKey)
  Menu,  // the Apps key or Shift+F10: the owner's menu for the current row
  Copy,  // Ctrl+C: the owner copies the current row
  // In a multi-selection list (a single-selection one takes the first two as Move and ignores
  // the others):
  Extend,     // Shift with a movement key: selects from the anchor to the row it reaches
  Focus,      // Ctrl with a movement key: moves the current row alone
  Toggle,     // Ctrl+Space: toggles the current row
  SelectAll,  // Ctrl+A
};

// The action of a key going down with these modifiers held. Alt with any key is the window's.
KeyAction ActionOf(WPARAM key, bool ctrl, bool shift, bool alt);

// The row a movement key makes current in a list of count rows, from current (0 or out of range
// when there is none: then every key but End starts at the first row). Up and Down move by one
// row, Page Up and Page Down by rowsPerPage (at least one), Home and End to the ends, none past
// them. 0 for an empty list or a key that moves nothing.
int RowAfterKey(WPARAM key, int current, int count, int rowsPerPage);

// The rows that show whole in a view viewHeight pixels high; at least 1.
int RowsPerPage(int viewHeight, int rowHeight);

// Where a menu for a row opens, in screen pixels: below the row's bottom-left corner. The
// corner is given in the window's client area in pixels at 96 DPI; clientOrigin is the client
// area's screen position.
POINT MenuPoint(float left, float bottom, int dpi, POINT clientOrigin);

}  // namespace list_keys
