// Mouse routing through a hosted window: real window messages in, callbacks and control
// messages out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ToolkitTesting.h"

using namespace toolkit_testing;

namespace {

struct Event {
  std::string name;
  Control* control;
  WPARAM wParam;
  LPARAM lParam;
  int type;
};
std::vector<Event> gEvents;
std::vector<std::pair<UINT, WPARAM>> gHooked;  // messages the window hook swallowed

#define RECORDER(fn, label) \
  void fn(HWND, Control* c, WPARAM w, LPARAM l, int t) { gEvents.push_back(Event{label, c, w, l, t}); }
RECORDER(OnLeftDown, "left_down")
RECORDER(OnLeftUp, "left_up")
RECORDER(OnClick, "click")
RECORDER(OnDoubleClick, "double_click")
RECORDER(OnRightDown, "right_down")
RECORDER(OnRightUp, "right_up")
RECORDER(OnEnter, "enter")
RECORDER(OnLeave, "leave")
RECORDER(OnFocus, "focus")
RECORDER(OnBlur, "blur")

// Keeps the system move and size loops out of the tests: they are recorded and swallowed.
LRESULT SwallowSystemLoops(HWND, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_NCLBUTTONDOWN || (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_SIZE)) {
    gHooked.emplace_back(message, wParam);
    return 0;
  }
  if (message == WM_SYSCOMMAND) gHooked.emplace_back(message, wParam);
  return -1;
}

std::vector<std::string> Names() {
  std::vector<std::string> names;
  for (const auto& e : gEvents) names.push_back(e.name);
  return names;
}

class MouseRouting : public testing::Test {
 protected:
  void SetUp() override {
    gEvents.clear();
    gHooked.clear();
    ASSERT_EQ(hosted.attached, 1);
    WindowHost& h = *hosted.host;
    h.Callbacks().set_on_left_down(OnLeftDown);
    h.Callbacks().set_on_left_up(OnLeftUp);
    h.Callbacks().set_on_click(OnClick);
    h.Callbacks().set_on_double_click(OnDoubleClick);
    h.Callbacks().set_on_right_down(OnRightDown);
    h.Callbacks().set_on_right_up(OnRightUp);
    h.Callbacks().set_on_mouse_enter(OnEnter);
    h.Callbacks().set_on_mouse_leave(OnLeave);
    h.Callbacks().set_on_focus(OnFocus);
    h.Callbacks().set_on_blur(OnBlur);
    h.Callbacks().set_on_window_message(SwallowSystemLoops);
    ControlOptions options;
    options.type = 7;
    ASSERT_TRUE(a.CreateAt(hosted.window, 20, 20, 50, 40, options));
    ASSERT_TRUE(b.CreateAt(hosted.window, 100, 20, 50, 40, options));
    Pump();
    a.received.clear();
    b.received.clear();
  }

  HostedWindow hosted;
  RecordingControl a, b;
};

TEST_F(MouseRouting, PressAndReleaseOnOneControlCallsDownUpClickInOrder) {
  hosted.Send(WM_MOUSEMOVE, 0, Point(30, 30));
  gEvents.clear();
  hosted.Send(WM_LBUTTONDOWN, MK_LBUTTON, Point(30, 30));
  EXPECT_TRUE(hosted.host->Input().IsPressing());
  EXPECT_EQ(hosted.host->Input().Pressed(), &a);
  EXPECT_EQ(GetCapture(), hosted.window);
  hosted.Send(WM_LBUTTONUP, 0, Point(31, 31));

  // Focus moves with the press (a is focusable), then the double-click-free sequence.
  ASSERT_EQ(Names(), (std::vector<std::string>{"left_down", "focus", "left_up", "click"}));
  EXPECT_EQ(gEvents[0].control, &a);
  EXPECT_EQ(gEvents[0].type, 7);
  EXPECT_EQ(gEvents[0].lParam, Point(30, 30));
  EXPECT_EQ(gEvents[2].control, nullptr);
  EXPECT_EQ(gEvents[2].type, 0);
  EXPECT_EQ(gEvents[3].control, &a);
  EXPECT_EQ(gEvents[3].type, 7);
  EXPECT_FALSE(hosted.host->Input().IsPressing());
  EXPECT_EQ(hosted.host->Input().Pressed(), nullptr);
  EXPECT_EQ(GetCapture(), nullptr);

  EXPECT_EQ(a.Sequence({TKM_PRESS, TKM_SET_FOCUS, WM_LBUTTONDOWN, WM_LBUTTONUP, TKM_CLICK}),
            (std::vector<UINT>{TKM_PRESS, TKM_SET_FOCUS, WM_LBUTTONDOWN, WM_LBUTTONUP, TKM_CLICK}));
  // While pressed, the control's message carries the control itself as wParam.
  for (const auto& r : a.received) {
    if (r.message == WM_LBUTTONUP) {
      EXPECT_EQ(r.wParam, reinterpret_cast<WPARAM>(&a));
    }
  }
}

