// A hosted toolkit window for control tests, a message pump and surface pixel access.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "ui/controls/Control.h"
#include "ui/gfx/GdiPlus.h"
#include "ui/gfx/Toolkit.h"
#include "ui/host/WindowHost.h"

namespace controls_testing {

inline void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

inline void PumpFor(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < milliseconds) {
    Pump();
    Sleep(5);
  }
  Pump();
}

// Pumps until the condition holds or the time is up; returns the condition.
template <typename Condition>
bool PumpUntil(Condition condition, DWORD milliseconds = 3000) {
  const DWORD start = GetTickCount();
  while (!condition() && GetTickCount() - start < milliseconds) {
    Pump();
    Sleep(5);
  }
  return condition();
}

// A toolkit window (WS_POPUP with minimise and maximise boxes) with a host attached.
struct HostedWindow {
  explicit HostedWindow(AttachOptions options, int width = 400, int height = 300) {
    gfx::toolkit_startup();
    ToolkitWindowOptions create;
    create.title = "Controls";
    create.x = 40;
    create.y = 40;
    create.width = width;
    create.height = height;
    window = create_toolkit_window(create);
    host = std::make_unique<WindowHost>();
    if (window) attached = host->attach(window, options);
  }
  ~HostedWindow() {
    if (IsWindow(window)) DestroyWindow(window);
    Pump();
  }
  static AttachOptions Frame(int flags) {
    AttachOptions options;
    options.frameFlags = flags;
    options.backgroundColour = RGB(30, 110, 130);
    return options;
  }
  LRESULT Send(UINT message, WPARAM wParam, int x, int y) {
    return SendMessageW(window, message, wParam, MAKELPARAM(x, y));
  }

  HWND window = nullptr;
  std::unique_ptr<WindowHost> host;
  int attached = 0;
};

inline Gdiplus::ARGB SurfacePixel(const Control* control, int x, int y) {
  Gdiplus::ARGB colour = 0;
  gfx::gdip::GdipBitmapGetPixel(control->Surface(), x, y, &colour);
  return colour;
}

inline Gdiplus::ARGB ImagePixel(Gdiplus::GpImage* image, int x, int y) {
  Gdiplus::ARGB colour = 0;
  gfx::gdip::GdipBitmapGetPixel(static_cast<Gdiplus::GpBitmap*>(image), x, y, &colour);
  return colour;
}

inline int AlphaOf(Gdiplus::ARGB colour) { return static_cast<int>(colour >> 24); }

}  // namespace controls_testing
