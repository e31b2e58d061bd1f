#include "app/ResultSorting.h"

#include "app/AppState.h"
#include "app/MainControls.h"
#include "app/ResultsView.h"
#include "ui/core/UiThread.h"

namespace {

int SortedColumn(search::SortKey key) {
  switch (key) {
    case search::SortKey::Name: return kColumnTitle;
    case search::SortKey::Size: return kColumnSize;
    case search::SortKey::Format: return kColumnFormat;
    case search::SortKey::Arrival: break;
  }
  return 0;
}

class ResultListOrder final : public ListRowOrder {
 public:
  explicit ResultListOrder(search::SortOrder order) : order_(order) {}

  bool Before(const ListRowView& a, const ListRowView& b) const override {
    return search::RowBefore(search::MakeRowKey(Cells(a), order_.key), search::MakeRowKey(Cells(b), order_.key),
                             order_);
  }

  // Keys are made once per row: a name's key costs a call into the system.
  std::vector<size_t> Arrange(const std::vector<ListRowView>& rows) const override {
    std::vector<search::RowCells> cells;
    cells.reserve(rows.size());
    for (const ListRowView& row : rows) cells.push_back(Cells(row));
    return search::SortedIndexes(cells, order_);
  }

 private:
  static search::RowCells Cells(const ListRowView& row) {
    auto cell = [&](int column) {
      return static_cast<size_t>(column) <= row.texts.size() ? std::string_view(row.texts[column - 1]) : std::string_view();
    };
    return {cell(kColumnTitle), cell(kColumnSize), cell(kColumnFormat), row.data};
  }

  search::SortOrder order_;
};

}  // namespace

std::shared_ptr<const ListRowOrder> ResultRowOrder(search::SortOrder order) {
  return std::make_shared<ResultListOrder>(order);
}

search::SortOrder CurrentResultOrder(ListView& mainList) {
  const bool descending = mainList.SortIndicatorDirection() == kSortDescending;
  switch (mainList.SortIndicatorColumn()) {
    case kColumnTitle: return {search::SortKey::Name, descending};
    case kColumnSize: return {search::SortKey::Size, descending};
    case kColumnFormat: return {search::SortKey::Format, descending};
    default: return {};
  }
}

void ApplyResultOrder(MainControls& ui, search::SortOrder order) {
  const std::shared_ptr<const ListRowOrder> rows = ResultRowOrder(order);
  const int column = SortedColumn(order.key);
  const int direction = column == 0 ? kSortNone : order.descending ? kSortDescending : kSortAscending;
  // Hidden category rows are never seen again: a category tab refills the list first.
  if (!ui.categoryList.Visible()) ui.categoryList.ClearRows();
  for (ListView* list : {&ui.mainList, &ui.categoryList}) {
    list->SetRowOrder(rows);
    list->SetSortIndicator(column, direction);
  }
}

void ResetResultOrder(MainControls& ui) {
  for (ListView* list : {&ui.mainList, &ui.categoryList}) {
    list->SetRowOrder(nullptr);
    list->SetSortIndicator(0, kSortNone);
  }
}

LRESULT ResultHeaderClick(LPARAM first, LPARAM second, LPARAM third, LPARAM, LPARAM) {
  MainControls* ui = AppState.controls.get();
  if (!ui) return 0;
  // The list reports itself first, or after its parent control when it has one.
  const bool listFirst = first == reinterpret_cast<LPARAM>(&ui->mainList) ||
                         first == reinterpret_cast<LPARAM>(&ui->categoryList);
  const int column = static_cast<int>(listFirst ? second : third);
  // Memory running out leaves the rows in the order they had.
  ui::Contained([ui, column] {
    const search::SortOrder current = CurrentResultOrder(ui->mainList);
    const search::SortOrder next = search::NextSortOrder(current, column);
    if (next != current || column == kColumnId) ApplyResultOrder(*ui, next);
  });
  return 0;
}
