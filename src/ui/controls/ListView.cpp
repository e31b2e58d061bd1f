// The list's table: columns, rows, cells, selection and search. Every operation takes the
// list's lock for as long as it touches the arrays, records what needs redrawing and hands
// that to the UI thread after the lock is released (Notify).
#include "ui/controls/ListView.h"

#include <algorithm>
#include <cstring>

#include "base/Contained.h"
#include "ui/core/WindowHost.h"

using Gdiplus::ARGB;
using Lock = ListView::Locked;

namespace {

// Longer texts are kept up to the limit: a cell never needs more and a row stays small.
std::string CellCopy(const std::string& text) {
  return std::string(list_layout::CutText(text, kListCellMaxBytes));
}

}  // namespace

ListView::~ListView() {
  if (IsLive()) Destroy();
}

// --- locked helpers ---

bool ListView::InSelection(const Locked& lock, int row) const {
  return ValidRow(lock, row) && rows_[static_cast<size_t>(row - 1)].selected;
}

void ListView::SetSelectedLocked(const Locked& lock, int row, bool selected) {
  if (!ValidRow(lock, row)) return;
  Row& r = rows_[static_cast<size_t>(row - 1)];
  if (r.selected == selected) return;
  r.selected = selected;
  selectedCount_ += selected ? 1 : -1;
  RefreshState(lock, row);
}

void ListView::ClearSelectionLocked(const Locked& lock) {
  if (selectedCount_ == 0) return;
  for (int row = 1; row <= static_cast<int>(rows_.size()) && selectedCount_ > 0; ++row)
    SetSelectedLocked(lock, row, false);
}

void ListView::SelectRangeLocked(const Locked& lock, int from, int to) {
  if (from > to) std::swap(from, to);
  for (int row = std::max(from, 1); row <= to && ValidRow(lock, row); ++row) SetSelectedLocked(lock, row, true);
}

int ListView::AnchorRowLocked(const Locked& lock, int fallback) const {
  if (anchorSerial_ != 0) {
    for (size_t i = 0; i < rows_.size(); ++i) {
      if (rows_[i].serial == anchorSerial_) return static_cast<int>(i) + 1;
    }
  }
  return fallback;
}

void ListView::SetAnchorLocked(const Locked& lock, int row) {
  anchorSerial_ = ValidRow(lock, row) ? rows_[static_cast<size_t>(row - 1)].serial : 0;
}

void ListView::PickLocked(const Locked& lock, int row, Pick pick) {
  if (!ValidRow(lock, row)) return;
  const int previous = currentRow_;
  if (singleSelection_) pick = Pick::Alone;  // the current row is the selection
  switch (pick) {
    case Pick::Alone:
      ClearSelectionLocked(lock);
      if (!singleSelection_) SetSelectedLocked(lock, row, true);
      SetAnchorLocked(lock, row);
      break;
    case Pick::Toggle:
      SetSelectedLocked(lock, row, !InSelection(lock, row));
      SetAnchorLocked(lock, row);
      break;
    case Pick::Range:
    case Pick::AddRange: {
      const int anchor = AnchorRowLocked(lock, ValidRow(lock, previous) ? previous : row);
      if (pick == Pick::Range) ClearSelectionLocked(lock);
      SelectRangeLocked(lock, anchor, row);
      SetAnchorLocked(lock, anchor);
      break;
    }
    case Pick::KeepOrAlone:
      if (!InSelection(lock, row)) {
        ClearSelectionLocked(lock);
        SetSelectedLocked(lock, row, true);
        SetAnchorLocked(lock, row);
      }
      break;
    case Pick::FocusOnly:
      break;
  }
  currentRow_ = row;
  RefreshState(lock, previous);
  RefreshState(lock, row);
  if (previous != row) {
    // The focus frame moves even where the selection does not.
    if (ValidRow(lock, previous)) pending_.Mark(previous, previous);
    pending_.Mark(row, row);
  }
}

