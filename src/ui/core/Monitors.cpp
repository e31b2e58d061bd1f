#include "ui/core/Monitors.h"

#include "ui/core/DisplayScale.h"
#include "ui/gfx/SystemLibrary.h"

namespace ui {

namespace {

MonitorArea AreaOf(HMONITOR monitor, int dpi) {
  MonitorArea area;
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (monitor && GetMonitorInfoW(monitor, &info)) {
    area.monitor = info.rcMonitor;
    area.work = info.rcWork;
  } else {
    // No monitor to ask: the primary screen as the system metrics give it.
    area.monitor = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    area.work = area.monitor;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area.work, 0);
  }
  area.dpi = dpi;
  return area;
}

HMONITOR PrimaryMonitor() { return MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY); }

}  // namespace

int MonitorDpi(HMONITOR monitor) {
  using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  // Bound by name from the system directory: Windows 7 and 8 have no such function.
  static const auto getDpiForMonitor = [] {
    HMODULE shcore = gfx::LoadSystemLibrary(L"shcore.dll");
    return shcore ? reinterpret_cast<GetDpiForMonitorFn>(
                        reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")))
                  : nullptr;
  }();
  UINT x = 0, y = 0;
  constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
  if (monitor && getDpiForMonitor && SUCCEEDED(getDpiForMonitor(monitor, kEffectiveDpi, &x, &y)) && x > 0) {
    return static_cast<int>(x);
  }
  return SystemDpi();
}

MonitorArea MonitorOfWindow(HWND window) {
  if (!window || !IsWindow(window)) {
    HMONITOR primary = PrimaryMonitor();
    return AreaOf(primary, MonitorDpi(primary));
  }
  return AreaOf(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), WindowDpi(window));
}

MonitorArea MonitorOfPoint(POINT point) {
  HMONITOR monitor = MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST);
  return AreaOf(monitor, MonitorDpi(monitor));
}

POINT CentredOnWorkArea(const MonitorArea& area, SIZE size) {
  const RECT& work = area.work;
  auto start = [](LONG low, LONG high, LONG length) { return length >= high - low ? low : low + (high - low - length) / 2; };
  return POINT{start(work.left, work.right, size.cx), start(work.top, work.bottom, size.cy)};
}

}  // namespace ui
