#include "ui/controls/ImageButton.h"

using Gdiplus::RectF;

ButtonImage ImageForState(int state, bool disabled, bool hasDisabledImage) {
  if (disabled && hasDisabledImage) return ButtonImage::Disabled;
  switch (state) {
    case kButtonHover:
    case kButtonFocused:
      return ButtonImage::Hover;
    case kButtonPressed:
      return ButtonImage::Pressed;
    default:
      return ButtonImage::Normal;
  }
}

ImageButton::~ImageButton() {
  if (IsLive()) Destroy();
}

void ImageButton::Store(Slot& slot, gfx::ByteSpan bytes) {
  slot.bytes.assign(bytes.begin(), bytes.end());
  gfx::dispose_image(slot.image);
  slot.decoded = false;
}

Gdiplus::GpImage* ImageButton::Decoded(Slot& slot) {
  if (!slot.decoded) {
    slot.decoded = true;
    if (!slot.bytes.empty()) slot.image = gfx::load_image(gfx::ByteSpan(slot.bytes.data(), slot.bytes.size()));
  }
  return slot.image.Get();
}

int ImageButton::PaintImages(int state) {
  if (layout_ != kImageLayoutNatural && layout_ != kImageLayoutStretch && layout_ != kImageLayoutNineSlice) return 0;
  Gdiplus::GpGraphics* graphics = Graphics();
  if (!graphics) return 0;
  const bool disabled = IsDisabled();
  const bool hasDisabled = !images_[static_cast<size_t>(ButtonImage::Disabled)].bytes.empty();
  Slot& slot = images_[static_cast<size_t>(ImageForState(state, disabled, hasDisabled))];
  Gdiplus::GpImage* image = Decoded(slot);
  if (!image) return 0;
  const RectF& bounds = BoundsRef();
  const RectF whole(0, 0, bounds.Width, bounds.Height);
  switch (layout_) {
    case kImageLayoutNatural: {
      const RectF natural(0, 0, static_cast<float>(gfx::image_width(image)),
                          static_cast<float>(gfx::image_height(image)));
      return gfx::draw_image(graphics, image, natural) ? 1 : 0;
    }
    case kImageLayoutStretch:
      return gfx::draw_image(graphics, image, whole) ? 1 : 0;
    default:
      return gfx::DrawImageNineSlice(graphics, image, whole, margins_) ? 1 : 0;
  }
}

LRESULT ImageButton::PreMessage(UINT message, WPARAM, LPARAM) {
  if (message == WM_DESTROY) {
    // The bytes stay with the object; only the decoded bitmaps go with the surface.
    for (Slot& slot : images_) {
      gfx::dispose_image(slot.image);
      slot.decoded = false;
    }
  }
  return -1;
}

void ImageButton::SetImages(const ButtonImages& images) {
  if (!OnUiThread()) return RunOnUiThread([&] { SetImages(images); });
  const std::optional<gfx::ByteSpan>* given[4] = {&images.normal, &images.hover, &images.pressed, &images.disabled};
  for (size_t i = 0; i < images_.size(); ++i) {
    if (*given[i]) Store(images_[i], **given[i]);
  }
  layout_ = images.layout;
  margins_ = images.margins;
  if (IsLive()) Repaint();
}

std::vector<unsigned char> ImageButton::ImageAt(ButtonImage which, const std::optional<gfx::ByteSpan>& value) {
  Slot& slot = images_[static_cast<size_t>(which)];
  if (value) {
    if (!OnUiThread()) return RunOnUiThread([&] { return ImageAt(which, value); });
    Store(slot, *value);
    if (IsLive()) Repaint();
  }
  return slot.bytes;
}

std::vector<unsigned char> ImageButton::NormalImage(std::optional<gfx::ByteSpan> value) {
  return ImageAt(ButtonImage::Normal, value);
}
std::vector<unsigned char> ImageButton::HoverImage(std::optional<gfx::ByteSpan> value) {
  return ImageAt(ButtonImage::Hover, value);
}
std::vector<unsigned char> ImageButton::PressedImage(std::optional<gfx::ByteSpan> value) {
  return ImageAt(ButtonImage::Pressed, value);
}
std::vector<unsigned char> ImageButton::DisabledImage(std::optional<gfx::ByteSpan> value) {
  return ImageAt(ButtonImage::Disabled, value);
}

int ImageButton::ImageLayout(std::optional<int> value) {
  if (value && *value != layout_) {
    if (!OnUiThread()) return RunOnUiThread([&] { return ImageLayout(value); });
    layout_ = *value;
    if (IsLive()) Repaint();
  }
  return layout_;
}

gfx::NineSliceMargins ImageButton::ImageMargins(std::optional<gfx::NineSliceMargins> value) {
  if (value) {
    if (!OnUiThread()) return RunOnUiThread([&] { return ImageMargins(value); });
    margins_ = *value;
    if (IsLive()) Repaint();
  }
  return margins_;
}

void ImageButton::UnusedImageHook() {}
