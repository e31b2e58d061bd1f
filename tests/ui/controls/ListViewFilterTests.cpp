// Rows shown through the owner's filter: hidden rows wait apart and come back in their place,
// leave the selection, and rows that arrive meanwhile are filtered in their ordered place.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/HostedControls.h"
#include "ui/controls/ListView.h"
#include "ui/gfx/Pixels.h"

using namespace controls_testing;

namespace {

// Rows whose first cell holds the text.
class Holding final : public ListRowFilter {
 public:
  explicit Holding(std::string text) : text_(std::move(text)) {}
  bool Shows(const ListRowView& row) const override { return row.texts[0].find(text_) != std::string::npos; }

 private:
  std::string text_;
};

// Rows whose data passes a test.
class Passing final : public ListRowFilter {
 public:
  explicit Passing(std::function<bool(std::uintptr_t)> test) : test_(std::move(test)) {}
  bool Shows(const ListRowView& row) const override { return test_(row.data); }

 private:
  std::function<bool(std::uintptr_t)> test_;
};

std::vector<std::uint32_t> CanvasCopy(ListView& list) {
  gfx::BitmapPixels pixels(list.RowsCanvas());
  const gfx::PixelArea area = pixels.Area();
  std::vector<std::uint32_t> copy;
  for (int y = 0; y < area.height; ++y) {
    const std::uint32_t* line = area.bits + static_cast<size_t>(y) * static_cast<size_t>(area.stride);
    copy.insert(copy.end(), line, line + area.width);
  }
  return copy;
}

// Rows by their first cell, descending.
class ByTextDescending final : public ListRowOrder {
 public:
  bool Before(const ListRowView& a, const ListRowView& b) const override {
    return a.texts[0] != b.texts[0] ? a.texts[0] > b.texts[0] : a.data < b.data;
  }
};

struct FilterFixture {
  HostedWindow window{HostedWindow::Frame(0)};
  ListView list;

