// The form layer: the plain top-level window ("WTWindow") in which the main window is born.
// create_form registers the class, creates the window, maps it to its Form record, sends the
// one-time created message (1026) and shows it unless asked not to. The window host of the
// toolkit later subclasses the same window and passes unhandled messages back here. Its texts
// (title, class name) are GBK like every text of the program; the window itself is a Unicode
// one, so they reach the system as the same characters on any system code page.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace form {

inline constexpr UINT kCreatedMessage = WM_USER + 2;  // 1026
inline constexpr const char* kDefaultClassName = "WTWindow";
inline constexpr int kDefaultWidth = 380;
inline constexpr int kDefaultHeight = 250;
inline constexpr DWORD kDefaultStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

using CreatedHandler = void (*)(HWND window);
// Non-zero keeps the window open.
using CloseHandler = int (*)(HWND window);
// A per-window hook answers a message by returning non-zero (that value is the answer).
using WindowHook = LRESULT (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Handler for WM_COMMAND / WM_NOTIFY coming from one control window.
using CommandHandler = LRESULT (*)(HWND parent, UINT message, WPARAM wParam, LPARAM lParam);

// The arguments of create_form; an empty optional takes the documented default.
struct FormOptions {
  HWND owner = nullptr;
  std::string title;
  CreatedHandler created = nullptr;
  bool modal = false;
  std::optional<int> x, y, width, height;
  std::optional<DWORD> style;
  std::optional<DWORD> extendedStyle;
  bool hidden = false;
  std::optional<std::string> className;
  HACCEL acceleratorTable = nullptr;
  bool dialogMessages = false;
};

// One record per form window. Subclasses may override the general handler.
class Form {
 public:
  virtual ~Form() = default;

  HWND window = nullptr;
  CreatedHandler created = nullptr;
  CloseHandler close = nullptr;

  // The form's message procedure: created message, close rule, then the general handler.
  virtual LRESULT MessageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  // Returns true when it consumed the message (answer in *result).
  virtual bool GeneralHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
};

HWND create_form(const FormOptions& options);

// The form record of a window, or null.
Form* FormOfWindow(HWND window);

// Per-window message hook (null removes it) and per-control command handler.
void SetWindowHook(HWND window, WindowHook hook);
void SetCommandHandler(HWND control, CommandHandler handler);

// Sets the close handler of a form window; false when the window is not a form.
bool SetCloseHandler(HWND window, CloseHandler handler);

// The window procedure that every form window is subclassed with.
LRESULT CALLBACK FormWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace form
