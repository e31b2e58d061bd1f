// A thin windowless scroll bar (control type 19): two arrow buttons, a track and a draggable
// thumb, drawn with translucent black shapes. The list view owns two (10 pixels thick) and
// the edit box uses the same class. While the mouse is away a compact bar shows only its
// thumb. Position changes are reported through one change callback.
//
// The value/pixel mapping lives in plain functions (ScrollGeometry) so it can be checked
// without a window; the control keeps its fields in the record order of its class.
#pragma once

#include <optional>

#include "ui/core/Control.h"

inline constexpr int kScrollHorizontal = 1;
inline constexpr int kScrollVertical = 2;

// Parts of the bar: what is under the mouse or held.
inline constexpr int kScrollPartNone = 0;
inline constexpr int kScrollPartFirstArrow = 1;   // left or up
inline constexpr int kScrollPartSecondArrow = 2;  // right or down
inline constexpr int kScrollPartThumb = 3;
inline constexpr int kScrollPartTrack = 4;        // the bare track (pages toward the press)

inline constexpr int kScrollMinimumThumb = 30;
inline constexpr UINT kScrollRepeatMs = 100;

// Where arrows, track and thumb lie for a bar of a given size and range.
struct ScrollGeometry {
  int orientation = kScrollHorizontal;
  Gdiplus::RectF firstArrow, secondArrow, track;
  int trackStart = 0;   // along the bar
  int trackLength = 0;  // L
  int thumbLength = 0;  // 0 = no thumb

  // Arrows, track and the track's span along the bar for a bar of that size.
  static ScrollGeometry Layout(int orientation, float width, float height);
  // L x L / (L + maximum), at least 30; 0 when the maximum is 0 or less.
  static int ThumbLength(int trackLength, int maximum);

  // Pixel (along the bar) where the thumb starts for a position.
  int ThumbStart(int position, int minimum, int maximum) const;
  // The value for a pixel along the bar (the thumb's leading edge).
  int ValueFromPoint(int pixel, int minimum, int maximum) const;
  Gdiplus::RectF ThumbRect(int position, int minimum, int maximum) const;
  // Which part lies under a point of the bar (control coordinates).
  int PartAt(float x, float y, int position, int minimum, int maximum) const;
};

// Optional arguments of ScrollBar::Create, with their defaults.
struct ScrollBarOptions {
  std::optional<int> position;  // [the minimum]
  int minimum = 0;
  int maximum = 100;
  int pageStep = 10;
  int arrowStep = 1;
  bool liveTracking = true;
  int orientation = kScrollHorizontal;
  bool compactWhenIdle = true;
  bool visible = true;
};

// Called with the new position: (parent, bar, position, 0, 0) for a bar inside a control,
// (bar, position, 0, 0, 0) for a top-level one.
using ScrollChangeCallback = EventHandler;

class ScrollBar : public Control {
 public:
  ~ScrollBar() override;

  LRESULT MessageProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  // A scroll bar whose value is its position.
  AccessibleInfo Describe() override;
  // mode 0 normal, 1 hover, 2 pressed; x, y in control coordinates (the part under them is lit).
  virtual void PaintBar(int mode, float x, float y);
  virtual int ValueFromPoint(int pixel);
  virtual int ThumbStart();
  virtual void ComputeThumb();
  virtual void FireChange();
  virtual void LayoutBar(float width, float height);
  virtual Control* Create(ControlParent parent, float left, float top, float width, float height,
                          const ScrollBarOptions& options = {});
  virtual int Position(std::optional<int> value = std::nullopt);
  virtual int Minimum(std::optional<int> value = std::nullopt);
  virtual int Maximum(std::optional<int> value = std::nullopt);
  virtual int PageStep(std::optional<int> value = std::nullopt);
  virtual int ArrowStep(std::optional<int> value = std::nullopt);
  virtual bool LiveTracking(std::optional<bool> value = std::nullopt);
  virtual bool CompactWhenIdle(std::optional<bool> value = std::nullopt);
  virtual void SetOnChange(ScrollChangeCallback callback);

  using Control::Create;
  int Orientation() const { return orientation_; }
  int PressedPart() const { return pressedPart_; }
  int ThumbLength() const { return thumbLength_; }
  int HoverPart() const { return hoverPart_; }
  const ScrollGeometry& Geometry() const { return geometry_; }

 private:
  // Mouse position in control coordinates from a host lParam (client coordinates).
  POINT ToLocal(LPARAM lParam) const;
  int Along(POINT local) const { return orientation_ == kScrollVertical ? local.y : local.x; }
  POINT CursorLocal() const;
  void Press(POINT local);
  // One arrow step; false once the end of the range is reached (the repeat stops there).
  bool StepArrow();
  void StopRepeat();

  int minimum_ = 0;
  int maximum_ = 100;
  int pageStep_ = 10;
  int arrowStep_ = 1;
  bool liveTracking_ = true;
  int orientation_ = kScrollHorizontal;
  int pressedPart_ = 0;           // kScrollPart* under the press
  bool compactWhenIdle_ = true;
  int position_ = 0;
  int thumbLength_ = 0;           // pixels
  int dragOffset_ = 0;            // where in the thumb the drag took hold
  int negatedMinimum_ = 0;        // kept in step with minimum_; nothing reads it
  ScrollGeometry geometry_;       // track, thumb, arrows
  ScrollChangeCallback onChange_ = nullptr;
  int hoverPart_ = 0;             // kScrollPart* under the mouse
  bool repeating_ = false;
};
