#include "ui/dialogs/PopupMenu.h"

#include <algorithm>
#include <memory>

#include "ui/core/Control.h"
#include "ui/core/UiThread.h"
#include "ui/dialogs/MenuItemControl.h"
#include "ui/dialogs/MenuPainter.h"
#include "ui/dialogs/MenuSession.h"
#include "ui/gfx/GdiHandles.h"
#include "ui/gfx/Memory.h"
#include "ui/gfx/Text.h"

namespace {

// Width of a text on the screen DC, as menus measure their items.
int ScreenTextWidth(const std::wstring& text) {
  gfx::WindowDc screen(nullptr);
  if (!screen) return 0;
  SIZE size{};
  const BOOL measured = GetTextExtentPoint32W(screen.Get(), text.c_str(), static_cast<int>(text.size()), &size);
  return measured ? static_cast<int>(size.cx) : 0;
}

int SkinColourOf(HWND window) {
  WindowHost* host = host_of_window(window);
  return host ? host->Painting().BackgroundColour() : -1;
}

// The control under the mouse in a hosted window, or null.
Control* ControlUnderMouse(HWND window) {
  WindowHost* host = host_of_window(window);
  POINT point{};
  if (!host || !GetCursorPos(&point) || !ScreenToClient(window, &point)) return nullptr;
  return host->HitTest(host->ToLogical(point));
}

// The item controls of a menu window that the keyboard can move through, top to bottom.
std::vector<MenuItemControl*> KeyboardItems(WindowHost* host) {
  std::vector<MenuItemControl*> items;
  for (Control* c = host ? host->FirstControl() : nullptr; c; c = c->NextSibling()) {
    if (c->Type() != kMenuItemControlType || !c->IsVisible() || c->IsDisabled()) continue;
    auto* item = static_cast<MenuItemControl*>(c);
    if (item->Item().kind != kMenuSeparator) items.push_back(item);
  }
  return items;
}

void MoveKeyboardHover(HWND window, int step) {
  WindowHost* host = host_of_window(window);
  std::vector<MenuItemControl*> items = KeyboardItems(host);
  if (items.empty()) return;
  const auto found = std::find(items.begin(), items.end(), host->Focused());
  const int count = static_cast<int>(items.size());
  int next = step > 0 ? 0 : count - 1;
  if (found != items.end()) next = (static_cast<int>(found - items.begin()) + step + count) % count;
  DispatchControlMessage(items[static_cast<size_t>(next)], TKM_MOUSE_ENTER, 0, 0);
}

}  // namespace