  FilterFixture() {
    window.Show();
    list.Create(window.window, 10, 10, 380, 260);
    list.SingleSelection(false);
    for (int width : {100, 100}) list.InsertColumn(0, "C", width);
  }
  int Add(const std::string& text, std::uintptr_t data) { return list.AddRow({text, "x"}, data); }
  std::vector<std::uintptr_t> Shown() {
    std::vector<std::uintptr_t> datas;
    for (int row = 1; row <= list.RowCount(); ++row) datas.push_back(list.RowData(row));
    return datas;
  }
  std::vector<std::uintptr_t> Selected() {
    std::vector<std::uintptr_t> datas;
    for (const ListRowCopy& row : list.SelectedRowCopies()) datas.push_back(row.data);
    return datas;
  }
};

TEST(ListViewFilter, HiddenRowsWaitApartAndComeBackInTheirPlace) {
  FilterFixture f;
  for (auto [text, data] : std::vector<std::pair<std::string, std::uintptr_t>>{
           {"apple", 1}, {"berry", 2}, {"apricot", 3}, {"cherry", 4}, {"avocado", 5}}) {
    f.Add(text, data);
  }
  f.list.CurrentRow(2);  // berry, current and selected
  f.list.SelectRow(3);   // apricot
  f.list.SelectRow(4);   // cherry
  f.list.SetRowFilter(std::make_shared<Holding>("a"));
  Pump();
  EXPECT_EQ(f.Shown(), (std::vector<std::uintptr_t>{1, 3, 5}));
  EXPECT_EQ(f.list.RowCount(), 3);
  EXPECT_EQ(f.list.AllRowCount(), 5);
  EXPECT_EQ(f.Selected(), (std::vector<std::uintptr_t>{3})) << "hidden rows leave the selection";
  EXPECT_EQ(f.list.CurrentRow(), 0) << "a hidden current row leaves none current";

  // Rows arriving are filtered as they come; a hidden one answers that it is out of sight.
  EXPECT_EQ(f.Add("banana", 6), 4);
  EXPECT_EQ(f.Add("fig", 7), kRowFilteredOut);
  EXPECT_EQ(f.Shown(), (std::vector<std::uintptr_t>{1, 3, 5, 6}));
  // A cell of a hidden row can still be set (a link found for it is kept).
  EXPECT_TRUE(f.list.SetCellTextOfData(7, 2, "kept"));

  // Every row, in arrival order, comes back without the filter; the hidden ones unselected.
  f.list.SetRowFilter(nullptr);
  Pump();
  EXPECT_EQ(f.Shown(), (std::vector<std::uintptr_t>{1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(f.Selected(), (std::vector<std::uintptr_t>{3}));
  EXPECT_EQ(f.list.CellText(7, 2), "kept");
  const std::vector<ListRowCopy> copies = f.list.RowCopies();
  EXPECT_EQ(copies.size(), 7u);
}

TEST(ListViewFilter, FilterAndOrderCombineInEitherOrder) {
  for (bool orderFirst : {true, false}) {
    SCOPED_TRACE(orderFirst);
    FilterFixture f;
    const char* texts[] = {"a1", "b2", "a3", "b4", "a5"};
    for (int i = 0; i < 5; ++i) f.Add(texts[i], i + 1);
    if (orderFirst) f.list.SetRowOrder(std::make_shared<ByTextDescending>());
    f.list.SetRowFilter(std::make_shared<Holding>("a"));
    if (!orderFirst) f.list.SetRowOrder(std::make_shared<ByTextDescending>());
    EXPECT_EQ(f.Shown(), (std::vector<std::uintptr_t>{5, 3, 1}));
    f.Add("a4", 6);  // into its sorted place among the shown rows
    f.Add("b9", 7);
    EXPECT_EQ(f.Shown(), (std::vector<std::uintptr_t>{5, 6, 3, 1}));
    f.list.SetRowFilter(nullptr);
    EXPECT_EQ(f.Shown(), (std::vector<std::uintptr_t>{7, 4, 2, 5, 6, 3, 1}));
    const std::vector<ListRowCopy> copies = f.list.RowCopies();
    EXPECT_EQ(copies.size(), 7u);
  }
}

TEST(ListViewFilter, AllHiddenShowsTheFilteredOutLineAndClearingForgetsThem) {
  FilterFixture f;
  f.list.SetEmptyText("empty");
  f.list.SetFilteredOutText("none passes");
  EXPECT_EQ(f.list.ShownEmptyText(), "empty");
  f.list.SetRowFilter(std::make_shared<Holding>("zzz"));
  f.Add("apple", 1);
  EXPECT_EQ(f.list.RowCount(), 0);
  EXPECT_EQ(f.list.ShownEmptyText(), "none passes");
  const std::vector<ListRowCopy> copies = f.list.RowCopies();
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_EQ(copies[0].row, 0) << "a hidden row has no number";
  f.list.ClearRows();
  EXPECT_EQ(f.list.AllRowCount(), 0);
  EXPECT_EQ(f.list.ShownEmptyText(), "empty");
}

// A filter or an order draws only the rows whose place shows something else; what the list
// shows then is what drawing every row afresh shows.
TEST(ListViewFilter, RowsThatOnlyMovedAreNotDrawnAgainAndTheViewIsAsDrawnAfresh) {
  FilterFixture f;
  for (int i = 1; i <= 60; ++i) f.Add((i < 10 ? "r0" : "r") + std::to_string(i), static_cast<std::uintptr_t>(i));
  Pump();
  const int inView = static_cast<int>(f.list.RowsClip().Height) / f.list.RowHeight();
  ASSERT_GE(inView, 8);
  const auto hide = [&](std::function<bool(std::uintptr_t)> shown) {
    f.list.SetRowFilter(std::make_shared<Passing>(std::move(shown)));
  };
  struct Case {
    const char* name;
    std::function<void()> prepare, change;
    int least, most;  // rows the change drew
  } cases[] = {
      {"two rows in view hidden", [] {}, [&] { hide([](std::uintptr_t d) { return d != 6 && d != 7; }); }, 1,
       inView - 3},
      {"and shown again", [] {}, [&] { f.list.SetRowFilter(nullptr); }, 1, inView - 3},
      {"the hovered row's neighbour hidden",
       [&] {
         const Gdiplus::RectF view = f.list.ViewRect();
         const int y = static_cast<int>(10 + view.Y) + 3 * f.list.RowHeight() + f.list.RowHeight() / 2;
         f.window.Send(WM_MOUSEMOVE, 0, 50, y);
       },
       [&] { hide([](std::uintptr_t d) { return d != 3; }); }, 1, inView + 1},
      {"scrolled down, a row above the view hidden",
       [&] {
         f.list.SetRowFilter(nullptr);
         f.list.VerticalBar()->Position(20 * f.list.RowHeight());
         f.list.SetScrollY(20 * f.list.RowHeight());
       },
       [&] { hide([](std::uintptr_t d) { return d != 5; }); }, 0, 0},
      {"an order that moves every row", [] {}, [&] { f.list.SetRowOrder(std::make_shared<ByTextDescending>()); },
       inView, inView + 2},
      // Fewer rows than the view holds: no bar comes or goes, and the end line moves.
      {"a few rows fewer above an end line",
       [&] {
         f.list.SetEndText("the end of the rows, said below the last of them");
         hide([](std::uintptr_t d) { return d >= 55; });
       },
       [&] { hide([](std::uintptr_t d) { return d >= 58; }); }, 0, 3},
      {"rows back where the end line was", [] {}, [&] { hide([](std::uintptr_t d) { return d >= 55; }); }, 3, 6},
      {"every row back", [] {}, [&] { f.list.SetRowFilter(nullptr); }, inView - 3, inView + 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.prepare();
    Pump();
    const long before = f.list.RowsDrawn();
    c.change();
    Pump();
    const long drawn = f.list.RowsDrawn() - before;
    EXPECT_GE(drawn, c.least);
    EXPECT_LE(drawn, c.most);
    const std::vector<std::uint32_t> shown = CanvasCopy(f.list);
    f.list.RedrawRowsFrom(1);  // every row in view drawn afresh
    Pump();
    ASSERT_GT(f.list.RowsDrawn(), before + drawn) << "drawn afresh";
    EXPECT_TRUE(shown == CanvasCopy(f.list)) << "the canvas differs from one drawn afresh";
  }
}

}  // namespace
