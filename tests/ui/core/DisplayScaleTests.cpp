// Logical and device pixels: the scale arithmetic, and a host whose window changes its DPI
// (sizes, buffers, surfaces, mouse points, accessibility rectangles).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "support/ToolkitTesting.h"
#include "ui/core/DisplayScale.h"
#include "ui/gfx/GdiPlus.h"
#include "ui/gfx/Pixels.h"
#include "ui/gfx/RectArithmetic.h"

#include <oleacc.h>
#include <windowsx.h>

using namespace toolkit_testing;
using Gdiplus::RectF;

namespace {

TEST(DisplayScale, LengthsAndPointsRoundTheWayTheirUseNeeds) {
  struct Case {
    int value, dpi, device, logicalPoint, logicalLength;
  } cases[] = {
      {610, 96, 610, 610, 610},  // 96 DPI changes nothing
      {-7, 96, -7, -7, -7},
      {610, 144, 915, 406, 407},
      {515, 144, 773, 343, 343},  // 772.5 rounds up
      {515, 192, 1030, 257, 258},
      {1, 144, 2, 0, 1},        // one logical pixel is never lost
      {-5, 144, -7, -4, -3},    // -7.5 rounds up too; -5 belongs to logical -4
      {300, 120, 375, 240, 240},
      {7, 0, 7, 7, 7},          // a failed query counts as 96
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ui::ToDevice(c.value, c.dpi), c.device) << c.value << " at " << c.dpi;
    EXPECT_EQ(ui::ToLogical(c.value, c.dpi), c.logicalPoint) << c.value << " at " << c.dpi;
    EXPECT_EQ(ui::LengthToLogical(c.value, c.dpi), c.logicalLength) << c.value << " at " << c.dpi;
  }
  // Every device pixel of a logical pixel maps back to it.
  for (int dpi : {120, 144, 168, 192, 288}) {
    for (int logical = -20; logical < 40; ++logical) {
      const int first = ui::ToDevice(logical, dpi), next = ui::ToDevice(logical + 1, dpi);
      for (int device = first; device < next; ++device) {
        EXPECT_EQ(ui::ToLogical(device, dpi), logical) << device << " at " << dpi;
      }
    }
  }
}

TEST(DisplayScale, RectanglesRoundTheirEdgesAsPointsRound) {
  struct Case {
    RectF logical;
    int dpi;
    RECT device;
  } cases[] = {
      {RectF(55, 35, 400, 24), 96, RECT{55, 35, 455, 59}},
      {RectF(55, 35, 400, 24), 144, RECT{83, 53, 683, 89}},   // 82.5 and 52.5 round up, as ToDevice
      {RectF(14, 85, 581, 400), 192, RECT{28, 170, 1190, 970}},
      {RectF(3, 3, 1, 1), 120, RECT{4, 4, 5, 5}},             // 3.75 and 5
      {RectF(0.5f, 0.5f, 1, 1), 96, RECT{1, 1, 2, 2}},
      {RectF(0.1f, 0.2f, 0.1f, 0.1f), 960, RECT{1, 2, 2, 3}},  // float edges do not move a pixel
      {RectF(36.666668f, 0, 1, 1), 144, RECT{55, 0, 57, 2}},   // a device edge read back stays put
      {RectF(36.66666f, 0, 1, 1), 144, RECT{55, 0, 57, 2}},
  };
  for (const auto& c : cases) {
    const RECT r = ui::RectToDevice(c.logical, c.dpi);
    EXPECT_EQ(std::vector<LONG>({r.left, r.top, r.right, r.bottom}),
              std::vector<LONG>({c.device.left, c.device.top, c.device.right, c.device.bottom}))
        << c.logical.X << "," << c.logical.Y << " at " << c.dpi;
    // Snapped, a rectangle lies on the edges of those device pixels and covers the same ones.
    const RectF snapped = ui::SnapToDevice(c.logical, c.dpi);
    const double s = c.dpi / 96.0;
    EXPECT_NEAR(snapped.X * s, r.left, 1e-3);
    EXPECT_NEAR((snapped.Y + snapped.Height) * s, r.bottom, 1e-3);
    const RECT again = ui::RectToDevice(snapped, c.dpi);
    EXPECT_EQ(std::vector<LONG>({again.left, again.top, again.right, again.bottom}),
              std::vector<LONG>({r.left, r.top, r.right, r.bottom}));
  }
  // Whole logical rectangles take the device pixels of their corner points: neighbours share
  // no device pixel and leave none out.
  for (int dpi : {120, 144, 168, 192}) {
    for (int x = 0; x < 30; ++x) {
      const RECT left = ui::RectToDevice(RectF(0, 0, static_cast<float>(x), 1), dpi);
      const RECT right = ui::RectToDevice(RectF(static_cast<float>(x), 0, 7, 1), dpi);
      EXPECT_EQ(left.right, ui::ToDevice(x, dpi)) << x << " at " << dpi;
      EXPECT_EQ(right.left, left.right) << x << " at " << dpi;
    }
  }
  const RECT corners = ui::RectToDevice(RECT{660, 240, 1270, 755}, 144);
  EXPECT_EQ(std::vector<LONG>({corners.left, corners.top, corners.right, corners.bottom}),
            std::vector<LONG>({990, 360, 1905, 1133}));
  const RECT back = ui::RectToLogical(RECT{990, 360, 1905, 1133}, 144);
  EXPECT_EQ(std::vector<LONG>({back.left, back.top, back.right, back.bottom}),
            std::vector<LONG>({660, 240, 1270, 755}));
}

