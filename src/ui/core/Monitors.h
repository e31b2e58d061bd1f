// The monitor a window or a point is on: where a window, menu or box opens and at which scale
// it is laid out. Windows places a new window on the monitor of its position and gives it that
// monitor's DPI, so whatever opens there is measured against that monitor's work area and
// DPI, not the primary monitor's (SPI_GETWORKAREA, the system DPI).
#pragma once

#include <windows.h>

namespace ui {

// A monitor as placement needs it: its whole rectangle and its work area (device pixels on the
// virtual screen, which reach left of and above the primary monitor's origin), and its DPI.
struct MonitorArea {
  RECT monitor{};
  RECT work{};
  int dpi = 96;
};

// The monitor a window is on (the nearest one when it is off every monitor), at the window's own
// DPI; the primary monitor for no window.
MonitorArea MonitorOfWindow(HWND window);
// The monitor a point is on (the nearest one), at that monitor's DPI.
MonitorArea MonitorOfPoint(POINT point);
// A monitor's DPI: GetDpiForMonitor (shcore.dll, Windows 8.1 and later), else the system DPI.
int MonitorDpi(HMONITOR monitor);

// The top left corner of a window of a device size centred on a monitor's work area; a window
// larger than the work area starts at its top left corner.
POINT CentredOnWorkArea(const MonitorArea& area, SIZE size);

}  // namespace ui
