// Controls created and drawn from a worker thread: the whole operation crosses to the host's UI
// thread in one call, and no part of it runs on the worker first.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "resources/Resources.h"
#include "support/HostedControls.h"
#include "ui/controls/EditBox.h"
#include "ui/controls/Label.h"
#include "ui/controls/ListView.h"
#include "ui/controls/PictureBox.h"
#include "ui/core/ToolkitMessages.h"

namespace {

using namespace controls_testing;

// Counts the calls that cross from other threads to this (UI) thread, and runs onCross at the
// moment each arrives, before the window handles it.
class CrossingWatch {
 public:
  explicit CrossingWatch(std::function<void()> onCross = nullptr) : onCross_(std::move(onCross)) {
    watching_ = this;
    hook_ = SetWindowsHookExW(WH_CALLWNDPROC, &CrossingWatch::Hook, nullptr, GetCurrentThreadId());
  }
  ~CrossingWatch() {
    UnhookWindowsHookEx(hook_);
    watching_ = nullptr;
  }
  CrossingWatch(const CrossingWatch&) = delete;
  CrossingWatch& operator=(const CrossingWatch&) = delete;
  bool Installed() const { return hook_ != nullptr; }
  int crossings = 0;

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && watching_ && call->message == TKM_RUN_ON_UI_THREAD) {
      ++watching_->crossings;
      if (watching_->onCross_) watching_->onCross_();
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  static inline CrossingWatch* watching_ = nullptr;
  std::function<void()> onCross_;
  HHOOK hook_ = nullptr;
};

// Runs fn on a worker while this thread pumps messages; false when it did not end in time.
bool FromWorker(const std::function<void()>& fn) {
  std::atomic<bool> done{false};
  std::thread worker([&] {
    fn();
    done = true;
  });
  const bool ended = PumpUntil([&] { return done.load(); }, 20000);
  worker.join();
  return ended;
}

TEST(WorkerCalls, CreationCrossesBeforeAnyOfItRuns) {
  HostedWindow hosted(HostedWindow::Frame(0));
  hosted.Show();
  const auto png = resources::SearchFrame();
  Label label;
  EditBox edit;
  PictureBox picture, iconPicture;
  struct Case {
    const char* name;
    std::function<Control*()> create;  // on the worker
    std::function<bool()> made;        // whether the class's own part has run
  } cases[] = {
      {"label", [&] { return label.Create(hosted.window, 10, 10, 100, 20, "from a worker"); },
       [&] { return label.Text() == "from a worker"; }},
      {"edit box",
       [&] {
         EditBoxOptions options;
         options.text = "typed";
         return edit.Create(hosted.window, 10, 40, 100, 20, options);
       },
       [&] { return edit.Text() == "typed"; }},
      {"picture", [&] { return picture.Create(hosted.window, 10, 70, 20, 20, png); },
       [&] { return picture.FrameCount() == 1; }},
      {"icon picture",
       [&] { return iconPicture.CreateFromIcon(hosted.window, 40, 70, 20, 20, LoadIcon(nullptr, IDI_APPLICATION)); },
       [&] { return iconPicture.FrameCount() == 1; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int madeAtCrossing = -1;
    CrossingWatch watch([&] {
      if (madeAtCrossing < 0) madeAtCrossing = c.made() ? 1 : 0;
    });
    ASSERT_TRUE(watch.Installed());
    Control* handle = nullptr;
    ASSERT_TRUE(FromWorker([&] { handle = c.create(); }));
    EXPECT_NE(handle, nullptr);
    EXPECT_EQ(watch.crossings, 1) << "one crossing for the whole creation";
    EXPECT_EQ(madeAtCrossing, 0) << "fonts, formats and images are made on the UI thread";
    EXPECT_TRUE(c.made());
  }
}

TEST(WorkerCalls, ListDrawingCrossesOnceAndDrawsThere) {
  HostedWindow hosted(HostedWindow::Frame(0));
  hosted.Show();
  ListView list;
  ASSERT_NE(list.Create(hosted.window, 10, 10, 380, 260), nullptr);
  list.InsertColumn(0, "name", 200);
  for (int i = 1; i <= 40; ++i) list.InsertRow(std::nullopt, "row " + std::to_string(i));
  Pump();
  struct Case {
    const char* name;
    std::function<void()> operation;
  } cases[] = {
      {"layout", [&] { list.LayoutAreas(); }},
      {"background", [&] { list.DrawBackground(); }},
      {"header", [&] { list.DrawHeader(); }},
      {"visible rows", [&] { list.UpdateVisibleRows(true, true); }},
      {"one row", [&] { list.DrawRow(2, true); }},
      {"present", [&] { list.Present(); }},
      {"scroll bar places", [&] { list.PlaceScrollBars(); }},
      {"scroll bars", [&] { list.CreateScrollBars(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CrossingWatch watch;
    ASSERT_TRUE(watch.Installed());
    ASSERT_TRUE(FromWorker(c.operation));
    EXPECT_EQ(watch.crossings, 1) << "the whole operation runs on the UI thread";
  }
  const long drawn = list.RowsDrawn();
  ASSERT_TRUE(FromWorker([&] { list.DrawRow(3, true); }));
  EXPECT_EQ(list.RowsDrawn(), drawn + 1);
}

}  // namespace
