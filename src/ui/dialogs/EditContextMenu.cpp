#include "ui/dialogs/EditContextMenu.h"

namespace {

// 撤销(&U), 剪切(&T), 复制(&C), 粘贴(&P), 全部选择(&A)
constexpr char kUndo[] = "\xb3\xb7\xcf\xfa(&U)";
constexpr char kCut[] = "\xbc\xf4\xc7\xd0(&T)";
constexpr char kCopy[] = "\xb8\xb4\xd6\xc6(&C)";
constexpr char kPaste[] = "\xd5\xb3\xcc\xf9(&P)";
constexpr char kSelectAll[] = "\xc8\xab\xb2\xbf\xd1\xa1\xd4\xf1(&A)";

}  // namespace

EditContextMenu::EditContextMenu() {
  menu_.add_item(kUndo, {}, kMenuItemNormal, kMenuCommand, kDeliverCommand, kEditCommandUndo);
  menu_.AddSeparator();
  menu_.add_item(kCut, {}, kMenuItemNormal, kMenuCommand, kDeliverCommand, kEditCommandCut);
  menu_.add_item(kCopy, {}, kMenuItemNormal, kMenuCommand, kDeliverCommand, kEditCommandCopy);
  menu_.add_item(kPaste, {}, kMenuItemNormal, kMenuCommand, kDeliverCommand, kEditCommandPaste);
  menu_.AddSeparator();
  menu_.add_item(kSelectAll, {}, kMenuItemNormal, kMenuCommand, kDeliverCommand, kEditCommandSelectAll);
}

void EditContextMenu::SetItemState(int position, int state) { menu_.item_state(position, state); }

void EditContextMenu::Popup(HWND hostWindow) { menu_.popup(hostWindow); }

void BuildEditContextMenu() {
  // A toolkit global that lives as long as the program; the start-up runs this once.
  static EditContextMenu menu;
  SetEditContextMenu(&menu);
}
