// GDI+ for the toolkit: the flat API (gdiplus.dll) and small owners for its objects, so no
// drawing code needs a cleanup ladder. Every object here lives on the UI thread.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <gdiplus.h>

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

// Owns one GDI+ object and releases it with Deleter (a Gdip* function) when it goes.
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
using ImageAttributesPtr = GdiPtr<GpImageAttributes, gdip::GdipDisposeImageAttributes>;

inline constexpr Gdiplus::PixelFormat kPixelFormat32bppArgb = 0x26200A;

}  // namespace gfx
