// Creation, properties, focus and the message procedure of the edit box.
#include "ui/controls/EditBox.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "base/Contained.h"
#include "ui/core/WindowHost.h"
#include "ui/gfx/Fonts.h"
#include "ui/gfx/Text.h"
#include "ui/gfx/Toolkit.h"

using Gdiplus::ARGB;
using Gdiplus::RectF;
namespace gdip = gfx::gdip;

namespace {

constexpr ARGB kDefaultTextColour = 0xE6000000;   // black, alpha 230
constexpr ARGB kDefaultBackground = 0xA0FFFFFF;   // white, alpha 160
constexpr ARGB kDefaultBorder = 0x50000000;       // black, alpha 80
constexpr ARGB kFocusBorder = 0xA0000000;         // the border of the focused box
constexpr ARGB kCaretColour = 0xFF000000;

// NoFontFallback | MeasureTrailingSpaces | NoClip, LineLimit when only the vertical bar scrolls.
constexpr INT kFormatFlags = 0x400 | 0x800 | 0x4000;
constexpr INT kFormatLineLimit = 0x2000;

}  // namespace

EditBox::EditBox() = default;

EditBox::~EditBox() {
  if (IsLive()) Destroy();
}

Control* EditBox::Create(ControlParent parent, float left, float top, float width, float height,
                         const EditBoxOptions& options) {
  // The document, font and drawing objects are the UI thread's too: the whole creation runs there.
  if (!ui::OnThreadOf(parent.HostWindow())) {
    return ui::CallOnUiThread(parent.HostWindow(), [&] { return Create(parent, left, top, width, height, options); });
  }
  if (IsLive()) return this;
  multiLine_ = options.multiLine;
  document_ = TextDocument(multiLine_);
  document_.SetText(options.text);
  ForgetLayout();
  {
    std::lock_guard<std::mutex> lock(textLock_);
    textCopy_ = document_.Text();
  }
  mode_ = std::clamp(options.inputMode, kEditModeText, kEditModeDecimal);
  if (options.passwordChar && !options.passwordChar->empty()) {
    const std::string clean = gbk::Clean(*options.passwordChar, false);
    if (!clean.empty()) passwordChar_ = clean.substr(0, gbk::NextBoundary(clean, 0));
  }
  background_ = options.background.value_or(kDefaultBackground);
  border_ = options.border.value_or(kDefaultBorder);
  currentBorder_ = border_;
  scrollFlags_ = multiLine_ ? options.scrollBars.value_or(kEditScrollHorizontal | kEditScrollVertical) &
                                  (kEditScrollHorizontal | kEditScrollVertical)
                            : 0;
  offsetX_ = offsetY_ = 0;
  blink_ = 0;
  focused_ = selecting_ = imeDetached_ = systemCaret_ = false;
  preferredX_ = -1;

  // Drawing objects: format, font, pen, brush.
  format_.Reset();
  if (gdip::GdipCreateStringFormat(kFormatFlags, LANG_NEUTRAL, format_.Put()) == Gdiplus::Ok) {
    if (scrollFlags_ == kEditScrollVertical) gdip::GdipSetStringFormatFlags(format_.Get(), kFormatFlags | kFormatLineLimit);
    gdip::GdipSetStringFormatTrimming(format_.Get(), Gdiplus::StringTrimmingNone);
    const Gdiplus::REAL tabStop = 8;
    gdip::GdipSetStringFormatTabStops(format_.Get(), 1, 1, &tabStop);
  }
  ownFont_.Reset();
  const bool defaultFont = options.fontFamily.empty() && options.fontSize == gfx::kDefaultFontSize && options.fontStyle == 0;
  if (!defaultFont) ownFont_ = gfx::create_font(options.fontFamily, options.fontSize > 0 ? options.fontSize : gfx::kDefaultFontSize,
                                                options.fontStyle);
  font_ = ownFont_ ? ownFont_.Get() : gfx::EnsureDefaultFont();
  gdip::GdipCreatePen1(kCaretColour, 1, Gdiplus::UnitPixel, pen_.Put());
  gdip::GdipCreateSolidFill(options.textColour.value_or(kDefaultTextColour),
                            reinterpret_cast<Gdiplus::GpSolidFill**>(textBrush_.Put()));

  ControlOptions base;
  base.type = kEditBoxType;
  base.visible = options.visible;
  base.focusable = true;
  base.cursor.systemId = gfx::SystemCursorId(IDC_IBEAM);
  return Control::Create(parent, RectF(left, top, width, height), base);
}