TEST_F(MouseRouting, PressOnOneReleaseOnAnotherMovesHoverWithoutClick) {
  hosted.Send(WM_MOUSEMOVE, 0, Point(30, 30));
  hosted.Send(WM_LBUTTONDOWN, MK_LBUTTON, Point(30, 30));
  hosted.Send(WM_MOUSEMOVE, MK_LBUTTON, Point(120, 30));  // goes to the pressed control only
  EXPECT_EQ(b.Count(TKM_MOUSE_ENTER), 0);
  gEvents.clear();
  hosted.Send(WM_LBUTTONUP, 0, Point(120, 30));

  EXPECT_EQ(Names(), (std::vector<std::string>{"left_up", "leave", "enter"}));
  EXPECT_EQ(a.Count(TKM_CLICK), 0);
  EXPECT_EQ(b.Count(TKM_CLICK), 0);
  EXPECT_EQ(a.Count(TKM_MOUSE_LEAVE), 1);
  EXPECT_EQ(b.Count(TKM_MOUSE_ENTER), 1);
  EXPECT_EQ(hosted.host->Input().Hovered(), &b);
  EXPECT_EQ(a.Count(WM_MOUSEMOVE), 2);  // the hover move and the captured move
}

TEST_F(MouseRouting, MovingBetweenControlsSendsLeaveAndEnter) {
  hosted.Send(WM_MOUSEMOVE, 0, Point(30, 30));
  hosted.Send(WM_MOUSEMOVE, 0, Point(31, 30));  // same control: no second enter
  hosted.Send(WM_MOUSEMOVE, 0, Point(110, 30));
  hosted.Send(WM_MOUSEMOVE, 0, Point(200, 150));  // background
  EXPECT_EQ(Names(), (std::vector<std::string>{"enter", "leave", "enter", "leave"}));
  EXPECT_EQ(a.Count(TKM_MOUSE_ENTER), 1);
  EXPECT_EQ(b.Count(TKM_MOUSE_LEAVE), 1);
  EXPECT_EQ(hosted.host->Input().Hovered(), nullptr);
}

TEST_F(MouseRouting, RightButtonCallbacksAlsoFireOverBackground) {
  hosted.Send(WM_RBUTTONDOWN, MK_RBUTTON, Point(200, 150));
  hosted.Send(WM_RBUTTONUP, 0, Point(30, 30));
  ASSERT_EQ(Names(), (std::vector<std::string>{"right_down", "right_up"}));
  EXPECT_EQ(gEvents[0].control, nullptr);
  EXPECT_EQ(gEvents[1].control, &a);
  EXPECT_EQ(a.Count(WM_RBUTTONUP), 1);
}

TEST_F(MouseRouting, PressOnBackgroundOrPresslessControlDragsTheWindow) {
  hosted.Send(WM_LBUTTONDOWN, MK_LBUTTON, Point(200, 150));
  ASSERT_EQ(gHooked.size(), 1u);
  EXPECT_EQ(gHooked[0], std::make_pair(static_cast<UINT>(WM_NCLBUTTONDOWN), static_cast<WPARAM>(HTCAPTION)));

  // A control that takes no presses and no focus lets the drag through.
  a.pressAnswer = -1;
  a.Focusable(false);
  gHooked.clear();
  hosted.Send(WM_LBUTTONDOWN, MK_LBUTTON, Point(30, 30));
  EXPECT_EQ(gHooked.size(), 1u);
  EXPECT_FALSE(hosted.host->Input().IsPressing());
  EXPECT_TRUE(Names().empty());

  // Not draggable: no drag at all.
  hosted.host->Frame().draggable(false);
  gHooked.clear();
  hosted.Send(WM_LBUTTONDOWN, MK_LBUTTON, Point(200, 150));
  EXPECT_TRUE(gHooked.empty());
}

TEST_F(MouseRouting, FocusMovesByMouseWithBlurAndFocusCallbacks) {
  hosted.Send(WM_LBUTTONDOWN, MK_LBUTTON, Point(30, 30));
  hosted.Send(WM_LBUTTONUP, 0, Point(30, 30));
  gEvents.clear();
  hosted.Send(WM_LBUTTONDOWN, MK_LBUTTON, Point(110, 30));
  hosted.Send(WM_LBUTTONUP, 0, Point(110, 30));
  // The press on b also ends the hover over a.
  EXPECT_EQ(Names(), (std::vector<std::string>{"leave", "left_down", "blur", "focus", "left_up", "click"}));
  EXPECT_EQ(gEvents[2].control, &a);
  EXPECT_EQ(hosted.host->Focused(), &b);
  ASSERT_EQ(a.Count(TKM_KILL_FOCUS), 1);
  for (const auto& r : a.received) {
    if (r.message == TKM_KILL_FOCUS) {
      EXPECT_EQ(r.lParam, reinterpret_cast<LPARAM>(&b));
    }
  }
}

