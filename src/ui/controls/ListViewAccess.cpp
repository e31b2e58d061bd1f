// The list as assistive technology reads it: rows as list items, selection and current row
// as their states, and events for rows added or cleared, selection and focus moves.
#include <algorithm>

#include "ui/controls/ListView.h"
#include "ui/core/WindowHost.h"
#include "ui/gfx/Text.h"

using Gdiplus::RectF;

namespace {
using Lock = std::lock_guard<std::mutex>;
}  // namespace

AccessibleInfo ListView::Describe() {
  AccessibleInfo info;
  info.role = ROLE_SYSTEM_LIST;
  const std::string line = ShownEmptyText();
  Lock lock(mutex_);
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
  Lock lock(mutex_);
  return static_cast<int>(rows_.size());
}

AccessibleInfo ListView::DescribeItem(int item) {
  AccessibleInfo info;
  info.role = ROLE_SYSTEM_LISTITEM;
  const bool focused = Host() && Host()->Focused() == this;
  Lock lock(mutex_);
  if (!ValidRow(item)) return info;
  const Row& row = rows_[static_cast<size_t>(item - 1)];
  bool first = true;
  for (size_t c = 0; c < columns_.size() && c < row.texts.size(); ++c) {
    if (columns_[c].width <= 0) continue;
    if (!first) info.name += L'\t';
    info.name += gfx::widen_text(row.texts[c]);
    first = false;
  }
  info.state = STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE;
  if (item == currentRow_ || InSelection(item)) info.state |= STATE_SYSTEM_SELECTED;
  if (item == currentRow_ && focused) info.state |= STATE_SYSTEM_FOCUSED;
  if (checkBoxes_ && row.ticked) info.state |= STATE_SYSTEM_CHECKED;
  const RectF r = RowRect(item, offsetX_, offsetY_);
  if (r.Y + r.Height <= 0 || r.Y >= rowsClip_.Height) info.state |= STATE_SYSTEM_OFFSCREEN;
  return info;
}

RectF ListView::AccessibleItemBounds(int item) {
  Lock lock(mutex_);
  if (!ValidRow(item)) return RectF();
  RectF r = RowRect(item, offsetX_, offsetY_);
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
  Lock lock(mutex_);
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
  int current = 0;
  std::vector<int> selection;
  {
    Lock lock(mutex_);
    current = currentRow_;
    selection = selection_;
  }
  if (rowsChanged) NotifyAccessible(this, EVENT_OBJECT_REORDER);
  if (std::string line = ShownEmptyText(); line != announcedEmptyText_) {
    announcedEmptyText_ = std::move(line);
    NotifyAccessible(this, EVENT_OBJECT_DESCRIPTIONCHANGE);
  }
  if (current == announcedCurrent_ && selection == announcedSelection_) return;
  const bool currentMoved = current != announcedCurrent_;
  announcedCurrent_ = current;
  announcedSelection_ = selection;
  if (current > 0 && currentMoved) {
    NotifyAccessible(this, EVENT_OBJECT_SELECTION, current);
    if (Host() && Host()->Focused() == this) NotifyAccessible(this, EVENT_OBJECT_FOCUS, current);
  } else {
    NotifyAccessible(this, EVENT_OBJECT_SELECTIONWITHIN);
  }
}
