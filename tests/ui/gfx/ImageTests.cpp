#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "GfxTestSupport.h"
#include "resources/Resources.h"
#include "ui/gfx/Image.h"
#include "ui/gfx/Stretch.h"
#include "ui/gfx/Toolkit.h"

namespace {

using namespace gfxtest;

struct Embedded {
  const char* name;
  resources::Bytes (*bytes)();
  bool storedWithoutSignature;
  UINT width, height;
  UINT frames;                          // as decoded in keep mode
  Gdiplus::PixelFormat keepFormat;      // the decoder's own pixel format (0: decoder's choice)
};

constexpr Gdiplus::PixelFormat k24bppRgb = 0x21808;

const Embedded kEmbedded[] = {
    {"window background", resources::WindowBackground, false, 960, 600, 1, k24bppRgb},
    {"search frame", resources::SearchFrame, false, 400, 24, 1, kPixelFormat32bppArgb},
    {"search button normal", resources::SearchButtonNormal, false, 70, 26, 1, kPixelFormat32bppArgb},
    {"search button hover", resources::SearchButtonHover, false, 70, 26, 1, kPixelFormat32bppArgb},
    {"busy indicator", resources::BusyIndicator, false, 32, 32, 12, 0},
    {"message box bands", resources::MessageBoxBands, false, 2, 160, 1, kPixelFormat32bppArgb},
    {"message box icons", resources::MessageBoxIcons, false, 200, 40, 1, kPixelFormat32bppArgb},
    {"control strip", resources::ControlStrip, true, 729, 20, 1, kPixelFormat32bppArgb},
    {"check box strip", resources::CheckBoxStrip, true, 68, 17, 1, kPixelFormat32bppArgb},
    {"glow button skin", resources::GlowButtonSkin, false, 55, 28, 1, kPixelFormat32bppArgb},
    {"menu arrow", resources::MenuArrow, false, 20, 20, 1, kPixelFormat32bppArgb},
};

TEST(EmbeddedImages, DecodeInBothModesAtTheirSizes) {
  for (const Embedded& e : kEmbedded) {
    SCOPED_TRACE(e.name);
    Image normal = load_image(e.bytes(), e.storedWithoutSignature);
    ASSERT_TRUE(normal);
    EXPECT_FALSE(normal.KeepsSource());
    EXPECT_EQ(image_width(normal), e.width);
    EXPECT_EQ(image_height(normal), e.height);
    EXPECT_EQ(FormatOf(normal.Get()), kPixelFormat32bppArgb);
    EXPECT_EQ(FrameCount(normal.Get()), 1u);

    Image kept = load_image(e.bytes(), e.storedWithoutSignature, /*keepSource=*/true);
    ASSERT_TRUE(kept);
    EXPECT_TRUE(kept.KeepsSource());
    EXPECT_EQ(image_width(kept), e.width);
    EXPECT_EQ(image_height(kept), e.height);
    if (e.keepFormat) {
      EXPECT_EQ(FormatOf(kept.Get()), e.keepFormat);
    }
    EXPECT_EQ(FrameCount(kept.Get()), e.frames);
  }
}

TEST(EmbeddedImages, StoredFormsAreWhatTheLoaderExpects) {
  for (const Embedded& e : kEmbedded) {
    SCOPED_TRACE(e.name);
    resources::Bytes bytes = e.bytes();
    ASSERT_GT(bytes.size(), 16u);
    const bool signed_ = std::memcmp(bytes.data(), kPngSignature, 8) == 0;
    if (e.storedWithoutSignature) {
      // The data begins with the IHDR chunk: length 13, then its type.
      EXPECT_FALSE(signed_);
      EXPECT_EQ(0, std::memcmp(bytes.data(), "\0\0\0\x0dIHDR", 8));
      EXPECT_FALSE(load_image(bytes, false)) << "decodes only with the signature added";
    } else {
      EXPECT_FALSE(load_image(bytes, true)) << "a second signature spoils a complete file";
    }
  }
  EXPECT_EQ(0, std::memcmp(resources::WindowBackground().data(), "\xff\xd8\xff", 3));
  EXPECT_EQ(0, std::memcmp(resources::BusyIndicator().data(), "GIF89a", 6));
}

TEST(EmbeddedImages, WindowIconIsOne48PixelImageAt32Bits) {
  resources::Bytes icon = resources::WindowIcon();
  ASSERT_EQ(icon.size(), 9662u);
  auto word = [&](std::size_t at) { return icon[at] | (icon[at + 1] << 8); };
  auto dword = [&](std::size_t at) { return static_cast<DWORD>(word(at) | (word(at + 2) << 16)); };
  EXPECT_EQ(word(0), 0);
  EXPECT_EQ(word(2), 1);  // icon
  EXPECT_EQ(word(4), 1);  // one image
  EXPECT_EQ(icon[6], 48);
  EXPECT_EQ(icon[7], 48);
  EXPECT_EQ(word(12), 32);
  const DWORD size = dword(14), offset = dword(18);
  ASSERT_EQ(offset + size, icon.size());

  // At its own size (0, 0); the window takes it through CreateIconFromResource.
  HICON handle = CreateIconFromResourceEx(const_cast<BYTE*>(icon.data() + offset), size, TRUE, 0x30000, 0, 0, 0);
  ASSERT_NE(handle, nullptr);
  ICONINFO info = {};
  ASSERT_TRUE(GetIconInfo(handle, &info));
  BITMAP colour = {};
  GetObjectW(info.hbmColor, sizeof colour, &colour);
  EXPECT_EQ(colour.bmWidth, 48);
  EXPECT_EQ(colour.bmHeight, 48);
  EXPECT_EQ(colour.bmBitsPixel, 32);
  EXPECT_NE(CreateIconFromResource(const_cast<BYTE*>(icon.data() + offset), size, TRUE, 0x30000), nullptr);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  DestroyIcon(handle);
}

TEST(ImageLoading, RejectsEmptyAndUndecodableBytes) {
  const unsigned char garbage[] = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'};
  std::vector<unsigned char> truncated(resources::SearchFrame().begin(), resources::SearchFrame().begin() + 40);
  EXPECT_FALSE(load_image({}, false));
  EXPECT_FALSE(load_image({}, true));
  EXPECT_FALSE(load_image(garbage, false));
  EXPECT_FALSE(load_image(garbage, true, true));
  EXPECT_FALSE(load_image(truncated, false));
}

TEST(ImageLoading, NormalModeOwnsItsPixelsAndCopiesAreIndependent) {
  std::vector<unsigned char> bytes(resources::SearchButtonHover().begin(), resources::SearchButtonHover().end());
  Image first = load_image(bytes, false);
  Image second = load_image(bytes, false);
  ASSERT_TRUE(first);
  ASSERT_TRUE(second);
  const ARGB centre = PixelOf(first.Get(), 35, 13);
  EXPECT_EQ(Alpha(centre), 255);

  std::fill(bytes.begin(), bytes.end(), 0xEE);  // the source bytes are gone
  dispose_image(second);
  EXPECT_FALSE(second);
  dispose_image(second);  // disposing twice is harmless
  EXPECT_EQ(PixelOf(first.Get(), 35, 13), centre);

  Canvas canvas(70, 26);
  EXPECT_TRUE(draw_image(canvas.graphics.Get(), first.Get(), make_rectf(0, 0, 70, 26)));
  EXPECT_EQ(canvas.Pixel(35, 13), centre);
}

// Both images hold the same size and pixels.
bool SamePixels(GpImage* a, GpImage* b) {
  LockedPixels left(a, Gdiplus::ImageLockModeRead), right(b, Gdiplus::ImageLockModeRead);
  if (!left.IsValid() || !right.IsValid() || left.Width() != right.Width() || left.Height() != right.Height()) {
    return false;
  }
  for (int y = 0; y < left.Height(); ++y) {
    if (std::memcmp(left.Row(y), right.Row(y), static_cast<size_t>(left.Width()) * 4) != 0) return false;
  }
  return true;
}

// The normal mode's copy holds the pixels GDI+ draws of the decoder's own image, whether it was
// copied row by row (no alpha: the skin's JPEG) or drawn (the rest).
TEST(ImageLoading, NormalModeHoldsThePixelsGdiPlusDrawsOfTheDecodedImage) {
  for (const Embedded& e : kEmbedded) {
    SCOPED_TRACE(e.name);
    Image normal = DecodeImage(e.bytes(), e.storedWithoutSignature);
    Image kept = DecodeImage(e.bytes(), e.storedWithoutSignature, /*keepSource=*/true);
    ASSERT_TRUE(normal);
    ASSERT_TRUE(kept);
    Canvas drawn(static_cast<int>(e.width), static_cast<int>(e.height));
    gdip::GdipSetCompositingMode(drawn.graphics.Get(), Gdiplus::CompositingModeSourceCopy);
    ASSERT_TRUE(draw_image(drawn.graphics.Get(), kept.Get(),
                           make_rectf(0, 0, static_cast<REAL>(e.width), static_cast<REAL>(e.height))));
    gdip::GdipFlush(drawn.graphics.Get(), Gdiplus::FlushIntentionSync);
    EXPECT_TRUE(SamePixels(normal.Get(), drawn.bitmap.Get()));
  }
}

// The start-up decoded these ahead (GfxEnvironment.cpp); each result is taken once, by the first
// load of the same bytes wherever they are, and is what a decode of its own gives.
TEST(DecodeAhead, TakenOnceByEqualBytesAndSameAsADecodeOfItsOwn) {
  const AheadImages& ahead = Ahead();
  // Equal bytes elsewhere in memory find the result as well.
  std::vector<unsigned char> background(ahead.background.begin(), ahead.background.end());
  Image taken = load_image(background);
  ASSERT_TRUE(taken);
  const Image own = DecodeImage(background);
  EXPECT_TRUE(SamePixels(taken.Get(), own.Get()));
  EXPECT_FALSE(taken.TakeStretched(kAheadStretchWidth + 1, kAheadStretchHeight)) << "made at another size";
  BitmapPtr stretched = taken.TakeStretched(kAheadStretchWidth, kAheadStretchHeight);
  ASSERT_TRUE(stretched);
  const BitmapPtr ownStretch = StretchedCopy(own.Get(), kAheadStretchWidth, kAheadStretchHeight);
  EXPECT_TRUE(SamePixels(stretched.Get(), ownStretch.Get()));
  EXPECT_FALSE(taken.TakeStretched(kAheadStretchWidth, kAheadStretchHeight)) << "given once";

  // A second load decodes for itself, with no stretched copy.
  Image again = load_image(ahead.background);
  ASSERT_TRUE(again);
  EXPECT_TRUE(SamePixels(again.Get(), own.Get()));
  EXPECT_FALSE(again.TakeStretched(kAheadStretchWidth, kAheadStretchHeight));

  // The same bytes in keep mode are not taken; a normal load after it still is.
  Image kept = load_image(ahead.button, false, /*keepSource=*/true);
  EXPECT_TRUE(kept.KeepsSource());
  Image button = load_image(ahead.button);
  ASSERT_TRUE(button);
  EXPECT_FALSE(button.KeepsSource());
  EXPECT_TRUE(SamePixels(button.Get(), DecodeImage(ahead.button).Get()));

  // A decode that failed ahead fails here too, without waiting for ever.
  EXPECT_FALSE(load_image(ahead.garbage));
  EXPECT_FALSE(load_image(ahead.garbage));

  // The control strip was decoded ahead as well.
  EXPECT_TRUE(SamePixels(ControlStrip(), DecodeImage(resources::ControlStrip(), true).Get()));
}

TEST(ImageLoading, KeepModeKeepsEveryGifFrameButNormalModeOnlyTheFirst) {
  Image kept = load_image(resources::BusyIndicator(), false, true);
  Image normal = load_image(resources::BusyIndicator(), false, false);
  ASSERT_TRUE(kept);
  ASSERT_TRUE(normal);
  EXPECT_EQ(FrameCount(kept.Get()), 12u);
  EXPECT_EQ(FrameCount(normal.Get()), 1u);

  // Frames differ: the leading dot moves round the circle.
  GUID dimension = {};
  ASSERT_EQ(gdip::GdipImageGetFrameDimensionsList(kept.Get(), &dimension, 1), Gdiplus::Ok);
  std::vector<ARGB> firstFrame, laterFrame;
  for (UINT frame : {0u, 6u}) {
    ASSERT_EQ(gdip::GdipImageSelectActiveFrame(kept.Get(), &dimension, frame), Gdiplus::Ok);
    auto& pixels = frame == 0 ? firstFrame : laterFrame;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) pixels.push_back(PixelOf(kept.Get(), x, y));
  }
  EXPECT_NE(firstFrame, laterFrame);

