// The window host: takes a top-level window over and paints its whole surface. It subclasses
// the window procedure, keeps a 32-bit back buffer (and a cache of the painted background),
// composes skin, frame and windowless controls into it and presents it; it hit-tests the
// mouse against the controls, owns focus, capture, hover and tooltips, moves and sizes the
// borderless window and calls the application's callbacks.
//
// One host object per skinned window, owned by whoever attaches it; it is detached until
// attach succeeds and returns to detached on WM_DESTROY. Everything runs on the UI thread;
// the only cross-thread entry is post_to_control.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <commctrl.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "ui/core/AccessibleInfo.h"
#include "ui/core/DisplayScale.h"
#include "ui/gfx/GdiHandles.h"
#include "ui/gfx/Image.h"
#include "ui/gfx/Pixels.h"
#include "ui/gfx/WindowThunk.h"
#include "ui/core/RepaintQueue.h"
#include "ui/core/ToolkitMessages.h"

class Control;

// Frame flags: what the host draws around the client surface.
inline constexpr int kFrameIcon = 0x1;
inline constexpr int kFrameCaption = 0x2;
inline constexpr int kFrameClose = 0x4;
inline constexpr int kFrameMaximize = 0x8;
inline constexpr int kFrameMinimize = 0x10;
inline constexpr int kFrameDrawn = 0x200;     // always set by attach
inline constexpr int kFrameComplete = 0x400;  // attach input only: complete with the defaults
// The title-bar button bits, in creation order.
inline constexpr int kTitleButtonBits[] = {0x4, 0x8, 0x10, 0x20, 0x40, 0x80, 0x100};

