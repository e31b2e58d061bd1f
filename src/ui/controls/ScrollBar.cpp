#include "ui/controls/ScrollBar.h"
#include "ui/gfx/Text.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "ui/gfx/GdiPlus.h"
#include "ui/gfx/Shapes.h"

using Gdiplus::RectF;
namespace gdip = gfx::gdip;

// --- geometry ---

ScrollGeometry ScrollGeometry::Layout(int orientation, float width, float height) {
  ScrollGeometry g;
  g.orientation = orientation;
  if (orientation == kScrollVertical) {
    g.firstArrow = RectF(0, 0, 10, 9);
    g.secondArrow = RectF(0, height - 9, 10, 9);
    g.track = RectF(1, 10, 8, height - 20);
    g.trackStart = 10;
    g.trackLength = static_cast<int>(height) - 20;
  } else {
    g.firstArrow = RectF(0, 0, 9, 10);
    g.secondArrow = RectF(width - 9, 0, 9, 10);
    g.track = RectF(10, 1, width - 20, 8);
    g.trackStart = 10;
    g.trackLength = static_cast<int>(width) - 20;
  }
  return g;
}

int ScrollGeometry::ThumbLength(int trackLength, int maximum) {
  if (maximum <= 0 || trackLength <= 0) return 0;
  const std::int64_t l = trackLength;
  const auto length = static_cast<int>(l * l / (l + maximum));
  return std::max(length, kScrollMinimumThumb);
}

int ScrollGeometry::ThumbStart(int position, int minimum, int maximum) const {
  if (maximum <= minimum) return trackStart;
  const std::int64_t travel = trackLength - thumbLength;
  return trackStart + static_cast<int>((static_cast<std::int64_t>(position) - minimum) * travel /
                                       (static_cast<std::int64_t>(maximum) - minimum));
}

int ScrollGeometry::ValueFromPoint(int pixel, int minimum, int maximum) const {
  if (pixel <= trackStart) return minimum;
  const int travel = trackLength - thumbLength;
  if (pixel >= trackStart + travel) return maximum;
  return minimum + static_cast<int>((static_cast<std::int64_t>(pixel) - trackStart) *
                                    (static_cast<std::int64_t>(maximum) - minimum) / travel);
}

RectF ScrollGeometry::ThumbRect(int position, int minimum, int maximum) const {
  if (thumbLength <= 0) return RectF();
  const auto start = static_cast<float>(ThumbStart(position, minimum, maximum));
  const auto length = static_cast<float>(thumbLength);
  if (orientation == kScrollVertical) return RectF(track.X, start, track.Width, length);
  return RectF(start, track.Y, length, track.Height);
}

int ScrollGeometry::PartAt(float x, float y, int position, int minimum, int maximum) const {
  auto inside = [&](const RectF& r) { return x >= r.X && x < r.X + r.Width && y >= r.Y && y < r.Y + r.Height; };
  if (inside(firstArrow)) return kScrollPartFirstArrow;
  if (inside(secondArrow)) return kScrollPartSecondArrow;
  const RectF thumb = ThumbRect(position, minimum, maximum);
  // The thumb counts across the whole bar thickness, so a press beside the thin shape hits it.
  const float along = orientation == kScrollVertical ? y : x;
  const float thumbStart = orientation == kScrollVertical ? thumb.Y : thumb.X;
  if (thumbLength > 0 && along >= thumbStart && along < thumbStart + static_cast<float>(thumbLength)) {
    return kScrollPartThumb;
  }
  if (along >= static_cast<float>(trackStart) && along < static_cast<float>(trackStart + trackLength)) {
    return kScrollPartTrack;
  }
  return kScrollPartNone;
}

// --- drawing helpers ---

