// The cloud-play window: a skinned window over the main window's background that hosts the
// system web browser control, pointed at the product's cloud-play page. One at a time.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <string>

#include "ui/core/Monitors.h"
#include "ui/core/WindowHost.h"

// The window host of the cloud-play window and the browser control of its current window; the
// host is attached anew to each window, the browser replaced at each opening.
struct CloudPlayObjects {
  WindowHost host;
  Microsoft::WRL::ComPtr<IDispatch> browser;
};

// Binds ATL's ActiveX host from atl.dll and registers its "AtlAxWin" window class; false when
// the library or the entry point is missing (the window then shows no browser). The first
// browser window calls it.
bool InitActiveXHost();

// Menu item handler: opens the window unless one is open already (which is left as it is).
void OpenCloudPlay();

// The page address and the caption of the window.
std::string CloudPlayUrl();
std::string CloudPlayCaption();

// Where the window goes (device pixels) on the monitor of the main window: 560 x 400 pixels at
// the monitor's scale, its corner 200 and 250 scaled pixels left of and above the monitor's
// middle, and at a scale above 100% not above or left of the work area.
RECT CloudPlayRect(const ui::MonitorArea& monitor);

// The browser's place in the window's client area at a DPI: 10, 30, 540 x 360 pixels, scaled.
RECT CloudPlayBrowserRect(int dpi);

// The window's message hook: on WM_DPICHANGED the browser moves to its place at the new scale;
// -1 (not handled) for every message, so the host goes on with it.
LRESULT CloudPlayMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
