#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "support/FailingAllocations.h"
#include "support/HostedControls.h"
#include "ui/controls/ListView.h"

using namespace controls_testing;

namespace {

// Rows by the number in their second cell, then by data.
class ByNumber final : public ListRowOrder {
 public:
  explicit ByNumber(bool descending = false) : descending_(descending) {}
  bool Before(const ListRowView& a, const ListRowView& b) const override {
    const int x = std::stoi(a.texts[1]), y = std::stoi(b.texts[1]);
    if (x != y) return descending_ ? x > y : x < y;
    return a.data < b.data;
  }

 private:
  bool descending_;
};

// An order that answers with something other than a permutation.
class Broken final : public ListRowOrder {
 public:
  bool Before(const ListRowView&, const ListRowView&) const override { return false; }
  std::vector<size_t> Arrange(const std::vector<ListRowView>& rows) const override {
    return std::vector<size_t>(rows.size(), 0);
  }
};

struct OrderFixture {
  HostedWindow window{HostedWindow::Frame(0)};
  ListView list;

  OrderFixture() {
    window.Show();
    list.Create(window.window, 10, 10, 380, 260);
    for (int width : {60, 150, 0}) list.InsertColumn(0, "C", width);
  }
  int Add(int number, std::uintptr_t data) { return list.AddRow({"r" + std::to_string(data), std::to_string(number)}, data); }
  std::vector<std::uintptr_t> Datas() {
    std::vector<std::uintptr_t> datas;
    for (int row = 1; row <= list.RowCount(); ++row) datas.push_back(list.RowData(row));
    return datas;
  }
  // Every pixel of the rows canvas.
  std::vector<Gdiplus::ARGB> Canvas() {
    std::vector<Gdiplus::ARGB> pixels;
    UINT w = 0, h = 0;
    gfx::gdip::GdipGetImageWidth(list.RowsCanvas(), &w);
    gfx::gdip::GdipGetImageHeight(list.RowsCanvas(), &h);
    for (UINT y = 0; y < h; ++y) {
      for (UINT x = 0; x < std::min<UINT>(w, 120); ++x) pixels.push_back(ImagePixel(list.RowsCanvas(), x, y));
    }
    return pixels;
  }
  void ScrollToRow(int row) {
    list.SendControlMessage(TKM_LIST_SCROLL_TO, 0, (row - 1) * list.RowHeight());
    Pump();
  }
};

TEST(ListViewOrder, RowsMoveIntoTheOrderWithTheirStates) {
  OrderFixture f;
  const int keys[] = {5, 3, 9, 3, 1};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(f.Add(keys[i], i + 1), i + 1) << "no order: appended";
  f.list.SingleSelection(false);
  f.list.CurrentRow(3);  // current and selected
  f.list.SelectRow(2);
  f.list.SelectRow(5);
  Pump();

  struct Case {
    std::shared_ptr<const ListRowOrder> order;
    std::vector<std::uintptr_t> datas;  // rows in order, by their data
    int current;                        // the row of data 3
    std::vector<int> selected;          // the rows of data 2, 3 and 5, in row order
  } cases[] = {
      {std::make_shared<ByNumber>(), {5, 2, 4, 1, 3}, 5, {1, 2, 5}},
      {std::make_shared<ByNumber>(true), {3, 1, 2, 4, 5}, 1, {1, 3, 5}},
      {nullptr, {3, 1, 2, 4, 5}, 1, {1, 3, 5}},                            // stays as it is
      {std::make_shared<Broken>(), {3, 1, 2, 4, 5}, 1, {1, 3, 5}},         // not a permutation
      {std::make_shared<ByNumber>(), {5, 2, 4, 1, 3}, 5, {1, 2, 5}},
  };
  for (const Case& c : cases) {
    f.list.SetRowOrder(c.order);
    Pump();
    EXPECT_EQ(f.Datas(), c.datas);
    EXPECT_EQ(f.list.CurrentRow(), c.current);
    EXPECT_EQ(f.list.Selection(), c.selected);
    EXPECT_EQ(f.list.SelectionCount(), 3);
    for (int row = 1; row <= 5; ++row) {
      const bool marked = std::find(c.selected.begin(), c.selected.end(), row) != c.selected.end();
      EXPECT_EQ(f.list.IsRowSelected(row), marked) << row;
    }
  }

  // New rows go to their place, after their equals; the marks stay with their rows.
  f.list.SetRowOrder(std::make_shared<ByNumber>(true));
  EXPECT_EQ(f.Add(4, 6), 3);
  EXPECT_EQ(f.Add(3, 7), 6);
  EXPECT_EQ(f.Add(0, 8), 8);
  EXPECT_EQ(f.Datas(), (std::vector<std::uintptr_t>{3, 1, 6, 2, 4, 7, 5, 8}));
  EXPECT_EQ(f.list.RowData(f.list.CurrentRow()), 3u);
  EXPECT_EQ(f.list.Selection(), (std::vector<int>{1, 4, 7}));

  // The copies and the write by data find the rows wherever they are.
  const ListRowCopy current = f.list.CurrentRowCopy();
  EXPECT_EQ(current.row, 1);
  EXPECT_EQ(current.data, 3u);
  EXPECT_EQ(current.texts, (std::vector<std::string>{"r3", "9", ""}));
  EXPECT_TRUE(f.list.SetCellTextOfData(7, 3, "seven"));
  EXPECT_EQ(f.list.CellText(6, 3), "seven");
  EXPECT_FALSE(f.list.SetCellTextOfData(99, 3, "none"));
  EXPECT_FALSE(f.list.SetCellTextOfData(7, 4, "no column"));
  const std::vector<ListRowCopy> copies = f.list.RowCopies();
  ASSERT_EQ(copies.size(), 8u);
  EXPECT_EQ(copies[5].row, 6);
  EXPECT_EQ(copies[5].data, 7u);
  EXPECT_EQ(copies[5].texts[2], "seven");
  f.list.CurrentRow(0);
  EXPECT_EQ(f.list.CurrentRowCopy().row, 0);
}

TEST(ListViewOrder, RowsAddedAboveTheViewLeaveWhatTheUserSeesInPlace) {
  OrderFixture f;
  f.list.SetRowOrder(std::make_shared<ByNumber>());
  for (int i = 1; i <= 100; ++i) f.Add(i * 10, i);
  Pump();
  const int h = f.list.RowHeight();
  f.ScrollToRow(31);
  ASSERT_EQ(f.list.FirstVisibleRow(), 31);
  const std::string top = f.list.CellText(31, 2);

  struct Case {
    int number;
    int topRow;      // the row at the top of the view afterwards
    bool drawn;      // rows had to be drawn
  } cases[] = {
      {5, 32, false},       // above the view: the view moves down with its rows
      {295, 33, false},     // just above the top row
      {400, 33, true},      // inside the view: the rows below it move
      {5000, 33, false},    // below the view: only the scroll bar shows it
  };
  std::uintptr_t data = 1000;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.number);
    const long drawn = f.list.RowsDrawn();
    f.Add(c.number, ++data);
    Pump();
    EXPECT_EQ(f.list.FirstVisibleRow(), c.topRow);
    EXPECT_EQ(f.list.CellText(c.topRow, 2), top);
    EXPECT_EQ(f.list.ScrollOffsetY(), -(c.topRow - 1) * h);
    EXPECT_EQ(f.list.VerticalBar()->Position(), (c.topRow - 1) * h);
    EXPECT_EQ(f.list.RowsDrawn() > drawn, c.drawn);
    const std::vector<Gdiplus::ARGB> kept = f.Canvas();
    f.list.UpdateVisibleRows(false, true);
    EXPECT_TRUE(f.Canvas() == kept) << "the canvas shows what a full drawing shows";
  }

  // A worker's burst above the view while the UI thread draws and scrolls.
  std::atomic<bool> done{false};
  std::thread worker([&] {
    for (int i = 0; i < 200; ++i) f.Add(1 + i % 7, 2000 + i);
    done = true;
  });
  while (!done) Pump();
  worker.join();
  Pump();
  EXPECT_EQ(f.list.FirstVisibleRow(), 233);
  EXPECT_EQ(f.list.CellText(233, 2), top);
  const std::vector<Gdiplus::ARGB> kept = f.Canvas();
  f.list.UpdateVisibleRows(false, true);
  EXPECT_TRUE(f.Canvas() == kept);

  // At the top the new first row shows.
  f.ScrollToRow(1);
  f.Add(0, 3000);
  Pump();
  EXPECT_EQ(f.list.ScrollOffsetY(), 0);
  EXPECT_EQ(f.list.CellText(f.list.FirstVisibleRow(), 2), "0");
}