MenuSession* MenuSessionOf(HWND window) {
  if (!window || !IsWindow(window) || GetPropW(window, kPropFlags) != reinterpret_cast<HANDLE>(1)) return nullptr;
  return reinterpret_cast<MenuSession*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

HWND OpenSubMenuOf(HWND menuWindow) {
  if (!menuWindow) return nullptr;
  HWND sub = static_cast<HWND>(GetPropW(menuWindow, kPropMenuSub));
  return (sub && IsWindow(sub)) ? sub : nullptr;
}

void ChooseMenuItem(MenuSession& session, const MenuItemRecord& item) {
  MenuSession* root = session.rootSession;
  // Once the chain is closing a second click (a queued double click) chooses nothing.
  if (!root || root->choice) return;
  root->choice = MenuChoice{item.flag, item.id};
  ShowWindow(session.window, SW_HIDE);
  if (HWND owner = GetWindow(session.root, GW_OWNER)) SetForegroundWindow(owner);
  PostMessageW(session.root, WM_CLOSE, 0, 0);
}

void DeliverMenuChoice(HWND owner, int flag, std::intptr_t id, Control* eventControl) {
  if (flag == kDeliverHandler) {
    gfx::call_pointer(reinterpret_cast<const void*>(id));
    return;
  }
  if (owner && IsWindow(owner)) {
    SendMessageW(owner, WM_COMMAND, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(eventControl));
  }
}

// --- the menu object ---

bool PopupMenu::popup(HWND owner) { return popup_at(owner, 0, 0); }

bool PopupMenu::popup_at(HWND owner, int x, int y) {
  if (owner && !IsWindow(owner)) return false;
  if (owner && !ui::OnThreadOf(owner)) {
    return ui::CallOnUiThread(owner, [&] { return popup_at(owner, x, y); }, false);
  }
  POINT at{x, y};
  if (x == 0 && y == 0) GetCursorPos(&at);
  return Show(owner, at, nullptr, nullptr);
}

void PopupMenu::add_item(const std::string& text, std::span<const unsigned char> icon, int state, int kind, int flag,
                         std::intptr_t id, std::optional<Gdiplus::ARGB> textColour, int fontStyle, int fontSize,
                         Gdiplus::ARGB hoverColour) {
  MenuItemRecord item;
  item.text = gfx::widen_text(text);
  item.icon.assign(icon.begin(), icon.end());
  item.state = state;
  item.kind = kind;
  item.flag = flag;
  item.id = id;
  item.textColour = textColour.value_or(kMenuTextColour);
  item.fontStyle = fontStyle;
  item.fontSize = fontSize;
  item.hoverColour = hoverColour;
  items_.push_back(std::move(item));
}

void PopupMenu::clear() {
  items_.clear();
  items_.shrink_to_fit();
}

int PopupMenu::item_state(int position, std::optional<int> value) {
  if (position < 1 || position > ItemCount()) return 0;
  MenuItemRecord& item = items_[static_cast<size_t>(position - 1)];
  if (value) item.state = *value;
  return item.state;
}

void PopupMenu::AddSeparator() { add_item({}, {}, kMenuItemNormal, kMenuSeparator, kDeliverCommand, 0); }

void PopupMenu::AddSubMenu(const std::string& text, PopupMenu* subMenu, int state) {
  add_item(text, {}, state, kMenuSubMenu, kDeliverCommand, reinterpret_cast<std::intptr_t>(subMenu));
}

int PopupMenu::Width(std::optional<int> value) {
  if (value) width_ = *value;
  return width_;
}

int PopupMenu::Colour(std::optional<int> value) {
  if (value) colour_ = *value < 0 ? -1 : (*value & 0xFFFFFF);
  return colour_;
}

const MenuItemRecord* PopupMenu::Item(int position) const {
  if (position < 1 || position > ItemCount()) return nullptr;
  return &items_[static_cast<size_t>(position - 1)];
}

// One showing's hold on the menu and its window, released however the showing ends (memory
// running out half way too): the window goes, its parent forgets it, and the menu can open again.
class PopupMenu::ShowingScope {
 public:
  ShowingScope(PopupMenu& menu, HWND window, MenuSession* parent) : menu_(menu), window_(window), parent_(parent) {
    menu_.showing_ = true;
    menu_.window_ = window;
  }
  ~ShowingScope() {
    if (IsWindow(window_)) DestroyWindow(window_);
    if (parent_ && IsWindow(parent_->window) && GetPropW(parent_->window, kPropMenuSub) == window_) {
      RemovePropW(parent_->window, kPropMenuSub);
    }
    menu_.window_ = nullptr;
    menu_.showing_ = false;
  }
  ShowingScope(const ShowingScope&) = delete;
  ShowingScope& operator=(const ShowingScope&) = delete;

 private:
  PopupMenu& menu_;
  HWND window_;
  MenuSession* parent_;
};

bool PopupMenu::Show(HWND owner, POINT at, MenuSession* parent, const RECT* openerItem) {
  if (showing_) return false;  // a menu cannot open inside itself
  MenuSession session;
  session.items = items_;
  if (std::none_of(session.items.begin(), session.items.end(), MenuItemVisible)) return false;

  // Laid out in pixels at 96 DPI and shown at the scale of the monitor it opens on: the one of
  // the point, or of the menu that opened it.
  RECT parentRect{};
  const bool beside = parent && openerItem && GetWindowRect(parent->window, &parentRect);
  const ui::MonitorArea monitor = beside ? ui::MonitorOfWindow(parent->window) : ui::MonitorOfPoint(at);
  const MenuWindowPlace placement = PlaceMenuWindow(monitor, MenuSize(session.items, width_, ScreenTextWidth), at,
                                                    beside ? &parentRect : nullptr, openerItem);
  const RECT& placed = placement.rect;
  const SIZE size = placement.size;

  ToolkitWindowOptions create;
  create.parent = owner;
  create.title = kMenuWindowTitle;
  create.x = placed.left;
  create.y = placed.top;
  create.width = placed.right - placed.left;
  create.height = placed.bottom - placed.top;
  create.style = WS_POPUP;
  create.extendedStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW;
  HWND window = create_toolkit_window(create);
  if (!window) return false;
  {
    const ShowingScope showing(*this, window, parent);
    session.menu = this;
    session.window = window;
    session.owner = owner;
    session.isSubMenu = parent != nullptr;
    session.root = parent ? parent->root : window;
    session.rootSession = parent ? parent->rootSession : &session;
    session.skinColour = parent ? parent->skinColour : SkinColourOf(owner);
    session.columnColour = colour_ >= 0 ? colour_ : SkinColourOf(owner);
    if (session.columnColour < 0) session.columnColour = kMenuFallbackColour;

    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&session));
    SetPropW(window, kPropFlags, reinterpret_cast<HANDLE>(1));
    SetPropW(window, kPropMenuHost, session.root);
    if (parent) {
      SetPropW(parent->window, kPropMenuSub, window);
    } else {
      session.eventControl = ControlUnderMouse(owner);
      SetPropW(window, kPropMenuEvent, session.eventControl);
      if (session.eventControl) SendMessageW(owner, TKM_SET_FOCUS, 0, reinterpret_cast<LPARAM>(session.eventControl));
    }
    if (colour_ >= 0) SetPropW(window, kPropMenuWnd, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(colour_)));

    {
      WindowHost host;
      host.Callbacks().set_on_paint(painter_ ? painter_ : BuiltinMenuPainter);
      AttachOptions options;
      options.backgroundColour = session.columnColour;
      options.frameFlags = 0;
      options.alpha = 240;
      options.cornerStyle = 1;
      options.draggable = false;
      std::vector<std::unique_ptr<MenuItemControl>> controls;
      if (host.attach(window, options)) {
        host.Callbacks().set_on_window_message(MenuWindowMessage);
        host.SetAccessibleRole(ROLE_SYSTEM_MENUPOPUP);
        for (const MenuItemSlot& slot : LayoutMenuItems(session.items, size.cx)) {
          auto control = std::make_unique<MenuItemControl>(session, slot.position);
          if (!control->Create(slot.bounds)) continue;
          if (int key = MenuMnemonicKey(control->Item().text)) {
            SendMessageW(window, TKM_SET_ACCELERATOR, reinterpret_cast<WPARAM>(control.get()), key);
          }
          controls.push_back(std::move(control));
        }
        if (created_) created_(window, parent ? 1 : 0);
        if (IsWindow(window)) {
          host.show(parent ? (placement.openedLeft ? 3 : 4) : 0);
          SetForegroundWindow(window);
          RunLoop(window);
        }
      }
      if (IsWindow(window)) DestroyWindow(window);
      controls.clear();
    }
  }
  if (parent || !session.choice) return false;
  DeliverMenuChoice(owner, session.choice->flag, session.choice->id, session.eventControl);
  return true;
}

