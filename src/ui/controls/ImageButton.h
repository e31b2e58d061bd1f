// A push button drawn from state images (the search button of the main window): normal,
// hover (also shown while focused), pressed and disabled, each an encoded image held as
// bytes. The image is drawn at its natural size at the top-left (layout 0), stretched over
// the button (1) or nine-sliced with the margins (3); any other layout draws no image. A
// state without an image falls back to the built-in look. Caption and icon come on top.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "ui/controls/ButtonBase.h"

inline constexpr int kImageLayoutNatural = 0;
inline constexpr int kImageLayoutStretch = 1;
inline constexpr int kImageLayoutNone = 2;
inline constexpr int kImageLayoutNineSlice = 3;

// Which image a state shows: 0 normal, 1 hover, 2 pressed, 3 disabled.
enum class ButtonImage { Normal = 0, Hover = 1, Pressed = 2, Disabled = 3 };
ButtonImage ImageForState(int state, bool disabled, bool hasDisabledImage);

// Arguments of ImageButton::SetImages: a given image replaces the current one (empty bytes
// remove it); one that is not given stays.
struct ButtonImages {
  std::optional<gfx::ByteSpan> normal, hover, pressed, disabled;
  int layout = kImageLayoutNatural;
  gfx::NineSliceMargins margins;
};

class ImageButton : public ButtonBase {
 public:
  ~ImageButton() override;

  int PaintImages(int state) override;
  // OffsetContent stays the base's: no shift.
  LRESULT PreMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  virtual void SetImages(const ButtonImages& images);
  virtual std::vector<unsigned char> NormalImage(std::optional<gfx::ByteSpan> value = std::nullopt);
  virtual std::vector<unsigned char> HoverImage(std::optional<gfx::ByteSpan> value = std::nullopt);
  virtual std::vector<unsigned char> PressedImage(std::optional<gfx::ByteSpan> value = std::nullopt);
  virtual std::vector<unsigned char> DisabledImage(std::optional<gfx::ByteSpan> value = std::nullopt);
  virtual int ImageLayout(std::optional<int> value = std::nullopt);
  virtual gfx::NineSliceMargins ImageMargins(std::optional<gfx::NineSliceMargins> value = std::nullopt);
  // An empty hook that nothing calls; a class may override it to no effect.
  virtual void UnusedImageHook();

 private:
  // One state image: its bytes and, once drawn, the decoded bitmap (UI thread only).
  struct Slot {
    std::vector<unsigned char> bytes;
    gfx::Image image;
    bool decoded = false;
  };
  std::vector<unsigned char> ImageAt(ButtonImage which, const std::optional<gfx::ByteSpan>& value);
  void Store(Slot& slot, gfx::ByteSpan bytes);
  Gdiplus::GpImage* Decoded(Slot& slot);

  std::array<Slot, 4> images_;
  int layout_ = kImageLayoutNatural;
  gfx::NineSliceMargins margins_;
};
