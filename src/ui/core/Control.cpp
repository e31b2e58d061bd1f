#include "ui/core/Control.h"

#include <cmath>
#include <new>

#include "base/Contained.h"
#include "ui/core/WindowHost.h"
#include "ui/gfx/Pixels.h"
#include "ui/gfx/RectArithmetic.h"
#include "ui/gfx/Text.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

bool Differs(float a, float b) { return std::fabs(a - b) > kBoundsTolerance; }

void CALLBACK TransitionTimerProc(HWND, UINT, UINT_PTR id, DWORD) {
  ui::Contained([id] { reinterpret_cast<Control*>(id - 1)->TransitionTick(); });
}

// Queues a repaint of rect on the host window; the rectangle travels as a heap copy flagged as
// owned, so a control that moves or goes away before the host reads the message cannot leave
// it pointing at stale memory.
void PostRepaint(HWND window, const RectF& rect, WPARAM mode) {
  RectF* copy = NewOwnedRect(rect);
  if (copy && !PostOwnedToHost(window, TKM_REPAINT_RECT, mode | kRepaintOwnedRect, reinterpret_cast<LPARAM>(copy))) {
    ReleaseOwnedRect(copy);
  }
}

}  // namespace

HCURSOR ControlCursor::Resolve() const {
  if (handle) return handle;
  if (systemId) return LoadCursorW(nullptr, systemId);
  return nullptr;
}

Control::~Control() {
  // An object that goes away while live must not leave its timers or host records behind. The
  // class's own WM_DESTROY work has run already when the concrete class destroyed it first.
  if (IsLive()) Control::Destroy();
}

void Control::DestroyMembers() {
  tipText_.clear();
  tag_.clear();
  handlers_.clear();
}

Control* Control::Copy() const { return nullptr; }

HWND ControlParent::HostWindow() const { return control ? control->GetHostWindow() : window; }

Control* Control::Create(ControlParent parent, RectF bounds, const ControlOptions& options) {
  HWND target = parent.HostWindow();
  if (!ui::OnThreadOf(target)) {
    return ui::CallOnUiThread(target, [&] { return Create(parent, bounds, options); });
  }
  if (handle_ == this) return this;
  if (handle_ != nullptr) {
    // The record was copied from another live control: its links belong to that control.
    parent_ = firstChild_ = lastChild_ = previousSibling_ = nextSibling_ = nullptr;
  }
  handle_ = this;

  hostWindow_ = parent.window;
  bounds_ = bounds;
  tipText_.clear();
  parent_ = nullptr;
  alpha_ = 255;
  type_ = options.type;
  cursor_ = options.cursor.Resolve();
  visible_ = options.visible;
  focusable_ = options.focusable.value_or(true);
  disabled_ = false;
  presenting_ = true;
  previousSibling_ = nextSibling_ = nullptr;

  if (parent.control == nullptr) {
    host_ = host_of_window(parent.window);
    if (host_ == nullptr) {
      handle_ = nullptr;
      hostWindow_ = nullptr;
      return nullptr;
    }
    host_->LinkControl(this, nullptr, false);
  } else {
    Control* owner = parent.control;
    hostWindow_ = owner->hostWindow_;
    host_ = host_of_window(hostWindow_);
    if (host_ == nullptr || owner->host_ != host_) {
      handle_ = nullptr;
      hostWindow_ = nullptr;
      host_ = nullptr;
      return nullptr;
    }
    Reparent(owner);
  }

  CreateSurface();
  transitionInterval_ = options.transitionInterval;
  transitionFrames_ = options.transitionFrames;
  transitionFrame_ = 0;
  transitionStyle_ = options.transitionStyle;

  SendControlMessage(WM_CREATE, reinterpret_cast<WPARAM>(surface_.Get()), reinterpret_cast<LPARAM>(graphics_.Get()));
  SendControlMessage(WM_PAINT, reinterpret_cast<WPARAM>(surface_.Get()), reinterpret_cast<LPARAM>(graphics_.Get()));
  return this;
}

Control* Control::GetHandle() const { return handle_; }
HWND Control::GetHostWindow() const { return hostWindow_; }
Control* Control::GetParent() const { return parent_; }

