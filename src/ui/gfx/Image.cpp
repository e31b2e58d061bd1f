#include "ui/gfx/Image.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "ui/gfx/Stretch.h"

namespace gfx {

Image& Image::operator=(Image&& other) noexcept {
  if (this != &other) {
    // The image goes before the stream and memory it may read from.
    dispose_image(*this);
    memory_ = std::move(other.memory_);
    stream_ = std::move(other.stream_);
    image_ = std::move(other.image_);
    stretched_ = std::move(other.stretched_);
    stretchedWidth_ = other.stretchedWidth_;
    stretchedHeight_ = other.stretchedHeight_;
  }
  return *this;
}

namespace {

// Copies a bitmap without alpha (a JPEG, say) into the ARGB bitmap of its size row by row, read
// as ARGB; false for any other image. GDI+ under Wine draws one bitmap onto another a pixel at a
// time. Pixels with alpha keep the drawn copy, which stores them as GDI+ draws them.
bool CopyOpaquePixels(GpImage* decoded, GpBitmap* copy) {
  Gdiplus::ImageType type = Gdiplus::ImageTypeUnknown;
  Gdiplus::PixelFormat format = 0;
  if (gdip::GdipGetImageType(decoded, &type) != Gdiplus::Ok || type != Gdiplus::ImageTypeBitmap ||
      gdip::GdipGetImagePixelFormat(decoded, &format) != Gdiplus::Ok ||
      (format & (PixelFormatAlpha | PixelFormatPAlpha | PixelFormatIndexed)) != 0) {
    return false;
  }
  LockedPixels from(decoded, Gdiplus::ImageLockModeRead), to(copy, Gdiplus::ImageLockModeWrite);
  if (!from.IsValid() || !to.IsValid() || from.Width() != to.Width() || from.Height() != to.Height()) return false;
  for (int y = 0; y < to.Height(); ++y) std::memcpy(to.Row(y), from.Row(y), static_cast<size_t>(to.Width()) * 4);
  return true;
}

// A 32-bit ARGB copy of the decoded image that owns its pixels.
BitmapPtr CopyToArgbBitmap(GpImage* decoded) {
  UINT width = 0, height = 0;
  if (gdip::GdipGetImageWidth(decoded, &width) != Gdiplus::Ok ||
      gdip::GdipGetImageHeight(decoded, &height) != Gdiplus::Ok || width == 0 || height == 0) {
    return {};
  }
  BitmapPtr bitmap;
  if (gdip::GdipCreateBitmapFromScan0(static_cast<INT>(width), static_cast<INT>(height), 0,
                                      kPixelFormat32bppArgb, nullptr, bitmap.Put()) != Gdiplus::Ok) {
    return {};
  }
  if (CopyOpaquePixels(decoded, bitmap.Get())) return bitmap;
  GraphicsPtr graphics;
  if (gdip::GdipGetImageGraphicsContext(bitmap.Get(), graphics.Put()) != Gdiplus::Ok) return {};
  // A plain copy: no blending with the empty bitmap and no resampling at the edges.
  gdip::GdipSetCompositingMode(graphics.Get(), Gdiplus::CompositingModeSourceCopy);
  gdip::GdipSetInterpolationMode(graphics.Get(), Gdiplus::InterpolationModeNearestNeighbor);
  gdip::GdipSetPixelOffsetMode(graphics.Get(), Gdiplus::PixelOffsetModeHalf);
  if (gdip::GdipDrawImageRect(graphics.Get(), decoded, 0, 0, static_cast<REAL>(width),
                              static_cast<REAL>(height)) != Gdiplus::Ok) {
    return {};
  }
  return bitmap;
}

// The images DecodeAhead hands to its worker. The list is fixed before the worker starts;
// the flags are guarded by the lock, and `decoded` is signalled as each image is ready.
struct AheadDecodes {
  struct Entry {
    ImageSource source;
    Image image;
    bool ready = false;
    bool taken = false;
  };
  std::vector<Entry> entries;
  std::mutex lock;
  std::condition_variable decoded;
};

// A toolkit global: made by the first DecodeAhead and kept for the process.
AheadDecodes*& Ahead() {
  static AheadDecodes* ahead = nullptr;
  return ahead;
}

bool SameSource(const ImageSource& a, ByteSpan bytes, bool addPngSignature) {
  return a.addPngSignature == addPngSignature && a.bytes.size() == bytes.size() &&
         (a.bytes.data() == bytes.data() || std::memcmp(a.bytes.data(), bytes.data(), bytes.size()) == 0);
}

DWORD WINAPI DecodeAheadThread(LPVOID parameter) {
  auto* ahead = static_cast<AheadDecodes*>(parameter);
  for (AheadDecodes::Entry& entry : ahead->entries) {
    Image image = DecodeImage(entry.source.bytes, entry.source.addPngSignature, false);
    if (image && entry.source.stretchWidth > 0 && entry.source.stretchHeight > 0) {
      MakeStretched(image, entry.source.stretchWidth, entry.source.stretchHeight);
    }
    std::lock_guard<std::mutex> hold(ahead->lock);
    entry.image = std::move(image);
    entry.ready = true;
    ahead->decoded.notify_all();
  }
  return 0;
}

// The worker's image of these bytes, once; empty when there is none to take.
Image TakeAhead(ByteSpan bytes, bool addPngSignature) {
  AheadDecodes* ahead = Ahead();
  if (!ahead) return {};
  std::unique_lock<std::mutex> hold(ahead->lock);
  for (AheadDecodes::Entry& entry : ahead->entries) {
    if (!entry.taken && SameSource(entry.source, bytes, addPngSignature)) {
      entry.taken = true;
      ahead->decoded.wait(hold, [&entry] { return entry.ready; });
      return std::move(entry.image);
    }
  }
  return {};
}

}  // namespace

void MakeStretched(Image& image, int width, int height) {
  image.stretched_ = StretchedCopy(image.Get(), width, height);
  image.stretchedWidth_ = width;
  image.stretchedHeight_ = height;
}

BitmapPtr Image::TakeStretched(int width, int height) {
  if (!stretched_ || width != stretchedWidth_ || height != stretchedHeight_) return {};
  return std::move(stretched_);
}

void DecodeAhead(std::span<const ImageSource> sources) {
  if (Ahead() || sources.empty()) return;
  auto ahead = std::make_unique<AheadDecodes>();
  for (const ImageSource& source : sources) {
    if (!source.bytes.empty()) ahead->entries.push_back(AheadDecodes::Entry{source, Image{}, false});
  }
  // Without the worker every load_image simply decodes for itself.
  KernelHandle worker(CreateThread(nullptr, 0, DecodeAheadThread, ahead.get(), 0, nullptr));
  if (worker) Ahead() = ahead.release();
}

Image load_image(ByteSpan bytes, bool addPngSignature, bool keepSource) {
  if (!keepSource && !bytes.empty()) {
    if (Image ahead = TakeAhead(bytes, addPngSignature)) return ahead;
  }
  return DecodeImage(bytes, addPngSignature, keepSource);
}

Image DecodeImage(ByteSpan bytes, bool addPngSignature, bool keepSource) {
  Image result;
  if (bytes.empty()) return result;
  GlobalMemoryPtr memory =
      CopyToGlobal(bytes.data(), bytes.size(), kPngSignature, addPngSignature ? sizeof(kPngSignature) : 0);
  if (!memory) return result;
  StreamPtr stream;
  if (FAILED(CreateStreamOnHGlobal(memory.Get(), FALSE, stream.Put())) || !stream) return result;
  ImagePtr decoded;
  if (gdip::GdipLoadImageFromStream(stream.Get(), decoded.Put()) != Gdiplus::Ok || !decoded) return result;
  if (keepSource) {
    result.memory_ = std::move(memory);
    result.stream_ = std::move(stream);
    result.image_ = std::move(decoded);
    return result;
  }
  // The copy needs none of them: the decoded image, its stream and the memory go, in that order.
  result.image_.Reset(CopyToArgbBitmap(decoded.Get()).Detach());
  return result;
}

void dispose_image(Image& image) {
  image.stretched_.Reset();
  image.image_.Reset();
  image.stream_.Reset();
  image.memory_.Reset();
}

BitmapPtr BitmapFromPixels(const std::uint32_t* pixels, int width, int height) {
  BitmapPtr bitmap;
  if (!pixels || width <= 0 || height <= 0 ||
      gdip::GdipCreateBitmapFromScan0(width, height, 0, kPixelFormat32bppArgb, nullptr, bitmap.Put()) != Gdiplus::Ok) {
    return {};
  }
  {
    LockedPixels target(bitmap.Get(), Gdiplus::ImageLockModeWrite);
    if (!target.IsValid()) return {};
    for (int y = 0; y < height; ++y) {
      std::copy_n(pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(width), width, target.Row(y));
    }
  }
  return bitmap;
}

UINT image_width(GpImage* image) {
  UINT width = 0;
  if (image) gdip::GdipGetImageWidth(image, &width);
  return width;
}

UINT image_height(GpImage* image) {
  UINT height = 0;
  if (image) gdip::GdipGetImageHeight(image, &height);
  return height;
}

RectF make_rectf(REAL left, REAL top, REAL width, REAL height) { return RectF(left, top, width, height); }

bool draw_image(GpGraphics* graphics, GpImage* image, const RectF& destination, const RectF* source,
                GpImageAttributes* attributes) {
  if (!graphics || !image) return false;
  const RectF whole(0, 0, static_cast<REAL>(image_width(image)), static_cast<REAL>(image_height(image)));
  const RectF& from = source ? *source : whole;
  return gdip::GdipDrawImageRectRect(graphics, image, destination.X, destination.Y, destination.Width,
                                     destination.Height, from.X, from.Y, from.Width, from.Height,
                                     Gdiplus::UnitPixel, attributes, nullptr, nullptr) == Gdiplus::Ok;
}

bool DrawImageNineSlice(GpGraphics* graphics, GpImage* image, const RectF& destination,
                           const NineSliceMargins& margins, const RectF* source) {
  if (!graphics || !image) return false;
  const RectF whole(0, 0, static_cast<REAL>(image_width(image)), static_cast<REAL>(image_height(image)));
  const RectF& from = source ? *source : whole;
  if (margins.Empty()) return draw_image(graphics, image, destination, &from);

  // Source columns and rows: edge, centre, edge. The destination keeps the edges at their
  // size unless it is too small for both, then they shrink in proportion.
  const REAL srcX[4] = {from.X, from.X + margins.left, from.X + from.Width - margins.right, from.X + from.Width};
  const REAL srcY[4] = {from.Y, from.Y + margins.top, from.Y + from.Height - margins.bottom, from.Y + from.Height};
  REAL left = margins.left, right = margins.right, top = margins.top, bottom = margins.bottom;
  if (left + right > destination.Width && left + right > 0) {
    const REAL k = destination.Width / (left + right);
    left *= k;
    right *= k;
  }
  if (top + bottom > destination.Height && top + bottom > 0) {
    const REAL k = destination.Height / (top + bottom);
    top *= k;
    bottom *= k;
  }
  REAL dstX[4] = {destination.X, destination.X + left, destination.X + destination.Width - right,
                  destination.X + destination.Width};
  REAL dstY[4] = {destination.Y, destination.Y + top, destination.Y + destination.Height - bottom,
                  destination.Y + destination.Height};
  // Through a display scale the pieces are drawn in device pixels from edge to whole edge: an
  // edge inside a pixel leaves it partly covered by both pieces, a light seam through the image.
  const DeviceSpace device(graphics);
  for (REAL& x : dstX) x = device.MapX(x);
  for (REAL& y : dstY) y = device.MapY(y);

  // Mirrored wrapping keeps each piece's edge pixels from fading into its neighbours.
  ImageAttributesPtr attributes;
  if (gdip::GdipCreateImageAttributes(attributes.Put()) == Gdiplus::Ok) {
    gdip::GdipSetImageAttributesWrapMode(attributes.Get(), Gdiplus::WrapModeTileFlipXY, 0, FALSE);
  }
  bool ok = true;
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) {
      const RectF piece(srcX[column], srcY[row], srcX[column + 1] - srcX[column], srcY[row + 1] - srcY[row]);
      const RectF target(dstX[column], dstY[row], dstX[column + 1] - dstX[column], dstY[row + 1] - dstY[row]);
      if (piece.Width <= 0 || piece.Height <= 0 || target.Width <= 0 || target.Height <= 0) continue;
      // A stretched piece starts a hair before its first pixel: mapped back from that pixel, a
      // point on the piece's very edge can land a rounding error outside it, and GDI+ under
      // Wine then leaves the pixel clear (a seam along the piece).
      constexpr REAL kHair = 1.0f / 64;
      RectF onto = target;
      if (target.Width != piece.Width) onto.X -= kHair, onto.Width += kHair;
      if (target.Height != piece.Height) onto.Y -= kHair, onto.Height += kHair;
      ok = draw_image(graphics, image, onto, &piece, attributes.Get()) && ok;
    }
  }
  return ok;
}

}  // namespace gfx
