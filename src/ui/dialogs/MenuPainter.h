// The built-in look of a menu window: a translucent white rounded body with a soft shadow and
// a tinted icon column down its left side.
#pragma once

#include <windows.h>

#include "ui/gfx/GdiPlus.h"

// Paints the whole menu surface (width x height) with the icon column in a Windows RGB colour.
void PaintMenuSurface(Gdiplus::GpGraphics* graphics, int width, int height, int columnColour);

// The host's on_paint for menus without a painter of their own.
void BuiltinMenuPainter(HWND window, Gdiplus::GpGraphics* graphics, int width, int height);
