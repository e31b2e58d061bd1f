// The display scale of a window. The toolkit lays everything out in pixels at 96 DPI (logical
// pixels) and scales once where it meets the system: window sizes, buffers, mouse points,
// caret, tooltips and accessibility rectangles are device pixels, which are logical pixels
// times dpi / 96. At 96 DPI every conversion gives back what it was given.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

namespace ui {

inline constexpr int kBaseDpi = 96;

// dpi / 96; 1 for anything below 1 DPI (a failed query).
float ScaleFactor(int dpi);
// A coordinate or length in device pixels, rounded to the nearest (halves up).
int ToDevice(int logical, int dpi);
// The logical pixel a device pixel belongs to: the one whose device pixels (from its own
// ToDevice to the next one's) hold it, so every device pixel of a control's area hits it.
int ToLogical(int device, int dpi);
// A length in logical pixels, rounded to the nearest: an outer window size read back.
int LengthToLogical(int device, int dpi);
POINT PointToDevice(POINT logical, int dpi);
POINT PointToLogical(POINT device, int dpi);
// The device pixels a logical rectangle covers: each edge rounded to the nearest (halves up), as
// ToDevice rounds, so areas that share an edge share no device pixel and leave none between them.
// Every drawing, clip, copy and surface of the toolkit takes its device pixels from this one rule.
RECT RectToDevice(const Gdiplus::RectF& logical, int dpi);
// The logical rectangle whose edges lie on the edges of the device pixels RectToDevice gives: a
// clip set to it takes those pixels, not half of one more.
Gdiplus::RectF SnapToDevice(const Gdiplus::RectF& logical, int dpi);
// A device rectangle in logical coordinates (edges divided by the scale, not rounded): it covers
// the same device pixels again.
Gdiplus::RectF DeviceToLogical(const RECT& device, int dpi);
// A Win32 rectangle's corners in device pixels (each rounded to the nearest).
RECT RectToDevice(const RECT& logical, int dpi);
// A device rectangle's corners in logical pixels (each rounded to the nearest).
RECT RectToLogical(const RECT& device, int dpi);
// The pixel size of a control's surface (or a layer of one) at bounds: the device pixels its
// bounds cover (ToDevice(x + w) - ToDevice(x), not the width alone rounded), at least 1x1; at 96
// DPI the size truncated.
SIZE SurfaceSize(const Gdiplus::RectF& bounds, int dpi);
// Where a surface of surfacePixels is composed for a control at bounds, in logical
// coordinates: the origin moved to the nearest device pixel and the size that maps the surface
// one to one, so composition does not resample it. Unchanged at 96 DPI.
Gdiplus::RectF SnappedSurfaceRect(const Gdiplus::RectF& bounds, SIZE surfacePixels, int dpi);

// Makes a graphics on device pixels take logical coordinates (a scale of dpi / 96) and resample
// images smoothly; at 96 DPI it leaves the graphics as it is.
void ScaleGraphics(Gdiplus::GpGraphics* graphics, int dpi);
// Clips a graphics to whole device pixels (combined with its clip by mode), whatever its scale:
// given through a scale, a clip's edges land on the device grid as the drawing library rounds
// them, which need not be the pixels RectToDevice gives.
// The graphics is scaled for dpi (ScaleGraphics).
void ClipToDevice(Gdiplus::GpGraphics* graphics, const RECT& device, int dpi,
                  Gdiplus::CombineMode mode = Gdiplus::CombineModeReplace);

// The DPI of the monitor a window is on: GetDpiForWindow where the system has it (Windows 10
// 1607 and later), else its monitor's DPI (Windows 8.1), else the system DPI (also for no
// window).
int WindowDpi(HWND window);
// The screen's DPI (GetDeviceCaps LOGPIXELSX): the DPI of a system-aware process.
int SystemDpi();

}  // namespace ui