TEST(DisplayScale, SurfacesMapOneToOneOntoDevicePixels) {
  struct Case {
    RectF bounds;
    int dpi;
    SIZE pixels;
    float x, y;
  } cases[] = {
      {RectF(460, 36, 60, 23), 96, SIZE{60, 23}, 460, 36},
      {RectF(10, 10, 0.5f, 99.9f), 96, SIZE{1, 99}, 10, 10},  // truncated at 96, at least 1
      {RectF(460, 36, 60, 23), 144, SIZE{90, 35}, 460, 36},    // 54..89 (88.5 rounds up)
      {RectF(461, 37, 60, 23), 144, SIZE{90, 34}, 461.3333f, 37.3333f},  // 56..90: not 34.5 rounded
      {RectF(55, 35, 400, 25), 144, SIZE{600, 37}, 55.3333f, 35.3333f},  // origin on a whole pixel
      {RectF(75, 60, 90, 25), 192, SIZE{180, 50}, 75, 60},
      {RectF(3, 3, 1, 1), 120, SIZE{1, 1}, 3.2f, 3.2f},        // 3.75..5
  };
  for (const auto& c : cases) {
    const SIZE pixels = ui::SurfaceSize(c.bounds, c.dpi);
    EXPECT_EQ(std::make_pair(pixels.cx, pixels.cy), std::make_pair(c.pixels.cx, c.pixels.cy)) << c.dpi;
    const RectF at = ui::SnappedSurfaceRect(c.bounds, pixels, c.dpi);
    EXPECT_NEAR(at.X, c.x, 1e-3) << c.dpi;
    EXPECT_NEAR(at.Y, c.y, 1e-3) << c.dpi;
    if (c.dpi == 96) continue;  // at 96 DPI the bounds are used as they are
    // The surface fills exactly the device pixels its bounds cover.
    const double s = c.dpi / 96.0;
    const RECT covered = ui::RectToDevice(c.bounds, c.dpi);
    EXPECT_NEAR(at.X * s, covered.left, 1e-3);
    EXPECT_NEAR((at.X + at.Width) * s, covered.right, 1e-3);
    EXPECT_NEAR((at.Y + at.Height) * s, covered.bottom, 1e-3);
    EXPECT_NEAR(at.Width * s, pixels.cx, 1e-3);
    EXPECT_NEAR(at.Height * s, pixels.cy, 1e-3);
  }
}

