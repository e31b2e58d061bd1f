// What the benchmarks share: a clock in milliseconds and a message pump that waits for a
// condition while the thread's windows keep answering.
#pragma once

#include <windows.h>

namespace bench {

inline double Now() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

inline void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// Pumps until done() holds or the time is up; false when it never held.
template <typename Done>
bool PumpUntil(Done done, double milliseconds) {
  const double end = Now() + milliseconds;
  while (!done()) {
    if (Now() > end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    Pump();
  }
  return true;
}

}  // namespace bench