std::vector<std::uint32_t> ListView::SelectedSerialsLocked(const Locked& lock) const {
  std::vector<std::uint32_t> serials;
  if (selectedCount_ == 0) return serials;
  serials.reserve(static_cast<size_t>(selectedCount_));
  for (const Row& row : rows_) {
    if (row.selected) serials.push_back(row.serial);
  }
  std::sort(serials.begin(), serials.end());
  return serials;
}

void ListView::RefreshState(const Locked& lock, int row) {
  if (!ValidRow(lock, row)) return;
  int state = kRowNormal;
  // A single-selection list selects its current row; a multi-selection one keeps them apart.
  if ((singleSelection_ && row == currentRow_) || InSelection(lock, row)) {
    state = kRowSelected;
  } else if (row == hotRow_) {
    state = kRowHot;
  }
  Row& r = rows_[static_cast<size_t>(row - 1)];
  if (r.state != state) {
    r.state = state;
    pending_.Mark(row, row);
  }
}

std::vector<int> ListView::ColumnWidths(const Locked& lock) const {
  std::vector<int> widths;
  widths.reserve(columns_.size());
  for (const Column& c : columns_) widths.push_back(c.width);
  return widths;
}

int ListView::LineHeight(const Locked& lock) const { return rowHeight_; }

int ListView::ItemsPerLine(const Locked& lock) const {
  return viewStyle_ == kListIcons ? std::max(itemsPerLine_, 1) : 1;
}

void ListView::RecomputeContentWidth(const Locked& lock) {
  contentWidth_ =
      list_layout::ContentWidth(ColumnWidths(lock), static_cast<int>(view_.Width), viewStyle_ == kListReport);
  pending_.columns = true;
  pending_.all = true;
}

void ListView::RecomputeContentHeight(const Locked& lock) {
  const int count = static_cast<int>(rows_.size());
  // The end text takes one more row's height below the rows.
  const bool endLine = count > 0 && !endText_.empty() && viewStyle_ == kListReport;
  contentHeight_ = list_layout::ContentHeight(count + (endLine ? 1 : 0), LineHeight(lock), ItemsPerLine(lock));
  pending_.rows = true;
}

void ListView::Notify() {
  // Also on the UI thread: a burst of operations draws once, when the thread is back in its loop.
  if (!IsLive()) return;
  if (pendingPosted_.exchange(true)) return;
  if (!post_to_control(GetHostWindow(), this, TKM_LIST_PENDING, 0, 0)) pendingPosted_ = false;
}

// --- columns ---

int ListView::InsertColumn(int position, const std::string& title, std::optional<int> width,
                           std::optional<int> alignment, std::optional<int> image) {
  int inserted = 0;
  {
    const Lock lock(mutex_);
    const int count = static_cast<int>(columns_.size());
    if (position < 0 || position > count) position = 0;  // append
    Column column;
    column.title = CellCopy(title);
    column.width = std::clamp(width.value_or(50), 0, list_layout::kMaxColumnWidth);
    column.image = image.value_or(-1);
    // The alignment counts once the list has a column; the first column is always near.
    if (alignment && count > 0) column.alignment = std::clamp(*alignment, kAlignNear, kAlignFar);
    const size_t at = position == 0 ? columns_.size() : static_cast<size_t>(position - 1);
    columns_.insert(columns_.begin() + static_cast<std::ptrdiff_t>(at), std::move(column));
    for (Row& row : rows_) {
      row.texts.insert(row.texts.begin() + static_cast<std::ptrdiff_t>(at), std::string());
      row.images.insert(row.images.begin() + static_cast<std::ptrdiff_t>(at), -1);
    }
    inserted = static_cast<int>(at) + 1;
    RecomputeContentWidth(lock);
  }
  Notify();
  return inserted;
}

bool ListView::DeleteColumn(int column) {
  {
    const Lock lock(mutex_);
    if (!ValidColumn(lock, column)) return false;
    const auto at = static_cast<std::ptrdiff_t>(column - 1);
    columns_.erase(columns_.begin() + at);
    for (Row& row : rows_) {
      row.texts.erase(row.texts.begin() + at);
      row.images.erase(row.images.begin() + at);
    }
    RecomputeContentWidth(lock);
  }
  Notify();
  return true;
}

