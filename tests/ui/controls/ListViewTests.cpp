#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/HostedControls.h"
#include "ui/controls/ListView.h"
#include "ui/gfx/Text.h"

using namespace controls_testing;
namespace ll = list_layout;

namespace {

// A 400 x 300 window with a report list of three columns at (10, 10, 380, 260).
struct ListFixture {
  HostedWindow window{HostedWindow::Frame(0)};
  ListView list;

  explicit ListFixture(std::vector<int> widths = {60, 150, 100}, const ListViewOptions& options = {}) {
    window.Show();
    list.Create(window.window, 10, 10, 380, 260, options);
    for (size_t i = 0; i < widths.size(); ++i) list.InsertColumn(0, "C" + std::to_string(i + 1), widths[i]);
  }
  void Fill(int rows) {
    for (int i = 1; i <= rows; ++i) {
      const int n = list.InsertRow(std::nullopt, std::to_string(i));
      list.SetCellText(n, 2, "\xd6\xd0\xce\xc4 " + std::to_string(i));  // 中文
    }
    Pump();
  }
  // Client point of a row's cell in the given column (row in view, no scrolling).
  POINT CellPoint(int row, int column = 2) {
    const Gdiplus::RectF view = list.ViewRect();
    int x = 0;
    for (int c = 1; c < column; ++c) x += list.ColumnWidth(c);
    return POINT{static_cast<LONG>(10 + view.X) + x + 5,
                 static_cast<LONG>(10 + view.Y) + (row - 1) * list.RowHeight() + list.RowHeight() / 2};
  }
  void Click(POINT p) {
    window.Send(WM_MOUSEMOVE, 0, p.x, p.y);
    window.Send(WM_LBUTTONDOWN, MK_LBUTTON, p.x, p.y);
    window.Send(WM_LBUTTONUP, 0, p.x, p.y);
    Pump();
  }
  void Wheel(int delta) { window.Send(WM_MOUSEWHEEL, MAKEWPARAM(0, delta), MAKELPARAM(200, 200)); }
};

TEST(ListLayout, ContentSizeRangesAndHits) {
  // Content width: the view width while the columns fit, their sum + 12 once they do not.
  struct Width {
    std::vector<int> columns;
    int view, expected;
  } widths[] = {{{40, 390, 70, 70, 0, 0, 0}, 577, 577}, {{100, 200}, 300, 300}, {{100, 201}, 300, 313},
                {{}, 250, 250},                         {{-5, 30}, 100, 100},   {{4096, 4096}, 100, 8204}};
  for (const Width& c : widths) EXPECT_EQ(ll::ContentWidth(c.columns, c.view), c.expected) << c.view;
  EXPECT_EQ(ll::ContentWidth({500}, 100, false), 100) << "other styles: the view width";

  struct Range {
    int rows, height, offset, view, first, last;
  } ranges[] = {{100, 20, 0, 200, 1, 10}, {100, 20, -10, 200, 1, 11}, {100, 20, -1960, 200, 99, 100},
                {5, 20, 0, 200, 1, 5},    {0, 20, 0, 200, 0, 0},      {100000, 20, -1999800, 200, 99991, 100000}};
  for (const Range& c : ranges) {
    const ll::RowRange r = ll::VisibleRows(c.rows, c.height, c.offset, c.view);
    EXPECT_EQ(r.first, c.first) << c.offset;
    EXPECT_EQ(r.last, c.last) << c.offset;
  }

  struct HitCase {
    int x, y, offsetX, offsetY, row, column;
  } hits[] = {{5, 5, 0, 0, 1, 1},     {65, 25, 0, 0, 2, 2},  {65, 25, -20, -40, 4, 2}, {400, 5, 0, 0, 1, 0},
              {5, 2000, 0, 0, 0, 0},  {-1, 5, 0, 0, 0, 0},   {59, 19, 0, 0, 1, 1},     {60, 20, 0, 0, 2, 2}};
  for (const HitCase& c : hits) {
    const ll::Hit h = ll::HitTest(c.x, c.y, c.offsetX, c.offsetY, 50, 20, {60, 0, 150});
    EXPECT_EQ(h.row, c.row) << c.x << "," << c.y;
    EXPECT_EQ(h.column, c.column == 2 ? 3 : c.column) << c.x << "," << c.y << " (a 0-wide column is never hit)";
  }

  struct Ensure {
    int row, current, expected;
  } ensures[] = {{1, 0, 0}, {10, 0, 0}, {11, 0, 20}, {5, 100, 80}, {50, 0, 800}, {60, 0, 800}};
  for (const Ensure& c : ensures) EXPECT_EQ(ll::EnsureVisiblePosition(c.row, 20, c.current, 200, 800), c.expected) << c.row;

  struct WheelCase {
    int position, delta, expected;
  } wheels[] = {{0, -120, 60}, {60, 120, 0}, {0, 120, 0}, {790, -120, 800}, {100, -240, 160}, {100, 0, 100}};
  for (const WheelCase& c : wheels) EXPECT_EQ(ll::WheelPosition(c.position, c.delta, 60, 800), c.expected);
}

TEST(ListLayout, GbkAwareMatchingAndCutting) {
  // "\xd6\xd0" is 中; "\x81\x41" is a double-byte character whose trail byte is 'A'.
  struct Match {
    const char* cell;
    const char* wanted;
    bool substring, caseSensitive, expected;
  } matches[] = {
      {"Movie", "movie", false, false, true},  {"Movie", "movie", false, true, false},
      {"Big Movie", "MOV", true, false, true}, {"Big Movie", "MOV", false, false, false},
      {"\x81\x41", "A", true, false, false},   {"\x81\x41", "a", true, false, false},
      {"x\xd6\xd0y", "\xd6\xd0", true, true, true}, {"\xd6\xd0", "\xd6", true, true, false},
      {"abc\x81", "\x81", true, true, true},   {"", "", false, true, true},
  };
  for (const Match& m : matches) {
    EXPECT_EQ(ll::CellMatches(m.cell, m.wanted, m.substring, m.caseSensitive), m.expected) << m.cell << "/" << m.wanted;
  }
  EXPECT_EQ(ll::CutText("ab\xd6\xd0", 3), "ab") << "a double-byte character is never split";
  EXPECT_EQ(ll::CutText("ab\xd6\xd0", 4), "ab\xd6\xd0");
  EXPECT_EQ(ll::CutText("ab\xd6", 3), "ab\xd6") << "a lone lead byte at the end stays";
}

TEST(ListView, OnlyChangedRowsInSightAreComposed) {
  ListFixture fixture({100});
  fixture.Fill(40);
  ListView& list = fixture.list;
  HostedWindow& window = fixture.window;
  const Gdiplus::RectF clip = list.RowsClip();
  ASSERT_LT(clip.Height / static_cast<float>(list.RowHeight()), 20.0f) << "rows 30 on are out of sight";
  const double row = (clip.Width + 2) * (list.RowHeight() + 2), all = 380.0 * 260.0;
  const double bar = (ll::kBarThickness + 1) * 262.0;  // the scroll bar, when its range changes
  struct Case {
    const char* name;
    std::function<void()> change;
    double least, most;  // composed pixels
    bool rowsDrawn;
  } cases[] = {
      {"append below the view", [&] { list.InsertRow(std::nullopt, "41"); }, 0, bar, false},
      {"text of a row below the view", [&] { list.SetCellText(30, 1, "x"); }, 0, 0, false},
      {"colour of a row below the view", [&] { list.SetRowTextColour(35, 0xFFFF0000); }, 0, 0, false},
      {"text of a visible row", [&] { list.SetCellText(2, 1, "y"); }, 1, row, true},
      {"two visible rows", [&] { list.SetCellText(3, 1, "y"), list.SetCellText(4, 1, "z"); }, row / 2, 2 * row, true},
      {"a visible row deleted", [&] { list.DeleteRow(1); }, all / 2, all + bar, true},
      {"a column widened", [&] { list.SetColumnWidth(1, 120); }, all / 2, all + bar, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const double before = window.host->Painting().ComposedArea();
    const long drawn = list.RowsDrawn();
    c.change();
    Pump();
    const double area = window.host->Painting().ComposedArea() - before;
    EXPECT_GE(area, c.least);
    EXPECT_LE(area, c.most);
    EXPECT_EQ(list.RowsDrawn() > drawn, c.rowsDrawn);
  }
}

// A wheel step moves the rows, the scroll bar and the hovered row: the window composes the
// list's area once, not each of them in turn.
TEST(ListView, AWheelStepIsComposedOnce) {
  ListFixture fixture({100});
  fixture.Fill(60);
  ListView& list = fixture.list;
  fixture.window.host->set_focus(&list, false);
  fixture.window.Send(WM_MOUSEMOVE, 0, 100, 100);
  Pump();
  const double all = 380.0 * 260.0;
  for (int step = 0; step < 4; ++step) {
    SCOPED_TRACE(step);
    const int before = list.FirstVisibleRow();
    const double composed = fixture.window.host->Painting().ComposedArea();
    fixture.window.Send(WM_MOUSEWHEEL, MAKEWPARAM(0, step % 2 ? 120 : -120), MAKELPARAM(100, 100));
    EXPECT_NE(list.FirstVisibleRow(), before) << "the rows moved";
    const double area = fixture.window.host->Painting().ComposedArea() - composed;
    EXPECT_GE(area, all / 2);
    EXPECT_LE(area, all) << "composed once";
  }
}

TEST(ListView, DeletingARowOfAShortListLeavesNothingBehind) {
  ListFixture fixture({100});
  ListView& list = fixture.list;
  for (int i = 1; i <= 3; ++i) list.InsertRow(std::nullopt, std::string(12, 'W'));
  Pump();
  const Gdiplus::RectF view = list.ViewRect();
  const int x = static_cast<int>(view.X) + 10, lastRowY = static_cast<int>(view.Y) + 2 * list.RowHeight() + list.RowHeight() / 2;
  const Gdiplus::ARGB empty = SurfacePixel(&list, x, static_cast<int>(view.Y) + 6 * list.RowHeight());
  bool inked = false;
  for (int dx = 0; dx < 60 && !inked; ++dx) inked = SurfacePixel(&list, x + dx, lastRowY) != empty;
  ASSERT_TRUE(inked) << "the third row's text is drawn";
  list.DeleteRow(1);
  Pump();
  for (int dx = 0; dx < 60; ++dx) EXPECT_EQ(SurfacePixel(&list, x + dx, lastRowY), empty) << dx;
}

class ByFirstCellDescending final : public ListRowOrder {
 public:
  bool Before(const ListRowView& a, const ListRowView& b) const override { return a.texts[0] > b.texts[0]; }
};

class AnyRow final : public ListRowFilter {
 public:
  bool Shows(const ListRowView&) const override { return true; }
};

// A list made hidden (the category list) draws no layers until it is shown; what changed
// while it was hidden is what it shows then.
TEST(ListView, AHiddenListDrawsWhenShown) {
  ListViewOptions hidden;
  hidden.visible = false;
  ListFixture fixture({200}, hidden);
  ListView& list = fixture.list;
  for (int i = 1; i <= 3; ++i) list.InsertRow(std::nullopt, std::string(12, 'W'));
  Pump();
  EXPECT_EQ(list.RowsCanvas(), nullptr);
  EXPECT_EQ(list.RowsDrawn(), 0);
  EXPECT_EQ(list.Surface(), nullptr) << "a list made hidden holds no pixels";

  const Gdiplus::RectF view = list.ViewRect();
  const int x = static_cast<int>(view.X) + 10;
  auto rowInked = [&](int row) {
    const int y = static_cast<int>(view.Y) + (row - 1) * list.RowHeight() + list.RowHeight() / 2;
    const Gdiplus::ARGB empty = SurfacePixel(&list, x, static_cast<int>(view.Y) + 8 * list.RowHeight());
    for (int dx = 0; dx < 60; ++dx) {
      if (SurfacePixel(&list, x + dx, y) != empty) return true;
    }
    return false;
  };
  list.Visible(true);
  Pump();
  ASSERT_NE(list.RowsCanvas(), nullptr);
  EXPECT_TRUE(rowInked(1));
  EXPECT_TRUE(rowInked(3));

  list.Visible(false);
  list.DeleteRow(3);
  list.DeleteRow(2);
  list.InsertRow(std::nullopt, std::string(12, 'W'));
  list.InsertRow(std::nullopt, std::string(12, 'W'));
  list.InsertRow(std::nullopt, std::string(12, 'W'));
  list.DeleteRow(1);
  list.DeleteRow(1);
  // Rows that only move (an order, a filter) are not drawn while hidden either.
  list.SetRowOrder(std::make_shared<ByFirstCellDescending>());
  list.SetRowFilter(std::make_shared<AnyRow>());
  const long drawnWhileShown = list.RowsDrawn();
  Pump();
  EXPECT_EQ(list.RowsDrawn(), drawnWhileShown) << "a hidden list drew rows";
  list.Visible(true);
  Pump();
  EXPECT_TRUE(rowInked(1));
  EXPECT_TRUE(rowInked(2));
  EXPECT_FALSE(rowInked(3)) << "the row deleted while hidden is gone";
}

// The inked part of the list's rows area (control coordinates), empty when nothing is drawn.
RECT InkInRowsArea(ListView& list) {
  const Gdiplus::RectF view = list.ViewRect();
  const int left = static_cast<int>(view.X), top = static_cast<int>(view.Y);
  const int right = left + static_cast<int>(view.Width), bottom = top + static_cast<int>(view.Height);
  const Gdiplus::ARGB paper = SurfacePixel(&list, left + 2, bottom - 2);
  RECT ink{right, bottom, left, top};
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      if (SurfacePixel(&list, x, y) == paper) continue;
      ink.left = std::min<LONG>(ink.left, x);
      ink.right = std::max<LONG>(ink.right, x + 1);
      ink.top = std::min<LONG>(ink.top, y);
      ink.bottom = std::max<LONG>(ink.bottom, y + 1);
    }
  }
  return ink;
}

