// The list from the keyboard: the key decisions as plain functions, then a hosted list taking
// the keys from its window as a user's presses reach it.
#include <windows.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/HostedControls.h"
#include "ui/controls/ListKeys.h"
#include "ui/controls/ListView.h"
#include "ui/core/AccessibleInfo.h"
#include "ui/core/DisplayScale.h"
#include "WinEventLog.h"

using namespace controls_testing;
using list_keys::KeyAction;

namespace {

TEST(ListKeys, ActionsOfKeysAndModifiers) {
  struct Case {
    WPARAM key;
    bool ctrl, shift, alt;
    KeyAction action;
  } cases[] = {
      {VK_DOWN, false, false, false, KeyAction::Move},   {VK_UP, true, false, false, KeyAction::Focus},
      {VK_NEXT, false, true, false, KeyAction::Extend},  {VK_HOME, false, false, false, KeyAction::Move},
      {VK_END, true, true, false, KeyAction::Extend},    {VK_PRIOR, true, false, false, KeyAction::Focus},
      {VK_SPACE, true, false, false, KeyAction::Toggle}, {VK_SPACE, true, true, false, KeyAction::None},
      {'A', true, false, false, KeyAction::SelectAll},   {'A', false, false, false, KeyAction::None},
      {'A', true, false, true, KeyAction::None},         {'A', true, true, false, KeyAction::None},
      {VK_END, false, false, true, KeyAction::None},     // Alt: the window's
      {VK_APPS, false, false, false, KeyAction::Menu},   {VK_F10, false, true, false, KeyAction::Menu},
      {VK_F10, false, false, false, KeyAction::None},    // the menu bar's
      {VK_F10, true, true, false, KeyAction::None},      {'C', true, false, false, KeyAction::Copy},
      {'C', false, false, false, KeyAction::None},       {'C', true, true, false, KeyAction::None},
      {VK_TAB, false, false, false, KeyAction::None},    {VK_SPACE, false, false, false, KeyAction::None},
      {VK_RETURN, false, false, false, KeyAction::None}, {VK_LEFT, false, false, false, KeyAction::None},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(list_keys::ActionOf(c.key, c.ctrl, c.shift, c.alt), c.action)
        << "key " << c.key << " ctrl " << c.ctrl << " shift " << c.shift << " alt " << c.alt;
  }
}

TEST(ListKeys, RowAfterAKey) {
  struct Case {
    WPARAM key;
    int current, count, page, row;
  } cases[] = {
      {VK_DOWN, 3, 10, 4, 4},   {VK_DOWN, 10, 10, 4, 10}, {VK_UP, 3, 10, 4, 2},    {VK_UP, 1, 10, 4, 1},
      {VK_NEXT, 3, 10, 4, 7},   {VK_NEXT, 8, 10, 4, 10},  {VK_PRIOR, 7, 10, 4, 3}, {VK_PRIOR, 2, 10, 4, 1},
      {VK_HOME, 6, 10, 4, 1},   {VK_END, 6, 10, 4, 10},   {VK_NEXT, 3, 10, 0, 4},  // a page is at least a row
      {VK_DOWN, 0, 10, 4, 1},   {VK_UP, 0, 10, 4, 1},     {VK_NEXT, 0, 10, 4, 1},  {VK_END, 0, 10, 4, 10},
      {VK_DOWN, 40, 10, 4, 1},  // a current row past the end counts as none
      {VK_DOWN, 0, 0, 4, 0},    {VK_END, 0, 0, 4, 0},     {VK_HOME, 0, -3, 4, 0},  // no rows
      {VK_LEFT, 3, 10, 4, 0},   {VK_APPS, 3, 10, 4, 0},   {VK_NEXT, 1, 1, 4, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(list_keys::RowAfterKey(c.key, c.current, c.count, c.page), c.row)
        << "key " << c.key << " from " << c.current << " of " << c.count << " page " << c.page;
  }
  struct Page {
    int view, row, rows;
  } pages[] = {{260, 22, 11}, {264, 22, 12}, {21, 22, 1}, {0, 22, 1}, {100, 0, 1}, {-5, 22, 1}};
  for (const Page& p : pages) EXPECT_EQ(list_keys::RowsPerPage(p.view, p.row), p.rows) << p.view << "/" << p.row;
}

TEST(ListKeys, MenuPointIsBelowTheRowInScreenPixels) {
  struct Case {
    float left, bottom;
    int dpi;
    POINT origin, at;
  } cases[] = {
      {15, 129, 96, {100, 200}, {115, 329}},
      {15, 129, 144, {100, 200}, {123, 394}},  // 22.5 and 193.5 round up
      {15, 129, 192, {-700, 0}, {-670, 258}},
      {14.6f, 128.4f, 96, {0, 0}, {15, 128}},
  };
  for (const Case& c : cases) {
    const POINT at = list_keys::MenuPoint(c.left, c.bottom, c.dpi, c.origin);
    EXPECT_EQ(std::make_pair(at.x, at.y), std::make_pair(c.at.x, c.at.y)) << c.left << "," << c.bottom << " @" << c.dpi;
  }
}

// What the list handed its owner.
std::vector<int> gCurrentChanges;
std::vector<POINT> gMenus;
int gCopies = 0;

using winevent_log::Event;
using winevent_log::gEvents;
using winevent_log::Record;

// A 400 x 300 window at (50, 50) with a report list at (10, 10, 380, 260) that has the focus
// from the keyboard.
struct KeyFixture {
  HostedWindow window{HostedWindow::Frame(0)};
  ListView list;

  explicit KeyFixture(int rows) {
    gCurrentChanges.clear();
    gMenus.clear();
    gCopies = 0;
    window.Show();
    list.Create(window.window, 10, 10, 380, 260);
    for (int width : {60, 150, 100}) list.InsertColumn(0, "C", width);
    for (int i = 1; i <= rows; ++i) list.AddRow({std::to_string(i), "row " + std::to_string(i)}, i);
    list.SetOnCurrentChanged([](LPARAM, LPARAM row, LPARAM, LPARAM, LPARAM) -> LRESULT {
      gCurrentChanges.push_back(static_cast<int>(row));
      return 0;
    });
    list.AddEventHandler(WM_CONTEXTMENU, [](LPARAM, LPARAM, LPARAM, LPARAM place, LPARAM) -> LRESULT {
      gMenus.push_back(POINT{static_cast<short>(LOWORD(place)), static_cast<short>(HIWORD(place))});
      return 0;
    });
    list.AddEventHandler(WM_COPY, [](LPARAM, LPARAM, LPARAM, LPARAM, LPARAM) -> LRESULT {
      ++gCopies;
      return 0;
    });
    Pump();
    window.host->set_focus(&list, true);
    Pump();
  }
  // The key going down with these modifiers held (as the thread's key state reads them).
  LRESULT Press(WPARAM key, bool ctrl = false, bool shift = false, UINT message = WM_KEYDOWN, LPARAM lParam = 0) {
    BYTE state[256] = {};
    GetKeyboardState(state);
    BYTE held[256];
    std::copy(state, state + 256, held);
    held[VK_CONTROL] = ctrl ? 0x80 : 0;
    held[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(held);
    const LRESULT answer = list.SendControlMessage(message, key, lParam);
    window.Send(message, key, lParam);  // and through the window, as the host routes it
    SetKeyboardState(state);
    Pump();
    return answer;
  }
  // The row's place in the window's client area.
  Gdiplus::RectF Place(int row) { return list.AccessibleItemBounds(row); }
  float RowsBottom() { return list.BoundsRef().Y + list.ViewRect().Y + list.RowsClip().Height; }
  float RowsTop() { return list.BoundsRef().Y + list.ViewRect().Y; }
  bool WholeInView(int row) {
    const Gdiplus::RectF r = Place(row);
    return r.Height > 0 && r.Y >= RowsTop() && r.Y + r.Height <= RowsBottom();
  }
};

TEST(ListKeys, KeysMoveTheCurrentRowKeepItInViewAndAnnounceIt) {
  KeyFixture f(100);
  ASSERT_EQ(f.window.host->Input().KeyboardCue(), &f.list);
  // A page is the rows that show whole: the first page's last row shows whole, the next does not.
  int page = 1;
  while (f.WholeInView(page + 1)) ++page;
  ASSERT_GT(page, 3);
  EXPECT_FALSE(f.WholeInView(page + 1));

  HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, Record,
                                       GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
  ASSERT_NE(hook, nullptr);
  struct Step {
    WPARAM key;
    int row;
  } steps[] = {{VK_DOWN, 1},        {VK_DOWN, 2},  {VK_UP, 1},          {VK_UP, 1},           {VK_END, 100},
               {VK_HOME, 1},        {VK_NEXT, 1 + page}, {VK_NEXT, 1 + 2 * page}, {VK_PRIOR, 1 + page},
               {VK_END, 100},       {VK_DOWN, 100}, {VK_PRIOR, 100 - page}};
  int previous = 0;
  for (const Step& s : steps) {
    gCurrentChanges.clear();
    gEvents.clear();
    // Sent to the list only: the host's routing is checked below.
    EXPECT_EQ(f.list.SendControlMessage(WM_KEYDOWN, s.key, 0), 0);
    Pump();
    EXPECT_EQ(f.list.CurrentRow(), s.row) << "key " << s.key;
    EXPECT_EQ(f.list.RowState(s.row), kRowSelected);
    if (previous && previous != s.row) {
      EXPECT_EQ(f.list.RowState(previous), kRowNormal);
    }
    EXPECT_TRUE(f.WholeInView(s.row)) << "row " << s.row << " kept in view";
    EXPECT_EQ(gCurrentChanges, s.row == previous ? std::vector<int>{} : std::vector<int>{s.row});
    if (s.row != previous) {
      const LONG id = AccessibleObjectId(&f.list);
      const bool announced = PumpUntil([&] {
        for (const Event& e : gEvents) {
          if (e.object == id && e.child == s.row) return true;
        }
        return false;
      }, 1000);
      EXPECT_TRUE(announced) << "focus event for row " << s.row;
    }
    previous = s.row;
  }
  UnhookWinEvent(hook);

  // Through the window: a key going up, Alt with a key and keys the list does not use leave
  // the row where it is.
  const int before = f.list.CurrentRow();
  f.window.Send(WM_KEYUP, VK_DOWN, 0);
  f.window.Send(WM_SYSKEYDOWN, VK_DOWN, 1 << 29);
  f.window.Send(WM_CHAR, VK_DOWN, 0);  // '(' typed
  EXPECT_EQ(f.list.SendControlMessage(WM_KEYDOWN, VK_LEFT, 0), -1);
  EXPECT_EQ(f.list.SendControlMessage(WM_KEYDOWN, VK_TAB, 0), -1) << "Tab moves the focus on";
  Pump();
  EXPECT_EQ(f.list.CurrentRow(), before);
  f.window.Send(WM_KEYDOWN, VK_HOME, 0);
  Pump();
  EXPECT_EQ(f.list.CurrentRow(), 1);
}

TEST(ListKeys, MenuAndCopyKeysReachTheOwnerAtTheCurrentRow) {
  KeyFixture f(100);
  f.Press(VK_DOWN);  // row 1 to the list directly, row 2 through the window
  f.Press(VK_DOWN);
  ASSERT_EQ(f.list.CurrentRow(), 4);
  // The wheel takes the row out of sight; the menu key brings it back and opens below it.
  for (int i = 0; i < 10; ++i) f.window.Send(WM_MOUSEWHEEL, MAKEWPARAM(0, -120), MAKELPARAM(200, 200));
  Pump();
  ASSERT_FALSE(f.WholeInView(4));
  POINT origin{0, 0};
  ClientToScreen(f.window.window, &origin);
  const int dpi = f.window.host->Dpi();
  struct Case {
    WPARAM key;
    bool ctrl, shift;
    UINT message;
    LPARAM lParam;
    int menus, copies;
  } cases[] = {
      {VK_APPS, false, false, WM_KEYDOWN, 0, 1, 0},       {VK_F10, false, true, WM_SYSKEYDOWN, 0, 1, 0},
      {VK_F10, false, true, WM_KEYDOWN, 0, 1, 0},         {VK_F10, false, false, WM_SYSKEYDOWN, 0, 0, 0},
      {VK_APPS, false, false, WM_SYSKEYDOWN, 1 << 29, 0, 0},  // Alt held
      {'C', true, false, WM_KEYDOWN, 0, 0, 1},            {'C', false, false, WM_KEYDOWN, 0, 0, 0},
      {VK_APPS, false, false, WM_KEYUP, 0, 0, 0},
  };
  for (const Case& c : cases) {
    gMenus.clear();
    gCopies = 0;
    f.Press(c.key, c.ctrl, c.shift, c.message, c.lParam);
    // Once sent to the list, once through the window.
    EXPECT_EQ(gMenus.size(), static_cast<size_t>(2 * c.menus)) << "key " << c.key << " message " << c.message;
    EXPECT_EQ(gCopies, 2 * c.copies) << "key " << c.key;
    if (!c.menus) continue;
    EXPECT_TRUE(f.WholeInView(4));
    const Gdiplus::RectF r = f.Place(4);
    const POINT want = list_keys::MenuPoint(r.X, r.Y + r.Height, dpi, origin);
    for (const POINT& at : gMenus) EXPECT_EQ(std::make_pair(at.x, at.y), std::make_pair(want.x, want.y));
    // At the left edge of the rows, below the row and inside the rows area.
    EXPECT_EQ(gMenus[0].x, origin.x + ui::ToDevice(static_cast<int>(f.list.BoundsRef().X + f.list.ViewRect().X), dpi));
    EXPECT_GT(gMenus[0].y, origin.y + ui::ToDevice(static_cast<int>(f.RowsTop()), dpi));
    EXPECT_LE(gMenus[0].y, origin.y + ui::ToDevice(static_cast<int>(f.RowsBottom()), dpi));
  }
  EXPECT_EQ(f.list.CurrentRow(), 4) << "the menu and copy keys leave the row where it is";
}

TEST(ListKeys, AListWithoutRowsTakesTheKeysAndDoesNothing) {
  KeyFixture f(0);
  for (WPARAM key : {VK_DOWN, VK_UP, VK_NEXT, VK_PRIOR, VK_HOME, VK_END, VK_APPS}) {
    EXPECT_EQ(f.Press(key), 0) << "key " << key;
  }
  EXPECT_EQ(f.Press('C', true), 0);
  EXPECT_EQ(f.Press(VK_F10, false, true, WM_SYSKEYDOWN), 0);
  EXPECT_EQ(f.list.CurrentRow(), 0);
  EXPECT_TRUE(gCurrentChanges.empty());
  EXPECT_TRUE(gMenus.empty());
  EXPECT_EQ(gCopies, 0);
  EXPECT_EQ(f.window.host->Focused(), &f.list);
}

// A multi-selection list from the mouse and the keyboard, step by step: what is current, what
// is selected, and what assistive technology hears.
TEST(ListKeys, MultiSelectionByMouseAndKeys) {
  KeyFixture f(30);
  f.list.SingleSelection(false);
  Pump();
  enum Input { Left, Right, Key };
  struct Step {
    Input input;
    WPARAM what;  // the row pressed, or the key
    bool ctrl, shift;
    int current;
    std::vector<int> selected;
  } steps[] = {
      {Left, 2, false, false, 2, {2}},
      {Left, 4, false, true, 4, {2, 3, 4}},               // Shift: anchor..row
      {Left, 6, true, false, 6, {2, 3, 4, 6}},            // Ctrl toggles on, anchor moves to 6
      {Left, 7, false, true, 7, {6, 7}},                  // the range from the new anchor
      {Left, 9, true, true, 9, {6, 7, 8, 9}},             // Ctrl+Shift adds anchor..row
      {Left, 7, true, false, 7, {6, 8, 9}},               // Ctrl toggles off
      {Right, 8, false, false, 8, {6, 8, 9}},             // a right press in the selection keeps it
      {Right, 7, true, true, 7, {7}},                     // outside it: the row alone, no range
      {Key, VK_DOWN, true, false, 8, {7}},                // Ctrl moves the current row alone
      {Key, VK_DOWN, true, false, 9, {7}},
      {Key, VK_SPACE, true, false, 9, {7, 9}},            // Ctrl+Space toggles it
      {Key, VK_DOWN, false, true, 10, {9, 10}},           // Shift extends from the anchor (9)
      {Key, VK_UP, false, true, 9, {9}},
      {Key, VK_UP, false, true, 8, {8, 9}},
      {Key, VK_HOME, false, true, 1, {1, 2, 3, 4, 5, 6, 7, 8, 9}},
      {Key, VK_SPACE, true, false, 1, {2, 3, 4, 5, 6, 7, 8, 9}},
      {Key, VK_DOWN, false, false, 2, {2}},               // a plain key: the row alone
      {Key, 'A', true, false, 2, {}},                     // every row (filled in below)
      {Left, 5, false, false, 5, {5}},
      {Key, VK_SPACE, true, false, 5, {}},                // none selected, 5 still current
  };
  std::vector<int> all(30);
  for (int i = 0; i < 30; ++i) all[static_cast<size_t>(i)] = i + 1;
  int stepNumber = 0;
  for (const Step& s : steps) {
    ++stepNumber;
    if (s.input == Key) {
      BYTE state[256] = {};
      GetKeyboardState(state);
      BYTE held[256];
      std::copy(state, state + 256, held);
      held[VK_CONTROL] = s.ctrl ? 0x80 : 0;
      held[VK_SHIFT] = s.shift ? 0x80 : 0;
      SetKeyboardState(held);
      f.window.Send(WM_KEYDOWN, s.what, 0);
      SetKeyboardState(state);
    } else {
      const Gdiplus::RectF r = f.Place(static_cast<int>(s.what));
      ASSERT_TRUE(f.WholeInView(static_cast<int>(s.what))) << "a press outside the list would reach the window";
      const int x = static_cast<int>(r.X) + 30, y = static_cast<int>(r.Y + r.Height / 2);
      WPARAM flags = (s.input == Left ? MK_LBUTTON : MK_RBUTTON) | (s.ctrl ? MK_CONTROL : 0) | (s.shift ? MK_SHIFT : 0);
      f.window.Send(s.input == Left ? WM_LBUTTONDOWN : WM_RBUTTONDOWN, flags, x, y);
      f.window.Send(s.input == Left ? WM_LBUTTONUP : WM_RBUTTONUP, 0, x, y);
    }
    Pump();
    const std::vector<int>& want = s.input == Key && s.what == 'A' ? all : s.selected;
    EXPECT_EQ(f.list.CurrentRow(), s.current) << "step " << stepNumber;
    EXPECT_EQ(f.list.Selection(), want) << "step " << stepNumber;
    EXPECT_EQ(f.list.SelectionCount(), static_cast<int>(want.size())) << "step " << stepNumber;
    for (int row : {1, 5, 9, 11, 12, 20}) {
      const bool selected = std::find(want.begin(), want.end(), row) != want.end();
      EXPECT_EQ(f.list.RowState(row) == kRowSelected, selected) << "step " << stepNumber << " row " << row;
      EXPECT_EQ((f.list.DescribeItem(row).state & STATE_SYSTEM_SELECTED) != 0, selected)
          << "step " << stepNumber << " row " << row;
    }
    EXPECT_EQ(f.list.SelectedRowCopies().size(), want.size());
  }
  EXPECT_NE(f.list.Describe().state & STATE_SYSTEM_MULTISELECTABLE, 0);

  // A single-selection list takes the modified keys as plain ones.
  f.list.SingleSelection(true);
  f.list.CurrentRow(4);
  f.Press(VK_DOWN, true, false);
  EXPECT_EQ(f.list.CurrentRow(), 6) << "Ctrl+Down moves as Down (once to the list, once through the window)";
  f.Press('A', true);
  f.Press(VK_SPACE, true);
  EXPECT_EQ(f.list.Selection(), std::vector<int>{});
  EXPECT_EQ(f.list.SelectedRowCopies().size(), 1u) << "the current row";
  EXPECT_EQ(f.list.SelectedRowCopies()[0].data, 6u);
}

// What assistive technology hears: rows added to and removed from the selection one by one, and
// nothing for a selected or current row that rows sorted in above it only moved.
TEST(ListKeys, SelectionEventsNameTheRowsThatChanged) {
  KeyFixture f(20);
  f.list.SingleSelection(false);
  f.list.CurrentRow(5);
  Pump();
  HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_SELECTION, EVENT_OBJECT_SELECTIONWITHIN, nullptr, Record,
                                       GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
  ASSERT_NE(hook, nullptr);
  const LONG id = AccessibleObjectId(&f.list);
  auto heard = [&](DWORD event, LONG child) {
    return PumpUntil([&] {
      for (const Event& e : gEvents) {
        if (e.object == id && e.event == event && e.child == child) return true;
      }
      return false;
    }, 1000);
  };
  gEvents.clear();
  f.list.SelectRow(7);
  f.list.SelectRow(8);
  f.list.DeselectRow(5);
  f.list.SendControlMessage(TKM_LIST_PENDING, 0, 0);
  Pump();
  EXPECT_TRUE(heard(EVENT_OBJECT_SELECTIONADD, 7));
  EXPECT_TRUE(heard(EVENT_OBJECT_SELECTIONADD, 8));
  EXPECT_TRUE(heard(EVENT_OBJECT_SELECTIONREMOVE, 5));

  // Rows inserted above move the selected rows down: no selection event at all.
  gEvents.clear();
  f.list.InsertRow(1, "new");
  f.list.InsertRow(1, "new");
  f.list.SendControlMessage(TKM_LIST_PENDING, 0, 0);
  Pump();
  EXPECT_EQ(f.list.Selection(), (std::vector<int>{9, 10}));
  // Proof the list got past the insertions: a change after them is heard...
  f.list.SelectRow(1);
  f.list.SendControlMessage(TKM_LIST_PENDING, 0, 0);
  Pump();
  EXPECT_TRUE(heard(EVENT_OBJECT_SELECTIONADD, 1));
  // ...and nothing else was.
  for (const Event& e : gEvents) {
    if (e.object != id) continue;
    EXPECT_TRUE(e.event == EVENT_OBJECT_SELECTIONADD && e.child == 1) << "event " << e.event << " child " << e.child;
  }
  UnhookWinEvent(hook);
}

}  // namespace