LPARAM gHeaderColumn = 0;
int gHeaderCalls = 0;
LRESULT OnHeader(LPARAM, LPARAM column, LPARAM, LPARAM, LPARAM) {
  gHeaderColumn = column;
  ++gHeaderCalls;
  return 0;
}

TEST(ListViewOrder, HeaderPressesReportTheirColumnAndTheArrowIsKept) {
  OrderFixture f;
  for (int i = 1; i <= 3; ++i) f.Add(i, i);
  f.list.SetOnHeaderClick(OnHeader);
  Pump();
  const Gdiplus::RectF header = f.list.HeaderRect();
  const int y = 10 + static_cast<int>(header.Y + header.Height / 2);
  const int left = 10 + static_cast<int>(header.X);
  struct Case {
    UINT message;
    int x, y;
    int calls;
    LPARAM column;
  } cases[] = {
      {WM_LBUTTONDOWN, left + 5, y, 1, 1},
      {WM_LBUTTONDOWN, left + 100, y, 1, 2},
      {WM_LBUTTONDOWN, left + 300, y, 0, 0},  // past the last shown column (the third is 0 wide)
      {WM_RBUTTONDOWN, left + 100, y, 0, 0},
      {WM_LBUTTONDOWN, left + 100, y + 30, 0, 0},  // a row
  };
  for (const Case& c : cases) {
    gHeaderCalls = 0;
    gHeaderColumn = 0;
    f.window.Send(WM_MOUSEMOVE, 0, c.x, c.y);
    f.window.Send(c.message, c.message == WM_LBUTTONDOWN ? MK_LBUTTON : MK_RBUTTON, c.x, c.y);
    f.window.Send(c.message + 1, 0, c.x, c.y);
    Pump();
    EXPECT_EQ(gHeaderCalls, c.calls) << c.x << "," << c.y;
    EXPECT_EQ(gHeaderColumn, c.column);
  }
  EXPECT_GT(f.list.CurrentRow(), 0) << "the press on a row chose it";

  struct Arrow {
    int column, direction;
    int shownColumn, shownDirection;
  } arrows[] = {
      {2, kSortAscending, 2, kSortAscending}, {1, kSortDescending, 1, kSortDescending},
      {4, kSortAscending, 0, kSortNone},      {2, 7, 0, kSortNone},
      {2, kSortDescending, 2, kSortDescending}, {0, kSortAscending, 0, kSortNone},
  };
  for (const Arrow& a : arrows) {
    f.list.SetSortIndicator(a.column, a.direction);
    Pump();
    EXPECT_EQ(f.list.SortIndicatorColumn(), a.shownColumn);
    EXPECT_EQ(f.list.SortIndicatorDirection(), a.shownDirection);
  }
}

