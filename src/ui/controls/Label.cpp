#include "ui/controls/Label.h"

#include <algorithm>
#include <cmath>

#include "ui/gfx/Fonts.h"
#include "ui/gfx/Text.h"

using Gdiplus::RectF;
namespace gdip = gfx::gdip;

int LabelFormatFlags(bool multiLine) { return multiLine ? kMultiLineFormatFlags : kSingleLineFormatFlags; }

TextChange DecideTextChange(const std::wstring& current, const std::wstring& next, bool transitionGiven) {
  if (transitionGiven) return {true, true};
  if (current == next) return {false, false};
  return {true, false};
}

int RoundMeasure(float extent) {
  if (!(extent > 0)) return 0;  // also NaN
  if (extent > 1e9f) return 1000000000;
  return static_cast<int>(std::lround(extent));
}

RectF MeasureLayout(bool multiLine, float width) {
  return RectF(0, 0, multiLine && width > 0 ? width : 0, 0);
}

namespace {

// The underline is drawn by the label itself, so it looks the same wherever GDI+ runs (Wine's
// draws none); the font is made without it.
void DrawUnderline(Gdiplus::GpGraphics* graphics, Gdiplus::GpFont* font, const std::wstring& text,
                   Gdiplus::GpStringFormat* format, const RectF& layout, Gdiplus::ARGB colour) {
  RectF bounds;
  if (!gfx::measure_text(graphics, text, font, layout, format, &bounds) || bounds.Width <= 0) return;
  gfx::FontFamilyPtr family;
  INT style = 0;
  UINT16 ascent = 0, em = 0;
  Gdiplus::REAL size = 0;
  if (gdip::GdipGetFamily(font, family.Put()) != Gdiplus::Ok || gdip::GdipGetFontStyle(font, &style) != Gdiplus::Ok ||
      gdip::GdipGetCellAscent(family.Get(), style, &ascent) != Gdiplus::Ok ||
      gdip::GdipGetEmHeight(family.Get(), style, &em) != Gdiplus::Ok || em == 0 ||
      gdip::GdipGetFontSize(font, &size) != Gdiplus::Ok) {
    return;
  }
  // GDI+ pads a measured line by a sixth of the em on either side.
  const float pad = bounds.Width > size / 2 ? size / 6 : 0;
  const float y = std::floor(bounds.Y + size * ascent / em) + 1.5f;
  gfx::PenPtr pen;
  if (gdip::GdipCreatePen1(colour, std::max(1.0f, std::floor(size / 14)), Gdiplus::UnitPixel, pen.Put()) !=
      Gdiplus::Ok) {
    return;
  }
  gdip::GdipDrawLine(graphics, pen.Get(), bounds.X + pad, y, bounds.X + bounds.Width - pad, y);
}

Gdiplus::StringAlignment ToAlignment(int value) {
  return (value >= 0 && value <= 2) ? static_cast<Gdiplus::StringAlignment>(value) : Gdiplus::StringAlignmentNear;
}

}  // namespace

Label::~Label() {
  if (IsLive()) Destroy();
}

Control* Label::Create(ControlParent parent, float left, float top, float width, float height,
                       const std::string& text, const LabelOptions& options) {
  // The font and format are the UI thread's too: the whole creation runs there.
  if (!ui::OnThreadOf(parent.HostWindow())) {
    return ui::CallOnUiThread(parent.HostWindow(), [&] { return Create(parent, left, top, width, height, text, options); });
  }
  if (IsLive()) return GetHandle();
  text_ = gfx::widen_text(text);
  colour_ = options.textColour.value_or(kLabelDefaultColour);
  ownerOptions_ = options.ownerOptions;
  multiLine_ = options.multiLine;
  alignment_ = options.alignment;
  lineAlignment_ = options.lineAlignment;
  animateNext_ = false;
  animationInterval_ = kLabelDefaultTransitionInterval;
  animationFrames_ = kLabelDefaultTransitionFrames;
  font_ = nullptr;
  ownedFont_.Reset();
  SetFont(options.fontFamily, options.fontSize, options.fontStyle);
  BuildFormat();

  ControlOptions base;
  base.type = kLabelType;
  base.visible = options.visible;
  base.focusable = false;
  Control* handle = Control::Create(parent, RectF(left, top, width, height), base);
  if (!handle) {
    ReleaseFont();
    format_.Reset();
    text_.clear();
  }
  return handle;
}

