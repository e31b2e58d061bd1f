#include "ui/controls/ButtonBase.h"

#include <algorithm>
#include <cmath>
#include <cwctype>

#include "ui/core/Colour.h"
#include "ui/core/WindowHost.h"
#include "ui/gfx/Shapes.h"
#include "ui/gfx/Fonts.h"
#include "ui/gfx/Text.h"

using Gdiplus::ARGB;
using Gdiplus::RectF;
using Gdiplus::SizeF;
namespace gdip = gfx::gdip;

namespace {

constexpr ARGB Black(int alpha) { return static_cast<ARGB>(alpha) << 24; }
constexpr ARGB White(int alpha) { return (static_cast<ARGB>(alpha) << 24) | 0xFFFFFF; }
constexpr ARGB Grey236(int alpha) { return (static_cast<ARGB>(alpha) << 24) | 0xECECEC; }

constexpr ButtonLook kLooks[] = {
    {Grey236(204), 0, 102, Black(80), White(51), Black(25)},   // normal
    {Grey236(204), 21, 153, Black(70), White(51), Black(30)},  // hover
    {Grey236(204), 153, 21, Black(70), White(51), Black(10)},  // pressed
    {Grey236(204), 51, 153, Black(80), White(61), Black(25)},  // focused
    {White(51), 51, 51, Black(35), White(30), Black(0)},       // disabled
};

constexpr float kIconGap = 4;

gfx::StringFormatPtr NewCaptionFormat() {
  gfx::StringFormatPtr format;
  if (gdip::GdipCreateStringFormat(Gdiplus::StringFormatFlagsNoWrap, LANG_NEUTRAL, format.Put()) != Gdiplus::Ok) {
    return {};
  }
  gdip::GdipSetStringFormatAlign(format.Get(), Gdiplus::StringAlignmentNear);
  gdip::GdipSetStringFormatTrimming(format.Get(), Gdiplus::StringTrimmingNone);
  gdip::GdipSetStringFormatHotkeyPrefix(format.Get(), Gdiplus::HotkeyPrefixShow);
  return format;
}

float Centre(float start, float length, float size) { return std::floor(start + (length - size) / 2); }

}  // namespace

const ButtonLook& ButtonLookFor(int state) {
  if (state >= kButtonNormal && state <= kButtonFocused) return kLooks[state];
  return kLooks[4];
}

int MnemonicKey(std::wstring_view caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != kMnemonicMarker) continue;
    const wchar_t next = caption[i + 1];
    if (next == kMnemonicMarker) {
      ++i;  // "&&" is a literal marker
      continue;
    }
    if (next < 0x21 || next >= 0x7F) return 0;
    return static_cast<int>(std::towupper(next));
  }
  return 0;
}

ButtonContent LayoutButtonContent(const RectF& area, SizeF icon, SizeF caption, int placement) {
  ButtonContent out;
  const bool hasIcon = icon.Width > 0 && icon.Height > 0;
  const bool hasCaption = caption.Width > 0 && caption.Height > 0;
  const float gap = hasIcon && hasCaption ? kIconGap : 0;
  auto centred = [&](SizeF size) {
    return RectF(Centre(area.X, area.Width, size.Width), Centre(area.Y, area.Height, size.Height), size.Width,
                 size.Height);
  };
  switch (placement < 0 ? 0 : placement % 4) {
    case 1: {  // icon above the caption
      const float total = icon.Height + gap + caption.Height;
      const float top = Centre(area.Y, area.Height, total);
      out.icon = RectF(Centre(area.X, area.Width, icon.Width), top, icon.Width, icon.Height);
      out.caption = RectF(Centre(area.X, area.Width, caption.Width), top + icon.Height + gap, caption.Width,
                          caption.Height);
      break;
    }
    case 2: {  // icon right of the caption
      const float total = caption.Width + gap + icon.Width;
      const float left = Centre(area.X, area.Width, total);
      out.caption = RectF(left, Centre(area.Y, area.Height, caption.Height), caption.Width, caption.Height);
      out.icon = RectF(left + caption.Width + gap, Centre(area.Y, area.Height, icon.Height), icon.Width, icon.Height);
      break;
    }
    case 3:  // icon centred, caption over it
      out.icon = centred(icon);
      out.caption = centred(caption);
      break;
    default: {  // icon left of the caption
      const float total = icon.Width + gap + caption.Width;
      const float left = Centre(area.X, area.Width, total);
      out.icon = RectF(left, Centre(area.Y, area.Height, icon.Height), icon.Width, icon.Height);
      out.caption = RectF(left + icon.Width + gap, Centre(area.Y, area.Height, caption.Height), caption.Width,
                          caption.Height);
      break;
    }
  }
  return out;
}