std::string ListView::ColumnTitle(int column) {
  const Lock lock(mutex_);
  return ValidColumn(lock, column) ? columns_[static_cast<size_t>(column - 1)].title : std::string();
}

bool ListView::SetColumnTitle(int column, const std::string& title) {
  {
    const Lock lock(mutex_);
    if (!ValidColumn(lock, column)) return false;
    columns_[static_cast<size_t>(column - 1)].title = CellCopy(title);
    pending_.columns = true;
  }
  Notify();
  return true;
}

int ListView::ColumnWidth(int column) {
  const Lock lock(mutex_);
  return ValidColumn(lock, column) ? columns_[static_cast<size_t>(column - 1)].width : 0;
}

bool ListView::SetColumnWidth(int column, int width) {
  {
    const Lock lock(mutex_);
    if (!ValidColumn(lock, column) || width < 0) return false;
    columns_[static_cast<size_t>(column - 1)].width = std::min(width, list_layout::kMaxColumnWidth);
    RecomputeContentWidth(lock);
  }
  Notify();
  return true;
}

int ListView::ColumnImage(int column) {
  const Lock lock(mutex_);
  return ValidColumn(lock, column) ? columns_[static_cast<size_t>(column - 1)].image : -1;
}

bool ListView::SetColumnImage(int column, int image) {
  {
    const Lock lock(mutex_);
    if (!ValidColumn(lock, column)) return false;
    columns_[static_cast<size_t>(column - 1)].image = image;
    pending_.columns = true;
  }
  Notify();
  return true;
}

int ListView::ColumnCount() {
  const Lock lock(mutex_);
  return static_cast<int>(columns_.size());
}

std::vector<std::uint8_t> ListView::SaveLayout() {
  std::vector<std::int32_t> words;
  {
    const Lock lock(mutex_);
    words = {static_cast<std::int32_t>(rows_.size()), itemWidth_, rowHeight_,
             static_cast<std::int32_t>(columns_.size())};
    for (const Column& c : columns_) words.push_back(c.width);
  }
  std::vector<std::uint8_t> bytes(words.size() * sizeof(std::int32_t));
  std::memcpy(bytes.data(), words.data(), bytes.size());
  return bytes;
}

// --- rows ---

int ListView::RowCount() {
  const Lock lock(mutex_);
  return static_cast<int>(rows_.size());
}

int ListView::InsertRow(std::optional<int> position, const std::string& text, std::optional<int> image,
                        std::uintptr_t data, std::uintptr_t param, std::optional<ARGB> colour, bool redraw) {
  // Out of memory half way: the row is not there, and nothing else moved.
  const int number = base::Contained([&] {
    const Lock lock(mutex_);
    Row row;
    row.texts.assign(columns_.size(), std::string());
    row.images.assign(columns_.size(), -1);
    if (!row.texts.empty()) {
      row.texts[0] = CellCopy(text);
      row.images[0] = image.value_or(-1);
    }
    row.data = data;
    row.param = param;
    row.colour = colour.value_or(textColour_);
    row.serial = NextSerialLocked(lock);
    const int count = static_cast<int>(rows_.size());
    const bool before = position && *position >= 1 && *position <= count;
    const int number = before ? *position : count + 1;
    rows_.insert(rows_.begin() + (number - 1), std::move(row));
    if (before) {
      // Row numbers at or after the new row move down by one.
      if (currentRow_ >= number) ++currentRow_;
      if (hotRow_ >= number) ++hotRow_;
    }
    RecomputeContentHeight(lock);
    if (redraw) pending_.Mark(number, INT_MAX);
    if (count == 0 && !emptyText_.empty()) pending_.all = true;  // the first row takes the line's place
    return number;
  });
  if (number == 0) return 0;
  Notify();
  return number;
}

