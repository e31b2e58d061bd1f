// The drawing side of the host: buffers, redraw, composition of the controls, the repaint
// queue and its batches, presenting, the cross-fade, glass blur and the show and close effects.
#include <algorithm>
#include <cmath>

#include "ui/core/Control.h"
#include "ui/core/Colour.h"
#include "ui/core/UiThread.h"
#include "ui/gfx/Toolkit.h"
#include "ui/core/Compositor.h"
#include "ui/core/WindowHost.h"
#include "ui/gfx/Pixels.h"
#include "ui/gfx/RectArithmetic.h"
#include "ui/gfx/Shapes.h"
#include "ui/gfx/Stretch.h"
#include "ui/gfx/SystemLibrary.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

constexpr UINT_PTR kTransitionTimerId = 1;
constexpr float kFrameInset = WindowFrame::kFrameInset;  // as a float, for the frame geometry

// A rounded (or, with radius 0, straight) rectangle path.
// The host's rounded shapes: "inset n" keeps n - 1 pixels free on every side.
gfx::PathPtr InsetPath(int width, int height, int inset, float radius) {
  float margin = static_cast<float>(inset - 1);
  return gfx::RoundedRectPath(RectF(margin, margin, width - 2 * margin, height - 2 * margin), radius);
}

void OutlinePath(GpGraphics* graphics, float x, float y, float width, float height, float radius, ARGB colour) {
  gfx::PenPtr pen;
  if (GdipCreatePen1(colour, 1, UnitPixel, pen.Put()) != Ok) return;
  if (gfx::PathPtr path = gfx::RoundedRectPath(RectF(x, y, width, height), radius)) {
    GdipDrawPath(graphics, pen.Get(), path.Get());
  }
}

void DrawImageAt(GpGraphics* graphics, GpImage* image, const RectF& dest, const RectF& source,
                 GpImageAttributes* attributes = nullptr) {
  GdipDrawImageRectRect(graphics, image, dest.X, dest.Y, dest.Width, dest.Height, source.X, source.Y, source.Width,
                        source.Height, UnitPixel, attributes, nullptr, nullptr);
}

RectF ImageRect(GpImage* image) {
  UINT width = 0, height = 0;
  GdipGetImageWidth(image, &width);
  GdipGetImageHeight(image, &height);
  return RectF(0, 0, static_cast<REAL>(width), static_cast<REAL>(height));
}

// Draws an image with its alpha scaled by opacity / 255.
void DrawWithOpacity(GpGraphics* graphics, GpImage* image, const RectF& dest, int opacity) {
  if (!image || opacity <= 0) return;
  RectF source = ImageRect(image);
  if (opacity >= 255) {
    DrawImageAt(graphics, image, dest, source);
    return;
  }
  gfx::ImageAttributesPtr attributes;
  if (GdipCreateImageAttributes(attributes.Put()) != Ok) return;
  ColorMatrix matrix{};
  for (int i = 0; i < 5; ++i) matrix.m[i][i] = 1;
  matrix.m[3][3] = opacity / 255.0f;
  GdipSetImageAttributesColorMatrix(attributes.Get(), ColorAdjustTypeDefault, TRUE, &matrix, nullptr,
                                    ColorMatrixFlagsDefault);
  DrawImageAt(graphics, image, dest, source, attributes.Get());
}

// The average colour (Windows RGB) of a bitmap's pixels.
int AverageColour(GpImage* image) {
  gfx::LockedPixels pixels(image, ImageLockModeRead);
  if (!pixels.IsValid()) return -1;
  const int width = pixels.Width(), height = pixels.Height();
  unsigned long long r = 0, g = 0, b = 0;
  for (int y = 0; y < height; ++y) {
    const std::uint32_t* row = pixels.Row(y);
    for (int x = 0; x < width; ++x) {
      r += (row[x] >> 16) & 0xFF;
      g += (row[x] >> 8) & 0xFF;
      b += row[x] & 0xFF;
    }
  }
  unsigned long long count = static_cast<unsigned long long>(width) * height;
  return RGB(r / count, g / count, b / count);
}

RECT Clamped(RECT r, int width, int height) {
  r.left = std::clamp<LONG>(r.left, 0, width);
  r.top = std::clamp<LONG>(r.top, 0, height);
  r.right = std::clamp<LONG>(r.right, r.left, width);
  r.bottom = std::clamp<LONG>(r.bottom, r.top, height);
  return r;
}

RECT ToRect(const RectF& rect, int width, int height) {
  return Clamped(RECT{static_cast<LONG>(std::floor(rect.X)), static_cast<LONG>(std::floor(rect.Y)),
                      static_cast<LONG>(std::ceil(rect.X + rect.Width)), static_cast<LONG>(std::ceil(rect.Y + rect.Height))},
                 width, height);
}

