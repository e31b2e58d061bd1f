// Icons made in memory, turned into bitmaps, checked pixel by pixel.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "GfxTestSupport.h"
#include "ui/gfx/GdiHandles.h"
#include "ui/gfx/IconBitmap.h"

namespace {

using namespace gfxtest;

// A 32-bit colour bitmap with the given pixels (top-down rows, 0xAARRGGBB).
HbitmapPtr ColourBitmap(int width, int height, const std::vector<std::uint32_t>& pixels) {
  const BITMAPINFO info = TopDownDibInfo(width, height);
  void* bits = nullptr;
  HbitmapPtr bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (bitmap && bits) {
    auto* out = static_cast<std::uint32_t*>(bits);
    for (std::size_t i = 0; i < pixels.size(); ++i) out[i] = pixels[i];
    GdiFlush();
  }
  return bitmap;
}

// A monochrome bitmap; a row is a string of '1' (set) and '0'.
HbitmapPtr MaskBitmap(const std::vector<const char*>& rows) {
  const int width = static_cast<int>(std::strlen(rows[0])), height = static_cast<int>(rows.size());
  const int stride = (width + 15) / 16 * 2;  // rows of a monochrome bitmap are word-aligned
  std::vector<BYTE> bits(static_cast<std::size_t>(stride) * height, 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (rows[y][x] == '1') bits[y * stride + x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
    }
  }
  return HbitmapPtr(CreateBitmap(width, height, 1, 1, bits.data()));
}

HiconPtr MakeIcon(HBITMAP colour, HBITMAP mask) {
  ICONINFO info{TRUE, 0, 0, mask, colour};
  return HiconPtr(CreateIconIndirect(&info));  // copies both bitmaps
}

HiconPtr AlphaIcon() {
  HbitmapPtr colour = ColourBitmap(2, 2, {0x80FF0000, 0xFF00FF00, 0x00000000, 0x400000FF});
  HbitmapPtr mask = MaskBitmap({"11", "11"});  // ignored: the pixels carry alpha
  return MakeIcon(colour.Get(), mask.Get());
}

HiconPtr MaskOnlyIcon() {
  HbitmapPtr colour = ColourBitmap(2, 2, {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00FFFFFF});
  HbitmapPtr mask = MaskBitmap({"10", "01"});
  return MakeIcon(colour.Get(), mask.Get());
}

HiconPtr MonochromeIcon() {
  // The AND rows above the image rows.
  HbitmapPtr mask = MaskBitmap({"10", "00", "00", "10"});
  return MakeIcon(nullptr, mask.Get());
}

HiconPtr WideIcon(int width) {
  HbitmapPtr colour = ColourBitmap(width, 1, std::vector<std::uint32_t>(width, 0xFF102030));
  HbitmapPtr mask = MaskBitmap({std::string(width, '0').c_str()});
  return MakeIcon(colour.Get(), mask.Get());
}

HiconPtr LargestIcon() { return WideIcon(kMaxIconSide); }
HiconPtr OversizedIcon() { return WideIcon(kMaxIconSide + 1); }
HiconPtr NoIcon() { return HiconPtr(); }

struct PixelCheck {
  int x, y;
  ARGB colour;
};

struct IconCase {
  const char* name;
  HiconPtr (*make)();
  bool destroyFirst;  // the handle is destroyed before the conversion
  UINT width, height;  // 0: no bitmap
  std::vector<PixelCheck> pixels;
};

const IconCase kIcons[] = {
    {"alpha icon keeps its alpha", AlphaIcon, false, 2, 2,
     {{0, 0, 0x80FF0000}, {1, 0, 0xFF00FF00}, {0, 1, 0x00000000}, {1, 1, 0x400000FF}}},
    {"icon without alpha takes transparency from its mask", MaskOnlyIcon, false, 2, 2,
     {{0, 0, 0x00000000}, {1, 0, 0xFF00FF00}, {0, 1, 0xFF0000FF}, {1, 1, 0x00000000}}},
    {"monochrome icon: mask above, image below", MonochromeIcon, false, 2, 2,
     {{0, 0, 0x00000000}, {1, 0, 0xFF000000}, {0, 1, 0xFFFFFFFF}, {1, 1, 0xFF000000}}},
    {"largest accepted icon", LargestIcon, false, kMaxIconSide, 1,
     {{0, 0, 0xFF102030}, {kMaxIconSide - 1, 0, 0xFF102030}}},
    {"oversized icon is refused", OversizedIcon, false, 0, 0, {}},
    {"null handle", NoIcon, false, 0, 0, {}},
    {"destroyed handle", AlphaIcon, true, 0, 0, {}},
};

TEST(BitmapFromIcon, ConvertsEachKindOfIcon) {
  for (const IconCase& c : kIcons) {
    SCOPED_TRACE(c.name);
    HiconPtr icon = c.make();
    if (c.make != NoIcon) {
      ASSERT_TRUE(icon) << "the icon could not be made";
    }
    HICON handle = icon.Get();
    if (c.destroyFirst) icon.Reset();

    BitmapPtr bitmap = BitmapFromIcon(handle);
    if (c.width == 0) {
      EXPECT_FALSE(bitmap);
      continue;
    }
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(image_width(bitmap.Get()), c.width);
    EXPECT_EQ(image_height(bitmap.Get()), c.height);
    EXPECT_EQ(FormatOf(bitmap.Get()), kPixelFormat32bppArgb);
    for (const PixelCheck& p : c.pixels) {
      EXPECT_EQ(PixelOf(bitmap.Get(), p.x, p.y), p.colour) << "at " << p.x << ", " << p.y;
    }
  }
}

}  // namespace
