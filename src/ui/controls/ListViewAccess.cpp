// The list as assistive technology reads it: rows as list items, selection and current row
// as their states, and events for rows added or cleared, selection and focus moves.
#include <algorithm>
#include <iterator>

#include "ui/controls/ListView.h"
#include "ui/core/WindowHost.h"
#include "ui/gfx/Text.h"

using Gdiplus::RectF;

namespace {
using Lock = ListView::Locked;
}  // namespace

AccessibleInfo ListView::Describe() {
  AccessibleInfo info;
  info.role = ROLE_SYSTEM_LIST;
  std::string line = ShownEmptyText();
  if (line.empty()) line = ShownEndText();
  const Lock lock(mutex_);
  // While the list shows its line instead of rows, the line is what there is to hear.
  if (!line.empty()) info.description = gfx::widen_text(line);
  for (const Column& column : columns_) {
    if (!line.empty()) break;
    if (column.width <= 0) continue;
    if (!info.description.empty()) info.description += L'\t';
    info.description += gfx::widen_text(column.title);
  }
  if (!singleSelection_) info.state |= STATE_SYSTEM_MULTISELECTABLE;
  if (IsFilling()) info.state |= STATE_SYSTEM_BUSY;
  return info;
}

void ListView::BeginFilling() {
  if (filling_++ == 0) NotifyAccessible(this, EVENT_OBJECT_STATECHANGE);
}

void ListView::EndFilling() {
  if (--filling_ == 0) NotifyAccessible(this, EVENT_OBJECT_STATECHANGE);
}

int ListView::AccessibleItemCount() {
  const Lock lock(mutex_);
  return static_cast<int>(rows_.size());
}

AccessibleInfo ListView::DescribeItem(int item) {
  AccessibleInfo info;
  info.role = ROLE_SYSTEM_LISTITEM;
  const bool focused = Host() && Host()->Focused() == this;
  const Lock lock(mutex_);
  if (!ValidRow(lock, item)) return info;
  const Row& row = rows_[static_cast<size_t>(item - 1)];
  bool first = true;
  for (size_t c = 0; c < columns_.size() && c < row.texts.size(); ++c) {
    if (columns_[c].width <= 0) continue;
    if (!first) info.name += L'\t';
    info.name += gfx::widen_text(row.texts[c]);
    first = false;
  }
  if (row.mark < markTexts_.size()) info.description = gfx::widen_text(markTexts_[row.mark]);
  info.state = STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE;
  if ((singleSelection_ && item == currentRow_) || InSelection(lock, item)) info.state |= STATE_SYSTEM_SELECTED;
  if (item == currentRow_ && focused) info.state |= STATE_SYSTEM_FOCUSED;
  if (checkBoxes_ && row.ticked) info.state |= STATE_SYSTEM_CHECKED;
  const RectF r = RowRect(lock, item, offsetX_, offsetY_);
  if (r.Y + r.Height <= 0 || r.Y >= rowsClip_.Height) info.state |= STATE_SYSTEM_OFFSCREEN;
  return info;
}

RectF ListView::AccessibleItemBounds(int item) {
  const Lock lock(mutex_);
  if (!ValidRow(lock, item)) return RectF();
  RectF r = RowRect(lock, item, offsetX_, offsetY_);
  // The row as far as it shows in the view, in host client coordinates.
  const RectF& b = BoundsRef();
  const float left = std::max(r.X, 0.0f), right = std::min(r.X + r.Width, rowsClip_.Width);
  return RectF(b.X + view_.X + left, b.Y + view_.Y + r.Y, std::max(right - left, 0.0f), r.Height);
}

int ListView::AccessibleItemAt(POINT clientPoint) {
  int row = 0;
  const RectF& b = BoundsRef();
  HitTest(clientPoint.x - static_cast<int>(b.X), clientPoint.y - static_cast<int>(b.Y), &row, nullptr, false);
  return row;
}

int ListView::AccessibleFocusedItem() {
  const Lock lock(mutex_);
  return currentRow_;
}

