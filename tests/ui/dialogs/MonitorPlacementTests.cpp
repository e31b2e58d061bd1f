// Menus and message boxes open on the monitor of their point or owner, at that monitor's scale
// and inside its work area, wherever it lies on the virtual screen. Wine shows one monitor, so
// the monitors here are given.
#include <gtest/gtest.h>

#include <string>

#include "ui/dialogs/MenuLayout.h"
#include "ui/dialogs/MessageBoxLayout.h"

namespace {

std::string Show(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

// 1920 x 1080 at 100% left of the primary, 3840 x 2160 at 200% above it, 2880 x 1620 at 150%
// right of it (work areas above their taskbars where they have one).
const ui::MonitorArea kLeft{{-1920, 0, 0, 1080}, {-1920, 0, 0, 1040}, 96};
const ui::MonitorArea kAbove{{0, -2160, 3840, 0}, {0, -2160, 3840, 0}, 192};
const ui::MonitorArea kRight{{1920, 0, 4800, 1620}, {1920, 0, 4800, 1560}, 144};
const ui::MonitorArea kSmallLeftAbove{{-1280, -1024, 0, 0}, {-1280, -1024, 0, 0}, 96};

TEST(MonitorPlacement, AMenuOpensOnTheMonitorOfItsPoint) {
  struct Case {
    const char* name;
    ui::MonitorArea monitor;
    POINT at;
    SIZE size;
    RECT rect;
    bool left, up;
  } cases[] = {
      {"left of the primary: flips left at that monitor's right edge", kLeft, {-100, 500}, {150, 100},
       {-250, 500, -100, 600}, true, false},
      {"left of the primary, at its left edge: stays there", kLeft, {-1910, 300}, {150, 100},
       {-1910, 300, -1760, 400}, false, false},
      {"above the primary at 200%: flips up at its bottom", kAbove, {200, -100}, {150, 100},
       {200, -300, 500, -100}, false, true},
      {"right of the primary at 150%: flips at both edges", kRight, {4790, 1500}, {150, 100},
       {4565, 1350, 4790, 1500}, true, true},
      {"taller than the work area: capped and kept on it", kSmallLeftAbove, {-640, -512}, {150, 2000},
       {-640, -1024, -490, 0}, false, true},
  };
  for (const Case& c : cases) {
    const MenuWindowPlace place = PlaceMenuWindow(c.monitor, c.size, c.at);
    EXPECT_EQ(Show(place.rect), Show(c.rect)) << c.name;
    EXPECT_EQ(place.openedLeft, c.left) << c.name;
    EXPECT_EQ(place.openedUp, c.up) << c.name;
  }
  EXPECT_EQ(PlaceMenuWindow(kSmallLeftAbove, {150, 2000}, {-640, -512}).size.cy, 1024);
}

TEST(MonitorPlacement, ASubMenuOpensBesideItsOpenerOnThatMonitor) {
  struct Case {
    const char* name;
    ui::MonitorArea monitor;
    RECT parent;  // device pixels
    RECT item;    // pixels at 96 DPI of the monitor's scale
    RECT rect;
    bool left;
  } cases[] = {
      {"left of the primary", kLeft, {-400, 100, -250, 200}, {-392, 130, -258, 152}, {-259, 122, -109, 222}, false},
      {"at 150%, flipped at the right edge", kRight, {4500, 300, 4725, 450}, {3008, 230, 3142, 252},
       {4289, 333, 4514, 483}, true},
  };
  for (const Case& c : cases) {
    const MenuWindowPlace place = PlaceMenuWindow(c.monitor, {150, 100}, {}, &c.parent, &c.item);
    EXPECT_EQ(Show(place.rect), Show(c.rect)) << c.name;
    EXPECT_EQ(place.openedLeft, c.left) << c.name;
  }
}

TEST(MonitorPlacement, ABoxOpensOnItsOwnersMonitorAtItsScale) {
  const ui::MonitorArea primary{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, 96};
  const ui::MonitorArea leftAt150{{-2880, 0, 0, 1620}, {-2880, 0, 0, 1560}, 144};
  const RECT owner{-2000, 300, -1085, 1073};  // a 610 x 515 window at 150% on that monitor
  struct Case {
    const char* name;
    ui::MonitorArea monitor;
    const RECT* owner;
    RECT work;  // at 96 DPI of the monitor's scale
    RECT rect;
  } cases[] = {
      {"primary, centred on the work area", primary, nullptr, {0, 0, 1920, 1040}, {800, 445, 1120, 595}},
      {"left at 150%, centred on its work area", leftAt150, nullptr, {-1920, 0, 0, 1040}, {-1680, 668, -1200, 893}},
      {"left at 150%, centred on the owner", leftAt150, &owner, {-1920, 0, 0, 1040}, {-1782, 573, -1302, 798}},
      {"above at 200%", kAbove, nullptr, {0, -1080, 1920, 0}, {1600, -1230, 2240, -930}},
  };
  for (const Case& c : cases) {
    const MessageBoxFrame frame = FrameMessageBox(c.monitor, c.owner);
    EXPECT_EQ(frame.dpi, c.monitor.dpi) << c.name;
    EXPECT_EQ(Show(frame.work), Show(c.work)) << c.name;
    const MessageBoxGeometry geometry = InitialMessageBoxGeometry(frame.reference, false);
    EXPECT_EQ(Show(MessageBoxScreenRect(geometry, frame.dpi)), Show(c.rect)) << c.name;
  }
}

}  // namespace
