#include "ui/controls/PictureBox.h"
#include "ui/gfx/IconBitmap.h"
#include "ui/gfx/Text.h"

#include <algorithm>
#include <cstring>
#include <limits>

using Gdiplus::RectF;
namespace gdip = gfx::gdip;

namespace {

constexpr PROPID kFrameDelayTag = 0x5100;  // PropertyTagFrameDelay
// GIF frames count from a few up to some hundreds; a file claiming more is damaged.
constexpr UINT kMostFrames = 10000;

}  // namespace

PictureFrames ReadPictureFrames(Gdiplus::GpImage* image) {
  PictureFrames frames;
  if (!image) return frames;
  UINT dimensions = 0;
  if (gdip::GdipImageGetFrameDimensionsCount(image, &dimensions) != Gdiplus::Ok || dimensions == 0) return frames;
  std::vector<GUID> list(std::min<UINT>(dimensions, 16));
  if (gdip::GdipImageGetFrameDimensionsList(image, list.data(), static_cast<UINT>(list.size())) != Gdiplus::Ok) {
    return frames;
  }
  UINT count = 0;
  if (gdip::GdipImageGetFrameCount(image, &list[0], &count) != Gdiplus::Ok || count <= 1) return frames;
  frames.count = static_cast<int>(std::min(count, kMostFrames));
  frames.dimension = list[0];

  UINT size = 0;
  if (gdip::GdipGetPropertyItemSize(image, kFrameDelayTag, &size) != Gdiplus::Ok ||
      size < sizeof(Gdiplus::PropertyItem) || size > (1u << 20)) {
    return frames;
  }
  std::vector<unsigned char> buffer(size);
  auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(buffer.data());
  if (gdip::GdipGetPropertyItem(image, kFrameDelayTag, size, item) != Gdiplus::Ok || !item->value) return frames;
  // Trust neither the stated length nor the frame count beyond the bytes actually returned.
  const auto* begin = static_cast<const unsigned char*>(item->value);
  const auto* end = buffer.data() + buffer.size();
  if (begin < buffer.data() || begin > end) return frames;
  const std::size_t available = static_cast<std::size_t>(end - begin) / sizeof(LONG);
  const std::size_t stated = item->length / sizeof(LONG);
  const std::size_t n = std::min({available, stated, static_cast<std::size_t>(frames.count)});
  frames.delays.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    LONG value = 0;
    std::memcpy(&value, begin + i * sizeof(LONG), sizeof(LONG));
    frames.delays[i] = static_cast<int>(value);
  }
  return frames;
}

int NextFrameIndex(int index, int count, bool loop) {
  if (count <= 1) return 1;
  if (index < 1 || index > count) return 1;
  if (index < count) return index + 1;
  return loop ? 1 : count;
}

UINT FrameDelayMs(const std::vector<int>& delays, int index) {
  int delay = 0;
  if (index >= 1 && static_cast<std::size_t>(index) <= delays.size()) delay = delays[index - 1];
  // Zero (or a damaged negative) delay would spin the timer as fast as it can go.
  if (delay <= 0) delay = kDefaultFrameDelay;
  return static_cast<UINT>(std::min(delay, std::numeric_limits<int>::max() / 10)) * 10;
}

RectF PictureDestination(PictureLayout layout, float imageWidth, float imageHeight, float width, float height) {
  if (layout == PictureLayout::Natural) return RectF(0, 0, imageWidth, imageHeight);
  return RectF(0, 0, width, height);
}

namespace {

void DrawBorder(Gdiplus::GpGraphics* graphics, int border, float width, float height) {
  if (border == kBorderNone || width < 2 || height < 2) return;
  const float right = width - 1, bottom = height - 1;
  auto line = [&](Gdiplus::ARGB colour, float x1, float y1, float x2, float y2, bool dashed) {
    gfx::PenPtr pen;
    if (gdip::GdipCreatePen1(colour, 1, Gdiplus::UnitPixel, pen.Put()) != Gdiplus::Ok) return;
    if (dashed) gdip::GdipSetPenDashStyle(pen.Get(), Gdiplus::DashStyleDash);
    gdip::GdipDrawLine(graphics, pen.Get(), x1, y1, x2, y2);
  };
  auto frame = [&](Gdiplus::ARGB topLeft, Gdiplus::ARGB bottomRight, bool dashed) {
    line(topLeft, 0, 0, right, 0, dashed);
    line(topLeft, 0, 0, 0, bottom, dashed);
    line(bottomRight, 0, bottom, right, bottom, dashed);
    line(bottomRight, right, 0, right, bottom, dashed);
  };
  Gdiplus::SmoothingMode smoothing = Gdiplus::SmoothingModeDefault;
  gdip::GdipGetSmoothingMode(graphics, &smoothing);
  gdip::GdipSetSmoothingMode(graphics, Gdiplus::SmoothingModeNone);
  switch (border) {
    case kBorderSunken: frame(0x78000000, 0x78FFFFFF, false); break;
    case kBorderRaised: frame(0x78FFFFFF, 0x78000000, false); break;
    case kBorderSolidGrey: frame(0xFF646464, 0xFF646464, false); break;
    case kBorderDashed: frame(0x78000000, 0x78000000, true); break;
    default: frame(static_cast<Gdiplus::ARGB>(border), static_cast<Gdiplus::ARGB>(border), false); break;
  }
  gdip::GdipSetSmoothingMode(graphics, smoothing);
}

}  // namespace