LRESULT EditBox::OnBarChange(LPARAM parent, LPARAM bar, LPARAM position, LPARAM, LPARAM) {
  auto* box = reinterpret_cast<EditBox*>(parent);
  if (!box) return 0;
  if (reinterpret_cast<ScrollBar*>(bar) == box->verticalBar_.get()) {
    box->SetScrollY(static_cast<int>(position));
  } else {
    box->SetScrollX(static_cast<int>(position));
  }
  return 0;
}

void EditBox::LayoutBars() {
  const RectF& b = BoundsRef();
  const bool both = horizontalBar_ && verticalBar_;
  if (verticalBar_) {
    verticalBar_->Move(b.X + b.Width - 11, b.Y + 1, 10, std::max(1.0f, b.Height - 2 - (both ? 10 : 0)));
  }
  if (horizontalBar_) {
    horizontalBar_->Move(b.X + 1, b.Y + b.Height - 11, std::max(1.0f, b.Width - 2 - (both ? 10 : 0)), 10);
  }
}

RectF EditBox::ViewRect() const {
  const RectF& b = BoundsRef();
  const float right = b.Width - 3 - (verticalBar_ ? 11 : 0);
  const float bottom = b.Height - 2 - (horizontalBar_ ? 11 : 0);
  if (!multiLine_) {
    const float top = std::max(1.0f, (b.Height - lineHeight_) / 2);
    return RectF(3, top, std::max(1.0f, right - 3), std::max(1.0f, std::min(lineHeight_, b.Height - 2)));
  }
  return RectF(3, 2, std::max(1.0f, right - 3), std::max(1.0f, bottom - 2));
}

std::string EditBox::Text(std::optional<std::string> value, bool redraw) {
  if (!value) {
    std::lock_guard<std::mutex> lock(textLock_);
    return textCopy_;
  }
  if (!OnUiThread()) return RunOnUiThread([&] { return Text(value, redraw); });
  if (!IsLive()) return {};
  SendControlMessage(WM_SETTEXT, redraw ? 1 : 0, reinterpret_cast<LPARAM>(value->c_str()));
  std::lock_guard<std::mutex> lock(textLock_);
  return textCopy_;
}

ARGB EditBox::TextColour(std::optional<ARGB> value) {
  if (value) {
    if (!OnUiThread()) return RunOnUiThread([&] { return TextColour(value); });
    textBrush_.Reset();
    gdip::GdipCreateSolidFill(*value, reinterpret_cast<Gdiplus::GpSolidFill**>(textBrush_.Put()));
    PaintText();
  }
  ARGB colour = 0;
  if (textBrush_) gdip::GdipGetSolidFillColor(reinterpret_cast<Gdiplus::GpSolidFill*>(textBrush_.Get()), &colour);
  return colour;
}

ARGB EditBox::BackgroundColour(std::optional<ARGB> value) {
  if (value) {
    if (!OnUiThread()) return RunOnUiThread([&] { return BackgroundColour(value); });
    background_ = *value;
    PaintText();
  }
  return background_;
}

ARGB EditBox::BorderColour(std::optional<ARGB> value) {
  if (value) {
    if (!OnUiThread()) return RunOnUiThread([&] { return BorderColour(value); });
    border_ = *value;
    if (!focused_) currentBorder_ = border_;
    PaintText();
  }
  return border_;
}

bool EditBox::SetFont(const std::string& family, float size, int style) {
  if (!OnUiThread()) return RunOnUiThread([&] { return SetFont(family, size, style); });
  gfx::FontPtr font = gfx::create_font(family, size > 0 ? size : gfx::kDefaultFontSize, style);
  if (!font) return false;
  ownFont_ = std::move(font);
  font_ = ownFont_.Get();
  document_.ForgetWidths();
  ForgetLayout();
  if (IsLive()) UpdateView();
  return true;
}

