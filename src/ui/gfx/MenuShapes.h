// Shapes the pop-up menus draw with: a rounded-rectangle path. Kept in gfx so other
// painters can share it instead of writing their own.
#pragma once

#include "ui/gfx/GdiPlus.h"

namespace gfx {

// A closed rounded-rectangle path (a plain rectangle when the radius is 0 or less); empty when
// GDI+ refused or the rectangle has no area.
PathPtr rounded_rect_path(const RectF& rect, REAL radius);

// Fills and/or outlines a rounded rectangle; a colour of 0 skips that part.
void draw_rounded_rect(GpGraphics* graphics, const RectF& rect, REAL radius, ARGB fill, ARGB outline);

}  // namespace gfx