// Application callbacks (null = not set).
using PaintCallback = void (*)(HWND window, Gdiplus::GpGraphics* graphics, int width, int height);
using WindowMessageCallback = LRESULT (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
using SizeCallback = void (*)(HWND window, int width, int height);
using ControlCallback = void (*)(HWND window, Control* control, WPARAM wParam, LPARAM lParam, int type);

// Nine-slice margins of a skin image (left, top, right, bottom).
using NineSlice = gfx::NineSliceMargins;

// The options of attach; an empty optional takes its default.
struct AttachOptions {
  std::optional<std::span<const std::uint8_t>> image;  // PNG/JPEG/GIF bytes [none]
  std::optional<int> backgroundColour;    // Windows RGB [-1 = average of the image]
  std::optional<int> frameFlags;          // [1|2|4 (+8 maximise box, +0x10 minimise box)]
  std::optional<int> alpha;               // [-1 = ordinary window; 0..255 = layered]
  std::optional<int> imageLayout;         // [0]
  std::optional<int> cornerStyle;         // [7]
  std::optional<bool> presentOnAttach;    // [1]
  std::optional<bool> sizable;            // [whether the window has WS_THICKFRAME]
  std::optional<bool> draggable;          // [1]
  std::optional<bool> gloss;              // [1]
  std::optional<bool> glassBlur;          // [0; forced 0 without alpha]
  std::optional<NineSlice> nineSlice;     // [empty = stretch]
  std::optional<HWND> sharedBackground;   // [none]
};

// An accelerator entry: a key that clicks a control.
struct Accelerator {
  Control* control = nullptr;
  int key = 0;
};

// The outer window size in pixels.
struct WindowSize {
  int width = 0;
  int height = 0;
};

// The host's drawing buffers: a 32-bit DIB section in its own memory DC, with a GDI+ bitmap
// over the same pixels.
class BufferDc {
 public:
  BufferDc() = default;
  BufferDc(const BufferDc&) = delete;
  BufferDc& operator=(const BufferDc&) = delete;
  bool Create(HDC compatible, int width, int height);
  void Release();
  HDC Dc() const { return dib_.Dc(); }
  HBITMAP Bitmap() const { return dib_.Bitmap(); }
  std::uint32_t* Bits() const { return dib_.Bits(); }
  // A GDI+ bitmap over the DIB's own pixels (premultiplied ARGB, top-down rows).
  Gdiplus::GpBitmap* Pixels() const { return pixels_.Get(); }
  // The pixel at (x, y) as 0xAARRGGBB; 0 outside.
  std::uint32_t Pixel(int x, int y) const;
  int Width() const { return dib_.Width(); }
  int Height() const { return dib_.Height(); }

 private:
  gfx::DibSection dib_;
  gfx::BitmapPtr pixels_;  // goes before the DIB it reads from
};

// Sets a flag for a scope and, when the scope ends (also when memory running out ends it early),
// sets it to what it should read afterwards: a host left "busy" would never compose again.
class ScopedFlag {
 public:
  ScopedFlag(bool& flag, bool during, bool after) : flag_(flag), after_(after) { flag_ = during; }
  ~ScopedFlag() { flag_ = after_; }
  ScopedFlag(const ScopedFlag&) = delete;
  ScopedFlag& operator=(const ScopedFlag&) = delete;

 private:
  bool& flag_;
  const bool after_;
};

// The host's skin image, always its own: decoded from the bytes it was given, or a copy of a
// shared background's image (that window may go while this one lives on).
class SkinImage {
 public:
  Gdiplus::GpImage* Get() const { return loaded_ ? loaded_.Get() : copied_.Get(); }
  explicit operator bool() const { return Get() != nullptr; }
  void Load(std::span<const std::uint8_t> bytes) {
    Reset();
    loaded_ = gfx::load_image(bytes);
  }
  gfx::BitmapPtr TakeStretched(int width, int height) { return loaded_.TakeStretched(width, height); }
  void CopyFrom(Gdiplus::GpImage* image) {
    Reset();
    if (image) gfx::gdip::GdipCloneImage(image, copied_.Put());
  }
  void Reset() {
    gfx::dispose_image(loaded_);
    copied_.Reset();
  }

 private:
  gfx::Image loaded_;
  gfx::ImagePtr copied_;
};

class WindowHost {
 public:
  // The skin's frame rectangle starts this many pixels in; a skin stretched into a rounded
  // frame covers the window less this margin all round.
  static constexpr int kFrameInset = 5;

  WindowHost();
  ~WindowHost();
  WindowHost(const WindowHost&) = delete;
  WindowHost& operator=(const WindowHost&) = delete;

  // Repaint requests made while one lives wait and are recomposed together when it goes,
  // rectangles that overlap or touch as one. handle_message opens one around every message it
  // handles, so a message composes and presents what it changed once (a click that moves the
  // selection, its scroll bar and the hover). A message that arrives while another is open
  // (any loop: modal, menu, move or size) first shows what the open one has queued; the host
  // posts itself TKM_COMPOSE_QUEUED so that such a loop always has one to deliver. Safe when
  // the host goes away inside the message. The owner composes by calling ComposeAndClose when
  // the message is done; the destructor only unlinks, so a message that ends by an exception
  // composes nothing while unwinding (its requests wait for the next message).
  class RepaintBatch {
   public:
    explicit RepaintBatch(WindowHost& host);
    ~RepaintBatch();
    RepaintBatch(const RepaintBatch&) = delete;
    RepaintBatch& operator=(const RepaintBatch&) = delete;
    void ComposeAndClose();

   private:
    friend class WindowHost;
    WindowHost* Close() noexcept;  // the host it was open on, or null
    WindowHost* host_;
    RepaintBatch* outer_;
  };

  // --- operations ---
  LRESULT handle_message(UINT message, WPARAM wParam, LPARAM lParam);
  void queue_repaint(const Gdiplus::RectF& rect, WPARAM mode);
  void update_tooltip(Control* control, const std::string* text = nullptr);
  void transition_tick();
  int handle_accelerator_key(UINT message, WPARAM character, LPARAM lParam);
  LRESULT handle_key_down(UINT message, WPARAM key, LPARAM lParam);
  void detach(HWND window);
  void handle_size(HWND window, WPARAM sizeType);
  int set_accelerator(Control* control, int key);
  void route_mouse(UINT message, WPARAM wParam, LPARAM lParam);
  bool track_border_sizing(UINT message, LPARAM lParam);
  int attach(HWND window, const AttachOptions& options = {});
  bool draggable(std::optional<bool> value = std::nullopt);
  int corner_style(std::optional<int> value = std::nullopt);
  void redraw(std::optional<std::span<const std::uint8_t>> image, std::optional<int> colour, int mode = 0,
              bool allControls = false);
  void layout_title_bar();
  void set_edge_colour(int colour);
  void set_focus(Control* control, bool fromKeyboard);
  void present_rect(const RECT* rect, bool rectGiven);
  // Recomposes and presents a rectangle (client coordinates) and has the window system show it
  // at once, for a caller that is about to block the UI thread. Messages other threads send
  // to this one may be handled meanwhile, as in any look at the queue; nothing posted is.
  void present_at_once(const Gdiplus::RectF& rect);
  // Recomposes what waits in the repaint queue now, even while a message's batch is open.
  void compose_queued();
  void show(int effect);
  void set_close_effect(int effect);
  void set_cursor(HCURSOR cursor, bool isHandle);
  void set_on_paint(PaintCallback callback) { onPaint_ = callback; }
  void set_on_window_message(WindowMessageCallback callback) { onWindowMessage_ = callback; }
  void set_on_size(SizeCallback callback) { onSize_ = callback; }
  void set_on_left_down(ControlCallback callback) { onLeftDown_ = callback; }
  void set_on_left_up(ControlCallback callback) { onLeftUp_ = callback; }
  void set_on_click(ControlCallback callback) { onClick_ = callback; }
  void set_on_double_click(ControlCallback callback) { onDoubleClick_ = callback; }
  void set_on_right_down(ControlCallback callback) { onRightDown_ = callback; }
  void set_on_right_up(ControlCallback callback) { onRightUp_ = callback; }
  void set_on_mouse_leave(ControlCallback callback) { onMouseLeave_ = callback; }
  void set_on_mouse_enter(ControlCallback callback) { onMouseEnter_ = callback; }
  void set_on_focus(ControlCallback callback) { onFocus_ = callback; }
  void set_on_blur(ControlCallback callback) { onBlur_ = callback; }

  // --- read access ---
  HWND Window() const { return window_; }
  Control* Focused() const { return focused_; }
  Control* Hovered() const { return hovered_; }
  Control* Pressed() const { return pressed_; }
  bool IsPressing() const { return pressing_; }
  bool Busy() const { return busy_; }
  Control* FirstControl() const { return firstControl_; }
  Control* LastControl() const { return lastControl_; }
  int FrameFlags() const { return frameFlags_; }
  int Alpha() const { return alpha_; }
  int ImageLayout() const { return imageLayout_; }
  bool Sizable() const { return sizable_; }
  bool Gloss() const { return gloss_; }
  bool GlassBlur() const { return glassBlur_; }
  bool PresentOnAttach() const { return presentOnAttach_; }
  int BackgroundColour() const { return backgroundColour_; }
  Gdiplus::GpImage* BackgroundImage() const { return backgroundImage_.Get(); }
  Gdiplus::GpGraphics* Graphics() const { return graphics_.Get(); }
  HDC BackBufferDc() const { return backBuffer_.Dc(); }
  HDC BackgroundDc() const { return background_.Dc(); }
  const BufferDc& BackBuffer() const { return backBuffer_; }
  // The outer size in logical pixels (what the layout works in) and in device pixels.
  WindowSize Size() const { return size_; }
  WindowSize DeviceSize() const { return deviceSize_; }
  // The window's DPI: logical pixels are device pixels times 96 / Dpi().
  int Dpi() const { return dpi_; }
  // A logical rectangle of the client area as the device pixels it covers.
  RECT ToDevice(const Gdiplus::RectF& rect) const { return ui::RectToDevice(rect, dpi_); }
  POINT ToDevice(POINT point) const { return ui::PointToDevice(point, dpi_); }
  POINT ToLogical(POINT point) const { return ui::PointToLogical(point, dpi_); }
  Control* KeyboardCue() const { return keyboardCue_; }
  HWND TooltipWindow() const { return tooltip_; }
  const std::vector<Accelerator>& Accelerators() const { return accelerators_; }
  const std::vector<Control*>& TitleButtons() const { return titleButtons_; }
  Control* CaptionControl() const { return captionLabel_; }
  Control* IconControl() const { return iconControl_; }
  RepaintQueue& RepaintQueueRef() { return repaintQueue_; }
  int TransitionAlpha() const { return transitionAlpha_; }
  int CloseEffect() const { return closeEffect_; }
  int TransitionTicks() const { return transitionTicks_; }
  int CornerStyleValue() const { return cornerStyle_; }

  // The topmost visible, enabled control under a client point (children before their parent), or null.
  Control* HitTest(POINT point) const;
  // The nine-slice margins of the skin image, when attach was given some.
  const std::optional<NineSlice>& NineSliceRef() const { return nineSlice_; }

  // Composes the controls that intersect rect (client coordinates) onto the back buffer.
  void ComposeControls(const Gdiplus::RectF* rect, bool allControls);
  // Recomposes one rectangle at once: background cache, controls, present.
  void Recompose(const Gdiplus::RectF& rect);
  // Pixels recomposed since the window was attached (what repaints cost, for tests and benchmarks).
  double ComposedArea() const { return composedArea_; }
  // The control tree: appends a control to its parent's children (null = top level), or puts
  // it first with atStart; unlink takes it out of its sibling chain. Parent links included.
  void LinkControl(Control* control, Control* parent, bool atStart);
  void UnlinkControl(Control* control);
  // Clears the focus record when it holds the control (no message is sent).
  void DropFocus(Control* control) {
    if (focused_ == control) focused_ = nullptr;
  }
  // Clears the host's records that refer to a control being destroyed.
  void ForgetControl(Control* control);
  // Whether the control is in this host's tree.
  bool OwnsControl(const Control* control) const;
  // A control message given to one of this host's controls; 0 for a control it does not own.
  LRESULT DeliverToControl(Control* control, UINT message, WPARAM wParam, LPARAM lParam);
  // WM_GETMINMAXINFO's minimum tracking width.
  int MinimumTrackWidth() const;
  bool Detaching() const { return detaching_; }

  // --- accessibility ---
  // The role the window's client area reads out as (a menu, a dialog; a plain client area by
  // default). Showing a menu or dialog window announces it; detaching a menu ends it.
  void SetAccessibleRole(long role) { accessibleRole_ = role; }
  long AccessibleRole() const { return accessibleRole_; }
  // Does what a mouse click on the control does (press, focus, release, click) without the
  // mouse; nothing for a hidden, disabled or foreign control.
  void ClickControl(Control* control);

 private:
  friend class RepaintQueue;

  LRESULT DefaultProcessing(UINT message, WPARAM wParam, LPARAM lParam);
  void Call(ControlCallback callback, Control* control, WPARAM wParam, LPARAM lParam, int type);
  void ToggleMaximise();
  void StartDrag();
  void CreateBuffers();
  void ReleaseBuffers();
  void PaintBackground(int mode);
  void DrawBackgroundStretched(const Gdiplus::RectF& destination);
  void ForgetStretchedBackground();
  // Reads the window's outer size (device pixels) and its logical size at the current DPI.
  WindowSize ReadSize();
  // WM_DPICHANGED: the suggested rectangle, new buffers and control surfaces, a full redraw.
  void OnDpiChanged(int dpi, const RECT* suggested);
  // Client mouse messages carry device points; the host and its controls work in logical ones.
  static bool CarriesClientPoint(UINT message);
  LPARAM LogicalPointParam(LPARAM lParam) const;
  void ApplyGlassBlur(int left, int top, int right, int bottom, int radius);
  // The blur behind the skin, inside the frame's margins (at the window's scale).
  void ApplyFrameGlassBlur();
  void RunCloseEffect();
  void PresentLayered(HDC source);
  void CreateTitleButtons();
  void DrawControl(Control* control, const Gdiplus::RectF& visible);
  // Where a control's surface is composed: its bounds, moved onto whole device pixels.
  Gdiplus::RectF SurfaceRect(Gdiplus::GpImage* surface, const Gdiplus::RectF& bounds) const;
  // Lays a control's surface over the back buffer in memory (GDI+ under Wine draws onto a
  // bitmap a pixel at a time); false where only GDI+ can draw it (scaled, off the pixel grid).
  bool DrawSurfaceDirect(Gdiplus::GpImage* surface, const Gdiplus::RectF& bounds, const Gdiplus::RectF& visible);
  // The back buffer's pixels (premultiplied), up to date, for drawing into in memory.
  gfx::PixelArea BackBufferPixels();
  // The pixels of area (logical) inside the frame's clip, as rectangles.
  std::vector<RECT> DirectClip(const Gdiplus::RectF& area) const;
  // The graphics' clip as device pixels, for drawing into the back buffer in memory (none: no
  // clip, the whole buffer); false where only GDI+ can follow it (a scaled window's clip).
  bool ClipInPixels(std::vector<RECT>& rects);
  // The stretched skin copied onto the back buffer in memory; false where GDI+ must draw it.
  bool CopyBackgroundDirect(Gdiplus::GpImage* image, const Gdiplus::RectF& dest);
  // GdipGraphicsClear on the back buffer, inside the graphics' clip.
  void ClearWithinClip(Gdiplus::ARGB colour);
  void PresentNow(const RECT* rect);
  void AnnounceShown();
  static LRESULT CALLBACK WindowProcThunkTarget(WindowHost* self, UINT message, WPARAM wParam, LPARAM lParam);
  static void CALLBACK TransitionTimerProc(HWND window, UINT message, UINT_PTR id, DWORD time);
  void EditStyle(LONG add, LONG remove);

  // attach, step by step.
  void TakeOptions(const AttachOptions& options, LONG style);
  void TakeFrameFlags(std::optional<int> given, LONG style);
  // Popup style, host property, default cursor; no system frame.
  void TakeOverWindow();
  // Size, window DC, buffers, layered style, repaint queue.
  void PrepareDrawing();
  // Puts the thunk in as the window procedure; false when no thunk could be made.
  bool Subclass();
  void AbandonAttach();
  void CreateFrameParts();
  void CreateTooltip();

  // handle_message: each group answers its own messages (nothing for the others).
  LRESULT AnswerMessage(UINT message, WPARAM wParam, LPARAM lParam);
  std::optional<LRESULT> AnswerWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);
  std::optional<LRESULT> AnswerInputMessage(UINT message, WPARAM wParam, LPARAM lParam);
  std::optional<LRESULT> AnswerToolkitMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // Detaches, then hands the message to the window's previous procedure.
  LRESULT DetachAndPassOn(UINT message, WPARAM wParam, LPARAM lParam);
  void OnActivate(WPARAM wParam);
  LRESULT OnSetText(WPARAM wParam, LPARAM lParam);
  void OnPaint();
  void OnClose();
  bool OnSetCursor(WPARAM wParam);
  void OnGetMinMaxInfo(MINMAXINFO* info);
  void OnStyleChanged(WPARAM which, const STYLESTRUCT* change);
  void OnTimer(WPARAM wParam, LPARAM lParam);
  void TrackMouseLeave();
  void OnMouseLeave();
  void OnRepaintRect(WPARAM wParam, Gdiplus::RectF* rect);
  // After a request is queued: composed now outside any message; inside one, when it is done
  // or when a loop it runs delivers the TKM_COMPOSE_QUEUED posted here.
  void ComposeWhenDue();
  LRESULT OnControlMoved(Control* control, LPARAM redraw);
  LRESULT OnPostedToControl(Control* control, ControlMessageBlock* block);
  // Frees the blocks of the control messages and repaints still queued for the window.
  void FreeUndeliveredBlocks();

  // route_mouse, phase by phase.
  bool IsAlive(Control* control) const;
  void LeaveControl(Control* control, WPARAM wParam, LPARAM lParam);
  void EnterControl(Control* control, Control* from, WPARAM wParam, LPARAM lParam);
  // A left press: on a control, or on the frame (then null is returned: no control was hit).
  Control* Press(Control* hit, POINT point, WPARAM wParam, LPARAM lParam);
  void PressFrame(POINT point, WPARAM wParam);
  void PressControl(Control* hit, WPARAM wParam, LPARAM lParam);
  void FocusPressed(Control* hit, int type, WPARAM wParam, LPARAM lParam);
  void RouteToPressed(UINT message, WPARAM wParam, LPARAM lParam, POINT point);
  void ReleasePress(Control* pressed, POINT point, WPARAM wParam, LPARAM lParam);

  // --- state ---
  HWND window_ = nullptr;                     // the attached window; null while detached
  WNDPROC previousProc_ = nullptr;            // the procedure the thunk replaced
  gfx::WindowThunk thunk_;                    // window procedure that calls handle_message
  Control* focused_ = nullptr;
  Control* hovered_ = nullptr;
  Control* pressed_ = nullptr;                // the control a press went to
  bool pressing_ = false;                     // a press holds the capture
  bool busy_ = false;                         // redrawing or fading: no presenting, no mouse
  RepaintBatch* innermostBatch_ = nullptr;    // the RepaintBatch scopes open: requests wait
  bool composePosted_ = false;                // a TKM_COMPOSE_QUEUED is on its way
  gfx::WindowDc windowDc_;
  BufferDc backBuffer_;                       // what is presented: background plus controls
  gfx::GraphicsPtr graphics_;                 // drawing on backBuffer_
  BufferDc background_;                       // the painted background that repaints start from
  HWND sharedBackground_ = nullptr;           // a host window whose skin this one copies
  SkinImage backgroundImage_;
  int backgroundColour_ = -1;                 // Windows RGB
  Control* firstControl_ = nullptr;           // top-level controls, bottom to top
  Control* lastControl_ = nullptr;
  int frameFlags_ = 0;                        // kFrame* bits
  HWND tooltip_ = nullptr;
  int cornerStyle_ = 7;                       // radius of the rounded frame; 1: no frame, the skin fills it all
  int alpha_ = -1;                            // -1: ordinary window; else layered with this alpha
  int imageLayout_ = 0;                       // 0 natural size at the left, 1 stretched, 2 at the right
  int edgeColour_ = -1;                       // outline of a layered frame; -1 = black
  bool sizable_ = false;
  bool draggable_ = true;
  bool gloss_ = true;                         // a white band over the upper part of the skin
  int closeEffect_ = 0;                       // 0: none
  WindowSize size_;                           // outer size in logical pixels
  WindowSize deviceSize_;                     // outer size in device pixels: the buffers' size
  int dpi_ = ui::kBaseDpi;                    // the window's DPI
  double composedArea_ = 0;                   // as ComposedArea
  gfx::RegionPtr frameClip_;                  // the inside of a rounded frame, which controls stay in
  std::vector<RECT> frameClipRects_;          // the same as rectangles of pixels
  Control* keyboardCue_ = nullptr;            // the control focused from the keyboard
  bool glassBlur_ = false;
  bool presentOnAttach_ = true;
  HCURSOR defaultCursor_ = nullptr;
  std::optional<NineSlice> nineSlice_;
  BufferDc snapshot_;                         // the old look a cross-fade starts from
  int transitionAlpha_ = 0;                   // how far the cross-fade has come, 0..255
  bool trackingMouse_ = false;                // a TrackMouseEvent for WM_MOUSELEAVE is pending
  std::vector<Accelerator> accelerators_;
  std::vector<Control*> titleButtons_;
  Control* iconControl_ = nullptr;
  Control* captionLabel_ = nullptr;
  RepaintQueue repaintQueue_;
  TTTOOLINFOW toolInfo_{};                    // the tooltip's one tool
  PaintCallback onPaint_ = nullptr;
  WindowMessageCallback onWindowMessage_ = nullptr;
  ControlCallback onLeftDown_ = nullptr;
  ControlCallback onLeftUp_ = nullptr;
  ControlCallback onClick_ = nullptr;
  ControlCallback onDoubleClick_ = nullptr;
  ControlCallback onRightDown_ = nullptr;
  ControlCallback onRightUp_ = nullptr;
  ControlCallback onMouseEnter_ = nullptr;
  ControlCallback onMouseLeave_ = nullptr;
  ControlCallback onFocus_ = nullptr;
  ControlCallback onBlur_ = nullptr;
  SizeCallback onSize_ = nullptr;

  // Frame parts the host creates and owns (the records above only point at them).
  std::vector<std::unique_ptr<Control>> ownedFrameParts_;
  std::vector<int> titleButtonBits_;  // one per title-bar button bit that is set
  gfx::BitmapPtr stretchedBackground_;  // the skin image stretched to the size last drawn
  WindowSize stretchedSize_;
  bool backgroundOpaque_ = false;
  bool detaching_ = false;
  std::wstring tooltipText_;          // the text the tool record points at
  int transitionTicks_ = 0;           // ticks of the current cross-fade
  long accessibleRole_ = ROLE_SYSTEM_CLIENT;
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