// The device pixels of a logical rectangle, inside a buffer of that size.
RECT ToRect(const RectF& rect, int dpi, WindowSize device) {
  return Clamped(ui::RectToDevice(rect, dpi), device.width, device.height);
}

void PumpPending() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message != WM_QUIT) {
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) break;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace

// --- buffers ---

void Compositor::CreateBuffers() {
  ReleaseBuffers();
  backBuffer_.Create(windowDc_.Get(), DeviceSize().width, DeviceSize().height);
  background_.Create(windowDc_.Get(), DeviceSize().width, DeviceSize().height);
  // The graphics draw straight into the back buffer's pixels, alpha included, which is what
  // UpdateLayeredWindow needs for layered windows.
  if (backBuffer_.Pixels() && GdipGetImageGraphicsContext(backBuffer_.Pixels(), graphics_.Put()) == Ok) {
    GdipSetSmoothingMode(graphics_.Get(), SmoothingModeAntiAlias);
    GdipSetTextRenderingHint(graphics_.Get(), TextRenderingHintAntiAliasGridFit);
    // The one scale of the whole composition: everything drawn here is in logical pixels.
    ui::ScaleGraphics(graphics_.Get(), Dpi());
  } else {
    graphics_.Reset();
  }
}

void Compositor::ReleaseBuffers() {
  graphics_.Reset();
  backBuffer_.Release();
  background_.Release();
}

// --- attach and detach ---

void Compositor::TakeOptions(const AttachOptions& options) {
  alpha_ = options.alpha.value_or(-1);
  imageLayout_ = options.imageLayout.value_or(0);
  presentOnAttach_ = options.presentOnAttach.value_or(true);
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

void Compositor::PrepareDrawing() {
  windowDc_ = gfx::WindowDc(Window());
  CreateBuffers();
  if (alpha_ != -1) {
    LONG ex = GetWindowLongW(Window(), GWL_EXSTYLE);
    if (!(ex & WS_EX_LAYERED)) SetWindowLongW(Window(), GWL_EXSTYLE, ex | WS_EX_LAYERED);
  }
  BindQueue();
}

void Compositor::BindQueue() { repaintQueue_.Bind(Window(), this, graphics_.Get()); }

void Compositor::Rebuild() {
  CreateBuffers();
  BindQueue();
  redraw(std::nullopt, backgroundColour_, 0, false);
}

void Compositor::AbandonAttach() {
  ReleaseBuffers();
  windowDc_.Reset();
}

void Compositor::StopComposing() {
  KillTimer(Window(), kTransitionTimerId);
  repaintQueue_.Release();
}

void Compositor::Release() {
  frameClip_.Reset();
  frameClipRects_.clear();
  backgroundImage_.Reset();
  stretchedBackground_.Reset();
  ReleaseBuffers();
  snapshot_.Release();
  windowDc_.Reset();
  composePosted_ = false;  // a new attach starts afresh; one still queued is harmless
}

void Compositor::AbandonBatches() {
  // Scopes still open on the stack (the host deleted inside its own message) let it be.
  for (RepaintBatch* batch = innermostBatch_; batch; batch = batch->outer_) batch->host_ = nullptr;
}

void Compositor::OnPaint() {
  // Everything is composed already: the back buffer is copied as it is.
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(Window(), &paint);
  if (dc && backBuffer_.Dc()) {
    const RECT& r = paint.rcPaint;
    BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, backBuffer_.Dc(), r.left, r.top, SRCCOPY);
  }
  EndPaint(Window(), &paint);
}

bool Compositor::QueueMoved(Control* control) {
  // Not while busy: the control queues both rectangles to be recomposed afterwards.
  if (busy_) return false;
  // Old and new place as one area when they touch.
  if (control->PreviousBounds()) repaintQueue_.Append(*control->PreviousBounds());
  repaintQueue_.Append(control->BoundsRef());
  ComposeWhenDue();
  return true;
}

// --- redraw ---

