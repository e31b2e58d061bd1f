// The base class of every windowless control. A control lives on a host window (WindowHost):
// it owns a 32-bit ARGB GDI+ surface of its own size and repaints it whenever its state
// changes; the host composes the surfaces of all visible controls into its back buffer.
//
// A control handle is a Control* (null = none). The application owns the control objects;
// Destroy returns a control to the "constructed" state and the object may be created again.
// The host owns hover, capture and focus; the control keeps its own look and answers the
// messages in MessageProc. A control's MessageProc runs only on the UI thread: other threads
// reach it through the host window's queue (SendControlMessage / PostControlMessage).
//
// The virtual functions are declared in the fixed operation order of every control class:
// DestroyMembers, Copy, then the base operations, then MessageProc; derived classes append
// their own operations after MessageProc.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ui/core/AccessibleInfo.h"
#include "ui/core/DisplayScale.h"
#include "ui/core/ToolkitMessages.h"
#include "ui/core/UiThread.h"
#include "ui/gfx/GdiPlus.h"

class Control;
class WindowHost;

// A user event handler, called with up to five 32-bit words: (parent, control, message,
// wParam, lParam) for a child control, (control, message, wParam, lParam, 0) for a top-level one.
// Its result is ignored.
using EventHandler = LRESULT (*)(LPARAM, LPARAM, LPARAM, LPARAM, LPARAM);

// Where a control is created: a host window or a parent control.
struct ControlParent {
  HWND window = nullptr;
  Control* control = nullptr;
  ControlParent(HWND hostWindow) : window(hostWindow) {}
  ControlParent(Control* parentControl) : control(parentControl) {}
  // The window that hosts the new control: its thread is the control's UI thread.
  HWND HostWindow() const;
};

// A cursor argument: a handle used as is, or a system cursor id loaded with LoadCursorW.
struct ControlCursor {
  HCURSOR handle = nullptr;
  LPCWSTR systemId = nullptr;
  HCURSOR Resolve() const;
};

// The options of Control::Create that the class passes along with the bounds.
struct ControlOptions {
  int type = 0;                       // control type code; 1 never takes focus; 21 = 1x1 surface
  bool visible = true;
  std::optional<bool> focusable;      // default 1
  ControlCursor cursor;
  int transitionInterval = 0;         // ms; 0 = no transition
  int transitionFrames = 0;           // 0 = no transition
  int transitionStyle = 0;            // 0 fade, 1 slide down, 2 up, 3 right, 4 left
};

// What a SurfacePaint hands to the drawing code of a class.
struct PaintContext {
  HWND window = nullptr;
  HDC backBufferDc = nullptr;
  HDC backgroundDc = nullptr;
  Gdiplus::GpBitmap* surface = nullptr;
  Gdiplus::GpGraphics* graphics = nullptr;
  Gdiplus::RectF clip;                // in surface coordinates
  RECT pixels{};                      // the surface's device pixels the clip covers
};