void Control::Reparent(ControlParent newParent) {
  if (!OnUiThread()) return RunOnUiThread([&] { Reparent(newParent); });
  if (!host_) return;
  Control* target = newParent.control;
  if (target == nullptr && newParent.window != nullptr && newParent.window != hostWindow_) return;
  if (target == parent_) return;
  if (target && target->host_ != host_) return;
  host_->UnlinkControl(this);
  host_->LinkControl(this, target, false);
  Invalidate();
}

void Control::Destroy() {
  if (!OnUiThread()) return RunOnUiThread([&] { Destroy(); });
  if (!handle_ || !host_) return;
  visible_ = false;
  Invalidate();

  // Children first: each child's Destroy takes its own children down before itself.
  for (Control* child = firstChild_; child;) {
    Control* next = child->nextSibling_;
    child->Destroy();
    child = next;
  }
  firstChild_ = lastChild_ = nullptr;

  MessageProc(WM_DESTROY, 0, 0);
  if (hostWindow_) {
    // The transition timer and the class timer (glow, caret, animation, repeat) are keyed by
    // the handle; a class that forgot its own must not leave it firing at a dead control.
    KillTimer(hostWindow_, TransitionTimerId());
    KillTimer(hostWindow_, ClassTimerId());
  }
  host_->ForgetControl(this);

  host_->UnlinkControl(this);
  DestroyMembers();
  ReleaseSurface();
  snapshot_.Reset();
  hostWindow_ = nullptr;
  handle_ = nullptr;
  parent_ = nullptr;
  visible_ = disabled_ = focusable_ = presenting_ = false;
  cursor_ = nullptr;
  bounds_ = RectF();
  type_ = 0;
  firstChild_ = lastChild_ = previousSibling_ = nextSibling_ = nullptr;
  transitionFrame_ = 0;
  host_ = nullptr;
  alpha_ = 0;
  transitionInterval_ = 0;
  previousBounds_.reset();
  transitionFrames_ = 0;
  transitionStyle_ = 0;
}

RectF Control::Bounds(std::optional<RectF> moveTo) {
  if (!OnUiThread()) return RunOnUiThread([&] { return Bounds(moveTo); });
  if (moveTo) Move(moveTo->X, moveTo->Y, moveTo->Width, moveTo->Height);
  return bounds_;
}

bool Control::Visible(std::optional<bool> value) {
  if (!OnUiThread()) return RunOnUiThread([&] { return Visible(value); });
  if (value && *value != visible_ && host_) {
    visible_ = *value;
    SendControlMessage(visible_ ? TKM_SHOWN : TKM_HIDDEN, 0, 0);
    Invalidate();
    NotifyAccessible(this, visible_ ? EVENT_OBJECT_SHOW : EVENT_OBJECT_HIDE);
  }
  return visible_;
}

bool Control::Disabled(std::optional<bool> value) {
  if (!OnUiThread()) return RunOnUiThread([&] { return Disabled(value); });
  if (value && *value != disabled_ && host_) {
    if (HasFocus()) {
      host_->Input().DropFocus(this);
      PostControlMessage(TKM_KILL_FOCUS, 0, 0);
    }
    disabled_ = *value;
    PostControlMessage(TKM_MOUSE_LEAVE, 0, 0);
    Invalidate();
  }
  return disabled_;
}

bool Control::Focusable(std::optional<bool> value) {
  if (!OnUiThread()) return RunOnUiThread([&] { return Focusable(value); });
  if (value) focusable_ = *value;
  return focusable_;
}

bool Control::HasFocus() {
  if (!OnUiThread()) return RunOnUiThread([&] { return HasFocus(); });
  if (!host_) return false;
  LRESULT answer = SendControlMessage(TKM_QUERY_FOCUS, 0, 0);
  if (answer == 1) return true;
  if (answer == 0) return false;
  return host_->Focused() == this;
}

void Control::Repaint() {
  SendControlMessage(WM_PAINT, reinterpret_cast<WPARAM>(surface_.Get()), reinterpret_cast<LPARAM>(graphics_.Get()));
}

