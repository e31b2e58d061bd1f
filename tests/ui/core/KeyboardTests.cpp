// Tab, Space/Enter and accelerators of a hosted window.
#include <gtest/gtest.h>

#include <vector>

#include "support/ToolkitTesting.h"

using namespace toolkit_testing;

namespace {

std::vector<std::pair<Control*, int>> gClicks;
void OnClick(HWND, Control* control, WPARAM wParam, LPARAM lParam, int type) {
  EXPECT_EQ(wParam, 0u);
  EXPECT_EQ(lParam, 0);
  gClicks.emplace_back(control, type);
}

struct ControlPlan {
  bool visible, focusable, disabled;
  int type;
};

class Keyboard : public testing::Test {
 protected:
  // Builds one control per plan, left to right.
  void Build(const std::vector<ControlPlan>& plans) {
    gClicks.clear();
    hosted.host->Callbacks().set_on_click(OnClick);
    controls.clear();
    for (size_t i = 0; i < plans.size(); ++i) {
      auto control = std::make_unique<RecordingControl>();
      ControlOptions options;
      options.type = plans[i].type;
      options.visible = plans[i].visible;
      options.focusable = plans[i].focusable;
      ASSERT_TRUE(control->CreateAt(hosted.window, 10.0f + 40 * i, 10, 30, 30, options));
      if (plans[i].disabled) control->Disabled(true);
      controls.push_back(std::move(control));
    }
    Pump();
  }
  Control* At(int i) { return controls[static_cast<size_t>(i)].get(); }

