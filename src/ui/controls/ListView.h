// The toolkit's multi-column list (control type 8): rows of text cells under a header of
// columns, hover and selection highlighting, optional row icons and check boxes, two child
// scroll bars, a tooltip with the text of the cell under the mouse, wheel scrolling and
// callbacks for clicks, header clicks, current-row changes and check changes. An owner may
// keep the rows in an order of its own, shown by an arrow on a header column. Indexes are
// 1-based; 0 means none (or append).
//
// Keys (while the list has the focus): the arrows, Page Up and Page Down, Home and End move
// the current row as a click does and keep it in view.
//
// A multi-selection list (SingleSelection(false)) keeps its current row apart from its
// selection, as Explorer does: a plain press or movement key selects the row alone; Ctrl+press
// toggles a row, Shift+press selects from the anchor to it, Ctrl+Shift+press adds that range;
// Shift with a movement key extends from the anchor, Ctrl with one moves the current row alone,
// Ctrl+Space toggles the current row and Ctrl+A selects every row. A right press on a selected
// row keeps the selection. Selected rows stay selected wherever rows are added, removed or
// ordered. The Apps key and Shift+F10 pass the
// owner a WM_CONTEXTMENU (lParam: the screen point below the current row), Ctrl+C a WM_COPY,
// both as control messages its AddEventHandler handlers get. A list with no rows takes these
// keys and does nothing.
//
// Threads: the row, column and selection operations may be called from any thread. The list
// keeps its columns, rows, selection and scroll state under its own lock; an operation changes
// them, records what needs redrawing and, off the UI thread, posts one message to the host
// window (at most one is in flight), so drawing happens only on the UI thread and no lock is
// held while anything is sent there; a burst of changes is drawn once. Only the
// visible rows are drawn, one at a time into a rows canvas; a changed row redraws that row
// only. The canvas, header and background surfaces belong to the UI thread.
//
// Bad input (a row or column that does not exist, a negative count or width) makes an
// operation do nothing and answer 0, false or the empty text.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <atomic>
#include <climits>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ui/controls/CanvasRows.h"
#include "ui/controls/ListLayout.h"
#include "ui/controls/ScrollBar.h"
#include "ui/core/Control.h"
#include "ui/gfx/GdiPlus.h"
#include "ui/gfx/Image.h"

// List-private control messages.
inline constexpr UINT TKM_LIST_ROW_CHANGED = 0x1006;      // wParam 0 changed, 1 inserted, 2 deleted; lParam row
inline constexpr UINT TKM_LIST_CLEARED = 0x1009;          // all rows were removed
inline constexpr UINT TKM_LIST_SCROLL_TO = 0x1013;        // lParam = vertical position
inline constexpr UINT TKM_LIST_ROWS_CHANGED = 0x1014;     // row count changed
inline constexpr UINT TKM_LIST_COLUMNS_CHANGED = 0x101A;  // columns changed
// Posted by an operation on another thread: draw what the operations recorded since the last one.
inline constexpr UINT TKM_LIST_PENDING = 0x1020;

inline constexpr int kListReport = 0;
inline constexpr int kListIcons = 1;
inline constexpr int kListSingleColumn = 2;

inline constexpr int kRowNormal = 0;
inline constexpr int kRowHot = 1;
inline constexpr int kRowSelected = 4;

inline constexpr int kGridHorizontal = 1;
inline constexpr int kGridVertical = 2;

inline constexpr int kAlignNear = 0;
inline constexpr int kAlignCentre = 1;
inline constexpr int kAlignFar = 2;

inline constexpr int kCheckBoxSize = 17;

// A cell keeps texts up to this many bytes; a longer text is cut there (at a character's end).
inline constexpr size_t kListCellMaxBytes = 64 * 1024;