PictureBox::~PictureBox() {
  if (IsLive()) Destroy();
}

void PictureBox::LoadImage() {
  decodePending_ = false;
  ReleaseImage();
  frameIndex_ = 1;
  frameCount_ = 0;
  frameDelays_.clear();
  if (data_.empty()) return;
  // Frames need the decoder's own image; a still image becomes a bitmap of its own.
  decoded_ = gfx::load_image(data_, false, /*keepSource=*/true);
  if (!decoded_) return;
  PictureFrames frames = ReadPictureFrames(decoded_.Get());
  if (frames.count > 1) {
    frameCount_ = frames.count;
    frameDelays_ = std::move(frames.delays);
    frameDimension_ = frames.dimension;
    return;
  }
  frameCount_ = 1;
  if (gfx::Image still = gfx::load_image(data_)) decoded_ = std::move(still);
}

void PictureBox::LoadImageWhenShown() {
  ReleaseImage();
  frameIndex_ = 1;
  frameCount_ = 0;
  frameDelays_.clear();
  decodePending_ = !data_.empty();
}

void PictureBox::ReleaseImage() {
  gfx::dispose_image(decoded_);
  converted_.Reset();
}

Control* PictureBox::CreateBase(ControlParent parent, RectF bounds, const PictureBoxOptions& options) {
  animate_ = options.animate;
  border_ = options.border;
  layout_ = options.layout;
  margins_ = options.margins;
  timerRunning_ = false;
  ControlOptions base;
  base.type = kPictureBoxType;
  base.visible = options.visible;
  base.focusable = false;
  Control* handle = Control::Create(parent, bounds, base);
  if (!handle) {
    ReleaseImage();
    data_.clear();
    frameCount_ = 0;
    frameDelays_.clear();
  }
  return handle;
}

Control* PictureBox::Create(ControlParent parent, float left, float top, float width, float height,
                            gfx::ByteSpan imageData, const PictureBoxOptions& options) {
  // The decoded image is the UI thread's too: the whole creation runs there.
  if (!ui::OnThreadOf(parent.HostWindow())) {
    return ui::CallOnUiThread(parent.HostWindow(),
                              [&] { return Create(parent, left, top, width, height, imageData, options); });
  }
  if (IsLive()) return GetHandle();
  data_.assign(imageData.begin(), imageData.end());
  if (options.visible) {
    LoadImage();
  } else {
    LoadImageWhenShown();
  }
  return CreateBase(parent, RectF(left, top, width, height), options);
}

Control* PictureBox::CreateFromIcon(ControlParent parent, float left, float top, float width, float height,
                                    HICON icon, const PictureBoxOptions& options) {
  if (!ui::OnThreadOf(parent.HostWindow())) {
    return ui::CallOnUiThread(parent.HostWindow(),
                              [&] { return CreateFromIcon(parent, left, top, width, height, icon, options); });
  }
  if (IsLive()) return GetHandle();
  data_.clear();
  ReleaseImage();
  decodePending_ = false;
  converted_ = gfx::BitmapFromIcon(icon);
  frameIndex_ = 1;
  frameCount_ = converted_ ? 1 : 0;
  frameDelays_.clear();
  return CreateBase(parent, RectF(left, top, width, height), options);
}

void PictureBox::SetImage(gfx::ByteSpan imageData) {
  if (!OnUiThread()) return RunOnUiThread([&] { SetImage(imageData); });
  StopTimer();
  data_.assign(imageData.begin(), imageData.end());
  if (IsLive() && !IsVisible()) {
    LoadImageWhenShown();
  } else {
    LoadImage();
  }
  if (IsLive()) Repaint();
}

