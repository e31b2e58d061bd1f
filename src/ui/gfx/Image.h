// Skin images from embedded bytes. load_image decodes PNG/JPEG/GIF bytes with GDI+; in the
// normal mode the result is a self-contained 32-bit ARGB bitmap that no longer needs the
// bytes, in keep mode it is the decoder's own image (GIF frames intact) together with the
// global memory and stream behind it. An Image owns all three and releases them once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "ui/gfx/GdiHandles.h"
#include "ui/gfx/GdiPlus.h"

namespace gfx {

using ByteSpan = std::span<const unsigned char>;

inline constexpr unsigned char kPngSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};

class Image {
 public:
  Image() = default;
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;
  Image(Image&& other) noexcept = default;
  Image& operator=(Image&& other) noexcept;
  ~Image() = default;

  GpImage* Get() const { return image_.Get(); }
  explicit operator bool() const { return static_cast<bool>(image_); }
  // True for a keep-mode image, which still reads from its source stream.
  bool KeepsSource() const { return static_cast<bool>(stream_); }
  // The stretched copy DecodeAhead made along with the image, when it was made at this size;
  // given once, empty otherwise.
  BitmapPtr TakeStretched(int width, int height);

 private:
  friend Image DecodeImage(ByteSpan bytes, bool addPngSignature, bool keepSource);
  friend void dispose_image(Image& image);
  friend void MakeStretched(Image& image, int width, int height);

  // In this order, so that the image goes before the stream it reads and the stream before
  // its memory.
  GlobalMemoryPtr memory_;
  StreamPtr stream_;
  ImagePtr image_;
  BitmapPtr stretched_;
  int stretchedWidth_ = 0, stretchedHeight_ = 0;
};

// An empty Image when the bytes are empty or cannot be decoded (nothing is leaked).
// addPngSignature prefixes the 8-byte PNG signature, for strips stored without it.
Image load_image(ByteSpan bytes, bool addPngSignature = false, bool keepSource = false);
// The same, always decoding the bytes itself (never taking a result of DecodeAhead).
Image DecodeImage(ByteSpan bytes, bool addPngSignature = false, bool keepSource = false);

// Bytes to decode, as load_image takes them.
struct ImageSource {
  ByteSpan bytes;
  bool addPngSignature = false;
  // When set, DecodeAhead also makes the image's StretchedCopy at this size (Image::TakeStretched).
  int stretchWidth = 0, stretchHeight = 0;
};

// Starts decoding the images on a worker thread of their own. The first load_image (normal
// mode) of the same bytes then takes the worker's result, waiting for it if need be, instead
// of decoding them again; a decode that failed there is tried again by the caller. Skin images
// cost Wine 10-20 ms each, which the UI thread spends on its other start-up work meanwhile.
// Takes effect once per process, and only after GDI+ has started.
void DecodeAhead(std::span<const ImageSource> sources);

// Disposes the image, releases the stream, frees the memory; each may already be gone.
void dispose_image(Image& image);

UINT image_width(GpImage* image);
UINT image_height(GpImage* image);
inline UINT image_width(const Image& image) { return image_width(image.Get()); }
inline UINT image_height(const Image& image) { return image_height(image.Get()); }

// A 32-bit ARGB bitmap holding a copy of the pixels (top-down rows of width, 0xAARRGGBB);
// empty when GDI+ refused.
BitmapPtr BitmapFromPixels(const std::uint32_t* pixels, int width, int height);

RectF make_rectf(REAL left, REAL top, REAL width, REAL height);

// Draws the source rectangle of the image (the whole image when none) into the destination,
// in pixel units. False when GDI+ refused.
bool draw_image(GpGraphics* graphics, GpImage* image, const RectF& destination,
                const RectF* source = nullptr, GpImageAttributes* attributes = nullptr);

// Edge widths that stay unscaled when an image is stretched nine-sliced.
struct NineSliceMargins {
  REAL left = 0, top = 0, right = 0, bottom = 0;
  bool Empty() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
};

// Corners unscaled, edges stretched along one axis, centre stretched both ways; the
// source rectangle selects a piece of the image (the whole image when none).
bool DrawImageNineSlice(GpGraphics* graphics, GpImage* image, const RectF& destination,
                           const NineSliceMargins& margins, const RectF* source = nullptr);

}  // namespace gfx
