// The control base class on a real host window: the tree, moving, destroying, handlers,
// the paint protocol, transitions and composition.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "support/ToolkitTesting.h"

using namespace toolkit_testing;

namespace {

class Controls : public testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(hosted.attached, 1); }
  HostedWindow hosted;
};

std::vector<Control*> Chain(Control* first) {
  std::vector<Control*> out;
  for (Control* c = first; c; c = c->NextSibling()) out.push_back(c);
  return out;
}

TEST_F(Controls, CreateSetsDefaultsAndLinksInOrder) {
  RecordingControl a, b, child;
  ControlOptions options;
  options.type = 8;
  ASSERT_EQ(a.CreateAt(hosted.window, 1, 2, 30, 40, options), &a);
  ASSERT_EQ(b.CreateAt(hosted.window, 5, 5, 10, 10), &b);
  ASSERT_EQ(child.CreateAt(&a, 3, 4, 5, 6), &child);
  EXPECT_EQ(a.CreateAt(hosted.window, 9, 9, 9, 9), &a);  // again: nothing changes
  EXPECT_FLOAT_EQ(a.Left(), 1);

  EXPECT_EQ(Chain(hosted.host->FirstControl()), (std::vector<Control*>{&a, &b}));
  EXPECT_EQ(hosted.host->LastControl(), &b);
  EXPECT_EQ(Chain(a.FirstChild()), (std::vector<Control*>{&child}));
  EXPECT_EQ(child.GetParent(), &a);
  EXPECT_EQ(child.GetHostWindow(), hosted.window);
  EXPECT_EQ(a.GetHandle(), &a);
  EXPECT_EQ(a.Self(), &a);
  EXPECT_EQ(a.Type(), 8);
  EXPECT_EQ(a.Opacity(), 255);
  EXPECT_TRUE(a.IsVisible());
  EXPECT_FALSE(a.IsDisabled());
  EXPECT_TRUE(a.IsFocusable());
  EXPECT_TRUE(a.IsPresenting());
  EXPECT_EQ(a.TipText(), "");
  EXPECT_EQ(a.Host(), hosted.host.get());
  UINT w = 0, h = 0;
  Gdiplus::DllExports::GdipGetImageWidth(a.Surface(), &w);
  Gdiplus::DllExports::GdipGetImageHeight(a.Surface(), &h);
  EXPECT_EQ(w, 30u);
  EXPECT_EQ(h, 40u);
  // WM_CREATE then WM_PAINT, both with the surface and its graphics.
  ASSERT_GE(a.received.size(), 2u);
  EXPECT_EQ(a.received[0].message, static_cast<UINT>(WM_CREATE));
  EXPECT_EQ(a.received[1].message, static_cast<UINT>(WM_PAINT));
  EXPECT_EQ(a.received[1].wParam, reinterpret_cast<WPARAM>(a.Surface()));
  EXPECT_EQ(a.received[1].lParam, reinterpret_cast<LPARAM>(a.Graphics()));
}

TEST_F(Controls, CreateFailsForAForeignParentOrAnUnhostedWindow) {
  HostedWindow other;
  RecordingControl foreign, child, loose;
  ASSERT_TRUE(foreign.CreateAt(other.window, 0, 0, 10, 10));
  ControlOptions options;
  EXPECT_EQ(loose.Create(GetDesktopWindow(), Gdiplus::RectF(0, 0, 5, 5), options), nullptr);
  EXPECT_FALSE(loose.IsLive());
  // The parent is live on its own host, so this succeeds; a dead parent does not.
  RecordingControl dead;
  EXPECT_EQ(child.CreateAt(&dead, 0, 0, 5, 5), nullptr);
  EXPECT_TRUE(child.CreateAt(&foreign, 0, 0, 5, 5));
  EXPECT_EQ(child.GetHostWindow(), other.window);
}