  // Moving the owner moves all three references; the moved-from image is empty.
  Image moved = std::move(kept);
  EXPECT_TRUE(moved.KeepsSource());
  EXPECT_FALSE(kept);
  EXPECT_FALSE(kept.KeepsSource());
}

// A 2x2 image of four known colours.
BitmapPtr Quadrants() {
  BitmapPtr bitmap;
  gdip::GdipCreateBitmapFromScan0(2, 2, 0, kPixelFormat32bppArgb, nullptr, bitmap.Put());
  gdip::GdipBitmapSetPixel(bitmap.Get(), 0, 0, 0xFFFF0000);
  gdip::GdipBitmapSetPixel(bitmap.Get(), 1, 0, 0xFF00FF00);
  gdip::GdipBitmapSetPixel(bitmap.Get(), 0, 1, 0xFF0000FF);
  gdip::GdipBitmapSetPixel(bitmap.Get(), 1, 1, 0xFFFFFF00);
  return bitmap;
}

TEST(DrawImage, SourceRectangleSelectsThePieceAndNoneMeansWhole) {
  BitmapPtr image = Quadrants();
  struct Case {
    const char* what;
    bool hasSource;
    RectF source;
    struct { int x, y; ARGB colour; } probes[4];
  } cases[] = {
      {"whole image scaled", false, {}, {{5, 5, 0xFFFF0000}, {15, 5, 0xFF00FF00}, {5, 15, 0xFF0000FF}, {15, 15, 0xFFFFFF00}}},
      {"top right pixel", true, RectF(1, 0, 1, 1), {{1, 1, 0xFF00FF00}, {18, 18, 0xFF00FF00}, {10, 2, 0xFF00FF00}, {2, 10, 0xFF00FF00}}},
      {"bottom row", true, RectF(0, 1, 2, 1), {{5, 2, 0xFF0000FF}, {15, 2, 0xFFFFFF00}, {5, 17, 0xFF0000FF}, {15, 17, 0xFFFFFF00}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Canvas canvas(20, 20);
    ASSERT_TRUE(draw_image(canvas.graphics.Get(), image.Get(), make_rectf(0, 0, 20, 20), c.hasSource ? &c.source : nullptr));
    for (const auto& probe : c.probes) EXPECT_EQ(canvas.Pixel(probe.x, probe.y), probe.colour) << probe.x << "," << probe.y;
  }
}

TEST(DrawImage, DrawsOnlyInsideTheDestinationAndRefusesNulls) {
  BitmapPtr image = Quadrants();
  Canvas canvas(30, 30);
  ASSERT_TRUE(draw_image(canvas.graphics.Get(), image.Get(), make_rectf(10, 10, 10, 10)));
  EXPECT_EQ(Alpha(canvas.Pixel(5, 5)), 0);
  EXPECT_EQ(Alpha(canvas.Pixel(25, 25)), 0);
  EXPECT_EQ(canvas.Pixel(12, 12), 0xFFFF0000u);
  EXPECT_EQ(canvas.Pixel(18, 18), 0xFFFFFF00u);
  EXPECT_FALSE(draw_image(nullptr, image.Get(), make_rectf(0, 0, 1, 1)));
  EXPECT_FALSE(draw_image(canvas.graphics.Get(), nullptr, make_rectf(0, 0, 1, 1)));
}

TEST(DrawImage, CheckBoxCellsComeFromTheirSourceRectangles) {
  Image strip = load_image(resources::CheckBoxStrip(), true);
  ASSERT_TRUE(strip);
  // Cells: unticked, unticked hover, ticked, ticked hover. The centre of an unticked box is
  // near white, a ticked box's fill is dark teal.
  for (int cell = 0; cell < 4; ++cell) {
    SCOPED_TRACE(cell);
    Canvas canvas(17, 17);
    const RectF source(17.0f * cell, 0, 17, 17);
    ASSERT_TRUE(draw_image(canvas.graphics.Get(), strip.Get(), make_rectf(0, 0, 17, 17), &source));
    const ARGB fill = canvas.Pixel(5, 12);
    EXPECT_EQ(Alpha(fill), 255);
    if (cell < 2) {
      EXPECT_GT(Red(fill), 200);
    } else {
      EXPECT_LT(Red(fill), 120);
      EXPECT_GT(Blue(fill), Red(fill) + 40);
    }
    EXPECT_EQ(Alpha(canvas.Pixel(0, 0)), 0) << "cells have a transparent margin";
  }
}

TEST(DrawImage, NineSliceKeepsCornersAndStretchesTheRest) {
  // 3x3 blocks of 10x10 pixels, each its own colour.
  BitmapPtr image;
  gdip::GdipCreateBitmapFromScan0(30, 30, 0, kPixelFormat32bppArgb, nullptr, image.Put());
  const ARGB colours[3][3] = {{0xFF100000, 0xFF200000, 0xFF300000},
                              {0xFF001000, 0xFF002000, 0xFF003000},
                              {0xFF000010, 0xFF000020, 0xFF000030}};
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 30; ++x) gdip::GdipBitmapSetPixel(image.Get(), x, y, colours[y / 10][x / 10]);

  Canvas canvas(100, 60);
  ASSERT_TRUE(DrawImageNineSlice(canvas.graphics.Get(), image.Get(), make_rectf(0, 0, 100, 60), {10, 10, 10, 10}));
  struct { int x, y, row, column; } probes[] = {
      {0, 0, 0, 0}, {9, 9, 0, 0}, {10, 5, 0, 1}, {89, 5, 0, 1}, {90, 5, 0, 2}, {99, 0, 0, 2},
      {5, 30, 1, 0}, {50, 30, 1, 1}, {95, 49, 1, 2}, {5, 50, 2, 0}, {50, 59, 2, 1}, {99, 59, 2, 2},
  };
  for (const auto& p : probes) EXPECT_EQ(canvas.Pixel(p.x, p.y), colours[p.row][p.column]) << p.x << "," << p.y;
}

TEST(DrawImage, NineSliceOfAPieceStaysInsideThatPiece) {
  // Glow-button skin: the pressed piece (x 28, 13x28) stretched to a tab of 90x25.
  Image skin = load_image(resources::GlowButtonSkin());
  ASSERT_TRUE(skin);
  Canvas pressed(90, 25), normal(90, 25);
  const RectF pressedPiece(28, 0, 13, 28), normalPiece(0, 0, 13, 28);
  ASSERT_TRUE(DrawImageNineSlice(pressed.graphics.Get(), skin.Get(), make_rectf(0, 0, 90, 25), {5, 5, 3, 15}, &pressedPiece));
  ASSERT_TRUE(DrawImageNineSlice(normal.graphics.Get(), skin.Get(), make_rectf(0, 0, 90, 25), {5, 5, 3, 15}, &normalPiece));
  // The middle is filled (no seams) and the pressed look is darker than the normal one.
  for (int x = 4; x < 86; x += 9) {
    EXPECT_EQ(Alpha(pressed.Pixel(x, 12)), 255) << x;
    EXPECT_LT(Red(pressed.Pixel(x, 16)), Red(normal.Pixel(x, 16))) << x;
  }
  // Tabs of each width as a button draws them, at 100 % and through a display scale: the pieces
  // meet without a clear seam, whether an edge falls inside a device pixel or stretching puts
  // a piece's first pixel on its very edge.
  for (const float scale : {1.0f, 1.25f, 1.5f, 1.75f, 2.0f}) {
    for (const float width : {90.0f, 70.0f, 80.0f}) {
      const int pixelsWide = static_cast<int>(std::lround(width * scale));
      const int pixelsHigh = static_cast<int>(std::lround(25 * scale));
      Canvas scaled(pixelsWide, pixelsHigh);
      gdip::GdipSetPixelOffsetMode(scaled.graphics.Get(), Gdiplus::PixelOffsetModeDefault);
      gdip::GdipSetInterpolationMode(scaled.graphics.Get(), scale == 1 ? Gdiplus::InterpolationModeBilinear
                                                                        : Gdiplus::InterpolationModeHighQualityBicubic);
      gdip::GdipScaleWorldTransform(scaled.graphics.Get(), scale, scale, Gdiplus::MatrixOrderPrepend);
      ASSERT_TRUE(DrawImageNineSlice(scaled.graphics.Get(), skin.Get(), make_rectf(0, 0, width, 25), {5, 5, 3, 15},
                                     &normalPiece));
      // Inside the skin's own soft border, which is 3 pixels wide.
      const int inset = static_cast<int>(std::ceil(3 * scale));
      int seams = 0;
      for (int x = inset; x < pixelsWide - inset; ++x) seams += Alpha(scaled.Pixel(x, pixelsHigh / 2)) != 255;
      for (int y = inset; y < pixelsHigh - inset; ++y) seams += Alpha(scaled.Pixel(pixelsWide / 2, y)) != 255;
      EXPECT_EQ(seams, 0) << width << " wide at " << scale;
    }
  }
}

}  // namespace

