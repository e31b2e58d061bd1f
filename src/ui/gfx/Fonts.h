// Fonts of the toolkit. Every control that is not given a font uses the default font
// (12-pixel regular); create_font makes pixel-sized GDI+ fonts and falls back to the
// default font's family for faces the system lacks.
#pragma once

#include <string>
#include <string_view>

#include "ui/gfx/GdiPlus.h"

namespace gfx {

inline constexpr REAL kDefaultFontSize = 12;
// "宋体" in GBK.
inline constexpr char kSongTi[] = "\xcb\xce\xcc\xe5";

// Which system UI font system_ui_font_face reads.
enum class SystemFont { Menu = 1, Caption = 2, Message = 3 };

// The default font (owned by the toolkit); never null once the toolkit has started on a
// system with any installed font family.
GpFont* default_font();

// Creates the default font if there is none yet: "宋体", then the system caption face,
// then any installed family that can draw Chinese, then any installed family.
GpFont* EnsureDefaultFont();

// Face name (GBK) of the menu, caption or message font; "宋体" on failure, for "Tahoma",
// and when no font can be made of it.
std::string system_ui_font_face(SystemFont which = SystemFont::Caption);

// The face rule of system_ui_font_face, with the font test handed in.
std::string ChooseSystemFace(bool metricsRead, std::string_view face, bool (*fontUsable)(const std::string& face));

// A GDI+ font in pixel units; the default font's family stands in for a missing face.
// Null only when no family at all can be had.
FontPtr create_font(std::string_view face, REAL size, INT style = 0);

// Whether GDI+ knows a family of that (GBK) name.
bool FontFamilyExists(std::string_view face);

// Name (UTF-16) of the first installed family that has glyphs for Chinese text; empty if none.
std::wstring FindChineseFontFamily();

}  // namespace gfx