TEST_F(Controls, MoveHonoursTheToleranceAndShiftsChildren) {
  RecordingControl parent, child, grandchild;
  ASSERT_TRUE(parent.CreateAt(hosted.window, 10, 10, 100, 80));
  ASSERT_TRUE(child.CreateAt(&parent, 20, 20, 30, 30));
  ASSERT_TRUE(grandchild.CreateAt(&child, 25, 25, 5, 5));
  Pump();
  parent.received.clear();

  parent.Left(10.00000001f);
  parent.Move(10, 10, 100, 80);
  EXPECT_EQ(parent.Count(TKM_CONTROL_MOVED), 0);
  EXPECT_FALSE(parent.PreviousBounds().has_value());

  parent.Left(15);
  EXPECT_EQ(parent.Count(TKM_CONTROL_MOVED), 1);
  EXPECT_EQ(parent.Count(TKM_SIZED), 0);
  ASSERT_TRUE(parent.PreviousBounds().has_value());
  EXPECT_FLOAT_EQ(parent.PreviousBounds()->X, 10);
  parent.Top(30);
  EXPECT_FLOAT_EQ(child.Left(), 25);
  EXPECT_FLOAT_EQ(child.Top(), 40);
  EXPECT_FLOAT_EQ(grandchild.Left(), 30);
  EXPECT_FLOAT_EQ(grandchild.Top(), 45);

  parent.received.clear();
  parent.Width(120);
  EXPECT_EQ(parent.Sequence({TKM_SIZED, WM_PAINT, TKM_CONTROL_MOVED}),
            (std::vector<UINT>{TKM_SIZED, WM_PAINT, TKM_CONTROL_MOVED}));
  UINT w = 0;
  Gdiplus::DllExports::GdipGetImageWidth(parent.Surface(), &w);
  EXPECT_EQ(w, 120u);
  Gdiplus::RectF b = parent.Bounds(Gdiplus::RectF(1, 2, 3, 4));
  EXPECT_FLOAT_EQ(b.X, 1);
  EXPECT_FLOAT_EQ(b.Height, 4);
}

TEST_F(Controls, MoveRecomposesOldAndNewPlaces) {
  RecordingControl control(0xFFFF0000);
  ASSERT_TRUE(control.CreateAt(hosted.window, 20, 20, 30, 30));
  Pump();
  const BufferDc& buffer = hosted.host->Painting().BackBuffer();
  EXPECT_EQ(buffer.Pixel(30, 30), 0xFFFF0000u);
  control.Move(100, 100, std::nullopt, std::nullopt);
  EXPECT_EQ(buffer.Pixel(110, 110), 0xFFFF0000u);
  EXPECT_NE(buffer.Pixel(30, 30), 0xFFFF0000u);  // the old place shows the background again
}

TEST_F(Controls, DestroyTakesChildrenFirstAndZeroesTheRecord) {
  std::vector<std::string> order;
  RecordingControl parent, first, second, inner;
  parent.name = "parent";
  first.name = "first";
  second.name = "second";
  inner.name = "inner";
  for (RecordingControl* c : {&parent, &first, &second, &inner}) c->destroyLog = &order;
  ASSERT_TRUE(parent.CreateAt(hosted.window, 10, 10, 100, 100));
  ASSERT_TRUE(first.CreateAt(&parent, 10, 10, 20, 20));
  ASSERT_TRUE(inner.CreateAt(&first, 10, 10, 5, 5));
  ASSERT_TRUE(second.CreateAt(&parent, 40, 10, 20, 20));
  parent.AddEventHandler(WM_LBUTTONDOWN, [](LPARAM, LPARAM, LPARAM, LPARAM, LPARAM) -> LRESULT { return 0; });
  parent.TipText(std::string("tip"));
  // The host refers to the control in every record it keeps.
  hosted.Send(WM_MOUSEMOVE, 0, Point(25, 25));
  hosted.Send(WM_LBUTTONDOWN, MK_LBUTTON, Point(25, 25));
  EXPECT_EQ(hosted.host->Input().Pressed(), &first);
  hosted.host->Input().set_accelerator(&second, 'z');

  parent.Destroy();
  EXPECT_EQ(order, (std::vector<std::string>{"inner", "first", "second", "parent"}));
  for (RecordingControl* c : {&parent, &first, &second, &inner}) {
    EXPECT_FALSE(c->IsLive());
    EXPECT_EQ(c->GetHostWindow(), nullptr);
    EXPECT_EQ(c->GetParent(), nullptr);
    EXPECT_EQ(c->FirstChild(), nullptr);
    EXPECT_EQ(c->NextSibling(), nullptr);
    EXPECT_EQ(c->Surface(), nullptr);
    EXPECT_EQ(c->Opacity(), 0);
    EXPECT_EQ(c->Type(), 0);
    EXPECT_FALSE(c->IsVisible());
  }
  EXPECT_EQ(parent.TipText(), "");
  EXPECT_EQ(parent.EventHandlerCount(), 0u);
  EXPECT_EQ(hosted.host->FirstControl(), nullptr);
  EXPECT_EQ(hosted.host->Input().Pressed(), nullptr);
  EXPECT_FALSE(hosted.host->Input().IsPressing());
  EXPECT_EQ(hosted.host->Input().Hovered(), nullptr);
  EXPECT_EQ(hosted.host->Focused(), nullptr);
  EXPECT_TRUE(hosted.host->Input().Accelerators().empty());
  hosted.Send(WM_LBUTTONUP, 0, Point(25, 25));  // no pressed control any more: harmless
  Pump();

  // A destroyed control can be created again.
  EXPECT_EQ(parent.CreateAt(hosted.window, 0, 0, 10, 10), &parent);
}

