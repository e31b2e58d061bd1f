// The monitor of a window or point, and a window centred on a monitor's work area.
#include <gtest/gtest.h>

#include "support/ToolkitTesting.h"
#include "ui/core/DisplayScale.h"
#include "ui/core/Monitors.h"

using namespace toolkit_testing;

namespace {

TEST(Monitors, AWindowIsCentredOnItsMonitorsWorkArea) {
  struct Case {
    const char* name;
    RECT work;
    SIZE size;
    POINT at;
  } cases[] = {
      {"primary", {0, 0, 1920, 1040}, {380, 250}, {770, 395}},
      {"taskbar on the left", {40, 0, 1920, 1080}, {380, 250}, {790, 415}},
      {"monitor left of the primary", {-1920, 0, 0, 1040}, {570, 375}, {-1245, 332}},
      {"monitor above the primary", {0, -1080, 1920, -40}, {380, 250}, {770, -685}},
      {"larger than the work area: its corner", {-800, -600, 0, 0}, {1000, 700}, {-800, -600}},
  };
  for (const Case& c : cases) {
    const POINT at = ui::CentredOnWorkArea(ui::MonitorArea{c.work, c.work, 96}, c.size);
    EXPECT_EQ(at.x, c.at.x) << c.name;
    EXPECT_EQ(at.y, c.at.y) << c.name;
  }
}

TEST(Monitors, AWindowAndAPointAnswerTheirMonitor) {
  HostedWindow hosted;
  const ui::MonitorArea ofWindow = ui::MonitorOfWindow(hosted.window);
  const ui::MonitorArea ofPoint = ui::MonitorOfPoint(POINT{60, 60});
  const ui::MonitorArea primary = ui::MonitorOfWindow(nullptr);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(hosted.window, MONITOR_DEFAULTTONEAREST), &info));
  for (const ui::MonitorArea& area : {ofWindow, ofPoint, primary}) {
    EXPECT_TRUE(EqualRect(&area.monitor, &info.rcMonitor));
    EXPECT_TRUE(EqualRect(&area.work, &info.rcWork));
  }
  EXPECT_EQ(ofWindow.dpi, ui::WindowDpi(hosted.window));
  EXPECT_EQ(ofPoint.dpi, ui::SystemDpi());
  EXPECT_EQ(ui::MonitorDpi(nullptr), ui::SystemDpi()) << "no monitor: the system DPI";
}

TEST(Monitors, AToolkitWindowOpensCentredOnItsParentsMonitor) {
  HostedWindow parent;
  ToolkitWindowOptions options;
  options.parent = parent.window;
  options.width = 380;
  options.height = 250;
  HWND window = create_toolkit_window(options);
  ASSERT_NE(window, nullptr);
  const ui::MonitorArea monitor = ui::MonitorOfWindow(parent.window);
  const POINT expected = ui::CentredOnWorkArea(monitor, SIZE{380, 250});
  RECT r{};
  GetWindowRect(window, &r);
  EXPECT_EQ(r.left, expected.x);
  EXPECT_EQ(r.top, expected.y);
  EXPECT_GE(r.left, monitor.work.left);
  DestroyWindow(window);
}

}  // namespace