// The end line: below the last row while there are rows, a row's height more to scroll, the
// list's description meanwhile; gone when cleared or when the rows are.
TEST(ListView, AnEndLineStandsBelowTheLastRow) {
  ListFixture f({60, 150, 100});
  for (int i = 1; i <= 3; ++i) f.list.InsertRow(std::nullopt, std::to_string(i));
  Pump();
  const int rowHeight = f.list.RowHeight();
  const int viewTop = static_cast<int>(f.list.ViewRect().Y);
  const int withoutLine = f.list.ContentHeight();
  RECT ink = InkInRowsArea(f.list);
  EXPECT_LT(ink.bottom, viewTop + 3 * rowHeight + 2) << "the rows only";
  const std::string line = "\xcb\xd1\xcb\xf7\xd6\xd0\xb6\xcf\xa3\xba timeout";  // 搜索中断：
  std::thread([&] { f.list.SetEndText(line); }).join();  // a worker sets it
  ASSERT_TRUE(PumpUntil([&] { return InkInRowsArea(f.list).bottom > viewTop + 3 * rowHeight + 2; }));
  ink = InkInRowsArea(f.list);
  EXPECT_LE(ink.bottom, viewTop + 4 * rowHeight) << "one line, in the fourth row's place";
  EXPECT_EQ(f.list.ContentHeight(), withoutLine + rowHeight);
  EXPECT_EQ(f.list.ShownEndText(), line);
  EXPECT_EQ(gfx::narrow_text(f.list.Describe().description), line) << "what a screen reader hears";
  EXPECT_EQ(f.list.ShownEmptyText(), "");

  // Scrolled away and back in a long list, it is drawn where it comes into view.
  for (int i = 4; i <= 40; ++i) f.list.InsertRow(std::nullopt, std::to_string(i));
  Pump();
  f.list.SendControlMessage(TKM_LIST_SCROLL_TO, 0, f.list.ContentHeight());
  Pump();
  ink = InkInRowsArea(f.list);
  const int viewBottom = viewTop + static_cast<int>(f.list.RowsClip().Height);
  EXPECT_GT(ink.bottom, viewBottom - rowHeight) << "the line at the bottom of the scrolled list";

  f.list.SetEndText("");
  Pump();
  EXPECT_EQ(f.list.ShownEndText(), "");
  EXPECT_NE(gfx::narrow_text(f.list.Describe().description), line);
  f.list.SetEndText(line);
  f.list.ClearRows();
  Pump();
  EXPECT_EQ(f.list.ShownEndText(), "") << "no rows: no end line";
  ink = InkInRowsArea(f.list);
  EXPECT_TRUE(ink.left >= ink.right) << "nothing drawn";
}