namespace {

using gfx::PathPtr;

constexpr Gdiplus::ARGB Black(int alpha) { return static_cast<Gdiplus::ARGB>(alpha) << 24; }

void FillAndFrame(Gdiplus::GpGraphics* graphics, Gdiplus::GpPath* path, Gdiplus::ARGB fill, Gdiplus::ARGB frame) {
  if (!path) return;
  gfx::BrushPtr brush;
  if (gdip::GdipCreateSolidFill(fill, reinterpret_cast<Gdiplus::GpSolidFill**>(brush.Put())) == Gdiplus::Ok) {
    gdip::GdipFillPath(graphics, brush.Get(), path);
  }
  gfx::PenPtr pen;
  if (gdip::GdipCreatePen1(frame, 1, Gdiplus::UnitPixel, pen.Put()) == Gdiplus::Ok) {
    gdip::GdipDrawPath(graphics, pen.Get(), path);
  }
}

void RoundedShape(Gdiplus::GpGraphics* graphics, const RectF& r, float radius, int fillAlpha, int frameAlpha) {
  // Outlines run through pixel centres: inset by half a pixel so they stay inside.
  PathPtr path = gfx::RoundedRectPath(RectF(r.X + 0.5f, r.Y + 0.5f, r.Width - 1, r.Height - 1), radius);
  FillAndFrame(graphics, path.Get(), Black(fillAlpha), Black(frameAlpha));
}

// A triangle pointing out of the bar inside the arrow rectangle.
void Arrow(Gdiplus::GpGraphics* graphics, const RectF& r, int orientation, bool first, int fillAlpha, int frameAlpha) {
  Gdiplus::PointF points[3];
  const float cx = r.X + r.Width / 2, cy = r.Y + r.Height / 2;
  if (orientation == kScrollVertical) {
    const float tip = first ? r.Y + 2 : r.Y + r.Height - 2, base = first ? r.Y + r.Height - 2 : r.Y + 2;
    points[0] = {cx, tip};
    points[1] = {r.X + 2, base};
    points[2] = {r.X + r.Width - 2, base};
  } else {
    const float tip = first ? r.X + 2 : r.X + r.Width - 2, base = first ? r.X + r.Width - 2 : r.X + 2;
    points[0] = {tip, cy};
    points[1] = {base, r.Y + 2};
    points[2] = {base, r.Y + r.Height - 2};
  }
  PathPtr path;
  if (gdip::GdipCreatePath(Gdiplus::FillModeAlternate, path.Put()) != Gdiplus::Ok) return;
  gdip::GdipAddPathPolygon(path.Get(), points, 3);
  FillAndFrame(graphics, path.Get(), Black(fillAlpha), Black(frameAlpha));
}

}  // namespace

// --- the control ---

ScrollBar::~ScrollBar() {
  if (IsLive()) Destroy();
}

Control* ScrollBar::Create(ControlParent parent, float left, float top, float width, float height,
                           const ScrollBarOptions& options) {
  minimum_ = options.minimum;
  maximum_ = options.maximum;
  negatedMinimum_ = -minimum_;
  pageStep_ = options.pageStep;
  arrowStep_ = options.arrowStep;
  liveTracking_ = options.liveTracking;
  orientation_ = options.orientation == kScrollVertical ? kScrollVertical : kScrollHorizontal;
  compactWhenIdle_ = options.compactWhenIdle;
  position_ = std::clamp(options.position.value_or(minimum_), minimum_, std::max(minimum_, maximum_));
  pressedPart_ = hoverPart_ = kScrollPartNone;
  dragOffset_ = 0;
  repeating_ = false;
  ControlOptions base;
  base.type = 19;
  base.visible = options.visible;
  base.transitionInterval = 60;
  return Control::Create(parent, RectF(left, top, width, height), base);
}

void ScrollBar::LayoutBar(float width, float height) {
  geometry_ = ScrollGeometry::Layout(orientation_, width, height);
  ComputeThumb();
}

void ScrollBar::ComputeThumb() {
  thumbLength_ = ScrollGeometry::ThumbLength(geometry_.trackLength, maximum_);
  geometry_.thumbLength = thumbLength_;
}

int ScrollBar::ThumbStart() { return geometry_.ThumbStart(position_, minimum_, maximum_); }

int ScrollBar::ValueFromPoint(int pixel) { return geometry_.ValueFromPoint(pixel, minimum_, maximum_); }

void ScrollBar::FireChange() {
  if (!onChange_) return;
  if (Control* parent = ParentControl()) {
    onChange_(reinterpret_cast<LPARAM>(parent), reinterpret_cast<LPARAM>(this), position_, 0, 0);
  } else {
    onChange_(reinterpret_cast<LPARAM>(this), position_, 0, 0, 0);
  }
}

int ScrollBar::Position(std::optional<int> value) {
  if (value && !OnUiThread()) return RunOnUiThread([&] { return Position(value); });
  if (value) {
    const int next = std::clamp(*value, minimum_, std::max(minimum_, maximum_));
    if (next != position_) {
      position_ = next;
      Repaint();  // the thumb moves: redraw the surface, which also presents it
    }
  }
  return position_;
}

