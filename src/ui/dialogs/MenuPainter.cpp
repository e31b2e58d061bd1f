#include "ui/dialogs/MenuPainter.h"

#include "ui/core/Colour.h"
#include "ui/dialogs/MenuSession.h"
#include "ui/gfx/Shapes.h"

void PaintMenuSurface(Gdiplus::GpGraphics* graphics, int width, int height, int columnColour) {
  if (!graphics || width <= 0 || height <= 0) return;
  using gfx::RectF;
  const float w = static_cast<float>(width), h = static_cast<float>(height);
  gfx::gdip::GdipResetClip(graphics);
  gfx::gdip::GdipGraphicsClear(graphics, 0x00FFFFFF);

  gfx::DrawRoundedRect(graphics, RectF(6, 6, w - 12, h - 12), 4, 0xEAFFFFFF, 0);
  // The shadow: one-pixel rings fading outwards from the body's edge.
  constexpr Gdiplus::ARGB kShadow[] = {125, 35, 15, 5};
  for (int ring = 0; ring < 4; ++ring) {
    const float inset = 5.5f - static_cast<float>(ring);
    gfx::DrawRoundedRect(graphics, RectF(inset, inset, w - 2 * inset, h - 2 * inset), 4.0f + static_cast<float>(ring),
                           0, kShadow[ring] << 24);
  }

  const int colour = columnColour < 0 ? kMenuFallbackColour : columnColour;
  gfx::DrawRoundedRect(graphics, RectF(8, 8, 24, h - 16), 3, ToArgb(colour, 102), ToArgb(colour, 51));
}

void BuiltinMenuPainter(HWND window, Gdiplus::GpGraphics* graphics, int width, int height) {
  const MenuSession* session = MenuSessionOf(window);
  PaintMenuSurface(graphics, width, height, session ? session->columnColour : -1);
}
