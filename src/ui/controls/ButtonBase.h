// The push-button family (control kind 2). ButtonBase holds what every button shares: the
// caption (kept as UTF-16), its font, colour and layout, an optional icon, the keyboard
// mnemonic and the look state. Its painter draws the built-in four-state look unless the
// class's face hook (PaintImages) draws a face of its own; caption and icon come on top.
//
// A click reaches the application through a user event handler for 513 (left button down),
// registered with AddEventHandler. The look follows the host's messages: hover cross-fades in
// and out over 4 frames of 60 ms, press and release repaint at once, the keyboard focus shows
// the focused look. A button that may not take the focus ignores presses for its look.
//
// The button owns its font (unless it is the toolkit's default font) and its string format.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/core/Control.h"
#include "ui/gfx/GdiPlus.h"
#include "ui/gfx/Image.h"

// Look states of a button.
inline constexpr int kButtonDisabled = -1;
inline constexpr int kButtonNormal = 0;
inline constexpr int kButtonHover = 1;
inline constexpr int kButtonPressed = 2;
inline constexpr int kButtonFocused = 3;

inline constexpr int kButtonType = 2;
inline constexpr int kButtonTransitionMs = 60;
inline constexpr int kButtonFadeFrames = 4;
// The marker before a caption's mnemonic character ("&&" stands for a literal '&').
inline constexpr wchar_t kMnemonicMarker = L'&';
// Default caption colour: black, alpha 210.
inline constexpr Gdiplus::ARGB kButtonCaptionColour = 0xD2000000;

// Optional arguments of ButtonBase::Create; empty optionals take their defaults.
struct ButtonOptions {
  std::optional<Gdiplus::ARGB> captionColour;  // [black, alpha 210]
  std::optional<std::string> fontFamily;       // [the default font]
  std::optional<float> fontSize;               // [12]
  int fontStyle = 0;                           // GDI+ FontStyle bits
  int iconPlacement = 0;
  std::optional<bool> rounded;                 // [from the host's corner style]
  bool visible = true;
};

// One row of the built-in look.
struct ButtonLook {
  Gdiplus::ARGB background;
  int gradientTop, gradientBottom;  // alphas of the host's background colour
  Gdiplus::ARGB outerFrame, innerFrame, bottomLine;
};
// The built-in look of a state (normal, hover, pressed, focused; anything else: disabled).
const ButtonLook& ButtonLookFor(int state);

// The mnemonic key of a caption: the upper-cased character after the first lone marker, or 0.
// Only ASCII keys count (the host matches accelerators on one-byte characters).
int MnemonicKey(std::wstring_view caption);

// Where icon and caption go inside the content area for an icon placement code:
// 0 icon left of the caption, 1 icon above it, 2 icon right of it (the pair centred);
// 3 icon centred with the caption centred over it. Codes 4 to 7 place as code - 4.
struct ButtonContent {
  Gdiplus::RectF icon;
  Gdiplus::RectF caption;
};
ButtonContent LayoutButtonContent(const Gdiplus::RectF& area, Gdiplus::SizeF icon, Gdiplus::SizeF caption,
                                    int placement);

class ButtonBase : public Control {
 public:
  ~ButtonBase() override;
  using Control::Create;