bool ListView::DeleteRow(int row) {
  {
    const Lock lock(mutex_);
    if (!ValidRow(lock, row)) return false;
    if (rows_[static_cast<size_t>(row - 1)].selected) --selectedCount_;
    rows_.erase(rows_.begin() + (row - 1));
    if (currentRow_ == row) {
      currentRow_ = 0;
    } else if (currentRow_ > row) {
      --currentRow_;
    }
    if (hotRow_ == row) {
      hotRow_ = 0;
    } else if (hotRow_ > row) {
      --hotRow_;
    }
    RecomputeContentHeight(lock);
    pending_.Mark(row, INT_MAX);
  }
  Notify();
  return true;
}

void ListView::ClearRows() {
  {
    const Lock lock(mutex_);
    std::vector<Row>().swap(rows_);
    std::vector<Row>().swap(hidden_);
    selectedCount_ = 0;
    anchorSerial_ = 0;
    firstVisible_ = lastVisible_ = 0;
    hotRow_ = hotColumn_ = currentRow_ = 0;
    offsetX_ = offsetY_ = 0;
    contentHeight_ = 0;
    pending_.rows = true;
    pending_.all = true;
  }
  Notify();
}

bool ListView::SetCellText(int row, int column, const std::string& text, bool redraw) {
  {
    const Lock lock(mutex_);
    if (!ValidRow(lock, row) || !ValidColumn(lock, column)) return false;
    rows_[static_cast<size_t>(row - 1)].texts[static_cast<size_t>(column - 1)] = CellCopy(text);
    if (!redraw) return true;
    pending_.Mark(row, row);
  }
  Notify();
  return true;
}

std::string ListView::CellText(int row, int column) {
  const Lock lock(mutex_);
  if (!ValidRow(lock, row) || !ValidColumn(lock, column)) return {};
  return rows_[static_cast<size_t>(row - 1)].texts[static_cast<size_t>(column - 1)];
}

bool ListView::SetRowData(int row, std::uintptr_t value) {
  const Lock lock(mutex_);
  if (!ValidRow(lock, row)) return false;
  rows_[static_cast<size_t>(row - 1)].data = value;
  return true;
}

std::uintptr_t ListView::RowData(int row) {
  const Lock lock(mutex_);
  return ValidRow(lock, row) ? rows_[static_cast<size_t>(row - 1)].data : 0;
}

bool ListView::SetRowTextColour(int row, ARGB colour, bool redraw) {
  {
    const Lock lock(mutex_);
    if (!ValidRow(lock, row)) return false;
    rows_[static_cast<size_t>(row - 1)].colour = colour;
    if (!redraw) return true;
    pending_.Mark(row, row);
  }
  Notify();
  return true;
}

bool ListView::SetCellImage(int row, int column, int image, bool redraw) {
  {
    const Lock lock(mutex_);
    if (!ValidRow(lock, row) || !ValidColumn(lock, column)) return false;
    rows_[static_cast<size_t>(row - 1)].images[static_cast<size_t>(column - 1)] = image;
    if (!redraw) return true;
    pending_.Mark(row, row);
  }
  Notify();
  return true;
}

int ListView::CellImage(int row, int column) {
  const Lock lock(mutex_);
  if (!ValidRow(lock, row) || !ValidColumn(lock, column)) return -1;
  return rows_[static_cast<size_t>(row - 1)].images[static_cast<size_t>(column - 1)];
}

int ListView::RowState(int row, int state, bool set) {
  {
    const Lock lock(mutex_);
    if (!ValidRow(lock, row)) return 0;
    Row& r = rows_[static_cast<size_t>(row - 1)];
    if (!set || r.state == state) return r.state;
    r.state = state;
    pending_.Mark(row, row);
  }
  Notify();
  return state;
}

bool ListView::RowChecked(int row) {
  const Lock lock(mutex_);
  return ValidRow(lock, row) && rows_[static_cast<size_t>(row - 1)].ticked;
}