void Control::Invalidate() {
  if (!OnUiThread()) return RunOnUiThread([&] { Invalidate(); });
  if (!host_ || !hostWindow_ || host_->Detaching()) return;
  PostRepaint(hostWindow_, bounds_, kRepaintNow);
}

void Control::ShiftDescendants(float dx, float dy) {
  for (Control* child = firstChild_; child; child = child->nextSibling_) {
    child->bounds_.X += dx;
    child->bounds_.Y += dy;
    child->ShiftDescendants(dx, dy);
  }
}

void Control::Move(std::optional<float> left, std::optional<float> top, std::optional<float> width,
                   std::optional<float> height, bool redraw) {
  if (!OnUiThread()) return RunOnUiThread([&] { Move(left, top, width, height, redraw); });
  if (!host_) return;
  RectF next(left.value_or(bounds_.X), top.value_or(bounds_.Y), width.value_or(bounds_.Width),
             height.value_or(bounds_.Height));
  bool moved = Differs(next.X, bounds_.X) || Differs(next.Y, bounds_.Y);
  bool resized = Differs(next.Width, bounds_.Width) || Differs(next.Height, bounds_.Height);
  if (!moved && !resized) return;
  // Away from 96 DPI a move alone can change how many device pixels the bounds cover.
  if (moved && !resized && type_ != 21) {
    const SIZE before = ui::SurfaceSize(bounds_, HostDpi()), after = ui::SurfaceSize(next, HostDpi());
    resized = before.cx != after.cx || before.cy != after.cy;
  }

  previousBounds_ = bounds_;
  RectF old = bounds_;
  bounds_ = next;
  ShiftDescendants(next.X - old.X, next.Y - old.Y);

  if (resized && type_ != 21) {
    ReleaseSurface();
    CreateSurface();
    SendControlMessage(TKM_SIZED, static_cast<WPARAM>(next.Width), static_cast<LPARAM>(next.Height));
    Repaint();
  }

  // Moves run on the UI thread, where the host's busy phase cannot end while we wait: when it
  // answers 0 the two rectangles are queued and recomposed once it is done.
  const LPARAM flag = (redraw && visible_) ? 1 : 0;
  if (!IsWindow(hostWindow_)) return;
  if (SendMessageW(hostWindow_, TKM_CONTROL_MOVED, reinterpret_cast<WPARAM>(this), flag) == 1) return;
  if (!host_) return;  // the move itself destroyed the control
  PostRepaint(hostWindow_, old, kRepaintAppend);
  PostRepaint(hostWindow_, bounds_, kRepaintAppend);
}

std::string Control::TipText(std::optional<std::string> value, bool notify) {
  if (!OnUiThread()) return RunOnUiThread([&] { return TipText(value, notify); });
  if (value) {
    tipText_ = *value;
    if (notify) UpdateTip(tipText_);
  }
  return tipText_;
}

void Control::UpdateTip(const std::string& text) {
  if (!OnUiThread()) return RunOnUiThread([&] { UpdateTip(text); });
  if (host_) host_->Input().update_tooltip(this, &text);
}

void Control::AddEventHandler(UINT message, EventHandler handler) {
  if (!OnUiThread()) return RunOnUiThread([&] { AddEventHandler(message, handler); });
  for (auto& entry : handlers_) {
    if (entry.first == message) {
      entry.second = handler;
      return;
    }
  }
  handlers_.emplace_back(message, handler);
}

Control* Control::Self() { return this; }

int Control::Alpha(std::optional<int> value, bool redraw) {
  if (!OnUiThread()) return RunOnUiThread([&] { return Alpha(value, redraw); });
  if (value && host_) {
    alpha_ = *value < 0 ? 0 : (*value > 255 ? 255 : *value);
    SendControlMessage(TKM_ALPHA_CHANGED, 0, alpha_);
    if (redraw) Invalidate();
  }
  return alpha_;
}

