#include "ui/gfx/Stretch.h"

#include <cstdint>
#include <cstring>

#include "ui/gfx/GdiHandles.h"
#include "ui/gfx/Image.h"

namespace gfx {

bool ImageIsOpaque(GpImage* image) {
  if (!image) return false;
  LockedPixels pixels(image, Gdiplus::ImageLockModeRead);
  if (!pixels.IsValid()) return false;
  for (int y = 0; y < pixels.Height(); ++y) {
    const std::uint32_t* row = pixels.Row(y);
    for (int x = 0; x < pixels.Width(); ++x) {
      if ((row[x] >> 24) != 0xFF) return false;
    }
  }
  return true;
}

BitmapPtr StretchedCopy(GpImage* image, int width, int height) {
  if (!image || width <= 0 || height <= 0) return {};
  LockedPixels pixels(image, Gdiplus::ImageLockModeRead);
  if (!pixels.IsValid()) return {};
  const int sourceWidth = pixels.Width(), sourceHeight = pixels.Height();
  DibSection source, target;
  if (!source.Create(nullptr, sourceWidth, sourceHeight) || !target.Create(nullptr, width, height)) return {};
  for (int y = 0; y < sourceHeight; ++y) {
    std::memcpy(source.Bits() + static_cast<size_t>(y) * sourceWidth, pixels.Row(y),
                static_cast<size_t>(sourceWidth) * 4);
  }
  SetStretchBltMode(target.Dc(), HALFTONE);
  SetBrushOrgEx(target.Dc(), 0, 0, nullptr);
  if (!StretchBlt(target.Dc(), 0, 0, width, height, source.Dc(), 0, 0, sourceWidth, sourceHeight, SRCCOPY)) return {};
  GdiFlush();

  // GDI leaves the alpha byte alone: the copy is made opaque.
  std::uint32_t* bits = target.Bits();
  for (size_t i = 0, n = static_cast<size_t>(width) * height; i < n; ++i) bits[i] |= 0xFF000000u;
  return BitmapFromPixels(bits, width, height);
}

bool DrawImageUnscaled(GpGraphics* graphics, GpImage* image, const RectF& destination) {
  if (!graphics || !image) return false;
  Gdiplus::InterpolationMode previous = Gdiplus::InterpolationModeDefault;
  gdip::GdipGetInterpolationMode(graphics, &previous);
  gdip::GdipSetInterpolationMode(graphics, Gdiplus::InterpolationModeNearestNeighbor);
  const bool drawn = draw_image(graphics, image, destination);
  gdip::GdipSetInterpolationMode(graphics, previous);
  return drawn;
}

}  // namespace gfx
