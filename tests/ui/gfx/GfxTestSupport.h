// Helpers shared by the gfx tests: a canvas bitmap with its graphics and pixel access.
#pragma once

#include <gtest/gtest.h>

#include "ui/gfx/GdiPlus.h"
#include "ui/gfx/Image.h"

namespace gfxtest {

using namespace gfx;

// A transparent 32-bit ARGB bitmap with a graphics on it, drawn without resampling blur.
struct Canvas {
  Canvas(int width, int height) {
    gdip::GdipCreateBitmapFromScan0(width, height, 0, kPixelFormat32bppArgb, nullptr, bitmap.Put());
    if (bitmap) gdip::GdipGetImageGraphicsContext(bitmap.Get(), graphics.Put());
    if (graphics) {
      gdip::GdipSetInterpolationMode(graphics.Get(), Gdiplus::InterpolationModeNearestNeighbor);
      gdip::GdipSetPixelOffsetMode(graphics.Get(), Gdiplus::PixelOffsetModeHalf);
    }
  }
  ARGB Pixel(int x, int y) const {
    ARGB colour = 0;
    gdip::GdipBitmapGetPixel(bitmap.Get(), x, y, &colour);
    return colour;
  }
  void Clear(ARGB colour) { gdip::GdipGraphicsClear(graphics.Get(), colour); }

  BitmapPtr bitmap;
  GraphicsPtr graphics;
};

inline ARGB PixelOf(GpImage* image, int x, int y) {
  ARGB colour = 0;
  gdip::GdipBitmapGetPixel(static_cast<GpBitmap*>(image), x, y, &colour);
  return colour;
}

inline int Alpha(ARGB c) { return static_cast<int>((c >> 24) & 0xFF); }
inline int Red(ARGB c) { return static_cast<int>((c >> 16) & 0xFF); }
inline int Green(ARGB c) { return static_cast<int>((c >> 8) & 0xFF); }
inline int Blue(ARGB c) { return static_cast<int>(c & 0xFF); }

inline UINT FrameCount(GpImage* image) {
  UINT dimensions = 0;
  if (gdip::GdipImageGetFrameDimensionsCount(image, &dimensions) != Gdiplus::Ok || dimensions == 0) return 0;
  GUID first = {};
  if (gdip::GdipImageGetFrameDimensionsList(image, &first, 1) != Gdiplus::Ok) return 0;
  UINT frames = 0;
  gdip::GdipImageGetFrameCount(image, &first, &frames);
  return frames;
}

inline Gdiplus::PixelFormat FormatOf(GpImage* image) {
  Gdiplus::PixelFormat format = 0;
  gdip::GdipGetImagePixelFormat(image, &format);
  return format;
}

}  // namespace gfxtest
