// Intersection and union of float rectangles. The RectF::Intersect and RectF::Union of
// mingw-w64's GDI+ headers keep their edges in ints, so a rectangle with an edge inside a pixel
// (every repaint area at a display scale that is not a whole number) loses up to a pixel: the
// toolkit uses these instead.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>

namespace gfx {

// The common part of a and b in out (0 wide or high when none); true when it is not empty.
inline bool IntersectRects(Gdiplus::RectF& out, const Gdiplus::RectF& a, const Gdiplus::RectF& b) {
  const float left = std::max(a.X, b.X), top = std::max(a.Y, b.Y);
  const float right = std::min(a.X + a.Width, b.X + b.Width), bottom = std::min(a.Y + a.Height, b.Y + b.Height);
  out = Gdiplus::RectF(left, top, std::max(right - left, 0.0f), std::max(bottom - top, 0.0f));
  return right > left && bottom > top;
}

// The smallest rectangle holding a and b.
inline Gdiplus::RectF UnionRects(const Gdiplus::RectF& a, const Gdiplus::RectF& b) {
  const float left = std::min(a.X, b.X), top = std::min(a.Y, b.Y);
  return Gdiplus::RectF(left, top, std::max(a.X + a.Width, b.X + b.Width) - left,
                        std::max(a.Y + a.Height, b.Y + b.Height) - top);
}

}  // namespace gfx
