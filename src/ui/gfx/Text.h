// Text crosses into Win32 "W" calls and GDI+ as UTF-16: every ANSI (GBK) text goes through
// widen_text on the way in and narrow_text on the way out.
#pragma once

#include <string>
#include <string_view>

#include "ui/gfx/GdiPlus.h"

namespace gfx {

// UTF-16 of an 8-bit text in the given code page; empty on failure.
std::wstring widen_text(std::string_view text, UINT codePage = CP_ACP);
// 8-bit text in the given code page; empty on failure.
std::string narrow_text(std::wstring_view text, UINT codePage = CP_ACP);

// Bounding box of the whole text laid out in the layout rectangle; false when GDI+ refused.
bool measure_text(GpGraphics* graphics, const std::wstring& text, GpFont* font, const RectF& layout,
                  GpStringFormat* format, RectF* bounds);

}  // namespace gfx
