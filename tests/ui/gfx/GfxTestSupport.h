// Helpers shared by the gfx tests: a canvas bitmap with its graphics and pixel access.
#pragma once

#include <gtest/gtest.h>

#include <span>
#include <vector>

#include "resources/Resources.h"
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

// Bytes the start-up decodes ahead, each found nowhere else in the tests: a decoder reads them
// as the embedded image they begin with (the bytes after its end are ignored).
inline std::span<const unsigned char> MarkedCopy(resources::Bytes image, const char* mark) {
  auto* bytes = new std::vector<unsigned char>(image.begin(), image.end());  // for the process
  for (const char* c = mark; *c; ++c) bytes->push_back(static_cast<unsigned char>(*c));
  return *bytes;
}
inline constexpr int kAheadStretchWidth = 300, kAheadStretchHeight = 211;
struct AheadImages {
  std::span<const unsigned char> background = MarkedCopy(resources::WindowBackground(), "background, stretched");
  std::span<const unsigned char> button = MarkedCopy(resources::SearchButtonHover(), "button");
  std::span<const unsigned char> garbage = MarkedCopy({}, "no image at all, decoded ahead");
};
inline const AheadImages& Ahead() {
  static const AheadImages images;
  return images;
}
inline std::span<const ImageSource> AheadSources() {
  static const ImageSource sources[] = {
      {Ahead().garbage},
      {Ahead().background, false, kAheadStretchWidth, kAheadStretchHeight},
      {Ahead().button},
  };
  return sources;
}

}  // namespace gfxtest
