// Rows shown through the owner's filter: hidden rows wait apart and come back in their place,
// leave the selection, and rows that arrive meanwhile are filtered in their ordered place.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/HostedControls.h"
#include "ui/controls/ListView.h"

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

}  // namespace
