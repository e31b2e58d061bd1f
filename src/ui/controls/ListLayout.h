// Layout and text decisions of the list view, as plain functions: content size, the visible
// row range, hit tests of rows and columns, scroll positions and the cell text search. The
// control calls them with values copied under its lock; tests call them directly.
//
// Rows and columns are 1-based as everywhere in the list's interface; 0 means none.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace list_layout {

// Room the content keeps for the vertical bar once the columns no longer fit.
inline constexpr int kBarRoom = 12;
// Thickness of the list's two scroll bars.
inline constexpr int kBarThickness = 10;
// Rows a wheel message moves in report style.
inline constexpr int kWheelRows = 3;
// Widest column the list accepts (wider requests are clamped).
inline constexpr int kMaxColumnWidth = 4096;
// The narrowest a dragged column gets, and how near its right edge a press grabs it.
inline constexpr int kMinDraggedWidth = 24;
inline constexpr int kDividerSlack = 3;

// The column whose right edge lies within slack pixels of a content x (the nearer edge wins, the
// left column on a tie; a column of no width has no edge to grab): 0 for none.
int DividerAt(int x, const std::vector<int>& columnWidths, int slack = kDividerSlack);

// A dragged column's width: its width at the press moved by the drag, kept between the minimum
// and the most a column may be.
int DraggedWidth(int startWidth, int dragX);
// Characters of a cell drawn or shown as a tooltip; longer texts end in the ellipsis anyway.
inline constexpr size_t kMaxDrawnChars = 512;

// Report style: the column sum, plus the bar room once it exceeds the view width; the view
// width while the columns fit. Other styles: the view width.
int ContentWidth(const std::vector<int>& columnWidths, int viewWidth, bool reportStyle = true);

// Rows (report and list styles) or lines of items (icon style) times their height.
int ContentHeight(int rowCount, int rowHeight, int itemsPerLine = 1);

// The row whose band holds the content position y (0-based from the first row's top); 0 when
// y is above the first row or below the last one, or there is no row.
int RowAtContentY(int y, int rowCount, int rowHeight);

// First and last row that intersect a view of viewHeight pixels at vertical offset offsetY
// (0 or negative); {0, 0} when no row is visible.
struct RowRange {
  int first = 0;
  int last = 0;
  bool Contains(int row) const { return row >= first && row <= last && first > 0; }
};
RowRange VisibleRows(int rowCount, int rowHeight, int offsetY, int viewHeight);

// Top of a row in view coordinates (may be negative or past the view).
inline int RowTop(int row, int rowHeight, int offsetY) { return (row - 1) * rowHeight + offsetY; }

// The column under the content position x (0-based from the first column's left edge); 0 past
// the last column or before the first. Columns of width 0 are never hit.
int ColumnAtContentX(int x, const std::vector<int>& columnWidths);

// Hit test of a point in view coordinates (0, 0 = top-left of the rows area).
struct Hit {
  int row = 0;
  int column = 0;
};
Hit HitTest(int viewX, int viewY, int offsetX, int offsetY, int rowCount, int rowHeight,
            const std::vector<int>& columnWidths);

// The vertical scroll range: 0 while the content fits.
inline int ScrollMaximum(int contentSize, int viewSize) { return contentSize > viewSize ? contentSize - viewSize : 0; }

// The vertical position (0..maximum) that brings a row into view with the least movement; the
// current position when it is already fully in view.
int EnsureVisiblePosition(int row, int rowHeight, int currentPosition, int viewHeight, int maximum);

// The vertical position after one wheel message (delta > 0 scrolls up), clamped to 0..maximum.
int WheelPosition(int currentPosition, int wheelDelta, int step, int maximum);

// Cell text search. GBK double-byte characters compare as a unit: a case-insensitive match
// folds only single-byte ASCII letters, and a substring match starts on a character boundary.
bool CellMatches(std::string_view cell, std::string_view wanted, bool substring, bool caseSensitive);

// The text cut to at most maxBytes bytes without splitting a double-byte character.
std::string_view CutText(std::string_view text, size_t maxBytes);

}  // namespace list_layout