// --- the control ---

ButtonBase::~ButtonBase() {
  if (IsLive()) Destroy();
  ReleaseFont();
}

Control* ButtonBase::Create(ControlParent parent, float left, float top, float width, float height,
                            const std::string& caption, const ButtonOptions& options) {
  HWND hostWindow = parent.control ? parent.control->GetHostWindow() : parent.window;
  if (!ui::OnThreadOf(hostWindow)) {
    return ui::CallOnUiThread(hostWindow,
                                 [&] { return Create(parent, left, top, width, height, caption, options); });
  }
  if (IsLive()) return this;
  state_ = kButtonNormal;
  caption_ = gfx::widen_text(caption);
  captionColour_ = options.captionColour.value_or(kButtonCaptionColour);
  iconPlacement_ = options.iconPlacement;
  roundedGiven_ = options.rounded;
  fontFamily_ = options.fontFamily.value_or(std::string());
  fontSize_ = options.fontSize.value_or(gfx::kDefaultFontSize);
  fontStyle_ = options.fontStyle;
  ReleaseFont();
  if (options.fontFamily || options.fontSize || options.fontStyle != 0) {
    RebuildFont();
  } else {
    TakeFont(gfx::default_font());
  }
  format_ = NewCaptionFormat();

  ControlOptions base;
  base.type = kButtonType;
  base.visible = options.visible;
  base.transitionInterval = kButtonTransitionMs;
  base.transitionFrames = 0;
  Control* made = Control::Create(parent, RectF(left, top, width, height), base);
  if (!made) {
    format_.Reset();
    ReleaseFont();
  }
  return made;
}

void ButtonBase::RebuildFont() {
  gfx::FontPtr font = gfx::create_font(fontFamily_, fontSize_, fontStyle_);
  ReleaseFont();
  TakeFont(font ? font.Detach() : gfx::default_font());
}

void ButtonBase::TakeFont(Gdiplus::GpFont* font) {
  font_ = font;
  // The toolkit's default font is shared and never deleted by a button.
  if (font && font != gfx::default_font()) ownedFont_.Reset(font);
}

void ButtonBase::ReleaseFont() {
  ownedFont_.Reset();
  font_ = nullptr;
}

void ButtonBase::RegisterMnemonic() {
  HWND window = GetHostWindow();
  if (window) SendMessageW(window, TKM_SET_ACCELERATOR, reinterpret_cast<WPARAM>(this), MnemonicKey(caption_));
}

std::string ButtonBase::Caption(std::optional<std::string> value) {
  if (value) CaptionWide(gfx::widen_text(*value));
  return gfx::narrow_text(caption_);
}

std::wstring ButtonBase::CaptionWide(std::optional<std::wstring> value) {
  if (value && *value != caption_) {
    if (!OnUiThread()) return RunOnUiThread([&] { return CaptionWide(value); });
    caption_ = *value;
    if (IsLive()) {
      RegisterMnemonic();
      Repaint();
      NotifyAccessible(this, EVENT_OBJECT_NAMECHANGE);
    }
  }
  return caption_;
}

template <typename T>
T ButtonBase::SetAndRepaint(T& field, const std::optional<T>& value) {
  if (value) {
    if (!OnUiThread()) return RunOnUiThread([&] { return SetAndRepaint(field, value); });
    field = *value;
    if (IsLive()) Repaint();
  }
  return field;
}

ARGB ButtonBase::CaptionColour(std::optional<ARGB> value) { return SetAndRepaint(captionColour_, value); }

std::intptr_t ButtonBase::LookOption(std::optional<std::intptr_t> value) {
  if (value) lookOption_ = *value;
  return lookOption_;
}

std::string ButtonBase::FontFamily(std::optional<std::string> value) {
  if (value && *value != fontFamily_) {
    if (!OnUiThread()) return RunOnUiThread([&] { return FontFamily(value); });
    fontFamily_ = *value;
    RebuildFont();
    if (IsLive()) Repaint();
  }
  return fontFamily_;
}

int ButtonBase::FontStyle(std::optional<int> value) {
  if (value && *value != fontStyle_) {
    if (!OnUiThread()) return RunOnUiThread([&] { return FontStyle(value); });
    fontStyle_ = *value;
    RebuildFont();
    if (IsLive()) Repaint();
  }
  return fontStyle_;
}

float ButtonBase::FontSize(std::optional<float> value) {
  if (value && *value > 0 && *value != fontSize_) {
    if (!OnUiThread()) return RunOnUiThread([&] { return FontSize(value); });
    fontSize_ = *value;
    RebuildFont();
    if (IsLive()) Repaint();
  }
  return fontSize_;
}

