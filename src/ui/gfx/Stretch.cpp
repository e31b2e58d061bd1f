#include "ui/gfx/Stretch.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

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

namespace {

// Along one axis: for each target pixel, the source pixels it covers and how much of it each
// one covers, in 256ths that add up to one.
struct AxisTaps {
  std::vector<int> first;             // first source pixel of each target pixel
  std::vector<int> count;             // how many source pixels it covers
  std::vector<std::uint32_t> weight;  // count[i] weights per target pixel, in order

  AxisTaps(int source, int target) : first(static_cast<size_t>(target)), count(static_cast<size_t>(target)) {
    const double scale = static_cast<double>(source) / target;
    for (int i = 0; i < target; ++i) {
      const double from = i * scale, to = (i + 1) * scale;
      const int a = std::min(static_cast<int>(from), source - 1);
      const int b = std::clamp(static_cast<int>(std::ceil(to)), a + 1, source);
      first[static_cast<size_t>(i)] = a;
      count[static_cast<size_t>(i)] = b - a;
      std::uint32_t total = 0;
      size_t largest = weight.size();
      for (int j = a; j < b; ++j) {
        const double covered = std::min(to, j + 1.0) - std::max(from, static_cast<double>(j));
        const auto w = static_cast<std::uint32_t>(std::lround(std::max(covered, 0.0) / scale * 256.0));
        if (largest == weight.size() || w > weight[largest]) largest = weight.size();
        weight.push_back(w);
        total += w;
      }
      weight[largest] += 256u - total;  // rounding leftovers go to the pixel that counts most
    }
  }
};

// The weighted pixels, rounded back to eight bits a channel. With weights in 256ths a channel's
// sum stays below 2^16, so two channels add up side by side in one word.
template <typename PixelAt>
std::uint32_t Blend(const std::uint32_t* weights, int count, PixelAt pixelAt) {
  std::uint32_t redBlue = 0x00800080, alphaGreen = 0x00800080;
  for (int k = 0; k < count; ++k) {
    const std::uint32_t p = pixelAt(k), w = weights[k];
    redBlue += (p & 0x00FF00FF) * w;
    alphaGreen += ((p >> 8) & 0x00FF00FF) * w;
  }
  return ((redBlue >> 8) & 0x00FF00FF) | (alphaGreen & 0xFF00FF00);
}

}  // namespace

// Each target pixel is the average of the source area it covers (what GDI's halftone mode
// does), in two passes: across the rows, then down the columns. GDI's own halftone stretch took
// 17 ms of the main window's first frame under Wine; this takes a few.
BitmapPtr StretchedCopy(GpImage* image, int width, int height) {
  if (!image || width <= 0 || height <= 0) return {};
  LockedPixels pixels(image, Gdiplus::ImageLockModeRead);
  if (!pixels.IsValid() || pixels.Width() <= 0 || pixels.Height() <= 0) return {};
  const int sourceWidth = pixels.Width(), sourceHeight = pixels.Height();
  const AxisTaps across(sourceWidth, width), down(sourceHeight, height);

  std::vector<std::uint32_t> rows(static_cast<size_t>(width) * sourceHeight);
  for (int y = 0; y < sourceHeight; ++y) {
    const std::uint32_t* in = pixels.Row(y);
    std::uint32_t* out = rows.data() + static_cast<size_t>(y) * width;
    const std::uint32_t* weights = across.weight.data();
    for (int x = 0; x < width; ++x) {
      const int first = across.first[static_cast<size_t>(x)], count = across.count[static_cast<size_t>(x)];
      out[x] = Blend(weights, count, [&](int k) { return in[first + k]; });
      weights += count;
    }
  }
  std::vector<std::uint32_t> result(static_cast<size_t>(width) * height);
  const std::uint32_t* weights = down.weight.data();
  for (int y = 0; y < height; ++y) {
    const size_t first = static_cast<size_t>(down.first[static_cast<size_t>(y)]);
    const int count = down.count[static_cast<size_t>(y)];
    std::uint32_t* out = result.data() + static_cast<size_t>(y) * width;
    for (int x = 0; x < width; ++x) {
      out[x] = Blend(weights, count, [&](int k) { return rows[(first + k) * width + x]; }) | 0xFF000000u;
    }
    weights += count;
  }
  return BitmapFromPixels(result.data(), width, height);
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
