#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/HostedControls.h"
#include "ui/controls/ScrollBar.h"

using namespace controls_testing;

namespace {

TEST(ScrollGeometry, LayoutOfBothOrientations) {
  const ScrollGeometry h = ScrollGeometry::Layout(kScrollHorizontal, 200, 10);
  EXPECT_EQ(h.firstArrow.X, 0);
  EXPECT_EQ(h.firstArrow.Width, 9);
  EXPECT_EQ(h.firstArrow.Height, 10);
  EXPECT_EQ(h.secondArrow.X, 191);
  EXPECT_EQ(h.track.X, 10);
  EXPECT_EQ(h.track.Y, 1);
  EXPECT_EQ(h.track.Width, 180);
  EXPECT_EQ(h.track.Height, 8);
  EXPECT_EQ(h.trackStart, 10);
  EXPECT_EQ(h.trackLength, 180);

  const ScrollGeometry v = ScrollGeometry::Layout(kScrollVertical, 10, 300);
  EXPECT_EQ(v.firstArrow.Width, 10);
  EXPECT_EQ(v.firstArrow.Height, 9);
  EXPECT_EQ(v.secondArrow.Y, 291);
  EXPECT_EQ(v.track.X, 1);
  EXPECT_EQ(v.track.Y, 10);
  EXPECT_EQ(v.track.Width, 8);
  EXPECT_EQ(v.track.Height, 280);
  EXPECT_EQ(v.trackLength, 280);
}

TEST(ScrollGeometry, ThumbLengthIsProportionalButNeverBelowThirty) {
  struct Case {
    int trackLength, maximum, expected;
  } cases[] = {
      {180, 100, 115}, {400, 400, 200}, {380, 20, 361}, {180, 2000, 30}, {180, 100000, 30},
      {180, 0, 0},     {180, -5, 0},    {0, 100, 0},    {29, 1, 30},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ScrollGeometry::ThumbLength(c.trackLength, c.maximum), c.expected) << c.trackLength << "/" << c.maximum;
  }
}

ScrollGeometry Bar(int width, int maximum) {
  ScrollGeometry g = ScrollGeometry::Layout(kScrollHorizontal, static_cast<float>(width), 10);
  g.thumbLength = ScrollGeometry::ThumbLength(g.trackLength, maximum);
  return g;
}

TEST(ScrollGeometry, ValueAndThumbMapExactlyAtTheEnds) {
  struct Case {
    int width, minimum, maximum;
  } cases[] = {{200, 0, 100}, {200, 0, 5000}, {581, 0, 1234}, {300, -50, 50}, {200, 10, 11}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " " << c.minimum << ".." << c.maximum);
    const ScrollGeometry g = Bar(c.width, c.maximum);
    const int travel = g.trackLength - g.thumbLength;
    EXPECT_EQ(g.ThumbStart(c.minimum, c.minimum, c.maximum), g.trackStart);
    EXPECT_EQ(g.ThumbStart(c.maximum, c.minimum, c.maximum), g.trackStart + travel) << "thumb ends at the track end";
    EXPECT_EQ(g.ValueFromPoint(g.trackStart, c.minimum, c.maximum), c.minimum);
    EXPECT_EQ(g.ValueFromPoint(g.trackStart - 50, c.minimum, c.maximum), c.minimum);
    EXPECT_EQ(g.ValueFromPoint(g.trackStart + travel, c.minimum, c.maximum), c.maximum);
    EXPECT_EQ(g.ValueFromPoint(g.trackStart + travel + 50, c.minimum, c.maximum), c.maximum);
    // Monotonic in between, and a thumb start maps back to no more than its value.
    int previous = c.minimum;
    for (int p = g.trackStart; p <= g.trackStart + travel; ++p) {
      const int value = g.ValueFromPoint(p, c.minimum, c.maximum);
      ASSERT_GE(value, previous) << p;
      previous = value;
    }
    for (int v = c.minimum; v <= c.maximum; v += std::max(1, (c.maximum - c.minimum) / 50)) {
      EXPECT_LE(g.ValueFromPoint(g.ThumbStart(v, c.minimum, c.maximum), c.minimum, c.maximum), v);
    }
  }
}