int Control::TransitionFrames(std::optional<int> frames, std::optional<int> interval) {
  if (!OnUiThread()) return RunOnUiThread([&] { return TransitionFrames(frames, interval); });
  if (frames) transitionFrames_ = *frames;
  if (interval) transitionInterval_ = *interval;
  return transitionFrames_;
}

int Control::TransitionInterval(std::optional<int> value) {
  if (!OnUiThread()) return RunOnUiThread([&] { return TransitionInterval(value); });
  if (value) transitionInterval_ = *value;
  return transitionInterval_;
}

int Control::TransitionFrame() const { return transitionFrame_; }

int Control::TransitionStyle(std::optional<int> value) {
  if (!OnUiThread()) return RunOnUiThread([&] { return TransitionStyle(value); });
  if (value) transitionStyle_ = *value;
  return transitionStyle_;
}

LRESULT Control::SendControlMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (!host_ || !IsWindow(hostWindow_)) return 0;
  return SendToControl(hostWindow_, this, message, wParam, lParam);
}

void Control::PostControlMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (host_) post_to_control(hostWindow_, this, message, wParam, lParam);
}

HCURSOR Control::Cursor(std::optional<ControlCursor> value) {
  if (!OnUiThread()) return RunOnUiThread([&] { return Cursor(value); });
  if (value) cursor_ = value->Resolve();
  return cursor_;
}

std::string Control::Tag(std::optional<std::string> value) {
  if (!OnUiThread()) return RunOnUiThread([&] { return Tag(value); });
  if (value) tag_ = *value;
  return tag_;
}

float Control::Left(std::optional<float> value) {
  if (!OnUiThread()) return RunOnUiThread([&] { return Left(value); });
  if (value && Differs(*value, bounds_.X)) Move(*value, std::nullopt, std::nullopt, std::nullopt);
  return bounds_.X;
}

float Control::Top(std::optional<float> value) {
  if (!OnUiThread()) return RunOnUiThread([&] { return Top(value); });
  if (value && Differs(*value, bounds_.Y)) Move(std::nullopt, *value, std::nullopt, std::nullopt);
  return bounds_.Y;
}

float Control::Width(std::optional<float> value) {
  if (!OnUiThread()) return RunOnUiThread([&] { return Width(value); });
  if (value && Differs(*value, bounds_.Width)) Move(std::nullopt, std::nullopt, *value, std::nullopt);
  return bounds_.Width;
}

float Control::Height(std::optional<float> value) {
  if (!OnUiThread()) return RunOnUiThread([&] { return Height(value); });
  if (value && Differs(*value, bounds_.Height)) Move(std::nullopt, std::nullopt, std::nullopt, *value);
  return bounds_.Height;
}

void Control::SetZOrder(int where, bool redraw) {
  if (!OnUiThread()) return RunOnUiThread([&] { SetZOrder(where, redraw); });
  if (!host_) return;
  Control* parent = parent_;
  host_->UnlinkControl(this);
  host_->LinkControl(this, parent, where == 2);
  if (redraw) Invalidate();
}

void Control::Unlink() {
  if (!OnUiThread()) return RunOnUiThread([&] { Unlink(); });
  if (host_) host_->UnlinkControl(this);
}

void Control::SuspendPresentation() {
  if (!OnUiThread()) return RunOnUiThread([&] { SuspendPresentation(); });
  presenting_ = false;
}
void Control::ResumePresentation() {
  if (!OnUiThread()) return RunOnUiThread([&] { ResumePresentation(); });
  presenting_ = true;
}

void Control::TransitionTick() {
  if (!host_) return;
  ++transitionFrame_;
  host_->Painting().Recompose(bounds_);
  if (transitionFrame_ >= transitionFrames_) {
    KillTimer(hostWindow_, TransitionTimerId());
    snapshot_.Reset();
    transitionFrame_ = 0;
    SendControlMessage(TKM_TRANSITION_END, 0, 0);
  }
}

void Control::UnusedHook() {}
void Control::BeforePresent() {}

LRESULT Control::MessageProc(UINT, WPARAM, LPARAM) { return -1; }

AccessibleInfo Control::Describe() {
  AccessibleInfo info;
  info.name = gfx::widen_text(tipText_);
  return info;
}