int PictureBox::FrameIndex(std::optional<int> value) {
  if (!OnUiThread()) return RunOnUiThread([&] { return FrameIndex(value); });
  if (value && frameCount_ > 1 && *value >= 1 && *value <= frameCount_ && *value != frameIndex_) {
    frameIndex_ = *value;
    if (IsLive()) Repaint();
  }
  return frameIndex_;
}

int PictureBox::Border(std::optional<int> value) {
  if (!OnUiThread()) return RunOnUiThread([&] { return Border(value); });
  if (value && *value != border_) {
    border_ = *value;
    if (IsLive()) Repaint();
  }
  return border_;
}

PictureLayout PictureBox::Layout(std::optional<PictureLayout> value, std::optional<gfx::NineSliceMargins> margins) {
  if (!OnUiThread()) return RunOnUiThread([&] { return Layout(value, margins); });
  if (value || margins) {
    if (value) layout_ = *value;
    if (margins) margins_ = *margins;
    if (IsLive()) Repaint();
  }
  return layout_;
}

bool PictureBox::Animated(std::optional<bool> value) {
  if (!OnUiThread()) return RunOnUiThread([&] { return Animated(value); });
  if (value && *value != animate_) {
    animate_ = *value;
    // A picture that stopped on its last frame starts again.
    if (animate_ && IsLive() && !timerRunning_) Repaint();
  }
  return animate_;
}

void PictureBox::StopTimer() {
  if (timerRunning_ && GetHostWindow()) KillTimer(GetHostWindow(), FrameTimerId());
  timerRunning_ = false;
}

void PictureBox::ScheduleNextFrame() {
  StopTimer();
  if (frameCount_ <= 1 || !IsVisible()) return;
  const int next = NextFrameIndex(frameIndex_, frameCount_, animate_);
  if (next == frameIndex_) return;  // played once: the last frame stays
  // The frame just drawn shows for its own delay; the next paint draws the next frame.
  const UINT delay = FrameDelayMs(frameDelays_, frameIndex_);
  frameIndex_ = next;
  timerRunning_ = SetTimer(GetHostWindow(), FrameTimerId(), delay, nullptr) != 0;
}

void PictureBox::PaintPicture() {
  if (decodePending_) {
    if (!IsVisible()) return;
    LoadImage();
  }
  const SurfacePaint paint(this, nullptr, false);
  const PaintContext& context = paint.Context();
  Gdiplus::GpImage* image = ImageHandle();
  if (context.graphics && image) {
    // A frame that cannot be decoded leaves the picture empty for its time; play goes on.
    bool drawable = true;
    if (frameCount_ > 1) {
      drawable = gdip::GdipImageSelectActiveFrame(image, &frameDimension_, static_cast<UINT>(frameIndex_ - 1)) ==
                 Gdiplus::Ok;
    }
    if (drawable) {
      const auto imageWidth = static_cast<float>(gfx::image_width(image));
      const auto imageHeight = static_cast<float>(gfx::image_height(image));
      const RectF& bounds = BoundsRef();
      const RectF target = PictureDestination(layout_, imageWidth, imageHeight, bounds.Width, bounds.Height);
      if (layout_ == PictureLayout::NineSliced) {
        gfx::DrawImageNineSlice(context.graphics, image, target, margins_);
      } else {
        gfx::draw_image(context.graphics, image, target);
      }
    }
  }
  if (context.graphics) DrawBorder(context.graphics, border_, BoundsRef().Width, BoundsRef().Height);
  ScheduleNextFrame();
}

LRESULT PictureBox::MessageProc(UINT message, WPARAM, LPARAM) {
  switch (message) {
    case WM_PAINT:
    case TKM_SHOWN:
      PaintPicture();
      break;
    case TKM_HIDDEN:
      StopTimer();
      break;
    case WM_TIMER:
      timerRunning_ = false;  // the next paint sets it again
      KillTimer(GetHostWindow(), FrameTimerId());
      if (frameCount_ > 1) PaintPicture();
      break;
    case TKM_TRANSITION_END:
      TransitionFrames(0);
      break;
    case WM_DESTROY:
      StopTimer();
      frameIndex_ = 1;
      frameCount_ = 0;
      frameDelays_.clear();
      ReleaseImage();
      data_.clear();
      break;
    default:
      break;
  }
  return -1;
}

AccessibleInfo PictureBox::Describe() {
  AccessibleInfo info;
  info.role = ROLE_SYSTEM_GRAPHIC;
  info.name = gfx::widen_text(TipTextRef());
  info.state = STATE_SYSTEM_READONLY | (timerRunning_ ? STATE_SYSTEM_ANIMATED : 0);
  return info;
}
