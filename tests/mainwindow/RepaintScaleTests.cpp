// The real main window at several display scales: whatever it repaints in part (a hover, the
// caret, a scroll, a tab, a menu gone again) leaves the window's pixels as drawing it whole does.
#include <windows.h>
#include <windowsx.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/MainControls.h"
#include "app/SearchRun.h"
#include "support/ToolkitTesting.h"
#include "ui/core/DisplayScale.h"
#include "ui/core/WindowHost.h"
#include "ui/dialogs/PopupMenu.h"

namespace {

using toolkit_testing::Pump;
using toolkit_testing::PumpUntil;

MainControls& Ui() { return *AppState.controls; }
HWND Main() { return AppState.mainWindow; }
WindowHost& Host() { return *host_of_window(Main()); }

// Moves the window to a monitor of that scale, as Windows tells a per-monitor aware window: the
// whole window is drawn again from nothing at that scale.
void SetDpi(int dpi) {
  const WindowSize size = Host().Size();
  RECT suggested{0, 0, ui::ToDevice(size.width, dpi), ui::ToDevice(size.height, dpi)};
  SendMessageW(Main(), 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
}

// A logical client point as the window receives it, with the cursor put there too.
LPARAM At(float x, float y) {
  const POINT device = ui::PointToDevice(POINT{static_cast<LONG>(x), static_cast<LONG>(y)}, Host().Dpi());
  POINT screen = device;
  ClientToScreen(Main(), &screen);
  SetCursorPos(screen.x, screen.y);
  return MAKELPARAM(device.x, device.y);
}

LPARAM Centre(const Control& control) {
  const Gdiplus::RectF b = control.BoundsRef();
  return At(b.X + b.Width / 2, b.Y + b.Height / 2);
}

void Click(const Control& control) {
  const LPARAM point = Centre(control);
  SendMessageW(Main(), WM_MOUSEMOVE, 0, point);
  SendMessageW(Main(), WM_LBUTTONDOWN, MK_LBUTTON, point);
  SendMessageW(Main(), WM_LBUTTONUP, 0, point);
  Pump();
}

// The middle of a row of the main list as it is scrolled now.
LPARAM RowPoint(int row) {
  ListView& list = Ui().mainList;
  const Gdiplus::RectF b = list.BoundsRef(), view = list.ViewRect();
  const int height = list.RowHeight();
  return At(b.X + view.X + 40, b.Y + view.Y + static_cast<float>((row - 1) * height + list.ScrollOffsetY() + height / 2));
}

// The pixels the window shows, then its back buffer's (colour only: a window's pixels hold no alpha).
std::vector<std::uint32_t> Pixels() {
  const WindowSize size = Host().DeviceSize();
  std::vector<std::uint32_t> pixels;
  HDC window = GetDC(Main());
  for (HDC from : {window, Host().Painting().BackBuffer().Dc()}) {
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), size.width, -size.height, 1, 32, BI_RGB};
    void* bits = nullptr;
    HBITMAP copy = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, copy);
    BitBlt(dc, 0, 0, size.width, size.height, from, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* p = static_cast<const std::uint32_t*>(bits);
    for (size_t i = 0, n = static_cast<size_t>(size.width) * size.height; p && i < n; ++i) pixels.push_back(p[i] & 0xFFFFFF);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(copy);
  }
  ReleaseDC(Main(), window);
  return pixels;
}

// How many pixels differ, and the device rectangle that holds them on screen and in the back buffer.
std::string Differences(const std::vector<std::uint32_t>& seen, const std::vector<std::uint32_t>& whole) {
  if (seen.size() != whole.size()) return "sizes " + std::to_string(seen.size()) + " and " + std::to_string(whole.size());
  const int width = Host().DeviceSize().width;
  const size_t image = static_cast<size_t>(width) * Host().DeviceSize().height;
  std::string found;
  for (size_t start : {size_t{0}, image}) {
    size_t count = 0;
    RECT box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    std::set<LONG> lines, columns;
    for (size_t i = start; i < start + image && i < seen.size(); ++i) {
      if (seen[i] == whole[i]) continue;
      ++count;
      const LONG x = static_cast<LONG>((i - start) % width), y = static_cast<LONG>((i - start) / width);
      lines.insert(y), columns.insert(x);
      box = RECT{std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1), std::max(box.bottom, y + 1)};
    }
    if (count == 0) continue;
    found += std::string(found.empty() ? "" : "; ") + std::to_string(count) + " pixels " +
             (start == 0 ? "on screen" : "in the back buffer") + " within " + std::to_string(box.left) + "," +
             std::to_string(box.top) + "-" + std::to_string(box.right) + "," + std::to_string(box.bottom) + " on " +
             std::to_string(lines.size()) + " lines and " + std::to_string(columns.size()) + " columns";
  }
  return found;
}

void Wheel(int notches) {
  ListView& list = Ui().mainList;
  const Gdiplus::RectF b = list.BoundsRef();
  const LPARAM client = At(b.X + b.Width / 2, b.Y + b.Height / 2);
  POINT screen{GET_X_LPARAM(client), GET_Y_LPARAM(client)};
  ClientToScreen(Main(), &screen);
  SendMessageW(Main(), WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA * notches), MAKELPARAM(screen.x, screen.y));
  Pump();
}

