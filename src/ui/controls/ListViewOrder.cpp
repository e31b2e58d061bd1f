// Rows kept in an order the owner gives: moving every row into it, adding a row at its place
// without moving what the user sees, reading and writing a row by its data, and the header
// click and arrow that let the owner show which order is in force.
#include "ui/controls/ListView.h"

#include "base/Contained.h"

#include <algorithm>
#include <numeric>

using Lock = ListView::Locked;

std::vector<size_t> ListRowOrder::Arrange(const std::vector<ListRowView>& rows) const {
  std::vector<size_t> indexes(rows.size());
  std::iota(indexes.begin(), indexes.end(), size_t{0});
  std::sort(indexes.begin(), indexes.end(), [&](size_t a, size_t b) { return Before(rows[a], rows[b]); });
  return indexes;
}

void ListView::ArrangeLocked(const Locked& lock, const ListRowOrder& order) {
  if (rows_.empty()) return;
  std::vector<ListRowView> views;
  views.reserve(rows_.size());
  for (const Row& row : rows_) views.push_back({row.texts, row.data});
  const std::vector<size_t> indexes = order.Arrange(views);
  // Anything but a permutation of the rows leaves them where they are.
  const size_t count = rows_.size();
  if (indexes.size() != count) return;
  std::vector<int> numberOf(count + 1, 0);  // old row number -> new one
  for (size_t at = 0; at < count; ++at) {
    const size_t from = indexes[at];
    if (from >= count || numberOf[from + 1] != 0) return;
    numberOf[from + 1] = static_cast<int>(at) + 1;
  }
  std::vector<Row> arranged;
  arranged.reserve(count);
  for (size_t from : indexes) arranged.push_back(std::move(rows_[from]));
  rows_.swap(arranged);
  // Row states travel with their rows; the numbers that point at rows follow them.
  auto follow = [&](int& row) {
    if (ValidRow(lock, row)) row = numberOf[static_cast<size_t>(row)];
  };
  follow(currentRow_);
  follow(hotRow_);
  pending_.rows = true;  // told to assistive technology as a reorder
  pending_.reshuffled = true;
}

int ListView::PlaceLocked(const Locked& lock, const ListRowView& row) const {
  // After every row it does not go before: equal rows keep the order they were added in.
  size_t low = 0, high = rows_.size();
  while (low < high) {
    const size_t middle = low + (high - low) / 2;
    const Row& other = rows_[middle];
    if (order_->Before(row, {other.texts, other.data})) {
      high = middle;
    } else {
      low = middle + 1;
    }
  }
  return static_cast<int>(low) + 1;
}

void ListView::SetRowOrder(std::shared_ptr<const ListRowOrder> order) {
  int keepInView = 0;
  {
    const Lock lock(mutex_);
    // A current row the user could see stays in sight after the rows move.
    const list_layout::RowRange shown = VisibleRange(lock, offsetY_);
    const bool currentShown = shown.Contains(currentRow_);
    // Stored only once the rows are arranged by it: a failure half way leaves both as they were.
    if (order) ArrangeLocked(lock, *order);
    order_ = std::move(order);
    if (currentShown) keepInView = currentRow_;
  }
  Notify();
  if (keepInView && IsLive()) EnsureVisible(keepInView);
}

int ListView::AddRow(std::vector<std::string> texts, std::uintptr_t data, bool redraw) {
  // Out of memory half way: the row is not there, and nothing else moved.
  const int number = base::Contained([&] {
    const Lock lock(mutex_);
    Row row;
    texts.resize(columns_.size());
    for (std::string& text : texts) {
      if (text.size() > kListCellMaxBytes) text = std::string(list_layout::CutText(text, kListCellMaxBytes));
    }
    row.texts = std::move(texts);
    row.images.assign(columns_.size(), -1);
    row.data = data;
    row.colour = textColour_;
    row.serial = NextSerialLocked(lock);
    if (filter_ && !filter_->Shows({row.texts, row.data})) {
      if (rows_.empty() && hidden_.empty()) pending_.all = true;  // the filtered-out line shows
      hidden_.push_back(std::move(row));
      return kRowFilteredOut;
    }
    const int count = static_cast<int>(rows_.size());
    const int number = order_ ? PlaceLocked(lock, {row.texts, row.data}) : count + 1;
    // The row at the top of the view, before the new row moves it.
    const int top = list_layout::RowAtContentY(-offsetY_, count, rowHeight_);
    rows_.insert(rows_.begin() + (number - 1), std::move(row));
    RecomputeContentHeight(lock);
    if (count == 0 && !emptyText_.empty()) pending_.all = true;  // the first row takes the line's place
    if (number > count) {
      if (redraw) pending_.Mark(number, INT_MAX);
    } else {
      if (currentRow_ >= number) ++currentRow_;
      if (hotRow_ >= number) ++hotRow_;
      // At or above the top row of a scrolled view: the view moves down one row with its rows.
      const bool keepView = offsetY_ < 0 && top > 0 && number <= top && viewStyle_ != kListIcons;
      if (keepView) {
        offsetY_ -= rowHeight_;
        ++rowsInsertedAbove_;
      }
      // Rows marked for redrawing keep their marks.
      if (pending_.first != INT_MAX && pending_.first >= number) ++pending_.first;
      if (pending_.last != INT_MAX && pending_.last >= number) ++pending_.last;
      if (keepView && firstVisible_ > 0 && number <= firstVisible_) {
        ++firstVisible_;
        ++lastVisible_;
        canvasShift_ -= rowHeight_;
      } else if (redraw) {
        pending_.Mark(number, INT_MAX);
      }
    }
    return number;
  });
  if (number == 0) return 0;
  Notify();
  return number;
}