void PopupMenu::RunLoop(HWND window) {
  MSG msg;
  while (IsWindow(window)) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == -1) break;
    if (got == 0) {
      // The application is quitting: close the menu and leave the quit for the outer loop.
      DestroyWindow(window);
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void PopupMenu::OpenSubMenu(HWND window, MenuItemControl* item) {
  MenuSession* session = MenuSessionOf(window);
  WindowHost* host = host_of_window(window);
  // Only for an item of this menu that still has its focus.
  if (!session || !host || !host->OwnsControl(item) || host->Focused() != item) return;
  const MenuItemRecord& record = item->Item();
  if (record.kind != kMenuSubMenu || record.id == 0 || item->SubMenuOpen()) return;
  if (HWND open = OpenSubMenuOf(window)) {
    // Another item's sub-menu is open and its loop is running below this call: close it, and
    // ask again once that loop has ended.
    SendMessageW(open, WM_CLOSE, 0, 0);
    PostMessageW(window, kMenuOpenSubMenu, reinterpret_cast<WPARAM>(item), 0);
    return;
  }
  auto* subMenu = reinterpret_cast<PopupMenu*>(record.id);
  RECT windowRect{};
  GetWindowRect(window, &windowRect);
  windowRect = ui::RectToLogical(windowRect, ui::WindowDpi(window));
  const Gdiplus::RectF& b = item->BoundsRef();
  RECT itemRect{windowRect.left + static_cast<LONG>(b.X), windowRect.top + static_cast<LONG>(b.Y),
                windowRect.left + static_cast<LONG>(b.X + b.Width), windowRect.top + static_cast<LONG>(b.Y + b.Height)};
  item->SetSubMenuOpen(true);
  subMenu->Show(window, POINT{}, session, &itemRect);
  if (!IsWindow(window)) return;  // the chain closed while the sub-menu was open
  item->SetSubMenuOpen(false);
  if (IsWindowVisible(window) && !session->rootSession->choice) SetForegroundWindow(window);
}

LRESULT MenuWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kMenuOpenSubMenu:
      PopupMenu::OpenSubMenu(window, reinterpret_cast<MenuItemControl*>(wParam));
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_DOWN || wParam == VK_UP) {
        MoveKeyboardHover(window, wParam == VK_DOWN ? 1 : -1);
        return 0;
      }
      if (wParam == VK_RIGHT) {
        WindowHost* host = host_of_window(window);
        Control* focused = host ? host->Focused() : nullptr;
        if (focused && focused->Type() == kMenuItemControlType) {
          PostMessageW(window, kMenuOpenSubMenu, reinterpret_cast<WPARAM>(focused), 0);
        }
        return 0;
      }
      if (wParam == VK_LEFT) {
        if (MenuSession* session = MenuSessionOf(window); session && session->isSubMenu) {
          PostMessageW(window, WM_CLOSE, 0, 0);
        }
        return 0;
      }
      break;
    default:
      break;
  }
  return popup_message_hook(window, message, wParam, lParam);
}