class Control {
 public:
  Control() = default;
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  // --- operations, in the order every control class shares ---
  virtual void DestroyMembers();
  // Null: the class cannot copy.
  virtual Control* Copy() const;
  virtual Control* Create(ControlParent parent, Gdiplus::RectF bounds,
                          const ControlOptions& options);
  virtual Control* GetHandle() const;
  virtual HWND GetHostWindow() const;
  virtual Control* GetParent() const;
  virtual void Reparent(ControlParent newParent);
  virtual void Destroy();
  virtual Gdiplus::RectF Bounds(std::optional<Gdiplus::RectF> moveTo = std::nullopt);
  virtual bool Visible(std::optional<bool> value = std::nullopt);
  virtual bool Disabled(std::optional<bool> value = std::nullopt);
  virtual bool Focusable(std::optional<bool> value = std::nullopt);
  virtual bool HasFocus();
  virtual void Repaint();
  virtual void Invalidate();
  virtual void Move(std::optional<float> left, std::optional<float> top,
                    std::optional<float> width, std::optional<float> height, bool redraw = true);
  virtual std::string TipText(std::optional<std::string> value = std::nullopt, bool notify = false);
  virtual void UpdateTip(const std::string& text);
  virtual void AddEventHandler(UINT message, EventHandler handler);
  virtual Control* Self();
  virtual int Alpha(std::optional<int> value = std::nullopt, bool redraw = true);
  virtual int TransitionFrames(std::optional<int> frames = std::nullopt,
                               std::optional<int> interval = std::nullopt);
  virtual int TransitionInterval(std::optional<int> value = std::nullopt);
  virtual int TransitionFrame() const;
  virtual int TransitionStyle(std::optional<int> value = std::nullopt);
  virtual LRESULT SendControlMessage(UINT message, WPARAM wParam, LPARAM lParam);
  virtual void PostControlMessage(UINT message, WPARAM wParam, LPARAM lParam);
  virtual HCURSOR Cursor(std::optional<ControlCursor> value = std::nullopt);
  virtual std::string Tag(std::optional<std::string> value = std::nullopt);
  virtual float Left(std::optional<float> value = std::nullopt);
  virtual float Top(std::optional<float> value = std::nullopt);
  virtual float Width(std::optional<float> value = std::nullopt);
  virtual float Height(std::optional<float> value = std::nullopt);
  // where 2 puts the control at the bottom of its siblings, anything else on top.
  virtual void SetZOrder(int where = 1, bool redraw = true);
  virtual void Unlink();
  virtual void SuspendPresentation();
  virtual void ResumePresentation();
  virtual void TransitionTick();
  // An empty hook that nothing calls; a class may override it to no effect.
  virtual void UnusedHook();
  // Called when a SurfacePaint ends, before the surface is presented.
  virtual void BeforePresent();
  virtual LRESULT MessageProc(UINT message, WPARAM wParam, LPARAM lParam);

  // --- accessibility, outside the operation table (UI thread) ---
  // Role, name, value, states, default action (the base: a client area named by its tip text).
  virtual AccessibleInfo Describe();
  // Simple child elements such as list rows (1-based): how many, each one, its place (client
  // coordinates), the one at a point or with the focus (0: none), selecting one (SELFLAG_ bits).
  virtual int AccessibleItemCount();
  virtual AccessibleInfo DescribeItem(int item);
  virtual Gdiplus::RectF AccessibleItemBounds(int item);
  virtual int AccessibleItemAt(POINT clientPoint);
  virtual int AccessibleFocusedItem();
  virtual bool SelectAccessibleItem(int item, long flags);

  // --- read access for the host and the painter (no virtual dispatch) ---
  bool IsLive() const { return handle_ != nullptr && host_ != nullptr; }
  bool IsVisible() const { return visible_; }
  bool IsDisabled() const { return disabled_; }
  bool IsFocusable() const { return focusable_; }
  bool IsPresenting() const { return presenting_; }
  HCURSOR CursorHandle() const { return cursor_; }
  const Gdiplus::RectF& BoundsRef() const { return bounds_; }
  const std::string& TipTextRef() const { return tipText_; }
  const std::string& TagRef() const { return tag_; }
  int Type() const { return type_; }
  Control* ParentControl() const { return parent_; }
  Control* FirstChild() const { return firstChild_; }
  Control* LastChild() const { return lastChild_; }
  Control* PreviousSibling() const { return previousSibling_; }
  Control* NextSibling() const { return nextSibling_; }
  Gdiplus::GpBitmap* Surface() const { return surface_.Get(); }
  Gdiplus::GpGraphics* Graphics() const { return graphics_.Get(); }
  WindowHost* Host() const { return host_; }
  int Opacity() const { return alpha_; }
  Gdiplus::GpBitmap* Snapshot() const { return snapshot_.Get(); }
  const std::optional<Gdiplus::RectF>& PreviousBounds() const { return previousBounds_; }
  size_t EventHandlerCount() const { return handlers_.size(); }
  EventHandler HandlerFor(UINT message, WPARAM wParam) const;
  // A point in host-window client coordinates, relative to the control's top-left corner.
  Gdiplus::PointF FromWindow(float x, float y) const { return {x - bounds_.X, y - bounds_.Y}; }
  // The host window's DPI (96 without one), which the system's own coordinates are scaled by.
  int HostDpi() const;
  Gdiplus::PointF FromWindow(LPARAM point) const;

