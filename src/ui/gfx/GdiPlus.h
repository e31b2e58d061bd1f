// GDI+ for the toolkit: the flat API (gdiplus.dll) and small owners for its objects, so no
// drawing code needs a cleanup ladder. Every object here lives on the UI thread.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <gdiplus.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace gfx {

// The flat functions (GdipCreateBitmapFromScan0, GdipDrawImageRectRect, ...).
namespace gdip = Gdiplus::DllExports;

using Gdiplus::GpBitmap;
using Gdiplus::GpBrush;
using Gdiplus::GpFont;
using Gdiplus::GpFontCollection;
using Gdiplus::GpFontFamily;
using Gdiplus::GpGraphics;
using Gdiplus::GpImage;
using Gdiplus::GpImageAttributes;
using Gdiplus::GpPath;
using Gdiplus::GpPen;
using Gdiplus::GpRegion;
using Gdiplus::GpStatus;
using Gdiplus::GpStringFormat;
using Gdiplus::ARGB;
using Gdiplus::REAL;
using Gdiplus::RectF;

// Owns one GDI+ object and releases it with Deleter (a Gdip* function) when it goes. Any
// other handle that is a pointer can be owned the same way, with its own release function.
template <typename T, auto Deleter>
class GdiPtr {
 public:
  GdiPtr() = default;
  explicit GdiPtr(T* object) : object_(object) {}
  GdiPtr(const GdiPtr&) = delete;
  GdiPtr& operator=(const GdiPtr&) = delete;
  GdiPtr(GdiPtr&& other) noexcept : object_(other.Detach()) {}
  GdiPtr& operator=(GdiPtr&& other) noexcept {
    Reset(other.Detach());
    return *this;
  }
  ~GdiPtr() { Reset(); }

  T* Get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  T* Detach() { return std::exchange(object_, nullptr); }
  void Reset(T* object = nullptr) {
    T* old = std::exchange(object_, object);
    if (old) Deleter(old);
  }
  // For a Gdip* out parameter: releases what is held, then hands out the slot.
  T** Put() {
    Reset();
    return &object_;
  }

 private:
  T* object_ = nullptr;
};

using BitmapPtr = GdiPtr<GpBitmap, gdip::GdipDisposeImage>;
using ImagePtr = GdiPtr<GpImage, gdip::GdipDisposeImage>;
using GraphicsPtr = GdiPtr<GpGraphics, gdip::GdipDeleteGraphics>;
using FontPtr = GdiPtr<GpFont, gdip::GdipDeleteFont>;
using FontFamilyPtr = GdiPtr<GpFontFamily, gdip::GdipDeleteFontFamily>;
using StringFormatPtr = GdiPtr<GpStringFormat, gdip::GdipDeleteStringFormat>;
using BrushPtr = GdiPtr<GpBrush, gdip::GdipDeleteBrush>;
using PenPtr = GdiPtr<GpPen, gdip::GdipDeletePen>;
using PathPtr = GdiPtr<GpPath, gdip::GdipDeletePath>;
using RegionPtr = GdiPtr<GpRegion, gdip::GdipDeleteRegion>;
using MatrixPtr = GdiPtr<Gdiplus::GpMatrix, gdip::GdipDeleteMatrix>;
using ImageAttributesPtr = GdiPtr<GpImageAttributes, gdip::GdipDisposeImageAttributes>;

inline constexpr Gdiplus::PixelFormat kPixelFormat32bppArgb = 0x26200A;

// A bitmap's pixels locked as 32-bit ARGB (mode: Gdiplus::ImageLockMode bits), unlocked when
// it goes. Not valid for an empty or unreadable image.
class LockedPixels {
 public:
  LockedPixels(GpImage* image, UINT mode) : bitmap_(static_cast<GpBitmap*>(image)) {
    UINT width = 0, height = 0;
    if (!image || gdip::GdipGetImageWidth(image, &width) != Gdiplus::Ok ||
        gdip::GdipGetImageHeight(image, &height) != Gdiplus::Ok || width == 0 || height == 0) {
      return;
    }
    Gdiplus::Rect all(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    locked_ = gdip::GdipBitmapLockBits(bitmap_, &all, mode, kPixelFormat32bppArgb, &data_) == Gdiplus::Ok;
  }
  ~LockedPixels() {
    if (locked_) gdip::GdipBitmapUnlockBits(bitmap_, &data_);
  }
  LockedPixels(const LockedPixels&) = delete;
  LockedPixels& operator=(const LockedPixels&) = delete;

  bool IsValid() const { return locked_; }
  const Gdiplus::BitmapData& Data() const { return data_; }
  int Width() const { return locked_ ? static_cast<int>(data_.Width) : 0; }
  int Height() const { return locked_ ? static_cast<int>(data_.Height) : 0; }
  // Row y, y < Height().
  std::uint32_t* Row(int y) const {
    BYTE* first = static_cast<BYTE*>(data_.Scan0);
    return reinterpret_cast<std::uint32_t*>(first + static_cast<std::ptrdiff_t>(y) * data_.Stride);
  }

 private:
  GpBitmap* bitmap_;
  Gdiplus::BitmapData data_{};
  bool locked_ = false;
};

// A graphics' world transform taken off while this lives, when it is a scale and a move (a
// display scale; none is one too): what is drawn or clipped meanwhile is given in device pixels.
// Active() is false, and the transform stays on, for any other transform or a failure.
class DeviceSpace {
 public:
  explicit DeviceSpace(GpGraphics* graphics) : graphics_(graphics) {
    REAL m[6] = {};
    if (!graphics || gdip::GdipCreateMatrix(saved_.Put()) != Gdiplus::Ok ||
        gdip::GdipGetWorldTransform(graphics, saved_.Get()) != Gdiplus::Ok ||
        gdip::GdipGetMatrixElements(saved_.Get(), m) != Gdiplus::Ok || m[1] != 0 || m[2] != 0 || m[0] <= 0 ||
        m[3] <= 0 || gdip::GdipResetWorldTransform(graphics) != Gdiplus::Ok) {
      saved_.Reset();
      return;
    }
    scaleX_ = m[0], scaleY_ = m[3], offsetX_ = m[4], offsetY_ = m[5];
  }
  ~DeviceSpace() {
    if (saved_) gdip::GdipSetWorldTransform(graphics_, saved_.Get());
  }
  DeviceSpace(const DeviceSpace&) = delete;
  DeviceSpace& operator=(const DeviceSpace&) = delete;

  bool Active() const { return static_cast<bool>(saved_); }
  // A logical edge moved onto the nearest device pixel edge (halves up); unchanged when the
  // transform stayed on.
  REAL MapX(REAL x) const { return saved_ ? Edge(x * scaleX_ + offsetX_) : x; }
  REAL MapY(REAL y) const { return saved_ ? Edge(y * scaleY_ + offsetY_) : y; }
  // The horizontal scale taken off (1 when none was).
  REAL Scale() const { return saved_ ? scaleX_ : 1; }

 private:
  static REAL Edge(REAL device) { return std::floor(device + 0.5f + 1e-4f); }
  GpGraphics* graphics_;
  MatrixPtr saved_;
  REAL scaleX_ = 1, scaleY_ = 1, offsetX_ = 0, offsetY_ = 0;
};

}  // namespace gfx
