#include "ui/gfx/Pixels.h"

#include <algorithm>
#include <array>

namespace gfx {

namespace {

std::uint32_t Channel(std::uint32_t p, int shift) { return (p >> shift) & 0xFF; }

// x / d for x below 65536 and d from 1 to 255, as one multiplication: ceil(2^31 / d) is exact
// there, and a pixel blend divides by a varying alpha several times per pixel.
constexpr auto kReciprocals = [] {
  std::array<std::uint32_t, 256> r{};
  for (std::uint64_t d = 1; d < 256; ++d) r[d] = static_cast<std::uint32_t>(((std::uint64_t{1} << 31) + d - 1) / d);
  return r;
}();
inline std::uint32_t DivideBy(std::uint32_t x, std::uint32_t d) {
  return static_cast<std::uint32_t>((std::uint64_t{x} * kReciprocals[d]) >> 31);
}

// x / 255 for x up to 65534, without dividing.
constexpr std::uint32_t Div255(std::uint32_t x) { return (x + 1 + (x >> 8)) >> 8; }

std::uint32_t Premultiply(std::uint32_t p) {
  const std::uint32_t a = p >> 24;
  if (a == 0xFF) return p;
  // Rounded, as GDI+ stores a premultiplied pixel.
  return (a << 24) | (Div255(Channel(p, 16) * a + 127) << 16) | (Div255(Channel(p, 8) * a + 127) << 8) |
         Div255(Channel(p, 0) * a + 127);
}

std::uint32_t Unpremultiply(std::uint32_t p) {
  const std::uint32_t a = p >> 24;
  if (a == 0xFF) return p;
  if (a == 0) return 0;
  return (a << 24) | (DivideBy(Channel(p, 16) * 255, a) << 16) | (DivideBy(Channel(p, 8) * 255, a) << 8) |
         DivideBy(Channel(p, 0) * 255, a);
}

// The rectangles to draw in: each clip rectangle inside the target and inside limit.
template <typename Each>
void ForEachClipped(const PixelArea& target, const RECT& limit, std::span<const RECT> clip, Each each) {
  const RECT whole{0, 0, target.width, target.height};
  const std::span<const RECT> rects = clip.empty() ? std::span<const RECT>(&whole, 1) : clip;
  for (const RECT& c : rects) {
    RECT r{std::max({c.left, limit.left, 0L}), std::max({c.top, limit.top, 0L}),
           std::min({c.right, limit.right, static_cast<LONG>(target.width)}),
           std::min({c.bottom, limit.bottom, static_cast<LONG>(target.height)})};
    if (r.left < r.right && r.top < r.bottom) each(r);
  }
}

// fg (alpha strictly between 0 and 255) over an opaque bg: most of a window. Red and blue are
// mixed side by side in one word.
std::uint32_t OverOpaque(std::uint32_t bg, std::uint32_t fg) {
  const std::uint32_t a = fg >> 24, keep = 0xFF - a;
  std::uint32_t rb = (bg & 0xFF00FF) * keep + (fg & 0xFF00FF) * a;
  rb = ((rb + 0x10001 + ((rb >> 8) & 0xFF00FF)) >> 8) & 0xFF00FF;
  const std::uint32_t g = Div255(Channel(bg, 8) * keep + Channel(fg, 8) * a);
  return 0xFF000000u | rb | (g << 8);
}

inline std::uint32_t Over(std::uint32_t bg, std::uint32_t fg) {
  const std::uint32_t fgAlpha = fg >> 24;
  if (fgAlpha == 0xFF) return fg;
  if (fgAlpha == 0) return bg;
  if ((bg >> 24) == 0xFF) return OverOpaque(bg, fg);
  const std::uint32_t bgAlpha = Div255((bg >> 24) * (0xFF - fgAlpha));
  if (bgAlpha == 0) return fg;
  const std::uint32_t a = bgAlpha + fgAlpha;
  auto mix = [&](int shift) { return DivideBy(Channel(bg, shift) * bgAlpha + Channel(fg, shift) * fgAlpha, a); };
  return (a << 24) | (mix(16) << 16) | (mix(8) << 8) | mix(0);
}

}  // namespace

std::uint32_t ColourOver(std::uint32_t bg, std::uint32_t fg) { return Over(bg, fg); }

void DrawPixels(const PixelArea& target, const PixelArea& source, int x, int y, PixelOp op,
                std::span<const RECT> clip, int opacity) {
  if (!target || !source) return;
  if (op == PixelOp::Over && opacity <= 0) return;
  const std::uint32_t fade = op == PixelOp::Over ? static_cast<std::uint32_t>(std::min(opacity, 255)) : 255;
  const RECT placed{x, y, x + source.width, y + source.height};
  std::uint32_t lastBg = 0, lastFg = 0, lastOut = 0;  // lastFg 0 never blends: nothing kept yet
  ForEachClipped(target, placed, clip, [&](const RECT& r) {
    for (LONG ty = r.top; ty < r.bottom; ++ty) {
      std::uint32_t* out = target.bits + static_cast<std::ptrdiff_t>(ty) * target.stride;
      const std::uint32_t* in = source.bits + static_cast<std::ptrdiff_t>(ty - y) * source.stride - x;
      if (op == PixelOp::Copy && target.premultiplied == source.premultiplied) {
        // A pixel with no alpha is copied as nothing at all, its colour too, as GDI+ copies it.
        for (LONG tx = r.left; tx < r.right; ++tx) out[tx] = (in[tx] >> 24) ? in[tx] : 0;
        continue;
      }
      for (LONG tx = r.left; tx < r.right; ++tx) {
        std::uint32_t fg = in[tx];
        if (source.premultiplied) fg = Unpremultiply(fg);
        if (fade != 255) fg = (fg & 0xFFFFFF) | (((fg >> 24) * fade + 127) / 255) << 24;
        const std::uint32_t alpha = fg >> 24;
        if (op == PixelOp::Over && alpha != 0xFF) {
          if (alpha == 0) continue;
          const std::uint32_t bg = out[tx];
          if ((bg >> 24) == 0xFF) {
            out[tx] = OverOpaque(bg, fg);
            continue;
          }
          // Areas of one colour over one colour (a list's background over a plain window)
          // repeat the same blend: the last one is kept.
          if (bg != lastBg || fg != lastFg) {
            lastBg = bg;
            lastFg = fg;
            const std::uint32_t blended = Over(target.premultiplied ? Unpremultiply(bg) : bg, fg);
            lastOut = target.premultiplied ? Premultiply(blended) : blended;
          }
          out[tx] = lastOut;
          continue;
        }
        out[tx] = target.premultiplied ? Premultiply(fg) : fg;
      }
    }
  });
}

void FillPixels(const PixelArea& target, std::uint32_t argb, std::span<const RECT> clip) {
  if (!target) return;
  const std::uint32_t value = target.premultiplied ? Premultiply(argb) : argb;
  const RECT all{0, 0, target.width, target.height};
  ForEachClipped(target, all, clip, [&](const RECT& r) {
    for (LONG ty = r.top; ty < r.bottom; ++ty) {
      std::uint32_t* out = target.bits + static_cast<std::ptrdiff_t>(ty) * target.stride;
      std::fill(out + r.left, out + r.right, value);
    }
  });
}

void BlendPixels(const PixelArea& target, std::uint32_t argb, std::span<const RECT> clip) {
  if (!target || target.premultiplied) return;
  const RECT all{0, 0, target.width, target.height};
  ForEachClipped(target, all, clip, [&](const RECT& r) {
    for (LONG ty = r.top; ty < r.bottom; ++ty) {
      std::uint32_t* out = target.bits + static_cast<std::ptrdiff_t>(ty) * target.stride;
      for (LONG tx = r.left; tx < r.right; ++tx) out[tx] = Over(out[tx], argb);
    }
  });
}

bool FillBitmap(GpBitmap* bitmap, std::uint32_t argb, GpGraphics* drawnBy) {
  BitmapPixels pixels(bitmap, drawnBy);
  const PixelArea area = pixels.Area();
  if (!area) return false;
  FillPixels(area, argb);
  return true;
}

std::vector<RECT> RegionRects(GpRegion* region, float scale) {
  std::vector<RECT> rects;
  if (!region) return rects;
  MatrixPtr transform;
  if (gdip::GdipCreateMatrix2(scale, 0, 0, scale, 0, 0, transform.Put()) != Gdiplus::Ok) return rects;
  UINT count = 0;
  std::vector<Gdiplus::Rect> scans;
  if (gdip::GdipGetRegionScansCount(region, &count, transform.Get()) == Gdiplus::Ok && count > 0) {
    scans.resize(count);
    INT got = 0;
    if (gdip::GdipGetRegionScansI(region, scans.data(), &got, transform.Get()) == Gdiplus::Ok) {
      scans.resize(static_cast<size_t>(std::max(got, 0)));
    } else {
      scans.clear();
    }
  }
  for (const Gdiplus::Rect& s : scans) rects.push_back(RECT{s.X, s.Y, s.X + s.Width, s.Y + s.Height});
  return rects;
}

}  // namespace gfx
