// Text crosses into Win32 "W" calls and GDI+ as UTF-16: every GBK text goes through widen_text
// on the way in and narrow_text on the way out. The program's texts are written in code page
// 936 (which the program's own words call the "ANSI" code page), so that is the default, not
// the system's ANSI code page: a Western or Japanese Windows shows the same texts.
#pragma once

#include <string>
#include <string_view>

#include "ui/gfx/GdiPlus.h"

namespace gfx {

// The code page of every text of the program: GBK, whatever GetACP() says.
inline constexpr UINT kTextCodePage = 936;

// UTF-16 of an 8-bit text in the given code page; empty on failure.
std::wstring widen_text(std::string_view text, UINT codePage = kTextCodePage);
// 8-bit text in the given code page; empty on failure. Characters the code page cannot hold
// become its default character.
std::string narrow_text(std::wstring_view text, UINT codePage = kTextCodePage);

// GBK text of what the user put in (typed, composed or pasted as UTF-16): every character GBK
// cannot hold is left out, as if it had not been typed.
std::string NarrowInputText(std::wstring_view text);

// Bounding box of the whole text laid out in the layout rectangle; false when GDI+ refused.
bool measure_text(GpGraphics* graphics, const std::wstring& text, GpFont* font, const RectF& layout,
                  GpStringFormat* format, RectF* bounds);

}  // namespace gfx
