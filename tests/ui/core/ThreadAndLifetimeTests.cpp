// The control tree under the conditions the application creates: operations called from worker
// threads while the UI thread paints, and controls destroyed (or deleted) by the very callbacks
// the host is running.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "resources/Resources.h"
#include "support/ToolkitTesting.h"

namespace {

using namespace toolkit_testing;

TEST(ThreadRule, OperationsFromWorkersRunOnTheUiThreadWhileItPaints) {
  HostedWindow hosted;
  hosted.Show();
  RecordingControl control;
  ASSERT_TRUE(control.CreateAt(hosted.window, 10, 10, 40, 20));
  const DWORD uiThread = GetCurrentThreadId();

  std::atomic<int> finished{0};
  RecordingControl child(0xFF00FF00);
  bool childCreated = false, childDestroyed = false;
  std::thread mover([&] {
    for (int i = 0; i < 150; ++i) {
      control.Move(static_cast<float>(10 + i), 10.0f, std::nullopt, std::nullopt);
      control.Visible(i % 2 == 0);
      control.Disabled(i % 3 == 0);
    }
    control.Visible(true);
    control.Disabled(false);
    ++finished;
  });
  std::thread tagger([&] {
    for (int i = 0; i < 150; ++i) {
      control.Tag("tag" + std::to_string(i));
      control.TipText("tip" + std::to_string(i));
      control.Alpha(100 + i % 100);
      control.SetZOrder(i % 2 ? 1 : 2);
    }
    childCreated = child.CreateAt(&control, 0, 0, 10, 10) != nullptr;
    child.Destroy();
    childDestroyed = !child.IsLive();
    ++finished;
  });
  // The UI thread keeps recomposing the whole window while the workers run.
  ASSERT_TRUE(PumpUntil([&] {
    hosted.host->Painting().Recompose(Gdiplus::RectF(0, 0, 300, 200));
    return finished == 2;
  }, 20000));
  mover.join();
  tagger.join();
  Pump();

  EXPECT_FLOAT_EQ(control.Left(), 159.0f);
  EXPECT_EQ(control.TagRef(), "tag149");
  EXPECT_EQ(control.TipTextRef(), "tip149");
  EXPECT_TRUE(childCreated);
  EXPECT_TRUE(childDestroyed);
  EXPECT_EQ(control.FirstChild(), nullptr);
  for (const Received& r : control.received) ASSERT_EQ(r.thread, uiThread) << "message " << r.message;
  for (const Received& r : child.received) ASSERT_EQ(r.thread, uiThread) << "child message " << r.message;
  EXPECT_EQ(child.Count(WM_CREATE), 1);
  EXPECT_EQ(child.Count(WM_DESTROY), 1);
}

// What a callback of the host may do to the control it is told about.
enum class Victim { OnLeftDown, OnFocus, OnClick };

std::unique_ptr<RecordingControl> gVictim;
void DeleteVictim(HWND, Control*, WPARAM, LPARAM, int) { gVictim.reset(); }

TEST(Lifetime, ControlsDeletedByHostCallbacksLeaveNoStaleRecord) {
  for (Victim when : {Victim::OnLeftDown, Victim::OnFocus, Victim::OnClick}) {
    SCOPED_TRACE(static_cast<int>(when));
    HostedWindow hosted;
    hosted.Show();
    gVictim = std::make_unique<RecordingControl>();
    ASSERT_TRUE(gVictim->CreateAt(hosted.window, 10, 10, 50, 50));
    if (when == Victim::OnLeftDown) hosted.host->Callbacks().set_on_left_down(DeleteVictim);
    if (when == Victim::OnFocus) hosted.host->Callbacks().set_on_focus(DeleteVictim);
    if (when == Victim::OnClick) hosted.host->Callbacks().set_on_click(DeleteVictim);

    hosted.Send(WM_MOUSEMOVE, 0, Point(20, 20));
    hosted.Send(WM_LBUTTONDOWN, MK_LBUTTON, Point(20, 20));
    hosted.Send(WM_MOUSEMOVE, MK_LBUTTON, Point(21, 21));
    hosted.Send(WM_LBUTTONUP, 0, Point(21, 21));
    hosted.Send(WM_MOUSEMOVE, 0, Point(22, 22));
    Pump();

    EXPECT_EQ(gVictim, nullptr);
    EXPECT_EQ(hosted.host->Input().Pressed(), nullptr);
    EXPECT_EQ(hosted.host->Focused(), nullptr);
    EXPECT_EQ(hosted.host->Input().Hovered(), nullptr);
    EXPECT_FALSE(hosted.host->Input().IsPressing());
    EXPECT_EQ(hosted.host->FirstControl(), nullptr);
  }
  gVictim.reset();
}

// Sends a control message to a peer from its own WM_DESTROY work, as a control that tells
// its owner it is going would.
class NotifyingControl : public RecordingControl {
 public:
  ~NotifyingControl() override { Destroy(); }
  LRESULT MessageProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_DESTROY && peer) peerAnswer = peer->SendControlMessage(0x2900, 0, 0);
    return RecordingControl::MessageProc(message, wParam, lParam);
  }
  Control* peer = nullptr;
  LRESULT peerAnswer = 0;
};