// --- handlers ---

struct Call {
  LPARAM a1, a2, a3, a4, a5;
  int which;
};
std::vector<Call> gCalls;
LRESULT First(LPARAM a1, LPARAM a2, LPARAM a3, LPARAM a4, LPARAM a5) {
  gCalls.push_back(Call{a1, a2, a3, a4, a5, 1});
  return 0;
}
LRESULT Second(LPARAM a1, LPARAM a2, LPARAM a3, LPARAM a4, LPARAM a5) {
  gCalls.push_back(Call{a1, a2, a3, a4, a5, 2});
  return 0;
}

TEST_F(Controls, OneHandlerPerCodeAndTheDoubleClickRule) {
  gCalls.clear();
  RecordingControl control;
  ASSERT_TRUE(control.CreateAt(hosted.window, 0, 0, 10, 10));
  control.AddEventHandler(WM_LBUTTONDBLCLK, First);
  control.AddEventHandler(WM_RBUTTONDOWN, First);
  control.AddEventHandler(WM_RBUTTONDOWN, Second);  // replaces
  EXPECT_EQ(control.EventHandlerCount(), 2u);

  struct Case {
    UINT message;
    WPARAM wParam;
    int expected;  // 0 none
  } cases[] = {{WM_LBUTTONDBLCLK, 0, 0}, {WM_LBUTTONDOWN, 0, 0}, {WM_LBUTTONDOWN, TKM_DBLCLICK_MARK, 1},
               {WM_RBUTTONDOWN, 0, 2}, {WM_RBUTTONUP, 0, 0}};
  for (const auto& c : cases) {
    gCalls.clear();
    DispatchControlMessage(&control, c.message, c.wParam, 77);
    if (c.expected == 0) {
      EXPECT_TRUE(gCalls.empty()) << c.message;
    } else {
      ASSERT_EQ(gCalls.size(), 1u) << c.message;
      EXPECT_EQ(gCalls[0].which, c.expected);
    }
  }
  EXPECT_EQ(DispatchControlMessage(nullptr, WM_RBUTTONDOWN, 0, 0), 0);
}

TEST_F(Controls, HandlerArgumentsDependOnTheParent) {
  gCalls.clear();
  RecordingControl top, child;
  ASSERT_TRUE(top.CreateAt(hosted.window, 0, 0, 50, 50));
  ASSERT_TRUE(child.CreateAt(&top, 0, 0, 10, 10));
  top.AddEventHandler(WM_LBUTTONDOWN, First);
  child.AddEventHandler(WM_LBUTTONDOWN, First);
  DispatchControlMessage(&top, WM_LBUTTONDOWN, 5, 6);
  DispatchControlMessage(&child, WM_LBUTTONDOWN, 5, 6);
  ASSERT_EQ(gCalls.size(), 2u);
  const LPARAM topHandle = reinterpret_cast<LPARAM>(&top), childHandle = reinterpret_cast<LPARAM>(&child);
  EXPECT_EQ((std::vector<LPARAM>{gCalls[0].a1, gCalls[0].a2, gCalls[0].a3, gCalls[0].a4, gCalls[0].a5}),
            (std::vector<LPARAM>{topHandle, WM_LBUTTONDOWN, 5, 6, 0}));
  EXPECT_EQ((std::vector<LPARAM>{gCalls[1].a1, gCalls[1].a2, gCalls[1].a3, gCalls[1].a4, gCalls[1].a5}),
            (std::vector<LPARAM>{topHandle, childHandle, WM_LBUTTONDOWN, 5, 6}));
  // Routed input reaches the handler after the control's own procedure.
  gCalls.clear();
  hosted.Send(WM_LBUTTONDOWN, MK_LBUTTON, Point(40, 40));
  hosted.Send(WM_LBUTTONUP, 0, Point(40, 40));
  ASSERT_EQ(gCalls.size(), 1u);
  EXPECT_EQ(gCalls[0].a1, topHandle);
}