TEST(ListView, AnEmptyListShowsItsLineCentredUntilTheFirstRow) {
  ListFixture f({60, 150, 100});
  // Without a line an empty list is blank, as ever.
  f.list.SetEmptyText("");
  Pump();
  RECT ink = InkInRowsArea(f.list);
  EXPECT_TRUE(ink.left >= ink.right) << "nothing drawn without a line";

  const std::string line = "\xd5\xfd\xd4\xda\xcb\xd1\xcb\xf7 Searching";  // 正在搜索
  std::thread([&] { f.list.SetEmptyText(line); }).join();  // a worker sets it
  EXPECT_TRUE(PumpUntil([&] {
    ink = InkInRowsArea(f.list);
    return ink.left < ink.right;
  }));
  EXPECT_EQ(f.list.EmptyText(), line);
  EXPECT_EQ(f.list.ShownEmptyText(), line);
  const Gdiplus::RectF view = f.list.ViewRect();
  const int viewLeft = static_cast<int>(view.X), viewRight = viewLeft + static_cast<int>(view.Width);
  const int viewTop = static_cast<int>(view.Y), viewBottom = viewTop + static_cast<int>(view.Height);
  EXPECT_NEAR(ink.left - viewLeft, viewRight - ink.right, 4) << "centred across";
  EXPECT_NEAR(ink.top - viewTop, viewBottom - ink.bottom, 4) << "centred down";
  EXPECT_LT(ink.bottom - ink.top, f.list.RowHeight()) << "one line";
  EXPECT_GT(ink.right - ink.left, 60) << "the whole line";

  // The first row takes the line's place, even one appended without a redraw.
  std::thread([&] { f.list.InsertRow(std::nullopt, "1", std::nullopt, 0, 0, std::nullopt, false); }).join();
  Pump();
  ink = InkInRowsArea(f.list);
  EXPECT_LT(ink.bottom, viewTop + 2 * f.list.RowHeight()) << "only the row is drawn";
  EXPECT_EQ(f.list.ShownEmptyText(), "");
  EXPECT_EQ(f.list.EmptyText(), line) << "kept for when the rows are gone";

  f.list.ClearRows();
  Pump();
  ink = InkInRowsArea(f.list);
  EXPECT_NEAR(ink.top - viewTop, viewBottom - ink.bottom, 4) << "back once the rows are cleared";

  // A line longer than the list is cut to its width, not wrapped.
  f.list.SetEmptyText(std::string(400, 'W'));
  Pump();
  ink = InkInRowsArea(f.list);
  EXPECT_GE(ink.left, viewLeft);
  EXPECT_LE(ink.right, viewRight);
  EXPECT_LT(ink.bottom - ink.top, f.list.RowHeight()) << "still one line";
}

