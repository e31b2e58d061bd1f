// The list's message procedure (UI thread): mouse, wheel, focus, sizing, the list-private
// messages, scrolling and the scroll bars' reports.
#include "ui/controls/ListView.h"

#include <windowsx.h>

#include <algorithm>

#include "ui/controls/ListKeys.h"
#include "ui/core/WindowHost.h"

using Lock = ListView::Locked;

namespace {

// Ctrl and Shift of a mouse press; a synthesized double click carries no key flags.
bool KeyHeld(WPARAM wParam, WPARAM flag, int key) {
  if (wParam == TKM_DBLCLICK_MARK) return GetKeyState(key) < 0;
  return (wParam & flag) != 0;
}

}  // namespace

LRESULT ListScrollBar::MessageProc(UINT message, WPARAM wParam, LPARAM lParam) {
  Control* list = ParentControl();
  if (list && message == WM_MOUSEWHEEL) return DispatchControlMessage(list, message, wParam, lParam);
  if (list && message == WM_LBUTTONDOWN && GetHostWindow()) {
    // The bar never keeps the focus: the list holds it, so the wheel keeps scrolling the list.
    SendMessageW(GetHostWindow(), TKM_SET_FOCUS, 0, reinterpret_cast<LPARAM>(list));
  }
  return ScrollBar::MessageProc(message, wParam, lParam);
}

LRESULT ListView::OnBarChanged(LPARAM parent, LPARAM bar, LPARAM position, LPARAM, LPARAM) {
  auto* list = reinterpret_cast<ListView*>(parent);
  if (!list) return 0;
  if (bar == reinterpret_cast<LPARAM>(&list->verticalBar_)) {
    list->SetScrollY(static_cast<int>(position));
  } else if (bar == reinterpret_cast<LPARAM>(&list->horizontalBar_)) {
    list->SetScrollX(static_cast<int>(position));
  }
  return 0;
}

void ListView::SetScrollX(int position) {
  if (!IsUiThread() && IsLive()) return RunOnUiThread([&] { SetScrollX(position); });
  {
    const Lock lock(mutex_);
    offsetX_ = -std::max(position, 0);
  }
  DrawHeader();
  UpdateVisibleRows(false, true);
  Present();
}

void ListView::SetScrollY(int position) {
  if (!IsUiThread() && IsLive()) return RunOnUiThread([&] { SetScrollY(position); });
  const int offset = -std::max(position, 0);
  {
    const Lock lock(mutex_);
    offsetY_ = offset;
  }
  ScrollCanvasTo(offset);
  Present();
}

void ListView::EnsureVisible(int row) {
  // From a worker the row is brought into view with the next drawing: rows arriving one by one
  // while the list follows them scroll and draw once per batch, and the worker never waits.
  if (!IsUiThread() && IsLive()) {
    {
      const Lock lock(mutex_);
      if (!ValidRow(lock, row)) return;
      pending_.follow = rows_[static_cast<size_t>(row - 1)].serial;
    }
    return Notify();
  }
  ApplyPending();  // the bar's range must include rows appended meanwhile
  ScrollToRow(row);
}

void ListView::ScrollToRow(int row) {
  int position = 0, current = 0;
  {
    const Lock lock(mutex_);
    if (!ValidRow(lock, row)) return;
    const int line = (row - 1) / ItemsPerLine(lock) + 1;
    current = -offsetY_;
    position = list_layout::EnsureVisiblePosition(line, LineHeight(lock), current, static_cast<int>(rowsClip_.Height),
                                                  verticalBar_.IsLive() ? verticalBar_.Maximum() : 0);
  }
  if (position == current) return;
  verticalBar_.Position(position);
  SetScrollY(position);
}