// --- state changes ---

TEST_F(Controls, VisibilityDisablingAndOpacityNotifyTheControl) {
  RecordingControl control;
  ASSERT_TRUE(control.CreateAt(hosted.window, 10, 10, 20, 20));
  hosted.Send(WM_KEYDOWN, VK_TAB, 0);
  ASSERT_EQ(hosted.host->Focused(), &control);
  EXPECT_TRUE(control.HasFocus());
  control.received.clear();

  control.Visible(false);
  control.Visible(false);  // no change, no message
  control.Visible(true);
  EXPECT_EQ(control.Sequence({TKM_HIDDEN, TKM_SHOWN}), (std::vector<UINT>{TKM_HIDDEN, TKM_SHOWN}));

  control.Disabled(true);
  EXPECT_EQ(hosted.host->Focused(), nullptr);
  EXPECT_FALSE(control.HasFocus());
  Pump();  // the focus and hover resets are posted
  EXPECT_EQ(control.Count(TKM_KILL_FOCUS), 1);
  EXPECT_EQ(control.Count(TKM_MOUSE_LEAVE), 1);

  control.Alpha(300);
  EXPECT_EQ(control.Opacity(), 255);
  control.Alpha(100);
  ASSERT_EQ(control.Count(TKM_ALPHA_CHANGED), 2);
  EXPECT_EQ(control.received.back().lParam, 100);
}

TEST_F(Controls, ZOrderAndUnlinkKeepTheChainsConsistent) {
  RecordingControl a, b, c;
  for (RecordingControl* x : {&a, &b, &c}) ASSERT_TRUE(x->CreateAt(hosted.window, 0, 0, 10, 10));
  a.SetZOrder();
  EXPECT_EQ(Chain(hosted.host->FirstControl()), (std::vector<Control*>{&b, &c, &a}));
  a.SetZOrder(2);
  EXPECT_EQ(Chain(hosted.host->FirstControl()), (std::vector<Control*>{&a, &b, &c}));
  EXPECT_EQ(hosted.host->LastControl(), &c);
  b.Unlink();
  EXPECT_EQ(Chain(hosted.host->FirstControl()), (std::vector<Control*>{&a, &c}));
  EXPECT_EQ(c.PreviousSibling(), &a);
  b.Reparent(&a);
  EXPECT_EQ(Chain(a.FirstChild()), (std::vector<Control*>{&b}));
  EXPECT_EQ(b.GetParent(), &a);
  b.Reparent(hosted.window);
  EXPECT_EQ(b.GetParent(), nullptr);
  EXPECT_EQ(Chain(hosted.host->FirstControl()), (std::vector<Control*>{&a, &c, &b}));
  EXPECT_EQ(a.FirstChild(), nullptr);
}

// --- paint protocol, transitions, composition ---

TEST_F(Controls, WithoutTransitionEveryPaintShowsAtOnceAndNoTimerRuns) {
  for (auto [frames, interval] : {std::pair{0, 40}, std::pair{4, 0}}) {
    RecordingControl control(0xFF00FF00);
    ControlOptions options;
    options.transitionFrames = frames;
    options.transitionInterval = interval;
    ASSERT_TRUE(control.CreateAt(hosted.window, 40, 40, 20, 20, options));
    control.startTransition = true;
    control.SetColour(0xFF0000FF);
    EXPECT_EQ(control.Count(TKM_TRANSITION_START), 0);
    EXPECT_EQ(control.Snapshot(), nullptr);
    EXPECT_FALSE(KillTimer(hosted.window, control.TransitionTimerId()));  // no timer was started
    EXPECT_EQ(hosted.host->Painting().BackBuffer().Pixel(50, 50), 0xFF0000FFu);
    control.Destroy();
  }
}

