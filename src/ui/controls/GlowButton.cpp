#include "ui/controls/GlowButton.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "resources/Resources.h"
#include "ui/gfx/Pixels.h"
#include "ui/gfx/Shapes.h"

using Gdiplus::RectF;
namespace gdip = gfx::gdip;

namespace {

constexpr float kPieceWidth = 13;
constexpr float kPieceHeight = 28;
constexpr gfx::NineSliceMargins kSkinMargins{5, 5, 3, 15};
constexpr float kSpotRadius = 18;

// Shared by every glow button and kept for the process; touched on the UI thread only.
gfx::Image& GlowSkin() {
  static auto* skin = new gfx::Image;
  return *skin;
}

// The skin drawn whole at a size in a state, shared by the glow buttons that show it (tabs of
// one width); each entry lives as long as one of them holds it.
struct SharedSkinLook {
  int state;
  SIZE pixels;
  std::weak_ptr<const gfx::BitmapPtr> look;
};

std::vector<SharedSkinLook>& SkinLooks() {
  static auto* looks = new std::vector<SharedSkinLook>;
  return *looks;
}

// The skin's nine-slice look of a state at a size: drawn once while any button shows it.
std::shared_ptr<const gfx::BitmapPtr> SkinLook(int state, SIZE pixels, const RectF& bounds) {
  std::vector<SharedSkinLook>& looks = SkinLooks();
  std::erase_if(looks, [](const SharedSkinLook& entry) { return entry.look.expired(); });
  for (const SharedSkinLook& entry : looks) {
    if (entry.state == state && entry.pixels.cx == pixels.cx && entry.pixels.cy == pixels.cy) {
      if (auto look = entry.look.lock()) return look;
    }
  }
  gfx::BitmapPtr look;
  gfx::GraphicsPtr graphics;
  if (gdip::GdipCreateBitmapFromScan0(pixels.cx, pixels.cy, 0, PixelFormat32bppARGB, nullptr, look.Put()) !=
          Gdiplus::Ok ||
      gdip::GdipGetImageGraphicsContext(look.Get(), graphics.Put()) != Gdiplus::Ok) {
    return {};
  }
  gdip::GdipSetSmoothingMode(graphics.Get(), Gdiplus::SmoothingModeAntiAlias);
  const RectF piece(GlowSkinPiece(state), 0, kPieceWidth, kPieceHeight);
  gfx::DrawImageNineSlice(graphics.Get(), GlowSkin().Get(), RectF(0, 0, bounds.Width, bounds.Height), kSkinMargins,
                          &piece);
  graphics.Reset();
  auto shared = std::make_shared<const gfx::BitmapPtr>(std::move(look));
  looks.push_back(SharedSkinLook{state, pixels, shared});
  return shared;
}

}  // namespace

GlowSpot NextGlowSpot(GlowSpot spot, float width, float height) {
  const float right = std::max(0.0f, width - 2);
  const float bottom = std::max(0.0f, height - 4);
  switch (spot.direction) {
    case 2:
      spot.y = std::min(spot.y + kGlowStep, bottom);
      if (spot.y >= bottom) spot.direction = 3;
      break;
    case 3:
      spot.x = std::max(spot.x - kGlowStep, 0.0f);
      if (spot.x <= 0) spot.direction = 4;
      break;
    case 4:
      spot.y = std::max(spot.y - kGlowStep, 0.0f);
      if (spot.y <= 0) spot.direction = 1;
      break;
    default:
      spot.direction = 1;
      spot.x = std::min(spot.x + kGlowStep, right);
      if (spot.x >= right) spot.direction = 2;
      break;
  }
  return spot;
}

float GlowSkinPiece(int state) {
  switch (state) {
    case kButtonNormal:
      return 0;
    case kButtonHover:
    case kButtonFocused:
      return 14;
    case kButtonPressed:
      return 28;
    default:
      return 42;  // disabled
  }
}

GlowButton::~GlowButton() {
  if (IsLive()) Destroy();
}

void GlowButton::StartTimer() {
  if (GetHostWindow()) SetTimer(GetHostWindow(), GlowTimerId(), kGlowIntervalMs, nullptr);
}

void GlowButton::StopTimer() {
  if (GetHostWindow()) KillTimer(GetHostWindow(), GlowTimerId());
}

void GlowButton::StepGlow() {
  const RectF& bounds = BoundsRef();
  glow_ = NextGlowSpot(glow_, bounds.Width, bounds.Height);
}

int GlowButton::PaintImages(int state) {
  Gdiplus::GpGraphics* graphics = Graphics();
  if (!graphics) return 1;
  const RectF& bounds = BoundsRef();
  if (GlowSkin() && !DrawCachedSkin(state)) {
    const RectF piece(GlowSkinPiece(state), 0, kPieceWidth, kPieceHeight);
    gfx::DrawImageNineSlice(graphics, GlowSkin().Get(), RectF(0, 0, bounds.Width, bounds.Height), kSkinMargins,
                               &piece);
  }
  if (glowRunning_) DrawSpot(graphics);
  return 1;
}

