#include "ui/core/AnsweringWait.h"

#include "ui/core/ToolkitMessages.h"

namespace ui {
namespace {

struct Taken {
  UINT first;
  UINT last;
  bool handled;  // dispatched; otherwise dropped
};

constexpr Taken kTaken[] = {
    {WM_KEYFIRST, WM_KEYLAST, false},
    {WM_MOUSEFIRST, WM_MOUSELAST, false},
    {WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK, false},
    {WM_PAINT, WM_PAINT, true},
    {WM_TIMER, WM_TIMER, true},
    {TKM_REPAINT_RECT, TKM_REPAINT_RECT, true},
    {TKM_COMPOSE_QUEUED, TKM_COMPOSE_QUEUED, true},
};

// At most this many of one kind a turn: a window whose paint never validates does not hold the
// wait past its end.
constexpr int kPerTurn = 64;

// Every look at the queue also answers the messages other threads have sent.
void TakeQueued() {
  MSG msg;
  for (const Taken& taken : kTaken) {
    for (int n = 0; n < kPerTurn && PeekMessageW(&msg, nullptr, taken.first, taken.last, PM_REMOVE); ++n) {
      if (taken.handled) DispatchMessageW(&msg);
    }
  }
}

}  // namespace

bool WaitAnswering(HANDLE done, DWORD ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  for (;;) {
    TakeQueued();
    const ULONGLONG now = GetTickCount64();
    if (now >= end) return WaitForSingleObject(done, 0) == WAIT_OBJECT_0;
    const DWORD left = static_cast<DWORD>(end - now);
    // Wakes for what arrives after this look at the queue, not for what was left queued.
    const DWORD woke = MsgWaitForMultipleObjects(1, &done, FALSE, left, QS_ALLINPUT);
    if (woke == WAIT_OBJECT_0) return true;
    if (woke == WAIT_TIMEOUT) return false;
    // The wait itself failed: wait without the queue rather than spin.
    if (woke != WAIT_OBJECT_0 + 1) return WaitForSingleObject(done, left) == WAIT_OBJECT_0;
  }
}

}  // namespace ui