TEST(ListView, ColumnOperationsKeepEveryRowInStep) {
  ListFixture f;
  f.Fill(4);
  struct Case {
    int position;  // 0 = append
    int column;    // where the new, empty cell lands
  } cases[] = {{0, 4}, {1, 1}, {3, 3}, {99, 7}, {-3, 8}};
  for (const Case& c : cases) {
    const int before = f.list.ColumnCount();
    EXPECT_EQ(f.list.InsertColumn(c.position, "new", 30), c.column);
    EXPECT_EQ(f.list.ColumnCount(), before + 1);
    for (int row = 1; row <= 4; ++row) EXPECT_EQ(f.list.CellText(row, c.column), "") << row << " in " << c.column;
  }
  // The original cells moved with their columns: "1".."4" sit in column 3 after inserts at 1 and 3.
  EXPECT_EQ(f.list.CellText(2, 2), "2");
  EXPECT_TRUE(f.list.DeleteColumn(1));
  EXPECT_EQ(f.list.CellText(2, 1), "2");
  EXPECT_FALSE(f.list.DeleteColumn(0));
  EXPECT_FALSE(f.list.DeleteColumn(99));
  EXPECT_EQ(f.list.InsertColumn(0, "w", -20), 8);
  EXPECT_EQ(f.list.ColumnWidth(8), 0) << "a negative width is clamped to 0";
}

TEST(ListView, ContentWidthFollowsTheColumns) {
  ListFixture f(std::vector<int>{});
  const int view = static_cast<int>(f.list.ViewRect().Width);
  struct Case {
    int width;       // column appended
    int expected;    // content width after it
  } cases[] = {{100, view}, {200, view}, {view - 300, view}, {1, 300 + (view - 300) + 1 + 12}, {50, view + 51 + 12}};
  for (const Case& c : cases) {
    f.list.InsertColumn(0, "c", c.width);
    Pump();
    EXPECT_EQ(f.list.ContentWidth(), c.expected) << "after a column of " << c.width;
  }
  EXPECT_TRUE(f.list.HorizontalBar()->IsVisible()) << "the columns overflow";
  f.list.DeleteColumn(f.list.ColumnCount());
  f.list.DeleteColumn(f.list.ColumnCount());
  Pump();
  EXPECT_EQ(f.list.ContentWidth(), view) << "back under the view width: exactly the view width again";
  EXPECT_FALSE(f.list.HorizontalBar()->IsVisible());
}

TEST(ListView, BadInputIsIgnored) {
  ListFixture f;
  f.Fill(3);
  const std::string huge(100000, 'x');
  const std::string lone = "abc\xd6";
  struct Case {
    int row, column;
    bool accepted;
  } cases[] = {{1, 0, false}, {4, 1, false}, {0, 1, false}, {-1, 1, false}, {1, 4, false}, {1, -1, false}, {3, 3, true}};
  for (const Case& c : cases) {
    EXPECT_EQ(f.list.SetCellText(c.row, c.column, "changed"), c.accepted) << c.row << "," << c.column;
    EXPECT_EQ(f.list.CellText(c.row, c.column), c.accepted ? "changed" : "");
  }
  for (int row = 1; row <= 2; ++row) EXPECT_EQ(f.list.CellText(row, 1), std::to_string(row)) << "untouched";
  EXPECT_EQ(f.list.RowCount(), 3);
  EXPECT_FALSE(f.list.DeleteRow(-1));
  EXPECT_FALSE(f.list.DeleteRow(4));
  EXPECT_EQ(f.list.RowData(9), 0u);
  EXPECT_EQ(f.list.CellImage(9, 1), -1);
  EXPECT_EQ(f.list.CurrentRow(7), 0) << "an invalid row makes no row current";
  EXPECT_FALSE(f.list.SetRowChecked(0, true));
  EXPECT_EQ(f.list.FindRow("x", -5, false, true, false, 99), 0);

  EXPECT_TRUE(f.list.SetCellText(2, 2, huge));
  EXPECT_TRUE(f.list.SetCellText(3, 2, lone));
  EXPECT_EQ(f.list.InsertRow(-7, lone), 4) << "a negative position appends";
  Pump();
  EXPECT_EQ(f.list.CellText(2, 2).size(), 64u * 1024) << "a huge text is kept up to 64 KB";
  EXPECT_EQ(f.list.CellText(3, 2), lone);
  EXPECT_EQ(f.list.CellText(4, 1), lone);
  f.window.Send(WM_MOUSEMOVE, 0, f.CellPoint(2).x, f.CellPoint(2).y);  // tooltip of the huge cell
  Pump();
  EXPECT_EQ(f.list.FindRow(lone, 1, false, false, true, 2), 3);
  EXPECT_EQ(f.list.FindRow("X", 3, true, true, false, -1), 2) << "wraps to the start";
}