TEST(DisplayScale, AreasJoinAndMeetWithoutLosingAPartPixel) {
  // Repaint areas at a scale that is not whole have edges inside logical pixels (a row band of
  // 211..266 device pixels at 120 DPI is 168.8..212.8): they must keep them.
  struct Case {
    RectF a, b;
    bool meet;
    RectF common, joined;
  } cases[] = {
      {RectF(16.8f, 168.8f, 566.4f, 44), RectF(14, 85, 581, 400), true, RectF(16.8f, 168.8f, 566.4f, 44),
       RectF(14, 85, 581, 400)},
      {RectF(0.5f, 0.5f, 2, 2), RectF(1.25f, 1.75f, 3, 3), true, RectF(1.25f, 1.75f, 1.25f, 0.75f),
       RectF(0.5f, 0.5f, 3.75f, 4.25f)},
      {RectF(-2.5f, -1.5f, 2, 2), RectF(-1.25f, -0.75f, 4, 4), true, RectF(-1.25f, -0.75f, 0.75f, 1.25f),
       RectF(-2.5f, -1.5f, 5.25f, 4.75f)},
      {RectF(0, 0, 2.4f, 2), RectF(2.4f, 0, 1, 2), false, RectF(2.4f, 0, 0, 2), RectF(0, 0, 3.4f, 2)},  // touching
      {RectF(0, 0, 1, 1), RectF(5.5f, 5.5f, 1, 1), false, RectF(5.5f, 5.5f, 0, 0), RectF(0, 0, 6.5f, 6.5f)},
  };
  for (const auto& c : cases) {
    RectF common;
    EXPECT_EQ(gfx::IntersectRects(common, c.a, c.b), c.meet) << c.a.X << "," << c.a.Y;
    EXPECT_EQ(std::vector<float>({common.X, common.Y, common.Width, common.Height}),
              std::vector<float>({c.common.X, c.common.Y, c.common.Width, c.common.Height}))
        << c.a.X << "," << c.a.Y;
    const RectF joined = gfx::UnionRects(c.a, c.b);
    EXPECT_EQ(std::vector<float>({joined.X, joined.Y, joined.Width, joined.Height}),
              std::vector<float>({c.joined.X, c.joined.Y, c.joined.Width, c.joined.Height}))
        << c.a.X << "," << c.a.Y;
  }
}

TEST(DisplayScale, ClipsTakeExactlyTheDevicePixelsGiven) {
  StartToolkit();
  namespace gdip = Gdiplus::DllExports;
  for (int dpi : {96, 120, 144, 168, 192}) {
    for (const RECT& clip : {RECT{3, 5, 17, 11}, RECT{1, 1, 2, 2}, RECT{0, 7, 40, 8}, RECT{9, 9, 9, 20}}) {
      gfx::BitmapPtr bitmap;
      gfx::GraphicsPtr graphics;
      ASSERT_EQ(gdip::GdipCreateBitmapFromScan0(40, 40, 0, PixelFormat32bppARGB, nullptr, bitmap.Put()), Gdiplus::Ok);
      ASSERT_EQ(gdip::GdipGetImageGraphicsContext(bitmap.Get(), graphics.Put()), Gdiplus::Ok);
      ui::ScaleGraphics(graphics.Get(), dpi);
      ui::ClipToDevice(graphics.Get(), clip, dpi);
      gfx::BrushPtr brush;
      ASSERT_EQ(gdip::GdipCreateSolidFill(0xFF102030, reinterpret_cast<Gdiplus::GpSolidFill**>(brush.Put())), Gdiplus::Ok);
      gdip::GdipFillRectangle(graphics.Get(), brush.Get(), -1, -1, 50, 50);
      // The scale is kept: a logical pixel drawn afterwards, unclipped, covers its device pixels.
      gdip::GdipResetClip(graphics.Get());
      gdip::GdipSetSmoothingMode(graphics.Get(), Gdiplus::SmoothingModeNone);
      gdip::GdipFillRectangle(graphics.Get(), brush.Get(), 24, 24, 4, 4);
      gfx::BitmapPixels pixels(bitmap.Get(), graphics.Get());
      const gfx::PixelArea area = pixels.Area();
      ASSERT_TRUE(area);
      const RECT scaled = ui::RectToDevice(RECT{24, 24, 28, 28}, dpi);
      int wrong = 0;
      for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 40; ++x) {
          const POINT p{x, y};
          const bool inside = PtInRect(&clip, p) || PtInRect(&scaled, p);
          wrong += inside != (area.bits[y * area.stride + x] == 0xFF102030);
        }
      }
      EXPECT_EQ(wrong, 0) << clip.left << "," << clip.top << " at " << dpi;
    }
  }
}