void Label::BuildFormat() {
  gfx::StringFormatPtr format;
  if (gdip::GdipCreateStringFormat(LabelFormatFlags(multiLine_), LANG_NEUTRAL, format.Put()) != Gdiplus::Ok) {
    format_.Reset();
    return;
  }
  gdip::GdipSetStringFormatAlign(format.Get(), ToAlignment(alignment_));
  gdip::GdipSetStringFormatLineAlign(format.Get(), ToAlignment(lineAlignment_));
  gdip::GdipSetStringFormatHotkeyPrefix(format.Get(), Gdiplus::HotkeyPrefixNone);
  format_ = std::move(format);
}

void Label::MeasureText() {
  if (!OnUiThread()) return RunOnUiThread([&] { MeasureText(); });
  RectF bounds;
  if (text_.empty() || !gfx::measure_text(Graphics(), text_, font_, MeasureLayout(multiLine_, BoundsRef().Width),
                                          format_.Get(), &bounds)) {
    measuredWidth_ = measuredHeight_ = 0;
    return;
  }
  measuredWidth_ = RoundMeasure(bounds.Width);
  measuredHeight_ = RoundMeasure(bounds.Height);
}

void Label::SetText(const std::string& text, std::optional<int> transitionStyle, std::optional<int> frames,
                    std::optional<int> interval) {
  SetTextWide(gfx::widen_text(text), transitionStyle, frames, interval);
}

void Label::SetTextWide(const std::wstring& text, std::optional<int> transitionStyle, std::optional<int> frames,
                        std::optional<int> interval) {
  if (!OnUiThread()) return RunOnUiThread([&] { SetTextWide(text, transitionStyle, frames, interval); });
  const TextChange change = DecideTextChange(text_, text, transitionStyle.has_value());
  if (transitionStyle) {
    animateNext_ = true;
    TransitionStyle(*transitionStyle);
    animationFrames_ = frames.value_or(kLabelDefaultTransitionFrames);
    animationInterval_ = interval.value_or(kLabelDefaultTransitionInterval);
  } else {
    animateNext_ = false;
  }
  if (!change.store) return;
  text_ = text;
  if (!IsLive()) return;
  MeasureText();
  Repaint();
  NotifyAccessible(this, EVENT_OBJECT_NAMECHANGE);
}

std::string Label::Text() {
  if (!OnUiThread()) return RunOnUiThread([&] { return Text(); });
  return gfx::narrow_text(text_);
}

std::wstring Label::TextWide() {
  if (!OnUiThread()) return RunOnUiThread([&] { return TextWide(); });
  return text_;
}

Gdiplus::ARGB Label::TextColour(std::optional<Gdiplus::ARGB> value) {
  if (!OnUiThread()) return RunOnUiThread([&] { return TextColour(value); });
  if (value && *value != colour_) {
    colour_ = *value;
    if (IsLive()) Repaint();
  }
  return colour_;
}

void Label::SetFont(const std::string& family, float size, int style) {
  if (!OnUiThread()) return RunOnUiThread([&] { SetFont(family, size, style); });
  fontFamily_ = family;
  fontSize_ = size > 0 && size < 10000 ? size : gfx::kDefaultFontSize;
  fontStyle_ = style;
  MakeFont();
  if (IsLive()) {
    MeasureText();
    Repaint();
  }
}

void Label::MakeFont() {
  Gdiplus::GpFont* fallback = gfx::EnsureDefaultFont();
  const int drawnStyle = fontStyle_ & ~kFontStyleUnderline;
  gfx::FontPtr created;
  if (!fontFamily_.empty() || fontSize_ != gfx::kDefaultFontSize || drawnStyle != 0) {
    created = gfx::create_font(fontFamily_, fontSize_, drawnStyle);
  }
  ReleaseFont();
  if (created) {
    ownedFont_ = std::move(created);
    font_ = ownedFont_.Get();
  } else {
    font_ = fallback;
  }
}