list_layout::Hit ListView::HitLocked(const Locked& lock, int x, int y) const {
  const int vx = x - static_cast<int>(view_.X), vy = y - static_cast<int>(view_.Y);
  list_layout::Hit hit;
  if (vx < 0 || vy < 0 || vx >= static_cast<int>(rowsClip_.Width) || vy >= static_cast<int>(rowsClip_.Height)) {
    return hit;
  }
  const int count = static_cast<int>(rows_.size());
  if (viewStyle_ == kListIcons) {
    const int perLine = ItemsPerLine(lock);
    const int line = list_layout::RowAtContentY(vy - offsetY_, (count + perLine - 1) / perLine, LineHeight(lock));
    const int across = itemWidth_ > 0 ? vx / itemWidth_ : perLine;
    if (line > 0 && across < perLine) {
      const int r = (line - 1) * perLine + across + 1;
      if (r <= count) hit = {r, 1};
    }
  } else if (viewStyle_ == kListSingleColumn) {
    hit.row = list_layout::RowAtContentY(vy - offsetY_, count, LineHeight(lock));
    hit.column = hit.row ? 1 : 0;
  } else {
    hit = list_layout::HitTest(vx, vy, offsetX_, offsetY_, count, LineHeight(lock), ColumnWidths(lock));
  }
  return hit;
}

int ListView::ShownRowAtLocked(const Locked& lock, int x, int y) const {
  if (viewStyle_ != kListReport || shownFirst_ < 1) return HitLocked(lock, x, y).row;
  const int vx = x - static_cast<int>(view_.X), vy = y - static_cast<int>(view_.Y);
  if (vx < 0 || vy < 0 || vx >= static_cast<int>(rowsClip_.Width) || vy >= static_cast<int>(rowsClip_.Height)) return 0;
  const int lastShown = shownFirst_ + static_cast<int>(shownSerials_.size()) - 1;
  const int shown = list_layout::RowAtContentY(vy - shownOffsetY_, lastShown, LineHeight(lock));
  if (shown < shownFirst_ || shown > lastShown) return 0;
  const std::uint32_t serial = shownSerials_[static_cast<size_t>(shown - shownFirst_)];
  // Where that row is now: rows only move by what was added or removed since, so look near.
  const int count = static_cast<int>(rows_.size());
  for (int distance = 0; distance < count; ++distance) {
    for (int row : {shown - distance, shown + distance}) {
      if (row >= 1 && row <= count && rows_[static_cast<size_t>(row - 1)].serial == serial) return row;
    }
    if (shown - distance < 1 && shown + distance > count) break;
  }
  return 0;  // gone since the frame
}

bool ListView::HitTest(int x, int y, int* row, int* column, bool columnWanted) {
  list_layout::Hit hit;
  {
    const Lock lock(mutex_);
    hit = HitLocked(lock, x, y);
  }
  if (row) *row = hit.row;
  if (column) *column = columnWanted ? hit.column : 0;
  return hit.row != 0;
}

LRESULT ListView::HandleKey(WPARAM key, LPARAM lParam) {
  const bool alt = (lParam & (1 << 29)) != 0;  // the key message's context code
  const list_keys::KeyAction action =
      list_keys::ActionOf(key, GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_SHIFT) < 0, alt);
  if (action == list_keys::KeyAction::None) return -1;
  if (RowCount() == 0) return 0;
  switch (action) {
    case list_keys::KeyAction::Move:
    case list_keys::KeyAction::Extend:
    case list_keys::KeyAction::Focus:
      MoveCurrentByKey(key, static_cast<int>(action));
      break;
    case list_keys::KeyAction::Toggle:
      ToggleCurrentByKey();
      break;
    case list_keys::KeyAction::SelectAll:
      SelectAllByKey();
      break;
    case list_keys::KeyAction::Menu:
      PassMenuKey();
      break;
    case list_keys::KeyAction::Copy:
      DispatchControlMessage(this, WM_COPY, 0, 0);
      break;
    case list_keys::KeyAction::None:
      break;
  }
  return 0;
}

void ListView::MoveCurrentByKey(WPARAM key, int action) {
  ApplyPending();  // the page and the bar's range count rows appended meanwhile
  int row = 0;
  bool moved = false;
  {
    const Lock lock(mutex_);
    const int page = list_keys::RowsPerPage(static_cast<int>(rowsClip_.Height), LineHeight(lock));
    row = list_keys::RowAfterKey(key, currentRow_, static_cast<int>(rows_.size()), page);
    if (row == 0) return;
    moved = row != currentRow_;
    // As a plain click: the row becomes current and the selection; Shift extends the selection
    // from the anchor, Ctrl moves the current row alone.
    Pick pick = Pick::Alone;
    if (action == static_cast<int>(list_keys::KeyAction::Extend)) pick = Pick::Range;
    if (action == static_cast<int>(list_keys::KeyAction::Focus)) pick = Pick::FocusOnly;
    if (moved || pick == Pick::Range) PickLocked(lock, row, pick);
  }
  if (moved) FireCallback(onCurrentChanged_, row, 0, 0);
  EnsureVisible(row);
  ApplyPending();  // draws the rows and announces the new current row
}

