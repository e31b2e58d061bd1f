#include <gtest/gtest.h>

#include <vector>

#include "support/HostedControls.h"
#include "ui/core/TitleButton.h"

using namespace controls_testing;

namespace {

TEST(TitleGlyphCell, EveryKindStateAndZoom) {
  struct Case {
    int kind;
    bool zoomed;
    int x[3];
  } cases[] = {
      {0x4, false, {0, 40, 80}},      {0x4, true, {0, 40, 80}},       {0x8, false, {120, 149, 178}},
      {0x8, true, {207, 236, 265}},   {0x10, false, {294, 323, 352}}, {0x10, true, {294, 323, 352}},
      {0x20, false, {381, 410, 439}}, {0x40, false, {468, 497, 526}}, {0x80, false, {555, 584, 613}},
      {0x100, true, {642, 671, 700}},
  };
  for (const Case& c : cases) {
    for (int state = -1; state <= 3; ++state) {
      SCOPED_TRACE(testing::Message() << "kind " << c.kind << " zoomed " << c.zoomed << " state " << state);
      Gdiplus::RectF cell;
      ASSERT_TRUE(TitleGlyphCell(c.kind, state, c.zoomed, &cell));
      const int column = (state == -1 || state == 3) ? 0 : state;
      EXPECT_EQ(cell.X, c.x[column]);
      EXPECT_EQ(cell.Y, 2);
      EXPECT_EQ(cell.Width, c.kind == 4 ? 39 : 28);
      EXPECT_EQ(cell.Height, 19);
    }
  }
  Gdiplus::RectF cell;
  EXPECT_FALSE(TitleGlyphCell(0x4, 4, false, &cell));
  EXPECT_FALSE(TitleGlyphCell(0x4, -2, false, &cell));
  EXPECT_FALSE(TitleGlyphCell(0x200, 0, false, &cell));
  EXPECT_FALSE(TitleGlyphCell(0, 0, false, &cell));
}

TEST(TitleButtonCommand, ClickCommandsPerKind) {
  struct Case {
    int kind;
    bool zoomed, iconic;
    bool posts;
    UINT message;
    WPARAM wParam;
  } cases[] = {
      {0x4, false, false, true, WM_CLOSE, 0},
      {0x4, true, true, true, WM_CLOSE, 0},
      {0x8, false, false, true, WM_SYSCOMMAND, SC_MAXIMIZE},
      {0x8, true, false, true, WM_SYSCOMMAND, SC_RESTORE},
      {0x10, false, false, true, WM_SYSCOMMAND, SC_MINIMIZE},
      {0x10, true, false, true, WM_SYSCOMMAND, SC_MINIMIZE},
      {0x10, false, true, false, 0, 0},
      {0x20, false, false, false, 0, 0},
      {0x100, false, false, false, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind << " zoomed " << c.zoomed << " iconic " << c.iconic);
    auto command = TitleButtonCommand(c.kind, c.zoomed, c.iconic);
    ASSERT_EQ(command.has_value(), c.posts);
    if (command) {
      EXPECT_EQ(command->message, c.message);
      EXPECT_EQ(command->wParam, c.wParam);
    }
  }
}

// Window commands that reached the host window, swallowed so nothing really closes.
std::vector<std::pair<UINT, WPARAM>> gCommands;
LRESULT RecordCommands(HWND, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_CLOSE || (message == WM_SYSCOMMAND && (wParam & 0xFFF0) != SC_KEYMENU)) {
    gCommands.emplace_back(message, wParam);
    return 0;
  }
  return -1;
}

TitleButton* ButtonOfKind(WindowHost& host, int kind) {
  for (Control* control : host.Frame().TitleButtons()) {
    auto* button = static_cast<TitleButton*>(control);
    if (button->Kind() == kind) return button;
  }
  return nullptr;
}

