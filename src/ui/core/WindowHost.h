// The window host: takes a top-level window over and paints its whole surface. It owns the
// window's parts, each a class of its own: the Compositor (buffers, composing, repaints,
// presenting, effects), the InputRouter (mouse, focus, keys, tooltips), the WindowFrame (title
// bar, shape, moving and sizing) and the application's HostCallbacks; it keeps the window,
// its scale and size and the control tree, and its window procedure hands every message to
// the part that answers it (HostMessages.cpp). Callers reach the parts through Painting(),
// Input(), Frame() and Callbacks().
//
// One host object per skinned window, owned by whoever attaches it; it is detached until
// attach succeeds and returns to detached on WM_DESTROY. Everything runs on the UI thread;
// the only cross-thread entry is post_to_control.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "ui/core/AccessibleHost.h"
#include "ui/core/AccessibleInfo.h"
#include "ui/core/AttachOptions.h"
#include "ui/core/Compositor.h"
#include "ui/core/DisplayScale.h"
#include "ui/core/HostCallbacks.h"
#include "ui/core/HostContext.h"
#include "ui/core/InputRouter.h"
#include "ui/core/ToolkitMessages.h"
#include "ui/core/WindowFrame.h"
#include "ui/gfx/WindowThunk.h"

class Control;

class WindowHost final : public HostContext, public AccessibleHost {
 public:
  static constexpr int kFrameInset = WindowFrame::kFrameInset;

  WindowHost();
  ~WindowHost();
  WindowHost(const WindowHost&) = delete;
  WindowHost& operator=(const WindowHost&) = delete;

  // Repaint requests made while one lives wait and are recomposed together when the owner calls
  // ComposeAndClose (handle_message opens one around every message, so a message composes and
  // presents what it changed once); see ::RepaintBatch for loops inside a message and failures.
  class RepaintBatch : public ::RepaintBatch {
   public:
    explicit RepaintBatch(WindowHost& host) : ::RepaintBatch(host.compositor_) {}
  };

  // --- the window ---
  int attach(HWND window, const AttachOptions& options = {});
  void detach(HWND window);
  LRESULT handle_message(UINT message, WPARAM wParam, LPARAM lParam);
  void handle_size(HWND window, WPARAM sizeType);
  // The control tree: appends a control to its parent's children (null = top level), or puts
  // it first with atStart; unlink takes it out of its sibling chain. Parent links included.
  void LinkControl(Control* control, Control* parent, bool atStart);
  void UnlinkControl(Control* control);
  // Clears the parts' records that refer to a control being destroyed.
  void ForgetControl(Control* control);
  // A control message given to one of this host's controls; 0 for a control it does not own.
  LRESULT DeliverToControl(Control* control, UINT message, WPARAM wParam, LPARAM lParam);
  // HostContext and AccessibleHost.
  HWND Window() const override { return window_; }
  int Dpi() const override { return dpi_; }
  WindowSize Size() const override { return size_; }
  WindowSize DeviceSize() const override { return deviceSize_; }
  bool Busy() const override { return compositor_.Busy(); }
  bool Detaching() const override { return detaching_; }
  Control* FirstControl() const override { return firstControl_; }
  Control* LastControl() const override { return lastControl_; }
  bool OwnsControl(const Control* control) const override;
  Control* Focused() const override { return input_.Focused(); }
  Control* HitTest(POINT point) const override { return input_.HitTest(point); }
  void set_focus(Control* control, bool fromKeyboard) override { input_.set_focus(control, fromKeyboard); }
  // The role the window's client area reads out as (a menu, a dialog; a plain client area by
  // default). Showing a menu or dialog window announces it; detaching a menu ends it.
  long AccessibleRole() const override { return accessibleRole_; }
  void SetAccessibleRole(long role) { accessibleRole_ = role; }
  // Scale: a logical rectangle of the client area as the device pixels it covers, and points.
  RECT ToDevice(const Gdiplus::RectF& rect) const { return ui::RectToDevice(rect, dpi_); }
  POINT ToDevice(POINT point) const { return ui::PointToDevice(point, dpi_); }
  POINT ToLogical(POINT point) const { return ui::PointToLogical(point, dpi_); }

  // --- the parts ---
  Compositor& Painting() { return compositor_; }
  const Compositor& Painting() const { return compositor_; }
  InputRouter& Input() { return input_; }
  const InputRouter& Input() const { return input_; }
  WindowFrame& Frame() { return frame_; }
  const WindowFrame& Frame() const { return frame_; }
  HostCallbacks& Callbacks() { return callbacks_; }

  // Shows the window, optionally animated.
  void show(int effect);