void ListView::TakeCanvasShift() {
  int shift = 0;
  {
    const Lock lock(mutex_);
    shift = canvasShift_;
    canvasShift_ = 0;
  }
  canvasOffsetY_ += shift;
}

ListRowCopy ListView::CurrentRowCopy() {
  const Lock lock(mutex_);
  ListRowCopy copy;
  if (!ValidRow(lock, currentRow_)) return copy;
  const Row& row = rows_[static_cast<size_t>(currentRow_ - 1)];
  copy.row = currentRow_;
  copy.data = row.data;
  copy.texts = row.texts;
  copy.mark = row.mark;
  return copy;
}

std::vector<ListRowCopy> ListView::RowCopies() {
  const Lock lock(mutex_);
  std::vector<ListRowCopy> copies;
  copies.reserve(rows_.size() + hidden_.size());
  int number = 0;
  for (const Row& row : rows_) copies.push_back({++number, row.data, row.texts, row.mark});
  for (const Row& row : hidden_) copies.push_back({0, row.data, row.texts, row.mark});
  return copies;
}

bool ListView::SetCellTextOfData(std::uintptr_t data, int column, const std::string& text, bool redraw) {
  {
    const Lock lock(mutex_);
    if (!ValidColumn(lock, column)) return false;
    auto found = std::find_if(rows_.begin(), rows_.end(), [&](const Row& row) { return row.data == data; });
    if (found == rows_.end()) {
      auto hidden = std::find_if(hidden_.begin(), hidden_.end(), [&](const Row& row) { return row.data == data; });
      if (hidden == hidden_.end()) return false;
      hidden->texts[static_cast<size_t>(column - 1)] = std::string(list_layout::CutText(text, kListCellMaxBytes));
      return true;
    }
    found->texts[static_cast<size_t>(column - 1)] = std::string(list_layout::CutText(text, kListCellMaxBytes));
    if (!redraw) return true;
    const int row = static_cast<int>(found - rows_.begin()) + 1;
    pending_.Mark(row, row);
  }
  Notify();
  return true;
}

void ListView::SetOnHeaderClick(EventHandler callback) { onHeaderClick_ = callback; }

void ListView::SetSortIndicator(int column, int direction) {
  {
    const Lock lock(mutex_);
    if (direction != kSortAscending && direction != kSortDescending) direction = kSortNone;
    if (!ValidColumn(lock, column) || direction == kSortNone) column = 0, direction = kSortNone;
    if (column == sortColumn_ && direction == sortDirection_) return;
    sortColumn_ = column;
    sortDirection_ = direction;
    pending_.columns = true;
  }
  Notify();
}

int ListView::SortIndicatorColumn() {
  const Lock lock(mutex_);
  return sortColumn_;
}

int ListView::SortIndicatorDirection() {
  const Lock lock(mutex_);
  return sortDirection_;
}

int ListView::HeaderColumnLocked(const Locked& lock, int x, int y) const {
  if (headerHeight_ <= 0 || viewStyle_ != kListReport) return 0;
  const int hx = x - static_cast<int>(headerStrip_.X), hy = y - static_cast<int>(headerStrip_.Y);
  if (hx < 0 || hy < 0 || hx >= static_cast<int>(headerStrip_.Width) || hy >= headerHeight_) return 0;
  return list_layout::ColumnAtContentX(hx - offsetX_, ColumnWidths(lock));
}

bool ListView::OnHeaderPress(LPARAM lParam) {
  const Gdiplus::PointF local = FromWindow(lParam);
  int column = 0;
  {
    const Lock lock(mutex_);
    column = HeaderColumnLocked(lock, static_cast<int>(local.X), static_cast<int>(local.Y));
  }
  if (column == 0) return false;
  FireCallback(onHeaderClick_, column, 0, 0);
  return true;
}

void ListView::SetRowMarks(Gdiplus::ARGB colour, std::vector<std::string> descriptions) {
  {
    const Lock lock(mutex_);
    markColour_ = colour;
    markTexts_ = std::move(descriptions);
    pending_.all = true;
  }
  Notify();
}

bool ListView::MarkRowsOfData(std::uintptr_t data, std::uint8_t bits, bool redraw) {
  bool found = false;
  {
    const Lock lock(mutex_);
    for (Row& row : hidden_) {
      if (row.data == data) row.mark |= bits, found = true;
    }
    for (size_t i = 0; i < rows_.size(); ++i) {
      Row& row = rows_[i];
      if (row.data != data || (row.mark | bits) == row.mark) {
        found = found || row.data == data;
        continue;
      }
      row.mark |= bits;
      found = true;
      if (redraw) pending_.Mark(static_cast<int>(i) + 1, static_cast<int>(i) + 1);
    }
  }
  if (found && redraw) Notify();
  return found;
}

std::uint8_t ListView::RowMark(int row) {
  const Lock lock(mutex_);
  return ValidRow(lock, row) ? rows_[static_cast<size_t>(row - 1)].mark : 0;
}