int EditBox::InputMode(std::optional<int> value) {
  if (value) {
    if (!OnUiThread()) return RunOnUiThread([&] { return InputMode(value); });
    const int mode = std::clamp(*value, kEditModeText, kEditModeDecimal);
    if (mode != mode_) {
      // The input method follows the mode while the box has the focus.
      const bool focused = focused_;
      if (focused) FocusLost();
      mode_ = mode;
      document_.ForgetWidths();
      ForgetLayout();
      if (focused) FocusGained();
      if (IsLive()) UpdateView();
    }
  }
  return mode_;
}

std::string EditBox::PasswordChar(std::optional<std::string> value) {
  if (value) {
    if (!OnUiThread()) return RunOnUiThread([&] { return PasswordChar(value); });
    const std::string clean = gbk::Clean(*value, false);
    if (!clean.empty()) {
      passwordChar_ = clean.substr(0, gbk::NextBoundary(clean, 0));
      document_.ForgetWidths();
      ForgetLayout();
      if (IsLive()) UpdateView();
    }
  }
  return passwordChar_;
}

TextPos EditBox::SelectionAnchor(std::optional<TextPos> value) {
  if (value) {
    if (!OnUiThread()) return RunOnUiThread([&] { return SelectionAnchor(value); });
    Select(*value, document_.Caret());
  }
  return document_.Anchor();
}

TextPos EditBox::CaretPlace(std::optional<TextPos> value) {
  if (value) {
    if (!OnUiThread()) return RunOnUiThread([&] { return CaretPlace(value); });
    Select(document_.Anchor(), *value);
  }
  return document_.Caret();
}

std::string EditBox::SelectedText() {
  if (!OnUiThread()) return RunOnUiThread([&] { return SelectedText(); });
  return document_.SelectedText();
}

void EditBox::SelectAll() {
  if (!OnUiThread()) return RunOnUiThread([&] { SelectAll(); });
  document_.SelectAll();
  CaretMoved();
}

bool EditBox::MultiLine() const { return multiLine_; }
int EditBox::ScrollBarFlags() const { return scrollFlags_; }

void EditBox::SetOnChange(EditChangeCallback callback) { onChange_ = callback; }

void EditBox::CueText(const std::string& text) {
  if (!OnUiThread()) return RunOnUiThread([&] { CueText(text); });
  cueText_ = gfx::widen_text(text);
  if (IsLive()) PaintText(nullptr);
}

void EditBox::FireChange() {
  if (!onChange_) return;
  if (Control* parent = ParentControl()) {
    onChange_(reinterpret_cast<LPARAM>(parent), reinterpret_cast<LPARAM>(this), 0, 0, 0);
  } else {
    onChange_(reinterpret_cast<LPARAM>(this), 0, 0, 0, 0);
  }
}

void EditBox::FocusGained() {
  HWND window = GetHostWindow();
  focused_ = true;
  currentBorder_ = kFocusBorder;
  blink_ = 1;
  if (!window) return;
  SetTimer(window, reinterpret_cast<UINT_PTR>(this), kEditBlinkMs, nullptr);
  // The system caret is not drawn (the box draws its own); it tells the input method where
  // to put its composition window. One per thread: made on focus, destroyed on its loss.
  systemCaret_ = CreateCaret(window, nullptr, ui::ToDevice(1, HostDpi()),
                             ui::ToDevice(static_cast<int>(fontHeight_) + 3, HostDpi())) != FALSE;
  if (!ModeKeepsIme(mode_) && !imeDetached_) {
    savedImc_ = ImmAssociateContext(window, nullptr);
    imeDetached_ = true;
  }
}

void EditBox::FocusLost() {
  HWND window = GetHostWindow();
  focused_ = false;
  selecting_ = false;
  currentBorder_ = border_;
  blink_ = 0;
  if (imeDetached_) {
    if (window) ImmAssociateContext(window, savedImc_);
    savedImc_ = nullptr;
    imeDetached_ = false;
  }
  if (window) KillTimer(window, reinterpret_cast<UINT_PTR>(this));
  if (systemCaret_) DestroyCaret();
  systemCaret_ = false;
}