// The optional arguments of ListView::Create (an empty optional takes the default).
struct ListViewOptions {
  std::optional<int> viewStyle;              // [report]
  int cellInset = 0;                         // replaced: 4 in report and list styles, 6 in icon style
  bool headerHidden = false;                 // forced on in icon and list styles
  std::optional<int> gridLines;              // [3 in report style, else 0]
  std::optional<bool> singleSelection;       // [1]
  bool checkBoxes = false;                   // report style only
  std::optional<Gdiplus::ARGB> textColour;   // [black, alpha 210]
  Gdiplus::ARGB hotTextColour = 0;           // 0 = the row's colour
  Gdiplus::ARGB selectedTextColour = 0;
  Gdiplus::ARGB hotBackground = 0;           // 0 = derived from the host's background colour
  Gdiplus::ARGB selectedBackground = 0;
  std::optional<Gdiplus::ARGB> backgroundColour;  // [white, alpha 210]; 0 = none
  int ownerOption = 0;                       // kept for the owner; the list draws no differently
  std::optional<std::string> fontFamily;     // any font part given: a font of its own
  std::optional<float> fontSize;             // [12 pixels]
  std::optional<int> fontStyle;              // [regular]
  std::optional<std::uint32_t> border;       // [black, alpha 80]; 0 none, 1 sunken, 2 raised, 3 grey, 4 dashed, else ARGB
  std::optional<bool> visible;               // [1]
  std::vector<unsigned char> backgroundImage;  // PNG/JPEG/GIF bytes drawn over the background colour
};

// One row as a row order sees it: its cells, one per column, and its data.
struct ListRowView {
  const std::vector<std::string>& texts;
  std::uintptr_t data;
};

// An order the owner keeps the rows in. The list calls it under its own lock: it must not call
// the list or wait for the UI thread. Before must be a strict total order.
class ListRowOrder {
 public:
  virtual ~ListRowOrder() = default;
  virtual bool Before(const ListRowView& a, const ListRowView& b) const = 0;
  // The rows' indexes in the order; by default a sort with Before. An order whose comparison is
  // costly makes each row's key once here instead.
  virtual std::vector<size_t> Arrange(const std::vector<ListRowView>& rows) const;
};

// A filter the owner shows the rows through: a row it refuses is kept, unshown, until the filter
// changes. The list calls it under its own lock, as it calls an order.
class ListRowFilter {
 public:
  virtual ~ListRowFilter() = default;
  virtual bool Shows(const ListRowView& row) const = 0;
};

// What AddRow answers for a row the filter keeps out of sight.
inline constexpr int kRowFilteredOut = INT_MAX;

// A copy of one row, read under one lock.
struct ListRowCopy {
  int row = 0;  // 0: no such row
  std::uintptr_t data = 0;
  std::vector<std::string> texts;
  std::uint8_t mark = 0;  // the row's mark bits (MarkRowsOfData)
};

// The sort arrow a header column shows.
inline constexpr int kSortNone = 0;
inline constexpr int kSortAscending = 1;
inline constexpr int kSortDescending = 2;

// A list's scroll bar: it never takes the keyboard focus from its list (a press on it hands the
// focus to the list), and a wheel message that reaches it goes to the list, so the wheel keeps
// scrolling the list after the user pressed a bar.
class ListScrollBar final : public ScrollBar {
 public:
  LRESULT MessageProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

class ListView : public Control {
 public:
  ListView() = default;
  ~ListView() override;

