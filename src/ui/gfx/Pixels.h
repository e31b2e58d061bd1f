// Drawing 32-bit pixels one to one (no scaling) straight into a bitmap's memory: copying a
// layer, laying one over another, clearing an area. GDI+ under Wine draws onto a bitmap with a
// GetPixel and a SetPixel call per pixel, and the list's repaint and the host's composition
// spent most of their time there. The blend is GDI+'s "over" of straight (not premultiplied)
// colours; a premultiplied target is read and written as GDI+ reads and writes one.
#pragma once

#include <windows.h>

#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "ui/gfx/GdiPlus.h"

namespace gfx {

// Pixels in memory: rows of width 32-bit ARGB values, stride values apart.
struct PixelArea {
  std::uint32_t* bits = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;              // in pixels
  bool premultiplied = false;  // PARGB rather than ARGB
  explicit operator bool() const { return bits && width > 0 && height > 0; }
};

enum class PixelOp { Copy, Over };

// Draws all of source with its top left at (x, y) of target, only inside the clip rectangles
// (target pixels; none given: the whole target). Laid over, the source's alpha is taken times
// opacity / 255 (0 to 255).
void DrawPixels(const PixelArea& target, const PixelArea& source, int x, int y, PixelOp op,
                std::span<const RECT> clip = {}, int opacity = 255);

// Sets every pixel inside the clip rectangles to the colour (straight ARGB).
void FillPixels(const PixelArea& target, std::uint32_t argb, std::span<const RECT> clip = {});

// Lays the colour (straight ARGB) over every pixel inside the clip rectangles of a straight ARGB area.
void BlendPixels(const PixelArea& target, std::uint32_t argb, std::span<const RECT> clip = {});

// Sets every pixel of a GDI+ bitmap to the colour (straight ARGB) in its memory, after what the
// graphics drawing on it (when given) had still to draw; false when its pixels cannot be locked.
bool FillBitmap(GpBitmap* bitmap, std::uint32_t argb, GpGraphics* drawnBy = nullptr);

// The one pixel blend, for tests: straight ARGB fg over bg.
std::uint32_t ColourOver(std::uint32_t bg, std::uint32_t fg);

// A region as rectangles of whole device pixels, its coordinates multiplied by scale first (a
// region in logical pixels at a display scale); empty when it cannot be read.
std::vector<RECT> RegionRects(GpRegion* region, float scale = 1.0f);

// Whether a coordinate is on the pixel grid: only there is drawing one to one.
inline bool OnPixelGrid(float v) { return std::floor(v) == v; }

// A GDI+ bitmap's own pixels, locked for reading and writing as ARGB while this lives; what the
// graphics drawing on it (when given) had still to draw is drawn first.
class BitmapPixels {
 public:
  explicit BitmapPixels(GpBitmap* bitmap, GpGraphics* drawnBy = nullptr)
      : locked_(Flushed(bitmap, drawnBy), Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeWrite) {}
  PixelArea Area() const {
    if (!locked_.IsValid()) return {};
    return PixelArea{locked_.Row(0), locked_.Width(), locked_.Height(), locked_.Data().Stride / 4, false};
  }

 private:
  static GpBitmap* Flushed(GpBitmap* bitmap, GpGraphics* graphics) {
    if (graphics) gdip::GdipFlush(graphics, Gdiplus::FlushIntentionSync);
    return bitmap;
  }
  LockedPixels locked_;
};

}  // namespace gfx