TEST_F(MouseRouting, DoubleClickMarksThePressAndCallsDoubleClick) {
  hosted.Send(WM_LBUTTONDBLCLK, MK_LBUTTON, Point(30, 30));
  ASSERT_GE(gEvents.size(), 2u);
  EXPECT_EQ(gEvents[0].name, "left_down");
  EXPECT_EQ(gEvents[0].wParam, TKM_DBLCLICK_MARK);
  EXPECT_EQ(gEvents.back().name, "double_click");
  EXPECT_EQ(gEvents.back().wParam, TKM_DBLCLICK_MARK);
  hosted.Send(WM_LBUTTONUP, 0, Point(30, 30));
}

TEST_F(MouseRouting, DeactivationCutsAPressShort) {
  hosted.Send(WM_MOUSEMOVE, 0, Point(30, 30));
  hosted.Send(WM_LBUTTONDOWN, MK_LBUTTON, Point(30, 30));
  hosted.Send(WM_ACTIVATE, WA_INACTIVE, 0);
  EXPECT_FALSE(hosted.host->Input().IsPressing());
  EXPECT_EQ(hosted.host->Input().Pressed(), &a);  // stays recorded
  EXPECT_GE(a.Count(TKM_MOUSE_LEAVE), 1);
  EXPECT_EQ(a.Count(TKM_KILL_FOCUS), 1);
  int focusBefore = a.Count(TKM_SET_FOCUS);
  hosted.Send(WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(a.Count(TKM_SET_FOCUS), focusBefore + 1);
  gEvents.clear();
  hosted.Send(WM_LBUTTONUP, 0, Point(30, 30));
  EXPECT_EQ(a.Count(TKM_CLICK), 0);
}

TEST_F(MouseRouting, MouseLeaveOfTheWindowClearsHover) {
  hosted.Send(WM_MOUSEMOVE, 0, Point(30, 30));
  gEvents.clear();
  hosted.Send(WM_MOUSELEAVE);
  ASSERT_EQ(Names(), (std::vector<std::string>{"leave"}));
  EXPECT_EQ(gEvents[0].control, &a);
  EXPECT_EQ(hosted.host->Input().Hovered(), nullptr);
  EXPECT_EQ(a.Count(TKM_MOUSE_LEAVE), 1);
}

TEST_F(MouseRouting, NothingIsRoutedWhileBusy) {
  hosted.host->Painting().redraw(std::nullopt, std::nullopt, 1);  // cross-fade keeps the host busy
  ASSERT_TRUE(hosted.host->Busy());
  hosted.Send(WM_LBUTTONDOWN, MK_LBUTTON, Point(30, 30));
  EXPECT_EQ(a.Count(TKM_PRESS), 0);
  EXPECT_TRUE(gEvents.empty());
  PumpFor(600);
  EXPECT_FALSE(hosted.host->Busy());
}

// --- hit-testing ---

struct HitCase {
  const char* name;
  POINT point;
  int expected;  // index into the controls: 0 parent, 1 child, 2 grandchild, 3 overlay, -1 none
  bool hideOverlay, disableOverlay, hideChild;
};

class HitTesting : public testing::TestWithParam<HitCase> {};

TEST_P(HitTesting, FindsTheTopmostVisibleEnabledControl) {
  const HitCase& c = GetParam();
  HostedWindow hosted;
  RecordingControl parent, child, grandchild, overlay;
  ASSERT_TRUE(parent.CreateAt(hosted.window, 10, 10, 200, 150));
  ASSERT_TRUE(child.CreateAt(&parent, 20, 20, 100, 100));
  ASSERT_TRUE(grandchild.CreateAt(&child, 30, 30, 20, 20));
  ASSERT_TRUE(overlay.CreateAt(hosted.window, 150, 10, 100, 50));  // later: on top of parent
  if (c.hideOverlay) overlay.Visible(false);
  if (c.disableOverlay) overlay.Disabled(true);
  if (c.hideChild) child.Visible(false);
  Pump();
  Control* controls[] = {&parent, &child, &grandchild, &overlay};
  hosted.Send(WM_MOUSEMOVE, 0, Point(c.point.x, c.point.y));
  EXPECT_EQ(hosted.host->Input().Hovered(), c.expected < 0 ? nullptr : controls[c.expected]) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Tree, HitTesting,
    testing::Values(HitCase{"parent only", {15, 15}, 0, false, false, false},
                    HitCase{"child", {25, 25}, 1, false, false, false},
                    HitCase{"grandchild", {35, 35}, 2, false, false, false},
                    HitCase{"hidden child falls back to parent", {35, 35}, 0, false, false, true},
                    HitCase{"overlay on top of parent", {160, 20}, 3, false, false, false},
                    HitCase{"hidden overlay", {160, 20}, 0, true, false, false},
                    HitCase{"disabled overlay", {160, 20}, 0, false, true, false},
                    HitCase{"background", {280, 190}, -1, false, false, false},
                    HitCase{"right edge is outside", {210, 100}, -1, false, false, false}),
    [](const testing::TestParamInfo<HitCase>& info) { return "case" + std::to_string(info.index); });

}  // namespace
