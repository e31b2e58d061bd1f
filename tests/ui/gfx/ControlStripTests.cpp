// The control strip's artwork must match the glyph-cell table of the title-bar buttons:
// every cell is (x, 2, width, 19), 39 wide for close and 28 for the other kinds.
#include <gtest/gtest.h>

#include "GfxTestSupport.h"
#include "resources/Resources.h"
#include "ui/gfx/Toolkit.h"

namespace {

using namespace gfxtest;

struct CellRow {
  const char* kind;
  int width;
  int x[3];  // normal, hover, pressed
};

const CellRow kCells[] = {
    {"close", 39, {0, 40, 80}},          {"maximise", 28, {120, 149, 178}}, {"restore", 28, {207, 236, 265}},
    {"minimise", 28, {294, 323, 352}},   {"0x20", 28, {381, 410, 439}},     {"0x40", 28, {468, 497, 526}},
    {"0x80", 28, {555, 584, 613}},       {"0x100", 28, {642, 671, 700}},
};

int OpaqueCount(GpImage* strip, int x0, int width) {
  int count = 0;
  for (int y = 2; y < 20; ++y)
    for (int x = x0; x < x0 + width; ++x) count += Alpha(PixelOf(strip, x, y)) > 200 ? 1 : 0;
  return count;
}

TEST(ControlStrip, IsLoadedAtStartUpAsArgbBitmap) {
  GpImage* strip = ControlStrip();
  ASSERT_NE(strip, nullptr);
  EXPECT_EQ(image_width(strip), 729u);
  EXPECT_EQ(image_height(strip), 20u);
  EXPECT_EQ(FormatOf(strip), kPixelFormat32bppArgb);
}

TEST(ControlStrip, EveryGlyphCellHoldsAGlyphAndNothingLiesOutsideTheCells) {
  GpImage* strip = ControlStrip();
  ASSERT_NE(strip, nullptr);
  std::vector<bool> inCell(729, false);
  for (const CellRow& row : kCells) {
    for (int state = 0; state < 3; ++state) {
      SCOPED_TRACE(std::string(row.kind) + " state " + std::to_string(state));
      EXPECT_GT(OpaqueCount(strip, row.x[state], row.width), 15) << "a visible glyph";
      for (int x = row.x[state]; x < row.x[state] + row.width; ++x) inCell[x] = true;
    }
    // Hover and pressed have their own backgrounds: the cell corner differs from normal.
    const ARGB normal = PixelOf(strip, row.x[0] + 3, 5);
    const ARGB hover = PixelOf(strip, row.x[1] + 3, 5);
    const ARGB pressed = PixelOf(strip, row.x[2] + 3, 5);
    EXPECT_EQ(Alpha(normal), 0) << row.kind;
    EXPECT_GT(Alpha(hover), 0) << row.kind;
    EXPECT_GT(Alpha(pressed), 0) << row.kind;
    EXPECT_NE(hover, pressed) << row.kind;
  }
  for (int x = 0; x < 729; ++x) {
    for (int y = 0; y < 20; ++y) {
      if (!inCell[x] || y < 2) {
        ASSERT_EQ(Alpha(PixelOf(strip, x, y)), 0) << "outside the cells at " << x << "," << y;
      }
    }
  }
}

TEST(ControlStrip, MaximiseAndRestoreGlyphsDiffer) {
  GpImage* strip = ControlStrip();
  ASSERT_NE(strip, nullptr);
  int differing = 0;
  for (int y = 2; y < 20; ++y)
    for (int x = 0; x < 28; ++x) differing += PixelOf(strip, 120 + x, y) != PixelOf(strip, 207 + x, y) ? 1 : 0;
  EXPECT_GT(differing, 20);
}

}  // namespace