bool ListView::SelectAccessibleItem(int item, long flags) {
  if (item < 1 || item > RowCount()) return false;
  if (flags & (SELFLAG_TAKEFOCUS | SELFLAG_TAKESELECTION)) {
    if (CurrentRow() != item) {
      CurrentRow(item);
      FireCallback(onCurrentChanged_, item, 0, 0);
    }
    EnsureVisible(item);
  }
  if (flags & SELFLAG_ADDSELECTION) SelectRow(item);
  if (flags & SELFLAG_REMOVESELECTION) DeselectRow(item);
  return true;
}

void ListView::AnnounceChanges(bool rowsChanged) {
  // Rows are told apart by serial: a selected or current row that rows sorted in above it only
  // moved is not announced again.
  std::uint32_t current = 0;
  int currentRow = 0;
  std::vector<std::uint32_t> selection;
  std::vector<std::pair<int, bool>> changed;  // row, now selected
  bool manyChanged = false;
  constexpr size_t kEventsPerChange = 20;  // beyond: one "selection within" for all
  {
    const Lock lock(mutex_);
    currentRow = ValidRow(lock, currentRow_) ? currentRow_ : 0;
    current = currentRow ? rows_[static_cast<size_t>(currentRow - 1)].serial : 0;
    // Nothing selected before or now (a single-selection list): only the current row can change.
    if (selectedCount_ != 0 || !announcedSelection_.empty()) {
      selection = SelectedSerialsLocked(lock);
      if (selection != announcedSelection_) {
        std::vector<std::uint32_t> added, removed;
        std::set_difference(selection.begin(), selection.end(), announcedSelection_.begin(),
                            announcedSelection_.end(), std::back_inserter(added));
        std::set_difference(announcedSelection_.begin(), announcedSelection_.end(), selection.begin(),
                            selection.end(), std::back_inserter(removed));
        manyChanged = added.size() + removed.size() > kEventsPerChange;
        if (!manyChanged) {
          for (size_t i = 0; i < rows_.size(); ++i) {
            const std::uint32_t serial = rows_[i].serial;
            if (std::binary_search(added.begin(), added.end(), serial)) changed.push_back({static_cast<int>(i) + 1, true});
            if (std::binary_search(removed.begin(), removed.end(), serial)) {
              changed.push_back({static_cast<int>(i) + 1, false});
            }
          }
        }
      }
    }
  }
  if (rowsChanged) NotifyAccessible(this, EVENT_OBJECT_REORDER);
  std::string line = ShownEmptyText();
  if (line.empty()) line = ShownEndText();
  if (line != announcedEmptyText_) {
    announcedEmptyText_ = std::move(line);
    NotifyAccessible(this, EVENT_OBJECT_DESCRIPTIONCHANGE);
  }
  const bool selectionChanged = selection != announcedSelection_;
  if (current == announcedCurrent_ && !selectionChanged) return;
  const bool currentMoved = current != announcedCurrent_;
  announcedCurrent_ = current;
  announcedSelection_ = std::move(selection);
  const bool focused = Host() && Host()->Focused() == this;
  // The selection became the current row alone (a click, a movement key), or a single-selection
  // list's current row moved: one "selection" event names it.
  const bool alone = singleSelection_ ? currentMoved
                                      : announcedSelection_.size() == 1 && announcedSelection_[0] == current;
  if (currentRow > 0 && alone) {
    NotifyAccessible(this, EVENT_OBJECT_SELECTION, currentRow);
  } else if (selectionChanged && manyChanged) {
    NotifyAccessible(this, EVENT_OBJECT_SELECTIONWITHIN);
  } else if (selectionChanged) {
    for (const auto& [row, selected] : changed) {
      NotifyAccessible(this, selected ? EVENT_OBJECT_SELECTIONADD : EVENT_OBJECT_SELECTIONREMOVE, row);
    }
  } else if (currentMoved && currentRow == 0) {
    NotifyAccessible(this, EVENT_OBJECT_SELECTIONWITHIN);
  }
  if (currentRow > 0 && currentMoved && focused) NotifyAccessible(this, EVENT_OBJECT_FOCUS, currentRow);
}