int ScrollBar::Minimum(std::optional<int> value) {
  if (value && !OnUiThread()) return RunOnUiThread([&] { return Minimum(value); });
  if (value && *value != minimum_) {  // an unchanged range is not drawn again
    minimum_ = *value;
    negatedMinimum_ = -minimum_;
    if (position_ < minimum_) position_ = minimum_;
    Repaint();
  }
  return minimum_;
}

int ScrollBar::Maximum(std::optional<int> value) {
  if (value && !OnUiThread()) return RunOnUiThread([&] { return Maximum(value); });
  if (value && *value != maximum_) {
    maximum_ = *value;
    position_ = std::clamp(position_, minimum_, std::max(minimum_, maximum_));
    ComputeThumb();
    Repaint();
  }
  return maximum_;
}

int ScrollBar::PageStep(std::optional<int> value) {
  if (value && !OnUiThread()) return RunOnUiThread([&] { return PageStep(value); });
  if (value) pageStep_ = *value;
  return pageStep_;
}

int ScrollBar::ArrowStep(std::optional<int> value) {
  if (value && !OnUiThread()) return RunOnUiThread([&] { return ArrowStep(value); });
  if (value) arrowStep_ = *value;
  return arrowStep_;
}

bool ScrollBar::LiveTracking(std::optional<bool> value) {
  if (value && !OnUiThread()) return RunOnUiThread([&] { return LiveTracking(value); });
  if (value) liveTracking_ = *value;
  return liveTracking_;
}

bool ScrollBar::CompactWhenIdle(std::optional<bool> value) {
  if (value && !OnUiThread()) return RunOnUiThread([&] { return CompactWhenIdle(value); });
  if (value) compactWhenIdle_ = *value;
  return compactWhenIdle_;
}

void ScrollBar::SetOnChange(ScrollChangeCallback callback) { onChange_ = callback; }

POINT ScrollBar::ToLocal(LPARAM lParam) const {
  const RectF& bounds = BoundsRef();
  return POINT{GET_X_LPARAM(lParam) - static_cast<LONG>(bounds.X), GET_Y_LPARAM(lParam) - static_cast<LONG>(bounds.Y)};
}

POINT ScrollBar::CursorLocal() const {
  POINT point{};
  GetCursorPos(&point);
  if (GetHostWindow()) ScreenToClient(GetHostWindow(), &point);
  point = ui::PointToLogical(point, HostDpi());
  const RectF& bounds = BoundsRef();
  return POINT{point.x - static_cast<LONG>(bounds.X), point.y - static_cast<LONG>(bounds.Y)};
}

bool ScrollBar::StepArrow() {
  if (pressedPart_ == kScrollPartFirstArrow) {
    position_ -= arrowStep_;
    if (position_ <= minimum_) {
      position_ = minimum_;
      return false;
    }
    return true;
  }
  if (pressedPart_ == kScrollPartSecondArrow) {
    position_ += arrowStep_;
    const int end = std::max(minimum_, maximum_);
    if (position_ >= end) {
      position_ = end;
      return false;
    }
    return true;
  }
  return false;
}

void ScrollBar::StopRepeat() {
  if (repeating_ && GetHostWindow()) KillTimer(GetHostWindow(), reinterpret_cast<UINT_PTR>(this));
  repeating_ = false;
}

void ScrollBar::Press(POINT local) {
  const int part = geometry_.PartAt(static_cast<float>(local.x), static_cast<float>(local.y), position_, minimum_, maximum_);
  if (part == kScrollPartTrack) {
    // A press on the bare track pages toward the press.
    const int start = ThumbStart();
    const int next = Along(local) < start ? position_ - pageStep_ : position_ + pageStep_;
    const int clamped = std::clamp(next, minimum_, std::max(minimum_, maximum_));
    pressedPart_ = kScrollPartNone;
    if (clamped != position_) {
      position_ = clamped;
      FireChange();
    }
    return;
  }
  pressedPart_ = part;
  if (part == kScrollPartThumb) {
    dragOffset_ = Along(local) - ThumbStart();
  } else if (part == kScrollPartFirstArrow || part == kScrollPartSecondArrow) {
    // The press itself steps once; holding the arrow repeats every 100 ms.
    const bool more = StepArrow();
    FireChange();
    if (more && GetHostWindow()) {
      repeating_ = SetTimer(GetHostWindow(), reinterpret_cast<UINT_PTR>(this), kScrollRepeatMs, nullptr) != 0;
    }
  }
}

