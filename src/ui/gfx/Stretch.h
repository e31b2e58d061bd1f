// Stretching an opaque skin image once to the size it is shown at: an area average in plain
// code, an order of magnitude faster than GDI+'s interpolation here, and a window that keeps
// its size draws the stretched copy one to one from then on.
#pragma once

#include "ui/gfx/GdiPlus.h"

namespace gfx {

// Whether every pixel of the image is fully opaque (false when it cannot be read).
bool ImageIsOpaque(GpImage* image);

// A width x height copy of an opaque image, each pixel the average of the area it covers (made
// opaque); empty on failure or for an empty size.
BitmapPtr StretchedCopy(GpImage* image, int width, int height);

// Draws the image into the rectangle: a same-size copy one to one, without interpolation.
bool DrawImageUnscaled(GpGraphics* graphics, GpImage* image, const RectF& destination);

}  // namespace gfx
