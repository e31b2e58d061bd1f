// The skinned pop-up menu: layout and placement as plain functions, and real menu windows
// driven with queued mouse and key messages while their modal loop runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>

#include "MenuDriving.h"
#include "ui/core/DisplayScale.h"
#include "ui/dialogs/EditContextMenu.h"
#include "ui/dialogs/MenuPainter.h"
#include "ui/gfx/Text.h"

using namespace menu_testing;
using toolkit_testing::HostedWindow;
using toolkit_testing::RecordingControl;

namespace {

MenuItemRecord Item(int kind, int state = 0, const wchar_t* text = L"item") {
  MenuItemRecord item;
  item.kind = kind;
  item.state = state;
  item.text = text;
  return item;
}

TEST(MenuLayout, SizeAndHitTestFollowTheShownItems) {
  const MenuTextMeasure tenPerChar = [](const std::wstring& t) { return static_cast<int>(t.size()) * 10; };
  struct Case {
    const char* name;
    std::vector<MenuItemRecord> items;
    int fixedWidth;
    SIZE expected;
  } cases[] = {
      {"separators only", {Item(1), Item(1), Item(1)}, 0, {50, 3 * 3 + 16}},
      {"separators and a sub-menu", {Item(1), Item(2, 0, L"")}, 0, {65, 3 + 22 + 16}},
      {"widest text + 50", {Item(0, 0, L"abc"), Item(0, 0, L"abcdefgh"), Item(1)}, 0, {130, 22 + 22 + 3 + 16}},
      {"hidden items take no room", {Item(0, 0, L"ab"), Item(0, 5, L"abcdefghijklmnop")}, 0, {70, 22 + 16}},
      {"greyed items do", {Item(0, -1, L"abcdef")}, 0, {110, 22 + 16}},
      {"fixed width below 50", {Item(0)}, 10, {50, 38}},
      {"fixed width", {Item(0, 0, L"very long text indeed")}, 120, {120, 38}},
      {"no items", {}, 0, {50, 16}},
  };
  for (const Case& c : cases) {
    const SIZE size = MenuSize(c.items, c.fixedWidth, tenPerChar);
    EXPECT_EQ(size.cx, c.expected.cx) << c.name;
    EXPECT_EQ(size.cy, c.expected.cy) << c.name;
  }

  // command, hidden, separator, greyed, sub-menu: rows at y 8, 30 (separator 3 high), 33, 55.
  const std::vector<MenuItemRecord> items = {Item(0), Item(0, 5), Item(1), Item(0, -1), Item(2)};
  struct Hit {
    POINT point;
    int position;
    bool choosable;
  } hits[] = {
      {{20, 8}, 1, true},   {{20, 29}, 1, true},  {{40, 31}, 3, false}, {{20, 40}, 4, false},
      {{91, 60}, 5, true},  {{92, 60}, 0, false}, {{7, 20}, 0, false},  {{20, 77}, 0, false},
      {{20, 5}, 0, false},
  };
  for (const Hit& h : hits) {
    const int position = MenuItemAt(items, 100, h.point);
    EXPECT_EQ(position, h.position) << h.point.x << "," << h.point.y;
    if (position) {
      EXPECT_EQ(MenuItemChoosable(items[static_cast<size_t>(position - 1)]), h.choosable);
    }
  }
}

TEST(MenuLayout, PlacementFlipsAtTheWorkAreaEdges) {
  const RECT work{0, 0, 800, 600};
  const SIZE size{120, 100};
  struct Case {
    const char* name;
    POINT at;
    MenuPlacement expected;
  } cases[] = {
      {"middle", {300, 200}, {300, 200, false, false}},
      {"touching the right edge", {685, 200}, {685, 200, false, false}},
      {"past the right edge", {686, 200}, {566, 200, true, false}},
      {"near the bottom", {300, 550}, {300, 450, false, true}},
      {"bottom right corner", {790, 590}, {670, 490, true, true}},
  };
  for (const Case& c : cases) {
    const MenuPlacement p = PlaceMenu(c.at, size, work);
    EXPECT_EQ(p.x, c.expected.x) << c.name;
    EXPECT_EQ(p.y, c.expected.y) << c.name;
    EXPECT_EQ(p.openedLeft, c.expected.openedLeft) << c.name;
    EXPECT_EQ(p.openedUp, c.expected.openedUp) << c.name;
  }
  // Wider than the work area: flipped, then kept on it.
  EXPECT_EQ(PlaceMenu({100, 0}, {900, 50}, work).x, 0);

  // Sub-menus: beside the parent window, first item level with the opener.
  const RECT item{108, 130, 292, 152};
  const MenuPlacement right = PlaceSubMenu({100, 100, 300, 250}, item, size, work);
  EXPECT_EQ(right.x, 291);
  EXPECT_EQ(right.y, 122);
  EXPECT_FALSE(right.openedLeft);
  const MenuPlacement left = PlaceSubMenu({600, 100, 780, 250}, {608, 550, 772, 572}, size, work);
  EXPECT_EQ(left.x, 600 - 120 + 9);
  EXPECT_TRUE(left.openedLeft);
  EXPECT_TRUE(left.openedUp);
  EXPECT_EQ(left.y, 572 + 8 - 100);
}

TEST(MenuLayout, HoverLookAndMnemonics) {
  struct Colour {
    Gdiplus::ARGB highlight, text;
  } colours[] = {
      {0xE1000000, 0xFEFFFFFF}, {0xE1FFFFFF, 0xE6000000}, {0xE1C0C0C0, 0xE6000000}, {0xE1BFBFBF, 0xFEFFFFFF},
      {0xE100FF00, 0xFEFFFFFF}, {0xE1FFFF00, 0xE6000000},
  };
  for (const Colour& c : colours) EXPECT_EQ(MenuHoverTextColour(c.highlight), c.text) << std::hex << c.highlight;
  MenuItemRecord own = Item(0);
  EXPECT_EQ(MenuHoverColour(own, RGB(0x10, 0x20, 0x30)), 0xE1102030u);
  own.hoverColour = 0xFF123456;
  EXPECT_EQ(MenuHoverColour(own, RGB(0x10, 0x20, 0x30)), 0xFF123456u);

  struct Key {
    const wchar_t* text;
    int key;
  } keys[] = {{L"\x526a\x5207(&T)", 'T'}, {L"&copy", 'C'}, {L"a&&b", 0}, {L"a&&&b", 'B'}, {L"trailing&", 0}, {L"", 0}};
  for (const Key& k : keys) EXPECT_EQ(MenuMnemonicKey(k.text), k.key);
}

// --- real menu windows ---

// Records the WM_COMMANDs that reach it and whether a menu window was still there at the time.
class CommandTarget : public RecordingControl {
 public:
  LRESULT MessageProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_COMMAND) menuAliveAtCommand = menuAliveAtCommand || AnyMenuAlive();
    return RecordingControl::MessageProc(message, wParam, lParam);
  }
  static bool AnyMenuAlive() {
    for (HWND w : CreatedWindows()) {
      if (IsWindow(w)) return true;
    }
    return false;
  }
  bool menuAliveAtCommand = false;
};