// A window moved to a monitor of another scale: the host takes the suggested rectangle and
// everything in it keeps its logical place.
class ScaledHost : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(hosted.attached, 1);
    ASSERT_EQ(hosted.host->Dpi(), ui::SystemDpi());
    ASSERT_EQ(button.CreateAt(hosted.window, 100, 50, 60, 23), &button);
  }
  void ChangeDpi(int dpi, RECT suggested) {
    hosted.Send(0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
  }
  HostedWindow hosted{HostedWindow::NoFrame(), 300, 200};
  RecordingControl button;
};

TEST_F(ScaledHost, TakesTheSuggestedRectangleAndKeepsTheLayout) {
  ChangeDpi(144, RECT{50, 50, 500, 350});
  WindowHost& host = *hosted.host;
  EXPECT_EQ(host.Dpi(), 144);
  RECT outer{};
  GetWindowRect(hosted.window, &outer);
  EXPECT_EQ(std::make_pair(outer.right - outer.left, outer.bottom - outer.top), std::make_pair(450L, 300L));
  EXPECT_EQ(std::make_pair(host.DeviceSize().width, host.DeviceSize().height), std::make_pair(450, 300));
  EXPECT_EQ(std::make_pair(host.Size().width, host.Size().height), std::make_pair(300, 200));
  EXPECT_EQ(std::make_pair(host.Painting().BackBuffer().Width(), host.Painting().BackBuffer().Height()), std::make_pair(450, 300));
  // The control keeps its bounds; its surface holds device pixels.
  EXPECT_FLOAT_EQ(button.BoundsRef().X, 100);
  UINT width = 0, height = 0;
  Gdiplus::DllExports::GdipGetImageWidth(button.Surface(), &width);
  Gdiplus::DllExports::GdipGetImageHeight(button.Surface(), &height);
  EXPECT_EQ(std::make_pair(width, height), std::make_pair(90u, 35u));
  // Composed onto the device pixels the control covers (150..239, 75..109).
  hosted.Show();
  button.SetColour(0xFF00FF00);
  EXPECT_EQ(host.Painting().BackBuffer().Pixel(151, 76) & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(host.Painting().BackBuffer().Pixel(238, 108) & 0xFFFFFF, 0x00FF00u);
  EXPECT_NE(host.Painting().BackBuffer().Pixel(241, 76) & 0xFFFFFF, 0x00FF00u);
  EXPECT_NE(host.Painting().BackBuffer().Pixel(151, 111) & 0xFFFFFF, 0x00FF00u);
}

TEST_F(ScaledHost, MaximisedAndTrackingSizesAreDevicePixels) {
  ChangeDpi(144, RECT{50, 50, 500, 350});
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  MINMAXINFO info{};
  hosted.Send(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  // The drawn frame's 7-pixel margin lies outside the work area: 10.5 rounds to 11.
  EXPECT_EQ(std::make_pair(info.ptMaxPosition.x, info.ptMaxPosition.y), std::make_pair(work.left - 11, work.top - 11));
  EXPECT_EQ(std::make_pair(info.ptMaxSize.x, info.ptMaxSize.y), std::make_pair(work.right + 22, work.bottom + 22));
  EXPECT_EQ(std::make_pair(info.ptMinTrackSize.x, info.ptMinTrackSize.y), std::make_pair(32L, 30L));  // 21, 20
}

TEST_F(ScaledHost, MousePointsArriveInLogicalPixels) {
  ChangeDpi(192, RECT{50, 50, 650, 450});
  struct Case {
    int x, y;
    bool onButton;
  } cases[] = {
      {200, 100, true},    // (100, 50): the button's corner
      {319, 145, true},    // (159.5, 72.5)
      {320, 100, false},   // (160, 50): right of it
      {199, 100, false},   // (99.5, 50): left of it
      {100, 50, false},    // its logical place, which on this screen is elsewhere
  };
  for (const auto& c : cases) {
    button.received.clear();
    hosted.Send(WM_MOUSEMOVE, 0, MAKELPARAM(c.x, c.y));
    EXPECT_EQ(hosted.host->Input().Hovered() == &button, c.onButton) << c.x << "," << c.y;
    if (c.onButton) {
      auto move = std::find_if(button.received.begin(), button.received.end(),
                               [](const Received& r) { return r.message == WM_MOUSEMOVE; });
      ASSERT_NE(move, button.received.end());
      EXPECT_EQ(GET_X_LPARAM(move->lParam), c.x / 2) << c.x;
      EXPECT_EQ(GET_Y_LPARAM(move->lParam), c.y / 2) << c.y;
    }
  }
  // A double click reaches the control as a marked press at its logical point, scaled once.
  button.received.clear();
  hosted.Send(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(300, 120));
  hosted.Send(WM_LBUTTONUP, 0, MAKELPARAM(300, 120));
  auto press = std::find_if(button.received.begin(), button.received.end(),
                            [](const Received& r) { return r.message == WM_LBUTTONDOWN; });
  ASSERT_NE(press, button.received.end());
  EXPECT_EQ(press->wParam, static_cast<WPARAM>(TKM_DBLCLICK_MARK));
  EXPECT_EQ(std::make_pair(GET_X_LPARAM(press->lParam), GET_Y_LPARAM(press->lParam)), std::make_pair(150, 60));
}

TEST_F(ScaledHost, AccessibleRectanglesAreDevicePixels) {
  ChangeDpi(144, RECT{50, 50, 500, 350});
  hosted.Show();
  IAccessible* client = nullptr;
  ASSERT_EQ(AccessibleObjectFromWindow(hosted.window, OBJID_CLIENT, IID_IAccessible,
                                       reinterpret_cast<void**>(&client)),
            S_OK);
  VARIANT child;
  child.vt = VT_I4;
  child.lVal = 1;
  long left = 0, top = 0, width = 0, height = 0;
  EXPECT_EQ(client->accLocation(&left, &top, &width, &height, child), S_OK);
  EXPECT_EQ(std::vector<long>({left, top, width, height}), std::vector<long>({50 + 150, 50 + 75, 90, 35}));
  // Screen points: on the button where it is drawn, not where its logical place would be.
  VARIANT hit;
  EXPECT_EQ(client->accHitTest(50 + 200, 50 + 100, &hit), S_OK);
  EXPECT_EQ(hit.vt, VT_DISPATCH);
  VariantClear(&hit);
  EXPECT_EQ(client->accHitTest(50 + 110, 50 + 60, &hit), S_OK);
  EXPECT_EQ(std::make_pair(static_cast<int>(hit.vt), hit.lVal), std::make_pair(static_cast<int>(VT_I4), 0L));
  VariantClear(&hit);
  client->Release();
}

// A fade that starts where the control's whole clip rounds a device pixel past its surface
// (171..241 at 120 DPI covers 214..301, 70 wide rounds to 88): it starts from what was there, and
// a control that composes itself as it is during a fade shows its new look at once, not at the
// fade's first tick.
TEST_F(ScaledHost, AFadeStartsFromWhatWasThereAndShowsAtOnce) {
  ChangeDpi(120, RECT{50, 50, 425, 300});
  RecordingControl fading(0xFF204060);
  ASSERT_EQ(fading.CreateAt(hosted.window, 171, 60, 70, 25), &fading);
  fading.Paint();
  const POINT centre{ui::ToDevice(206, 120), ui::ToDevice(72, 120)};
  EXPECT_EQ(GetPixel(hosted.host->Painting().BackBuffer().Dc(), centre.x, centre.y), RGB(0x20, 0x40, 0x60));

  fading.TransitionFrames(4, 60);
  fading.startTransition = true;
  fading.SetColour(0xFF608020);
  EXPECT_NE(fading.Snapshot(), nullptr);
  EXPECT_EQ(GetPixel(hosted.host->Painting().BackBuffer().Dc(), centre.x, centre.y), RGB(0x20, 0x40, 0x60));

  fading.answer = 1;  // composes its surface as it is while it fades
  fading.SetColour(0xFFA0C0E0);
  EXPECT_EQ(GetPixel(hosted.host->Painting().BackBuffer().Dc(), centre.x, centre.y), RGB(0xA0, 0xC0, 0xE0));
}

}  // namespace