bool GlowButton::DrawCachedSkin(int state) {
  if (HostDpi() != ui::kBaseDpi || !Surface()) return false;
  const RectF& bounds = BoundsRef();
  const SIZE pixels = ui::SurfaceSize(bounds, ui::kBaseDpi);
  if (!skinLook_ || state != skinLookState_ || pixels.cx != skinLookPixels_.cx || pixels.cy != skinLookPixels_.cy) {
    skinLook_.reset();
    skinLook_ = SkinLook(state, pixels, bounds);
    if (!skinLook_) return false;
    skinLookState_ = state;
    skinLookPixels_ = pixels;
  }
  gfx::BitmapPixels target(Surface(), Graphics()), look(skinLook_->Get());
  if (!target.Area() || !look.Area()) return false;
  gfx::DrawPixels(target.Area(), look.Area(), 0, 0, gfx::PixelOp::Over);
  return true;
}

void GlowButton::DrawSpot(Gdiplus::GpGraphics* graphics) {
  const RectF& bounds = BoundsRef();
  // The spot shows only on the one-pixel border: the ring between the button's rounded shape
  // and the same shape one pixel in.
  gfx::PathPtr outer = gfx::RoundedRectPath(RectF(0, 0, bounds.Width, bounds.Height - 1), 5);
  gfx::PathPtr inner = gfx::RoundedRectPath(RectF(1, 1, bounds.Width - 2, bounds.Height - 3), 5);
  gfx::RegionPtr ring;
  if (!outer || !inner || gdip::GdipCreateRegionPath(outer.Get(), ring.Put()) != Gdiplus::Ok) return;
  gdip::GdipCombineRegionPath(ring.Get(), inner.Get(), Gdiplus::CombineModeExclude);
  gdip::GdipSetClipRegion(graphics, ring.Get(), Gdiplus::CombineModeIntersect);

  gfx::PathPtr ellipse;
  if (gdip::GdipCreatePath(Gdiplus::FillModeAlternate, ellipse.Put()) == Gdiplus::Ok) {
    gdip::GdipAddPathEllipse(ellipse.Get(), glow_.x - kSpotRadius, glow_.y - kSpotRadius, 2 * kSpotRadius,
                             2 * kSpotRadius);
    Gdiplus::GpPathGradient* gradient = nullptr;
    if (gdip::GdipCreatePathGradientFromPath(ellipse.Get(), &gradient) == Gdiplus::Ok) {
      gfx::BrushPtr brush(gradient);
      gdip::GdipSetPathGradientCenterColor(gradient, 0xFFFFFFFF);
      Gdiplus::ARGB edge = 0x32FFFFFF;
      INT count = 1;
      gdip::GdipSetPathGradientSurroundColorsWithCount(gradient, &edge, &count);
      gdip::GdipFillPath(graphics, brush.Get(), ellipse.Get());
    }
  }
  gdip::GdipSetClipRect(graphics, 0, 0, bounds.Width, bounds.Height, Gdiplus::CombineModeReplace);
}

void GlowButton::OffsetContent(int placement, RectF& caption, RectF& icon) {
  float dx = 0, dy = 0;
  if (placement == 0) {
    dx = -2;
    dy = -2;
  } else if (placement == 4) {
    dx = 4;
    dy = -2;
  } else if (placement == 2 || placement == 6) {
    dy = -2;
  }
  caption.X += dx;
  caption.Y += dy;
  icon.X += dx;
  icon.Y += dy;
}

LRESULT GlowButton::PreMessage(UINT message, WPARAM, LPARAM) {
  switch (message) {
    case WM_CREATE:
      if (!GlowSkin()) GlowSkin() = gfx::load_image(resources::GlowButtonSkin());
      type_ = kGlowButtonType;
      glow_ = kGlowStart;
      glowRunning_ = false;
      break;
    case TKM_SET_FOCUS:
      glowRunning_ = true;
      glow_ = kGlowStart;
      StartTimer();
      break;  // the shared handling paints the focused look
    case TKM_KILL_FOCUS:
      glowRunning_ = false;
      StopTimer();
      break;  // the shared handling fades back to the normal look
    case WM_TIMER:
      if (!glowRunning_) {
        StopTimer();
        return 0;
      }
      StepGlow();
      Repaint();
      return 0;
    case TKM_TRANSITION_START:
      StopTimer();
      break;
    case TKM_TRANSITION_END:
      if (glowRunning_) StartTimer();
      break;
    case TKM_DRAW_TRANSITION:
      // While the glow runs its frame is the surface itself (spot and all): the host composes
      // it as it is instead of cross-fading the spot away.
      if (glowRunning_) return 1;
      break;
    case WM_DESTROY:
      StopTimer();
      glowRunning_ = false;
      break;
    default:
      break;
  }
  return -1;
}
