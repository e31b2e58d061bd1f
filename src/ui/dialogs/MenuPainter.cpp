#include "ui/dialogs/MenuPainter.h"

#include <algorithm>
#include <cmath>

#include "ui/core/Colour.h"
#include "ui/dialogs/MenuSession.h"
#include "ui/gfx/Shapes.h"

void PaintMenuSurface(Gdiplus::GpGraphics* graphics, int width, int height, int columnColour) {
  if (!graphics || width <= 0 || height <= 0) return;
  using gfx::RectF;
  const float w = static_cast<float>(width), h = static_cast<float>(height);
  gfx::gdip::GdipResetClip(graphics);
  gfx::gdip::GdipGraphicsClear(graphics, 0x00FFFFFF);

  // Drawn in device pixels, so that at any display scale each ring of the border is one solid
  // line of whole pixels (a scaled one-pixel ring at a half-pixel inset splits into two faint ones).
  const int colour = columnColour < 0 ? kMenuFallbackColour : columnColour;
  const gfx::DeviceSpace device(graphics);
  const float scale = device.Scale();
  const float line = std::max(1.0f, std::round(scale));
  const auto deviceRect = [&](float left, float top, float right, float bottom) {
    const float x = device.MapX(left), y = device.MapY(top);
    return RectF(x, y, device.MapX(right) - x, device.MapY(bottom) - y);
  };
  const RectF body = deviceRect(6, 6, w - 6, h - 6);
  gfx::DrawRoundedRect(graphics, body, 4 * scale, 0xEAFFFFFF, 0);
  // The shadow: rings one line wide fading outwards from the body's edge.
  constexpr Gdiplus::ARGB kShadow[] = {125, 35, 15, 5};
  for (int ring = 0; ring < 4; ++ring) {
    const float out = line * static_cast<float>(ring) + line / 2;
    const RectF rect(body.X - out, body.Y - out, body.Width + 2 * out, body.Height + 2 * out);
    gfx::DrawRoundedRect(graphics, rect, (4.0f + static_cast<float>(ring)) * scale, 0, kShadow[ring] << 24, line);
  }
  gfx::DrawRoundedRect(graphics, deviceRect(8, 8, 32, h - 8), 3 * scale, ToArgb(colour, 102), ToArgb(colour, 51),
                       line);
}

void BuiltinMenuPainter(HWND window, Gdiplus::GpGraphics* graphics, int width, int height) {
  const MenuSession* session = MenuSessionOf(window);
  PaintMenuSurface(graphics, width, height, session ? session->columnColour : -1);
}