// Drags the list's thumb by steps of logical pixels along the bar.
void DragThumb(std::initializer_list<int> steps) {
  ScrollBar& bar = *Ui().mainList.VerticalBar();
  const Gdiplus::RectF b = bar.BoundsRef();
  const float x = b.X + b.Width / 2;
  float y = b.Y + static_cast<float>(bar.ThumbStart() + bar.ThumbLength() / 2);
  SendMessageW(Main(), WM_MOUSEMOVE, 0, At(x, y));
  SendMessageW(Main(), WM_LBUTTONDOWN, MK_LBUTTON, At(x, y));
  for (int step : steps) {
    y += static_cast<float>(step);
    SendMessageW(Main(), WM_MOUSEMOVE, MK_LBUTTON, At(x, y));
    Pump();
  }
  SendMessageW(Main(), WM_LBUTTONUP, 0, At(x, y));
  SendMessageW(Main(), WM_MOUSEMOVE, 0, RowPoint(1));  // off the bar, which is lit under the mouse
  Pump();
}

void HoverRows(int from, int to) {
  for (int row = from; from <= to ? row <= to : row >= to; row += from <= to ? 1 : -1) {
    SendMessageW(Main(), WM_MOUSEMOVE, 0, RowPoint(row));
    Pump();
  }
}

// Closes a menu as soon as its window is made (its loop then ends by itself).
void CloseAtOnce(HWND menu, int) { PostMessageW(menu, WM_CLOSE, 0, 0); }

// Each sequence is compared the moment it is over: a fade or a caret still running is part of
// what the window must show, as a whole redraw draws it.
TEST(Repaint, PartialRepaintsAtEveryScaleLeaveWhatAWholeRedrawDraws) {
  ASSERT_EQ(Host().Dpi(), ui::kBaseDpi);
  Ui().searchBox.Text(std::string("ABC"));
  StartSearch();
  ASSERT_TRUE(PumpUntil([] { return AppState.searchBusy == 0 && Ui().mainList.RowCount() == 38; }, 30000));
  ListView& list = Ui().mainList;

  struct Sequence {
    const char* name;
    std::function<void()> run;
  };
  const Sequence sequences[] = {
      {"hover down and up across ten rows", [] { HoverRows(1, 10), HoverRows(10, 1); }},
      {"three wheel steps down and up", [&] {
         Host().set_focus(&list, false);  // the wheel scrolls the focused control
         for (int step = 0; step < 3; ++step) Wheel(1);
         HoverRows(5, 3);
         for (int step = 0; step < 3; ++step) Wheel(-1);
       }},
      {"thumb dragged to odd offsets", [] { DragThumb({7, 5, 13, -3, 1}); }},
      {"then hover over the scrolled rows", [] { HoverRows(9, 13); }},
      {"the caret blinking", [] {
         Click(Ui().searchBox);
         for (int blink = 0; blink < 3; ++blink) {
           const bool shown = Ui().searchBox.CaretShown();
           ASSERT_TRUE(PumpUntil([&] { return Ui().searchBox.CaretShown() != shown; }));
         }
       }},
      {"a row clicked and another", [&] {
         // Rows in sight: a press above the list would land on the caption and start a move.
         const int first = -list.ScrollOffsetY() / list.RowHeight() + 1;
         for (int row : {first + 2, first + 4}) {
           SendMessageW(Main(), WM_MOUSEMOVE, 0, RowPoint(row));
           SendMessageW(Main(), WM_LBUTTONDOWN, MK_LBUTTON, RowPoint(row));
           SendMessageW(Main(), WM_LBUTTONUP, 0, RowPoint(row));
           Pump();
         }
         HoverRows(first + 5, first + 3);
       }},
      {"a tab switch and back", [&] {
         Click(Ui().tabs[1]);
         ASSERT_TRUE(PumpUntil([] { return Ui().categoryList.IsVisible() && !Ui().categoryList.IsFilling(); }));
         Click(Ui().tabs[0]);
         ASSERT_TRUE(PumpUntil([&] { return list.IsVisible(); }));
       }},
      {"the result menu over the list and gone", [] {
         AppState.resultMenu->SetCreated(CloseAtOnce);
         SendMessageW(Main(), WM_MOUSEMOVE, 0, RowPoint(4));
         SendMessageW(Main(), WM_RBUTTONDOWN, MK_RBUTTON, RowPoint(4));
         SendMessageW(Main(), WM_RBUTTONUP, 0, RowPoint(4));
         AppState.resultMenu->SetCreated(nullptr);
         Pump();
         HoverRows(6, 2);
       }},
  };
  for (int dpi : {96, 120, 144, 192}) {
    SetDpi(dpi);
    Pump();
    ASSERT_EQ(Host().Dpi(), dpi);
    for (const Sequence& sequence : sequences) {
      SCOPED_TRACE(std::string(sequence.name) + " at " + std::to_string(dpi) + " DPI");
      sequence.run();
      Pump();
      const std::vector<std::uint32_t> seen = Pixels();
      // Drawn whole: the list's layers and rows anew from its rows, the search box's text and
      // caret, then the whole window composed and shown at once.
      DispatchControlMessage(&list, TKM_SIZED, static_cast<WPARAM>(list.BoundsRef().Width),
                             static_cast<LPARAM>(list.BoundsRef().Height));
      Ui().searchBox.PaintText();
      Host().Painting().redraw(std::nullopt, std::nullopt, 0, false);
      EXPECT_EQ(Differences(seen, Pixels()), "");
    }
  }
  SetDpi(ui::kBaseDpi);
  Pump();
}

}  // namespace
