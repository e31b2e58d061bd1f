// Attaching a window (step by step) and detaching it, the control tree's links, and the
// host's small setters. The window procedure is in HostMessages.cpp.
#include "ui/core/WindowHost.h"

#include <windowsx.h>

#include "ui/core/AccessibleNode.h"
#include "ui/core/Control.h"
#include "ui/core/TitleButton.h"
#include "ui/core/UiThread.h"
#include "ui/core/FrameParts.h"
#include "ui/gfx/Text.h"
#include "ui/gfx/Toolkit.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

// The window's title as GBK: read wide, since the "A" form answers in the system's code page.
std::string WindowText(HWND window) {
  int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  int copied = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
  return gfx::narrow_text(text);
}

// A timer id for the cross-fade that no control can use (controls use their addresses).
constexpr UINT_PTR kTransitionTimerId = 1;

}  // namespace

WindowHost::WindowHost() = default;

void WindowHost::EditStyle(LONG add, LONG remove) {
  LONG style = GetWindowLongW(window_, GWL_STYLE);
  LONG wanted = (style | add) & ~remove;
  if (wanted != style) SetWindowLongW(window_, GWL_STYLE, wanted);
}

WindowHost::~WindowHost() {
  // Scopes still open on the stack (the host deleted inside its own message) let it be.
  for (RepaintBatch* batch = innermostBatch_; batch; batch = batch->outer_) batch->host_ = nullptr;
  if (window_ && IsWindow(window_)) DestroyWindow(window_);
  if (window_) detach(window_);
}

int WindowHost::attach(HWND window, const AttachOptions& options) {
  if (!window || !IsWindow(window) || window == window_ || window_ != nullptr) return 0;
  window_ = window;
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  TakeOptions(options, style);
  TakeFrameFlags(options.frameFlags, style);
  TakeOverWindow();
  PrepareDrawing();
  if (!Subclass()) {
    AbandonAttach();
    return 0;
  }
  CreateFrameParts();
  redraw(options.image, options.backgroundColour, 2);
  if (alpha_ != -1) present_rect(nullptr, false);
  // Sizable windows get the thick frame back (the host draws no system frame).
  if (sizable_) EditStyle(WS_THICKFRAME, 0);
  return 1;
}

void WindowHost::TakeOptions(const AttachOptions& options, LONG style) {
  alpha_ = options.alpha.value_or(-1);
  imageLayout_ = options.imageLayout.value_or(0);
  cornerStyle_ = options.cornerStyle.value_or(7);
  presentOnAttach_ = options.presentOnAttach.value_or(true);
  sizable_ = options.sizable.value_or((style & WS_THICKFRAME) != 0);
  draggable_ = options.draggable.value_or(true);
  gloss_ = options.gloss.value_or(true);
  nineSlice_ = options.nineSlice;
  sharedBackground_ = options.sharedBackground.value_or(nullptr);
  backgroundColour_ = -1;
  if (!options.alpha) {
    glassBlur_ = false;
  } else if (!options.glassBlur) {
    glassBlur_ = gfx::OsMajorVersion() == 6;
  } else {
    glassBlur_ = *options.glassBlur;
  }
}

void WindowHost::TakeFrameFlags(std::optional<int> given, LONG style) {
  int flags = given.value_or(0);
  if (!given || *given != 0) {
    EditStyle(WS_SYSMENU, 0);
    if (!given || (flags & kFrameComplete)) {
      flags |= kFrameIcon | kFrameCaption | kFrameClose;
      if (style & WS_MAXIMIZEBOX) flags |= kFrameMaximize;
      if (style & WS_MINIMIZEBOX) flags |= kFrameMinimize;
    }
  }
  frameFlags_ = (flags & ~kFrameComplete) | kFrameDrawn;
}

void WindowHost::TakeOverWindow() {
  EditStyle(static_cast<LONG>(WS_POPUP), 0);
  SetPropW(window_, kPropHost, this);
  TakeOwnedPosts(window_, true);
  defaultCursor_ = gfx::DefaultCursor() ? gfx::DefaultCursor() : LoadCursorW(nullptr, gfx::SystemCursorId(IDC_ARROW));
  // The host draws the frame and its boxes itself.
  LONG remove = WS_THICKFRAME | WS_DLGFRAME | WS_BORDER;
  if (!(frameFlags_ & kFrameMinimize)) remove |= WS_MINIMIZEBOX;
  if (!(frameFlags_ & kFrameMaximize)) remove |= WS_MAXIMIZEBOX;
  EditStyle(0, remove);
}

void WindowHost::PrepareDrawing() {
  dpi_ = ui::WindowDpi(window_);
  size_ = ReadSize();
  windowDc_ = gfx::WindowDc(window_);
  CreateBuffers();
  if (alpha_ != -1) {
    LONG ex = GetWindowLongW(window_, GWL_EXSTYLE);
    if (!(ex & WS_EX_LAYERED)) SetWindowLongW(window_, GWL_EXSTYLE, ex | WS_EX_LAYERED);
  }
  repaintQueue_.Bind(window_, this, graphics_.Get());
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
  ReleaseBuffers();
  windowDc_.Reset();
  window_ = nullptr;
}

