#include "ui/gfx/MenuShapes.h"

#include <algorithm>

namespace gfx {

PathPtr rounded_rect_path(const RectF& rect, REAL radius) {
  PathPtr path;
  if (!(rect.Width > 0) || !(rect.Height > 0)) return path;
  if (gdip::GdipCreatePath(Gdiplus::FillModeAlternate, path.put()) != Gdiplus::Ok) return PathPtr();
  const REAL diameter = std::min({radius * 2, rect.Width, rect.Height});
  if (diameter <= 0) {
    gdip::GdipAddPathRectangle(path.get(), rect.X, rect.Y, rect.Width, rect.Height);
    return path;
  }
  const REAL right = rect.X + rect.Width - diameter, bottom = rect.Y + rect.Height - diameter;
  gdip::GdipAddPathArc(path.get(), rect.X, rect.Y, diameter, diameter, 180, 90);
  gdip::GdipAddPathArc(path.get(), right, rect.Y, diameter, diameter, 270, 90);
  gdip::GdipAddPathArc(path.get(), right, bottom, diameter, diameter, 0, 90);
  gdip::GdipAddPathArc(path.get(), rect.X, bottom, diameter, diameter, 90, 90);
  gdip::GdipClosePathFigure(path.get());
  return path;
}

void draw_rounded_rect(GpGraphics* graphics, const RectF& rect, REAL radius, ARGB fill, ARGB outline) {
  if (!graphics) return;
  PathPtr path = rounded_rect_path(rect, radius);
  if (!path) return;
  if (fill) {
    Gdiplus::GpSolidFill* brush = nullptr;
    if (gdip::GdipCreateSolidFill(fill, &brush) == Gdiplus::Ok) {
      BrushPtr owner(brush);
      gdip::GdipFillPath(graphics, owner.get(), path.get());
    }
  }
  if (outline) {
    PenPtr pen;
    if (gdip::GdipCreatePen1(outline, 1, Gdiplus::UnitPixel, pen.put()) == Gdiplus::Ok) {
      gdip::GdipDrawPath(graphics, pen.get(), path.get());
    }
  }
}

}  // namespace gfx