int Label::FontStyle(std::optional<int> value) {
  if (!OnUiThread()) return RunOnUiThread([&] { return FontStyle(value); });
  if (value && *value != fontStyle_) {
    const bool reshaped = (*value & ~kFontStyleUnderline) != (fontStyle_ & ~kFontStyleUnderline);
    fontStyle_ = *value;
    if (reshaped) MakeFont();
    if (IsLive()) {
      if (reshaped) MeasureText();
      Repaint();
    }
  }
  return fontStyle_;
}

int Label::Alignment(std::optional<int> value) {
  if (!OnUiThread()) return RunOnUiThread([&] { return Alignment(value); });
  if (value) {
    alignment_ = *value;
    BuildFormat();
    if (IsLive()) Repaint();
  }
  return alignment_;
}

int Label::LineAlignment(std::optional<int> value) {
  if (!OnUiThread()) return RunOnUiThread([&] { return LineAlignment(value); });
  if (value) {
    lineAlignment_ = *value;
    BuildFormat();
    if (IsLive()) Repaint();
  }
  return lineAlignment_;
}

bool Label::MultiLine(std::optional<bool> value) {
  if (!OnUiThread()) return RunOnUiThread([&] { return MultiLine(value); });
  if (value) {
    multiLine_ = *value;
    BuildFormat();
    if (IsLive()) {
      MeasureText();
      Repaint();
    }
  }
  return multiLine_;
}

int Label::OwnerOption(size_t index, std::optional<int> value) {
  if (index >= ownerOptions_.size()) return 0;
  if (!OnUiThread()) return RunOnUiThread([&] { return OwnerOption(index, value); });
  if (value) {
    ownerOptions_[index] = *value;
    if (IsLive()) Repaint();
  }
  return ownerOptions_[index];
}

void Label::ReleaseFont() {
  // The default font belongs to the toolkit; only a font of our own is deleted.
  ownedFont_.Reset();
  font_ = nullptr;
}

void Label::ResetAnimation() {
  animateNext_ = false;
  animationInterval_ = kLabelDefaultTransitionInterval;
  animationFrames_ = kLabelDefaultTransitionFrames;
  TransitionFrames(0);
}

void Label::PaintLabel() {
  // A hidden or suspended label shows nothing, so no transition would ever end: change at once.
  const bool animate = animateNext_ && IsVisible() && IsPresenting();
  if (animateNext_ && !animate) ResetAnimation();
  if (animate) TransitionFrames(animationFrames_, animationInterval_);

  const SurfacePaint paint(this, nullptr, animate);
  const PaintContext& context = paint.Context();
  if (context.graphics && font_ && !text_.empty()) {
    gfx::BrushPtr brush;
    if (gdip::GdipCreateSolidFill(colour_, reinterpret_cast<Gdiplus::GpSolidFill**>(brush.Put())) == Gdiplus::Ok) {
      const RectF layout(0, 0, BoundsRef().Width, BoundsRef().Height);
      gdip::GdipDrawString(context.graphics, text_.c_str(), static_cast<INT>(text_.size()), font_, &layout,
                           format_.Get(), brush.Get());
      if ((fontStyle_ & kFontStyleUnderline) && !multiLine_) {
        DrawUnderline(context.graphics, font_, text_, format_.Get(), layout, colour_);
      }
    }
  }
}

void Label::UnusedLabelHook() {}

LRESULT Label::PreMessage(UINT, WPARAM, LPARAM) { return -1; }

void Label::OnCreate() {}

LRESULT Label::MessageProc(UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT early = PreMessage(message, wParam, lParam);
  if (early != -1) return early;
  switch (message) {
    case WM_CREATE:
      MeasureText();
      OnCreate();
      break;
    case WM_PAINT:
      PaintLabel();
      break;
    case TKM_SET_FOCUS:
    case TKM_KILL_FOCUS:
      if (IsFocusable()) PaintLabel();
      break;
    case TKM_SIZED:
      MeasureText();
      break;
    case TKM_TRANSITION_END:
      ResetAnimation();
      break;
    case WM_DESTROY:
      text_.clear();
      format_.Reset();
      ReleaseFont();
      measuredWidth_ = measuredHeight_ = 0;
      animateNext_ = false;
      break;
    default:
      break;
  }
  return -1;
}

AccessibleInfo Label::Describe() {
  AccessibleInfo info;
  info.role = ROLE_SYSTEM_STATICTEXT;
  info.name = text_;
  info.state = STATE_SYSTEM_READONLY;
  return info;
}