 private:
  LRESULT DefaultProcessing(UINT message, WPARAM wParam, LPARAM lParam);
  // Reads the window's outer size (device pixels) and its logical size at the current DPI.
  WindowSize ReadSize();
  // WM_DPICHANGED: the suggested rectangle, new buffers and control surfaces, a full redraw.
  void OnDpiChanged(int dpi, const RECT* suggested);
  // Client mouse messages carry device points; the host and its controls work in logical ones.
  static bool CarriesClientPoint(UINT message);
  LPARAM LogicalPointParam(LPARAM lParam) const;
  void AnnounceShown();
  static LRESULT CALLBACK WindowProcThunkTarget(WindowHost* self, UINT message, WPARAM wParam, LPARAM lParam);

  // attach, step by step.
  // Popup style, host property, default cursor; no system frame.
  void TakeOverWindow();
  // Size, scale, then the compositor's window DC, buffers and queue.
  void PrepareDrawing();
  // Puts the thunk in as the window procedure; false when no thunk could be made.
  bool Subclass();
  void AbandonAttach();

  // handle_message: each group answers its own messages (nothing for the others).
  LRESULT AnswerMessage(UINT message, WPARAM wParam, LPARAM lParam);
  std::optional<LRESULT> AnswerWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);
  std::optional<LRESULT> AnswerInputMessage(UINT message, WPARAM wParam, LPARAM lParam);
  std::optional<LRESULT> AnswerToolkitMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // Detaches, then hands the message to the window's previous procedure.
  LRESULT DetachAndPassOn(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnSetText(WPARAM wParam, LPARAM lParam);
  void OnClose();
  void OnTimer(WPARAM wParam, LPARAM lParam);
  LRESULT OnControlMoved(Control* control, LPARAM redraw);
  LRESULT OnPostedToControl(Control* control, ControlMessageBlock* block);
  void OnRepaintRect(WPARAM wParam, Gdiplus::RectF* rect);
  // Frees the blocks of the control messages and repaints still queued for the window.
  void FreeUndeliveredBlocks();

  HWND window_ = nullptr;             // the attached window; null while detached
  WNDPROC previousProc_ = nullptr;    // the procedure the thunk replaced
  gfx::WindowThunk thunk_;            // window procedure that calls handle_message
  WindowSize size_;                   // outer size in logical pixels
  WindowSize deviceSize_;             // outer size in device pixels: the buffers' size
  int dpi_ = ui::kBaseDpi;            // the window's DPI
  Control* firstControl_ = nullptr;   // top-level controls, bottom to top
  Control* lastControl_ = nullptr;
  bool detaching_ = false;
  long accessibleRole_ = ROLE_SYSTEM_CLIENT;
  // The parts (declared after what they read through HostContext; frame before those using it).
  HostCallbacks callbacks_;
  WindowFrame frame_{*this};
  Compositor compositor_{*this, frame_, callbacks_};
  InputRouter input_{*this, frame_, callbacks_};
};

// --- window helpers ---

// Optional arguments of create_toolkit_window.
struct ToolkitWindowOptions {
  HWND parent = nullptr;
  std::string title;
  std::optional<int> x, y, width, height;
  std::optional<std::string> className;   // ["Tessel_DirectUI"]
  std::optional<DWORD> style;             // [WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | min | max]
  DWORD extendedStyle = 0;
  bool show = false;
};

HWND create_toolkit_window(const ToolkitWindowOptions& options);
// The host of a window (the "Tessel_Wnd_Control" property), or null.
WindowHost* host_of_window(HWND window);
bool set_topmost(HWND window);
// A private message loop that runs while the window exists.
void run_modal(HWND window);
// The standard on_window_message callback of toolkit pop-ups; always -1.
LRESULT popup_message_hook(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Safe from any thread: posts the message to the control through its host window.
bool post_to_control(HWND window, Control* control, UINT message, WPARAM wParam, LPARAM lParam);

// Window properties of the toolkit.
inline constexpr const wchar_t* kPropHost = L"Tessel_Wnd_Control";
inline constexpr const wchar_t* kPropFlags = L"Tessel_Wnd_Flags";
inline constexpr const wchar_t* kPropMsgBox = L"Tessel_DirectUI_MsgBox";
inline constexpr const wchar_t* kPropMenuHost = L"Tessel_DirectUI_Host";
inline constexpr const wchar_t* kPropMenuSub = L"Tessel_DirectUI_Sub";
inline constexpr const wchar_t* kPropMenuAct = L"Tessel_DirectUI_Act";
inline constexpr const wchar_t* kPropMenuEvent = L"Tessel_DirectUI_Event";
inline constexpr const wchar_t* kPropMenuWnd = L"Tessel_DirectUI_pWnd";
inline constexpr const wchar_t* kToolkitClassName = L"Tessel_DirectUI";