TEST(ListView, SelectionHoverAndCallbacks) {
  ListFixture f;
  f.Fill(5);
  static std::vector<std::pair<int, int>> events;  // (kind, row)
  events.clear();
  f.list.SetOnCurrentChanged([](LPARAM, LPARAM row, LPARAM, LPARAM, LPARAM) -> LRESULT {
    events.emplace_back(70, static_cast<int>(row));
    return 0;
  });
  f.list.SetOnLeftClick([](LPARAM, LPARAM row, LPARAM, LPARAM, LPARAM) -> LRESULT {
    events.emplace_back(68, static_cast<int>(row));
    return 0;
  });
  f.Click(f.CellPoint(2));
  EXPECT_EQ(f.list.CurrentRow(), 2);
  EXPECT_EQ(f.list.RowState(2), kRowSelected);
  EXPECT_EQ(f.window.host->Focused(), &f.list);
  EXPECT_EQ(events, (std::vector<std::pair<int, int>>{{70, 2}, {68, 2}}));

  // Hover: a selected row keeps its look, another row turns hot and back.
  const Gdiplus::ARGB selectedPixel = ImagePixel(f.list.RowsCanvas(), 200, f.list.RowHeight() + 2);
  struct Move {
    int row;
    int state2, state3;
  } moves[] = {{2, kRowSelected, kRowNormal}, {3, kRowSelected, kRowHot}, {2, kRowSelected, kRowNormal}};
  for (const Move& m : moves) {
    const POINT p = f.CellPoint(m.row);
    f.window.Send(WM_MOUSEMOVE, 0, p.x, p.y);
    Pump();
    EXPECT_EQ(f.list.HotRow(), m.row);
    EXPECT_EQ(f.list.RowState(2), m.state2);
    EXPECT_EQ(f.list.RowState(3), m.state3);
    EXPECT_EQ(ImagePixel(f.list.RowsCanvas(), 200, f.list.RowHeight() + 2), selectedPixel) << "row 2 drawn the same";
    const Gdiplus::ARGB row3 = ImagePixel(f.list.RowsCanvas(), 200, 2 * f.list.RowHeight() + 2);
    const Gdiplus::ARGB row4 = ImagePixel(f.list.RowsCanvas(), 200, 3 * f.list.RowHeight() + 2);
    EXPECT_EQ(row3 != row4, m.state3 == kRowHot) << "only a hot row 3 looks different from row 4";
    EXPECT_NE(row3, selectedPixel);
  }
  EXPECT_EQ(SendMessageW(f.window.host->Input().TooltipWindow(), TTM_GETTOOLCOUNT, 0, 0), 1) << "the cell's tooltip";

  f.list.CurrentRow(4);
  EXPECT_EQ(f.list.RowState(2), kRowHot) << "no longer current, still under the mouse";
  EXPECT_EQ(f.list.RowState(4), kRowSelected);

  // Multi-selection: plain, Ctrl and Shift presses.
  f.list.SingleSelection(false);
  f.Click(f.CellPoint(1));
  const POINT third = f.CellPoint(3);
  f.window.Send(WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, third.x, third.y);
  f.window.Send(WM_LBUTTONUP, 0, third.x, third.y);
  EXPECT_EQ(f.list.Selection(), (std::vector<int>{1, 2, 3}));
  const POINT second = f.CellPoint(2);
  f.window.Send(WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, second.x, second.y);
  f.window.Send(WM_LBUTTONUP, 0, second.x, second.y);
  EXPECT_EQ(f.list.Selection(), (std::vector<int>{1, 3}));
  f.list.InsertRow(1, "top");
  EXPECT_EQ(f.list.Selection(), (std::vector<int>{2, 4})) << "shifted by an insertion";
  f.list.DeleteRow(2);
  EXPECT_EQ(f.list.Selection(), (std::vector<int>{3}));
}

TEST(ListView, AWorkerFollowingItsRowsNeverWaitsAndTheListScrollsOncePerBatch) {
  ListFixture f({300, 300});
  f.Fill(5);
  // The UI thread does not pump while the worker runs: a worker that waited for it would hang.
  std::thread worker([&] {
    for (int i = 6; i <= 300; ++i) {
      const int n = f.list.InsertRow(std::nullopt, std::to_string(i));
      f.list.EnsureVisible(n);
    }
    f.list.EnsureVisible(9999);  // no such row: nothing asked
  });
  worker.join();
  EXPECT_EQ(f.list.ScrollOffsetY(), 0) << "nothing scrolls before the list draws";
  const long drawn = f.list.RowsDrawn();
  Pump();
  const int view = static_cast<int>(f.list.ViewRect().Height);
  // The last row asked for is in view at the bottom (above the horizontal bar, if one shows).
  EXPECT_GE(-f.list.ScrollOffsetY() + view, 300 * f.list.RowHeight());
  EXPECT_LE(-f.list.ScrollOffsetY() + view, 300 * f.list.RowHeight() + 20);
  EXPECT_LE(f.list.RowsDrawn() - drawn, 2 * (view / f.list.RowHeight() + 2))
      << "one batch draws the rows in view, not every row that passed";

  // A row sorted away meanwhile is followed to where it is now.
  std::thread again([&] { f.list.EnsureVisible(10); });
  again.join();
  f.list.InsertRow(1, "top");
  Pump();
  const int top = -f.list.ScrollOffsetY();
  EXPECT_LE(top, 10 * f.list.RowHeight());
  EXPECT_GE(top + view, 11 * f.list.RowHeight()) << "row 10, now 11, is in view";
}