  // --- operations, after the base's ---
  LRESULT MessageProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  virtual void SetScrollX(int position);
  virtual void SetScrollY(int position);
  virtual void LayoutAreas();
  virtual void PlaceScrollBars();
  virtual void CreateScrollBars();
  virtual void DrawBackground();
  virtual void DrawHeader();
  virtual void UpdateVisibleRows(bool recreateCanvas, bool redraw);
  virtual void Present();
  virtual void DrawRow(int row, bool present);
  virtual int RowState(int row, int state = 0, bool set = false);
  virtual int RowAtContentY(int y);
  virtual int FirstVisibleRow();
  // (x, y) in control coordinates; non-zero when a row was hit.
  virtual bool HitTest(int x, int y, int* row, int* column, bool columnWanted);
  // A key going down (WM_KEYDOWN, WM_SYSKEYDOWN); -1: not the list's key.
  virtual LRESULT HandleKey(WPARAM key, LPARAM lParam);
  virtual LRESULT PreMessage(UINT message, WPARAM wParam, LPARAM lParam);     // -1: continue
  virtual void LayoutChanged(const Gdiplus::RectF& inner, const Gdiplus::RectF& view,
                             const Gdiplus::RectF& header);
  virtual Control* Create(ControlParent parent, float left, float top, float width, float height,
                          const ListViewOptions& options = {});
  // Empty hooks that nothing calls; a class may override them to no effect.
  virtual void UnusedListHookStart();
  virtual void UnusedListHookMiddle();
  virtual void UnusedListHookEnd();
  // The row and header icons; the extra list is only kept (nothing draws from it).
  virtual void SetImageLists(std::optional<HIMAGELIST> extra = std::nullopt,
                             std::optional<HIMAGELIST> header = std::nullopt,
                             std::optional<HIMAGELIST> rows = std::nullopt);
  virtual void ReleaseFont();
  // Returns the new column's number, 0 when nothing was inserted.
  virtual int InsertColumn(int position, const std::string& title, std::optional<int> width = std::nullopt,
                           std::optional<int> alignment = std::nullopt,
                           std::optional<int> image = std::nullopt);
  virtual bool DeleteColumn(int column);
  virtual std::string ColumnTitle(int column);
  virtual bool SetColumnTitle(int column, const std::string& title);
  virtual int ColumnWidth(int column);
  virtual bool SetColumnWidth(int column, int width);
  virtual int ColumnImage(int column);
  virtual bool SetColumnImage(int column, int image);
  virtual int ColumnCount();
  // Row count, item size and column widths as 32-bit words.
  virtual std::vector<std::uint8_t> SaveLayout();
  virtual int RowCount();
  // Inserts before position (1..count) or appends (nullopt, 0 or past the end); returns the
  // new row's number.
  virtual int InsertRow(std::optional<int> position = std::nullopt, const std::string& text = {},
                        std::optional<int> image = std::nullopt, std::uintptr_t data = 0, std::uintptr_t param = 0,
                        std::optional<Gdiplus::ARGB> colour = std::nullopt, bool redraw = true);
  virtual bool DeleteRow(int row);
  virtual void ClearRows();

