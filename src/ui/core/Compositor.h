// The host's drawing: a 32-bit back buffer and a cache of the painted background, into which
// the skin, the frame outline and the windowless controls are composed; the queue of
// rectangles waiting to be recomposed and the batches that hold it while a message runs;
// presenting (plain or layered), the cross-fade, the show and close effects and glass blur.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "ui/core/AttachOptions.h"
#include "ui/core/HostBuffers.h"
#include "ui/core/HostCallbacks.h"
#include "ui/core/HostContext.h"
#include "ui/core/RepaintQueue.h"
#include "ui/gfx/GdiHandles.h"
#include "ui/gfx/Pixels.h"

class WindowFrame;

class Compositor {
 public:
  Compositor(const HostContext& host, WindowFrame& frame, const HostCallbacks& callbacks)
      : host_(host), frame_(frame), callbacks_(callbacks) {}
  Compositor(const Compositor&) = delete;
  Compositor& operator=(const Compositor&) = delete;

  // attach and detach, step by step.
  void TakeOptions(const AttachOptions& options);
  // Window DC, buffers, layered style, repaint queue (the host knows the size and scale).
  void PrepareDrawing();
  void AbandonAttach();
  // New buffers at the host's size and scale, and a full redraw.
  void Rebuild();
  void StopComposing();  // no cross-fade, nothing queued
  void Release();        // buffers, images and clip
  // The batches still open on the stack let go of a compositor about to go.
  void AbandonBatches();
  // Busy for a scope: parts draw, nothing is composed or presented.
  ScopedFlag BusyScope() { return ScopedFlag(busy_, true, false); }
  void SetBusy(bool busy) { busy_ = busy; }

  void redraw(std::optional<std::span<const std::uint8_t>> image, std::optional<int> colour, int mode = 0,
              bool allControls = false);
  // Composes the controls that intersect rect (client coordinates) onto the back buffer.
  void ComposeControls(const Gdiplus::RectF* rect, bool allControls);
  // Recomposes one rectangle at once: background cache, controls, present.
  void Recompose(const Gdiplus::RectF& rect);
  void queue_repaint(const Gdiplus::RectF& rect, WPARAM mode);
  void ComposeQueued();
  // A moved control's old and new place queued; false while busy (the control queues them).
  bool QueueMoved(Control* control);
  bool InBatch() const { return innermostBatch_ != nullptr; }
  void ComposePostArrived() { composePosted_ = false; }
  void present_rect(const RECT* rect, bool rectGiven);
  void PresentAtOnce(const Gdiplus::RectF& rect);
  void OnPaint();
  void transition_tick();
  void show(int effect);
  void RunCloseEffect();
  void set_edge_colour(int colour) { edgeColour_ = colour; }
  void set_close_effect(int effect) { closeEffect_ = effect; }

  bool Busy() const { return busy_; }
  int Alpha() const { return alpha_; }
  int ImageLayout() const { return imageLayout_; }
  bool Gloss() const { return gloss_; }
  bool GlassBlur() const { return glassBlur_; }
  bool PresentOnAttach() const { return presentOnAttach_; }
  int BackgroundColour() const { return backgroundColour_; }
  Gdiplus::GpImage* BackgroundImage() const { return backgroundImage_.Get(); }
  bool HoldsSkinPixels() const { return backgroundImage_.HoldsPixels(); }
  Gdiplus::GpGraphics* Graphics() const { return graphics_.Get(); }
  const BufferDc& BackBuffer() const { return backBuffer_; }
  HDC BackgroundDc() const { return background_.Dc(); }
  RepaintQueue& RepaintQueueRef() { return repaintQueue_; }
  int TransitionAlpha() const { return transitionAlpha_; }
  int CloseEffect() const { return closeEffect_; }
  int TransitionTicks() const { return transitionTicks_; }
  const std::optional<NineSlice>& NineSliceRef() const { return nineSlice_; }
  // Pixels recomposed since the window was attached (what repaints cost, for tests and benchmarks).
  double ComposedArea() const { return composedArea_; }

