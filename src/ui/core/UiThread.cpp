#include "ui/core/UiThread.h"

#include "ui/core/ToolkitMessages.h"

namespace ui {

bool OnThreadOf(HWND window) {
  if (!window || !IsWindow(window)) return true;
  return GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
}

bool RunOnUiThread(HWND window, const std::function<void()>& fn) {
  if (!fn) return false;
  if (OnThreadOf(window)) {
    fn();
    return true;
  }
  // The window answers 1 once fn has run; a window without a host answers 0 and fn never runs.
  return SendMessageW(window, TKM_RUN_ON_UI_THREAD, 0, reinterpret_cast<LPARAM>(&fn)) == 1;
}

LRESULT AnswerRunOnUiThread(LPARAM lParam) {
  const auto* fn = reinterpret_cast<const std::function<void()>*>(lParam);
  if (!fn || !*fn) return 0;
  // An exception stops here; the caller sees "did not run".
  return Contained([fn] {
    (*fn)();
    return LRESULT{1};
  });
}

}  // namespace ui