TEST(Lifetime, DestroyingAWindowAndItsControlsKeepsTheirMessagesAndTimers) {
  HostedWindow hosted;
  NotifyingControl first;
  RecordingControl second;
  second.answer = 42;
  ASSERT_TRUE(first.CreateAt(hosted.window, 0, 0, 10, 10));
  ASSERT_TRUE(second.CreateAt(hosted.window, 20, 0, 10, 10));
  first.peer = &second;

  // A class timer keyed by the handle that the class itself never stops.
  ASSERT_TRUE(SetTimer(hosted.window, second.ClassTimerId(), 10, nullptr));
  second.Destroy();
  EXPECT_FALSE(KillTimer(hosted.window, second.ClassTimerId()));
  ASSERT_TRUE(second.CreateAt(hosted.window, 20, 0, 10, 10));

  // The window goes: the first control's WM_DESTROY still reaches the second through the host.
  DestroyWindow(hosted.window);
  Pump();
  EXPECT_EQ(first.peerAnswer, 42);
  EXPECT_FALSE(first.IsLive());
  EXPECT_FALSE(second.IsLive());
}

TEST(Lifetime, ASharedBackgroundOutlivesItsSourceWindow) {
  AttachOptions source = HostedWindow::NoFrame();
  source.image = resources::WindowBackground();
  auto owner = std::make_unique<HostedWindow>(source);
  AttachOptions borrower = HostedWindow::NoFrame();
  borrower.sharedBackground = owner->window;
  HostedWindow shared(borrower);
  ASSERT_NE(shared.host->Painting().BackgroundImage(), nullptr);
  const std::uint32_t before = shared.host->Painting().BackBuffer().Pixel(150, 100);

  owner.reset();
  shared.host->Painting().redraw(std::nullopt, std::nullopt, 0, true);
  Pump();
  ASSERT_NE(shared.host->Painting().BackgroundImage(), nullptr);
  EXPECT_EQ(shared.host->Painting().BackBuffer().Pixel(150, 100), before);
}

RecordingControl* gMoved = nullptr;
void MoveWhilePainting(HWND, Gdiplus::GpGraphics*, int, int) {
  if (gMoved) gMoved->Move(200.0f, 100.0f, std::nullopt, std::nullopt);
}

TEST(Lifetime, AMoveWhileTheHostRedrawsIsShownAtItsNewPlace) {
  HostedWindow hosted;
  hosted.Show();
  RecordingControl control(0xFFFF0000);
  ASSERT_TRUE(control.CreateAt(hosted.window, 10, 10, 30, 30));
  Pump();
  ASSERT_EQ(hosted.host->Painting().BackBuffer().Pixel(20, 20), 0xFFFF0000u);

  gMoved = &control;
  hosted.host->Callbacks().set_on_paint(MoveWhilePainting);
  hosted.host->Painting().redraw(std::nullopt, std::nullopt, 0, false);
  hosted.host->Callbacks().set_on_paint(nullptr);
  gMoved = nullptr;
  Pump();

  EXPECT_FLOAT_EQ(control.Left(), 200.0f);
  EXPECT_EQ(hosted.host->Painting().BackBuffer().Pixel(210, 110), 0xFFFF0000u);
  EXPECT_NE(hosted.host->Painting().BackBuffer().Pixel(20, 20), 0xFFFF0000u);
}

}  // namespace