bool ListView::SetRowChecked(int row, bool ticked) {
  {
    const Lock lock(mutex_);
    if (!ValidRow(lock, row)) return false;
    Row& r = rows_[static_cast<size_t>(row - 1)];
    if (r.ticked == ticked) return true;
    r.ticked = ticked;
    pending_.Mark(row, row);
  }
  Notify();
  return true;
}

// --- current row and selection ---

int ListView::CurrentRow(std::optional<int> row) {
  int current = 0;
  {
    const Lock lock(mutex_);
    if (!row) return currentRow_;
    if (ValidRow(lock, *row)) {
      PickLocked(lock, *row, Pick::Alone);
    } else {
      ClearSelectionLocked(lock);
      const int previous = currentRow_;
      currentRow_ = 0;
      RefreshState(lock, previous);
    }
    current = currentRow_;
  }
  Notify();
  return current;
}

bool ListView::SingleSelection(std::optional<bool> value) {
  {
    const Lock lock(mutex_);
    if (!value || *value == singleSelection_) return singleSelection_;
    singleSelection_ = *value;
    // Either way the current row stays the one row selected.
    ClearSelectionLocked(lock);
    if (!singleSelection_) SetSelectedLocked(lock, currentRow_, true);
    RefreshState(lock, currentRow_);
  }
  Notify();
  return *value;
}

bool ListView::SelectRow(int row) {
  {
    const Lock lock(mutex_);
    if (singleSelection_ || !ValidRow(lock, row) || InSelection(lock, row)) return false;
    SetSelectedLocked(lock, row, true);
  }
  Notify();
  return true;
}

std::vector<int> ListView::Selection() {
  const Lock lock(mutex_);
  std::vector<int> rows;
  rows.reserve(static_cast<size_t>(selectedCount_));
  for (int row = 1; row <= static_cast<int>(rows_.size()) && static_cast<int>(rows.size()) < selectedCount_; ++row) {
    if (rows_[static_cast<size_t>(row - 1)].selected) rows.push_back(row);
  }
  return rows;
}

std::vector<ListRowCopy> ListView::SelectedRowCopies() {
  const Lock lock(mutex_);
  std::vector<ListRowCopy> copies;
  if (singleSelection_) {
    if (ValidRow(lock, currentRow_)) {
      const Row& r = rows_[static_cast<size_t>(currentRow_ - 1)];
      copies.push_back({currentRow_, r.data, r.texts, r.mark});
    }
    return copies;
  }
  copies.reserve(static_cast<size_t>(selectedCount_));
  for (int row = 1; row <= static_cast<int>(rows_.size()); ++row) {
    const Row& r = rows_[static_cast<size_t>(row - 1)];
    if (r.selected) copies.push_back({row, r.data, r.texts, r.mark});
  }
  return copies;
}

bool ListView::DeselectRow(int row) {
  {
    const Lock lock(mutex_);
    if (!InSelection(lock, row)) return false;
    SetSelectedLocked(lock, row, false);
  }
  Notify();
  return true;
}

int ListView::SelectionCount() {
  const Lock lock(mutex_);
  return selectedCount_;
}

bool ListView::IsRowSelected(int row) {
  const Lock lock(mutex_);
  return ValidRow(lock, row) && rows_[static_cast<size_t>(row - 1)].state == kRowSelected;
}

int ListView::SelectionIndexOf(int row) {
  const Lock lock(mutex_);
  if (!InSelection(lock, row)) return 0;
  int index = 0;
  for (int r = 1; r <= row; ++r) index += rows_[static_cast<size_t>(r - 1)].selected ? 1 : 0;
  return index;
}

bool ListView::HotTracking(std::optional<bool> value) {
  const Lock lock(mutex_);
  if (value) hotTracking_ = *value;
  return hotTracking_;
}

bool ListView::CheckIndex(int row, bool rowGiven, int column, bool columnGiven) {
  const Lock lock(mutex_);
  return (!rowGiven || ValidRow(lock, row)) && (!columnGiven || ValidColumn(lock, column));
}

// --- search ---