int Control::AccessibleItemCount() { return 0; }
AccessibleInfo Control::DescribeItem(int) { return AccessibleInfo{}; }
RectF Control::AccessibleItemBounds(int) { return RectF(); }
int Control::AccessibleItemAt(POINT) { return 0; }
int Control::AccessibleFocusedItem() { return 0; }
bool Control::SelectAccessibleItem(int, long) { return false; }

EventHandler Control::HandlerFor(UINT message, WPARAM wParam) const {
  for (const auto& [code, handler] : handlers_) {
    if (code == WM_LBUTTONDBLCLK) {
      if (message == WM_LBUTTONDOWN && wParam == TKM_DBLCLICK_MARK) return handler;
    } else if (code == message) {
      return handler;
    }
  }
  return nullptr;
}

void Control::CreateSurface() {
  // The surface holds device pixels: drawn in logical pixels through a scale, text and shapes
  // come out sharp at any DPI instead of being stretched afterwards.
  const int dpi = host_ && type_ != 21 ? host_->Dpi() : ui::kBaseDpi;
  const SIZE pixels = type_ == 21 ? SIZE{1, 1} : ui::SurfaceSize(bounds_, dpi);
  if (GdipCreateBitmapFromScan0(pixels.cx, pixels.cy, 0, PixelFormat32bppARGB, nullptr, surface_.Put()) != Ok) {
    surface_.Reset();
    return;
  }
  if (GdipGetImageGraphicsContext(surface_.Get(), graphics_.Put()) != Ok) {
    graphics_.Reset();
    return;
  }
  GdipSetSmoothingMode(graphics_.Get(), SmoothingModeAntiAlias);
  GdipSetTextRenderingHint(graphics_.Get(), TextRenderingHintAntiAliasGridFit);
  ui::ScaleGraphics(graphics_.Get(), dpi);
}

Gdiplus::PointF Control::FromWindow(LPARAM point) const {
  return FromWindow(static_cast<float>(static_cast<short>(LOWORD(point))),
                    static_cast<float>(static_cast<short>(HIWORD(point))));
}

int Control::HostDpi() const { return host_ ? host_->Dpi() : ui::kBaseDpi; }

void Control::RecreateSurface() {
  if (!host_) return;
  ReleaseSurface();
  CreateSurface();
  // To a class, a surface of other pixels is a new size: layers of its own are made again.
  SendControlMessage(TKM_SIZED, static_cast<WPARAM>(bounds_.Width), static_cast<LPARAM>(bounds_.Height));
  Repaint();
}

void Control::ReleaseSurface() {
  // The graphics draw on the surface: they go first.
  graphics_.Reset();
  surface_.Reset();
}

LRESULT DispatchControlMessage(Control* control, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!control) return 0;
  LRESULT result = control->MessageProc(message, wParam, lParam);
  if (EventHandler handler = control->HandlerFor(message, wParam)) {
    if (Control* parent = control->ParentControl()) {
      handler(reinterpret_cast<LPARAM>(parent), reinterpret_cast<LPARAM>(control), message,
              static_cast<LPARAM>(wParam), lParam);
    } else {
      handler(reinterpret_cast<LPARAM>(control), message, static_cast<LPARAM>(wParam), lParam, 0);
    }
  }
  return result;
}

