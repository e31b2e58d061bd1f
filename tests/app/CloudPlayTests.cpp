// The cloud-play window at every scale and on any monitor: its place and size, and the browser's
// place inside it, before and after the window changes its scale.
#include <gtest/gtest.h>

#include <objbase.h>

#include <string>

#include "app/AppState.h"
#include "app/CloudPlay.h"
#include "support/ToolkitTesting.h"
#include "ui/core/DisplayScale.h"

namespace {

std::string Show(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

TEST(CloudPlayRect, HalfTheMonitorLess200And250ScaledAndKeptOnTheWorkArea) {
  struct Case {
    const char* name;
    ui::MonitorArea monitor;
    RECT rect;
  } cases[] = {
      {"primary at 100%", {{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, 96}, {760, 290, 1320, 690}},
      {"halves cut toward zero", {{0, 0, 1365, 767}, {0, 0, 1365, 767}, 96}, {482, 133, 1042, 533}},
      {"at 100% its margin may leave the screen", {{0, 0, 800, 400}, {0, 0, 800, 400}, 96}, {200, -50, 760, 350}},
      {"left of the primary", {{-1920, 0, 0, 1080}, {-1920, 0, 0, 1040}, 96}, {-1160, 290, -600, 690}},
      {"150%", {{0, 0, 2880, 1620}, {0, 0, 2880, 1560}, 144}, {1140, 435, 1980, 1035}},
      {"above the primary at 150%", {{0, -1620, 2880, 0}, {0, -1620, 2880, 0}, 144}, {1140, -1185, 1980, -585}},
      {"200%", {{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, 192}, {560, 40, 1680, 840}},
      {"200% on a small screen: the title bar stays on it", {{0, 0, 1366, 768}, {0, 0, 1366, 728}, 192},
       {283, 0, 1403, 800}},
      {"125%, right of the primary", {{1920, 0, 3520, 900}, {1920, 0, 3520, 860}, 120}, {2470, 137, 3170, 637}},
  };
  for (const Case& c : cases) EXPECT_EQ(Show(CloudPlayRect(c.monitor)), Show(c.rect)) << c.name;
}

TEST(CloudPlayBrowserRect, TheBrowsersPlaceScales) {
  struct Case {
    int dpi;
    RECT rect;
  } cases[] = {
      {96, {10, 30, 550, 390}},
      {120, {13, 38, 688, 488}},  // halves round up
      {144, {15, 45, 825, 585}},
      {192, {20, 60, 1100, 780}},
  };
  for (const Case& c : cases) EXPECT_EQ(Show(CloudPlayBrowserRect(c.dpi)), Show(c.rect)) << c.dpi;
}

// The browser site's rectangle in its window's client area.
RECT BrowserPlace(HWND window) {
  RECT r{};
  HWND site = FindWindowExA(window, nullptr, "AtlAxWin", nullptr);
  if (!site) return r;
  GetWindowRect(site, &r);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST(CloudPlayWindow, OpensAtItsMonitorsScaleAndTheBrowserFollowsAScaleChange) {
  CoInitialize(nullptr);
  toolkit_testing::HostedWindow owner;
  AppState.mainWindow = owner.window;
  OpenCloudPlay();
  HWND window = AppState.cloudPlayWindow;
  ASSERT_TRUE(IsWindow(window));
  ASSERT_NE(FindWindowExA(window, nullptr, "AtlAxWin", nullptr), nullptr) << "no browser site";

  RECT placed{};
  GetWindowRect(window, &placed);
  EXPECT_EQ(Show(placed), Show(CloudPlayRect(ui::MonitorOfWindow(owner.window))));
  EXPECT_EQ(Show(BrowserPlace(window)), Show(CloudPlayBrowserRect(ui::WindowDpi(window))));

  // Moved to monitors of other scales: the window takes the size Windows suggests, and the
  // browser its place at the new scale, inside the frame the host draws.
  for (int dpi : {144, 192, 120, 96}) {
    SCOPED_TRACE(dpi);
    const RECT suggested{100, 50, 100 + ui::ToDevice(560, dpi), 50 + ui::ToDevice(400, dpi)};
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    RECT now{};
    GetWindowRect(window, &now);
    EXPECT_EQ(Show(now), Show(suggested));
    EXPECT_EQ(AppState.cloudPlay->host.Dpi(), dpi);
    EXPECT_EQ(Show(BrowserPlace(window)), Show(CloudPlayBrowserRect(dpi)));
  }

  DestroyWindow(window);
  toolkit_testing::Pump();
  AppState.cloudPlay->browser.Reset();
  AppState.mainWindow = nullptr;
}

}  // namespace