void ListView::ToggleCurrentByKey() {
  {
    const Lock lock(mutex_);
    if (singleSelection_ || !ValidRow(lock, currentRow_)) return;
    PickLocked(lock, currentRow_, Pick::Toggle);
  }
  ApplyPending();
}

void ListView::SelectAllByKey() {
  {
    const Lock lock(mutex_);
    if (singleSelection_) return;
    SelectRangeLocked(lock, 1, static_cast<int>(rows_.size()));
  }
  ApplyPending();
}

void ListView::PassMenuKey() {
  const int row = CurrentRow();
  if (row) EnsureVisible(row);
  WindowHost* host = Host();
  if (!host) return;
  // Below the current row, or at the top of the rows without one.
  Gdiplus::RectF place = row ? AccessibleItemBounds(row) : Gdiplus::RectF();
  if (!row) {
    const Gdiplus::RectF& b = BoundsRef();
    place = Gdiplus::RectF(b.X + view_.X, b.Y + view_.Y, 0, 0);
  }
  POINT origin{0, 0};
  ClientToScreen(GetHostWindow(), &origin);
  const POINT at = list_keys::MenuPoint(place.X, place.Y + place.Height, host->Dpi(), origin);
  DispatchControlMessage(this, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(GetHostWindow()), MAKELPARAM(at.x, at.y));
}

LRESULT ListView::PreMessage(UINT, WPARAM, LPARAM) { return -1; }
void ListView::LayoutChanged(const Gdiplus::RectF&, const Gdiplus::RectF&, const Gdiplus::RectF&) {}
void ListView::UnusedListHookStart() {}
void ListView::UnusedListHookMiddle() {}
void ListView::UnusedListHookEnd() {}

void ListView::SetImageLists(std::optional<HIMAGELIST> extra, std::optional<HIMAGELIST> header,
                             std::optional<HIMAGELIST> rows) {
  if (!IsUiThread() && IsLive()) return RunOnUiThread([&] { SetImageLists(extra, header, rows); });
  (void)extra;  // taken for its place in the call; nothing draws from it
  if (header) headerImages_ = *header;
  if (rows) rowImages_ = *rows;
  if (!IsLive()) return;
  LayoutAreas();
  PlaceScrollBars();
  {
    const Lock lock(mutex_);
    pending_.columns = pending_.rows = pending_.all = true;
  }
  ApplyPending();
}

void ListView::ReleaseFont() { ownFont_.Reset(); }

void ListView::OnMouseMove(LPARAM lParam) {
  const Gdiplus::PointF local = FromWindow(lParam);
  bool currentChanged = false;
  int row = 0;
  std::string tip;
  {
    // The row is found and read under one lock: a worker refilling the list in between would
    // leave the number pointing past the rows or at another row.
    const Lock lock(mutex_);
    const list_layout::Hit hit = HitLocked(lock, static_cast<int>(local.X), static_cast<int>(local.Y));
    row = hit.row;
    const int oldHot = hotRow_;
    if (row != 0 && hotTracking_) {
      if (row != currentRow_) {
        const int previous = currentRow_;
        currentRow_ = row;
        RefreshState(lock, previous);
        currentChanged = true;
      }
    } else if (row != 0 && (row != hotRow_ || hit.column != hotColumn_) && ValidColumn(lock, hit.column)) {
      tip = std::string(list_layout::CutText(
          rows_[static_cast<size_t>(row - 1)].texts[static_cast<size_t>(hit.column - 1)], list_layout::kMaxDrawnChars));
    } else if (row != 0) {
      tip = tipText_;  // same cell: the tip stays
    }
    hotRow_ = row;
    hotColumn_ = row ? hit.column : 0;
    RefreshState(lock, oldHot);
    RefreshState(lock, row);
  }
  if (currentChanged) FireCallback(onCurrentChanged_, row, 0, 0);
  if (tip != tipText_) {
    tipText_ = tip;
    UpdateTip(tipText_);
  }
  ApplyPending();
}

