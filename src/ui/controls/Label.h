// A windowless static text (control type 3). It draws its UTF-16 text with its own font,
// colour and string format and can change its text with an animated transition: the old
// text slides or fades out while the new one comes in (the transitions of Control).
//
// The update thread sets the notice label's text, width and place, so every operation that
// changes the label runs on the UI thread (see Control::OnUiThread).
//
// The decisions (format flags, whether a text change repaints or animates, rounding of the
// measured size) are plain functions below, so they can be checked without a window.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "ui/core/Control.h"
#include "ui/gfx/GdiPlus.h"

inline constexpr int kLabelType = 3;
inline constexpr int kLinkLabelType = 5;

inline constexpr int kLabelDefaultTransitionFrames = 5;
inline constexpr int kLabelDefaultTransitionInterval = 60;  // ms

// Black with alpha 210.
inline constexpr Gdiplus::ARGB kLabelDefaultColour = 0xD2000000;

// Font style bit that underlines (FontStyleUnderline).
inline constexpr int kFontStyleUnderline = 4;

// String format flags: a multi-line label wraps (no font fallback, trailing spaces measured,
// no clipping, whole lines only); a single-line one does not wrap.
inline constexpr int kMultiLineFormatFlags = 0x400 | 0x800 | 0x4000 | 0x2000;
inline constexpr int kSingleLineFormatFlags = 0x1000;
int LabelFormatFlags(bool multiLine);

// What SetText does with a new text.
struct TextChange {
  bool store = false;    // the text is stored and the label repaints
  bool animate = false;  // the repaint plays the transition
};
// An unchanged text does nothing unless a transition is asked for; a transition always plays.
TextChange DecideTextChange(const std::wstring& current, const std::wstring& next, bool transitionGiven);

// The measured size as the label keeps it: whole pixels, rounded to nearest, never negative.
int RoundMeasure(float extent);

// The layout rectangle text is measured in: unbounded when single-line, the label's width
// when multi-line (a zero extent means unbounded to GDI+).
Gdiplus::RectF MeasureLayout(bool multiLine, float width);

// Optional arguments of Label::Create, with their defaults.
struct LabelOptions {
  std::optional<Gdiplus::ARGB> textColour;  // [black, alpha 210]
  std::string fontFamily;                   // [the default font's family]
  float fontSize = 12;
  int fontStyle = 0;
  int alignment = 0;      // StringAlignment: 0 near, 1 centre, 2 far
  int lineAlignment = 0;  // the same, vertically
  bool multiLine = false;
  // Values the owner may keep on the label; the label itself draws no differently.
  std::array<int, 7> ownerOptions{};
  bool visible = true;
};

class Label : public Control {
 public:
  Label() = default;
  ~Label() override;

  LRESULT MessageProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  virtual void MeasureText();
  virtual Control* Create(ControlParent parent, float left, float top, float width, float height,
                          const std::string& text, const LabelOptions& options = {});
  // A transition style (0 fade, 1..4 slides) animates the change, even to the same text.
  virtual void SetText(const std::string& text, std::optional<int> transitionStyle = std::nullopt,
                       std::optional<int> frames = std::nullopt,
                       std::optional<int> interval = std::nullopt);
  virtual void SetTextWide(const std::wstring& text, std::optional<int> transitionStyle = std::nullopt,
                           std::optional<int> frames = std::nullopt,
                           std::optional<int> interval = std::nullopt);
  virtual std::string Text();
  virtual std::wstring TextWide();
  virtual Gdiplus::ARGB TextColour(std::optional<Gdiplus::ARGB> value = std::nullopt);
  // Replaces the font; an empty family takes the default font's family. The underline bit
  // (4) underlines single-line text.
  virtual void SetFont(const std::string& family, float size, int style);
  virtual int FontStyle(std::optional<int> value = std::nullopt);
  virtual int Alignment(std::optional<int> value = std::nullopt);
  virtual int LineAlignment(std::optional<int> value = std::nullopt);
  virtual bool MultiLine(std::optional<bool> value = std::nullopt);
  // One of the values the owner keeps on the label (0 for an index out of range); setting one
  // only repaints.
  virtual int OwnerOption(size_t index, std::optional<int> value = std::nullopt);
  virtual void ReleaseFont();
  virtual void PaintLabel();
  // An empty hook that nothing calls; a class may override it to no effect.
  virtual void UnusedLabelHook();
  // Runs before MessageProc's own handling; anything but -1 is the answer.
  virtual LRESULT PreMessage(UINT message, WPARAM wParam, LPARAM lParam);
  virtual void OnCreate();
  AccessibleInfo Describe() override;

  using Control::Create;
  int MeasuredWidth() const { return measuredWidth_; }
  int MeasuredHeight() const { return measuredHeight_; }
  bool AnimatesNextChange() const { return animateNext_; }
  Gdiplus::GpFont* FontHandle() const { return font_; }

 protected:
  // Rebuilds the string format from the flags and alignments (single-line unless multiLine).
  void BuildFormat();
  void ResetAnimation();
  // Makes font_ from the family, size and style (the underline is drawn, not in the font).
  void MakeFont();

  Gdiplus::GpFont* font_ = nullptr;                 // the default font, or ownedFont_
  std::wstring text_;
  Gdiplus::ARGB colour_ = kLabelDefaultColour;
  std::array<int, 7> ownerOptions_{};
  bool multiLine_ = false;
  gfx::StringFormatPtr format_;
  int measuredWidth_ = 0;
  int measuredHeight_ = 0;
  bool animateNext_ = false;                        // the next text change plays the transition
  int animationInterval_ = kLabelDefaultTransitionInterval;  // of that transition, ms
  int animationFrames_ = kLabelDefaultTransitionFrames;
  int alignment_ = 0;
  int lineAlignment_ = 0;
  gfx::FontPtr ownedFont_;
  std::string fontFamily_;
  float fontSize_ = 12;
  int fontStyle_ = 0;
};
