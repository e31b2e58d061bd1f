// The context menu that every edit box shows on a right click: one toolkit global, built once
// by the toolkit start-up. The pop-up menu itself lives above the controls (ui/dialogs), so
// the start-up's builder installs it here and edit boxes reach it through this interface.
#pragma once

#include <windows.h>

// Item ids: the virtual-key code of the matching Ctrl shortcut, so that menu and keyboard
// reach the same command.
inline constexpr int kEditCommandCut = 0x58;        // X
inline constexpr int kEditCommandCopy = 0x43;       // C
inline constexpr int kEditCommandPaste = 0x56;      // V
inline constexpr int kEditCommandSelectAll = 0x41;  // A
inline constexpr int kEditCommandUndo = 0x5A;       // Z
inline constexpr int kEditCommandRedo = 0x59;       // Y (no menu item, as in Windows' edit boxes)

// 1-based item positions (2 and 6 are separators).
inline constexpr int kEditMenuUndoItem = 1;
inline constexpr int kEditMenuCutItem = 3;
inline constexpr int kEditMenuCopyItem = 4;
inline constexpr int kEditMenuPasteItem = 5;
inline constexpr int kEditMenuSelectAllItem = 7;

// Item states: greyed (not selectable), or available.
inline constexpr int kEditItemGreyed = -1;
inline constexpr int kEditItemAvailable = 0;

class EditMenu {
 public:
  virtual ~EditMenu() = default;
  // Sets an item's state by 1-based position.
  virtual void SetItemState(int position, int state) = 0;
  // Shows the menu at the cursor for a host window and returns once it has closed; the chosen
  // id reaches the host's focused control as WM_COMMAND (wParam = id).
  virtual void Popup(HWND hostWindow) = 0;
};

// Installed once by the start-up's builder; null until then (an edit box then shows no menu).
void SetEditContextMenu(EditMenu* menu);
EditMenu* InstalledEditContextMenu();