void ScrollBar::PaintBar(int mode, float x, float y) {
  hoverPart_ = mode == 0 ? kScrollPartNone : geometry_.PartAt(x, y, position_, minimum_, maximum_);
  const SurfacePaint paint(this, nullptr, /*startTransition=*/TransitionFrames() != 0);
  const PaintContext& context = paint.Context();
  if (Gdiplus::GpGraphics* graphics = context.graphics) {
    const RectF thumb = geometry_.ThumbRect(position_, minimum_, maximum_);
    if (mode == 0 && compactWhenIdle_) {
      if (thumbLength_ > 0) RoundedShape(graphics, thumb, 6, 40, 30);
    } else {
      const RectF arrows[2] = {geometry_.firstArrow, geometry_.secondArrow};
      for (int i = 0; i < 2; ++i) {
        const int part = i == 0 ? kScrollPartFirstArrow : kScrollPartSecondArrow;
        const bool lit = pressedPart_ == part || hoverPart_ == part;
        if (lit) RoundedShape(graphics, arrows[i], 4, 20, 60);
        Arrow(graphics, arrows[i], orientation_, i == 0, lit ? 160 : 100, lit ? 90 : 50);
      }
      RoundedShape(graphics, geometry_.track, 6, 40, 30);
      if (thumbLength_ > 0) RoundedShape(graphics, thumb, 6, 110, 80);
    }
  }
}

LRESULT ScrollBar::MessageProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      LayoutBar(BoundsRef().Width, BoundsRef().Height);
      break;
    case TKM_SIZED:
      LayoutBar(static_cast<float>(wParam), static_cast<float>(lParam));
      break;
    case WM_PAINT:
      PaintBar(0, -1, -1);
      break;
    case WM_MOUSEMOVE: {
      if (pressedPart_ == kScrollPartFirstArrow || pressedPart_ == kScrollPartSecondArrow) break;
      const POINT local = ToLocal(lParam);
      if (pressedPart_ == kScrollPartThumb) {
        const int value = ValueFromPoint(Along(local) - dragOffset_);
        if (value != position_) {
          position_ = value;
          if (liveTracking_) FireChange();
        }
      }
      PaintBar(pressedPart_ == kScrollPartThumb ? 2 : 1, static_cast<float>(local.x), static_cast<float>(local.y));
      break;
    }
    case WM_LBUTTONDOWN: {
      const POINT local = ToLocal(lParam);
      Press(local);
      PaintBar(2, static_cast<float>(local.x), static_cast<float>(local.y));
      break;
    }
    case WM_TIMER: {
      if (pressedPart_ != kScrollPartFirstArrow && pressedPart_ != kScrollPartSecondArrow) {
        StopRepeat();
        break;
      }
      if (!StepArrow()) StopRepeat();
      const POINT local = CursorLocal();
      PaintBar(1, static_cast<float>(local.x), static_cast<float>(local.y));
      FireChange();
      break;
    }
    case WM_LBUTTONUP: {
      if (!liveTracking_ && pressedPart_ == kScrollPartThumb) FireChange();
      pressedPart_ = kScrollPartNone;
      StopRepeat();
      const POINT local = ToLocal(lParam);
      PaintBar(1, static_cast<float>(local.x), static_cast<float>(local.y));
      break;
    }
    case TKM_MOUSE_ENTER:
    case TKM_MOUSE_LEAVE: {
      if (TransitionInterval() != 0) TransitionFrames(5);
      const POINT local = CursorLocal();
      PaintBar(message == TKM_MOUSE_ENTER ? 1 : 0, static_cast<float>(local.x), static_cast<float>(local.y));
      break;
    }
    case TKM_TRANSITION_END:
      TransitionFrames(0);
      break;
    case TKM_PRESS:
      return 1;  // takes presses
    case WM_DESTROY:
      StopRepeat();
      thumbLength_ = 0;
      position_ = 0;
      onChange_ = nullptr;
      maximum_ = 0;
      minimum_ = 0;
      pressedPart_ = hoverPart_ = kScrollPartNone;
      break;
    default:
      break;
  }
  return -1;
}

AccessibleInfo ScrollBar::Describe() {
  AccessibleInfo info;
  info.role = ROLE_SYSTEM_SCROLLBAR;
  // "vertical" / "horizontal"
  info.name = orientation_ == kScrollVertical ? L"\u5782\u76f4" : L"\u6c34\u5e73";
  // Digits widened by hand: std::to_wstring formats through the C library's wide printf,
  // which would be linked into the exe for this one number.
  const std::string digits = std::to_string(Position());
  info.value.assign(digits.begin(), digits.end());
  return info;
}