void Compositor::redraw(std::optional<std::span<const std::uint8_t>> image, std::optional<int> colour, int mode,
                        bool allControls) {
  if (!Window() || !graphics_) return;
  {
    ScopedFlag busy(busy_, true, false);

    // Background image and colour.
    WindowHost* sharedHost =
        sharedBackground_ && IsWindow(sharedBackground_) ? host_of_window(sharedBackground_) : nullptr;
    const Compositor* shared = sharedHost ? &sharedHost->Painting() : nullptr;
    if (shared && shared != this) {
      backgroundImage_.CopyFrom(shared->backgroundImage_);
      ForgetStretchedBackground();
      backgroundColour_ = shared->backgroundColour_;
    } else {
      if (image) {
        backgroundImage_.Load(*image);
        ForgetStretchedBackground();
        if (backgroundImage_) backgroundColour_ = AverageColour(backgroundImage_.Get());
      }
      if (colour && *colour != -1) backgroundColour_ = *colour;
    }

    // The snapshot the cross-fade of a layered window starts from.
    if (mode == 1 && alpha_ != -1 && snapshot_.Create(windowDc_.Get(), DeviceSize().width, DeviceSize().height)) {
      BitBlt(snapshot_.Dc(), 0, 0, DeviceSize().width, DeviceSize().height, backBuffer_.Dc(), 0, 0, SRCCOPY);
    }

    PaintBackground(mode);

    // The background cache: repaints start from it.
    GdipFlush(graphics_.Get(), FlushIntentionSync);
    BitBlt(background_.Dc(), 0, 0, DeviceSize().width, DeviceSize().height, backBuffer_.Dc(), 0, 0, SRCCOPY);
    // A window of one size paints its skin again only at a new scale: until then the cache
    // holds it, and the skin's pixels and stretched copy (megabytes) need not stay.
    if (!frame_.Sizable()) {
      backgroundImage_.LetPixelsGo();
      stretchedBackground_.Reset();
    }

    // Controls, clipped to the inside of the frame.
    frameClip_.Reset();
    frameClipRects_.clear();
    if (frame_.CornerStyle() != 1) {
      const float radius = static_cast<float>(std::max(frame_.CornerStyle() - 1, 0));
      if (gfx::PathPtr path = InsetPath(Size().width, Size().height, 7, radius)) {
        GdipCreateRegionPath(path.Get(), frameClip_.Put());
        frameClipRects_ = gfx::RegionRects(frameClip_.Get(), ui::ScaleFactor(Dpi()));
      }
    }
    repaintQueue_.Bind(Window(), this, graphics_.Get());
    frame_.layout_title_bar();
    ComposeControls(nullptr, allControls);
    GdipResetClip(graphics_.Get());
    GdipFlush(graphics_.Get(), FlushIntentionSync);
  }
  // Everything queued so far has just been composed.
  repaintQueue_.Clear();

  // Glass blur.
  if (glassBlur_ && alpha_ != -1) ApplyFrameGlassBlur();

  // Present at once, or cross-fade.
  if (mode == 0) {
    PresentNow(nullptr);
  } else if (mode == 1) {
    busy_ = true;
    transitionAlpha_ = 0;
    transitionTicks_ = 0;
    SetTimer(Window(), kTransitionTimerId, 50, TransitionTimerProc);
  }
}

void Compositor::ForgetStretchedBackground() {
  stretchedBackground_.Reset();
  backgroundOpaque_ = backgroundImage_ && gfx::ImageIsOpaque(backgroundImage_.Get());
}

void Compositor::DrawBackgroundStretched(const RectF& dest) {
  // An opaque skin is stretched once per size and then drawn one to one.
  const int width = static_cast<int>(dest.Width), height = static_cast<int>(dest.Height);
  if (Dpi() == ui::kBaseDpi && backgroundOpaque_ && width > 0 && height > 0 && static_cast<REAL>(width) == dest.Width &&
      static_cast<REAL>(height) == dest.Height) {
    if (!stretchedBackground_ || stretchedSize_.width != width || stretchedSize_.height != height) {
      stretchedBackground_ = backgroundImage_.TakeStretched(width, height);  // made ahead, if it was
      if (!stretchedBackground_) stretchedBackground_ = gfx::StretchedCopy(backgroundImage_.Get(), width, height);
      stretchedSize_ = WindowSize{width, height};
    }
    if (stretchedBackground_ && CopyBackgroundDirect(stretchedBackground_.Get(), dest)) return;
    if (stretchedBackground_ && gfx::DrawImageUnscaled(graphics_.Get(), stretchedBackground_.Get(), dest)) return;
  }
  DrawImageAt(graphics_.Get(), backgroundImage_.Get(), dest, ImageRect(backgroundImage_.Get()));
}

