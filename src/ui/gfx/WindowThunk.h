// A 20-byte piece of executable code that turns a window procedure call
// (window, message, wParam, lParam) into a call of a host's message function
// (host, message, wParam, lParam): the window handle on the stack is replaced with the host
// reference. The thunk owns its memory and frees it when it goes (the host keeps it until
// it detaches).
#pragma once

#include <windows.h>

#include <cstddef>

namespace gfx {

class WindowThunk {
 public:
  // The function the thunk jumps to; the first argument arrives as the host reference.
  using Target = LRESULT(CALLBACK*)(void* host, UINT message, WPARAM wParam, LPARAM lParam);

  static constexpr std::size_t kSize = 20;

  WindowThunk() = default;
  WindowThunk(const WindowThunk&) = delete;
  WindowThunk& operator=(const WindowThunk&) = delete;
  WindowThunk(WindowThunk&& other) noexcept;
  WindowThunk& operator=(WindowThunk&& other) noexcept;
  ~WindowThunk();

  // The address to install as a window procedure; null when the memory could not be had.
  WNDPROC Proc() const { return reinterpret_cast<WNDPROC>(code_); }
  explicit operator bool() const { return code_ != nullptr; }
  void Reset();

 private:
  friend WindowThunk make_window_thunk(void* host, Target method);
  unsigned char* code_ = nullptr;
};

WindowThunk make_window_thunk(void* host, WindowThunk::Target method);

// Typed form: method(T* host, message, wParam, lParam).
template <typename T>
WindowThunk make_window_thunk(T* host, LRESULT(CALLBACK* method)(T*, UINT, WPARAM, LPARAM)) {
  return make_window_thunk(static_cast<void*>(host), reinterpret_cast<WindowThunk::Target>(method));
}

}  // namespace gfx
