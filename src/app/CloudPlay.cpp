#include "app/CloudPlay.h"

#include <oleauto.h>

#include <algorithm>

#include "Hosts.h"
#include "base/Contained.h"
#include "app/AppState.h"
#include "app/Application.h"
#include "ui/core/DisplayScale.h"
#include "ui/core/WindowHost.h"
#include "ui/gfx/SystemLibrary.h"
#include "ui/gfx/Text.h"

namespace {

constexpr int kWidth = 560;
constexpr int kHeight = 400;
constexpr int kFrameFlags = 0x16;  // caption, close and minimise buttons; no icon
constexpr DISPID kNavigate = 104;
constexpr char kBrowserSiteClass[] = "AtlAxWin";
// Where the window and the browser sit, in pixels at 96 DPI.
constexpr int kLeftOfMiddle = 200;
constexpr int kAboveMiddle = 250;
constexpr RECT kBrowserRect{10, 30, 10 + 540, 30 + 360};

using AtlAxWinInitFn = BOOL(WINAPI*)();
using AtlAxGetControlFn = HRESULT(WINAPI*)(HWND, IUnknown**);

// atl.dll stays loaded for the life of the process once bound (MinGW has no import library).
HMODULE AtlLibrary() {
  static HMODULE library = gfx::LoadSystemLibrary(L"atl.dll");
  return library;
}

AtlAxGetControlFn AtlAxGetControlEntry() {
  HMODULE library = AtlLibrary();
  return library ? reinterpret_cast<AtlAxGetControlFn>(GetProcAddress(library, "AtlAxGetControl")) : nullptr;
}

Microsoft::WRL::ComPtr<IDispatch> CreateBrowser(HWND window, int dpi) {
  Microsoft::WRL::ComPtr<IDispatch> browser;
  // ATL and the libraries it brings are bound with the first window that shows a browser, not
  // at start-up: most runs never open one, and the main window's first frame does not wait.
  static const bool hostReady = InitActiveXHost();
  if (!hostReady) return browser;
  const RECT place = CloudPlayBrowserRect(dpi);
  HWND site = CreateWindowExA(0, kBrowserSiteClass, "Shell.Explorer.2", WS_CHILD | WS_VISIBLE, place.left, place.top,
                              place.right - place.left, place.bottom - place.top, window, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  AtlAxGetControlFn getControl = AtlAxGetControlEntry();
  if (!site || !getControl) return browser;
  Microsoft::WRL::ComPtr<IUnknown> control;
  if (SUCCEEDED(getControl(site, control.GetAddressOf())) && control) control.As(&browser);
  return browser;
}

// Navigate(URL, Flags, TargetFrameName, PostData, Headers): the address, then four empty (0) values.
void Navigate(IDispatch* browser, const std::string& url) {
  BSTR address = SysAllocString(gfx::widen_text(url).c_str());
  if (!address) return;
  VARIANT args[5];
  for (VARIANT& arg : args) {
    VariantInit(&arg);
    V_VT(&arg) = VT_I4;
    V_I4(&arg) = 0;
  }
  // Arguments go in reverse order: the address is the last one.
  V_VT(&args[4]) = VT_BSTR;
  V_BSTR(&args[4]) = address;
  DISPPARAMS params{args, nullptr, 5, 0};
  browser->Invoke(kNavigate, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
  for (VARIANT& arg : args) VariantClear(&arg);
}

}  // namespace

bool InitActiveXHost() {
  HMODULE library = AtlLibrary();
  if (!library) return false;
  auto init = reinterpret_cast<AtlAxWinInitFn>(GetProcAddress(library, "AtlAxWinInit"));
  return init && init();
}

std::string CloudPlayUrl() { return std::string("http://") + hosts::kCloudPlayHost + "/yunbo.htm"; }

std::string CloudPlayCaption() { return std::string("\xd4\xc6\xb5\xe3\xb2\xa5 ") + hosts::kProductHost; }

RECT CloudPlayRect(const ui::MonitorArea& area) {
  const RECT& m = area.monitor;
  // Computed in floating point and truncated toward zero, from the monitor's corner.
  LONG left = m.left + static_cast<LONG>((m.right - m.left) / 2.0 - ui::ToDevice(kLeftOfMiddle, area.dpi));
  LONG top = m.top + static_cast<LONG>((m.bottom - m.top) / 2.0 - ui::ToDevice(kAboveMiddle, area.dpi));
  // A scaled window keeps its title bar on the work area, where its own margins would push it off.
  if (area.dpi != ui::kBaseDpi) {
    left = std::max(left, area.work.left);
    top = std::max(top, area.work.top);
  }
  return RECT{left, top, left + ui::ToDevice(kWidth, area.dpi), top + ui::ToDevice(kHeight, area.dpi)};
}

RECT CloudPlayBrowserRect(int dpi) { return ui::RectToDevice(kBrowserRect, dpi); }

LRESULT CloudPlayMessage(HWND window, UINT message, WPARAM wParam, LPARAM) {
  // The host takes the size Windows suggests for the new scale; the browser is a window of
  // its own and moves with it.
  if (message == WM_DPICHANGED) {
    if (HWND site = FindWindowExA(window, nullptr, kBrowserSiteClass, nullptr)) {
      const RECT place = CloudPlayBrowserRect(LOWORD(wParam));
      SetWindowPos(site, nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  return -1;
}

void OpenCloudPlay() {
  // Out of memory half way: no window this time.
  base::Contained([] {
    HWND existing = AppState.cloudPlayWindow;
    if (existing && IsWindow(existing)) return;
    HWND owner = AppState.mainWindow;
    if (!AppState.cloudPlay) AppState.cloudPlay = std::make_unique<CloudPlayObjects>();
    CloudPlayObjects& objects = *AppState.cloudPlay;
    ProcessPendingMessages();

    // Made where it shows, on the main window's monitor and at its scale: a window moved onto
    // another monitor afterwards would change its scale on the way.
    const RECT place = CloudPlayRect(ui::MonitorOfWindow(owner));
    ToolkitWindowOptions options;
    options.parent = owner;
    options.title = CloudPlayCaption();
    options.x = place.left;
    options.y = place.top;
    options.width = place.right - place.left;
    options.height = place.bottom - place.top;
    HWND window = create_toolkit_window(options);
    AppState.cloudPlayWindow = window;
    if (!window) return;
    ProcessPendingMessages();

    AttachOptions attach;
    attach.frameFlags = kFrameFlags;
    attach.sharedBackground = owner;
    objects.host.attach(window, attach);
    objects.host.Callbacks().set_on_window_message(CloudPlayMessage);

    objects.browser.Reset();
    objects.browser = CreateBrowser(window, ui::WindowDpi(window));
    ProcessPendingMessages();
    if (objects.browser) Navigate(objects.browser.Get(), CloudPlayUrl());
    ShowWindowAsync(window, SW_SHOWNORMAL);
  });
}
