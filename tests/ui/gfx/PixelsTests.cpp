#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

#include "GfxTestSupport.h"
#include "ui/gfx/Pixels.h"
#include "ui/gfx/Shapes.h"

namespace {

using namespace gfxtest;

constexpr Gdiplus::PixelFormat kPixelFormat32bppPargb = 0xE200B;

// Random pixels with the alphas that take their own paths: 0, 255 and in between.
std::vector<std::uint32_t> RandomPixels(std::mt19937& random, int count, bool premultiplied) {
  std::vector<std::uint32_t> pixels(static_cast<size_t>(count));
  for (std::uint32_t& p : pixels) {
    const int kind = static_cast<int>(random() % 4);
    const std::uint32_t alpha = kind == 0 ? 0 : kind == 1 ? 255 : random() % 256;
    std::uint32_t r = random() % 256, g = random() % 256, b = random() % 256;
    if (premultiplied) r = r * alpha / 255, g = g * alpha / 255, b = b * alpha / 255;
    p = (alpha << 24) | (r << 16) | (g << 8) | b;
  }
  return pixels;
}

// The direct drawing gives what GDI+ gives drawing the same bitmap one to one, pixel for pixel,
// onto straight and premultiplied targets, laid over or copied, inside a clip, and faded (the
// source's alpha scaled by a colour matrix, as a control that fades in is drawn).
TEST(DrawPixels, MatchesGdiPlusOneToOne) {
  std::mt19937 random(20261207);
  constexpr int kTargetWidth = 37, kTargetHeight = 23, kSourceWidth = 19, kSourceHeight = 11;
  struct Case {
    const char* name;
    bool premultipliedTarget;
    PixelOp op;
    int x, y;
    RECT clip;
    int opacity = 255;
  } cases[] = {
      {"over straight", false, PixelOp::Over, 3, 4, {0, 0, kTargetWidth, kTargetHeight}},
      {"over premultiplied", true, PixelOp::Over, 3, 4, {0, 0, kTargetWidth, kTargetHeight}},
      {"copy straight", false, PixelOp::Copy, 5, 2, {0, 0, kTargetWidth, kTargetHeight}},
      {"copy premultiplied", true, PixelOp::Copy, 5, 2, {0, 0, kTargetWidth, kTargetHeight}},
      {"over clipped", true, PixelOp::Over, 3, 4, {6, 5, 15, 9}},
      {"hanging over the edge", false, PixelOp::Over, 25, 18, {0, 0, kTargetWidth, kTargetHeight}},
      {"off the top left", true, PixelOp::Over, -4, -3, {0, 0, kTargetWidth, kTargetHeight}},
      {"faded over straight", false, PixelOp::Over, 3, 4, {0, 0, kTargetWidth, kTargetHeight}, 128},
      {"faded over premultiplied", true, PixelOp::Over, 2, 1, {4, 3, 30, 20}, 51},
      {"faded to nothing", false, PixelOp::Over, 3, 4, {0, 0, kTargetWidth, kTargetHeight}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (int round = 0; round < 20; ++round) {
      std::vector<std::uint32_t> source = RandomPixels(random, kSourceWidth * kSourceHeight, false);
      std::vector<std::uint32_t> drawn = RandomPixels(random, kTargetWidth * kTargetHeight, c.premultipliedTarget);
      std::vector<std::uint32_t> expected = drawn;

      BitmapPtr sourceBitmap, targetBitmap;
      ASSERT_EQ(gdip::GdipCreateBitmapFromScan0(kSourceWidth, kSourceHeight, kSourceWidth * 4, kPixelFormat32bppArgb,
                                                reinterpret_cast<BYTE*>(source.data()), sourceBitmap.Put()),
                Gdiplus::Ok);
      ASSERT_EQ(gdip::GdipCreateBitmapFromScan0(kTargetWidth, kTargetHeight, kTargetWidth * 4,
                                                c.premultipliedTarget ? kPixelFormat32bppPargb : kPixelFormat32bppArgb,
                                                reinterpret_cast<BYTE*>(expected.data()), targetBitmap.Put()),
                Gdiplus::Ok);
      {
        GraphicsPtr graphics;
        ASSERT_EQ(gdip::GdipGetImageGraphicsContext(targetBitmap.Get(), graphics.Put()), Gdiplus::Ok);
        gdip::GdipSetInterpolationMode(graphics.Get(), Gdiplus::InterpolationModeNearestNeighbor);
        gdip::GdipSetCompositingMode(graphics.Get(), c.op == PixelOp::Copy ? Gdiplus::CompositingModeSourceCopy
                                                                           : Gdiplus::CompositingModeSourceOver);
        gdip::GdipSetClipRectI(graphics.Get(), c.clip.left, c.clip.top, c.clip.right - c.clip.left,
                               c.clip.bottom - c.clip.top, Gdiplus::CombineModeReplace);
        ImageAttributesPtr fade;
        if (c.opacity < 255) {
          ASSERT_EQ(gdip::GdipCreateImageAttributes(fade.Put()), Gdiplus::Ok);
          Gdiplus::ColorMatrix matrix{};
          for (int i = 0; i < 5; ++i) matrix.m[i][i] = 1;
          matrix.m[3][3] = c.opacity / 255.0f;
          gdip::GdipSetImageAttributesColorMatrix(fade.Get(), Gdiplus::ColorAdjustTypeDefault, TRUE, &matrix, nullptr,
                                                  Gdiplus::ColorMatrixFlagsDefault);
        }
        if (c.opacity > 0) {
          gdip::GdipDrawImageRectRectI(graphics.Get(), sourceBitmap.Get(), c.x, c.y, kSourceWidth, kSourceHeight, 0, 0,
                                       kSourceWidth, kSourceHeight, Gdiplus::UnitPixel, fade.Get(), nullptr, nullptr);
        }
        gdip::GdipFlush(graphics.Get(), Gdiplus::FlushIntentionSync);
      }
      targetBitmap.Reset();

      const PixelArea target{drawn.data(), kTargetWidth, kTargetHeight, kTargetWidth, c.premultipliedTarget};
      const PixelArea from{source.data(), kSourceWidth, kSourceHeight, kSourceWidth, false};
      DrawPixels(target, from, c.x, c.y, c.op, {&c.clip, 1}, c.opacity);
      for (size_t i = 0; i < drawn.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "pixel " << i % kTargetWidth << "," << i / kTargetWidth << " round " << round);
        const bool faded = c.opacity < 255;
        if (!c.premultipliedTarget && !faded) {
          ASSERT_EQ(drawn[i], expected[i]);
          continue;
        }
        // A premultiplied target is stored back from straight colours, and a faded source's
        // alpha scaled: GDI+ rounds each step its own way, within a step or two of ours. (A step
        // of alpha moves a nearly clear pixel's straight colour far: faded pixels are compared
        // weighted by their alpha.)
        const int steps = (c.premultipliedTarget ? 1 : 0) + (faded ? 2 : 0);
        const auto weighted = [&](std::uint32_t p, int shift) {
          const int value = static_cast<int>((p >> shift) & 0xFF);
          return shift == 24 || !faded || c.premultipliedTarget ? value : value * static_cast<int>(p >> 24) / 255;
        };
        for (int shift : {0, 8, 16, 24}) {
          ASSERT_LE(std::abs(weighted(drawn[i], shift) - weighted(expected[i], shift)), shift == 24 ? (faded ? 1 : 0) : steps)
              << std::hex << drawn[i] << " " << expected[i];
        }
      }
    }
  }
}

TEST(DrawPixels, FillsAndBlendsByTheRules) {
  struct Case {
    const char* name;
    std::uint32_t bg, fg, over;
  } blends[] = {
      {"opaque wins", 0xFF102030, 0xFF405060, 0xFF405060},
      {"clear leaves", 0xFF102030, 0x00405060, 0xFF102030},
      {"half over opaque", 0xFF000000, 0x80FFFFFF, 0xFF808080},
      {"over nothing", 0x00123456, 0x80FFFFFF, 0x80FFFFFF},
      {"half over half", 0x80000000, 0x80FFFFFF, 0xBFAAAAAA},
  };
  for (const Case& c : blends) EXPECT_EQ(ColourOver(c.bg, c.fg), c.over) << c.name;

  // A fill keeps to its clip and to the target, and a premultiplied target takes the fill
  // premultiplied.
  std::vector<std::uint32_t> pixels(4 * 3, 0xFFFFFFFF);
  const RECT clip[] = {{1, 0, 3, 1}, {3, 2, 9, 9}};
  FillPixels(PixelArea{pixels.data(), 4, 3, 4, true}, 0x80FF0000, clip);
  const std::vector<std::uint32_t> expected = {0xFFFFFFFF, 0x80800000, 0x80800000, 0xFFFFFFFF,  //
                                               0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF,  //
                                               0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0x80800000};
  EXPECT_EQ(pixels, expected);

  // A blend lays the colour over each pixel of its clip as ColourOver does, twice where clip
  // rectangles overlap, and leaves a premultiplied target alone.
  std::vector<std::uint32_t> row = {0xFF000000, 0x80000000, 0x00123456, 0xFF000000};
  const RECT lines[] = {{1, 0, 3, 1}, {2, 0, 9, 9}};
  BlendPixels(PixelArea{row.data(), 4, 1, 4, false}, 0x80FFFFFF, lines);
  EXPECT_EQ(row, (std::vector<std::uint32_t>{0xFF000000, 0xBFAAAAAA, ColourOver(0x80FFFFFF, 0x80FFFFFF), 0xFF808080}));
  BlendPixels(PixelArea{row.data(), 4, 1, 4, true}, 0x80FFFFFF);
  EXPECT_EQ(row[0], 0xFF000000u);
}

TEST(RegionRects, ARoundedRegionKeepsItsCornersOut) {
  RegionPtr region;
  GpPath* path = nullptr;
  ASSERT_EQ(gdip::GdipCreatePath(Gdiplus::FillModeAlternate, &path), Gdiplus::Ok);
  PathPtr owned(path);
  gdip::GdipAddPathEllipseI(path, 0, 0, 40, 40);
  ASSERT_EQ(gdip::GdipCreateRegionPath(path, region.Put()), Gdiplus::Ok);
  const std::vector<RECT> rects = RegionRects(region.Get());
  ASSERT_FALSE(rects.empty());
  // Whether a pixel lies in one of the rectangles.
  auto inside = [](const std::vector<RECT>& in, int x, int y) {
    return std::any_of(in.begin(), in.end(), [&](const RECT& r) { return PtInRect(&r, POINT{x, y}) != FALSE; });
  };
  EXPECT_TRUE(inside(rects, 20, 20));
  EXPECT_TRUE(inside(rects, 20, 1));
  EXPECT_FALSE(inside(rects, 0, 0));
  EXPECT_FALSE(inside(rects, 39, 39));
  EXPECT_TRUE(RegionRects(nullptr).empty());

  // Scaled, as a frame's clip in logical pixels is read at 150 %: the circle is 60 pixels across.
  const std::vector<RECT> scaled = RegionRects(region.Get(), 1.5f);
  ASSERT_FALSE(scaled.empty());
  RECT bounds{};
  for (const RECT& r : scaled) UnionRect(&bounds, &bounds, &r);
  EXPECT_LE(std::max(bounds.left, bounds.top), 1);
  EXPECT_GE(std::min(bounds.right, bounds.bottom), 59);
  EXPECT_LE(std::max(bounds.right, bounds.bottom), 60);
  EXPECT_TRUE(inside(scaled, 30, 30));
  EXPECT_TRUE(inside(scaled, 58, 30));
  EXPECT_FALSE(inside(scaled, 2, 2));
  EXPECT_FALSE(inside(scaled, 57, 57));
}

// Clearing in memory, over the whole bitmap or inside a rounded clip's rectangles, leaves the
// pixels GdipGraphicsClear leaves, corners included.
TEST(FillPixels, ClearsWhatGdiPlusClears) {
  std::mt19937 random(20261208);
  constexpr int kWidth = 61, kHeight = 47;
  struct Case {
    const char* name;
    float radius;  // < 0: no clip
    std::uint32_t colour;
  } cases[] = {
      {"whole, transparent", -1, 0},
      {"whole, half see-through", -1, 0x80336699},
      {"rounded clip, opaque", 7, 0xFFEEDDCC},
      {"rounded clip, wide corners", 18, 0xFF102030},
      {"square clip", 0, 0x40FFFFFF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::uint32_t> start = RandomPixels(random, kWidth * kHeight, false);
    std::vector<std::uint32_t> expected = start, direct = start;
    BitmapPtr gdiBitmap, directBitmap;
    ASSERT_EQ(gdip::GdipCreateBitmapFromScan0(kWidth, kHeight, kWidth * 4, kPixelFormat32bppArgb,
                                              reinterpret_cast<BYTE*>(expected.data()), gdiBitmap.Put()),
              Gdiplus::Ok);
    ASSERT_EQ(gdip::GdipCreateBitmapFromScan0(kWidth, kHeight, kWidth * 4, kPixelFormat32bppArgb,
                                              reinterpret_cast<BYTE*>(direct.data()), directBitmap.Put()),
              Gdiplus::Ok);
    GraphicsPtr graphics;
    ASSERT_EQ(gdip::GdipGetImageGraphicsContext(gdiBitmap.Get(), graphics.Put()), Gdiplus::Ok);
    if (c.radius < 0) {
      gdip::GdipGraphicsClear(graphics.Get(), c.colour);
      gdip::GdipFlush(graphics.Get(), Gdiplus::FlushIntentionSync);
      ASSERT_TRUE(FillBitmap(directBitmap.Get(), c.colour));
    } else {
      PathPtr path = RoundedRectPath(Gdiplus::RectF(4.5f, 3, 50, 40), c.radius);
      ASSERT_TRUE(path);
      gdip::GdipSetClipPath(graphics.Get(), path.Get(), Gdiplus::CombineModeReplace);
      gdip::GdipGraphicsClear(graphics.Get(), c.colour);
      gdip::GdipFlush(graphics.Get(), Gdiplus::FlushIntentionSync);
      RegionPtr clip;
      ASSERT_EQ(gdip::GdipCreateRegion(clip.Put()), Gdiplus::Ok);
      ASSERT_EQ(gdip::GdipGetClip(graphics.Get(), clip.Get()), Gdiplus::Ok);
      const std::vector<RECT> rects = RegionRects(clip.Get());
      ASSERT_FALSE(rects.empty());
      FillPixels(PixelArea{direct.data(), kWidth, kHeight, kWidth, false}, c.colour, rects);
    }
    graphics.Reset();
    gdiBitmap.Reset();
    directBitmap.Reset();
    ASSERT_NE(expected, start);
    for (size_t i = 0; i < direct.size(); ++i) {
      ASSERT_EQ(direct[i], expected[i]) << "pixel " << i % kWidth << "," << i / kWidth;
    }
  }
  EXPECT_FALSE(FillBitmap(nullptr, 0));
}

}  // namespace