  // --- ordered rows (ListViewOrder.cpp) ---
  // Keeps the rows in the order from now on: they are moved into it at once, the current, hot
  // and selected rows moving with their rows. Null keeps the rows where they are, and AddRow
  // appends again.
  void SetRowOrder(std::shared_ptr<const ListRowOrder> order);
  // Adds a whole row (one text per column; missing ones are empty) at its place in the row
  // order, or at the end without one; returns its number, 0 when memory ran out. A row placed
  // above the rows in view moves the view down with them, so what the user sees stays put,
  // unless the view is at the top.
  int AddRow(std::vector<std::string> texts, std::uintptr_t data, bool redraw = true);
  // The current row with its data and cells, read at once (a worker may be moving rows).
  ListRowCopy CurrentRowCopy();
  // Every row in its present order, then the rows the filter hides (row 0) in arrival order.
  std::vector<ListRowCopy> RowCopies();
  // The selected rows in their present order, read under one lock (in a single-selection list,
  // the current row).
  std::vector<ListRowCopy> SelectedRowCopies();
  // Shows the rows through a filter from now on (null: every row); new rows are filtered as they
  // come, in their ordered place. Rows it hides leave the selection; a hidden current row leaves
  // no row current; the row at the top of the view stays there while it is shown.
  void SetRowFilter(std::shared_ptr<const ListRowFilter> filter);
  // Every row, shown or hidden by the filter (RowCount counts the shown ones).
  int AllRowCount();
  // The line shown in place of the rows while the filter hides every row there is.
  void SetFilteredOutText(const std::string& text);
  // Sets a cell of the first row whose data is data, shown or not; false when no row has it.
  bool SetCellTextOfData(std::uintptr_t data, int column, const std::string& text, bool redraw = true);
  // Marks: bits the owner gives rows (say, what was done with them). A marked row draws its first
  // cell in the colour and tells assistive technology descriptions[mark] as its description;
  // marks travel with their rows through orders and filters. The list starts with no colour.
  void SetRowMarks(Gdiplus::ARGB colour, std::vector<std::string> descriptions);
  // Adds the bits to the mark of every row whose data is data, shown or not; false when none has it.
  bool MarkRowsOfData(std::uintptr_t data, std::uint8_t bits, bool redraw = true);
  std::uint8_t RowMark(int row);
  // A left press on a header column calls back with the column's number (as a row callback
  // gets its row).
  void SetOnHeaderClick(EventHandler callback);
  // Lets the user widen and narrow columns by dragging a header divider (a double click fits the
  // column to its widest shown cell); columns of no width stay hidden. The callback gets the
  // column's number, as a header click does, when a drag or fit has changed its width.
  void ResizableColumns(EventHandler onResized);
  // Shows the direction arrow (kSort*) on one column's header, none on the others (0: none).
  void SetSortIndicator(int column, int direction);
  int SortIndicatorColumn();
  int SortIndicatorDirection();
  virtual bool SetCellText(int row, int column, const std::string& text, bool redraw = true);
  virtual std::string CellText(int row, int column = 1);
  virtual bool SetRowData(int row, std::uintptr_t value);
  virtual std::uintptr_t RowData(int row);
  virtual bool SetRowTextColour(int row, Gdiplus::ARGB colour, bool redraw = true);
  virtual int CurrentRow(std::optional<int> row = std::nullopt);
  // Rows from start (1 when out of range) to the last; with fromStart the search then wraps
  // to row 1. Exact or substring match, case-sensitive or not (ASCII letters), in one column or
  // all (-1). 0 when nothing matches.
  virtual int FindRow(const std::string& text, int start = 1, bool fromStart = false, bool substring = false,
                      bool caseSensitive = false, int column = -1);
  virtual int FindRowByData(std::uintptr_t value, int start = 1);
  // From a worker the row comes into view with the list's next drawing; the worker does not wait.
  virtual void EnsureVisible(int row);
  virtual bool SetCellImage(int row, int column, int image, bool redraw = true);
  virtual int CellImage(int row, int column);                                 // -1: none
  virtual bool SingleSelection(std::optional<bool> value = std::nullopt);
  virtual bool SelectRow(int row);
  virtual std::vector<int> Selection();
  virtual bool DeselectRow(int row);
  virtual int SelectionCount();
  virtual bool IsRowSelected(int row);
  virtual bool HotTracking(std::optional<bool> value = std::nullopt);
  virtual bool RowChecked(int row);
  virtual bool SetRowChecked(int row, bool ticked);
  virtual void SetOnLeftClick(EventHandler callback);
  virtual void SetOnRightClick(EventHandler callback);
  virtual void SetOnCurrentChanged(EventHandler callback);
  virtual void SetOnCheckChanged(EventHandler callback);
  virtual void FireCallback(EventHandler callback, int row, LPARAM value, LPARAM flag);
  virtual void RedrawRowsFrom(int row);
  virtual void RedrawRow(int row);
  virtual bool CheckIndex(int row, bool rowGiven, int column, bool columnGiven);
  virtual int SelectionIndexOf(int row);

  // While work that fills the list is under way (a search run, a category fill), assistive
  // technology reads the list as busy. Safe from any thread; every begin is matched by one end.
  void BeginFilling();
  void EndFilling();
  bool IsFilling() const { return filling_ > 0; }

  // A line shown centred in the rows area while the list has no rows (say, how the work that
  // fills it went), in the list's text colour and font and cut with an ellipsis to the width;
  // while shown it is the list's accessible description. Safe from any thread; empty shows
  // nothing.
  void SetEmptyText(const std::string& text);
  std::string EmptyText();
  // The line as it shows now: the empty text while there are no rows, else nothing.
  std::string ShownEmptyText();

  // A line in the same look shown below the last row while the list has rows (say, that the
  // work filling it was cut short); while shown it is the list's accessible description. Report
  // style only. Safe from any thread; empty shows nothing.
  void SetEndText(const std::string& text);
  std::string ShownEndText();

  // A list whose simple items are its rows, each named by its shown cells (columns of width 0
  // are not read out) joined with tabs.
  AccessibleInfo Describe() override;
  int AccessibleItemCount() override;
  AccessibleInfo DescribeItem(int item) override;
  Gdiplus::RectF AccessibleItemBounds(int item) override;
  int AccessibleItemAt(POINT clientPoint) override;
  int AccessibleFocusedItem() override;
  bool SelectAccessibleItem(int item, long flags) override;

  using Control::Create;