int gHandlerCalls = 0;
bool gMenuAliveAtHandler = false;
std::intptr_t CountingHandler(std::intptr_t a1, std::intptr_t a2) {
  ++gHandlerCalls;
  gMenuAliveAtHandler = gMenuAliveAtHandler || CommandTarget::AnyMenuAlive() || a1 != 0 || a2 != 0;
  return 0;
}

class MenuWindows : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(owner.attached, 1);
    owner.Show();
    SetForegroundWindow(owner.window);
    ASSERT_TRUE(target.CreateAt(owner.window, 20, 20, 100, 40));
    PointAtTarget();
    CreatedWindows().clear();
    OnCreated() = nullptr;
    gHandlerCalls = 0;
    gMenuAliveAtHandler = false;
    menu.SetCreated(CreatedTrampoline);
    safety = ArmSafetyNet();
  }
  void TearDown() override {
    KillTimer(nullptr, safety);
    OnCreated() = nullptr;
    Pump();
  }
  // The menu focuses the control under the mouse in its owner when it opens.
  void PointAtTarget() const {
    const POINT over = OwnerPoint(60, 40);
    SetCursorPos(over.x, over.y);
  }
  POINT OwnerPoint(int x, int y) const {
    POINT p{x, y};
    ClientToScreen(owner.window, &p);
    return p;
  }

  HostedWindow owner;
  CommandTarget target;
  PopupMenu menu;
  UINT_PTR safety = 0;
};

