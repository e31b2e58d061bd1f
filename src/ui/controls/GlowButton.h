// A push button drawn from the small glow skin (control kind 23): the category tabs and the
// message box's buttons. While it has the keyboard focus a light spot travels along its
// rounded edge, 6 pixels every 100 ms, on a timer of the host window whose id is the
// button's handle: right along the top, down the right edge, left along the bottom, up the
// left edge. The timer runs only while the button is focused and no cross-fade plays.
//
// The skin (55 x 28, 13 x 28 pieces for normal, hover/focused, pressed, disabled) is embedded
// in the program; the first glow button loads it and it stays for the process.
#pragma once

#include <memory>

#include "ui/controls/ButtonBase.h"

inline constexpr int kGlowButtonType = 23;
inline constexpr UINT kGlowIntervalMs = 100;
inline constexpr float kGlowStep = 6;

// The travelling spot: the edge it moves along (1 right along the top, 2 down the right edge,
// 3 left along the bottom, 4 up the left edge) and its centre.
struct GlowSpot {
  int direction = 1;
  float x = 6;
  float y = 0;
  bool operator==(const GlowSpot&) const = default;
};
// Where the spot starts when the button gains the focus.
inline constexpr GlowSpot kGlowStart{1, 6, 0};

// One step of the spot on a button of that size: 6 pixels along its edge, clamped at the
// edge's end, where it turns the corner (right end x = width - 2, bottom y = height - 4).
GlowSpot NextGlowSpot(GlowSpot spot, float width, float height);

// The skin piece (x in the skin) of a look state.
float GlowSkinPiece(int state);

class GlowButton : public ButtonBase {
 public:
  ~GlowButton() override;

  // The glow painter: the skin nine-sliced, then the spot while the glow runs; always 1.
  int PaintImages(int state) override;
  // Placement codes 0 and 4 move the content by (-2, -2) and (4, -2); 2 and 6 by (0, -2).
  void OffsetContent(int placement, Gdiplus::RectF& caption, Gdiplus::RectF& icon) override;
  LRESULT PreMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  virtual void StepGlow();

  bool GlowRunning() const { return glowRunning_; }
  GlowSpot Glow() const { return glow_; }

 private:
  UINT_PTR GlowTimerId() const { return reinterpret_cast<UINT_PTR>(this); }
  void StartTimer();
  void StopTimer();
  void DrawSpot(Gdiplus::GpGraphics* graphics);
  // The skin nine-sliced for this state and size is drawn once and then copied in memory: GDI+
  // under Wine stretches the nine pieces a pixel at a time on every paint (a tab caption's
  // count changes with each page). False where it cannot be used (scaled displays).
  bool DrawCachedSkin(int state);

  bool glowRunning_ = false;
  GlowSpot glow_;
  std::shared_ptr<const gfx::BitmapPtr> skinLook_;  // shared by glow buttons of one size and state
  int skinLookState_ = -1;
  SIZE skinLookPixels_{};
};