TEST_F(Controls, TransitionsRunOnTheirTimerAndEnd) {
  for (int style = 0; style <= 4; ++style) {
    RecordingControl control(0xFFFF0000);
    ControlOptions options;
    options.transitionFrames = 3;
    options.transitionInterval = 10;
    options.transitionStyle = style;
    ASSERT_TRUE(control.CreateAt(hosted.window, 40, 40, 30, 30, options));
    PumpFor(150);
    control.received.clear();
    control.startTransition = true;
    control.SetColour(0xFF0000FF);
    EXPECT_NE(control.Snapshot(), nullptr);
    EXPECT_EQ(control.Count(TKM_TRANSITION_START), 1);
    EXPECT_EQ(control.TransitionFrame(), 0);
    PumpFor(200);
    EXPECT_EQ(control.Count(TKM_TRANSITION_END), 1) << style;
    EXPECT_EQ(control.Snapshot(), nullptr);
    EXPECT_EQ(control.TransitionFrame(), 0);
    EXPECT_GE(control.Count(TKM_DRAW_TRANSITION), 2) << style;  // frames 1 and 2 asked
    EXPECT_EQ(hosted.host->Painting().BackBuffer().Pixel(55, 55), 0xFF0000FFu) << style;
    control.Destroy();
  }
}

TEST_F(Controls, CompositionAppliesOpacityDisabledLookAndClipsChildren) {
  hosted.host->Painting().redraw(std::nullopt, RGB(0, 0, 0), 0);
  RecordingControl control(0xFFFFFFFF), child(0xFFFF0000);
  ASSERT_TRUE(control.CreateAt(hosted.window, 20, 20, 40, 40));
  ASSERT_TRUE(child.CreateAt(&control, 50, 50, 40, 40));  // sticks out of its parent
  Pump();
  const BufferDc& buffer = hosted.host->Painting().BackBuffer();
  EXPECT_EQ(buffer.Pixel(30, 30), 0xFFFFFFFFu);
  EXPECT_EQ(buffer.Pixel(55, 55), 0xFFFF0000u);
  EXPECT_EQ(buffer.Pixel(70, 70) & 0xFFFFFF, 0u);  // clipped to the parent's bounds

  auto green = [&](int x, int y) { return static_cast<int>((buffer.Pixel(x, y) >> 8) & 0xFF); };
  control.Alpha(128);
  Pump();
  EXPECT_NEAR(green(30, 30), 128, 3);
  control.Alpha(255);
  control.Disabled(true);
  Pump();
  EXPECT_NEAR(green(30, 30), 127, 3);  // half its opacity
  control.drawDisabledAnswer = 0;     // the control draws its own disabled look
  control.Invalidate();
  Pump();
  EXPECT_EQ(green(30, 30), 255);
  control.Visible(false);
  Pump();
  EXPECT_EQ(green(30, 30), 0);
  EXPECT_EQ(buffer.Pixel(55, 55) & 0xFFFFFF, 0u);  // children go with their parent
}

TEST_F(Controls, SuspendedPresentationDoesNotReachTheBuffer) {
  RecordingControl control(0xFFFFFFFF);
  ASSERT_TRUE(control.CreateAt(hosted.window, 20, 20, 40, 40));
  Pump();
  control.SuspendPresentation();
  control.SetColour(0xFF00FF00);
  EXPECT_EQ(hosted.host->Painting().BackBuffer().Pixel(30, 30), 0xFFFFFFFFu);
  control.ResumePresentation();
  control.Repaint();
  EXPECT_EQ(hosted.host->Painting().BackBuffer().Pixel(30, 30), 0xFF00FF00u);
}

TEST_F(Controls, WorkerThreadsReachTheControlThroughTheHostQueue) {
  RecordingControl control;
  ASSERT_TRUE(control.CreateAt(hosted.window, 0, 0, 10, 10));
  control.received.clear();
  std::thread worker([&] { control.PostControlMessage(WM_USER + 3, 1, 2); });
  worker.join();
  EXPECT_EQ(control.Count(WM_USER + 3), 0);
  Pump();
  ASSERT_EQ(control.Count(WM_USER + 3), 1);
  EXPECT_EQ(control.received[0].thread, GetCurrentThreadId());
  // A send from a worker blocks until the UI thread has answered it.
  LRESULT answer = 0;
  control.answer = 42;
  std::thread sender([&] { answer = control.SendControlMessage(WM_USER + 4, 0, 0); });
  for (int i = 0; i < 100 && control.Count(WM_USER + 4) == 0; ++i) PumpFor(10);
  sender.join();
  EXPECT_EQ(answer, 42);
}

}  // namespace
