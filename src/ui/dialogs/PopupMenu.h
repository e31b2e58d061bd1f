// The toolkit's skinned pop-up menu. A menu object holds a list of items; showing it creates a
// small topmost tool window taken over by a window host, fills it with one item control per
// item and runs a private message loop until the window is gone. The chosen item is delivered
// after the whole chain of menu windows has closed: as WM_COMMAND with the item's id to the
// window the menu was shown for (whose host hands it to its focused control), or by calling
// the handler whose address is the id, with every argument 0.
//
// The menu object and its items survive a showing and can be shown again. Show a menu on the
// thread that owns its owner window (popup does that itself); items are not changed while the
// menu is open.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "ui/core/WindowHost.h"
#include "ui/dialogs/MenuLayout.h"

struct MenuSession;
class MenuItemControl;

// Called once the menu window and its items exist, before it is shown: (menu window, 1 for a sub-menu).
using MenuCreatedCallback = void (*)(HWND menuWindow, int subMenu);

// The window text that marks a toolkit menu window.
inline constexpr char kMenuWindowTitle[] = "Tessel_DirectUI_Menu";

class PopupMenu {
 public:
  PopupMenu() = default;
  virtual ~PopupMenu() = default;
  PopupMenu(const PopupMenu&) = delete;
  PopupMenu& operator=(const PopupMenu&) = delete;

  // Shows the menu at the mouse position for the owner window and returns once it has closed.
  // True when an item was chosen (and has been delivered). A menu with no shown item, a menu
  // that is already open, or a dead owner window: nothing is shown and the answer is false.
  virtual bool popup(HWND owner);
  // The same at a screen point; (0, 0) means the mouse position.
  virtual bool popup_at(HWND owner, int x, int y);
  // Appends an item. kind 2 items open the PopupMenu whose address is the id (see AddSubMenu);
  // flag 1 sends WM_COMMAND with the id, flag 0 calls the id as a handler.
  virtual void add_item(const std::string& text, std::span<const unsigned char> icon = {},
                        int state = kMenuItemNormal, int kind = kMenuCommand, int flag = kDeliverCommand,
                        std::intptr_t id = 0, std::optional<Gdiplus::ARGB> textColour = std::nullopt,
                        int fontStyle = 0, int fontSize = 0, Gdiplus::ARGB hoverColour = 0);
  // Removes every item with its text and icon bytes.
  virtual void clear();
  // The state of the item at a 1-based position; sets it when a value is given. A position
  // outside 1..count answers 0 and changes nothing.
  virtual int item_state(int position, std::optional<int> value = std::nullopt);

  void AddSeparator();
  // An item that opens another menu; that menu must outlive every showing of this one.
  void AddSubMenu(const std::string& text, PopupMenu* subMenu, int state = kMenuItemNormal);

  // Fixed width of the menu window (0 = measure the texts).
  int Width(std::optional<int> value = std::nullopt);
  // Own painter instead of the built-in one (null = built-in).
  void SetPainter(PaintCallback painter) { painter_ = painter; }
  void SetCreated(MenuCreatedCallback created) { created_ = created; }
  // The menu's colour (Windows RGB) for its background and icon column; -1 = the owner's skin colour.
  int Colour(std::optional<int> value = std::nullopt);

  int ItemCount() const { return static_cast<int>(items_.size()); }
  // The item at a 1-based position, or null.
  const MenuItemRecord* Item(int position) const;
  const std::vector<MenuItemRecord>& Items() const { return items_; }
  // The window of the menu while it is open, else null.
  HWND Window() const { return window_; }

 private:
  friend LRESULT MenuWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // One showing: a top-level menu at a screen point, or a sub-menu beside the item of its
  // parent session that opened it.
  bool Show(HWND owner, POINT at, MenuSession* parent, const RECT* openerItem);
  void RunLoop(HWND window);
  static void OpenSubMenu(HWND window, MenuItemControl* item);

  std::vector<MenuItemRecord> items_;
  int width_ = 0;
  PaintCallback painter_ = nullptr;
  MenuCreatedCallback created_ = nullptr;
  int colour_ = -1;
  HWND window_ = nullptr;
  class ShowingScope;  // owns showing_ and window_ while a showing lasts
  bool showing_ = false;
};

// The window message hook of every menu window: sub-menu requests and arrow keys, then the
// toolkit's pop-up hook (closing on deactivation and Escape, mnemonics).
LRESULT MenuWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Hands a chosen item to its receiver: WM_COMMAND(id, eventControl) to the owner for flag 1
// (and any flag other than 0), a call of the handler at the id for flag 0.
void DeliverMenuChoice(HWND owner, int flag, std::intptr_t id, Control* eventControl);
