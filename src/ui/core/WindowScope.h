// A window owned by a scope: destroyed when the scope ends, however it ends (a failure half way
// too), unless it is gone already. Modal loops hold their windows this way.
#pragma once

#include <windows.h>

class WindowScope {
 public:
  explicit WindowScope(HWND window) : window_(window) {}
  ~WindowScope() {
    if (window_ && IsWindow(window_)) DestroyWindow(window_);
  }
  WindowScope(const WindowScope&) = delete;
  WindowScope& operator=(const WindowScope&) = delete;

 private:
  HWND window_;
};