void Compositor::PaintBackground(int mode) {
  const int width = Size().width, height = Size().height;
  // Start from transparent.
  GdipResetClip(graphics_.Get());
  ClearWithinClip(0);

  const RectF frame(kFrameInset, kFrameInset, width - 2 * kFrameInset, height - 2 * kFrameInset);
  if (frame_.CornerStyle() == 1) {
    // Nine-sliced (or stretched) skin, no rounded frame.
    if (backgroundImage_) {
      RectF whole(0, 0, static_cast<REAL>(width), static_cast<REAL>(height));
      if (nineSlice_ && !nineSlice_->Empty()) {
        gfx::DrawImageNineSlice(graphics_.Get(), backgroundImage_.Get(), whole, *nineSlice_);
      } else {
        DrawBackgroundStretched(whole);
      }
    } else {
      GdipGraphicsClear(graphics_.Get(), ToArgb(backgroundColour_, alpha_ == -1 ? 255 : alpha_));
    }
  } else {
    // Rounded frame: clip, colour, image by layout.
    if (gfx::PathPtr path = InsetPath(width, height, 6, static_cast<float>(frame_.CornerStyle()))) {
      GdipSetClipPath(graphics_.Get(), path.Get(), CombineModeReplace);
    }
    if (!backgroundImage_) {
      GdipGraphicsClear(graphics_.Get(), ToArgb(backgroundColour_, alpha_ == -1 ? 255 : alpha_));
    } else {
      ClearWithinClip(ToArgb(backgroundColour_, 255));
      RectF natural = ImageRect(backgroundImage_.Get());
      bool withGloss = false;
      if (imageLayout_ == 1) {
        DrawBackgroundStretched(frame);
      } else if (imageLayout_ == 2) {
        RectF dest(frame.X + frame.Width - natural.Width, frame.Y, natural.Width, natural.Height);
        DrawImageAt(graphics_.Get(), backgroundImage_.Get(), dest, natural);
        withGloss = gloss_;
      } else {
        RectF dest(frame.X, frame.Y, natural.Width, natural.Height);
        DrawImageAt(graphics_.Get(), backgroundImage_.Get(), dest, natural);
        withGloss = gloss_;
      }
      if (withGloss) {
        // A soft white band over the upper part of the skin.
        RectF band(frame.X, frame.Y, frame.Width, std::max(1.0f, frame.Height * 0.4f));
        gfx::BrushPtr brush;
        if (GdipCreateLineBrushFromRect(&band, 0x46FFFFFF, 0x00FFFFFF, LinearGradientModeVertical, WrapModeTileFlipXY,
                                        reinterpret_cast<GpLineGradient**>(brush.Put())) == Ok) {
          GdipFillRectangle(graphics_.Get(), brush.Get(), band.X, band.Y, band.Width, band.Height);
        }
      }
      if (alpha_ != -1 && alpha_ < 255) {
        // The composed skin takes the window's constant alpha (premultiplied pixels).
        GdipFlush(graphics_.Get(), FlushIntentionSync);
        std::uint32_t* bits = backBuffer_.Bits();
        const size_t n = static_cast<size_t>(backBuffer_.Width()) * backBuffer_.Height();
        for (size_t i = 0; bits && i < n; ++i) {
          std::uint32_t p = bits[i], out = 0;
          for (int shift = 0; shift < 32; shift += 8) out |= (((p >> shift) & 0xFF) * alpha_ / 255) << shift;
          bits[i] = out;
        }
      }
    }
  }

  // The application's own background drawing.
  if (callbacks_.paint) callbacks_.paint(Window(), graphics_.Get(), width, height);

  // Frame outlines and the window's shape.
  if (frame_.CornerStyle() != 1) {
    float outer = frame_.CornerStyle() == 0 ? 0.0f : 7.0f, inner = frame_.CornerStyle() == 0 ? 0.0f : 6.0f;
    OutlinePath(graphics_.Get(), kFrameInset + 0.5f, kFrameInset + 0.5f, width - 2 * kFrameInset - 1,
                height - 2 * kFrameInset - 1, outer, 0xCC606060);
    OutlinePath(graphics_.Get(), kFrameInset + 1.5f, kFrameInset + 1.5f, width - 2 * kFrameInset - 3,
                height - 2 * kFrameInset - 3, inner, 0x66FFFFFF);
    GdipResetClip(graphics_.Get());
    if (alpha_ == -1) {
      frame_.ApplyShape();
    } else if (frame_.Flags() & kFrameDrawn) {
      int edge = edgeColour_ == -1 ? 0 : edgeColour_;
      OutlinePath(graphics_.Get(), kFrameInset - 0.5f, kFrameInset - 0.5f, width - 2 * kFrameInset + 1,
                  height - 2 * kFrameInset + 1, outer + 1, ToArgb(edge, 80));
    }
  }
  (void)mode;
}

// --- composition ---

void Compositor::ComposeControls(const RectF* rect, bool allControls) {
  if (!graphics_) return;
  RectF area = rect ? *rect : RectF(0, 0, static_cast<REAL>(Size().width), static_cast<REAL>(Size().height));
  struct Composer {
    Compositor* host;
    bool repaint;
    void Compose(Control* control, const RectF& clip) {
      for (; control; control = control->NextSibling()) {
        if (!control->IsVisible()) continue;
        if (repaint) control->Repaint();
        RectF visible;
        if (!gfx::IntersectRects(visible, control->BoundsRef(), clip)) continue;
        host->DrawControl(control, visible);
        Compose(control->FirstChild(), visible);
      }
    }
  };
  Composer{this, allControls}.Compose(host_.FirstControl(), area);
  GdipResetClip(graphics_.Get());
}

