#include "ui/gfx/Stretch.h"

#include <cstdint>
#include <cstring>

#include "ui/gfx/Image.h"

namespace gfx {

namespace {

// A memory DC with a top-down 32-bit DIB section selected, released together.
class DibDc {
 public:
  DibDc(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    if (dc_ && bitmap_) previous_ = SelectObject(dc_, bitmap_);
  }
  ~DibDc() {
    if (previous_) SelectObject(dc_, previous_);
    if (bitmap_) DeleteObject(bitmap_);
    if (dc_) DeleteDC(dc_);
  }
  DibDc(const DibDc&) = delete;
  DibDc& operator=(const DibDc&) = delete;
  bool IsValid() const { return dc_ && bitmap_ && bits_; }
  HDC Dc() const { return dc_; }
  std::uint32_t* Bits() const { return static_cast<std::uint32_t*>(bits_); }

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  void* bits_ = nullptr;
};

// Locks the image's pixels as 32-bit ARGB for reading.
class LockedPixels {
 public:
  explicit LockedPixels(GpImage* image) : bitmap_(static_cast<GpBitmap*>(image)) {
    const int width = static_cast<int>(image_width(image)), height = static_cast<int>(image_height(image));
    Gdiplus::Rect all(0, 0, width, height);
    locked_ = width > 0 && height > 0 &&
              gdip::GdipBitmapLockBits(bitmap_, &all, Gdiplus::ImageLockModeRead, kPixelFormat32bppArgb, &data_) ==
                  Gdiplus::Ok;
  }
  ~LockedPixels() {
    if (locked_) gdip::GdipBitmapUnlockBits(bitmap_, &data_);
  }
  LockedPixels(const LockedPixels&) = delete;
  LockedPixels& operator=(const LockedPixels&) = delete;
  bool IsValid() const { return locked_; }
  const Gdiplus::BitmapData& Data() const { return data_; }

 private:
  GpBitmap* bitmap_;
  Gdiplus::BitmapData data_{};
  bool locked_ = false;
};

}  // namespace

bool ImageIsOpaque(GpImage* image) {
  if (!image) return false;
  LockedPixels pixels(image);
  if (!pixels.IsValid()) return false;
  const auto& data = pixels.Data();
  for (UINT y = 0; y < data.Height; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(static_cast<const BYTE*>(data.Scan0) + y * data.Stride);
    for (UINT x = 0; x < data.Width; ++x) {
      if ((row[x] >> 24) != 0xFF) return false;
    }
  }
  return true;
}

BitmapPtr StretchedCopy(GpImage* image, int width, int height) {
  if (!image || width <= 0 || height <= 0) return {};
  LockedPixels pixels(image);
  if (!pixels.IsValid()) return {};
  const auto& data = pixels.Data();
  const int sourceWidth = static_cast<int>(data.Width), sourceHeight = static_cast<int>(data.Height);
  DibDc source(sourceWidth, sourceHeight), target(width, height);
  if (!source.IsValid() || !target.IsValid()) return {};
  for (int y = 0; y < sourceHeight; ++y) {
    std::memcpy(source.Bits() + static_cast<size_t>(y) * sourceWidth,
                static_cast<const BYTE*>(data.Scan0) + static_cast<size_t>(y) * data.Stride,
                static_cast<size_t>(sourceWidth) * 4);
  }
  SetStretchBltMode(target.Dc(), HALFTONE);
  SetBrushOrgEx(target.Dc(), 0, 0, nullptr);
  if (!StretchBlt(target.Dc(), 0, 0, width, height, source.Dc(), 0, 0, sourceWidth, sourceHeight, SRCCOPY)) return {};
  GdiFlush();

  BitmapPtr copy;
  if (gdip::GdipCreateBitmapFromScan0(width, height, 0, kPixelFormat32bppArgb, nullptr, copy.Put()) != Gdiplus::Ok) {
    return {};
  }
  Gdiplus::Rect all(0, 0, width, height);
  Gdiplus::BitmapData out{};
  if (gdip::GdipBitmapLockBits(copy.Get(), &all, Gdiplus::ImageLockModeWrite, kPixelFormat32bppArgb, &out) !=
      Gdiplus::Ok) {
    return {};
  }
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(static_cast<BYTE*>(out.Scan0) + static_cast<size_t>(y) * out.Stride);
    const std::uint32_t* from = target.Bits() + static_cast<size_t>(y) * width;
    for (int x = 0; x < width; ++x) row[x] = from[x] | 0xFF000000u;  // GDI leaves the alpha byte alone
  }
  gdip::GdipBitmapUnlockBits(copy.Get(), &out);
  return copy;
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