TEST_F(MenuWindows, ClickingAnItemDeliversItOnceAfterTheMenuIsGone) {
  struct Case {
    const char* name;
    int flag, state, kind;
    int commands, handlerCalls;
    bool chosen;
  } cases[] = {
      {"command item", kDeliverCommand, kMenuItemNormal, kMenuCommand, 1, 0, true},
      {"handler item", kDeliverHandler, kMenuItemNormal, kMenuCommand, 0, 1, true},
      {"available state 1", kDeliverCommand, 1, kMenuCommand, 1, 0, true},
      {"greyed command item", kDeliverCommand, kMenuItemGreyed, kMenuCommand, 0, 0, false},
      {"greyed handler item", kDeliverHandler, kMenuItemGreyed, kMenuCommand, 0, 0, false},
      {"separator", kDeliverCommand, kMenuItemNormal, kMenuSeparator, 0, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    target.received.clear();
    target.menuAliveAtCommand = false;
    gHandlerCalls = 0;
    menu.clear();
    menu.add_item("first", {}, 0, kMenuCommand, kDeliverCommand, 0x101);
    const std::intptr_t id = c.flag == kDeliverHandler ? reinterpret_cast<std::intptr_t>(&CountingHandler) : 0x202;
    menu.add_item("second", {}, c.state, c.kind, c.flag, id);
    menu.add_item("third", {}, 0, kMenuCommand, kDeliverCommand, 0x303);
    PointAtTarget();
    OnCreated() = [&](HWND window, int) {
      QueueClick(window, ItemCentre(menu, window, 2));
      QueueKey(window, VK_ESCAPE);  // closes the menu when the click chose nothing
    };
    const POINT at = OwnerPoint(150, 20);
    EXPECT_EQ(menu.popup_at(owner.window, at.x, at.y), c.chosen);
    ASSERT_EQ(CreatedWindows().size(), 1u);
    EXPECT_FALSE(IsWindow(CreatedWindows().back()));
    EXPECT_EQ(target.Count(WM_COMMAND), c.commands);
    EXPECT_EQ(gHandlerCalls, c.handlerCalls);
    EXPECT_FALSE(target.menuAliveAtCommand);
    EXPECT_FALSE(gMenuAliveAtHandler);
    for (const auto& r : target.received) {
      if (r.message != WM_COMMAND) continue;
      EXPECT_EQ(r.wParam, 0x202u);
      EXPECT_EQ(r.lParam, reinterpret_cast<LPARAM>(&target));  // the control under the mouse
    }
    EXPECT_EQ(owner.host->Focused(), &target);
    CreatedWindows().clear();
  }
}

UINT_PTR gDeactivateTimer = 0;
HWND gActivateOnTimer = nullptr;
void CALLBACK ActivateOther(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  SetForegroundWindow(gActivateOnTimer);
}

TEST_F(MenuWindows, ClosingWithoutChoosingDeliversNothing) {
  HostedWindow other;
  other.Show();
  struct Case {
    const char* name;
    int items;  // 0: empty menu, -1: only hidden items
    std::function<void(HWND)> drive;
    bool windowCreated;
    bool quitLeftQueued;
  } cases[] = {
      {"escape", 2, [](HWND w) { QueueKey(w, VK_ESCAPE); }, true, false},
      {"another window activated", 2,
       [&](HWND) {
         gActivateOnTimer = other.window;
         gDeactivateTimer = SetTimer(nullptr, 0, 150, ActivateOther);
       },
       true, false},
      {"application quitting", 2, [](HWND) { PostQuitMessage(7); }, true, true},
      {"no items", 0, nullptr, false, false},
      {"only hidden items", -1, nullptr, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    target.received.clear();
    menu.clear();
    if (c.items > 0) {
      menu.add_item("one", {}, 0, kMenuCommand, kDeliverCommand, 1);
      menu.add_item("two", {}, 0, kMenuCommand, kDeliverHandler, reinterpret_cast<std::intptr_t>(&CountingHandler));
    } else if (c.items < 0) {
      menu.add_item("hidden", {}, kMenuItemHidden, kMenuCommand, kDeliverCommand, 1);
    }
    OnCreated() = [&](HWND window, int) {
      if (c.drive) c.drive(window);
    };
    KillTimer(nullptr, safety);
    safety = ArmSafetyNet();
    SafetyNetClosings() = 0;
    EXPECT_FALSE(menu.popup(owner.window));
    EXPECT_EQ(SafetyNetClosings(), 0) << "the case's own action did not close the menu";
    EXPECT_EQ(CreatedWindows().size(), c.windowCreated ? 1u : 0u);
    for (HWND w : CreatedWindows()) EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(target.Count(WM_COMMAND), 0);
    EXPECT_EQ(gHandlerCalls, 0);
    MSG quit{};
    const bool quitQueued = PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
    EXPECT_EQ(quitQueued, c.quitLeftQueued);
    if (quitQueued) {
      EXPECT_EQ(quit.wParam, 7u);
    }
    CreatedWindows().clear();
    SetForegroundWindow(owner.window);
    Pump();
  }
}

TEST_F(MenuWindows, OpensToTheLeftAndUpwardsAtTheWorkAreaEdges) {
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  menu.add_item("\xb5\xda\xd2\xbb\xcf\xee", {}, 0, kMenuCommand, kDeliverCommand, 1);
  menu.add_item("\xb5\xda\xb6\xfe\xcf\xee", {}, 0, kMenuCommand, kDeliverCommand, 2);
  struct Case {
    const char* name;
    POINT at;
    bool left, up;
  } cases[] = {
      {"middle", {work.right / 2, work.bottom / 2}, false, false},
      {"right edge", {work.right - 10, work.bottom / 2}, true, false},
      {"bottom edge", {work.right / 2, work.bottom - 10}, false, true},
      {"bottom right corner", {work.right - 10, work.bottom - 10}, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RECT shown{};
    OnCreated() = [&](HWND window, int) {
      GetWindowRect(window, &shown);
      QueueKey(window, VK_ESCAPE);
    };
    menu.popup_at(owner.window, c.at.x, c.at.y);
    EXPECT_EQ(shown.bottom - shown.top, 2 * 22 + 16);
    EXPECT_EQ(c.left ? shown.right : shown.left, c.at.x);
    EXPECT_EQ(c.up ? shown.bottom : shown.top, c.at.y);
    EXPECT_LE(shown.right, work.right);
    EXPECT_LE(shown.bottom, work.bottom);
  }
}

UINT_PTR gLaterTimer = 0;
std::function<void()> gLater;
void CALLBACK RunLater(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  if (gLater) gLater();
}

TEST_F(MenuWindows, HoveringASubMenuItemOpensItsMenuAfterHalfASecond) {
  // QUARVEL_MENU_HOLD_MS keeps both menus open that long (to look at them).
  const char* hold = std::getenv("QUARVEL_MENU_HOLD_MS");
  const UINT holdMs = hold ? static_cast<UINT>(std::atoi(hold)) : 0;
  PopupMenu more;
  more.add_item("\xd7\xd3\xcf\xee\xd2\xbb", {}, 0, kMenuCommand, kDeliverCommand, 0x301);  // 子项一
  more.add_item("\xd7\xd3\xcf\xee\xb6\xfe", {}, 0, kMenuCommand, kDeliverCommand, 0x302);  // 子项二
  more.SetCreated(CreatedTrampoline);
  menu.add_item("\xb8\xb4\xd6\xc6\xb4\xc5\xc1\xa6\xc1\xb4\xbd\xd3(&C)", {}, 0, kMenuCommand, kDeliverCommand, 1);  // 复制磁力链接
  menu.add_item("\xd4\xc6\xb5\xe3\xb2\xa5", {}, kMenuItemGreyed, kMenuCommand, kDeliverCommand, 2);  // 云点播, greyed
  menu.AddSeparator();
  menu.AddSubMenu("\xb8\xfc\xb6\xe0\xcf\xc2\xd4\xd8", &more);  // 更多下载

  DWORD hovered = 0, opened = 0;
  HWND root = nullptr, sub = nullptr;
  HWND subHostProperty = nullptr, rootSubProperty = nullptr;
  OnCreated() = [&](HWND window, int subMenu) {
    if (!subMenu) {
      root = window;
      hovered = GetTickCount();
      QueueHover(window, ItemCentre(menu, window, 4));
      return;
    }
    opened = GetTickCount();
    sub = window;
    subHostProperty = static_cast<HWND>(GetPropW(window, kPropMenuHost));
    rootSubProperty = static_cast<HWND>(GetPropW(root, kPropMenuSub));
    gLater = [&] { QueueClick(sub, ItemCentre(more, sub, 2)); };
    gLaterTimer = SetTimer(nullptr, 0, std::max<UINT>(100, holdMs), RunLater);
  };
  if (holdMs) KillTimer(nullptr, safety);
  const POINT at = OwnerPoint(120, 10);
  EXPECT_TRUE(menu.popup_at(owner.window, at.x, at.y));
  ASSERT_TRUE(sub);
  EXPECT_GE(opened - hovered, 450u);
  EXPECT_EQ(subHostProperty, root);
  EXPECT_EQ(rootSubProperty, sub);
  EXPECT_FALSE(IsWindow(root));
  EXPECT_FALSE(IsWindow(sub));
  ASSERT_EQ(target.Count(WM_COMMAND), 1);
  for (const auto& r : target.received) {
    if (r.message == WM_COMMAND) {
      EXPECT_EQ(r.wParam, 0x302u);
    }
  }
  gLater = nullptr;
}

TEST(EditContextMenuBuild, FiveItemsDeliveredAsLetterKeyCommands) {
  BuildEditContextMenu();
  EditMenu* installed = InstalledEditContextMenu();
  ASSERT_NE(installed, nullptr);
  BuildEditContextMenu();
  EXPECT_EQ(InstalledEditContextMenu(), installed);  // built once
  auto* editMenu = dynamic_cast<EditContextMenu*>(installed);
  ASSERT_NE(editMenu, nullptr);
  PopupMenu& menu = editMenu->Menu();
  struct Row {
    const char* text;
    int kind;
    std::intptr_t id;
  } rows[] = {
      {"\xb3\xb7\xcf\xfa(&U)", kMenuCommand, 0x5A},
      {"", kMenuSeparator, 0},
      {"\xbc\xf4\xc7\xd0(&T)", kMenuCommand, 0x58},
      {"\xb8\xb4\xd6\xc6(&C)", kMenuCommand, 0x43},
      {"\xd5\xb3\xcc\xf9(&P)", kMenuCommand, 0x56},
      {"", kMenuSeparator, 0},
      {"\xc8\xab\xb2\xbf\xd1\xa1\xd4\xf1(&A)", kMenuCommand, 0x41},
  };
  ASSERT_EQ(menu.ItemCount(), 7);
  for (int i = 0; i < 7; ++i) {
    const MenuItemRecord* item = menu.Item(i + 1);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(gfx::narrow_text(item->text), rows[i].text) << i;
    EXPECT_EQ(item->kind, rows[i].kind) << i;
    EXPECT_EQ(item->id, rows[i].id) << i;
    if (item->kind == kMenuCommand) {
      EXPECT_EQ(item->flag, kDeliverCommand) << i;
    }
  }
  editMenu->SetItemState(kEditMenuCopyItem, kEditItemGreyed);
  EXPECT_EQ(menu.item_state(kEditMenuCopyItem), kEditItemGreyed);
  editMenu->SetItemState(kEditMenuCopyItem, kEditItemAvailable);
  EXPECT_EQ(menu.item_state(kEditMenuCopyItem), kEditItemAvailable);
  editMenu->SetItemState(9, kEditItemGreyed);  // outside the list: nothing changes
  EXPECT_EQ(menu.item_state(9), 0);
  EXPECT_EQ(menu.item_state(0, 5), 0);
  EXPECT_EQ(menu.ItemCount(), 7);
}

}  // namespace

// The menu's border at every display scale: along the middle row and the middle column from the
// outer edge inwards, each of the four shadow rings (alpha 5, 15, 35, then the dark 125, which
// may lie over the body's first pixel) is one solid line of whole device pixels, the display's
// scale rounded; no pixel holds a ring split across two.
TEST(MenuSurface, TheBorderIsOneSolidLineAtEveryScale) {
  namespace gdip = Gdiplus::DllExports;
  for (int dpi : {96, 120, 144, 192}) {
    SCOPED_TRACE(dpi);
    const float scale = dpi / 96.0f;
    const int width = static_cast<int>(std::ceil(120 * scale)), height = static_cast<int>(std::ceil(90 * scale));
    gfx::BitmapPtr bitmap;
    gfx::GraphicsPtr graphics;
    ASSERT_EQ(gdip::GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr, bitmap.Put()),
              Gdiplus::Ok);
    ASSERT_EQ(gdip::GdipGetImageGraphicsContext(bitmap.Get(), graphics.Put()), Gdiplus::Ok);
    gdip::GdipSetSmoothingMode(graphics.Get(), Gdiplus::SmoothingModeAntiAlias);
    ui::ScaleGraphics(graphics.Get(), dpi);
    PaintMenuSurface(graphics.Get(), 120, 90, -1);
    const auto alpha = [&](int x, int y) {
      Gdiplus::ARGB colour = 0;
      gdip::GdipBitmapGetPixel(bitmap.Get(), x, y, &colour);
      return static_cast<int>(colour >> 24);
    };
    const int line = std::max(1, static_cast<int>(std::lround(scale)));
    const int bodyEdge = static_cast<int>(std::floor(6 * scale + 0.5f));
    struct Walk {
      const char* name;
      std::function<int(int)> at;  // alpha at a distance from the outer edge
    } walks[] = {{"left", [&](int i) { return alpha(i, height / 2); }},
                 {"top", [&](int i) { return alpha(width / 2, i); }},
                 {"right", [&](int i) { return alpha(width - 1 - i, height / 2); }},
                 {"bottom", [&](int i) { return alpha(width / 2, height - 1 - i); }}};
    for (const Walk& walk : walks) {
      SCOPED_TRACE(walk.name);
      const auto within = [](int a, int b) { return std::abs(a - b) <= 3; };
      int rings[4] = {}, split = 0;
      const int kRings[4] = {5, 15, 35, 125};
      for (int i = 0; i <= bodyEdge; ++i) {
        const int a = walk.at(i);
        bool known = a == 0 || within(a, 234);
        for (int r = 0; r < 4; ++r) {
          if (within(a, kRings[r]) || (r == 3 && within(a, 244))) ++rings[r], known = true;
        }
        split += !known;
      }
      for (int r = 0; r < 4; ++r) EXPECT_EQ(rings[r], line) << "ring of alpha " << kRings[r];
      EXPECT_EQ(split, 0) << "a ring split across pixels";
    }
  }
}