  // --- read access for tests and the owner ---
  int ViewStyle() const { return viewStyle_; }
  int ScrollOffsetX();
  int ScrollOffsetY();
  int ContentWidth();
  int ContentHeight();
  int RowHeight();
  int HotRow();
  int HotColumn();
  Gdiplus::RectF ViewRect() const { return view_; }
  Gdiplus::RectF RowsClip() const { return rowsClip_; }
  Gdiplus::RectF HeaderRect() const { return headerStrip_; }
  ScrollBar* HorizontalBar() { return &horizontalBar_; }
  ScrollBar* VerticalBar() { return &verticalBar_; }
  Gdiplus::GpBitmap* RowsCanvas() const { return canvas_.Get(); }
  // Rows drawn into the canvas since creation (each visible row drawn counts once).
  long RowsDrawn() const { return rowsDrawn_; }

 private:
  struct Column {
    std::string title;
    int alignment = kAlignNear;
    int width = 50;
    int image = -1;
  };
  struct Row {
    std::vector<std::string> texts;
    std::vector<int> images;
    int state = kRowNormal;
    std::uintptr_t data = 0;
    std::uintptr_t param = 0;
    Gdiplus::ARGB colour = 0;
    bool ticked = false;
    // Selection travels with the row wherever inserts, deletes and orders move it; the serial
    // names the row for the selection anchor and for what assistive technology was told.
    bool selected = false;
    std::uint8_t mark = 0;
    std::uint32_t serial = 0;
    POINT checkPosition{0, 0};
  };
  // What the operations changed since the UI thread last drew (guarded by mutex_).
  struct Pending {
    bool columns = false;
    bool rows = false;
    bool all = false;
    // Rows moved or left (a filter, an order): each row looks as before, wherever it now is.
    bool reshuffled = false;
    int first = INT_MAX;  // rows to redraw, when visible
    int last = 0;
    std::uint32_t follow = 0;  // the serial of a row a worker asked to bring into view
    void Mark(int from, int to) {
      if (from < first) first = from;
      if (to > last) last = to;
    }
  };
  // A copy of what one row needs for drawing.
  struct RowSnapshot {
    int row = 0;
    std::uint32_t serial = 0;
    std::vector<std::string> texts;
    std::vector<int> images;
    int state = kRowNormal;
    Gdiplus::ARGB colour = 0;
    bool ticked = false;
    bool current = false;
    std::uint8_t mark = 0;
  };

 public:
  // Proof that the list's mutex is held, made only by locking it: the helpers below that read
  // or change the shared state take one, so calling one without the lock does not compile.
  class Locked {
   public:
    explicit Locked(std::mutex& mutex) : hold_(mutex) {}
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

   private:
    std::lock_guard<std::mutex> hold_;
  };

 private:
  // Helpers of the locked state.
  bool ValidRow(const Locked& lock, int row) const { return row >= 1 && row <= static_cast<int>(rows_.size()); }
  bool ValidColumn(const Locked& lock, int column) const {
    return column >= 1 && column <= static_cast<int>(columns_.size());
  }
  bool InSelection(const Locked& lock, int row) const;
  // Selection marks: each refreshes the row's state.
  void SetSelectedLocked(const Locked& lock, int row, bool selected);
  void ClearSelectionLocked(const Locked& lock);
  void SelectRangeLocked(const Locked& lock, int from, int to);
  // The row the anchor names, else fallback.
  int AnchorRowLocked(const Locked& lock, int fallback) const;
  void SetAnchorLocked(const Locked& lock, int row);
  // What a press or key does to the current row and the selection of a multi-selection list.
  enum class Pick { Alone, Toggle, Range, AddRange, KeepOrAlone, FocusOnly };
  void PickLocked(const Locked& lock, int row, Pick pick);
  std::uint32_t NextSerialLocked(const Locked& lock) { return ++lastSerial_; }
  // The serials of the selected rows and of the current row.
  std::vector<std::uint32_t> SelectedSerialsLocked(const Locked& lock) const;
  // State from current row, selection and hot row; marks the row for redrawing when it changed.
  void RefreshState(const Locked& lock, int row);
  void RecomputeContentWidth(const Locked& lock);
  void RecomputeContentHeight(const Locked& lock);
  std::vector<int> ColumnWidths(const Locked& lock) const;
  int LineHeight(const Locked& lock) const;
  int ItemsPerLine(const Locked& lock) const;