void ListView::OnMouseLeave() {
  {
    const Lock lock(mutex_);
    const int oldHot = hotRow_;
    hotRow_ = hotColumn_ = 0;
    RefreshState(lock, oldHot);
  }
  if (!tipText_.empty()) {
    tipText_.clear();
    UpdateTip(tipText_);
  }
  ApplyPending();
}

bool ListView::ToggleCheckBoxLocked(const Locked& lock, int row, Gdiplus::PointF local, bool* ticked) {
  // The box sits at the start of the first column, centred in the row.
  const int x = static_cast<int>(local.X - view_.X) - offsetX_ - cellInset_;
  const int y = static_cast<int>(local.Y - view_.Y) - list_layout::RowTop(row, rowHeight_, offsetY_) -
                (rowHeight_ - kCheckBoxSize) / 2;
  Row& r = rows_[static_cast<size_t>(row - 1)];
  r.checkPosition = POINT{cellInset_, (rowHeight_ - kCheckBoxSize) / 2};
  if (x < 0 || x >= kCheckBoxSize || y < 0 || y >= kCheckBoxSize) return false;
  r.ticked = !r.ticked;
  *ticked = r.ticked;
  pending_.Mark(row, row);
  return true;
}

void ListView::OnButtonDown(UINT message, WPARAM wParam, LPARAM lParam) {
  const Gdiplus::PointF local = FromWindow(lParam);
  const int x = static_cast<int>(local.X), y = static_cast<int>(local.Y);
  int row = 0;
  bool toggled = false, ticked = false;
  {
    const Lock lock(mutex_);
    row = ShownRowAtLocked(lock, x, y);
    if (row == 0) return;
    if (checkBoxes_) toggled = ToggleCheckBoxLocked(lock, row, local, &ticked);
  }
  if (toggled) {
    ApplyPending();
    FireCallback(onCheckChanged_, row, ticked ? 1 : 0, 0);
    return;
  }

  FireCallback(onCurrentChanged_, row, 0, 0);
  {
    const Lock lock(mutex_);
    // The callback, or a worker, may have removed or replaced the rows meanwhile: the press
    // selects only the row it was reported for, and only while that row is still under it.
    if (ShownRowAtLocked(lock, x, y) != row) return;
    const bool ctrl = KeyHeld(wParam, MK_CONTROL, VK_CONTROL);
    const bool shift = KeyHeld(wParam, MK_SHIFT, VK_SHIFT);
    Pick pick = Pick::Alone;
    if (message == WM_RBUTTONDOWN) {
      pick = Pick::KeepOrAlone;  // a right press never extends, nor drops a selection it is in
    } else if (ctrl && shift) {
      pick = Pick::AddRange;
    } else if (ctrl) {
      pick = Pick::Toggle;
    } else if (shift) {
      pick = Pick::Range;
    }
    PickLocked(lock, row, pick);
  }
  ApplyPending();
}

void ListView::OnButtonUp(UINT message, LPARAM lParam) {
  const Gdiplus::PointF local = FromWindow(lParam);
  int row = 0;
  {
    const Lock lock(mutex_);
    row = ShownRowAtLocked(lock, static_cast<int>(local.X), static_cast<int>(local.Y));
    if (row == 0 || row != currentRow_) return;
  }
  FireCallback(message == WM_LBUTTONUP ? onLeftClick_ : onRightClick_, row, 0, 0);
}

void ListView::OnWheel(WPARAM wParam) {
  ApplyPending();
  if (!verticalShown_ || !verticalBar_.IsLive()) return;
  const int step = viewStyle_ == kListReport ? list_layout::kWheelRows * RowHeight() : RowHeight();
  const int position = list_layout::WheelPosition(verticalBar_.Position(), GET_WHEEL_DELTA_WPARAM(wParam), step,
                                                  verticalBar_.Maximum());
  if (position == verticalBar_.Position() && position == -ScrollOffsetY()) return;
  verticalBar_.Position(position);
  SetScrollY(position);
}

