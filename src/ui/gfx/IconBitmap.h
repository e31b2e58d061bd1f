// Icons as GDI+ bitmaps: the one conversion the toolkit draws icons with (the title-bar
// icon, a picture box made from an icon, the list view's image-list icons).
#pragma once

#include <windows.h>

#include "ui/gfx/GdiPlus.h"

namespace gfx {

// Larger icons are refused: no real icon comes near, and a damaged or hostile one would
// only cost memory.
inline constexpr int kMaxIconSide = 1024;

// A 32-bit ARGB bitmap of the icon at its own size; empty for a null or invalid handle and
// for an icon wider or taller than kMaxIconSide. When any colour pixel carries alpha the
// icon keeps its alpha as it is; otherwise (no alpha at all, or a monochrome icon) the mask
// decides: a set mask bit is a transparent pixel, every other pixel is opaque.
BitmapPtr BitmapFromIcon(HICON icon);

}  // namespace gfx