void EditBox::ReleaseResources() {
  if (focused_) FocusLost();
  if (imeDetached_) FocusLost();
  if (GetHostWindow()) KillTimer(GetHostWindow(), reinterpret_cast<UINT_PTR>(this));
  format_.Reset();
  pen_.Reset();
  textBrush_.Reset();
  ownFont_.Reset();
  font_ = nullptr;
  onChange_ = nullptr;
  document_ = TextDocument(multiLine_);
  ForgetLayout();
  std::lock_guard<std::mutex> lock(textLock_);
  textCopy_.clear();
}

LRESULT EditBox::MessageProc(UINT message, WPARAM wParam, LPARAM lParam) {
  // Nothing may escape into the host's window procedure: running out of memory while editing
  // leaves the text as it was before the failed step.
  return base::Contained([&] { return Dispatch(message, wParam, lParam); }, []() -> LRESULT { return -1; });
}

LRESULT EditBox::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      document_.SetSelection({0, 0}, {0, 0});
      if (multiLine_) {
        if (scrollFlags_ & kEditScrollHorizontal) {
          horizontalBar_ = std::make_unique<ScrollBar>();
          ScrollBarOptions options;
          options.maximum = 0;
          options.orientation = kScrollHorizontal;
          options.arrowStep = 8;
          horizontalBar_->Create(this, 0, 0, 10, 10, options);
          horizontalBar_->SetOnChange(&EditBox::OnBarChange);
          horizontalBar_->Focusable(false);  // scrolling keeps the focus (and selection) in the text
        }
        if (scrollFlags_ & kEditScrollVertical) {
          verticalBar_ = std::make_unique<ScrollBar>();
          ScrollBarOptions options;
          options.maximum = 0;
          options.orientation = kScrollVertical;
          verticalBar_->Create(this, 0, 0, 10, 10, options);
          verticalBar_->SetOnChange(&EditBox::OnBarChange);
          verticalBar_->Focusable(false);
        }
        LayoutBars();
      }
      UpdateView();
      return 0;
    }
    case WM_PAINT:
      PaintText();
      return 0;
    case TKM_SIZED:
      LayoutBars();
      UpdateView();
      return 0;
    case TKM_ALPHA_CHANGED:
      if (horizontalBar_) horizontalBar_->Alpha(static_cast<int>(lParam));
      if (verticalBar_) verticalBar_->Alpha(static_cast<int>(lParam));
      return 0;
    case TKM_SET_FOCUS:
      if (!focused_) FocusGained();
      blink_ = 1;
      PlaceCaret();
      PaintText();
      return 0;
    case TKM_KILL_FOCUS:
      FocusLost();
      document_.CollapseSelection();
      PaintText();
      return 0;
    case WM_TIMER:
      if (wParam == reinterpret_cast<WPARAM>(this)) BlinkCaret();
      return 0;
    case WM_SETTEXT: {
      const char* text = reinterpret_cast<const char*>(lParam);
      // A text longer than the box holds is cut there anyway: never scan further than that.
      const std::size_t length = text ? strnlen(text, document_.Limit() * 2 + 16) : 0;
      document_.SetText(std::string_view(text ? text : "", length));
      preferredX_ = -1;
      TextChanged();
      return 1;
    }
    case WM_GETTEXT: {
      auto* buffer = reinterpret_cast<char*>(lParam);
      if (!buffer || wParam == 0) return 0;
      const std::string text = document_.Text();
      const std::size_t count = std::min<std::size_t>(text.size(), wParam - 1);
      std::memcpy(buffer, text.data(), count);
      buffer[count] = '\0';
      return static_cast<LRESULT>(count);
    }
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(document_.Size());
    case WM_DESTROY:
      ReleaseResources();
      return 0;
    default:
      break;
  }
  return HandleInput(message, wParam, lParam);
}

AccessibleInfo EditBox::Describe() {
  AccessibleInfo info;
  info.role = ROLE_SYSTEM_TEXT;
  info.name = gfx::widen_text(TipTextRef());  // a box with a tip text is named by it
  if (mode_ == kEditModePassword) {
    // Read out as drawn: one password character per character.
    info.state |= STATE_SYSTEM_PROTECTED;
    for (int line = 0; line < document_.LineCount(); ++line) {
      if (line > 0) info.value += L"\r\n";
      info.value += DisplayText(line);
    }
  } else {
    info.value = gfx::widen_text(document_.Text());
  }
  return info;
}
