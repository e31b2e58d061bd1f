// The UI thread's wait for work done elsewhere: what it answers and runs while it waits, what it
// drops and what it leaves queued for afterwards.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>
#include <vector>

#include "ui/core/AnsweringWait.h"
#include "ui/core/ToolkitMessages.h"

namespace {

constexpr UINT kKept = WM_APP + 1;  // posted: waits for the loop after the wait
constexpr UINT kSent = WM_APP + 2;  // sent from another thread: answered during the wait

// A top-level window that records the messages its procedure gets.
class RecordingWindow {
 public:
  RecordingWindow() {
    static const ATOM atom = [] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = Proc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = L"QuarvelAnsweringWaitTest";
      return RegisterClassW(&wc);
    }();
    window = CreateWindowExW(0, reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(atom)), L"wait", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 150,
                             nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    seen.clear();
  }
  ~RecordingWindow() { DestroyWindow(window); }

  bool Saw(UINT message) const {
    for (UINT m : seen) {
      if (m == message) return true;
    }
    return false;
  }

  HWND window = nullptr;
  std::vector<UINT> seen;
  std::atomic<bool> timerRan{false};

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<RecordingWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self) {
      self->seen.push_back(message);
      if (message == WM_TIMER) self->timerRan = true;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }
};

struct Event {
  HANDLE handle = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ~Event() { CloseHandle(handle); }
};

TEST(AnsweringWait, AnswersPaintsAndRunsTimersButDropsInput) {
  RecordingWindow recording;
  HWND window = recording.window;
  ASSERT_NE(window, nullptr);
  const UINT input[] = {WM_LBUTTONDOWN, WM_RBUTTONUP, WM_MOUSEMOVE, WM_KEYDOWN, WM_CHAR, WM_NCLBUTTONDOWN};
  for (UINT message : input) PostMessageW(window, message, 0, 0);
  PostMessageW(window, kKept, 0, 0);
  PostMessageW(window, TKM_COMPOSE_QUEUED, 0, 0);
  InvalidateRect(window, nullptr, FALSE);
  SetTimer(window, 1, 20, nullptr);

  // The work is done once its sent message was answered and a timer has run meanwhile; a wait
  // that answered nothing would never see it done.
  Event done;
  std::thread work([&] {
    DWORD_PTR answer = 0;
    const bool answered = SendMessageTimeoutW(window, kSent, 0, 0, SMTO_BLOCK, 60000, &answer) != 0;
    while (answered && !recording.timerRan) Sleep(5);
    if (answered) SetEvent(done.handle);
  });
  const bool ended = ui::WaitAnswering(done.handle, 60000);
  work.join();
  KillTimer(window, 1);
  ASSERT_TRUE(ended);

  for (UINT message : {kSent, static_cast<UINT>(WM_TIMER), static_cast<UINT>(WM_PAINT), TKM_COMPOSE_QUEUED}) {
    EXPECT_TRUE(recording.Saw(message)) << std::hex << message;
  }
  MSG msg;
  for (UINT message : input) {
    EXPECT_FALSE(recording.Saw(message)) << std::hex << message;
    EXPECT_FALSE(PeekMessageW(&msg, window, message, message, PM_REMOVE)) << "still queued: " << std::hex << message;
  }
  // Anything else posted is handled after the wait.
  EXPECT_FALSE(recording.Saw(kKept));
  EXPECT_TRUE(PeekMessageW(&msg, window, kKept, kKept, PM_REMOVE));
}

TEST(AnsweringWait, EndsWithItsEventOrAtItsEnd) {
  RecordingWindow recording;
  struct Case {
    bool signalled;
    DWORD ms;
  };
  for (const Case c : {Case{true, 60000}, Case{false, 0}, Case{false, 300}}) {
    SCOPED_TRACE(c.ms);
    Event done;
    if (c.signalled) SetEvent(done.handle);
    // A message left queued does not keep the wait from its end either.
    PostMessageW(recording.window, kKept, 0, 0);
    EXPECT_EQ(ui::WaitAnswering(done.handle, c.ms), c.signalled);
  }
}

}  // namespace