void Compositor::DrawControl(Control* control, const RectF& visible) {
  // On the device pixels the area covers, the ones Recompose copies the background over.
  ui::ClipToDevice(graphics_.Get(), ui::RectToDevice(visible, Dpi()), Dpi());
  if (frameClip_) GdipSetClipRegion(graphics_.Get(), frameClip_.Get(), CombineModeIntersect);

  int opacity = control->Opacity();
  if (control->IsDisabled() && DispatchControlMessage(control, TKM_DRAW_DISABLED, 0, 1) == -1) opacity /= 2;
  const RectF& b = control->BoundsRef();
  // Everything lands on whole device pixels from the one nearest the bounds, one to one, so a
  // part composed again is what composing the whole gives.
  const RECT place = ui::RectToDevice(b, Dpi());
  const int frames = control->transitionFrames_;
  const int k = control->transitionFrame_;
  if (control->Snapshot() && frames > 0 && k < frames &&
      DispatchControlMessage(control, TKM_DRAW_TRANSITION, static_cast<WPARAM>(k), frames) < 1) {
    GpImage* before = control->Snapshot();
    GpImage* after = control->Surface();
    const RectF afterPixels = ImageRect(after);
    const int width = static_cast<int>(afterPixels.Width), height = static_cast<int>(afterPixels.Height);
    const int style = control->transitionStyle_;
    // The distance the images have slid, in logical pixels and then in device pixels.
    const int across = style == 3 || style == 4 ? static_cast<int>(b.Width) : static_cast<int>(b.Height);
    const int step = style >= 1 && style <= 4 ? ui::ToDevice(across / frames * k, Dpi()) : 0;
    POINT from{place.left, place.top}, to{place.left, place.top};
    switch (style) {
      case 1: from.y += step, to.y += step - height; break;
      case 2: from.y -= step, to.y += height - step; break;
      case 3: from.x += step, to.x += step - width; break;
      case 4: from.x -= step, to.x += width - step; break;
      default: break;
    }
    const bool fades = style < 1 || style > 4;
    DrawOneToOne(before, from, opacity, visible);
    DrawOneToOne(after, to, fades ? opacity * k / frames : opacity, visible);
    return;
  }
  GpImage* surface = control->Surface();
  const SIZE expected = ui::SurfaceSize(b, Dpi());
  const RectF pixels = surface ? ImageRect(surface) : RectF();
  if (pixels.Width == static_cast<REAL>(expected.cx) && pixels.Height == static_cast<REAL>(expected.cy)) {
    DrawOneToOne(surface, POINT{place.left, place.top}, opacity, visible);
  } else {
    DrawWithOpacity(graphics_.Get(), surface, SurfaceRect(surface, b), opacity);  // a surface not yet made again
  }
}

void Compositor::DrawOneToOne(GpImage* image, POINT at, int opacity, const RectF& visible) {
  if (!image || opacity <= 0) return;
  // In memory, within the frame's clip as device rectangles (a rounded frame's corners too).
  if (backBuffer_.Bits() && (!frameClip_ || !frameClipRects_.empty())) {
    gfx::BitmapPixels source(static_cast<GpBitmap*>(image));
    if (source.Area()) {
      const std::vector<RECT> clip = DirectClip(visible);
      if (!clip.empty()) {
        gfx::DrawPixels(BackBufferPixels(), source.Area(), at.x, at.y, gfx::PixelOp::Over, clip,
                        std::min(opacity, 255));
      }
      return;
    }
  }
  // Through GDI+ (its clip is set to the same pixels) on the same device pixels.
  const RectF pixels = ImageRect(image);
  const RECT device{at.x, at.y, at.x + static_cast<LONG>(pixels.Width), at.y + static_cast<LONG>(pixels.Height)};
  DrawWithOpacity(graphics_.Get(), image, ui::DeviceToLogical(device, Dpi()), opacity);
}

gfx::PixelArea Compositor::BackBufferPixels() {
  // What GDI+ and GDI had still to draw into it goes first.
  GdipFlush(graphics_.Get(), FlushIntentionSync);
  GdiFlush();
  return gfx::PixelArea{backBuffer_.Bits(), backBuffer_.Width(), backBuffer_.Height(), backBuffer_.Width(), true};
}

std::vector<RECT> Compositor::DirectClip(const RectF& area) const {
  const RECT box = ToRect(area, Dpi(), DeviceSize());
  if (!frameClip_) return {box};
  std::vector<RECT> rects;
  for (const RECT& inside : frameClipRects_) {
    RECT both;
    if (IntersectRect(&both, &inside, &box)) rects.push_back(both);
  }
  return rects;
}

bool Compositor::ClipInPixels(std::vector<RECT>& rects) {
  rects.clear();
  gfx::RegionPtr clip;
  BOOL infinite = FALSE;
  if (!backBuffer_.Bits() || GdipCreateRegion(clip.Put()) != Ok || GdipGetClip(graphics_.Get(), clip.Get()) != Ok ||
      GdipIsInfiniteRegion(clip.Get(), graphics_.Get(), &infinite) != Ok) {
    return false;
  }
  if (infinite) return true;
  // The clip's rectangles are device pixels only where the graphics is not scaled.
  if (Dpi() != ui::kBaseDpi) return false;
  rects = gfx::RegionRects(clip.Get());
  return !rects.empty();
}

