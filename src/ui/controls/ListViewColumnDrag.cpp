// Columns the user widens and narrows: a press on a header divider drags the column's right
// edge, a double click there fits the column to its widest shown cell.
#include <algorithm>
#include <cmath>

#include "ui/controls/ListView.h"
#include "ui/gfx/Text.h"

using Lock = ListView::Locked;

namespace {
constexpr int kArrowRoom = 12;  // what the header keeps for a sort arrow
}  // namespace

void ListView::ResizableColumns(EventHandler onResized) {
  if (!OnUiThread()) return RunOnUiThread([&] { ResizableColumns(onResized); });
  resizableColumns_ = true;
  onColumnResized_ = onResized;
}

int ListView::DividerAtLocked(const Locked& lock, int x, int y) const {
  if (!resizableColumns_ || headerHeight_ <= 0 || viewStyle_ != kListReport) return 0;
  const int hx = x - static_cast<int>(headerStrip_.X), hy = y - static_cast<int>(headerStrip_.Y);
  if (hx < 0 || hy < 0 || hx >= static_cast<int>(headerStrip_.Width) || hy >= headerHeight_) return 0;
  return list_layout::DividerAt(hx - offsetX_, ColumnWidths(lock));
}

bool ListView::OnDividerPress(LPARAM lParam, bool doubleClick) {
  const Gdiplus::PointF local = FromWindow(lParam);
  int column = 0, width = 0;
  {
    const Lock lock(mutex_);
    column = DividerAtLocked(lock, static_cast<int>(local.X), static_cast<int>(local.Y));
    if (column != 0) width = columns_[static_cast<size_t>(column - 1)].width;
  }
  if (column == 0) return false;
  if (doubleClick) {
    const int fitting = FittingWidth(column);
    if (fitting != width && SetColumnWidth(column, fitting)) FireCallback(onColumnResized_, column, 0, 0);
    return true;
  }
  dragColumn_ = column;
  dragStartX_ = local.X;
  dragStartWidth_ = width;
  return true;
}

bool ListView::OnDividerMove(LPARAM lParam) {
  const Gdiplus::PointF local = FromWindow(lParam);
  if (dragColumn_ == 0) {
    // Over a divider the cursor says it can be dragged.
    int column = 0;
    {
      const Lock lock(mutex_);
      column = DividerAtLocked(lock, static_cast<int>(local.X), static_cast<int>(local.Y));
    }
    if (resizableColumns_) {
      const HCURSOR wanted = LoadCursorW(nullptr, MAKEINTRESOURCEW(column != 0 ? 32644 : 32512));  // IDC_SIZEWE, IDC_ARROW
      if (CursorHandle() != wanted) {
        Cursor(ControlCursor{wanted, nullptr});
        SetCursor(wanted);
      }
    }
    return false;
  }
  const int width = list_layout::DraggedWidth(dragStartWidth_, static_cast<int>(std::lround(local.X - dragStartX_)));
  if (width != ColumnWidth(dragColumn_)) SetColumnWidth(dragColumn_, width);
  return true;
}

bool ListView::OnDividerRelease() {
  if (dragColumn_ == 0) return false;
  const int column = dragColumn_;
  const bool changed = ColumnWidth(column) != dragStartWidth_;
  dragColumn_ = 0;
  if (changed) FireCallback(onColumnResized_, column, 0, 0);
  return true;
}

int ListView::FittingWidth(int column) {
  std::vector<std::string> texts;
  int inset = 0;
  {
    const Lock lock(mutex_);
    if (!ValidColumn(lock, column)) return 0;
    inset = cellInset_;
    texts.push_back(columns_[static_cast<size_t>(column - 1)].title);
    const list_layout::RowRange shown = VisibleRange(lock, offsetY_);
    for (int row = shown.first; row >= 1 && row <= shown.last; ++row) {
      texts.push_back(rows_[static_cast<size_t>(row - 1)].texts[static_cast<size_t>(column - 1)]);
    }
  }
  float widest = 0;
  Gdiplus::GpGraphics* g = canvasGraphics_.Get();
  for (const std::string& text : texts) {
    Gdiplus::RectF bounds;
    const std::wstring wide = gfx::widen_text(list_layout::CutText(text, list_layout::kMaxDrawnChars));
    if (g && gfx::measure_text(g, wide, Font(), Gdiplus::RectF(0, 0, 100000, 1000), format_.Get(), &bounds)) {
      widest = std::max(widest, bounds.Width);
    }
  }
  // The text, its inset on the left and the room the cell keeps on the right.
  return list_layout::DraggedWidth(0, static_cast<int>(std::ceil(widest)) + inset + 2 + kArrowRoom);
}