void ListView::ReleaseAll() {
  {
    const Lock lock(mutex_);
    std::vector<Row>().swap(rows_);
    std::vector<Column>().swap(columns_);
    selectedCount_ = 0;
    anchorSerial_ = 0;
    pending_ = Pending{};
    offsetX_ = offsetY_ = 0;
    hotRow_ = hotColumn_ = currentRow_ = 0;
    contentWidth_ = contentHeight_ = 0;
  }
  canvasGraphics_.Reset();
  spareGraphics_.Reset();
  canvas_.Reset();
  canvasRows_.Reset();
  spare_.Reset();
  headerSurface_.Reset();
  backgroundSurface_.Reset();
  ReleaseFont();
  format_.Reset();
  gfx::dispose_image(checkBoxStrip_);
  gfx::dispose_image(backgroundImage_);
  tipText_.clear();
  horizontalShown_ = verticalShown_ = false;
}

void ListView::DrawLaidOut() {
  DrawBackground();
  DrawHeader();
  UpdateVisibleRows(true, true);
  PlaceScrollBars();
}

LRESULT ListView::MessageProc(UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT early = PreMessage(message, wParam, lParam);
  if (early != -1) return early;
  switch (message) {
    case WM_CREATE:
      LayoutAreas();
      CreateScrollBars();
      DrawLaidOut();
      UpdateScrollBars();
      break;
    case WM_PAINT:
      UpdateVisibleRows(false, true);
      Present();
      break;
    case TKM_SHOWN:
      if (!Surface()) CreateSurface();
      DrawDeferredLayers();
      break;
    case TKM_SIZED:
      LayoutAreas();
      DrawLaidOut();
      {
        const Lock lock(mutex_);
        pending_.rows = pending_.columns = pending_.all = true;
      }
      ApplyPending();
      break;
    case WM_MOUSEMOVE:
      if (OnDividerMove(lParam)) break;
      OnMouseMove(lParam);
      break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      if (message == WM_LBUTTONDOWN && OnDividerPress(lParam, wParam == TKM_DBLCLICK_MARK)) break;
      if (message == WM_LBUTTONDOWN && OnHeaderPress(lParam)) break;
      OnButtonDown(message, wParam, lParam);
      break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      if (message == WM_LBUTTONUP && OnDividerRelease()) break;
      OnButtonUp(message, lParam);
      break;
    case WM_MOUSEWHEEL:
      OnWheel(wParam);
      return 0;
    case TKM_MOUSE_LEAVE:
      OnMouseLeave();
      break;
    case TKM_SET_FOCUS:
    case TKM_KILL_FOCUS:
      DrawRow(CurrentRow(), true);
      break;
    case TKM_ALPHA_CHANGED:
      if (horizontalBar_.IsLive()) horizontalBar_.Alpha(static_cast<int>(lParam));
      if (verticalBar_.IsLive()) verticalBar_.Alpha(static_cast<int>(lParam));
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      return HandleKey(wParam, lParam);
    case TKM_LIST_ROW_CHANGED: {
      {
        const Lock lock(mutex_);
        const int row = static_cast<int>(lParam);
        if (wParam == 0) {
          pending_.Mark(row, row);
        } else {
          pending_.rows = true;
          pending_.Mark(std::max(row, 1), INT_MAX);
        }
      }
      ApplyPending();
      return 0;
    }
    case TKM_LIST_CLEARED:
    case TKM_LIST_ROWS_CHANGED: {
      {
        const Lock lock(mutex_);
        pending_.rows = true;
        if (message == TKM_LIST_CLEARED) pending_.all = true;
      }
      ApplyPending();
      return 0;
    }
    case TKM_LIST_COLUMNS_CHANGED: {
      {
        const Lock lock(mutex_);
        RecomputeContentWidth(lock);
      }
      ApplyPending();
      return 0;
    }
    case TKM_LIST_PENDING:
      ApplyPending();
      return 0;
    case TKM_LIST_SCROLL_TO:
      ApplyPending();
      if (verticalBar_.IsLive()) {
        verticalBar_.Position(static_cast<int>(lParam));
        SetScrollY(verticalBar_.Position());
      }
      return 0;
    case WM_DESTROY:
      ReleaseAll();
      break;
    default:
      break;
  }
  return -1;
}
