// The context menu every edit box shows on a right click (cut, copy, paste, select all), built
// once by the toolkit start-up and shared by all edit boxes through SetEditContextMenu.
#pragma once

#include "ui/controls/EditMenu.h"
#include "ui/dialogs/PopupMenu.h"

class EditContextMenu : public EditMenu {
 public:
  // Adds the five items (the fourth is a separator), each delivered as WM_COMMAND with the
  // Ctrl shortcut's letter key as its id.
  EditContextMenu();
  void SetItemState(int position, int state) override;
  void Popup(HWND hostWindow) override;
  PopupMenu& Menu() { return menu_; }

 private:
  PopupMenu menu_;
};

// The start-up step that builds the shared edit context menu (once) and installs it.
void BuildEditContextMenu();
