// Kernel handles of the application, and how it starts its workers: each worker runs on a
// thread of its own that nobody waits for, so the thread's handle is closed at once.
#pragma once

#include <windows.h>

#include "ui/gfx/GdiHandles.h"

using gfx::KernelHandle;

// Runs routine(parameter) on a new thread; false when no thread could be made.
inline bool StartWorker(LPTHREAD_START_ROUTINE routine, void* parameter = nullptr) {
  return static_cast<bool>(KernelHandle(CreateThread(nullptr, 0, routine, parameter, 0, nullptr)));
}