void WindowHost::CreateFrameParts() {
  // While busy: the parts draw, but nothing is composed or presented before the first paint.
  ScopedFlag busy(busy_, true, false);
  if (frameFlags_ & kFrameIcon) {
    auto icon = std::make_unique<FrameIcon>();
    HICON small = reinterpret_cast<HICON>(SendMessageW(window_, WM_GETICON, ICON_SMALL, 0));
    if (!small) small = reinterpret_cast<HICON>(GetClassLongPtrW(window_, GCLP_HICONSM));
    if (icon->CreateIcon(window_, small)) {
      iconControl_ = icon.get();
      ownedFrameParts_.push_back(std::move(icon));
    }
  }
  if (frameFlags_ & kFrameCaption) {
    auto caption = std::make_unique<CaptionLabel>();
    if (caption->CreateCaption(window_, RectF(0, 9, 0, 18), WindowText(window_))) {
      captionLabel_ = caption.get();
      ownedFrameParts_.push_back(std::move(caption));
    }
  }
  CreateTitleButtons();
}

void WindowHost::CreateTooltip() {
  // The tooltip class is comctl32's, and version 6 registers it for the process only once asked.
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, L"", WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0, 0, 0,
                             0, window_, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (tooltip_) {
    SetWindowPos(tooltip_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, 1024);
  }
  toolInfo_ = TTTOOLINFOW{};
  toolInfo_.cbSize = 44;  // the pre-XP layout: no lpReserved field
  toolInfo_.uFlags = TTF_SUBCLASS;
  toolInfo_.hwnd = window_;
}

void WindowHost::CreateTitleButtons() {
  // One button per set bit, first laid out right to left from the window width - 12 at top 7;
  // every redraw places them again with layout_title_bar.
  titleButtonBits_.clear();
  float x = static_cast<float>(size_.width) - 12;
  for (int bit : kTitleButtonBits) {
    if (!(frameFlags_ & bit)) continue;
    titleButtonBits_.push_back(bit);
    const float width = TitleButtonWidth(bit);
    x -= 28;
    auto button = std::make_unique<TitleButton>();
    if (button->Create(window_, x, 7, width, kTitleButtonHeight, bit)) {
      titleButtons_.push_back(button.get());
      ownedFrameParts_.push_back(std::move(button));
    }
  }
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
  busy_ = true;
  detaching_ = true;
  // From here on a post that would carry memory for this host is refused, so what
  // FreeUndeliveredBlocks finds below is all there will be.
  TakeOwnedPosts(window_, false);
  KillTimer(window_, kTransitionTimerId);
  repaintQueue_.Release();
  // The controls go while the window still runs through this host, so what their WM_DESTROY
  // work sends to the window (control messages, timers) is still understood and freed here.
  while (Control* control = firstControl_) {
    control->Destroy();
    if (firstControl_ == control) firstControl_ = control->NextSibling();  // never live: skip it
  }
  lastControl_ = nullptr;
  FreeUndeliveredBlocks();
  if (previousProc_) SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc_));
  ownedFrameParts_.clear();
  frameClip_.Reset();
  frameClipRects_.clear();
  backgroundImage_.Reset();
  stretchedBackground_.Reset();
  if (tooltip_) {
    SendMessageW(tooltip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&toolInfo_));
    DestroyWindow(tooltip_);
    tooltip_ = nullptr;
  }
  if (pressing_ || trackingMouse_) ReleaseCapture();
  focused_ = hovered_ = pressed_ = keyboardCue_ = nullptr;
  pressing_ = false;
  trackingMouse_ = false;
  frameFlags_ = 0;
  ReleaseBuffers();
  snapshot_.Release();
  windowDc_.Reset();
  accelerators_.clear();
  titleButtons_.clear();
  titleButtonBits_.clear();
  iconControl_ = captionLabel_ = nullptr;
  RemovePropW(window_, kPropHost);
  thunk_.Reset();
  previousProc_ = nullptr;
  window_ = nullptr;
  composePosted_ = false;  // a new attach starts afresh; one still queued is harmless
  busy_ = false;
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

bool WindowHost::draggable(std::optional<bool> value) {
  if (value) draggable_ = *value;
  return draggable_;
}

int WindowHost::corner_style(std::optional<int> value) {
  if (value) cornerStyle_ = *value;
  return cornerStyle_;
}

void WindowHost::set_edge_colour(int colour) { edgeColour_ = colour; }
void WindowHost::set_close_effect(int effect) { closeEffect_ = effect; }

void WindowHost::set_cursor(HCURSOR cursor, bool isHandle) {
  defaultCursor_ = isHandle ? cursor : LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(cursor));
}

void WindowHost::ForgetControl(Control* control) {
  if (!control) return;
  if (pressed_ == control) {
    pressed_ = nullptr;
    pressing_ = false;
  }
  if (focused_ == control) focused_ = nullptr;
  if (hovered_ == control) hovered_ = nullptr;
  if (keyboardCue_ == control) keyboardCue_ = nullptr;
  std::erase_if(accelerators_, [control](const Accelerator& entry) { return entry.control == control; });
  std::erase(titleButtons_, control);
  if (iconControl_ == control) iconControl_ = nullptr;
  if (captionLabel_ == control) captionLabel_ = nullptr;
}

void WindowHost::Call(ControlCallback callback, Control* control, WPARAM wParam, LPARAM lParam, int type) {
  if (callback) callback(window_, control, wParam, lParam, type);
}
