#include "app/CloudPlay.h"

#include <oleauto.h>

#include "Hosts.h"
#include "app/AppState.h"
#include "app/Application.h"
#include "ui/core/WindowHost.h"
#include "ui/gfx/SystemLibrary.h"
#include "ui/gfx/Text.h"

namespace {

constexpr int kWidth = 560;
constexpr int kHeight = 400;
constexpr int kFrameFlags = 0x16;  // caption, close and minimise buttons; no icon
constexpr DISPID kNavigate = 104;

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

Microsoft::WRL::ComPtr<IDispatch> CreateBrowser(HWND window) {
  Microsoft::WRL::ComPtr<IDispatch> browser;
  // ATL and the libraries it brings are bound with the first window that shows a browser, not
  // at start-up: most runs never open one, and the main window's first frame does not wait.
  static const bool hostReady = InitActiveXHost();
  if (!hostReady) return browser;
  HWND site = CreateWindowExA(0, "AtlAxWin", "Shell.Explorer.2", WS_CHILD | WS_VISIBLE, 10, 30, 540, 360, window,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
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

POINT CloudPlayPosition(int screenWidth, int screenHeight) {
  // Computed in floating point and truncated toward zero.
  return POINT{static_cast<LONG>(screenWidth / 2.0 - 200), static_cast<LONG>(screenHeight / 2.0 - 250)};
}

void OpenCloudPlay() {
  try {
    HWND existing = AppState.cloudPlayWindow;
    if (existing && IsWindow(existing)) return;
    HWND owner = AppState.mainWindow;
    if (!AppState.cloudPlay) AppState.cloudPlay = std::make_unique<CloudPlayObjects>();
    CloudPlayObjects& objects = *AppState.cloudPlay;
    ProcessPendingMessages();

    ToolkitWindowOptions options;
    options.parent = owner;
    options.title = CloudPlayCaption();
    options.width = kWidth;
    options.height = kHeight;
    HWND window = create_toolkit_window(options);
    AppState.cloudPlayWindow = window;
    if (!window) return;
    ProcessPendingMessages();

    AttachOptions attach;
    attach.frameFlags = kFrameFlags;
    attach.sharedBackground = owner;
    objects.host.attach(window, attach);

    objects.browser.Reset();
    objects.browser = CreateBrowser(window);
    ProcessPendingMessages();
    if (objects.browser) Navigate(objects.browser.Get(), CloudPlayUrl());

    RECT rect{};
    GetWindowRect(window, &rect);
    POINT at = CloudPlayPosition(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    MoveWindow(window, at.x, at.y, rect.right - rect.left, rect.bottom - rect.top, TRUE);
    ShowWindowAsync(window, SW_SHOWNORMAL);
  } catch (...) {
    // Out of memory: no window this time.
  }
}
