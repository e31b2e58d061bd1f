// The rows shown through the owner's filter: the ones it hides wait apart, in arrival order,
// until the filter changes.
#include <algorithm>

#include "ui/controls/ListView.h"

using Lock = ListView::Locked;

void ListView::SetRowFilter(std::shared_ptr<const ListRowFilter> filter) {
  {
    const Lock lock(mutex_);
    const auto serialOf = [&](int row) { return ValidRow(lock, row) ? rows_[static_cast<size_t>(row - 1)].serial : 0; };
    const std::uint32_t current = serialOf(currentRow_);
    const std::uint32_t top =
        viewStyle_ == kListReport ? serialOf(list_layout::RowAtContentY(-offsetY_, static_cast<int>(rows_.size()), rowHeight_))
                                  : 0;
    // Everything that can fail is made first, so that memory running out leaves the rows as
    // they were; moving rows cannot fail.
    const size_t total = rows_.size() + hidden_.size();
    std::vector<Row> shown, hidden;
    shown.reserve(total);
    hidden.reserve(total);
    const auto place = [&](Row& row) {
      if (!filter || filter->Shows({row.texts, row.data})) {
        shown.push_back(std::move(row));
      } else {
        row.selected = false;
        hidden.push_back(std::move(row));
      }
    };
    if (!order_) {
      // Both are in arrival order: taken in one merge, so are the rows shown and hidden.
      size_t a = 0, b = 0;
      while (a < rows_.size() || b < hidden_.size()) {
        const bool fromRows = b >= hidden_.size() || (a < rows_.size() && rows_[a].serial < hidden_[b].serial);
        place(fromRows ? rows_[a++] : hidden_[b++]);
      }
    } else {
      for (std::vector<Row>* from : {&rows_, &hidden_}) {
        for (Row& row : *from) place(row);
      }
      std::sort(hidden.begin(), hidden.end(), [](const Row& a, const Row& b) { return a.serial < b.serial; });
    }
    rows_ = std::move(shown);
    hidden_ = std::move(hidden);
    filter_ = std::move(filter);
    currentRow_ = hotRow_ = 0;
    if (order_) ArrangeLocked(lock, *order_);
    selectedCount_ = 0;
    int topRow = 0;
    bool anchorShown = false;
    for (size_t at = 0; at < rows_.size(); ++at) {
      const Row& row = rows_[at];
      selectedCount_ += row.selected ? 1 : 0;
      if (row.serial == current && current != 0) currentRow_ = static_cast<int>(at) + 1;
      if (row.serial == top && top != 0) topRow = static_cast<int>(at) + 1;
      anchorShown = anchorShown || row.serial == anchorSerial_;
    }
    if (!anchorShown) anchorSerial_ = 0;
    for (size_t at = 0; at < rows_.size(); ++at) RefreshState(lock, static_cast<int>(at) + 1);
    RecomputeContentHeight(lock);
    // The row at the top stays there while it is shown; otherwise the view keeps its place as
    // far as the rows still reach.
    if (topRow > 0) offsetY_ = -(topRow - 1) * rowHeight_;
    firstVisible_ = lastVisible_ = 0;
    pending_.rows = true;
    pending_.reshuffled = true;
  }
  Notify();
}

int ListView::AllRowCount() {
  const Lock lock(mutex_);
  return static_cast<int>(rows_.size() + hidden_.size());
}