  // The thread rule: an operation that changes state or draws starts with "if (!OnUiThread())
  // return RunOnUiThread([&] { return Operation(args...); });", so it runs on the UI thread.
  bool OnUiThread() const { return ui::OnThreadOf(hostWindow_); }
  template <typename F>
  auto RunOnUiThread(F&& fn) -> std::invoke_result_t<F&> {
    return ui::CallOnUiThread(hostWindow_, fn);
  }

  // Timer ids on the host window: the class's own (glow, caret, repeat...), the transition's.
  UINT_PTR ClassTimerId() const { return reinterpret_cast<UINT_PTR>(this); }
  UINT_PTR TransitionTimerId() const { return reinterpret_cast<UINT_PTR>(this) + 1; }

 protected:
  friend class WindowHost;  // links the tree
  friend class Compositor;  // reads the transition it composes
  friend class SurfacePaint;

  // Recreates the surface and its graphics at the current size (1x1 for type 21).
  void CreateSurface();
  void ReleaseSurface();
  // A new surface at the host's current DPI, painted again (the DPI changed).
  void RecreateSurface();
  void ShiftDescendants(float dx, float dy);

  // --- state ---
  HWND hostWindow_ = nullptr;
  Control* handle_ = nullptr;                    // this, while live; null once destroyed
  Control* parent_ = nullptr;                    // null for a top-level control
  bool visible_ = false;
  bool disabled_ = false;
  bool focusable_ = false;
  bool presenting_ = false;                      // false while presentation is suspended
  HCURSOR cursor_ = nullptr;                     // shown while the mouse is over the control
  std::vector<std::pair<UINT, EventHandler>> handlers_;  // user handlers by message
  Gdiplus::RectF bounds_;                        // host client coordinates
  std::string tipText_;
  std::string tag_;
  int type_ = 0;                                 // control type code (see ControlOptions)
  Control *firstChild_ = nullptr, *lastChild_ = nullptr;  // the children, bottom to top
  Control *previousSibling_ = nullptr, *nextSibling_ = nullptr;
  int transitionFrame_ = 0;                      // frames of the running transition shown so far
  gfx::BitmapPtr surface_;                       // what the control draws into, at its size
  gfx::GraphicsPtr graphics_;                    // drawing on surface_ (goes first)
  WindowHost* host_ = nullptr;
  int alpha_ = 0;                                // opacity the host composes with, 0..255
  gfx::BitmapPtr snapshot_;                      // the look a running transition starts from
  int transitionInterval_ = 0;                   // ms between frames
  std::optional<Gdiplus::RectF> previousBounds_; // where the last move came from
  int transitionFrames_ = 0;
  int transitionStyle_ = 0;                      // 0 fade, 1 slide down, 2 up, 3 right, 4 left
};

// Sends a control message through the host window (TKM_SEND_TO_CONTROL from another thread; a
// direct delivery on the window's own) and returns the answer; 0 when the window is gone or has
// no host. Safe from any thread.
LRESULT SendToControl(HWND window, Control* control, UINT message, WPARAM wParam, LPARAM lParam);

// The single path by which a control receives a message: its MessageProc, then the first
// matching user handler (a handler for 515 matches only a 513 whose wParam is TKM_DBLCLICK_MARK).
// Returns MessageProc's result; a null control yields 0.
LRESULT DispatchControlMessage(Control* control, UINT message, WPARAM wParam, LPARAM lParam);

// Every repaint of a control's surface, as a scope: made, it clears the area to draw (clip, in
// surface coordinates; null = all) and may start a transition; ended, however the drawing code
// left (a failure half way too), it takes the clip off and presents what was drawn.
class SurfacePaint {
 public:
  SurfacePaint(Control* control, const Gdiplus::RectF* clip, bool startTransition);
  ~SurfacePaint();
  SurfacePaint(const SurfacePaint&) = delete;
  SurfacePaint& operator=(const SurfacePaint&) = delete;

  const PaintContext& Context() const { return context_; }

 private:
  void Present();

  Control* control_;
  PaintContext context_;
};

// Bounds comparisons use this tolerance so that setting the same value moves nothing.
inline constexpr float kBoundsTolerance = 1e-7f;
