// Shared GDI+ shapes of the skin.
#pragma once

#include "ui/gfx/GdiPlus.h"

namespace gfx {

// A closed rectangle with round corners (radius clamped to half the shorter side; a plain
// rectangle at radius 0). Empty (null) when GDI+ refused; an empty path for an empty rectangle.
PathPtr rounded_rect_path(const RectF& rect, float radius);

}  // namespace gfx
