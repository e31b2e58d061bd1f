// Marks the owner puts on rows: they stay with their rows through orders and filters, reach the
// copies the owner reads, colour the first cell and tell assistive technology what they mean.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/HostedControls.h"
#include "ui/controls/ListView.h"

using namespace controls_testing;

namespace {

constexpr Gdiplus::ARGB kMarkBlue = 0xFF0000FF;

class Descending final : public ListRowOrder {
 public:
  bool Before(const ListRowView& a, const ListRowView& b) const override { return a.data > b.data; }
};

class EvenOnly final : public ListRowFilter {
 public:
  bool Shows(const ListRowView& row) const override { return row.data % 2 == 0; }
};

struct MarkFixture {
  HostedWindow window{HostedWindow::Frame(0)};
  ListView list;

  MarkFixture() {
    window.Show();
    list.Create(window.window, 10, 10, 380, 260);
    for (int width : {60, 200}) list.InsertColumn(0, "C", width);
    for (std::uintptr_t data = 1; data <= 6; ++data) list.AddRow({"888888", "title " + std::to_string(data)}, data);
  }
  std::uint8_t MarkOf(std::uintptr_t data) {
    const int row = list.FindRowByData(data);
    return row ? list.RowMark(row) : 0;
  }
  // Whether the row's first cell has a pixel of the colour.
  bool FirstCellHas(int row, Gdiplus::ARGB colour) {
    Pump();
    const int h = list.RowHeight();
    for (int y = (row - 1) * h; y < row * h; ++y) {
      for (int x = 0; x < 60; ++x) {
        if ((ImagePixel(list.RowsCanvas(), x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) return true;
      }
    }
    return false;
  }
};

TEST(ListViewMarks, MarksStayWithTheirRowsThroughOrdersAndFilters) {
  MarkFixture f;
  f.list.SetRowMarks(kMarkBlue, {"", "one", "two", "one and two"});
  EXPECT_FALSE(f.list.MarkRowsOfData(99, 1)) << "no row has the data";
  EXPECT_TRUE(f.list.MarkRowsOfData(3, 1));
  EXPECT_TRUE(f.list.MarkRowsOfData(3, 2));  // bits add up
  EXPECT_TRUE(f.list.MarkRowsOfData(4, 2));
  EXPECT_EQ(f.MarkOf(3), 3);
  EXPECT_EQ(f.MarkOf(4), 2);
  EXPECT_EQ(f.MarkOf(5), 0);

  f.list.SetRowOrder(std::make_shared<Descending>());
  EXPECT_EQ(f.list.RowData(4), 3u);
  EXPECT_EQ(f.list.RowMark(4), 3) << "the mark moved with its row";
  EXPECT_EQ(f.list.RowMark(3), 2);

  // A hidden row takes a mark too, and shows it when it comes back.
  f.list.SetRowFilter(std::make_shared<EvenOnly>());
  EXPECT_TRUE(f.list.MarkRowsOfData(5, 1));
  std::vector<std::uint8_t> copied(7);
  for (const ListRowCopy& row : f.list.RowCopies()) copied[row.data] = row.mark;
  EXPECT_EQ(copied, (std::vector<std::uint8_t>{0, 0, 0, 3, 2, 1, 0})) << "copies carry the marks, hidden rows' too";
  f.list.SetRowFilter(nullptr);
  EXPECT_EQ(f.MarkOf(5), 1);
  EXPECT_EQ(f.MarkOf(3), 3);

  f.list.CurrentRow(f.list.FindRowByData(4));  // the selection of a single-selection list
  const std::vector<ListRowCopy> selected = f.list.SelectedRowCopies();
  ASSERT_EQ(selected.size(), 1u);
  EXPECT_EQ(selected[0].mark, 2);
}

TEST(ListViewMarks, TheFirstCellTakesTheColourAndTheDescriptionSaysWhy) {
  MarkFixture f;
  Pump();
  EXPECT_FALSE(f.FirstCellHas(1, kMarkBlue));
  // Without a colour a mark draws as any row (and says nothing without its texts).
  f.list.MarkRowsOfData(1, 1);
  EXPECT_FALSE(f.FirstCellHas(1, kMarkBlue));
  EXPECT_TRUE(f.list.DescribeItem(1).description.empty());

  f.list.SetRowMarks(kMarkBlue, {"", "copied", "sent"});
  EXPECT_TRUE(f.FirstCellHas(1, kMarkBlue)) << "a mark set before its colour shows once there is one";
  EXPECT_FALSE(f.FirstCellHas(2, kMarkBlue));
  f.list.MarkRowsOfData(2, 2);
  EXPECT_TRUE(f.FirstCellHas(2, kMarkBlue)) << "a new mark redraws its row";
  EXPECT_EQ(f.list.DescribeItem(1).description, L"copied");
  EXPECT_EQ(f.list.DescribeItem(2).description, L"sent");
  EXPECT_TRUE(f.list.DescribeItem(3).description.empty());
  // A mark past the texts describes nothing rather than reading past them.
  f.list.MarkRowsOfData(3, 4);
  EXPECT_TRUE(f.list.DescribeItem(3).description.empty());

  // Selected, the row still shows its mark; the other cells keep the text colour.
  f.list.SelectRow(1);
  EXPECT_TRUE(f.FirstCellHas(1, kMarkBlue));
  const int h = f.list.RowHeight();
  Pump();
  for (int x = 60; x < 260; ++x) {
    for (int y = 0; y < h; ++y) EXPECT_NE(ImagePixel(f.list.RowsCanvas(), x, y) & 0xFFFFFF, kMarkBlue & 0xFFFFFF);
  }
}

}  // namespace
