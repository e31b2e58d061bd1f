// Helpers for toolkit tests: a started toolkit, a hosted window, a control that records what
// it receives, and a message pump. Header-only so each test executable takes what it needs.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ui/core/Control.h"
#include "ui/gfx/GdiPlus.h"
#include "ui/gfx/Toolkit.h"
#include "ui/core/WindowHost.h"

namespace toolkit_testing {

inline void StartToolkit() {
  static bool started = [] {
    gfx::toolkit_startup();
    return true;
  }();
  (void)started;
}

// Dispatches everything queued for this thread.
inline void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// Pumps messages for about the given time.
inline void PumpFor(DWORD milliseconds) {
  DWORD start = GetTickCount();
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

inline LPARAM Point(int x, int y) { return MAKELPARAM(x, y); }

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

struct Received {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD thread;
};

// A control that fills its surface with one colour and records every message it receives.
class RecordingControl : public Control {
 public:
  explicit RecordingControl(Gdiplus::ARGB colour = 0xFF3366CC) : colour_(colour) {}
  ~RecordingControl() override {
    if (IsLive()) Destroy();
  }

  Control* CreateAt(ControlParent parent, float x, float y, float w, float h, ControlOptions options = {}) {
    return Create(parent, Gdiplus::RectF(x, y, w, h), options);
  }

  LRESULT MessageProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    received.push_back(Received{message, wParam, lParam, GetCurrentThreadId()});
    if (destroyLog && message == WM_DESTROY) destroyLog->push_back(name);
    if (message == WM_PAINT) Paint();
    if (message == TKM_PRESS) return pressAnswer;
    if (message == TKM_DRAW_DISABLED) return drawDisabledAnswer;
    if (message == TKM_QUERY_FOCUS) return -1;
    return answer;
  }

  void Paint() {
    const SurfacePaint paint(this, nullptr, startTransition);
    if (const PaintContext& context = paint.Context(); context.graphics) {
      Gdiplus::DllExports::GdipGraphicsClear(context.graphics, colour_);
    }
  }

  void SetColour(Gdiplus::ARGB colour) {
    colour_ = colour;
    Paint();
  }

  int Count(UINT message) const {
    int n = 0;
    for (const auto& r : received) n += r.message == message;
    return n;
  }
  // Messages of interest in arrival order, as text ("press", "click", ...).
  std::vector<UINT> Sequence(std::initializer_list<UINT> wanted) const {
    std::vector<UINT> out;
    for (const auto& r : received) {
      for (UINT w : wanted) {
        if (r.message == w) out.push_back(r.message);
      }
    }
    return out;
  }

  std::vector<Received> received;
  LRESULT pressAnswer = 0;        // takes presses
  LRESULT drawDisabledAnswer = -1;
  LRESULT answer = -1;
  bool startTransition = false;
  std::string name;
  std::vector<std::string>* destroyLog = nullptr;

 private:
  Gdiplus::ARGB colour_;
};

// A toolkit window of the given size with a host attached (ordinary window, no frame unless
// asked), shown without activation changes the test does not expect.
class HostedWindow {
 public:
  explicit HostedWindow(AttachOptions options = NoFrame(), int width = 300, int height = 200,
                        DWORD style = WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX) {
    StartToolkit();
    ToolkitWindowOptions create;
    create.title = "Test";
    create.x = 50;
    create.y = 50;
    create.width = width;
    create.height = height;
    create.style = style;
    window = create_toolkit_window(create);
    host = std::make_unique<WindowHost>();
    attached = host->attach(window, options);
  }
  ~HostedWindow() {
    if (IsWindow(window)) DestroyWindow(window);
    Pump();
  }

  static AttachOptions NoFrame() {
    AttachOptions options;
    options.frameFlags = 0;
    options.backgroundColour = RGB(10, 20, 30);
    return options;
  }

  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendMessageW(window, message, wParam, lParam);
  }
  void Show() {
    ShowWindow(window, SW_SHOWNORMAL);
    Pump();
  }

  HWND window = nullptr;
  std::unique_ptr<WindowHost> host;
  int attached = 0;
};

}  // namespace toolkit_testing
