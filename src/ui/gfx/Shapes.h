// Shared GDI+ shapes of the skin: rounded-rectangle paths, vertical gradients and one-pixel
// lines and outlines, in pixel units, on a graphics the caller owns.
#pragma once

#include "ui/gfx/GdiPlus.h"

namespace gfx {

// A closed rectangle with round corners (radius clamped to half the shorter side; a plain
// rectangle at radius 0). Empty (null) when GDI+ refused; an empty path for an empty rectangle.
PathPtr RoundedRectPath(const RectF& rect, float radius);

// Fills the path with a vertical linear gradient from top to bottom colour over rect's height.
void FillVerticalGradient(GpGraphics* graphics, GpPath* path, const RectF& rect, ARGB top, ARGB bottom);

// Fills or outlines a path with one colour (outlines are one pixel wide unless told).
void FillPath(GpGraphics* graphics, GpPath* path, ARGB colour);
void OutlinePath(GpGraphics* graphics, GpPath* path, ARGB colour, bool dashed = false, REAL width = 1);

// A one-pixel line between two points.
void DrawLine(GpGraphics* graphics, ARGB colour, REAL x1, REAL y1, REAL x2, REAL y2);

// Fills and/or outlines a rounded rectangle; a colour of 0 skips that part.
void DrawRoundedRect(GpGraphics* graphics, const RectF& rect, REAL radius, ARGB fill, ARGB outline,
                     REAL outlineWidth = 1);

}  // namespace gfx