namespace {

// The pixels of a bitmap, row by row.
std::vector<std::uint32_t> PixelsOf(GpImage* image) {
  LockedPixels pixels(image, Gdiplus::ImageLockModeRead);
  std::vector<std::uint32_t> out;
  for (int y = 0; pixels.IsValid() && y < pixels.Height(); ++y) out.insert(out.end(), pixels.Row(y), pixels.Row(y) + pixels.Width());
  return out;
}

}  // namespace

TEST(StretchedCopy, EachPixelIsTheAverageOfTheAreaItCovers) {
  constexpr std::uint32_t B = 0xFF000000, W = 0xFFFFFFFF, R = 0xFFFF0000, G = 0xFF00FF00;
  struct Case {
    const char* name;
    int width, height;
    std::vector<std::uint32_t> source;
    int toWidth, toHeight;
    std::vector<std::uint32_t> expected;
  } cases[] = {
      {"halved across", 4, 1, {B, W, B, W}, 2, 1, {0xFF808080, 0xFF808080}},
      {"halved down", 1, 4, {R, R, G, G}, 1, 2, {R, G}},
      {"doubled", 2, 1, {R, G}, 4, 1, {R, R, G, G}},
      {"one of three", 3, 1, {R, G, 0xFF0000FF}, 1, 1, {0xFF555555}},
      {"same size", 2, 2, {R, G, B, W}, 2, 2, {R, G, B, W}},
      {"two thirds across", 3, 1, {B, W, W}, 2, 1, {0xFF555555, W}},
      {"alpha made opaque", 2, 1, {0x00102030, 0x80102030}, 1, 1, {0xFF102030}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BitmapPtr source = BitmapFromPixels(c.source.data(), c.width, c.height);
    ASSERT_TRUE(source);
    BitmapPtr copy = StretchedCopy(source.Get(), c.toWidth, c.toHeight);
    ASSERT_TRUE(copy);
    const std::vector<std::uint32_t> got = PixelsOf(copy.Get());
    ASSERT_EQ(got.size(), c.expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
      // Averages are rounded to the nearest step, give or take one.
      for (int shift : {0, 8, 16, 24}) {
        EXPECT_NEAR(static_cast<int>((got[i] >> shift) & 0xFF), static_cast<int>((c.expected[i] >> shift) & 0xFF), 1)
            << "pixel " << i << std::hex << " got " << got[i] << " expected " << c.expected[i];
      }
    }
  }
}

TEST(StretchedCopy, ASkinKeepsItsColoursAndEdges) {
  // A 960 x 600 skin (the window background's size), red on the left half and blue on the right,
  // shown at 600 x 505: one colour stays one colour, and the edge blends in one column.
  std::vector<std::uint32_t> skin(960 * 600);
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 960; ++x) skin[static_cast<size_t>(y) * 960 + x] = x < 480 ? 0xFFFF0000 : 0xFF0000FF;
  BitmapPtr source = BitmapFromPixels(skin.data(), 960, 600);
  BitmapPtr copy = StretchedCopy(source.Get(), 600, 505);
  ASSERT_TRUE(copy);
  const std::vector<std::uint32_t> out = PixelsOf(copy.Get());
  ASSERT_EQ(out.size(), 600u * 505u);
  for (int y : {0, 250, 504}) {
    const std::uint32_t* row = out.data() + static_cast<size_t>(y) * 600;
    EXPECT_EQ(row[0], 0xFFFF0000u);
    EXPECT_EQ(row[299], 0xFFFF0000u);
    EXPECT_EQ(row[300], 0xFF0000FFu);
    EXPECT_EQ(row[599], 0xFF0000FFu);
  }
  EXPECT_FALSE(StretchedCopy(source.Get(), 0, 10));
  EXPECT_FALSE(StretchedCopy(nullptr, 10, 10));
}