namespace {

// The device pixels of a surface that a paint of clip (in surface coordinates) covers: its edges
// rounded, within the surface (whose size comes from where the control lies, so a clip of the
// whole control can round a pixel past it).
RECT SurfacePixels(GpBitmap* surface, const RectF& clip, int dpi) {
  RECT pixels = ui::RectToDevice(clip, dpi);
  UINT width = 0, height = 0;
  if (!surface || GdipGetImageWidth(surface, &width) != Ok || GdipGetImageHeight(surface, &height) != Ok) {
    return pixels;
  }
  const RECT whole{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
  if (!IntersectRect(&pixels, &pixels, &whole)) SetRectEmpty(&pixels);
  return pixels;
}

}  // namespace

SurfacePaint::SurfacePaint(Control* control, const RectF* clip, bool startTransition) : control_(control) {
  PaintContext& context = context_;
  if (!control || !control->host_) return;
  WindowHost* host = control->host_;
  context.window = control->hostWindow_;
  context.backBufferDc = host->Painting().BackBuffer().Dc();
  context.backgroundDc = host->Painting().BackgroundDc();
  context.surface = control->surface_.Get();
  context.graphics = control->graphics_.Get();
  context.clip = clip ? *clip : RectF(0, 0, control->bounds_.Width, control->bounds_.Height);
  context.pixels = SurfacePixels(context.surface, context.clip, host->Dpi());

  if (startTransition) {
    bool wasRunning = static_cast<bool>(control->snapshot_);
    control->snapshot_.Reset();
    if (control->transitionFrames_ != 0 && control->transitionInterval_ != 0) {
      if (wasRunning) {
        KillTimer(control->hostWindow_, control->TransitionTimerId());
        control->transitionFrame_ = control->transitionFrames_;
        host->Painting().Recompose(control->bounds_);
      }
      if (control->surface_) {
        gfx::BitmapPtr copy;
        const RECT& area = context.pixels;
        if (!IsRectEmpty(&area) &&
            GdipCloneBitmapAreaI(area.left, area.top, area.right - area.left, area.bottom - area.top,
                                 PixelFormat32bppARGB, control->surface_.Get(), copy.Put()) == Ok) {
          control->snapshot_ = std::move(copy);
        }
      }
    }
  }
  if (context.graphics) {
    // Drawn within the device pixels that are cleared (and recomposed): a clip edge inside a
    // device pixel would leave it cleared and not drawn.
    ui::ClipToDevice(context.graphics, context.pixels, host->Dpi());
    // Cleared in memory: GDI+ under Wine clears a bitmap a pixel at a time.
    gfx::BitmapPixels pixels(context.surface, context.graphics);
    if (const gfx::PixelArea area = pixels.Area()) {
      gfx::FillPixels(area, 0, {&context.pixels, 1});
    } else {
      GdipSetCompositingMode(context.graphics, CompositingModeSourceCopy);
      gfx::BrushPtr clear;
      if (GdipCreateSolidFill(0, reinterpret_cast<GpSolidFill**>(clear.Put())) == Ok) {
        GdipFillRectangle(context.graphics, clear.Get(), context.clip.X, context.clip.Y, context.clip.Width,
                          context.clip.Height);
      }
      GdipSetCompositingMode(context.graphics, CompositingModeSourceOver);
    }
  }
}

SurfacePaint::~SurfacePaint() { base::Contained([this] { Present(); }); }

void SurfacePaint::Present() {
  Control* control = control_;
  const PaintContext& context = context_;
  if (!control || !control->host_) return;
  control->BeforePresent();
  if (context.graphics) GdipResetClip(context.graphics);
  if (!control->presenting_ || !control->visible_) return;
  if (control->transitionFrames_ != 0 && control->transitionInterval_ != 0) {
    control->transitionFrame_ = 0;
    control->SendControlMessage(TKM_TRANSITION_START, 0, 0);
    SetTimer(control->hostWindow_, control->TransitionTimerId(), control->transitionInterval_, TransitionTimerProc);
    // Its first frame is composed now too: it shows the snapshot (what was there), or the new
    // surface where there is none or the control composes itself as it is.
  }
  // Only what was painted is recomposed (a caret blink paints a few pixels): the device pixels
  // of the surface that were cleared, where the surface lies in the window. The surface starts
  // on the device pixel nearest to its bounds, so they need not be the ones the clip's logical
  // place in the window covers.
  const int dpi = control->host_->Dpi();
  const RECT origin = ui::RectToDevice(control->bounds_, dpi);
  RECT cleared = context.pixels;
  OffsetRect(&cleared, origin.left, origin.top);
  RectF painted = ui::DeviceToLogical(cleared, dpi);
  if (!gfx::IntersectRects(painted, painted, control->bounds_)) return;
  SendMessageW(control->hostWindow_, TKM_REPAINT_RECT, kRepaintAppend, reinterpret_cast<LPARAM>(&painted));
}