Gdiplus::GpFont* ButtonBase::Font(std::optional<Gdiplus::GpFont*> value) {
  if (value && *value && *value != font_) {
    if (!OnUiThread()) return RunOnUiThread([&] { return Font(value); });
    ReleaseFont();
    TakeFont(*value);
    if (IsLive()) Repaint();
  }
  return font_;
}

void ButtonBase::StringFormat(Gdiplus::GpStringFormat* format) {
  if (!OnUiThread()) return RunOnUiThread([&] { StringFormat(format); });
  format_.Reset(format);
  if (IsLive()) Repaint();
}

std::intptr_t ButtonBase::ExtraLookAfterFormat(std::optional<std::intptr_t> value) {
  return SetAndRepaint(extraLookAfterFormat_, value);
}

bool ButtonBase::Rounded(std::optional<bool> value) {
  if (value) roundedGiven_ = *value;
  return SetAndRepaint(rounded_, value);
}

std::intptr_t ButtonBase::ExtraLookAfterRounded(std::optional<std::intptr_t> value) {
  return SetAndRepaint(extraLookAfterRounded_, value);
}

std::vector<unsigned char> ButtonBase::Icon(std::optional<gfx::ByteSpan> value) {
  if (value) {
    if (!OnUiThread()) return RunOnUiThread([&] { return Icon(value); });
    icon_.assign(value->begin(), value->end());
    gfx::dispose_image(iconImage_);
    iconDecoded_ = false;
    if (IsLive()) Repaint();
  }
  return icon_;
}

int ButtonBase::IconPlacement(std::optional<int> value) { return SetAndRepaint(iconPlacement_, value); }
int ButtonBase::ExtraLookTailStart(std::optional<int> value) { return SetAndRepaint(extraLookTailStart_, value); }
int ButtonBase::ExtraLookTailMiddle(std::optional<int> value) { return SetAndRepaint(extraLookTailMiddle_, value); }
int ButtonBase::ExtraLookTailEnd(std::optional<int> value) { return SetAndRepaint(extraLookTailEnd_, value); }

int ButtonBase::PaintImages(int) { return 0; }
void ButtonBase::OffsetContent(int, RectF&, RectF&) {}
LRESULT ButtonBase::PreMessage(UINT, WPARAM, LPARAM) { return -1; }

void ButtonBase::ShowState(int state) {
  state_ = state;
  TransitionFrames(0);
  PaintButton(state, false);
}

void ButtonBase::FadeToState(int state) {
  state_ = state;
  TransitionFrames(kButtonFadeFrames);
  PaintButton(state, true);
}

void ButtonBase::PaintButton(int state, bool startTransition) {
  if (!OnUiThread()) return RunOnUiThread([&] { PaintButton(state, startTransition); });
  if (!IsLive()) return;
  if (IsDisabled()) state = kButtonDisabled;
  const SurfacePaint paint(this, nullptr, startTransition);
  const PaintContext& context = paint.Context();
  if (context.graphics) {
    if (PaintImages(state) == 0) DrawBuiltInLook(context.graphics, state);
    DrawContent(context.graphics);
  }
}

void ButtonBase::DrawBuiltInLook(Gdiplus::GpGraphics* graphics, int state) {
  const ButtonLook& look = ButtonLookFor(state);
  const RectF& bounds = BoundsRef();
  const RectF rect(0, 0, bounds.Width, bounds.Height - 1);
  if (rect.Width <= 2 || rect.Height <= 2) return;
  const float radius = rounded_ ? 3.0f : 0.0f;

  if (rounded_) {
    gfx::PathPtr clip = gfx::RoundedRectPath(rect, 4);
    if (clip) gdip::GdipSetClipPath(graphics, clip.Get(), Gdiplus::CombineModeIntersect);
  }
  // The state's background is rounded whatever the frames are.
  gfx::PathPtr body = gfx::RoundedRectPath(rect, 3.0f);
  gfx::FillPath(graphics, body.Get(), look.background);
  const int hostColour = Host() ? Host()->Painting().BackgroundColour() : -1;
  gfx::FillVerticalGradient(graphics, body.Get(), rect, ToArgb(hostColour, look.gradientTop),
                              ToArgb(hostColour, look.gradientBottom));

  // Outlines run through pixel centres: half a pixel in keeps them on whole pixels.
  gfx::PathPtr outer = gfx::RoundedRectPath(RectF(0.5f, 0.5f, rect.Width - 1, rect.Height - 1), radius);
  gfx::OutlinePath(graphics, outer.Get(), look.outerFrame);
  gfx::PathPtr inner = gfx::RoundedRectPath(RectF(1.5f, 1.5f, rect.Width - 3, rect.Height - 3), radius);
  gfx::OutlinePath(graphics, inner.Get(), look.innerFrame);
  gdip::GdipResetClip(graphics);
  const float bottom = rect.Height + 0.5f;
  gfx::DrawLine(graphics, look.bottomLine, radius, bottom, rect.Width - radius, bottom);
}