TEST(ScrollGeometry, MiddleValuesAndParts) {
  const ScrollGeometry g = Bar(200, 100);  // thumb 115, travel 65
  EXPECT_EQ(g.ThumbStart(50, 0, 100), 10 + 32);
  EXPECT_EQ(g.ValueFromPoint(42, 0, 100), 49);
  EXPECT_EQ(g.PartAt(3, 5, 0, 0, 100), kScrollPartFirstArrow);
  EXPECT_EQ(g.PartAt(195, 5, 0, 0, 100), kScrollPartSecondArrow);
  EXPECT_EQ(g.PartAt(20, 5, 0, 0, 100), kScrollPartThumb);
  EXPECT_EQ(g.PartAt(150, 5, 0, 0, 100), kScrollPartTrack);
  EXPECT_EQ(g.PartAt(150, 5, 100, 0, 100), kScrollPartThumb);
  EXPECT_EQ(g.PartAt(20, 5, 100, 0, 100), kScrollPartTrack);
  const ScrollGeometry none = Bar(200, 0);
  EXPECT_EQ(none.thumbLength, 0);
  EXPECT_EQ(none.PartAt(20, 5, 0, 0, 0), kScrollPartTrack);
}

// Changes the bar reported, as (first argument, position).
struct Change {
  LPARAM first;
  LPARAM second;
  LPARAM third;
};
std::vector<Change> gChanges;
LRESULT RecordChange(LPARAM a, LPARAM b, LPARAM c, LPARAM, LPARAM) {
  gChanges.push_back({a, b, c});
  return 0;
}
std::vector<LPARAM> Positions() {
  std::vector<LPARAM> out;
  for (const Change& c : gChanges) out.push_back(c.second);
  return out;
}

class ScrollBarControl : public testing::Test {
 protected:
  void SetUp() override {
    gChanges.clear();
    ASSERT_EQ(hosted.attached, 1);
  }
  // A horizontal bar 200x10 at (20, 40) of the window.
  void Make(ScrollBarOptions options = {}) {
    ASSERT_NE(bar.Create(hosted.window, 20, 40, 200, 10, options), nullptr);
    bar.SetOnChange(RecordChange);
  }
  void Press(int x, int y) { hosted.Send(WM_LBUTTONDOWN, MK_LBUTTON, 20 + x, 40 + y); }
  void Move(int x, int y) { hosted.Send(WM_MOUSEMOVE, MK_LBUTTON, 20 + x, 40 + y); }
  void Release(int x, int y) { hosted.Send(WM_LBUTTONUP, 0, 20 + x, 40 + y); }

  HostedWindow hosted{HostedWindow::Frame(0)};
  ScrollBar bar;
};

// Records the threads the bar is laid out and drawn on.
class ProbeBar : public ScrollBar {
 public:
  void ComputeThumb() override {
    threads.insert(GetCurrentThreadId());
    ScrollBar::ComputeThumb();
  }
  void PaintBar(int mode, float x, float y) override {
    threads.insert(GetCurrentThreadId());
    ++paints;
    ScrollBar::PaintBar(mode, x, y);
  }
  std::set<DWORD> threads;
  int paints = 0;
};

TEST(ScrollBarPaints, OnlyAChangedRangeOrPositionIsDrawnAgain) {
  HostedWindow hosted{HostedWindow::Frame(0)};
  hosted.Show();
  ProbeBar bar;
  ASSERT_NE(bar.Create(hosted.window, 20, 40, 200, 10, ScrollBarOptions{}), nullptr);
  bar.Maximum(500);
  bar.Position(40);
  Pump();
  const int paints = bar.paints;
  bar.Maximum(500);
  bar.Minimum(bar.Minimum());
  bar.Position(40);
  bar.PageStep(bar.PageStep());
  Pump();
  EXPECT_EQ(bar.paints, paints) << "nothing changed: nothing drawn";
  bar.Maximum(600);
  Pump();
  EXPECT_GT(bar.paints, paints) << "a new range moves the thumb";
}