// A list that lets a worker ask for more rows part way through drawing a batch, and keeps
// every scroll position it goes to.
class InterruptedList : public ListView {
 public:
  std::function<void()> duringDraw;
  std::vector<int> scrolls;
  void UpdateVisibleRows(bool recreateCanvas, bool redraw) override {
    if (std::function<void()> once = std::exchange(duringDraw, nullptr)) once();
    ListView::UpdateVisibleRows(recreateCanvas, redraw);
  }
  void SetScrollY(int position) override {
    scrolls.push_back(position);
    ListView::SetScrollY(position);
  }
};

TEST(ListView, RowsFollowedWhileABatchIsDrawnAreFollowedNextAndTheViewNeverGoesBack) {
  HostedWindow window{HostedWindow::Frame(0)};
  window.Show();
  InterruptedList list;
  list.Create(window.window, 10, 10, 380, 260, {});
  list.InsertColumn(0, "C1", 60);
  for (int i = 1; i <= 5; ++i) list.InsertRow(std::nullopt, std::to_string(i));
  Pump();
  // A row put at the top moves every row in view, so its batch draws them all; meanwhile the
  // worker goes on appending and following.
  std::thread([&] { list.EnsureVisible(list.InsertRow(1, "6")); }).join();
  list.duringDraw = [&] {
    std::thread([&] {
      for (int i = 7; i <= 300; ++i) list.EnsureVisible(list.InsertRow(std::nullopt, std::to_string(i)));
    }).join();
  };
  Pump();
  ASSERT_EQ(list.duringDraw, nullptr) << "the batch was drawn";
  ASSERT_FALSE(list.scrolls.empty());
  EXPECT_TRUE(std::is_sorted(list.scrolls.begin(), list.scrolls.end())) << "the view went back up";
  const int view = static_cast<int>(list.ViewRect().Height);
  EXPECT_GE(-list.ScrollOffsetY() + view, 300 * list.RowHeight()) << "the last row asked for is in view";
}

TEST(ListView, ClearRowsResetsCurrentRowAndScrolling) {
  ListFixture f({300, 300});
  f.Fill(200);
  f.list.CurrentRow(150);
  f.list.EnsureVisible(150);
  f.list.HorizontalBar()->Position(100);
  f.list.SetScrollX(100);
  Pump();
  ASSERT_LT(f.list.ScrollOffsetY(), 0);
  ASSERT_EQ(f.list.ScrollOffsetX(), -100);
  f.list.ClearRows();
  Pump();
  EXPECT_EQ(f.list.CurrentRow(), 0);
  EXPECT_EQ(f.list.ScrollOffsetX(), 0);
  EXPECT_EQ(f.list.ScrollOffsetY(), 0);
  EXPECT_EQ(f.list.RowCount(), 0);
  EXPECT_EQ(f.list.ContentHeight(), 0);
  EXPECT_FALSE(f.list.VerticalBar()->IsVisible());
}

TEST(ListView, WheelAndScrollBars) {
  ListFixture f;
  f.Fill(100);
  f.Click(f.CellPoint(1));
  const int h = f.list.RowHeight();
  const int maximum = f.list.VerticalBar()->Maximum();
  ASSERT_TRUE(f.list.VerticalBar()->IsVisible());
  struct Case {
    int delta, expected;
  } cases[] = {{-120, 3 * h}, {-120, 6 * h}, {120, 3 * h}, {120, 0}, {120, 0}};
  for (const Case& c : cases) {
    f.Wheel(c.delta);
    EXPECT_EQ(f.list.ScrollOffsetY(), -c.expected);
    EXPECT_EQ(f.list.VerticalBar()->Position(), c.expected);
  }
  f.list.SendControlMessage(TKM_LIST_SCROLL_TO, 0, 1000000);
  EXPECT_EQ(f.list.ScrollOffsetY(), -maximum) << "clamped to the bar's range";

  // A press on the vertical bar leaves the focus with the list: the wheel keeps scrolling it.
  f.list.SendControlMessage(TKM_LIST_SCROLL_TO, 0, 0);
  const Gdiplus::RectF bar = f.list.VerticalBar()->BoundsRef();
  const int bx = static_cast<int>(bar.X) + 5, by = static_cast<int>(bar.Y + bar.Height) - 4;  // down arrow
  f.window.Send(WM_MOUSEMOVE, 0, bx, by);
  f.window.Send(WM_LBUTTONDOWN, MK_LBUTTON, bx, by);
  f.window.Send(WM_LBUTTONUP, 0, bx, by);
  Pump();
  EXPECT_EQ(f.window.host->Focused(), &f.list);
  const int afterArrow = f.list.VerticalBar()->Position();
  EXPECT_GT(afterArrow, 0) << "the arrow scrolled";
  EXPECT_EQ(f.list.ScrollOffsetY(), -afterArrow);
  f.Wheel(-120);
  EXPECT_EQ(f.list.ScrollOffsetY(), -(afterArrow + 3 * h));

  // Even when the list never had the focus, a press on its bar gives it the list.
  ListFixture g;
  g.Fill(100);
  g.window.Send(WM_MOUSEMOVE, 0, bx, by);
  g.window.Send(WM_LBUTTONDOWN, MK_LBUTTON, bx, by);
  g.window.Send(WM_LBUTTONUP, 0, bx, by);
  EXPECT_EQ(g.window.host->Focused(), &g.list);
  const int before = g.list.VerticalBar()->Position();
  g.Wheel(-120);
  EXPECT_EQ(g.list.VerticalBar()->Position(), before + 3 * h);
}