void Compositor::ClearWithinClip(ARGB colour) {
  // In memory: GDI+ under Wine clears a bitmap pixel by pixel.
  std::vector<RECT> rects;
  if (ClipInPixels(rects)) {
    gfx::FillPixels(BackBufferPixels(), colour, rects);
  } else {
    GdipGraphicsClear(graphics_.Get(), colour);
  }
}

bool Compositor::CopyBackgroundDirect(GpImage* image, const RectF& dest) {
  // The opaque stretched skin, copied within the graphics' clip (the rounded frame).
  if (Dpi() != ui::kBaseDpi || !gfx::OnPixelGrid(dest.X) || !gfx::OnPixelGrid(dest.Y)) return false;
  std::vector<RECT> rects;
  if (!ClipInPixels(rects)) return false;
  gfx::BitmapPixels source(static_cast<GpBitmap*>(image));
  if (!source.Area()) return false;
  gfx::DrawPixels(BackBufferPixels(), source.Area(), static_cast<int>(dest.X), static_cast<int>(dest.Y), gfx::PixelOp::Copy, rects);
  return true;
}

RectF Compositor::SurfaceRect(GpImage* surface, const RectF& bounds) const {
  if (!surface || Dpi() == ui::kBaseDpi) return bounds;
  const RectF pixels = ImageRect(surface);
  return ui::SnappedSurfaceRect(bounds, SIZE{static_cast<LONG>(pixels.Width), static_cast<LONG>(pixels.Height)}, Dpi());
}

void Compositor::Recompose(const RectF& rect) {
  if (!Window() || !graphics_) return;
  RECT r = ToRect(rect, Size().width, Size().height);
  if (r.right <= r.left || r.bottom <= r.top) return;
  RectF area(static_cast<REAL>(r.left), static_cast<REAL>(r.top), static_cast<REAL>(r.right - r.left),
             static_cast<REAL>(r.bottom - r.top));
  const RECT d = ToRect(area, Dpi(), DeviceSize());
  composedArea_ += static_cast<double>(area.Width) * area.Height;
  GdipFlush(graphics_.Get(), FlushIntentionSync);
  BitBlt(backBuffer_.Dc(), d.left, d.top, d.right - d.left, d.bottom - d.top, background_.Dc(), d.left, d.top,
         SRCCOPY);
  ComposeControls(&area, false);
  GdipFlush(graphics_.Get(), FlushIntentionSync);
  if (!busy_ || repaintQueue_.Flushing()) PresentNow(&d);
}

void Compositor::queue_repaint(const RectF& rect, WPARAM mode) {
  if (!Window() || host_.Detaching()) return;
  if (mode == kRepaintNow) {
    Recompose(rect);
    return;
  }
  if (mode == kRepaintFirst) {
    repaintQueue_.InsertFirst(rect);
  } else {
    repaintQueue_.Append(rect);
  }
  ComposeWhenDue();
}

void Compositor::ComposeWhenDue() {
  if (!innermostBatch_) {
    if (!busy_) repaintQueue_.Flush();
    return;
  }
  // One on its way at a time: a stream of messages that each queue something posts one.
  if (composePosted_ || !Window()) return;
  composePosted_ = PostMessageW(Window(), TKM_COMPOSE_QUEUED, 0, 0) != FALSE;
}

void Compositor::ComposeQueued() {
  if (Window() && !busy_) repaintQueue_.Flush();
}

RepaintBatch::RepaintBatch(Compositor& host) : host_(&host), outer_(host.innermostBatch_) {
  host.innermostBatch_ = this;
}

RepaintBatch::~RepaintBatch() { Close(); }

Compositor* RepaintBatch::Close() noexcept {
  Compositor* host = host_;
  if (host) host->innermostBatch_ = outer_;
  host_ = nullptr;
  return host;
}

void RepaintBatch::ComposeAndClose() {
  // A nested message's batch composes at its end too: its loop turn is over.
  if (Compositor* host = Close()) host->ComposeQueued();
}

std::vector<RectF> MergeTouching(const std::deque<RectF>& rects) {
  std::vector<RectF> merged;
  for (const RectF& next : rects) {
    if (next.Width <= 0 || next.Height <= 0) continue;
    RectF grown = next;
    // Joining may reach rectangles kept earlier: join until nothing more touches.
    for (bool joined = true; joined;) {
      joined = false;
      for (auto it = merged.begin(); it != merged.end(); ++it) {
        if (it->X <= grown.X + grown.Width && grown.X <= it->X + it->Width && it->Y <= grown.Y + grown.Height &&
            grown.Y <= it->Y + it->Height) {
          grown = gfx::UnionRects(grown, *it);
          merged.erase(it);
          joined = true;
          break;
        }
      }
    }
    merged.push_back(grown);
  }
  return merged;
}

