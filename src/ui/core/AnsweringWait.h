// A wait of the UI thread for work done elsewhere that does not make its windows look dead:
// Windows marks a window whose thread has not looked at its queue for 5 s as not responding,
// ghosts it and offers to end the program when it is clicked.
#pragma once

#include <windows.h>

namespace ui {

// Waits until `done` is signalled or `ms` milliseconds have passed; true when it was signalled.
// Meanwhile the thread answers what other threads send it (WM_GETOBJECT, WM_NULL, controls
// changed from workers), paints, runs its timers (a busy indicator keeps turning) and shows
// queued repaints. Keyboard and mouse input is dropped: nothing the user does starts anything
// until the wait is over. Every other posted message stays queued for after the wait.
bool WaitAnswering(HANDLE done, DWORD ms);

}  // namespace ui