TEST(ListView, WorkersAppendAndReadWhileTheUiThreadScrolls) {
  ListFixture f;
  f.list.InsertColumn(0, "owner", 60);
  constexpr int kPerWorker = 1500;
  std::atomic<int> finished{0};
  std::atomic<bool> readerFault{false};
  auto append = [&](char name) {
    for (int i = 0; i < kPerWorker; ++i) {
      const std::string id = std::string(1, name) + std::to_string(i);
      const int n = f.list.InsertRow(std::nullopt, id, std::nullopt, 0, 0, std::nullopt, false);
      f.list.SetCellText(n, 2, "t" + id, false);
      f.list.SetCellText(n, 4, id, true);
      // A reader on the same thread: whatever row it reads is whole.
      const int count = f.list.RowCount();
      const std::string a = f.list.CellText(count, 1), b = f.list.CellText(count, 4);
      if (!b.empty() && a != b) readerFault = true;
    }
    ++finished;
  };
  std::thread one(append, 'a'), two(append, 'b');
  int step = 0;
  while (finished < 2) {
    f.Wheel(step++ % 3 == 2 ? 360 : -120);
    f.list.Repaint();
    Pump();
  }
  one.join();
  two.join();
  Pump();
  EXPECT_FALSE(readerFault);
  ASSERT_EQ(f.list.RowCount(), 2 * kPerWorker);
  std::set<std::string> seen;
  for (int row = 1; row <= f.list.RowCount(); ++row) {
    const std::string id = f.list.CellText(row, 1);
    EXPECT_EQ(f.list.CellText(row, 2), "t" + id) << row;
    EXPECT_EQ(f.list.CellText(row, 4), id) << row;
    EXPECT_TRUE(seen.insert(id).second) << "duplicated " << id;
  }
  EXPECT_EQ(seen.size(), static_cast<size_t>(2 * kPerWorker));
  EXPECT_EQ(f.list.ContentHeight(), 2 * kPerWorker * f.list.RowHeight());
  EXPECT_EQ(f.list.VerticalBar()->Maximum(), f.list.ContentHeight() - static_cast<int>(f.list.RowsClip().Height));
}

// The text of the host's one tooltip tool; empty when there is none.
std::wstring ToolTipText(HWND tooltip) {
  if (SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0) == 0) return {};
  wchar_t text[256] = {};
  TTTOOLINFOW tool{};
  tool.cbSize = 44;
  tool.lpszText = text;
  if (!SendMessageW(tooltip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool))) return {};
  return text;
}

TEST(ListView, HoverAndPressesWhileAWorkerRefillsTheRows) {
  HostedWindow window{HostedWindow::Frame(0)};
  window.Show();
  ListView list;
  ListViewOptions options;
  options.checkBoxes = true;
  list.Create(window.window, 10, 10, 380, 260, options);
  for (int c = 1; c <= 3; ++c) list.InsertColumn(0, "C" + std::to_string(c), 100);
  constexpr int kRows = 4;
  constexpr int kRounds = 2000;  // hover-and-press rounds of the UI thread, at most
  constexpr DWORD kBudgetMs = 15000;  // a loaded machine does fewer rounds, not a longer test
  // Every refill writes the same rows: the cell under a point always reads "r<row>c<column>".
  // The first column holds only the check boxes, so that redrawing the rows stays quick.
  auto cell = [](int row, int column) { return "r" + std::to_string(row) + "c" + std::to_string(column); };
  std::atomic<bool> done{false};
  std::atomic<int> refills{0};
  std::atomic<bool> finished{false};
  std::thread worker([&] {
    while (!done) {
      list.ClearRows();
      for (int row = 1; row <= kRows; ++row) {
        // Only the last cell asks for a redraw: the rows change far faster than they are drawn.
        const int n = list.InsertRow(std::nullopt, {}, std::nullopt, 0, 0, std::nullopt, false);
        list.SetCellText(n, 2, cell(row, 2), false);
        list.SetCellText(n, 3, cell(row, 3), row == kRows);
      }
      ++refills;
      Sleep(1);  // the UI thread gets its turns in between
    }
    finished = true;
  });
  const Gdiplus::RectF view = list.ViewRect();
  const int rowHeight = list.RowHeight();
  int wrong = 0;
  int step = 0;
  for (const DWORD start = GetTickCount(); step < kRounds && GetTickCount() - start < kBudgetMs; ++step) {
    const int row = step % kRows + 1, column = step / kRows % 3 + 1;
    // Column 1 starts with the row's check box: presses there toggle it, elsewhere they select.
    const int x = static_cast<int>(10 + view.X) + (column - 1) * 100 + (column == 1 ? 10 : 40);
    const int y = static_cast<int>(10 + view.Y) + (row - 1) * rowHeight + rowHeight / 2;
    window.Send(WM_MOUSEMOVE, 0, x, y);
    const int hot = list.HotRow();
    const std::wstring tip = ToolTipText(window.host->Input().TooltipWindow());
    if (hot != 0 && hot != row) ++wrong;
    if (hot == row && !tip.empty() && column > 1 && tip != gfx::widen_text(cell(row, column))) ++wrong;
    const int before = list.CurrentRow();
    window.Send(WM_LBUTTONDOWN, MK_LBUTTON, x, y);
    // A press selects the row under it, or nothing when that row is not there at the moment.
    const int current = list.CurrentRow();
    if (column > 1 && current != 0 && current != row && current != before) ++wrong;
    window.Send(WM_LBUTTONUP, 0, x, y);
    // A bounded share of the queue: the worker posts repaints faster than they can all be drawn.
    MSG msg;
    for (int i = 0; i < 16 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) DispatchMessageW(&msg);
  }
  done = true;
  // The worker may be waiting for this thread to run one of its operations: keep answering.
  ASSERT_TRUE(PumpUntil([&] { return finished.load(); }, 60000));
  worker.join();
  Pump();
  EXPECT_GT(refills, 0);
  EXPECT_GT(step, 0);
  EXPECT_EQ(wrong, 0) << "hover or press landed on a row that is not under the mouse";
  EXPECT_EQ(list.RowCount(), kRows);
  EXPECT_LE(list.HotRow(), kRows);
  EXPECT_LE(list.CurrentRow(), kRows);
}

