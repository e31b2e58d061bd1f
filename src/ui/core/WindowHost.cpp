// Attaching a window (step by step) and detaching it, and the control tree's links. The
// window procedure is in HostMessages.cpp; drawing, input and the frame are the parts'.
#include "ui/core/WindowHost.h"

#include "ui/core/AccessibleNode.h"
#include "ui/core/Control.h"
#include "ui/core/UiThread.h"
#include "ui/gfx/Toolkit.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

WindowHost::WindowHost() = default;

WindowHost::~WindowHost() {
  compositor_.AbandonBatches();
  if (window_ && IsWindow(window_)) DestroyWindow(window_);
  if (window_) detach(window_);
}

int WindowHost::attach(HWND window, const AttachOptions& options) {
  if (!window || !IsWindow(window) || window == window_ || window_ != nullptr) return 0;
  window_ = window;
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  compositor_.TakeOptions(options);
  frame_.TakeOptions(options.cornerStyle, options.sizable, options.draggable, style);
  frame_.TakeFrameFlags(options.frameFlags, style);
  TakeOverWindow();
  PrepareDrawing();
  if (!Subclass()) {
    AbandonAttach();
    return 0;
  }
  {
    // While busy: the parts draw, but nothing is composed or presented before the first paint.
    ScopedFlag busy = compositor_.BusyScope();
    frame_.CreateParts();
  }
  compositor_.redraw(options.image, options.backgroundColour, 2, false);
  if (compositor_.Alpha() != -1) compositor_.present_rect(nullptr, false);
  // Sizable windows get the thick frame back (the host draws no system frame).
  if (frame_.Sizable()) EditWindowStyle(window_, WS_THICKFRAME, 0);
  return 1;
}

void WindowHost::TakeOverWindow() {
  EditWindowStyle(window_, static_cast<LONG>(WS_POPUP), 0);
  SetPropW(window_, kPropHost, this);
  TakeOwnedPosts(window_, true);
  input_.TakeDefaultCursor();
  frame_.TakeOverStyle();
}

void WindowHost::PrepareDrawing() {
  dpi_ = ui::WindowDpi(window_);
  size_ = ReadSize();
  compositor_.PrepareDrawing();
}

bool WindowHost::Subclass() {
  thunk_ = gfx::make_window_thunk(this, WindowProcThunkTarget);
  if (!thunk_) return false;
  previousProc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(thunk_.Proc())));
  // The style edits change the non-client area only once the frame is recalculated.
  SetWindowPos(window_, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  return true;
}

void WindowHost::AbandonAttach() {
  TakeOwnedPosts(window_, false);
  RemovePropW(window_, kPropHost);
  compositor_.AbandonAttach();
  window_ = nullptr;
}

void WindowHost::FreeUndeliveredBlocks() {
  // A dying window's queued messages are dropped with it: the blocks they own are freed here.
  MSG msg;
  while (PeekMessageW(&msg, window_, TKM_POST_TO_CONTROL, TKM_POST_TO_CONTROL, PM_REMOVE | PM_NOYIELD)) {
    ReleaseMessageBlock(reinterpret_cast<void*>(msg.lParam));
  }
  while (PeekMessageW(&msg, window_, TKM_REPAINT_RECT, TKM_REPAINT_RECT, PM_REMOVE | PM_NOYIELD)) {
    if (msg.wParam & kRepaintOwnedRect) ReleaseOwnedRect(reinterpret_cast<const RectF*>(msg.lParam));
  }
}

void WindowHost::detach(HWND window) {
  if (!window_ || window != window_) return;
  if (accessibleRole_ == ROLE_SYSTEM_MENUPOPUP) NotifyWinEvent(EVENT_SYSTEM_MENUPOPUPEND, window_, OBJID_CLIENT, CHILDID_SELF);
  compositor_.SetBusy(true);
  detaching_ = true;
  // From here on a post that would carry memory for this host is refused, so what
  // FreeUndeliveredBlocks finds below is all there will be.
  TakeOwnedPosts(window_, false);
  compositor_.StopComposing();
  // The controls go while the window still runs through this host, so what their WM_DESTROY
  // work sends to the window (control messages, timers) is still understood and freed here.
  while (Control* control = firstControl_) {
    control->Destroy();
    if (firstControl_ == control) firstControl_ = control->NextSibling();  // never live: skip it
  }
  lastControl_ = nullptr;
  FreeUndeliveredBlocks();
  if (previousProc_) SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc_));
  frame_.Release();
  input_.Release();
  compositor_.Release();
  RemovePropW(window_, kPropHost);
  thunk_.Reset();
  previousProc_ = nullptr;
  window_ = nullptr;
  compositor_.SetBusy(false);
  detaching_ = false;
}

void WindowHost::LinkControl(Control* control, Control* parent, bool atStart) {
  Control*& first = parent ? parent->firstChild_ : firstControl_;
  Control*& last = parent ? parent->lastChild_ : lastControl_;
  control->parent_ = parent;
  if (atStart) {
    control->previousSibling_ = nullptr;
    control->nextSibling_ = first;
    if (first) first->previousSibling_ = control;
    first = control;
    if (!last) last = control;
  } else {
    control->previousSibling_ = last;
    control->nextSibling_ = nullptr;
    if (last) last->nextSibling_ = control;
    last = control;
    if (!first) first = control;
  }
}

void WindowHost::UnlinkControl(Control* control) {
  Control* parent = control->parent_;
  Control*& first = parent ? parent->firstChild_ : firstControl_;
  Control*& last = parent ? parent->lastChild_ : lastControl_;
  if (control->previousSibling_) control->previousSibling_->nextSibling_ = control->nextSibling_;
  if (control->nextSibling_) control->nextSibling_->previousSibling_ = control->previousSibling_;
  if (first == control) first = control->nextSibling_;
  if (last == control) last = control->previousSibling_;
  control->previousSibling_ = control->nextSibling_ = nullptr;
}

bool WindowHost::OwnsControl(const Control* control) const {
  if (!control) return false;
  // Walks the whole tree: a control id from a timer or a posted block is only trusted when
  // it is still one of ours.
  struct Walker {
    static bool Find(const Control* from, const Control* wanted) {
      for (const Control* c = from; c; c = c->NextSibling()) {
        if (c == wanted || Find(c->FirstChild(), wanted)) return true;
      }
      return false;
    }
  };
  return Walker::Find(firstControl_, control);
}

void WindowHost::ForgetControl(Control* control) {
  if (!control) return;
  input_.ForgetControl(control);
  frame_.ForgetControl(control);
}

void WindowHost::show(int effect) {
  if (!window_) return;
  struct Announce {
    WindowHost* host;
    ~Announce() { host->AnnounceShown(); }
  } announce{this};
  compositor_.show(effect);
}