 private:
  friend class RepaintQueue;
  friend class RepaintBatch;

  HWND Window() const { return host_.Window(); }
  int Dpi() const { return host_.Dpi(); }
  WindowSize Size() const { return host_.Size(); }
  WindowSize DeviceSize() const { return host_.DeviceSize(); }
  void BindQueue();
  void CreateBuffers();
  void ReleaseBuffers();
  void PaintBackground(int mode);
  void DrawBackgroundStretched(const Gdiplus::RectF& destination);
  void ForgetStretchedBackground();
  // After a request is queued: composed now outside any message; inside one, when it is done
  // or when a loop it runs delivers the TKM_COMPOSE_QUEUED posted here.
  void ComposeWhenDue();
  void DrawControl(Control* control, const Gdiplus::RectF& visible);
  // Where a control's surface is composed: its bounds, moved onto whole device pixels.
  Gdiplus::RectF SurfaceRect(Gdiplus::GpImage* surface, const Gdiplus::RectF& bounds) const;
  // Lays a control's surface over the back buffer in memory (GDI+ under Wine draws onto a
  // bitmap a pixel at a time); false where only GDI+ can draw it (scaled, off the pixel grid).
  // Draws an image one to one with its top left at a device pixel, within visible.
  void DrawOneToOne(Gdiplus::GpImage* image, POINT at, int opacity, const Gdiplus::RectF& visible);
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
  void PresentLayered(HDC source);
  void ApplyGlassBlur(int left, int top, int right, int bottom, int radius);
  // The blur behind the skin, inside the frame's margins (at the window's scale).
  void ApplyFrameGlassBlur();
  static void CALLBACK TransitionTimerProc(HWND window, UINT message, UINT_PTR id, DWORD time);

  const HostContext& host_;
  WindowFrame& frame_;
  const HostCallbacks& callbacks_;
  bool busy_ = false;                      // redrawing or fading: no presenting, no mouse
  RepaintBatch* innermostBatch_ = nullptr; // the RepaintBatch scopes open: requests wait
  bool composePosted_ = false;             // a TKM_COMPOSE_QUEUED is on its way
  RepaintQueue repaintQueue_;
  gfx::WindowDc windowDc_;
  BufferDc backBuffer_;                    // what is presented: background plus controls
  gfx::GraphicsPtr graphics_;              // drawing on backBuffer_
  BufferDc background_;                    // the painted background that repaints start from
  BufferDc snapshot_;                      // the old look a cross-fade starts from
  HWND sharedBackground_ = nullptr;        // a host window whose skin this one copies
  SkinImage backgroundImage_;
  gfx::BitmapPtr stretchedBackground_;     // the skin image stretched to the size last drawn
  WindowSize stretchedSize_;
  bool backgroundOpaque_ = false;
  int backgroundColour_ = -1;              // Windows RGB
  int alpha_ = -1;                         // -1: ordinary window; else layered with this alpha
  int imageLayout_ = 0;                    // 0 natural size at the left, 1 stretched, 2 at the right
  int edgeColour_ = -1;                    // outline of a layered frame; -1 = black
  bool gloss_ = true;                      // a white band over the upper part of the skin
  bool glassBlur_ = false;
  bool presentOnAttach_ = true;
  std::optional<NineSlice> nineSlice_;
  gfx::RegionPtr frameClip_;               // the inside of a rounded frame, which controls stay in
  std::vector<RECT> frameClipRects_;       // the same as rectangles of pixels
  int closeEffect_ = 0;                    // 0: none
  int transitionAlpha_ = 0;                // how far the cross-fade has come, 0..255
  int transitionTicks_ = 0;                // ticks of the current cross-fade
  double composedArea_ = 0;                // as ComposedArea
};