  HostedWindow hosted;
  std::vector<std::unique_ptr<RecordingControl>> controls;
};

TEST_F(Keyboard, TabSkipsUnfocusableControlsAndWraps) {
  Build({{true, true, false, 0},     // 0 focusable
         {true, true, false, 1},     // 1 type 1 never takes focus
         {true, false, false, 0},    // 2 not focusable
         {false, true, false, 0},    // 3 hidden
         {true, true, true, 0},      // 4 disabled
         {true, true, false, 5}});   // 5 focusable
  std::vector<Control*> visited;
  for (int i = 0; i < 4; ++i) {
    hosted.Send(WM_KEYDOWN, VK_TAB, 0);
    visited.push_back(hosted.host->Focused());
  }
  EXPECT_EQ(visited, (std::vector<Control*>{At(0), At(5), At(0), At(5)}));
  EXPECT_EQ(hosted.host->Input().KeyboardCue(), At(5));
  EXPECT_EQ(controls[5]->Count(TKM_SET_FOCUS), 2);
  EXPECT_EQ(controls[0]->Count(TKM_KILL_FOCUS), 2);
}

TEST_F(Keyboard, TabWithNothingFocusableChangesNothing) {
  Build({{true, false, false, 0}, {true, true, false, 1}, {false, true, false, 0}});
  hosted.Send(WM_KEYDOWN, VK_TAB, 0);
  EXPECT_EQ(hosted.host->Focused(), nullptr);
  HostedWindow empty;
  empty.Send(WM_KEYDOWN, VK_TAB, 0);
  EXPECT_EQ(empty.host->Focused(), nullptr);
}

TEST_F(Keyboard, SpaceAndEnterClickTheFocusedControl) {
  Build({{true, true, false, 3}, {true, true, false, 4}});
  hosted.Send(WM_KEYDOWN, VK_SPACE, 0);  // nothing focused: nothing clicked
  EXPECT_TRUE(gClicks.empty());
  hosted.Send(WM_KEYDOWN, VK_TAB, 0);
  hosted.Send(WM_KEYDOWN, VK_SPACE, 0);
  hosted.Send(WM_KEYDOWN, VK_RETURN, 0);
  hosted.Send(WM_KEYDOWN, 'A', 0);
  ASSERT_EQ(gClicks.size(), 2u);
  EXPECT_EQ(gClicks[0], std::make_pair(At(0), 3));
  EXPECT_EQ(controls[0]->Count(TKM_CLICK), 2);
  EXPECT_EQ(controls[0]->Count(WM_KEYDOWN), 3);  // the key goes to the focused control first
}

TEST_F(Keyboard, AControlThatHandlesTheKeyKeepsIt) {
  Build({{true, true, false, 0}, {true, true, false, 0}});
  hosted.Send(WM_KEYDOWN, VK_TAB, 0);
  controls[0]->answer = 0;  // handles every key
  hosted.Send(WM_KEYDOWN, VK_TAB, 0);
  hosted.Send(WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(hosted.host->Focused(), At(0));
  EXPECT_TRUE(gClicks.empty());
}

TEST_F(Keyboard, OtherKeysGoToTheFocusedControl) {
  Build({{true, true, false, 0}});
  hosted.Send(WM_KEYDOWN, VK_TAB, 0);
  for (UINT message : {WM_CHAR, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP, WM_MOUSEWHEEL}) hosted.Send(message, 'x', 0);
  EXPECT_EQ(controls[0]->Count(WM_CHAR), 1);
  EXPECT_EQ(controls[0]->Count(WM_KEYUP), 1);
  EXPECT_EQ(controls[0]->Count(WM_MOUSEWHEEL), 1);
}

TEST_F(Keyboard, AcceleratorsMatchCaseInsensitivelyThroughSysChar) {
  Build({{true, true, false, 2}, {true, true, false, 9}, {true, true, false, 4}});
  EXPECT_EQ(hosted.Send(TKM_SET_ACCELERATOR, reinterpret_cast<WPARAM>(At(0)), 'S'), 1);
  EXPECT_EQ(hosted.host->Input().set_accelerator(At(1), 'S'), 1);
  EXPECT_EQ(hosted.host->Input().set_accelerator(At(2), 'x'), 1);
  ASSERT_EQ(hosted.host->Input().Accelerators().size(), 3u);

  EXPECT_EQ(hosted.Send(WM_SYSCHAR, 's', 0), 0);  // found: answered 0
  ASSERT_EQ(gClicks.size(), 1u);
  EXPECT_EQ(gClicks[0], std::make_pair(At(0), 2));

  // A hidden or disabled entry is passed over for the next one with the same key.
  controls[0]->Visible(false);
  hosted.Send(WM_SYSCHAR, 'S', 0);
  ASSERT_EQ(gClicks.size(), 2u);
  EXPECT_EQ(gClicks[1].first, At(1));

  hosted.Send(WM_SYSCHAR, 'X', 0);
  EXPECT_EQ(gClicks.back().first, At(2));
  EXPECT_EQ(controls[2]->Count(TKM_CLICK), 1);

  // Key 0 removes the entry; changing a key replaces it.
  hosted.host->Input().set_accelerator(At(2), 0);
  hosted.host->Input().set_accelerator(At(1), 'q');
  EXPECT_EQ(hosted.host->Input().Accelerators().size(), 2u);
  size_t before = gClicks.size();
  EXPECT_EQ(hosted.host->Input().handle_accelerator_key(WM_SYSCHAR, 'x', 0), 0);
  EXPECT_EQ(hosted.host->Input().handle_accelerator_key(WM_SYSCHAR, 'Q', 0), 1);
  EXPECT_EQ(gClicks.size(), before + 1);
  // The character is a UTF-16 unit: U+4E51 is no "Q", though its low byte is.
  EXPECT_EQ(hosted.host->Input().handle_accelerator_key(WM_SYSCHAR, 0x4E51, 0), 0);
  EXPECT_EQ(gClicks.size(), before + 1);
}

TEST_F(Keyboard, DestroyedControlsLeaveNoAcceleratorOrFocus) {
  Build({{true, true, false, 0}});
  hosted.host->Input().set_accelerator(At(0), 'k');
  hosted.Send(WM_KEYDOWN, VK_TAB, 0);
  At(0)->Destroy();
  EXPECT_TRUE(hosted.host->Input().Accelerators().empty());
  EXPECT_EQ(hosted.host->Focused(), nullptr);
  EXPECT_EQ(hosted.host->Input().KeyboardCue(), nullptr);
  hosted.Send(WM_SYSCHAR, 'k', 0);
  EXPECT_TRUE(gClicks.empty());
}

}  // namespace
