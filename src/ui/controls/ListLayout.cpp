#include "ui/controls/ListLayout.h"

#include <algorithm>
#include <cstdint>

namespace list_layout {

namespace {

// A byte that starts a GBK double-byte character.
bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// Length of the character starting at i: 2 for a lead byte followed by any byte, else 1.
size_t CharLength(std::string_view text, size_t i) {
  return (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
}

unsigned char FoldAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

// Whether wanted matches text at byte position at, character by character.
bool MatchesAt(std::string_view text, size_t at, std::string_view wanted, bool caseSensitive) {
  if (text.size() - at < wanted.size()) return false;
  size_t i = 0;
  while (i < wanted.size()) {
    const size_t length = CharLength(wanted, i);
    if (length == 2) {
      if (text[at + i] != wanted[i] || text[at + i + 1] != wanted[i + 1]) return false;
      // The text's character must end where the wanted one ends, not run across it.
      if (CharLength(text, at + i) != 2) return false;
    } else {
      auto a = static_cast<unsigned char>(text[at + i]);
      auto b = static_cast<unsigned char>(wanted[i]);
      if (!caseSensitive) {
        a = FoldAscii(a);
        b = FoldAscii(b);
      }
      if (a != b) return false;
      if (CharLength(text, at + i) != 1) return false;
    }
    i += length;
  }
  return true;
}

}  // namespace

int ContentWidth(const std::vector<int>& columnWidths, int viewWidth, bool reportStyle) {
  if (!reportStyle) return viewWidth;
  std::int64_t sum = 0;
  for (int width : columnWidths) sum += std::max(width, 0);
  if (sum > viewWidth) return static_cast<int>(std::min<std::int64_t>(sum + kBarRoom, INT32_MAX));
  return viewWidth;
}

int ContentHeight(int rowCount, int rowHeight, int itemsPerLine) {
  if (rowCount <= 0 || rowHeight <= 0) return 0;
  const int perLine = std::max(itemsPerLine, 1);
  const std::int64_t lines = (static_cast<std::int64_t>(rowCount) + perLine - 1) / perLine;
  return static_cast<int>(std::min<std::int64_t>(lines * rowHeight, INT32_MAX));
}

int RowAtContentY(int y, int rowCount, int rowHeight) {
  if (y < 0 || rowHeight <= 0 || rowCount <= 0) return 0;
  const int row = y / rowHeight + 1;
  return row <= rowCount ? row : 0;
}

RowRange VisibleRows(int rowCount, int rowHeight, int offsetY, int viewHeight) {
  if (rowCount <= 0 || rowHeight <= 0 || viewHeight <= 0) return {};
  const int top = std::max(-offsetY, 0);
  const int first = top / rowHeight + 1;
  if (first > rowCount) return {};
  // The last row whose top lies above the view's bottom.
  const std::int64_t bottom = static_cast<std::int64_t>(top) + viewHeight;
  std::int64_t last = (bottom - 1) / rowHeight + 1;
  if (last > rowCount) last = rowCount;
  return {first, static_cast<int>(last)};
}

int DividerAt(int x, const std::vector<int>& columnWidths, int slack) {
  std::int64_t right = 0, nearest = static_cast<std::int64_t>(slack) + 1;
  int found = 0;
  for (size_t i = 0; i < columnWidths.size(); ++i) {
    const int width = std::max(columnWidths[i], 0);
    right += width;
    if (width == 0) continue;
    const std::int64_t distance = right > x ? right - x : x - right;
    if (distance < nearest) {
      nearest = distance;
      found = static_cast<int>(i + 1);
    }
  }
  return found;
}

int DraggedWidth(int startWidth, int dragX) {
  const std::int64_t width = static_cast<std::int64_t>(startWidth) + dragX;
  return static_cast<int>(std::clamp<std::int64_t>(width, kMinDraggedWidth, kMaxColumnWidth));
}

int ColumnAtContentX(int x, const std::vector<int>& columnWidths) {
  if (x < 0) return 0;
  std::int64_t left = 0;
  for (size_t i = 0; i < columnWidths.size(); ++i) {
    const int width = std::max(columnWidths[i], 0);
    if (x >= left && x < left + width) return static_cast<int>(i + 1);
    left += width;
  }
  return 0;
}

Hit HitTest(int viewX, int viewY, int offsetX, int offsetY, int rowCount, int rowHeight,
            const std::vector<int>& columnWidths) {
  if (viewX < 0 || viewY < 0) return {};
  Hit hit;
  hit.row = RowAtContentY(viewY - offsetY, rowCount, rowHeight);
  if (hit.row != 0) hit.column = ColumnAtContentX(viewX - offsetX, columnWidths);
  return hit;
}

int EnsureVisiblePosition(int row, int rowHeight, int currentPosition, int viewHeight, int maximum) {
  if (row <= 0 || rowHeight <= 0) return currentPosition;
  const std::int64_t top = static_cast<std::int64_t>(row - 1) * rowHeight;
  const std::int64_t bottom = top + rowHeight;
  std::int64_t position = currentPosition;
  if (top < currentPosition) {
    position = top;
  } else if (bottom > static_cast<std::int64_t>(currentPosition) + viewHeight) {
    position = bottom - viewHeight;
  }
  return static_cast<int>(std::clamp<std::int64_t>(position, 0, std::max(maximum, 0)));
}

int WheelPosition(int currentPosition, int wheelDelta, int step, int maximum) {
  if (wheelDelta == 0) return currentPosition;
  const std::int64_t next = static_cast<std::int64_t>(currentPosition) + (wheelDelta > 0 ? -step : step);
  return static_cast<int>(std::clamp<std::int64_t>(next, 0, std::max(maximum, 0)));
}

bool CellMatches(std::string_view cell, std::string_view wanted, bool substring, bool caseSensitive) {
  if (!substring) return cell.size() == wanted.size() && MatchesAt(cell, 0, wanted, caseSensitive);
  if (wanted.empty()) return true;
  for (size_t at = 0; at < cell.size(); at += CharLength(cell, at)) {
    if (MatchesAt(cell, at, wanted, caseSensitive)) return true;
  }
  return false;
}

std::string_view CutText(std::string_view text, size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  size_t end = 0;
  while (end < text.size()) {
    const size_t length = CharLength(text, end);
    if (end + length > maxBytes) break;
    end += length;
  }
  return text.substr(0, end);
}

}  // namespace list_layout