  // Hands the recorded changes to the UI thread: at once on it, else one posted message.
  void Notify();
  // UI thread: draws what the operations recorded.
  void ApplyPending();
  void ScrollToRow(int row);  // on the UI thread: the least scroll that shows the row
  void DrawPending(Pending& p);
  // Shows, hides and ranges both bars for the content size; true when an offset had to move.
  bool UpdateScrollBars();
  Gdiplus::RectF RowRect(const Locked& lock, int row, int offsetX, int offsetY) const;
  list_layout::RowRange VisibleRange(const Locked& lock, int offsetY) const;
  gfx::GpFont* Font() const;
  void ScrollCanvasTo(int offsetY);
  // The GDI+ objects and the column layout one paint of rows shares, made once per paint rather
  // than per row or cell.
  class RowPaint;
  void DrawRowSnapshot(const RowSnapshot& snapshot, int offsetX, int offsetY, RowPaint& paint);
  bool Snapshot(const Locked& lock, int row, RowSnapshot* out);
  // A row's text colour and fill for its state.
  std::pair<Gdiplus::ARGB, Gdiplus::ARGB> ColoursOf(const RowSnapshot& snapshot) const;
  // Everything a drawn row's pixels come from, for canvasRows_.
  std::uint64_t LookOf(const RowSnapshot& snapshot, int offsetX, const RowPaint& paint) const;
  // After rows moved: draws the rows in view whose band does not already show them, clears
  // what lies below the last row; false when every row must be drawn anew.
  bool RedrawMovedRows();
  // False when none of them is visible; band (when given) gets the drawn rows' area in the canvas.
  bool DrawRowsIn(int fromRow, int toRow, Gdiplus::RectF* band = nullptr);
  // Composes the layers onto the surface and shows them, within area (control coordinates) or whole.
  void PresentArea(const Gdiplus::RectF* area);
  // True while the list is hidden: its layers are not drawn then, but all at once when it is
  // next shown (a list that starts hidden may never be).
  bool DeferLayers();
  // Composes the layers within clip (control coordinates) without GDI+; false when it cannot.
  bool ComposeLayersDirect(const Gdiplus::RectF& clip);
  bool ScrollCopyDirect(int delta, Gdiplus::RectF* band);
  // The part of the rows canvas shown, on the control's surface: the device pixels of the rows
  // clip in the canvas, where the canvas lies (rowsClip_ itself at 96 DPI).
  Gdiplus::RectF RowsOnSurface() const;
  void DrawDeferredLayers();
  bool IsUiThread() const { return uiThread_ != 0 && GetCurrentThreadId() == uiThread_; }
  // The row and column under a point in control coordinates.
  list_layout::Hit HitLocked(const Locked& lock, int x, int y) const;
  // The row, numbered as it is now, that the last frame on screen showed under a point: rows a
  // worker added since then move what the numbers name, not what the user saw.
  int ShownRowAtLocked(const Locked& lock, int x, int y) const;
  // Notes which rows the frame being presented shows where (UI thread).
  void RememberShown();
  // A press inside the row's check box toggles it; false when it missed the box.
  bool ToggleCheckBoxLocked(const Locked& lock, int row, Gdiplus::PointF local, bool* ticked);

  // Moves the rows into the order.
  void ArrangeLocked(const Locked& lock, const ListRowOrder& order);
  // The row number a new row takes in order_.
  int PlaceLocked(const Locked& lock, const ListRowView& row) const;
  // The header column under a point in control coordinates, 0 for none.
  int HeaderColumnLocked(const Locked& lock, int x, int y) const;
  // The arrow of a sorted header column within its cell (UI thread).
  void DrawSortArrow(Gdiplus::GpGraphics* g, float right, float height, int direction);
  // Moves canvasOffsetY_ by the view's moves that rows inserted above the canvas's rows made
  // (UI thread): the canvas still shows the same rows, now numbered further down.
  void TakeCanvasShift();

  // Tells assistive technology what the drawn changes were (UI thread).
  void AnnounceChanges(bool rowsChanged);
  // Draws the empty text into the rows canvas (UI thread; the canvas was just cleared).
  void DrawEmptyText();
  // Draws the end text into its place below the last row, when that place is in view (UI thread).
  void DrawEndText();
  // One centred line in the list's look within area of the rows canvas.
  void DrawLineIn(const std::string& line, const Gdiplus::RectF& area);