TEST(ScrollBarThreads, SettersFromAWorkerRunOnTheUiThread) {
  HostedWindow hosted{HostedWindow::Frame(0)};
  hosted.Show();
  ProbeBar bar;
  ASSERT_NE(bar.Create(hosted.window, 20, 40, 200, 10, ScrollBarOptions{}), nullptr);
  Pump();
  std::atomic<bool> done{false};
  std::thread worker([&] {
    for (int i = 1; i <= 50; ++i) {
      bar.Maximum(1000 + i);
      bar.Minimum(i % 3);
      bar.Position(10 * i);
      bar.PageStep(i);
    }
    done = true;
  });
  EXPECT_TRUE(PumpUntil([&] { return done.load(); }, 20000));
  worker.join();
  Pump();
  EXPECT_EQ(bar.Maximum(), 1050);
  EXPECT_EQ(bar.Minimum(), 50 % 3);
  EXPECT_EQ(bar.Position(), 500);
  EXPECT_EQ(bar.PageStep(), 50);
  EXPECT_EQ(bar.threads, std::set<DWORD>{GetCurrentThreadId()}) << "laid out and drawn only on the UI thread";
}

TEST_F(ScrollBarControl, CreateDefaultsAndClampingSetters) {
  Make();
  EXPECT_EQ(bar.Type(), 19);
  EXPECT_EQ(bar.Minimum(), 0);
  EXPECT_EQ(bar.Maximum(), 100);
  EXPECT_EQ(bar.PageStep(), 10);
  EXPECT_EQ(bar.ArrowStep(), 1);
  EXPECT_TRUE(bar.LiveTracking());
  EXPECT_TRUE(bar.CompactWhenIdle());
  EXPECT_EQ(bar.Position(), 0);
  EXPECT_EQ(bar.ThumbLength(), 115);
  EXPECT_EQ(bar.TransitionInterval(), 60);
  EXPECT_EQ(DispatchControlMessage(&bar, TKM_PRESS, 0, 0), 1);

  EXPECT_EQ(bar.Position(500), 100);
  EXPECT_EQ(bar.Position(-3), 0);
  EXPECT_EQ(bar.Position(42), 42);
  EXPECT_EQ(bar.Maximum(30), 30);
  EXPECT_EQ(bar.Position(), 30) << "a lower maximum pulls the position in";
  EXPECT_EQ(bar.ThumbLength(), 180 * 180 / 210);
  EXPECT_EQ(bar.Minimum(35), 35);
  EXPECT_EQ(bar.Position(), 35) << "a higher minimum raises the position";
  EXPECT_TRUE(gChanges.empty()) << "setters do not report";
}

TEST_F(ScrollBarControl, AccessibleValueIsThePositionInDigits) {
  Make();
  bar.Minimum(-1000000000);
  bar.Maximum(1000000000);
  for (const auto& [position, digits] : std::vector<std::pair<int, std::wstring>>{
           {0, L"0"}, {7, L"7"}, {-35, L"-35"}, {987654321, L"987654321"}, {-1000000000, L"-1000000000"}}) {
    bar.Position(position);
    EXPECT_EQ(bar.Describe().value, digits);
  }
}

TEST_F(ScrollBarControl, InitialPositionIsClampedIntoTheRange) {
  ScrollBarOptions options;
  options.position = 250;
  options.minimum = 10;
  options.maximum = 200;
  options.orientation = kScrollVertical;
  ASSERT_NE(bar.Create(hosted.window, 0, 0, 10, 300, options), nullptr);
  EXPECT_EQ(bar.Position(), 200);
  EXPECT_EQ(bar.Orientation(), kScrollVertical);
  EXPECT_EQ(bar.Geometry().trackLength, 280);
}

