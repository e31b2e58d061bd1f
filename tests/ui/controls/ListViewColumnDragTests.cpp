// Columns the user widens and narrows: where a divider is grabbed, how far a drag takes a
// column, the double click that fits one, and what a list that does not allow it does.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/HostedControls.h"
#include "ui/controls/ListView.h"

using namespace controls_testing;
namespace ll = list_layout;

namespace {

TEST(ColumnDividers, GrabbedNearARightEdgeOfAShownColumn) {
  struct Case {
    int x;
    std::vector<int> widths;
    int column;
  } cases[] = {
      {60, {60, 150, 100}, 1},  {57, {60, 150, 100}, 1},  {63, {60, 150, 100}, 1},
      {64, {60, 150, 100}, 0},  {56, {60, 150, 100}, 0},  {210, {60, 150, 100}, 2},
      {311, {60, 150, 100}, 3}, {0, {60, 150, 100}, 0},
      {60, {60, 0, 100}, 1},     // a hidden column has no edge of its own
      {160, {60, 0, 100}, 3},
      {310, {60, 150, 100, 0, 0}, 3},  // hidden columns after the last stay hidden
      {5, {4, 4}, 1},            // nearest edge wins; the left one on a tie
      {6, {4, 4}, 1},
      {7, {4, 4}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.x);
    EXPECT_EQ(ll::DividerAt(c.x, c.widths), c.column);
  }
  EXPECT_EQ(ll::DraggedWidth(100, 40), 140);
  EXPECT_EQ(ll::DraggedWidth(100, -500), ll::kMinDraggedWidth);
  EXPECT_EQ(ll::DraggedWidth(100, 1 << 30), ll::kMaxColumnWidth);
  EXPECT_EQ(ll::DraggedWidth(100, -(1 << 30)), ll::kMinDraggedWidth);
}

int gResized = 0, gResizedColumn = 0;
LRESULT Resized(LPARAM, LPARAM column, LPARAM, LPARAM, LPARAM) {
  ++gResized;
  gResizedColumn = static_cast<int>(column);
  return 0;
}

struct DragFixture {
  HostedWindow window{HostedWindow::Frame(0)};
  ListView list;
  int headerY = 0;

  explicit DragFixture(bool resizable) {
    window.Show();
    list.Create(window.window, 10, 10, 380, 260);
    for (int width : {60, 150, 0, 100}) list.InsertColumn(0, "C", width);  // appended in turn
    list.AddRow({"1", "a long title that is wider than the column it sits in", "", "x"}, 1);
    if (resizable) list.ResizableColumns(Resized);
    Pump();
    headerY = 10 + static_cast<int>(list.ViewRect().Y) / 2;
    gResized = gResizedColumn = 0;
  }
  // The window x of a content x in the header.
  int X(int contentX) const { return 10 + static_cast<int>(list.ViewRect().X) + contentX; }
  void Drag(int fromX, int toX) {
    window.Send(WM_MOUSEMOVE, 0, fromX, headerY);
    window.Send(WM_LBUTTONDOWN, MK_LBUTTON, fromX, headerY);
    window.Send(WM_MOUSEMOVE, MK_LBUTTON, (fromX + toX) / 2, headerY);
    window.Send(WM_MOUSEMOVE, MK_LBUTTON, toX, headerY);
    window.Send(WM_LBUTTONUP, 0, toX, headerY);
    Pump();
  }
};

TEST(ColumnDrag, ADividerDragsItsColumnAndTheOwnerHears) {
  DragFixture f(true);
  f.Drag(f.X(210), f.X(250));
  EXPECT_EQ(f.list.ColumnWidth(2), 190);
  EXPECT_EQ(f.list.ColumnWidth(1), 60);
  EXPECT_EQ(gResized, 1);
  EXPECT_EQ(gResizedColumn, 2);
  f.Drag(f.X(250), f.X(0));
  EXPECT_EQ(f.list.ColumnWidth(2), ll::kMinDraggedWidth);
  // The hidden column stays hidden: its edge is the shown one's before it.
  EXPECT_EQ(f.list.ColumnWidth(3), 0);

  // A double click fits the column to its widest shown cell, here the long title.
  f.window.Send(WM_LBUTTONDOWN, TKM_DBLCLICK_MARK, f.X(60 + ll::kMinDraggedWidth), f.headerY);
  f.window.Send(WM_LBUTTONUP, 0, f.X(60 + ll::kMinDraggedWidth), f.headerY);
  Pump();
  EXPECT_GT(f.list.ColumnWidth(2), 200);
  EXPECT_LT(f.list.ColumnWidth(2), 600);
}

TEST(ColumnDrag, AListThatDoesNotAllowItTakesAHeaderClick) {
  DragFixture f(false);
  f.Drag(f.X(210), f.X(250));
  EXPECT_EQ(f.list.ColumnWidth(2), 150);
  EXPECT_EQ(gResized, 0);
}

}  // namespace