  LRESULT MessageProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  virtual Control* Create(ControlParent parent, float left, float top, float width, float height,
                          const std::string& caption, const ButtonOptions& options = {});
  virtual std::string Caption(std::optional<std::string> value = std::nullopt);
  virtual std::wstring CaptionWide(std::optional<std::wstring> value = std::nullopt);
  virtual Gdiplus::ARGB CaptionColour(std::optional<Gdiplus::ARGB> value = std::nullopt);
  // A value kept for the drawing of a class's own face; the built-in look does not read it
  // and setting it does not repaint.
  virtual std::intptr_t LookOption(std::optional<std::intptr_t> value = std::nullopt);
  virtual std::string FontFamily(std::optional<std::string> value = std::nullopt);
  virtual int FontStyle(std::optional<int> value = std::nullopt);
  virtual float FontSize(std::optional<float> value = std::nullopt);
  // The button takes over a font it is given (and releases it like its own).
  virtual Gdiplus::GpFont* Font(std::optional<Gdiplus::GpFont*> value = std::nullopt);
  // Replaces the string format; the button takes it over and deletes the old one.
  virtual void StringFormat(Gdiplus::GpStringFormat* format);
  // The Extra* look values are kept for a class's own face as well: the built-in look draws
  // none of them, setting one only repaints, and the program sets none. Each is named by
  // where it sits among the look's settings.
  virtual std::intptr_t ExtraLookAfterFormat(std::optional<std::intptr_t> value = std::nullopt);
  virtual bool Rounded(std::optional<bool> value = std::nullopt);
  virtual std::intptr_t ExtraLookAfterRounded(std::optional<std::intptr_t> value = std::nullopt);
  // Encoded image bytes drawn with the caption; an empty value removes the icon.
  virtual std::vector<unsigned char> Icon(std::optional<gfx::ByteSpan> value = std::nullopt);
  virtual int IconPlacement(std::optional<int> value = std::nullopt);
  // Three more, at the tail of the look after the icon placement.
  virtual int ExtraLookTailStart(std::optional<int> value = std::nullopt);
  virtual int ExtraLookTailMiddle(std::optional<int> value = std::nullopt);
  virtual int ExtraLookTailEnd(std::optional<int> value = std::nullopt);
  virtual void ReleaseFont();
  // Draws the look of a state (the disabled look while disabled) into the surface.
  virtual void PaintButton(int state, bool startTransition);
  // The class's face: draws into the surface and answers non-zero when it drew one
  // (the built-in look is then skipped).
  virtual int PaintImages(int state);
  // Lets a class shift the caption and icon rectangles (placement code as given).
  virtual void OffsetContent(int placement, Gdiplus::RectF& caption, Gdiplus::RectF& icon);
  // Runs before the shared message handling; any answer but -1 ends the handling there.
  virtual LRESULT PreMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // A push button named by its caption (without the mnemonic marker); pressing it clicks it.
  AccessibleInfo Describe() override;

  int State() const { return state_; }

 protected:
  // The look of a state at once, or cross-faded in over the fade frames.
  void ShowState(int state);
  void FadeToState(int state);
  void RegisterMnemonic();
  // Keeps the look options' setters short: store, repaint.
  template <typename T>
  T SetAndRepaint(T& field, const std::optional<T>& value);

 private:
  void RebuildFont();
  // Uses the font, and owns it unless it is the toolkit's default font.
  void TakeFont(Gdiplus::GpFont* font);
  void DrawBuiltInLook(Gdiplus::GpGraphics* graphics, int state);
  void DrawContent(Gdiplus::GpGraphics* graphics);
  Gdiplus::GpImage* IconImage();

  // --- state after the base's ---
  int state_ = kButtonNormal;                           // the look shown: kButton*
  std::wstring caption_;
  Gdiplus::GpFont* font_ = nullptr;                     // the default font, or ownedFont_
  std::intptr_t lookOption_ = 0;
  Gdiplus::ARGB captionColour_ = kButtonCaptionColour;
  bool rounded_ = true;                                 // rounded corners instead of square frames
  gfx::StringFormatPtr format_;                         // the caption's layout
  std::intptr_t extraLookAfterFormat_ = 0;
  std::intptr_t extraLookAfterRounded_ = 0;
  std::vector<unsigned char> icon_;                     // encoded image bytes
  int iconPlacement_ = 0;                               // see LayoutButtonContent
  int extraLookTailStart_ = 0, extraLookTailMiddle_ = 0, extraLookTailEnd_ = 0;

  gfx::FontPtr ownedFont_;
  std::optional<bool> roundedGiven_;
  std::string fontFamily_;
  float fontSize_ = 12;
  int fontStyle_ = 0;
  gfx::Image iconImage_;  // icon_ decoded on the UI thread, on first draw
  bool iconDecoded_ = false;
};
