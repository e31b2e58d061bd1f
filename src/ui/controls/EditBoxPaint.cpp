// Measuring, scrolling and drawing of the edit box. Text is measured with the same GDI+ font
// and format it is drawn with, so caret, selection and glyphs line up.
#include <algorithm>
#include <cmath>
#include <vector>

#include "ui/controls/EditBox.h"
#include "ui/gfx/Text.h"

using Gdiplus::RectF;
namespace gdip = gfx::gdip;

namespace {

// Wide enough that no line of a full box wraps.
constexpr float kLayoutWidth = 1.0e7f;
constexpr Gdiplus::ARGB kSelectionColour = 0x663399FF;
constexpr Gdiplus::ARGB kCueColour = 0xFF999999;
// Lines longer than two chunks are measured and drawn chunk-wise.
constexpr int kLayoutChunk = 256;

}  // namespace

std::wstring EditBox::DisplayText(int line) const {
  const std::string& text = document_.LineText(line);
  if (mode_ != kEditModePassword) return gfx::widen_text(text);
  const std::wstring mask = gfx::widen_text(passwordChar_);
  const std::size_t count = gbk::CharCount(text);
  std::wstring out;
  out.reserve(count * mask.size());
  for (std::size_t i = 0; i < count; ++i) out += mask;
  return out;
}

int EditBox::DisplayUnits(int line, int column) const {
  const std::string_view prefix = std::string_view(document_.LineText(line)).substr(0, static_cast<std::size_t>(std::max(0, column)));
  if (mode_ != kEditModePassword) return static_cast<int>(gfx::widen_text(prefix).size());
  return static_cast<int>(gbk::CharCount(prefix) * gfx::widen_text(passwordChar_).size());
}

float EditBox::PrefixWidth(const std::wstring& display, int units) {
  units = std::min(units, static_cast<int>(display.size()));
  if (units <= 0) return leadingOffset_;
  Gdiplus::GpGraphics* graphics = Graphics();
  if (!graphics || !font_ || !format_) return 0;
  const Gdiplus::CharacterRange range(units - 1, 1);
  gdip::GdipSetStringFormatMeasurableCharacterRanges(format_.Get(), 1, &range);
  gfx::RegionPtr region;
  if (gdip::GdipCreateRegion(region.Put()) != Gdiplus::Ok) return 0;
  Gdiplus::GpRegion* regions[1] = {region.Get()};
  const RectF layout(0, 0, kLayoutWidth, lineHeight_ * 4);
  RectF bounds;
  if (gdip::GdipMeasureCharacterRanges(graphics, display.c_str(), units, font_, layout, format_.Get(), 1, regions) ==
          Gdiplus::Ok &&
      gdip::GdipGetRegionBounds(region.Get(), graphics, &bounds) == Gdiplus::Ok && bounds.Width > 0) {
    return bounds.X + bounds.Width;
  }
  // No range box (GDI+ gave none for this character): the whole prefix's measured width.
  RectF whole;
  if (gfx::measure_text(graphics, display.substr(0, static_cast<std::size_t>(units)), font_, layout, format_.Get(), &whole)) {
    return whole.X + std::max(0.0f, whole.Width - leadingOffset_);
  }
  return 0;
}

void EditBox::ForgetLayout() { layouts_.clear(); }

const EditBox::LineLayout& EditBox::LayoutOf(int line) {
  auto found = layouts_.find(line);
  if (found != layouts_.end()) return found->second;
  LineLayout layout;
  layout.display = DisplayText(line);
  const int size = static_cast<int>(layout.display.size());
  if (size > 2 * kLayoutChunk) {
    layout.checkpoints.reserve(static_cast<std::size_t>(size / kLayoutChunk) + 1);
    float x = leadingOffset_;
    layout.checkpoints.push_back(x);
    for (int start = kLayoutChunk; start <= size; start += kLayoutChunk) {
      const std::wstring chunk = layout.display.substr(static_cast<std::size_t>(start - kLayoutChunk), kLayoutChunk);
      x += PrefixWidth(chunk, kLayoutChunk) - leadingOffset_;
      layout.checkpoints.push_back(x);
    }
  }
  return layouts_.emplace(line, std::move(layout)).first->second;
}

