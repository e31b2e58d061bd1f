#include "ui/gfx/IconBitmap.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "ui/gfx/GdiHandles.h"
#include "ui/gfx/Image.h"

namespace gfx {

namespace {

using Pixels = std::vector<std::uint32_t>;

// A bitmap's rows as 32-bit top-down pixels; empty when GDI could not read them all. The
// set bits of a monochrome bitmap read as white.
Pixels ReadPixels(HDC dc, HBITMAP bitmap, int width, int height) {
  BITMAPINFO info = TopDownDibInfo(width, height);
  Pixels pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  if (GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS) != height) return {};
  return pixels;
}

bool IsSet(std::uint32_t maskPixel) { return (maskPixel & 0xFFFFFF) != 0; }

// The icon's size: the colour bitmap's, or for a monochrome icon half its mask (the mask
// holds the AND bits above the image).
bool IconSize(const ICONINFO& info, int* width, int* height) {
  BITMAP bitmap{};
  if (info.hbmColor) {
    if (!GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap)) return false;
    *width = bitmap.bmWidth;
    *height = bitmap.bmHeight;
  } else {
    if (!info.hbmMask || !GetObjectW(info.hbmMask, sizeof(bitmap), &bitmap)) return false;
    *width = bitmap.bmWidth;
    *height = bitmap.bmHeight / 2;
  }
  return *width > 0 && *height > 0 && *width <= kMaxIconSide && *height <= kMaxIconSide;
}

// The icon's ARGB pixels, or empty when they could not be read.
Pixels IconPixels(const ICONINFO& info, int width, int height) {
  WindowDc screen(nullptr);
  if (!screen) return {};
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  Pixels colour;
  if (info.hbmColor) {
    colour = ReadPixels(screen.Get(), info.hbmColor, width, height);
    if (colour.empty()) return {};
    if (std::any_of(colour.begin(), colour.end(), [](std::uint32_t p) { return (p >> 24) != 0; })) return colour;
  }
  // No alpha: the mask's AND bits say which pixels show; a monochrome icon's image is the
  // mask's lower half. Without a readable mask every pixel shows.
  const Pixels mask = info.hbmMask ? ReadPixels(screen.Get(), info.hbmMask, width, info.hbmColor ? height : 2 * height)
                                   : Pixels{};
  if (!info.hbmColor && mask.empty()) return {};
  Pixels out(count);
  for (std::size_t i = 0; i < count; ++i) {
    const bool transparent = !mask.empty() && IsSet(mask[i]);
    const std::uint32_t rgb = (info.hbmColor ? colour[i] : mask[count + i]) & 0xFFFFFF;
    out[i] = transparent ? 0 : (rgb | 0xFF000000u);
  }
  return out;
}

}  // namespace

BitmapPtr BitmapFromIcon(HICON icon) {
  if (!icon) return {};
  ICONINFO info{};
  if (!GetIconInfo(icon, &info)) return {};
  // GetIconInfo hands out copies of the icon's bitmaps: they are ours to delete.
  const HbitmapPtr colourOwner(info.hbmColor), maskOwner(info.hbmMask);
  int width = 0, height = 0;
  if (!IconSize(info, &width, &height)) return {};
  const Pixels pixels = IconPixels(info, width, height);
  if (pixels.empty()) return {};
  return BitmapFromPixels(pixels.data(), width, height);
}

}  // namespace gfx