Gdiplus::GpImage* ButtonBase::IconImage() {
  if (!iconDecoded_) {
    iconDecoded_ = true;
    if (!icon_.empty()) iconImage_ = gfx::load_image(gfx::ByteSpan(icon_.data(), icon_.size()));
  }
  return iconImage_.Get();
}

void ButtonBase::DrawContent(Gdiplus::GpGraphics* graphics) {
  const RectF& bounds = BoundsRef();
  const RectF area(1, 1, bounds.Width - 2, bounds.Height - 3);
  Gdiplus::GpImage* icon = IconImage();
  SizeF iconSize;
  if (icon) iconSize = SizeF(static_cast<float>(gfx::image_width(icon)), static_cast<float>(gfx::image_height(icon)));
  SizeF captionSize;
  if (!caption_.empty() && font_) {
    RectF measured;
    if (gfx::measure_text(graphics, caption_, font_, RectF(0, 0, 100000, 100000), format_.Get(), &measured)) {
      captionSize = SizeF(std::ceil(measured.Width), std::ceil(measured.Height));
    }
  }
  ButtonContent content = LayoutButtonContent(area, iconSize, captionSize, iconPlacement_);
  OffsetContent(iconPlacement_, content.caption, content.icon);
  if (icon) gfx::draw_image(graphics, icon, content.icon);
  if (captionSize.Width > 0) {
    gfx::BrushPtr brush;
    if (gdip::GdipCreateSolidFill(captionColour_, reinterpret_cast<Gdiplus::GpSolidFill**>(brush.Put())) ==
        Gdiplus::Ok) {
      // One pixel of slack: the measured width is rounded and anti-aliased glyphs may spill.
      RectF layout(content.caption.X, content.caption.Y, content.caption.Width + 1, content.caption.Height);
      gdip::GdipDrawString(graphics, caption_.c_str(), -1, font_, &layout, format_.Get(), brush.Get());
    }
  }
  if (Host() && Host()->Input().KeyboardCue() == this && bounds.Width > 6 && bounds.Height > 7) {
    gfx::PathPtr cue = gfx::RoundedRectPath(RectF(2.5f, 2.5f, bounds.Width - 5, bounds.Height - 6), 0);
    gfx::OutlinePath(graphics, cue.Get(), Black(120), /*dashed=*/true);
  }
}

LRESULT ButtonBase::MessageProc(UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT early = PreMessage(message, wParam, lParam);
  if (early != -1) return early;
  switch (message) {
    case WM_CREATE:
      if (!roundedGiven_) rounded_ = !(Host() && Host()->Frame().CornerStyle() == 1);
      RegisterMnemonic();
      break;
    case WM_PAINT:
      PaintButton(state_, false);
      break;
    case WM_LBUTTONDOWN:
      if (IsFocusable()) ShowState(kButtonPressed);
      break;
    case WM_LBUTTONUP:
      if (IsFocusable()) ShowState(kButtonHover);
      break;
    case TKM_SET_FOCUS:
      ShowState(kButtonFocused);
      break;
    case TKM_MOUSE_ENTER:
      FadeToState(kButtonHover);
      break;
    case TKM_MOUSE_LEAVE:
    case TKM_KILL_FOCUS:
      FadeToState(kButtonNormal);
      break;
    case TKM_TRANSITION_END:
      TransitionFrames(0);
      break;
    case TKM_BUTTON_REFRESH_LOOK:
      if (Type() == kButtonType) PaintButton(state_, false);
      break;
    case TKM_PRESS:
      return 0;  // buttons take presses, focusable or not
    case WM_DESTROY:
      format_.Reset();
      ReleaseFont();
      gfx::dispose_image(iconImage_);
      iconDecoded_ = false;
      state_ = kButtonNormal;
      break;
    default:
      break;
  }
  return -1;
}

AccessibleInfo ButtonBase::Describe() {
  AccessibleInfo info;
  info.role = ROLE_SYSTEM_PUSHBUTTON;
  // "&&" reads as "&"; a lone marker only underlines the next character.
  for (size_t i = 0; i < caption_.size(); ++i) {
    if (caption_[i] == kMnemonicMarker && i + 1 < caption_.size()) ++i;
    info.name += caption_[i];
  }
  if (state_ == kButtonPressed) info.state |= STATE_SYSTEM_PRESSED;
  info.defaultAction = kActionPress;
  return info;
}