TEST(ListView, APressSelectsOnlyTheRowStillUnderIt) {
  // The owner's current-row callback refills the list, which scrolls it back to the top: the
  // row it was told about is no longer under the press, which then selects nothing.
  ListFixture f;
  f.Fill(100);
  f.list.EnsureVisible(60);
  Pump();
  ASSERT_LT(f.list.ScrollOffsetY(), 0);
  static ListFixture* fixture = nullptr;
  static int reported = 0;
  fixture = &f;
  reported = 0;
  f.list.SetOnCurrentChanged([](LPARAM, LPARAM row, LPARAM, LPARAM, LPARAM) -> LRESULT {
    reported = static_cast<int>(row);
    fixture->list.ClearRows();
    for (int i = 1; i <= 100; ++i) fixture->list.InsertRow(std::nullopt, std::to_string(i));
    return 0;
  });
  const POINT top = f.CellPoint(1);
  f.window.Send(WM_LBUTTONDOWN, MK_LBUTTON, top.x, top.y);
  f.window.Send(WM_LBUTTONUP, 0, top.x, top.y);
  Pump();
  EXPECT_GT(reported, 1) << "the press was reported for a row of the scrolled list";
  EXPECT_EQ(f.list.ScrollOffsetY(), 0);
  EXPECT_EQ(f.list.CurrentRow(), 0) << "row " << reported << " is no longer under the press";
  EXPECT_EQ(f.list.RowState(reported), kRowNormal);
  fixture = nullptr;
}

TEST(ListView, CheckBoxesToggleOnlyInsideTheBox) {
  HostedWindow window{HostedWindow::Frame(0)};
  window.Show();
  ListView list;
  ListViewOptions options;
  options.checkBoxes = true;
  list.Create(window.window, 10, 10, 380, 260, options);
  list.InsertColumn(0, "A", 120);
  list.InsertRow(std::nullopt, "one");
  list.InsertRow(std::nullopt, "two");
  static int toggles = 0;
  toggles = 0;
  list.SetOnCheckChanged([](LPARAM, LPARAM, LPARAM, LPARAM, LPARAM) -> LRESULT { return ++toggles; });
  const Gdiplus::RectF view = list.ViewRect();
  const int rowTop = static_cast<int>(10 + view.Y) + list.RowHeight();  // row 2
  const int boxX = static_cast<int>(10 + view.X) + 4 + 8, boxY = rowTop + list.RowHeight() / 2;
  struct Case {
    int x, y;
    bool ticked;
    int toggles;
  } cases[] = {{boxX, boxY, true, 1}, {boxX + 40, boxY, true, 1}, {boxX, boxY, false, 2}};
  for (const Case& c : cases) {
    window.Send(WM_LBUTTONDOWN, MK_LBUTTON, c.x, c.y);
    window.Send(WM_LBUTTONUP, 0, c.x, c.y);
    EXPECT_EQ(list.RowChecked(2), c.ticked);
    EXPECT_EQ(toggles, c.toggles);
  }
  EXPECT_FALSE(list.RowChecked(1));
}

}  // namespace

namespace {

// At every scale each column edge is one straight line: down the list's surface, every device
// row that shows a column line (the header's separators, the rows' grid lines) shows it on the
// same device columns. The cells are empty, so only the lines darken a pixel against its left.
TEST(ListViewGrid, HeaderSeparatorsAndRowLinesMeet) {
  for (int dpi : {96, 120, 144, 192}) {
    SCOPED_TRACE(dpi);
    HostedWindow window{HostedWindow::Frame(0)};
    window.Show();
    RECT suggested{50, 50, 50 + MulDiv(400, dpi, 96), 50 + MulDiv(300, dpi, 96)};
    window.Send(0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    ASSERT_EQ(window.host->Dpi(), dpi);
    ListView list;
    list.Create(window.window, 10, 10, 380, 200);
    for (int width : {100, 97, 61}) list.InsertColumn(0, "", width);
    for (int i = 0; i < 3; ++i) list.AddRow({"", "", ""}, i + 1);
    Pump();
    UINT w = 0, h = 0;
    gfx::gdip::GdipGetImageWidth(list.Surface(), &w);
    gfx::gdip::GdipGetImageHeight(list.Surface(), &h);
    ASSERT_GT(w, 20u);
    const auto light = [&](UINT x, UINT y) {
      const Gdiplus::ARGB c = ImagePixel(list.Surface(), x, y);
      return static_cast<int>(((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF));
    };
    std::set<std::vector<UINT>> lineSets;
    int rowsWithLines = 0;
    for (UINT y = 2; y + 2 < h; ++y) {
      std::vector<UINT> lines;
      for (UINT x = w / 10; x < w - w / 10; ++x) {  // away from the border's corners
        if (light(x, y) + 18 < light(x - 1, y)) lines.push_back(x);
      }
      if (lines.empty()) continue;
      ++rowsWithLines;
      lineSets.insert(lines);
    }
    EXPECT_GT(rowsWithLines, 3 * MulDiv(20, dpi, 96)) << "header and rows both show lines";
    ASSERT_EQ(lineSets.size(), 1u) << "the lines jog somewhere";
    EXPECT_EQ(lineSets.begin()->size(), 3u);
  }
}

}  // namespace
