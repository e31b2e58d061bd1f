#include <gtest/gtest.h>

#include <vector>

#include "resources/Resources.h"
#include "support/HostedControls.h"
#include "ui/controls/GlowButton.h"
#include "ui/controls/ImageButton.h"

using namespace controls_testing;
using Gdiplus::RectF;
using Gdiplus::SizeF;

namespace {

TEST(ButtonRules, MnemonicKeys) {
  struct Case {
    const wchar_t* caption;
    int key;
  } cases[] = {
      {L"\x5426(&N)", 'N'}, {L"&yes", 'Y'},  {L"a&&b", 0},     {L"a&&b&c", 'C'}, {L"end&", 0},
      {L"", 0},             {L"&\x662f", 0}, {L"&1 two", '1'}, {L"& x", 0},      {L"no marker", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(MnemonicKey(c.caption), c.key) << testing::PrintToString(c.caption);
}

TEST(ButtonRules, ContentPlacement) {
  const RectF area(1, 1, 98, 27);
  struct Case {
    int placement;
    SizeF icon, caption;
    RectF wantIcon, wantCaption;
  } cases[] = {
      {0, {16, 16}, {30, 13}, {25, 6, 16, 16}, {45, 8, 30, 13}},  // pair centred, icon first
      {4, {16, 16}, {30, 13}, {25, 6, 16, 16}, {45, 8, 30, 13}},
      {2, {16, 16}, {30, 13}, {59, 6, 16, 16}, {25, 8, 30, 13}},  // icon after the caption
      {1, {10, 6}, {30, 13}, {45, 3, 10, 6}, {35, 13, 30, 13}},   // icon above
      {3, {16, 16}, {30, 13}, {42, 6, 16, 16}, {35, 8, 30, 13}},  // both centred
      {0, {0, 0}, {30, 13}, {35, 14, 0, 0}, {35, 8, 30, 13}},     // no icon: no gap
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.placement);
    const ButtonContent got = LayoutButtonContent(area, c.icon, c.caption, c.placement);
    EXPECT_TRUE(got.icon.Equals(c.wantIcon)) << got.icon.X << "," << got.icon.Y;
    EXPECT_TRUE(got.caption.Equals(c.wantCaption)) << got.caption.X << "," << got.caption.Y;
  }
}

TEST(ButtonRules, GlowWalksAroundTheEdge) {
  // A 40 x 20 button: right end x 38, bottom y 16.
  struct Case {
    GlowSpot from, to;
  } cases[] = {
      {{1, 6, 0}, {1, 12, 0}},  {{1, 36, 0}, {2, 38, 0}},  {{1, 32, 0}, {2, 38, 0}},  {{2, 38, 0}, {2, 38, 6}},
      {{2, 38, 12}, {3, 38, 16}}, {{3, 38, 16}, {3, 32, 16}}, {{3, 4, 16}, {4, 0, 16}}, {{4, 0, 16}, {4, 0, 10}},
      {{4, 0, 3}, {1, 0, 0}},   {{1, 0, 0}, {1, 6, 0}},   {{9, 6, 0}, {1, 12, 0}},
  };
  for (const Case& c : cases) {
    const GlowSpot got = NextGlowSpot(c.from, 40, 20);
    EXPECT_EQ(got, c.to) << c.from.direction << " " << c.from.x << "," << c.from.y << " -> " << got.direction << " "
                         << got.x << "," << got.y;
  }
  // A full lap (6 + 3 + 7 + 3 steps, then one along the top) comes back to the start.
  GlowSpot spot = kGlowStart;
  int steps = 0;
  do {
    spot = NextGlowSpot(spot, 40, 20);
  } while (!(spot == kGlowStart) && ++steps < 100);
  EXPECT_EQ(steps, 19);
}

TEST(ButtonRules, ImageOfEachState) {
  struct Case {
    int state;
    bool disabled, hasDisabled;
    ButtonImage want;
  } cases[] = {
      {kButtonNormal, false, true, ButtonImage::Normal},   {kButtonHover, false, true, ButtonImage::Hover},
      {kButtonFocused, false, true, ButtonImage::Hover},   {kButtonPressed, false, true, ButtonImage::Pressed},
      {kButtonDisabled, true, true, ButtonImage::Disabled}, {kButtonDisabled, true, false, ButtonImage::Normal},
  };
  for (const Case& c : cases) EXPECT_EQ(ImageForState(c.state, c.disabled, c.hasDisabled), c.want) << c.state;
}

// Handler calls seen by the tests, by message.
std::vector<UINT> gCalls;
LRESULT Record(LPARAM, LPARAM message, LPARAM, LPARAM, LPARAM) {
  gCalls.push_back(static_cast<UINT>(message));
  return 0;
}
// Colours equal up to rounding in the drawing.
bool Near(Gdiplus::ARGB a, Gdiplus::ARGB b) {
  for (int shift = 0; shift < 32; shift += 8) {
    const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
    if (d > 3 || d < -3) return false;
  }
  return true;
}

int Calls(UINT message) {
  int n = 0;
  for (UINT m : gCalls) n += m == message;
  return n;
}

class Buttons : public testing::Test {
 protected:
  void SetUp() override {
    gCalls.clear();
    ASSERT_EQ(hosted.attached, 1);
  }
  int AcceleratorOf(const Control* control) const {
    for (const Accelerator& entry : hosted.host->Input().Accelerators()) {
      if (entry.control == control) return entry.key;
    }
    return 0;
  }
  HostedWindow hosted{HostedWindow::Frame(0)};
};

TEST_F(Buttons, CaptionRepaintsAndRegistersItsMnemonicOnlyOnChange) {
  ImageButton button;
  ASSERT_NE(button.Create(hosted.window, 20, 20, 90, 26, "\xc8\xb7\xc8\xcf"), nullptr);
  EXPECT_EQ(button.Type(), kButtonType);
  button.AddEventHandler(WM_PAINT, Record);
  button.AddEventHandler(TKM_CLICK, Record);

  struct Step {
    const char* caption;
    int paints;  // repaints caused by this step
    int key;     // accelerator registered afterwards
  } steps[] = {
      {"\xc8\xb7\xc8\xcf", 0, 0},        // 确认 again: nothing
      {"\xb7\xf1(&N)", 1, 'N'},          // 否(&N)
      {"\xb7\xf1(&N)", 0, 'N'},          // same again
      {"\xca\xc7(&Y)", 1, 'Y'},          // 是(&Y)
      {"plain", 1, 0},                   // no mnemonic: entry removed
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.caption);
    const int before = Calls(WM_PAINT);
    button.Caption(std::string(step.caption));
    Pump();
    EXPECT_EQ(Calls(WM_PAINT) - before, step.paints);
    EXPECT_EQ(AcceleratorOf(&button), step.key);
    EXPECT_EQ(button.Caption(), step.caption);
  }

  // Alt+Y clicks a button captioned with that mnemonic.
  button.Caption(std::string("\xca\xc7(&Y)"));
  hosted.Send(WM_SYSCHAR, 'y', 0);
  EXPECT_EQ(Calls(TKM_CLICK), 1);
  button.Destroy();
  EXPECT_EQ(AcceleratorOf(&button), 0) << "a destroyed button leaves no accelerator behind";
}

TEST_F(Buttons, PressesChangeTheLookOnlyOfFocusableButtons) {
  struct Case {
    bool focusable;
    int afterPress, afterRelease;
    bool takesFocus;
  } cases[] = {{true, kButtonPressed, kButtonHover, true}, {false, kButtonHover, kButtonHover, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.focusable);
    gCalls.clear();
    ImageButton button;
    ASSERT_NE(button.Create(hosted.window, 20, 20, 90, 26, "OK"), nullptr);
    button.Focusable(c.focusable);
    button.AddEventHandler(WM_LBUTTONDOWN, Record);
    hosted.Send(WM_MOUSEMOVE, 0, 40, 30);
    EXPECT_EQ(button.State(), kButtonHover);
    hosted.Send(WM_LBUTTONDOWN, MK_LBUTTON, 40, 30);
    EXPECT_EQ(button.State(), c.afterPress);
    EXPECT_EQ(hosted.host->Focused() == &button, c.takesFocus);
    hosted.Send(WM_LBUTTONUP, 0, 40, 30);
    EXPECT_EQ(button.State(), c.afterRelease);
    EXPECT_EQ(Calls(WM_LBUTTONDOWN), 1) << "the click is reported either way";
    hosted.Send(WM_MOUSEMOVE, 0, 300, 250);
    EXPECT_EQ(button.State(), kButtonNormal);
    PumpFor(300);  // the fade ends
    EXPECT_EQ(button.TransitionFrames(), 0);
  }
}

TEST_F(Buttons, GlowRunsWhileFocusedAndRestartsAtTheStart) {
  GlowButton first, second;
  ASSERT_NE(first.Create(hosted.window, 20, 20, 80, 28, "A"), nullptr);
  ASSERT_NE(second.Create(hosted.window, 120, 20, 80, 28, "B"), nullptr);
  EXPECT_EQ(first.Type(), kGlowButtonType);
  EXPECT_FALSE(first.GlowRunning());

  auto focus = [&](GlowButton& button) { hosted.Send(TKM_SET_FOCUS, 0, reinterpret_cast<LPARAM>(&button)); };
  struct Step {
    GlowButton* focus;
    bool firstRuns, secondRuns;
  } steps[] = {{&first, true, false}, {&second, false, true}, {&first, true, false}};
  for (const Step& step : steps) {
    focus(*step.focus);
    EXPECT_EQ(first.GlowRunning(), step.firstRuns);
    EXPECT_EQ(second.GlowRunning(), step.secondRuns);
    EXPECT_EQ(step.focus->Glow(), kGlowStart) << "focus restarts the spot at (6, 0) moving right";
    EXPECT_EQ(step.focus->State(), kButtonFocused);
    // A transition of the focused button shows its own glow frame; the other's is the host's.
    GlowButton& unfocused = step.focus == &first ? second : first;
    EXPECT_EQ(DispatchControlMessage(step.focus, TKM_DRAW_TRANSITION, 1, 5), 1);
    EXPECT_LT(DispatchControlMessage(&unfocused, TKM_DRAW_TRANSITION, 1, 5), 1);
    ASSERT_TRUE(PumpUntil([&] { return step.focus->Glow().x >= 18; }, 2000)) << "the timer moves the spot";
    GlowButton& other = step.focus == &first ? second : first;
    const GlowSpot still = other.Glow();
    PumpFor(250);
    EXPECT_EQ(other.Glow(), still) << "an unfocused button's spot stays put";
  }
  // The host's timer with the button's id is gone once the focus is.
  focus(second);
  EXPECT_FALSE(KillTimer(hosted.window, reinterpret_cast<UINT_PTR>(&first)));
  EXPECT_TRUE(KillTimer(hosted.window, reinterpret_cast<UINT_PTR>(&second)));
  focus(first);
  first.Destroy();
  EXPECT_FALSE(KillTimer(hosted.window, reinterpret_cast<UINT_PTR>(&first))) << "destroy stops the timer";
}

// Glow buttons of one size share the skin drawn for a state, and a look outlives only the buttons
// that show it: one button's hover leaves the other's look, and a button made after both are gone
// looks the same.
TEST_F(Buttons, GlowButtonsOfOneSizeShowTheSameSkinAndKeepTheirOwnStates) {
  auto pixels = [](const GlowButton& button) {
    std::vector<Gdiplus::ARGB> row;
    for (int x = 0; x < 70; x += 3) row.push_back(SurfacePixel(&button, x, 12));
    return row;
  };
  std::vector<Gdiplus::ARGB> normal;
  {
    GlowButton first, second, wider;
    ASSERT_NE(first.Create(hosted.window, 20, 20, 70, 25, ""), nullptr);
    ASSERT_NE(second.Create(hosted.window, 100, 20, 70, 25, ""), nullptr);
    ASSERT_NE(wider.Create(hosted.window, 180, 20, 90, 25, ""), nullptr);
    normal = pixels(first);
    EXPECT_EQ(pixels(second), normal);
    EXPECT_GT(AlphaOf(normal[10]), 0) << "the skin is drawn";
    hosted.Send(WM_MOUSEMOVE, 0, 40, 30);
    ASSERT_TRUE(PumpUntil([&] { return first.State() == kButtonHover && first.TransitionFrames() == 0; }, 2000));
    EXPECT_NE(pixels(first), normal);
    EXPECT_EQ(pixels(second), normal);
    GlowButton sharing;
    ASSERT_NE(sharing.Create(hosted.window, 20, 60, 70, 25, ""), nullptr);
    EXPECT_EQ(pixels(sharing), normal) << "the normal look is still the normal look";
    hosted.Send(WM_MOUSEMOVE, 0, 300, 250);
  }
  GlowButton later;
  ASSERT_NE(later.Create(hosted.window, 20, 20, 70, 25, ""), nullptr);
  EXPECT_EQ(pixels(later), normal);
}

// Only the control with the keyboard focus shows the dashed frame: one that loses the focus, by
// the keyboard or by a press elsewhere, looks as before it had it.
TEST_F(Buttons, TheFocusFrameLeavesWithTheFocus) {
  auto pixels = [](const Control& button) {
    std::vector<Gdiplus::ARGB> all;
    for (int y = 0; y < 25; ++y) {
      for (int x = 0; x < 70; ++x) all.push_back(SurfacePixel(&button, x, y));
    }
    return all;
  };
  GlowButton a, b, c;
  ImageButton plain;
  ASSERT_NE(a.Create(hosted.window, 20, 20, 70, 25, "a"), nullptr);
  ASSERT_NE(b.Create(hosted.window, 100, 20, 70, 25, "b"), nullptr);
  ASSERT_NE(c.Create(hosted.window, 180, 20, 70, 25, "c"), nullptr);
  ASSERT_NE(plain.Create(hosted.window, 20, 60, 70, 25, "p"), nullptr);
  Pump();
  const auto normalA = pixels(a), normalPlain = pixels(plain);
  auto settled = [&](GlowButton& button) {
    return PumpUntil([&] { return button.TransitionFrames() == 0; }, 2000);
  };
  hosted.host->set_focus(&a, true);
  ASSERT_TRUE(settled(a));
  hosted.host->set_focus(&plain, true);
  ASSERT_TRUE(settled(a));
  Pump();
  EXPECT_EQ(pixels(a), normalA) << "the frame left a with the keyboard";
  hosted.host->set_focus(&b, true);
  ASSERT_TRUE(settled(b));
  Pump();
  EXPECT_EQ(pixels(plain), normalPlain) << "the frame left the image button";
  // A press on another control takes the focus and the frame with it.
  hosted.Send(WM_LBUTTONDOWN, MK_LBUTTON, 200, 30);
  hosted.Send(WM_LBUTTONUP, 0, 200, 30);
  hosted.Send(WM_MOUSEMOVE, 0, 300, 250);
  ASSERT_TRUE(settled(b));
  ASSERT_TRUE(settled(c));
  Pump();
  const auto normalB = [&] {
    GlowButton fresh;
    fresh.Create(hosted.window, 260, 60, 70, 25, "b");
    Pump();
    return pixels(fresh);
  }();
  EXPECT_EQ(pixels(b), normalB) << "the frame left b on the press";
}

// The state's background keeps rounded corners with square frames too: the frame's corner
// pixel lies over less of it than the middle of the frame's left edge does.
TEST_F(Buttons, StateBackgroundIsRoundedWhateverTheFrames) {
  for (bool rounded : {true, false}) {
    SCOPED_TRACE(rounded ? "rounded frames" : "square frames");
    ImageButton button;
    ASSERT_NE(button.Create(hosted.window, 20, 20, 90, 26, ""), nullptr);
    button.Rounded(rounded);
    const int corner = AlphaOf(SurfacePixel(&button, 0, 0)), edge = AlphaOf(SurfacePixel(&button, 0, 12));
    EXPECT_GT(edge, 150) << "the frame over the background";
    EXPECT_LT(corner + 40, edge) << "the corner is cut: " << corner << " against " << edge;
  }
}

TEST_F(Buttons, ImageLayoutsDrawTheStateImageOrLeaveTheBuiltInLook) {
  gfx::Image reference = gfx::load_image(resources::SearchButtonNormal());
  ASSERT_TRUE(reference);
  const Gdiplus::ARGB imagePixel = ImagePixel(reference.Get(), 35, 13);
  struct Case {
    int layout;
    bool drawsImage;
    bool imagesBeforeCreate = false;  // the first paint is then the only one
  } cases[] = {{kImageLayoutNatural, true}, {kImageLayoutStretch, true}, {kImageLayoutNone, false},
               {kImageLayoutNineSlice, true}, {7, false}, {kImageLayoutStretch, true, true},
               {kImageLayoutNone, false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.layout << (c.imagesBeforeCreate ? " set before Create" : ""));
    ImageButton button;
    ButtonImages images;
    images.normal = resources::SearchButtonNormal();
    images.layout = c.layout;
    images.margins = {4, 4, 4, 4};
    if (c.imagesBeforeCreate) button.SetImages(images);
    ASSERT_NE(button.Create(hosted.window, 20, 20, 70, 26, ""), nullptr);
    if (!c.imagesBeforeCreate) button.SetImages(images);
    const Gdiplus::ARGB got = SurfacePixel(&button, 35, 13);
    EXPECT_EQ(Near(got, imagePixel), c.drawsImage) << std::hex << got << " vs " << imagePixel;
    // Without a hover image the hover look is the built-in one.
    hosted.Send(WM_MOUSEMOVE, 0, 50, 30);
    PumpFor(300);
    EXPECT_FALSE(Near(SurfacePixel(&button, 35, 13), imagePixel));
    hosted.Send(WM_MOUSEMOVE, 0, 300, 250);
  }
}

}  // namespace