TEST_F(ScrollBarControl, HoldingTheSecondArrowStopsExactlyAtTheMaximum) {
  ScrollBarOptions options;
  options.position = 80;
  options.arrowStep = 7;
  Make(options);
  Press(195, 5);
  EXPECT_EQ(bar.PressedPart(), kScrollPartSecondArrow);
  EXPECT_EQ(bar.Position(), 87) << "the press itself steps";
  ASSERT_TRUE(PumpUntil([&] { return bar.Position() == 100; }));
  PumpFor(350);  // the repeat has stopped: nothing more arrives
  EXPECT_EQ(Positions(), (std::vector<LPARAM>{87, 94, 100}));
  Release(195, 5);
  EXPECT_EQ(bar.PressedPart(), kScrollPartNone);
  EXPECT_EQ(bar.Position(), 100);
}

TEST_F(ScrollBarControl, HoldingTheFirstArrowStopsExactlyAtTheMinimum) {
  ScrollBarOptions options;
  options.position = 5;
  options.arrowStep = 2;
  Make(options);
  Press(3, 5);
  ASSERT_TRUE(PumpUntil([&] { return bar.Position() == 0; }));
  PumpFor(350);
  EXPECT_EQ(Positions(), (std::vector<LPARAM>{3, 1, 0}));
  Release(3, 5);
}

TEST_F(ScrollBarControl, ReleasingTheArrowStopsTheRepeat) {
  ScrollBarOptions options;
  options.position = 10;
  Make(options);
  Press(195, 5);
  PumpFor(250);
  Release(195, 5);
  const int stopped = bar.Position();
  EXPECT_GT(stopped, 11);
  PumpFor(350);
  EXPECT_EQ(bar.Position(), stopped);
}

TEST_F(ScrollBarControl, ZeroMaximumHidesTheThumbAndTheArrowsStayAtTheMinimum) {
  ScrollBarOptions options;
  options.maximum = 0;
  Make(options);
  EXPECT_EQ(bar.ThumbLength(), 0);
  Press(195, 5);
  PumpFor(300);
  Release(195, 5);
  EXPECT_EQ(bar.Position(), 0);
  for (LPARAM position : Positions()) EXPECT_EQ(position, 0);
}

TEST_F(ScrollBarControl, DraggingTheThumbTracksLiveOrOnRelease) {
  for (bool live : {true, false}) {
    SCOPED_TRACE(live);
    gChanges.clear();
    ScrollBarOptions options;
    options.liveTracking = live;
    Make(options);
    Press(15, 5);  // thumb starts at 10: drag offset 5
    EXPECT_EQ(bar.PressedPart(), kScrollPartThumb);
    Move(15 + 32, 5);
    EXPECT_EQ(bar.Position(), 49);
    Move(15 + 500, 5);
    EXPECT_EQ(bar.Position(), 100);
    Move(15 + 500, 5);
    EXPECT_EQ(Positions(), (live ? std::vector<LPARAM>{49, 100} : std::vector<LPARAM>{}));
    Release(15 + 500, 5);
    EXPECT_EQ(Positions(), (live ? std::vector<LPARAM>{49, 100} : std::vector<LPARAM>{100}));
    bar.Destroy();
  }
}

TEST_F(ScrollBarControl, PressOnTheBareTrackPagesTowardIt) {
  ScrollBarOptions options;
  options.pageStep = 25;
  Make(options);
  Press(150, 5);
  Release(150, 5);
  EXPECT_EQ(bar.Position(), 25);
  EXPECT_EQ(Positions(), std::vector<LPARAM>{25});
}

