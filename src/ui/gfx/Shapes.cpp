#include "ui/gfx/Shapes.h"

#include <algorithm>

namespace gfx {

PathPtr RoundedRectPath(const RectF& r, float radius) {
  PathPtr path;
  if (gdip::GdipCreatePath(Gdiplus::FillModeAlternate, path.Put()) != Gdiplus::Ok) return {};
  if (r.Width <= 0 || r.Height <= 0) return path;
  radius = std::min(radius, std::min(r.Width, r.Height) / 2);
  if (radius <= 0) {
    gdip::GdipAddPathRectangle(path.Get(), r.X, r.Y, r.Width, r.Height);
    return path;
  }
  const float d = radius * 2;
  gdip::GdipAddPathArc(path.Get(), r.X, r.Y, d, d, 180, 90);
  gdip::GdipAddPathArc(path.Get(), r.X + r.Width - d, r.Y, d, d, 270, 90);
  gdip::GdipAddPathArc(path.Get(), r.X + r.Width - d, r.Y + r.Height - d, d, d, 0, 90);
  gdip::GdipAddPathArc(path.Get(), r.X, r.Y + r.Height - d, d, d, 90, 90);
  gdip::GdipClosePathFigure(path.Get());
  return path;
}

void FillVerticalGradient(GpGraphics* graphics, GpPath* path, const RectF& rect, ARGB top, ARGB bottom) {
  if (!graphics || !path || rect.Height <= 0 || rect.Width <= 0) return;
  // The brush spans one pixel more than the rectangle so the last row gets the bottom colour.
  const Gdiplus::RectF span(rect.X, rect.Y - 1, rect.Width, rect.Height + 2);
  Gdiplus::GpLineGradient* gradient = nullptr;
  if (gdip::GdipCreateLineBrushFromRect(&span, top, bottom, Gdiplus::LinearGradientModeVertical,
                                        Gdiplus::WrapModeTileFlipXY, &gradient) != Gdiplus::Ok) {
    return;
  }
  BrushPtr brush(gradient);
  gdip::GdipFillPath(graphics, brush.Get(), path);
}

void FillPath(GpGraphics* graphics, GpPath* path, ARGB colour) {
  if (!graphics || !path) return;
  BrushPtr brush;
  if (gdip::GdipCreateSolidFill(colour, reinterpret_cast<Gdiplus::GpSolidFill**>(brush.Put())) != Gdiplus::Ok) return;
  gdip::GdipFillPath(graphics, brush.Get(), path);
}

void OutlinePath(GpGraphics* graphics, GpPath* path, ARGB colour, bool dashed, REAL width) {
  if (!graphics || !path) return;
  PenPtr pen;
  if (gdip::GdipCreatePen1(colour, width, Gdiplus::UnitPixel, pen.Put()) != Gdiplus::Ok) return;
  if (dashed) gdip::GdipSetPenDashStyle(pen.Get(), Gdiplus::DashStyleDot);
  gdip::GdipDrawPath(graphics, pen.Get(), path);
}

void DrawLine(GpGraphics* graphics, ARGB colour, REAL x1, REAL y1, REAL x2, REAL y2) {
  if (!graphics) return;
  PenPtr pen;
  if (gdip::GdipCreatePen1(colour, 1, Gdiplus::UnitPixel, pen.Put()) != Gdiplus::Ok) return;
  gdip::GdipDrawLine(graphics, pen.Get(), x1, y1, x2, y2);
}

void DrawRoundedRect(GpGraphics* graphics, const RectF& rect, REAL radius, ARGB fill, ARGB outline,
                     REAL outlineWidth) {
  if (!graphics) return;
  PathPtr path = RoundedRectPath(rect, radius);
  if (fill) FillPath(graphics, path.Get(), fill);
  if (outline) OutlinePath(graphics, path.Get(), outline, false, outlineWidth);
}

}  // namespace gfx
