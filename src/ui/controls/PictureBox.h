// A windowless picture (control type 4): an encoded image (PNG, JPEG, GIF) or an icon drawn
// at its natural size, stretched, or nine-sliced, with an optional border. An image with
// several frames (an animated GIF) plays them, each for its own delay, on a timer of the host
// window whose id is the control; the timer stops while the picture is hidden and when the
// picture is destroyed. With the animation flag set the frames loop; without it they play
// once and the last frame stays.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "ui/core/Control.h"
#include "ui/gfx/GdiPlus.h"
#include "ui/gfx/Image.h"

inline constexpr int kPictureBoxType = 4;

enum class PictureLayout { Natural = 0, Stretched = 1, NineSliced = 2 };

// Border values: 0 none, 1 sunken, 2 raised, 3 solid grey, 4 dashed; any other value is the
// ARGB colour of a solid 1-pixel frame.
inline constexpr int kBorderNone = 0;
inline constexpr int kBorderSunken = 1;
inline constexpr int kBorderRaised = 2;
inline constexpr int kBorderSolidGrey = 3;
inline constexpr int kBorderDashed = 4;

// A frame whose delay is missing or zero shows for this long (hundredths of a second).
inline constexpr int kDefaultFrameDelay = 10;

// The frames of an image: their count (1 for a still image) and delays in hundredths of a
// second, as the image stores them (possibly fewer than the frames, for a damaged file).
struct PictureFrames {
  int count = 1;
  std::vector<int> delays;
  GUID dimension{};  // the frame dimension to select frames in
};
PictureFrames ReadPictureFrames(Gdiplus::GpImage* image);

// The frame after index (1-based): the next one, then 1 again when looping; without looping
// the last frame stays.
int NextFrameIndex(int index, int count, bool loop);
// How long the frame at index (1-based) shows, in milliseconds.
UINT FrameDelayMs(const std::vector<int>& delays, int index);
// Where the image goes in a picture of the given size (natural size at the origin, or the
// whole picture).
Gdiplus::RectF PictureDestination(PictureLayout layout, float imageWidth, float imageHeight, float width,
                                  float height);

// Optional arguments of PictureBox::Create, with their defaults.
struct PictureBoxOptions {
  bool animate = false;
  int border = kBorderNone;
  PictureLayout layout = PictureLayout::Natural;
  gfx::NineSliceMargins margins;
  bool visible = true;
};

class PictureBox : public Control {
 public:
  PictureBox() = default;
  ~PictureBox() override;

  LRESULT MessageProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  virtual Control* Create(ControlParent parent, float left, float top, float width, float height,
                          gfx::ByteSpan imageData, const PictureBoxOptions& options = {});
  virtual Control* CreateFromIcon(ControlParent parent, float left, float top, float width, float height,
                                  HICON icon, const PictureBoxOptions& options = {});
  // Replaces the picture with new image data (the first frame shows).
  virtual void SetImage(gfx::ByteSpan imageData);
  virtual int FrameIndex(std::optional<int> value = std::nullopt);
  virtual int Border(std::optional<int> value = std::nullopt);
  virtual PictureLayout Layout(std::optional<PictureLayout> value = std::nullopt,
                               std::optional<gfx::NineSliceMargins> margins = std::nullopt);
  virtual void PaintPicture();
  virtual bool Animated(std::optional<bool> value = std::nullopt);
  // A graphic; an animation that plays reads as animated.
  AccessibleInfo Describe() override;

  using Control::Create;
  Gdiplus::GpImage* ImageHandle() const { return converted_ ? converted_.Get() : decoded_.Get(); }
  int FrameCount() const { return frameCount_; }
  const std::vector<int>& FrameDelays() const { return frameDelays_; }
  bool FrameTimerRunning() const { return timerRunning_; }
  UINT_PTR FrameTimerId() const { return reinterpret_cast<UINT_PTR>(this); }

 private:
  Control* CreateBase(ControlParent parent, Gdiplus::RectF bounds, const PictureBoxOptions& options);
  void LoadImage();
  // A picture made hidden (the busy indicator) is decoded when it is first shown.
  void LoadImageWhenShown();
  void ReleaseImage();
  void StopTimer();
  void ScheduleNextFrame();

  std::vector<unsigned char> data_;   // the encoded image
  gfx::Image decoded_;                // the image made from it (frames intact when animated)
  gfx::BitmapPtr converted_;          // or a still bitmap of its own (from an icon)
  bool decodePending_ = false;        // data_ not decoded yet: hidden since it was set
  bool animate_ = false;
  int frameIndex_ = 1;
  int frameCount_ = 0;
  std::vector<int> frameDelays_;
  int border_ = kBorderNone;
  PictureLayout layout_ = PictureLayout::Natural;
  gfx::NineSliceMargins margins_;
  GUID frameDimension_{};
  bool timerRunning_ = false;
};
