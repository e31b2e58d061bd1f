// Scale arithmetic between logical and device pixels, and the DPI queries.
#include "ui/core/DisplayScale.h"

#include <algorithm>
#include <cmath>

#include "ui/core/Monitors.h"
#include "ui/gfx/GdiHandles.h"
#include "ui/gfx/GdiPlus.h"

namespace ui {

namespace {

int Dpi(int dpi) { return dpi < 1 ? kBaseDpi : dpi; }

int RoundHalfAway(double value) { return static_cast<int>(value < 0 ? -std::floor(-value + 0.5) : std::floor(value + 0.5)); }

// Integer division rounded down, also for negative numerators (the denominator is positive).
long long FloorDiv(long long numerator, long long denominator) {
  const long long q = numerator / denominator;
  return (numerator % denominator != 0 && numerator < 0) ? q - 1 : q;
}

// Single floats carry rectangle edges: an edge such as 55 / 1.5 * 1.5 must not round a pixel less.
constexpr double kEdgeSlack = 1e-4;

// A logical edge on the device grid: rounded to the nearest, halves up (ToDevice for whole pixels).
LONG EdgeToDevice(double logical, double scale) {
  return static_cast<LONG>(std::floor(logical * scale + 0.5 + kEdgeSlack));
}

}  // namespace

float ScaleFactor(int dpi) { return static_cast<float>(Dpi(dpi)) / kBaseDpi; }

// Logical pixel l covers the device pixels from ToDevice(l) up to ToDevice(l + 1); both
// conversions are exact in integers.
int ToDevice(int logical, int dpi) {
  // floor(l * dpi / 96 + 1/2)
  return static_cast<int>(FloorDiv(2LL * logical * Dpi(dpi) + kBaseDpi, 2LL * kBaseDpi));
}

int ToLogical(int device, int dpi) {
  // The largest l with ToDevice(l) <= device: l < (device + 1/2) * 96 / dpi.
  const long long numerator = (2LL * device + 1) * kBaseDpi, denominator = 2LL * Dpi(dpi);
  return static_cast<int>(-FloorDiv(-numerator, denominator) - 1);
}

int LengthToLogical(int device, int dpi) { return RoundHalfAway(static_cast<double>(device) * kBaseDpi / Dpi(dpi)); }

POINT PointToDevice(POINT logical, int dpi) { return POINT{ToDevice(logical.x, dpi), ToDevice(logical.y, dpi)}; }

POINT PointToLogical(POINT device, int dpi) { return POINT{ToLogical(device.x, dpi), ToLogical(device.y, dpi)}; }

RECT RectToDevice(const Gdiplus::RectF& logical, int dpi) {
  const double s = static_cast<double>(Dpi(dpi)) / kBaseDpi;
  return RECT{EdgeToDevice(logical.X, s), EdgeToDevice(logical.Y, s), EdgeToDevice(logical.X + logical.Width, s),
              EdgeToDevice(logical.Y + logical.Height, s)};
}

Gdiplus::RectF DeviceToLogical(const RECT& device, int dpi) {
  const double s = static_cast<double>(Dpi(dpi)) / kBaseDpi;
  return Gdiplus::RectF(static_cast<Gdiplus::REAL>(device.left / s), static_cast<Gdiplus::REAL>(device.top / s),
                        static_cast<Gdiplus::REAL>((device.right - device.left) / s),
                        static_cast<Gdiplus::REAL>((device.bottom - device.top) / s));
}


RECT RectToDevice(const RECT& logical, int dpi) {
  return RECT{ToDevice(logical.left, dpi), ToDevice(logical.top, dpi), ToDevice(logical.right, dpi),
              ToDevice(logical.bottom, dpi)};
}

RECT RectToLogical(const RECT& device, int dpi) {
  return RECT{LengthToLogical(device.left, dpi), LengthToLogical(device.top, dpi), LengthToLogical(device.right, dpi),
              LengthToLogical(device.bottom, dpi)};
}

Gdiplus::RectF SnapToDevice(const Gdiplus::RectF& logical, int dpi) {
  return DeviceToLogical(RectToDevice(logical, dpi), dpi);
}

SIZE SurfaceSize(const Gdiplus::RectF& bounds, int dpi) {
  // At 96 DPI the size is truncated, as surfaces always were (the same for whole bounds).
  if (Dpi(dpi) == kBaseDpi) {
    return SIZE{static_cast<LONG>(std::max(1.0f, std::trunc(bounds.Width))),
                static_cast<LONG>(std::max(1.0f, std::trunc(bounds.Height)))};
  }
  const RECT covered = RectToDevice(bounds, dpi);
  return SIZE{std::max<LONG>(1, covered.right - covered.left), std::max<LONG>(1, covered.bottom - covered.top)};
}

Gdiplus::RectF SnappedSurfaceRect(const Gdiplus::RectF& bounds, SIZE surfacePixels, int dpi) {
  if (Dpi(dpi) == kBaseDpi) return bounds;
  const double s = static_cast<double>(Dpi(dpi)) / kBaseDpi;
  return Gdiplus::RectF(static_cast<Gdiplus::REAL>(EdgeToDevice(bounds.X, s) / s),
                        static_cast<Gdiplus::REAL>(EdgeToDevice(bounds.Y, s) / s),
                        static_cast<Gdiplus::REAL>(surfacePixels.cx / s),
                        static_cast<Gdiplus::REAL>(surfacePixels.cy / s));
}

void ScaleGraphics(Gdiplus::GpGraphics* graphics, int dpi) {
  if (!graphics || Dpi(dpi) == kBaseDpi) return;
  const float scale = ScaleFactor(dpi);
  Gdiplus::DllExports::GdipScaleWorldTransform(graphics, scale, scale, Gdiplus::MatrixOrderPrepend);
  Gdiplus::DllExports::GdipSetInterpolationMode(graphics, Gdiplus::InterpolationModeHighQualityBicubic);
}

void ClipToDevice(Gdiplus::GpGraphics* graphics, const RECT& device, int dpi, Gdiplus::CombineMode mode) {
  using namespace Gdiplus::DllExports;
  const RECT r{device.left, device.top, std::max(device.left, device.right), std::max(device.top, device.bottom)};
  // The clip is kept in device space: set without the scale, it takes exactly these pixels.
  const gfx::DeviceSpace unscaled(graphics);
  if (unscaled.Active()) {
    GdipSetClipRectI(graphics, r.left, r.top, r.right - r.left, r.bottom - r.top, mode);
  } else if (graphics) {
    const Gdiplus::RectF logical = DeviceToLogical(r, dpi);
    GdipSetClipRect(graphics, logical.X, logical.Y, logical.Width, logical.Height, mode);
  }
}

int SystemDpi() {
  const gfx::WindowDc screen(nullptr);
  if (!screen.Get()) return kBaseDpi;
  const int dpi = GetDeviceCaps(screen.Get(), LOGPIXELSX);
  return dpi > 0 ? dpi : kBaseDpi;
}

int WindowDpi(HWND window) {
  if (!window || !IsWindow(window)) return SystemDpi();
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  // Bound by name: Windows 7 and 8 have no such function.
  static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (getDpiForWindow) {
    const UINT dpi = getDpiForWindow(window);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  // Windows 8.1 knows only its monitors' DPI; 7 and 8 answer the system DPI there.
  return MonitorDpi(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST));
}

}  // namespace ui