void RepaintQueue::Flush() {
  if (flushing_ || !host_) return;
  ScopedFlag flushing(flushing_, true, false);
  ScopedFlag busy(host_->busy_, true, host_->busy_);
  // What was queued together is composed once per joined area; what a composition queues
  // (a control painting as it is drawn) comes round again.
  while (!rects_.empty()) {
    const std::vector<RectF> areas = MergeTouching(rects_);
    rects_.clear();
    for (const RectF& area : areas) host_->Recompose(area);
  }
}

// --- presenting ---

void Compositor::present_rect(const RECT* rect, bool rectGiven) {
  if (busy_ || !Window()) return;
  PresentNow(rectGiven ? rect : nullptr);
}

void Compositor::PresentAtOnce(const RectF& rect) {
  if (!Window()) return;
  ComposeQueued();
  Recompose(rect);
  // Some window systems (Wine among them) keep what a busy thread drew until it next finds its
  // queue empty: one look for a message that is never posted shows it now.
  constexpr UINT kNeverPosted = WM_APP + 0x3FFF;
  MSG message;
  PeekMessageW(&message, Window(), kNeverPosted, kNeverPosted, PM_NOREMOVE);
}

void Compositor::PresentNow(const RECT* rect) {
  if (!Window() || !backBuffer_.Dc()) return;
  if (graphics_) GdipFlush(graphics_.Get(), FlushIntentionSync);
  if (alpha_ == -1) {
    RECT r = rect ? *rect : RECT{0, 0, DeviceSize().width, DeviceSize().height};
    BitBlt(windowDc_.Get(), r.left, r.top, r.right - r.left, r.bottom - r.top, backBuffer_.Dc(), r.left, r.top,
           SRCCOPY);
  } else {
    PresentLayered(backBuffer_.Dc());
  }
}

void Compositor::PresentLayered(HDC source) {
  SIZE size{DeviceSize().width, DeviceSize().height};
  POINT origin{0, 0};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  UpdateLayeredWindow(Window(), nullptr, nullptr, &size, source, &origin, 0, &blend, ULW_ALPHA);
}

// --- cross-fade ---

void CALLBACK Compositor::TransitionTimerProc(HWND window, UINT, UINT_PTR, DWORD) {
  ui::Contained([window] {
    if (WindowHost* host = host_of_window(window)) host->Painting().transition_tick();
  });
}

void Compositor::transition_tick() {
  if (!Window()) return;
  ++transitionTicks_;
  transitionAlpha_ = std::min(transitionAlpha_ + 51, 255);
  BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(transitionAlpha_), 0};
  if (alpha_ == -1) {
    GdiAlphaBlend(windowDc_.Get(), 0, 0, DeviceSize().width, DeviceSize().height, backBuffer_.Dc(), 0, 0,
                  DeviceSize().width, DeviceSize().height, blend);
  } else if (snapshot_.Dc()) {
    GdiAlphaBlend(snapshot_.Dc(), 0, 0, DeviceSize().width, DeviceSize().height, backBuffer_.Dc(), 0, 0,
                  DeviceSize().width, DeviceSize().height, blend);
    PresentLayered(snapshot_.Dc());
  }
  if (transitionAlpha_ >= 255) {
    KillTimer(Window(), kTransitionTimerId);
    snapshot_.Release();
    busy_ = false;
    PresentNow(nullptr);
    repaintQueue_.Flush();
  }
}

// --- glass blur (DWM, bound by name) ---

void Compositor::ApplyFrameGlassBlur() {
  const RECT blur = ui::RectToDevice(RECT{6, 6, Size().width - 5, Size().height - 5}, Dpi());
  ApplyGlassBlur(blur.left, blur.top, blur.right, blur.bottom, ui::ToDevice(6, Dpi()));
}

void Compositor::ApplyGlassBlur(int left, int top, int right, int bottom, int radius) {
  if (gfx::OsMajorVersion() != 6 || frame_.CornerStyle() == 1 || alpha_ == -1) return;
  struct BlurBehind {
    DWORD flags;
    BOOL enable;
    HRGN region;
    BOOL transitionOnMaximized;
  };
  using IsCompositionEnabledFn = HRESULT(WINAPI*)(BOOL*);
  using EnableBlurBehindFn = HRESULT(WINAPI*)(HWND, const BlurBehind*);
  static HMODULE dwm = gfx::LoadSystemLibrary(L"dwmapi.dll");
  if (!dwm) return;
  auto isEnabled = reinterpret_cast<IsCompositionEnabledFn>(GetProcAddress(dwm, "DwmIsCompositionEnabled"));
  auto enableBlur = reinterpret_cast<EnableBlurBehindFn>(GetProcAddress(dwm, "DwmEnableBlurBehindWindow"));
  BOOL enabled = FALSE;
  if (!isEnabled || !enableBlur || isEnabled(&enabled) != S_OK || !enabled) return;
  gfx::HrgnPtr region(CreateRoundRectRgn(left, top, right, bottom, radius, radius));
  BlurBehind blur{0x1 | 0x2, TRUE, region.Get(), FALSE};  // DWM_BB_ENABLE | DWM_BB_BLURREGION
  enableBlur(Window(), &blur);
}