// Whether the button's surface shows exactly the strip cell (rows 2..19 of the strip).
::testing::AssertionResult ShowsCell(const TitleButton* button, float cellX) {
  Gdiplus::GpImage* strip = gfx::ControlStrip();
  const int width = static_cast<int>(button->BoundsRef().Width);
  int differing = 0, opaque = 0;
  for (int y = 0; y < 18; ++y) {
    for (int x = 0; x < width; ++x) {
      const Gdiplus::ARGB shown = SurfacePixel(button, x, y);
      const Gdiplus::ARGB expected = ImagePixel(strip, static_cast<int>(cellX) + x, 2 + y);
      differing += shown != expected ? 1 : 0;
      opaque += AlphaOf(shown) > 200 ? 1 : 0;
    }
  }
  if (differing == 0 && opaque > 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << differing << " pixels differ from the cell at " << cellX << ", " << opaque
                                       << " opaque";
}

class TitleButtons : public testing::Test {
 protected:
  void SetUp() override { gCommands.clear(); }
};

TEST_F(TitleButtons, MainWindowFlagsGiveCloseAndMinimiseAtTheirPlaces) {
  HostedWindow hosted(HostedWindow::Frame(0x17), 610, 515);
  ASSERT_EQ(hosted.attached, 1);
  const auto& buttons = hosted.host->Frame().TitleButtons();
  ASSERT_EQ(buttons.size(), 2u);
  auto* close = static_cast<TitleButton*>(buttons[0]);
  auto* minimise = static_cast<TitleButton*>(buttons[1]);
  EXPECT_EQ(close->Kind(), 0x4);
  EXPECT_EQ(minimise->Kind(), 0x10);
  const Gdiplus::RectF c = close->BoundsRef(), m = minimise->BoundsRef();
  EXPECT_EQ(c.Width, 39);
  EXPECT_EQ(c.Height, 19);
  EXPECT_EQ(m.Width, 28);
  EXPECT_EQ(m.Height, 19);
  // Layout: x = width - 5 - 12, then 28 less per button, at top 7.
  EXPECT_EQ(c.X, 610 - 5 - 12 - 28);
  EXPECT_EQ(m.X, 610 - 5 - 12 - 56);
  EXPECT_EQ(c.Y, 7);
  EXPECT_EQ(m.Y, 7);
  EXPECT_EQ(close->Type(), 1);
  EXPECT_FALSE(close->IsFocusable());
  EXPECT_TRUE(ShowsCell(close, 0));
  EXPECT_TRUE(ShowsCell(minimise, 294));
}

TEST_F(TitleButtons, StatesFollowTheMouseAndDrawTheirCells) {
  HostedWindow hosted(HostedWindow::Frame(0x17));
  ASSERT_EQ(hosted.attached, 1);
  TitleButton* close = ButtonOfKind(*hosted.host, 0x4);
  ASSERT_NE(close, nullptr);
  struct Step {
    UINT message;
    int state;
    float cell;
  } steps[] = {
      {TKM_MOUSE_ENTER, 1, 40}, {WM_LBUTTONDOWN, 2, 80}, {WM_LBUTTONUP, 1, 40},
      {TKM_MOUSE_LEAVE, 0, 0},  {TKM_MOUSE_ENTER, 1, 40}, {WM_PAINT, 0, 0},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.message);
    EXPECT_EQ(DispatchControlMessage(close, step.message, 0, 0), -1) << "default handling continues";
    EXPECT_EQ(close->DrawnState(), step.state);
    EXPECT_TRUE(ShowsCell(close, step.cell));
  }
  EXPECT_EQ(DispatchControlMessage(close, TKM_PRESS, 0, 0), 0) << "takes presses";
  Pump();
  // Hover fades in over 3 frames, leaving fades out over 4.
  DispatchControlMessage(close, TKM_MOUSE_ENTER, 0, 0);
  EXPECT_EQ(close->TransitionFrames(), 3);
  DispatchControlMessage(close, TKM_MOUSE_LEAVE, 0, 0);
  EXPECT_EQ(close->TransitionFrames(), 4);
  // The same state again draws nothing new.
  close->PaintState(0, false, 7);
  EXPECT_EQ(close->TransitionFrames(), 4);
}

TEST_F(TitleButtons, RealClickThroughTheHostPostsTheCommand) {
  HostedWindow hosted(HostedWindow::Frame(0x17));
  ASSERT_EQ(hosted.attached, 1);
  hosted.host->Callbacks().set_on_window_message(RecordCommands);
  TitleButton* close = ButtonOfKind(*hosted.host, 0x4);
  ASSERT_NE(close, nullptr);
  const int x = static_cast<int>(close->BoundsRef().X) + 10, y = 12;
  hosted.Send(WM_MOUSEMOVE, 0, x, y);
  EXPECT_EQ(close->DrawnState(), 1);
  hosted.Send(WM_LBUTTONDOWN, MK_LBUTTON, x, y);
  EXPECT_EQ(close->DrawnState(), 2);
  EXPECT_TRUE(gCommands.empty()) << "nothing on the press";
  hosted.Send(WM_LBUTTONUP, 0, x, y);
  EXPECT_EQ(close->DrawnState(), 1);
  Pump();
  ASSERT_EQ(gCommands.size(), 1u);
  EXPECT_EQ(gCommands[0], (std::pair<UINT, WPARAM>(WM_CLOSE, 0)));
  EXPECT_TRUE(IsWindow(hosted.window)) << "the hook decided";
}

