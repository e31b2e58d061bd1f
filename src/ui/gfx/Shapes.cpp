#include "ui/gfx/Shapes.h"

#include <algorithm>

namespace gfx {

PathPtr rounded_rect_path(const RectF& r, float radius) {
  PathPtr path;
  if (gdip::GdipCreatePath(Gdiplus::FillModeAlternate, path.put()) != Gdiplus::Ok) return {};
  if (r.Width <= 0 || r.Height <= 0) return path;
  radius = std::min(radius, std::min(r.Width, r.Height) / 2);
  if (radius <= 0) {
    gdip::GdipAddPathRectangle(path.get(), r.X, r.Y, r.Width, r.Height);
    return path;
  }
  const float d = radius * 2;
  gdip::GdipAddPathArc(path.get(), r.X, r.Y, d, d, 180, 90);
  gdip::GdipAddPathArc(path.get(), r.X + r.Width - d, r.Y, d, d, 270, 90);
  gdip::GdipAddPathArc(path.get(), r.X + r.Width - d, r.Y + r.Height - d, d, d, 0, 90);
  gdip::GdipAddPathArc(path.get(), r.X, r.Y + r.Height - d, d, d, 90, 90);
  gdip::GdipClosePathFigure(path.get());
  return path;
}

}  // namespace gfx