int ListView::FindRow(const std::string& text, int start, bool fromStart, bool substring, bool caseSensitive,
                      int column) {
  const Lock lock(mutex_);
  const int count = static_cast<int>(rows_.size());
  if (count == 0) return 0;
  if (column != -1 && !ValidColumn(lock, column)) return 0;
  if (start < 1 || start > count) start = 1;
  auto matches = [&](const Row& row) {
    if (column != -1) {
      return list_layout::CellMatches(row.texts[static_cast<size_t>(column - 1)], text, substring, caseSensitive);
    }
    for (const std::string& cell : row.texts) {
      if (list_layout::CellMatches(cell, text, substring, caseSensitive)) return true;
    }
    return false;
  };
  for (int r = start; r <= count; ++r) {
    if (matches(rows_[static_cast<size_t>(r - 1)])) return r;
  }
  if (fromStart) {
    for (int r = 1; r < start; ++r) {
      if (matches(rows_[static_cast<size_t>(r - 1)])) return r;
    }
  }
  return 0;
}

int ListView::FindRowByData(std::uintptr_t value, int start) {
  const Lock lock(mutex_);
  const int count = static_cast<int>(rows_.size());
  for (int r = std::max(start, 1); r <= count; ++r) {
    if (rows_[static_cast<size_t>(r - 1)].data == value) return r;
  }
  return 0;
}

// --- callbacks ---

void ListView::SetOnLeftClick(EventHandler callback) { onLeftClick_ = callback; }
void ListView::SetOnRightClick(EventHandler callback) { onRightClick_ = callback; }
void ListView::SetOnCurrentChanged(EventHandler callback) { onCurrentChanged_ = callback; }
void ListView::SetOnCheckChanged(EventHandler callback) { onCheckChanged_ = callback; }

void ListView::FireCallback(EventHandler callback, int row, LPARAM value, LPARAM flag) {
  if (!callback) return;
  if (Control* parent = ParentControl()) {
    callback(reinterpret_cast<LPARAM>(parent), reinterpret_cast<LPARAM>(this), row, value, flag);
  } else {
    callback(reinterpret_cast<LPARAM>(this), row, value, flag, 0);
  }
}

// --- redraw requests ---

void ListView::RedrawRowsFrom(int row) {
  {
    const Lock lock(mutex_);
    pending_.Mark(std::max(row, 1), INT_MAX);
  }
  Notify();
}

void ListView::RedrawRow(int row) {
  {
    const Lock lock(mutex_);
    if (!ValidRow(lock, row)) return;
    pending_.Mark(row, row);
  }
  Notify();
}

// --- read access ---

int ListView::ScrollOffsetX() {
  const Lock lock(mutex_);
  return offsetX_;
}
int ListView::ScrollOffsetY() {
  const Lock lock(mutex_);
  return offsetY_;
}
int ListView::ContentWidth() {
  const Lock lock(mutex_);
  return contentWidth_;
}
int ListView::ContentHeight() {
  const Lock lock(mutex_);
  return contentHeight_;
}
int ListView::RowHeight() {
  const Lock lock(mutex_);
  return rowHeight_;
}
int ListView::HotRow() {
  const Lock lock(mutex_);
  return hotRow_;
}
int ListView::HotColumn() {
  const Lock lock(mutex_);
  return hotColumn_;
}

int ListView::RowAtContentY(int y) {
  const Lock lock(mutex_);
  if (viewStyle_ == kListIcons) {
    const int line = list_layout::RowAtContentY(
        y, (static_cast<int>(rows_.size()) + ItemsPerLine(lock) - 1) / ItemsPerLine(lock), LineHeight(lock));
    return line == 0 ? 0 : std::min((line - 1) * ItemsPerLine(lock) + 1, static_cast<int>(rows_.size()));
  }
  return list_layout::RowAtContentY(y, static_cast<int>(rows_.size()), LineHeight(lock));
}

int ListView::FirstVisibleRow() {
  int offsetX = 0, offsetY = 0;
  {
    const Lock lock(mutex_);
    offsetX = offsetX_;
    offsetY = offsetY_;
  }
  (void)offsetX;
  return RowAtContentY(-offsetY);
}
