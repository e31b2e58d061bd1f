// The host's drawing buffers and the skin image it draws from, and a flag held for a scope.
#pragma once

#include <windows.h>
// GDI+ needs windows.h and objidl.h before it.
#include <objidl.h>
#include <gdiplus.h>

#include <cstdint>
#include <span>
#include <vector>

#include "ui/gfx/GdiHandles.h"
#include "ui/gfx/Image.h"

// The host's drawing buffers: a 32-bit DIB section in its own memory DC, with a GDI+ bitmap
// over the same pixels.
class BufferDc {
 public:
  BufferDc() = default;
  BufferDc(const BufferDc&) = delete;
  BufferDc& operator=(const BufferDc&) = delete;
  bool Create(HDC compatible, int width, int height);
  void Release();
  HDC Dc() const { return dib_.Dc(); }
  HBITMAP Bitmap() const { return dib_.Bitmap(); }
  std::uint32_t* Bits() const { return dib_.Bits(); }
  // A GDI+ bitmap over the DIB's own pixels (premultiplied ARGB, top-down rows).
  Gdiplus::GpBitmap* Pixels() const { return pixels_.Get(); }
  // The pixel at (x, y) as 0xAARRGGBB; 0 outside.
  std::uint32_t Pixel(int x, int y) const;
  int Width() const { return dib_.Width(); }
  int Height() const { return dib_.Height(); }

 private:
  gfx::DibSection dib_;
  gfx::BitmapPtr pixels_;  // goes before the DIB it reads from
};

// Sets a flag for a scope and, when the scope ends (also when memory running out ends it early),
// sets it to what it should read afterwards: a host left "busy" would never compose again.
class ScopedFlag {
 public:
  ScopedFlag(bool& flag, bool during, bool after) : flag_(flag), after_(after) { flag_ = during; }
  ~ScopedFlag() { flag_ = after_; }
  ScopedFlag(const ScopedFlag&) = delete;
  ScopedFlag& operator=(const ScopedFlag&) = delete;

 private:
  bool& flag_;
  const bool after_;
};

// The host's skin image, always its own: decoded from the bytes it was given, or a copy of a
// shared background's image (that window may go while this one lives on). Decoded from bytes,
// it keeps the bytes (a few kilobytes) and may let its pixels go between redraws: a skin decodes
// to several megabytes, used only when the whole window is drawn again.
class SkinImage {
 public:
  // The pixels, decoded again from the kept bytes when they were let go; null when there are
  // none or the bytes cannot be decoded.
  Gdiplus::GpImage* Get() const {
    if (copied_) return copied_.Get();
    if (!loaded_ && !source_.empty() && !undecodable_) {
      loaded_ = gfx::load_image(source_);
      undecodable_ = !loaded_;
    }
    return loaded_.Get();
  }
  explicit operator bool() const { return Get() != nullptr; }
  void Load(std::span<const std::uint8_t> bytes) {
    Reset();
    source_.assign(bytes.begin(), bytes.end());
  }
  gfx::BitmapPtr TakeStretched(int width, int height) { return loaded_.TakeStretched(width, height); }
  // Another host's skin: its bytes when it has them (this host decodes its own pixels, and the
  // other host's pixels, which it may let go on its own thread, are not touched), else a copy.
  void CopyFrom(const SkinImage& other) {
    Reset();
    if (!other.source_.empty()) {
      source_ = other.source_;
    } else if (other.copied_) {
      gfx::gdip::GdipCloneImage(other.copied_.Get(), copied_.Put());
    }
  }
  // Whether decoded pixels are held now.
  bool HoldsPixels() const { return copied_ || loaded_; }
  // Frees the decoded pixels of a skin decoded from bytes; the next Get decodes them again.
  void LetPixelsGo() {
    if (!source_.empty()) gfx::dispose_image(loaded_);
  }
  void Reset() {
    gfx::dispose_image(loaded_);
    copied_.Reset();
    source_.clear();
    undecodable_ = false;
  }

 private:
  std::vector<std::uint8_t> source_;
  mutable gfx::Image loaded_;
  mutable bool undecodable_ = false;
  gfx::ImagePtr copied_;
};
