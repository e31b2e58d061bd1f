// The thread rule of the toolkit: control state and every GDI/GDI+ object of a host window are
// touched only on the thread that owns the window (the UI thread). An operation called from
// another thread runs there through one synchronous message to the host window.
#pragma once

#include <windows.h>

#include <functional>
#include <type_traits>

#include "base/Contained.h"

namespace ui {

// Window procedures and timer procedures stop failures at the one boundary.
using base::Contained;

// Whether the calling thread owns the window. A null or dead window counts as "here": there is
// no UI thread to go to, so the caller works on its own data.
bool OnThreadOf(HWND window);

// Runs fn on the thread that owns window: at once when called there, otherwise through one
// TKM_RUN_ON_UI_THREAD sent to the window, which blocks until the UI thread has run it.
// False when fn did not run (the window is gone, or it is no host window). Never call it while
// holding a lock the UI thread may wait for.
bool RunOnUiThread(HWND window, const std::function<void()>& fn);

// The same for a function with a result; a value-initialised result when it could not run.
template <typename F>
auto CallOnUiThread(HWND window, F&& fn) -> std::invoke_result_t<F&> {
  using R = std::invoke_result_t<F&>;
  if constexpr (std::is_void_v<R>) {
    RunOnUiThread(window, fn);
  } else {
    R result{};
    RunOnUiThread(window, [&] { result = fn(); });
    return result;
  }
}

// With an explicit result for "could not run".
template <typename F, typename R>
R CallOnUiThread(HWND window, F&& fn, R fallback) {
  RunOnUiThread(window, [&] { fallback = fn(); });
  return fallback;
}

// What the host window does with TKM_RUN_ON_UI_THREAD (lParam = const std::function<void()>*).
LRESULT AnswerRunOnUiThread(LPARAM lParam);

}  // namespace ui