TEST_F(ScrollBarControl, ChangeCallbackGetsTheParentFirstInsideAControl) {
  Control parent;
  ControlOptions parentOptions;
  ASSERT_NE(parent.Create(hosted.window, Gdiplus::RectF(10, 10, 300, 200), parentOptions), nullptr);
  ASSERT_NE(bar.Create(&parent, 20, 40, 200, 10), nullptr);
  bar.SetOnChange(RecordChange);
  bar.FireChange();
  ASSERT_EQ(gChanges.size(), 1u);
  EXPECT_EQ(gChanges[0].first, reinterpret_cast<LPARAM>(&parent));
  EXPECT_EQ(gChanges[0].second, reinterpret_cast<LPARAM>(&bar));
  EXPECT_EQ(gChanges[0].third, 0);

  gChanges.clear();
  ScrollBar topLevel;
  ScrollBarOptions options;
  options.position = 7;
  ASSERT_NE(topLevel.Create(hosted.window, 20, 100, 200, 10, options), nullptr);
  topLevel.SetOnChange(RecordChange);
  topLevel.FireChange();
  ASSERT_EQ(gChanges.size(), 1u);
  EXPECT_EQ(gChanges[0].first, reinterpret_cast<LPARAM>(&topLevel));
  EXPECT_EQ(gChanges[0].second, 7);
  bar.Destroy();
  parent.Destroy();
}

TEST_F(ScrollBarControl, CompactLookShowsOnlyTheThumbUntilTheMouseComes) {
  Make();
  // Mode 0, compact: arrows and the empty track are not drawn.
  EXPECT_EQ(AlphaOf(SurfacePixel(&bar, 4, 5)), 0) << "first arrow hidden";
  EXPECT_EQ(AlphaOf(SurfacePixel(&bar, 150, 5)), 0) << "track hidden";
  EXPECT_GT(AlphaOf(SurfacePixel(&bar, 40, 5)), 0) << "thumb drawn";
  const int idleThumb = AlphaOf(SurfacePixel(&bar, 40, 5));

  DispatchControlMessage(&bar, TKM_MOUSE_ENTER, 0, 0);
  EXPECT_EQ(bar.TransitionFrames(), 5) << "the looks cross-fade";
  EXPECT_GT(AlphaOf(SurfacePixel(&bar, 4, 5)), 0) << "first arrow drawn";
  EXPECT_GT(AlphaOf(SurfacePixel(&bar, 150, 5)), 0) << "track drawn";
  EXPECT_GT(AlphaOf(SurfacePixel(&bar, 40, 5)), idleThumb) << "darker thumb";

  DispatchControlMessage(&bar, TKM_MOUSE_LEAVE, 0, 0);
  EXPECT_EQ(AlphaOf(SurfacePixel(&bar, 4, 5)), 0);
  ASSERT_TRUE(PumpUntil([&] { return bar.TransitionFrames() == 0; }));

  bar.CompactWhenIdle(false);
  bar.Repaint();
  EXPECT_GT(AlphaOf(SurfacePixel(&bar, 4, 5)), 0) << "full look while idle";
}

TEST_F(ScrollBarControl, ThumbFollowsProgrammaticPositionChanges) {
  Make();
  const int before = AlphaOf(SurfacePixel(&bar, 150, 5));
  bar.Position(100);
  EXPECT_GT(AlphaOf(SurfacePixel(&bar, 150, 5)), before) << "the thumb is drawn at its new place";
  EXPECT_EQ(AlphaOf(SurfacePixel(&bar, 20, 5)), 0);
}

TEST_F(ScrollBarControl, DestroyClearsRangeThumbAndCallback) {
  ScrollBarOptions options;
  options.position = 50;
  Make(options);
  bar.Destroy();
  EXPECT_EQ(bar.Position(), 0);
  EXPECT_EQ(bar.Maximum(), 0);
  EXPECT_EQ(bar.Minimum(), 0);
  EXPECT_EQ(bar.ThumbLength(), 0);
  bar.FireChange();
  EXPECT_TRUE(gChanges.empty());
}

}  // namespace