// --- show and close effects ---

void Compositor::show(int effect) {
  if (!Window()) return;
  if (effect == 0) {
    if (glassBlur_) ApplyFrameGlassBlur();
    ShowWindow(Window(), SW_SHOWNORMAL);
    return;
  }
  // Opening: fade the composed image in on a (temporarily) layered window.
  LONG ex = GetWindowLongW(Window(), GWL_EXSTYLE);
  const bool wasLayered = (ex & WS_EX_LAYERED) != 0;
  if (!wasLayered) SetWindowLongW(Window(), GWL_EXSTYLE, ex | WS_EX_LAYERED);
  BufferDc frame;
  if (frame.Create(windowDc_.Get(), DeviceSize().width, DeviceSize().height)) {
    SIZE size{DeviceSize().width, DeviceSize().height};
    POINT origin{0, 0};
    for (int i = 0; i <= 15; ++i) {
      BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(i * 17), AC_SRC_ALPHA};
      UpdateLayeredWindow(Window(), nullptr, nullptr, &size, backBuffer_.Dc(), &origin, 0, &blend, ULW_ALPHA);
      if (i == 0) ShowWindow(Window(), SW_SHOWNORMAL);
      Sleep(10);
      PumpPending();
      if (!Window()) return;
    }
  } else {
    ShowWindow(Window(), SW_SHOWNORMAL);
  }
  if (!wasLayered) SetWindowLongW(Window(), GWL_EXSTYLE, ex);
  PresentNow(nullptr);
  RedrawWindow(Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void Compositor::RunCloseEffect() {
  if (closeEffect_ == 0 || !Window()) return;
  if (glassBlur_) ApplyGlassBlur(0, 0, 0, 0, 0);
  const int width = DeviceSize().width, height = DeviceSize().height;
  BufferDc captured, frame;
  if (!captured.Create(windowDc_.Get(), width, height) || !frame.Create(windowDc_.Get(), width, height)) return;
  if (graphics_) GdipFlush(graphics_.Get(), FlushIntentionSync);
  BitBlt(captured.Dc(), 0, 0, width, height, backBuffer_.Dc(), 0, 0, SRCCOPY);
  if (alpha_ == -1) {
    // An ordinary window's pixels carry no alpha: make the captured image opaque.
    for (size_t i = 0, n = static_cast<size_t>(width) * height; i < n; ++i) captured.Bits()[i] |= 0xFF000000;
  }
  LONG ex = GetWindowLongW(Window(), GWL_EXSTYLE);
  if (!(ex & WS_EX_LAYERED)) SetWindowLongW(Window(), GWL_EXSTYLE, ex | WS_EX_LAYERED);
  SetWindowRgn(Window(), nullptr, FALSE);

  int frames = 15, pause = 8;
  if (closeEffect_ == 1) pause = 10;
  if (closeEffect_ == 2) frames = 20, pause = 12;
  if (closeEffect_ == 7) pause = 10;
  HWND window = Window();
  for (int f = 1; f <= frames; ++f) {
    std::fill(frame.Bits(), frame.Bits() + static_cast<size_t>(width) * height, 0u);
    double progress = static_cast<double>(f) / frames;
    int alpha = std::max(0, 255 - f * (255 / frames));
    double scale = 1.0;
    int offsetY = 0;
    if (closeEffect_ == 2) scale = 1.0 + 0.15 * progress;   // grows while fading
    else if (closeEffect_ == 7) scale = 1.0 - progress;      // shrinks to the centre
    else if (closeEffect_ != 1) offsetY = -static_cast<int>(20 * progress);  // generic: rises and fades
    int w = std::max(1, static_cast<int>(width * scale)), h = std::max(1, static_cast<int>(height * scale));
    int x = (width - w) / 2, y = (height - h) / 2 + offsetY;
    BLENDFUNCTION copy{AC_SRC_OVER, 0, static_cast<BYTE>(alpha), AC_SRC_ALPHA};
    GdiAlphaBlend(frame.Dc(), x, y, w, h, captured.Dc(), 0, 0, width, height, copy);
    PresentLayered(frame.Dc());
    Sleep(static_cast<DWORD>(pause));
    PumpPending();
    if (Window() != window) return;
  }
}