  // Every layer drawn anew for the areas just laid out, the bars placed (creation, resizing).
  void DrawLaidOut();

  // Input (UI thread).
  void OnMouseMove(LPARAM lParam);
  void OnButtonDown(UINT message, WPARAM wParam, LPARAM lParam);
  bool OnHeaderPress(LPARAM lParam);  // true when the press was on a header column
  void OnButtonUp(UINT message, LPARAM lParam);
  void OnWheel(WPARAM wParam);
  void OnMouseLeave();
  void MoveCurrentByKey(WPARAM key, int action);
  void ToggleCurrentByKey();
  void SelectAllByKey();
  void PassMenuKey();
  void ReleaseAll();
  static LRESULT OnBarChanged(LPARAM parent, LPARAM bar, LPARAM position, LPARAM, LPARAM);

  // --- state; members marked mutex_ are guarded by it ---
  // The geometry members are written under mutex_ (by the UI thread's layout, or by an operation
  // that changes the columns or rows) and read under it, except that the UI thread may read
  // view_ and rowsClip_, which only it writes, without it.
  gfx::FontPtr ownFont_;                      // null: the toolkit's default font
  gfx::StringFormatPtr format_;
  Gdiplus::ARGB textColour_ = 0xD2000000;
  Gdiplus::ARGB backgroundColour_ = 0xD2FFFFFF;
  gfx::Image backgroundImage_;
  std::uint32_t border_ = 0x50000000;         // as ListViewOptions::border
  std::vector<Column> columns_;               // mutex_
  std::vector<Row> rows_;                     // mutex_
  gfx::BitmapPtr backgroundSurface_;          // colour, image and border at the control size
  gfx::BitmapPtr headerSurface_;
  gfx::BitmapPtr canvas_;                     // the visible rows
  bool headerHidden_ = false;
  int viewStyle_ = kListReport;
  int gridLines_ = kGridHorizontal | kGridVertical;
  ListScrollBar horizontalBar_;
  ListScrollBar verticalBar_;
  Gdiplus::RectF inner_;                      // inside the border
  Gdiplus::RectF view_;                       // geometry: the rows area under the header
  Gdiplus::RectF rowsClip_;                   // geometry: view_ less the shown scroll bars
  Gdiplus::RectF headerStrip_;
  int offsetX_ = 0;                           // mutex_
  int offsetY_ = 0;                           // mutex_
  int firstVisible_ = 1;                      // mutex_; the rows the canvas holds
  int lastVisible_ = 1;                       // mutex_
  int hotRow_ = 0;                            // mutex_
  int hotColumn_ = 0;                         // mutex_
  int currentRow_ = 0;                        // mutex_
  int selectedCount_ = 0;                     // mutex_; rows whose selected mark is set
  std::uint32_t anchorSerial_ = 0;            // mutex_; the row a range starts at (0: none)
  std::uint32_t lastSerial_ = 0;              // mutex_
  int itemWidth_ = 0;                         // geometry: one item in icon style
  int rowHeight_ = 0;                         // geometry
  int contentWidth_ = 0;                      // geometry
  int contentHeight_ = 0;                     // geometry
  int itemsPerLine_ = 1;                      // geometry
  std::atomic<int> filling_{0};               // fills under way (BeginFilling)
  bool singleSelection_ = true;               // mutex_
  HIMAGELIST headerImages_ = nullptr;
  HIMAGELIST rowImages_ = nullptr;
  int cellInset_ = 4;                         // padding inside a cell
  EventHandler onLeftClick_ = nullptr;
  EventHandler onRightClick_ = nullptr;
  EventHandler onCurrentChanged_ = nullptr;
  Gdiplus::ARGB hotBackground_ = 0;
  Gdiplus::ARGB selectedBackground_ = 0;
  Gdiplus::ARGB hotTextColour_ = 0;
  Gdiplus::ARGB selectedTextColour_ = 0;
  bool hotTracking_ = false;                  // mutex_
  bool checkBoxes_ = false;
  EventHandler onCheckChanged_ = nullptr;
  EventHandler onHeaderClick_ = nullptr;
  // Column dragging (UI thread): whether it is on, the column being dragged (0: none), where the
  // press was and the column's width then.
  bool resizableColumns_ = false;
  EventHandler onColumnResized_ = nullptr;
  int dragColumn_ = 0;
  float dragStartX_ = 0;
  int dragStartWidth_ = 0;
  // A header divider under a point in control coordinates, 0 for none.
  int DividerAtLocked(const Locked& lock, int x, int y) const;
  // A press, a move and a release of the left button, for the divider drag; true when taken.
  bool OnDividerPress(LPARAM lParam, bool doubleClick);
  bool OnDividerMove(LPARAM lParam);
  bool OnDividerRelease();
  // The width that shows the column's widest shown cell (and its title) whole.
  int FittingWidth(int column);
  std::shared_ptr<const ListRowOrder> order_;  // mutex_
  std::shared_ptr<const ListRowFilter> filter_;  // mutex_
  std::vector<Row> hidden_;                      // mutex_; rows the filter hides, in arrival order
  Gdiplus::ARGB markColour_ = 0;                 // mutex_; 0 draws marks as any row
  std::vector<std::string> markTexts_;           // mutex_; a mark's accessible description
  std::string filteredOutText_;                  // mutex_
  int sortColumn_ = 0;                        // mutex_
  int sortDirection_ = kSortNone;             // mutex_
  int canvasShift_ = 0;                       // mutex_; see TakeCanvasShift
  unsigned rowsInsertedAbove_ = 0;            // mutex_; rows AddRow put above the view, ever