// A press acts on the row the frame on screen showed there, even when a worker sorted rows in
// above it between that frame and the press; a row gone since is not acted on at all.
TEST(ListViewOrder, APressActsOnTheRowTheFrameShowed) {
  OrderFixture f;
  f.list.SetRowOrder(std::make_shared<ByNumber>());
  f.list.SingleSelection(false);
  for (int i = 1; i <= 5; ++i) f.Add(10 * i, static_cast<std::uintptr_t>(i));
  Pump();
  auto point = [&](int row) {
    const Gdiplus::RectF r = f.list.AccessibleItemBounds(row);
    return POINT{static_cast<LONG>(r.X + 20), static_cast<LONG>(r.Y + r.Height / 2)};
  };
  const POINT first = point(1), third = point(3);
  struct Step {
    UINT down, up;
    WPARAM keys;
    POINT at;
    int added;                    // the number of a row a worker adds before the press
    std::uintptr_t current;       // the current row's data after the press
    std::vector<std::uintptr_t> selected;
  } steps[] = {
      {WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, first, 5, 1, {1}},                 // row 1 on screen: data 1
      {WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON | MK_SHIFT, third, 1, 2, {1, 2}},  // row 3 showed data 2
      {WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON, first, 0, 102, {102}},            // shown now: data 102 (key 1)
  };
  std::uintptr_t data = 100;
  for (const Step& s : steps) {
    if (s.added) {
      // From a worker: its repaint is posted and not yet handled when the press comes.
      std::thread worker([&] { f.Add(s.added, ++data); });
      worker.join();
    } else {
      Pump();
    }
    f.window.Send(s.down, s.keys, s.at.x, s.at.y);
    f.window.Send(s.up, 0, s.at.x, s.at.y);
    EXPECT_EQ(f.list.RowData(f.list.CurrentRow()), s.current);
    std::vector<std::uintptr_t> selected;
    for (int row : f.list.Selection()) selected.push_back(f.list.RowData(row));
    std::sort(selected.begin(), selected.end());
    EXPECT_EQ(selected, s.selected);
    Pump();
  }
  // The row the frame showed is deleted before the press: nothing is selected anew.
  f.list.CurrentRow(0);
  Pump();
  const int shown = f.list.FindRowByData(3);
  std::thread worker([&] { f.list.DeleteRow(shown); });
  worker.join();
  const POINT at = point(shown);
  f.window.Send(WM_LBUTTONDOWN, MK_LBUTTON, at.x, at.y);
  f.window.Send(WM_LBUTTONUP, 0, at.x, at.y);
  EXPECT_EQ(f.list.CurrentRow(), 0);
  EXPECT_TRUE(f.list.Selection().empty());
}

}  // namespace

