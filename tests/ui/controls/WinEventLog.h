// The WinEvents a hook in this process saw, for the tests of what assistive technology is told.
#pragma once

#include <windows.h>

#include <vector>

namespace winevent_log {

struct Event {
  DWORD event;
  LONG object;
  LONG child;
};
inline std::vector<Event> gEvents;

// The hook procedure: SetWinEventHook(..., nullptr, Record, GetCurrentProcessId(), 0, ...).
inline void CALLBACK Record(HWINEVENTHOOK, DWORD event, HWND, LONG object, LONG child, DWORD, DWORD) {
  gEvents.push_back(Event{event, object, child});
}

}  // namespace winevent_log