  mutable std::mutex mutex_;
  Pending pending_;                           // mutex_
  std::atomic<bool> pendingPosted_{false};    // a TKM_LIST_PENDING is in flight
  DWORD uiThread_ = 0;                        // the thread that owns the host window
  int canvasOffsetY_ = 0;                     // vertical offset the canvas was drawn for (UI thread)
  CanvasRows canvasRows_;                     // what the canvas's row bands show (UI thread)
  bool layersStale_ = false;                  // drawing was skipped while hidden (UI thread)
  int headerHeight_ = 0;
  gfx::GraphicsPtr canvasGraphics_;           // on canvas_
  gfx::BitmapPtr spare_;                      // second canvas for scrolling by a copy
  gfx::GraphicsPtr spareGraphics_;
  bool horizontalShown_ = false;
  bool verticalShown_ = false;
  gfx::Image checkBoxStrip_;                  // four 17x17 boxes: unticked, hover, ticked, hover
  std::string tipText_;                       // tooltip shown for the hot cell (UI thread)
  long rowsDrawn_ = 0;
  // Current row and selection last announced, by serial (UI thread): a row that only moved is
  // not announced again.
  std::uint32_t announcedCurrent_ = 0;
  std::vector<std::uint32_t> announcedSelection_;
  std::string emptyText_;                     // mutex_
  std::string endText_;                       // mutex_
  // The rows the last presented frame showed: their serials from shownFirst_ on, at shownOffsetY_.
  std::vector<std::uint32_t> shownSerials_;   // mutex_
  int shownFirst_ = 0;                        // mutex_
  int shownOffsetY_ = 0;                      // mutex_
  std::string announcedEmptyText_;            // the shown empty text last announced (UI thread)
};

// Begins a fill of a list and ends it when it goes out of scope, unless a worker took the end
// over (HandOver): whichever way the starting code leaves, a fill is ended only if it began.
class FillingScope {
 public:
  explicit FillingScope(ListView& list) : list_(&list) { list.BeginFilling(); }
  ~FillingScope() {
    if (list_) list_->EndFilling();
  }
  FillingScope(const FillingScope&) = delete;
  FillingScope& operator=(const FillingScope&) = delete;
  void HandOver() { list_ = nullptr; }

 private:
  ListView* list_;
};

// Ends one BeginFilling of a list when it goes out of scope, whichever way the filling thread
// leaves.
class EndFillingOnExit {
 public:
  explicit EndFillingOnExit(ListView& list) : list_(list) {}
  ~EndFillingOnExit() { list_.EndFilling(); }
  EndFillingOnExit(const EndFillingOnExit&) = delete;
  EndFillingOnExit& operator=(const EndFillingOnExit&) = delete;

 private:
  ListView& list_;
};
