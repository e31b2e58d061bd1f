// The close, maximise/restore and minimise buttons (and the further title-bar buttons) of a
// skinned window. The window host creates one per title-bar frame bit when it attaches and
// places them in its title-bar layout; each button draws its kind's glyph cell of the shared
// control strip for its state (normal, hover, pressed) and turns a click into the matching
// window command, posted to the host window.
#pragma once

#include <optional>

#include "ui/core/Control.h"
#include "ui/core/WindowHost.h"

// The frame bit a title-bar button stands for.
inline constexpr int kTitleClose = kFrameClose;
inline constexpr int kTitleMaximize = kFrameMaximize;
inline constexpr int kTitleMinimize = kFrameMinimize;

// Look states a button draws.
inline constexpr int kTitleStateNormal = 0;
inline constexpr int kTitleStateHover = 1;
inline constexpr int kTitleStatePressed = 2;

// The control-strip source rectangle (x, 2, width, 19) for a kind and state; false when the
// state selects no cell (outside -1..3) or the kind has none. -1 and 3 draw like normal.
bool TitleGlyphCell(int kind, int state, bool zoomed, Gdiplus::RectF* cell);

// The window command a click of the button posts.
struct TitleCommand {
  UINT message = 0;
  WPARAM wParam = 0;
};
// None for kinds without a command and for minimising a window that is already iconic.
std::optional<TitleCommand> TitleButtonCommand(int kind, bool zoomed, bool iconic);

// Width of a button of that kind: 39 for close, 28 for every other kind; 19 high.
inline float TitleButtonWidth(int kind) { return kind == kTitleClose ? 39.0f : 28.0f; }
inline constexpr float kTitleButtonHeight = 19.0f;

class TitleButton : public Control {
 public:
  ~TitleButton() override;

  LRESULT MessageProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Draws the glyph for the state (nothing when the state is already drawn and force is not
  // set); a non-zero frame count cross-fades from the old look.
  virtual void PaintState(int state, bool force, int frames);
  // Not focusable, type 1, 60 ms transitions.
  virtual Control* Create(ControlParent parent, float left, float top, float width, float height, int kind,
                          bool visible = true);
  virtual int Kind() const;
  AccessibleInfo Describe() override;

  using Control::Create;
  int DrawnState() const { return drawnState_; }

 private:
  int kind_ = 0;        // the frame bit
  int drawnState_ = 0;  // the state last drawn
};
