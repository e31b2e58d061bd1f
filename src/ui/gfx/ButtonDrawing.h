// Shapes the button looks are built from: rounded-rectangle paths, vertical gradients and
// one-pixel lines, in GDI+ pixel units. Plain helpers on a graphics the caller owns.
#pragma once

#include "ui/gfx/GdiPlus.h"

namespace gfx {

// A closed rounded-rectangle path (radius 0: a plain rectangle); the radius shrinks to fit
// small rectangles. Empty owner when GDI+ refused.
PathPtr rounded_rect_path(const RectF& rect, REAL radius);

// Fills the path with a vertical linear gradient from top to bottom colour over rect's height.
void fill_vertical_gradient(GpGraphics* graphics, GpPath* path, const RectF& rect, ARGB top, ARGB bottom);

// Fills or outlines a path with one colour (outlines are one pixel wide).
void fill_path(GpGraphics* graphics, GpPath* path, ARGB colour);
void outline_path(GpGraphics* graphics, GpPath* path, ARGB colour, bool dashed = false);

// A one-pixel line between two points.
void draw_line(GpGraphics* graphics, ARGB colour, REAL x1, REAL y1, REAL x2, REAL y2);

}  // namespace gfx