// Memory running out anywhere while the rows are arranged leaves the list as it was: the rows
// in their old places and the old order in force for the next row; with enough memory the new
// order holds for both.
TEST(ListViewOrder, AnOrderThatFailsHalfWayIsNotKept) {
  bool arranged = false;
  for (long allowed = 0; allowed < 200 && !arranged; ++allowed) {
    SCOPED_TRACE(allowed);
    OrderFixture f;
    for (int i = 0; i < 6; ++i) f.Add(10 - i, i + 1);
    auto order = std::make_shared<ByNumber>();
    gAllocationsLeft = allowed;
    try {
      f.list.SetRowOrder(order);  // the caller's boundary stops what it lets out
    } catch (const std::bad_alloc&) {
    }
    const bool failed = gAllocationFailures > 0;
    gAllocationsLeft = -1;
    gAllocationFailures = 0;
    f.Add(0, 7);
    if (failed) {
      EXPECT_EQ(f.Datas(), (std::vector<std::uintptr_t>{1, 2, 3, 4, 5, 6, 7}));
    } else {
      EXPECT_EQ(f.Datas(), (std::vector<std::uintptr_t>{7, 6, 5, 4, 3, 2, 1}));
      arranged = true;
    }
  }
  EXPECT_TRUE(arranged);
}