TEST_F(TitleButtons, MinimiseDoesNothingOnAnIconicWindowAndDisabledButtonsNothingAtAll) {
  HostedWindow hosted(HostedWindow::Frame(0x17));
  ASSERT_EQ(hosted.attached, 1);
  hosted.host->Callbacks().set_on_window_message(RecordCommands);
  TitleButton* minimise = ButtonOfKind(*hosted.host, 0x10);
  ASSERT_NE(minimise, nullptr);

  DispatchControlMessage(minimise, TKM_CLICK, 0, 0);
  Pump();
  ASSERT_EQ(gCommands.size(), 1u);
  EXPECT_EQ(gCommands[0], (std::pair<UINT, WPARAM>(WM_SYSCOMMAND, SC_MINIMIZE)));

  ShowWindow(hosted.window, SW_SHOWMINNOACTIVE);
  Pump();
  ASSERT_TRUE(IsIconic(hosted.window));
  gCommands.clear();
  DispatchControlMessage(minimise, TKM_CLICK, 0, 0);
  Pump();
  EXPECT_TRUE(gCommands.empty());

  ShowWindow(hosted.window, SW_SHOWNOACTIVATE);
  Pump();
  minimise->Disabled(true);
  Pump();
  DispatchControlMessage(minimise, TKM_CLICK, 0, 0);
  Pump();
  EXPECT_TRUE(gCommands.empty());
}

TEST_F(TitleButtons, MaximiseSwapsToRestoreWithoutTheMouse) {
  HostedWindow hosted(HostedWindow::Frame(0x1F));
  ASSERT_EQ(hosted.attached, 1);
  ASSERT_EQ(hosted.host->Frame().TitleButtons().size(), 3u);
  TitleButton* maximise = ButtonOfKind(*hosted.host, 0x8);
  ASSERT_NE(maximise, nullptr);
  ShowWindow(hosted.window, SW_SHOWNOACTIVATE);
  Pump();
  EXPECT_TRUE(ShowsCell(maximise, 120));

  hosted.host->Callbacks().set_on_window_message(RecordCommands);
  DispatchControlMessage(maximise, TKM_CLICK, 0, 0);
  Pump();
  ASSERT_EQ(gCommands.size(), 1u);
  EXPECT_EQ(gCommands[0].second, static_cast<WPARAM>(SC_MAXIMIZE));
  hosted.host->Callbacks().set_on_window_message(nullptr);

  ShowWindow(hosted.window, SW_MAXIMIZE);
  Pump();
  ASSERT_TRUE(IsZoomed(hosted.window));
  EXPECT_TRUE(ShowsCell(maximise, 207)) << "the move notification redrew the glyph";

  gCommands.clear();
  hosted.host->Callbacks().set_on_window_message(RecordCommands);
  DispatchControlMessage(maximise, TKM_CLICK, 0, 0);
  Pump();
  ASSERT_EQ(gCommands.size(), 1u);
  EXPECT_EQ(gCommands[0].second, static_cast<WPARAM>(SC_RESTORE));
  hosted.host->Callbacks().set_on_window_message(nullptr);

  // Restoring gives the window its normal size back. (Without a window manager Wine keeps
  // the size while maximised, so the size change of a restore is made explicitly.)
  ShowWindow(hosted.window, SW_RESTORE);
  SetWindowPos(hosted.window, nullptr, 0, 0, 420, 300, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  Pump();
  ASSERT_FALSE(IsZoomed(hosted.window));
  EXPECT_EQ(maximise->BoundsRef().X, 420 - 5 - 12 - 56);
  EXPECT_TRUE(ShowsCell(maximise, 120));
}

TEST_F(TitleButtons, DestroyClearsKindAndState) {
  HostedWindow hosted(HostedWindow::Frame(0));
  ASSERT_EQ(hosted.attached, 1);
  EXPECT_TRUE(hosted.host->Frame().TitleButtons().empty());
  TitleButton button;
  ASSERT_NE(button.Create(hosted.window, 10, 10, 28, 19, 0x20), nullptr);
  EXPECT_EQ(button.Kind(), 0x20);
  EXPECT_TRUE(ShowsCell(&button, 381));
  DispatchControlMessage(&button, TKM_MOUSE_ENTER, 0, 0);
  EXPECT_EQ(button.DrawnState(), 1);
  button.Destroy();
  EXPECT_EQ(button.Kind(), 0);
  EXPECT_EQ(button.DrawnState(), 0);
}

}  // namespace