float EditBox::LineUnitsX(int line, int units) {
  const LineLayout& layout = LayoutOf(line);
  if (layout.checkpoints.empty()) return PrefixWidth(layout.display, units);
  units = std::clamp(units, 0, static_cast<int>(layout.display.size()));
  const int k = units / kLayoutChunk;
  const int rest = units - k * kLayoutChunk;
  const float base = layout.checkpoints[static_cast<std::size_t>(k)];
  if (rest == 0) return base;
  const std::wstring piece = layout.display.substr(static_cast<std::size_t>(k * kLayoutChunk), static_cast<std::size_t>(rest));
  return base + PrefixWidth(piece, rest) - leadingOffset_;
}

float EditBox::ColumnX(int line, int column) {
  if (line < 0 || line >= document_.LineCount()) return leadingOffset_;
  return LineUnitsX(line, DisplayUnits(line, column));
}

int EditBox::ColumnAt(int line, float x) {
  line = std::clamp(line, 0, document_.LineCount() - 1);
  const std::string& text = document_.LineText(line);
  if (text.empty()) return 0;
  std::vector<int> columns{0};
  for (std::size_t at = 0; at < text.size();) {
    at = gbk::NextBoundary(text, at);
    columns.push_back(static_cast<int>(at));
  }
  auto xOf = [&](std::size_t index) { return LineUnitsX(line, DisplayUnits(line, columns[index])); };
  // The first boundary at or right of x, then whichever of it and the one before is nearer.
  std::size_t low = 0, high = columns.size() - 1;
  if (xOf(high) <= x) return columns[high];
  while (low < high) {
    const std::size_t middle = (low + high) / 2;
    if (xOf(middle) < x) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  if (low == 0) return 0;
  const float right = xOf(low);
  const float left = xOf(low - 1);
  return x - left <= right - x ? columns[low - 1] : columns[low];
}

TextPos EditBox::HitTest(float x, float y) {
  const RectF view = ViewRect();
  int line = 0;
  if (multiLine_) {
    line = static_cast<int>(std::floor((y - view.Y - static_cast<float>(offsetY_)) / lineHeight_));
    line = std::clamp(line, 0, document_.LineCount() - 1);
  }
  return {line, ColumnAt(line, x - view.X - static_cast<float>(offsetX_))};
}

float EditBox::LineTop(int line) const { return ViewRect().Y + static_cast<float>(offsetY_) + static_cast<float>(line) * lineHeight_; }

void EditBox::MeasureLines() {
  Gdiplus::GpGraphics* graphics = Graphics();
  if (graphics && font_) {
    Gdiplus::REAL height = 0;
    if (gdip::GdipGetFontHeight(font_, graphics, &height) == Gdiplus::Ok && height > 0) fontHeight_ = height;
    lineHeight_ = std::ceil(fontHeight_) + 3;
    // Where GDI+ puts the first glyph of a text drawn at x = 0.
    const float previousOffset = leadingOffset_;
    leadingOffset_ = 0;
    const std::wstring probe = L"a";
    const float right = PrefixWidth(probe, 1);
    RectF whole;
    const RectF layout(0, 0, kLayoutWidth, lineHeight_ * 4);
    if (gfx::measure_text(graphics, probe, font_, layout, format_.Get(), &whole) && right > 0) {
      // The measured box pads both sides equally; the glyph cell ends where the range ends.
      leadingOffset_ = std::max(0.0f, whole.Width - right);
    }
    if (leadingOffset_ != previousOffset) {
      ForgetLayout();
      document_.ForgetWidths();
    }
  }
  for (int line = 0; line < document_.LineCount(); ++line) {
    if (document_.LineWidth(line) < 0) document_.SetLineWidth(line, ColumnX(line, static_cast<int>(document_.LineText(line).size())));
  }
}

float EditBox::ContentWidth() const {
  float widest = 0;
  for (int line = 0; line < document_.LineCount(); ++line) widest = std::max(widest, document_.LineWidth(line));
  return widest;
}

void EditBox::ClampOffsets() {
  const RectF view = ViewRect();
  const int maxY = std::max(0, static_cast<int>(std::ceil(static_cast<float>(document_.LineCount()) * lineHeight_ - view.Height)));
  const int maxX = std::max(0, static_cast<int>(std::ceil(ContentWidth() + 2 - view.Width)));
  offsetY_ = std::clamp(offsetY_, -maxY, 0);
  offsetX_ = std::clamp(offsetX_, -maxX, 0);
}

void EditBox::EnsureCaretVisible() {
  ClampOffsets();
  const RectF view = ViewRect();
  const TextPos caret = document_.Caret();
  const float x = ColumnX(caret.line, caret.column);
  if (x + static_cast<float>(offsetX_) < 0) offsetX_ = -static_cast<int>(std::floor(x));
  if (x + static_cast<float>(offsetX_) > view.Width - 2) offsetX_ = -static_cast<int>(std::ceil(x - (view.Width - 2)));
  const float top = static_cast<float>(caret.line) * lineHeight_;
  if (top + lineHeight_ + static_cast<float>(offsetY_) > view.Height) {
    offsetY_ = -static_cast<int>(std::ceil(top + lineHeight_ - view.Height));
  }
  if (top + static_cast<float>(offsetY_) < 0) offsetY_ = -static_cast<int>(std::floor(top));
  offsetX_ = std::min(offsetX_, 0);
  offsetY_ = std::min(offsetY_, 0);
}

void EditBox::SetBarPositions() {
  const RectF view = ViewRect();
  if (verticalBar_ && verticalBar_->IsLive()) {
    const int maximum = std::max(0, static_cast<int>(std::ceil(static_cast<float>(document_.LineCount()) * lineHeight_ - view.Height)));
    verticalBar_->PageStep(std::max(1, static_cast<int>(view.Height)));
    verticalBar_->ArrowStep(std::max(1, static_cast<int>(lineHeight_)));
    if (verticalBar_->Maximum() != maximum) verticalBar_->Maximum(maximum);
    verticalBar_->Position(-offsetY_);
  }
  if (horizontalBar_ && horizontalBar_->IsLive()) {
    const int maximum = std::max(0, static_cast<int>(std::ceil(ContentWidth() + 2 - view.Width)));
    horizontalBar_->PageStep(std::max(1, static_cast<int>(view.Width)));
    if (horizontalBar_->Maximum() != maximum) horizontalBar_->Maximum(maximum);
    horizontalBar_->Position(-offsetX_);
  }
}

void EditBox::UpdateView() {
  if (!OnUiThread()) return RunOnUiThread([&] { UpdateView(); });
  if (!IsLive()) return;
  MeasureLines();
  EnsureCaretVisible();
  SetBarPositions();
  PlaceCaret();
  PaintText();
}

void EditBox::SetScrollY(int position) {
  if (!OnUiThread()) return RunOnUiThread([&] { SetScrollY(position); });
  offsetY_ = -std::max(0, position);
  ClampOffsets();
  PlaceCaret();
  PaintText();
}

void EditBox::SetScrollX(int position) {
  if (!OnUiThread()) return RunOnUiThread([&] { SetScrollX(position); });
  offsetX_ = -std::max(0, position);
  ClampOffsets();
  PlaceCaret();
  PaintText();
}

void EditBox::PlaceCaret() {
  const RectF view = ViewRect();
  const TextPos caret = document_.Caret();
  caretRect_ = RectF(view.X + static_cast<float>(offsetX_) + ColumnX(caret.line, caret.column), LineTop(caret.line), 1,
                     lineHeight_);
  HWND window = GetHostWindow();
  if (!focused_ || !window) return;
  const RectF& bounds = BoundsRef();
  const POINT point = ui::PointToDevice(
      POINT{static_cast<LONG>(bounds.X + caretRect_.X), static_cast<LONG>(bounds.Y + caretRect_.Y)}, HostDpi());
  if (systemCaret_) SetCaretPos(point.x, point.y);
  if (HIMC context = ImmGetContext(window)) {
    COMPOSITIONFORM form{};
    form.dwStyle = CFS_POINT;
    form.ptCurrentPos = point;
    ImmSetCompositionWindow(context, &form);
    ImmReleaseContext(window, context);
  }
}

void EditBox::BlinkCaret() {
  if (!focused_) {
    if (GetHostWindow()) KillTimer(GetHostWindow(), reinterpret_cast<UINT_PTR>(this));
    return;
  }
  blink_ ^= 1;
  const RectF clip(std::floor(caretRect_.X) - 1, caretRect_.Y, 3, caretRect_.Height);
  PaintText(&clip);
}

void EditBox::PaintText(const RectF* clip) {
  if (!IsLive()) return;
  const SurfacePaint paint(this, clip, false);
  const PaintContext& context = paint.Context();
  Gdiplus::GpGraphics* graphics = context.graphics;
  if (graphics) {
    const RectF& bounds = BoundsRef();
    gfx::BrushPtr fill;
    if (gdip::GdipCreateSolidFill(background_, reinterpret_cast<Gdiplus::GpSolidFill**>(fill.Put())) == Gdiplus::Ok) {
      gdip::GdipFillRectangle(graphics, fill.Get(), 0, 0, bounds.Width, bounds.Height);
    }
    if (pen_) {
      gdip::GdipSetPenColor(pen_.Get(), currentBorder_);
      gdip::GdipDrawRectangle(graphics, pen_.Get(), 0.5f, 0.5f, bounds.Width - 1, bounds.Height - 1);
    }

    const RectF view = ViewRect();
    gdip::GdipSetClipRect(graphics, view.X, view.Y, view.Width, view.Height, Gdiplus::CombineModeIntersect);
    const int count = document_.LineCount();
    const int first = std::clamp(static_cast<int>(std::floor(-static_cast<float>(offsetY_) / lineHeight_)), 0, count - 1);
    const int last = std::clamp(static_cast<int>(std::floor((view.Height - static_cast<float>(offsetY_)) / lineHeight_)), 0, count - 1);
    const auto [start, end] = document_.Selection();
    const bool selection = document_.HasSelection();
    gfx::BrushPtr selectionFill;
    if (selection) gdip::GdipCreateSolidFill(kSelectionColour, reinterpret_cast<Gdiplus::GpSolidFill**>(selectionFill.Put()));
    const float left = view.X + static_cast<float>(offsetX_);
    for (int line = first; line <= last; ++line) {
      const float top = LineTop(line);
      const LineLayout& layout = LayoutOf(line);
      const std::wstring& display = layout.display;
      if (selection && selectionFill && line >= start.line && line <= end.line) {
        const float x0 = line == start.line ? ColumnX(line, start.column) : leadingOffset_;
        float x1 = line == end.line ? ColumnX(line, end.column) : LineUnitsX(line, static_cast<int>(display.size()));
        if (line != end.line) x1 += std::max(3.0f, fontHeight_ / 3);  // the line break is selected too
        if (x1 > x0) gdip::GdipFillRectangle(graphics, selectionFill.Get(), left + x0, top, x1 - x0, lineHeight_);
      }
      if (!display.empty() && textBrush_ && font_) {
        // A long line is drawn from the chunk left of the view to the one past its right edge.
        std::size_t from = 0, to = display.size();
        float x = left;
        const std::vector<float>& marks = layout.checkpoints;
        if (!marks.empty()) {
          const float viewLeft = -static_cast<float>(offsetX_), viewRight = viewLeft + view.Width;
          const auto first = std::upper_bound(marks.begin(), marks.end(), viewLeft);
          const auto k = static_cast<std::size_t>(std::max<std::ptrdiff_t>(0, (first - marks.begin()) - 1));
          const auto past = std::upper_bound(marks.begin(), marks.end(), viewRight);
          from = k * kLayoutChunk;
          to = std::min(display.size(), static_cast<std::size_t>(past - marks.begin() + 1) * kLayoutChunk);
          x = left + marks[k] - leadingOffset_;
        }
        const RectF box(x, top + (lineHeight_ - fontHeight_) / 2, kLayoutWidth, lineHeight_ * 2);
        gdip::GdipDrawString(graphics, display.c_str() + from, static_cast<INT>(to - from), font_, &box, format_.Get(),
                             textBrush_.Get());
      }
    }
    if (!cueText_.empty() && document_.Text().empty() && font_) {
      // The hint of an empty box, grey, where its text would start.
      gfx::BrushPtr grey;
      if (gdip::GdipCreateSolidFill(kCueColour, reinterpret_cast<Gdiplus::GpSolidFill**>(grey.Put())) == Gdiplus::Ok) {
        const RectF box(left, LineTop(0) + (lineHeight_ - fontHeight_) / 2, kLayoutWidth, lineHeight_ * 2);
        gdip::GdipDrawString(graphics, cueText_.c_str(), static_cast<INT>(cueText_.size()), font_, &box, format_.Get(),
                             grey.Get());
      }
    }
    if (focused_ && (blink_ & 1) && pen_) {
      gdip::GdipSetPenColor(pen_.Get(), 0xFF000000);
      const float x = std::floor(caretRect_.X) + 0.5f;
      gdip::GdipDrawLine(graphics, pen_.Get(), x, caretRect_.Y, x, caretRect_.Y + caretRect_.Height);
    }
  }
}
