#include "ui/gfx/Fonts.h"

#include <array>
#include <cstddef>
#include <vector>

#include "ui/gfx/GdiHandles.h"
#include "ui/gfx/Text.h"

namespace gfx {

namespace {

// Owned by the toolkit for the program's life (never destroyed at exit).
FontPtr& DefaultFontSlot() {
  static FontPtr* font = new FontPtr;
  return *font;
}

FontFamilyPtr FamilyFromWideName(const std::wstring& name) {
  FontFamilyPtr family;
  if (name.empty() || gdip::GdipCreateFontFamilyFromName(name.c_str(), nullptr, family.Put()) != Gdiplus::Ok) {
    family.Reset();
  }
  return family;
}

FontPtr PixelFont(GpFontFamily* family, REAL size, INT style) {
  FontPtr font;
  if (!family ||
      gdip::GdipCreateFont(family, size, style, Gdiplus::UnitPixel, font.Put()) != Gdiplus::Ok) {
    font.Reset();
  }
  return font;
}

// Whether GDI has real glyphs (no substitutes) in that face for a few common Chinese characters.
bool FaceDrawsChinese(const wchar_t* face) {
  if (!face[0] || face[0] == L'@') return false;  // vertical variants
  LOGFONTW logFont = {};
  logFont.lfHeight = -12;
  logFont.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(logFont.lfFaceName, face, LF_FACESIZE);
  HfontPtr font(CreateFontIndirectW(&logFont));
  if (!font) return false;
  MemoryDcPtr dc(CreateCompatibleDC(nullptr));
  if (!dc) return false;
  ScopedSelect selected(dc.Get(), font.Get());
  wchar_t selectedFace[LF_FACESIZE] = {};
  GetTextFaceW(dc.Get(), LF_FACESIZE, selectedFace);
  static const wchar_t kSample[] = L"\u4e2d\u6587\u5b8b\u4f53\u641c\u7d22";  // 中文宋体搜索
  WORD glyphs[std::size(kSample) - 1] = {};
  const int count = static_cast<int>(std::size(kSample) - 1);
  if (lstrcmpiW(selectedFace, face) != 0 ||
      GetGlyphIndicesW(dc.Get(), kSample, count, glyphs, GGI_MARK_NONEXISTING_GLYPHS) != static_cast<DWORD>(count)) {
    return false;
  }
  bool draws = true;
  for (WORD glyph : glyphs) draws = draws && glyph != 0xFFFF && glyph != 0;
  return draws;
}

std::vector<std::wstring> InstalledFamilyNames() {
  std::vector<std::wstring> names;
  GpFontCollection* installed = nullptr;  // owned by GDI+
  INT count = 0;
  if (gdip::GdipNewInstalledFontCollection(&installed) != Gdiplus::Ok || !installed ||
      gdip::GdipGetFontCollectionFamilyCount(installed, &count) != Gdiplus::Ok || count <= 0) {
    return names;
  }
  std::vector<GpFontFamily*> families(static_cast<std::size_t>(count), nullptr);  // owned by the collection
  INT found = 0;
  if (gdip::GdipGetFontCollectionFamilyList(installed, count, families.data(), &found) != Gdiplus::Ok) return names;
  for (INT i = 0; i < found && i < count; ++i) {
    wchar_t name[LF_FACESIZE] = {};
    if (families[i] && gdip::GdipGetFamilyName(families[i], name, LANG_NEUTRAL) == Gdiplus::Ok && name[0]) {
      names.emplace_back(name);
    }
  }
  return names;
}

}  // namespace

GpFont* default_font() { return DefaultFontSlot().Get(); }

bool FontFamilyExists(std::string_view face) { return static_cast<bool>(FamilyFromWideName(widen_text(face))); }

std::wstring FindChineseFontFamily() {
  for (const std::wstring& name : InstalledFamilyNames()) {
    if (FaceDrawsChinese(name.c_str())) return name;
  }
  return {};
}

GpFont* EnsureDefaultFont() {
  FontPtr& slot = DefaultFontSlot();
  if (slot) return slot.Get();
  const std::array<std::wstring, 2> faces = {widen_text(kSongTi), widen_text(system_ui_font_face(SystemFont::Caption))};
  for (const std::wstring& face : faces) {
    if (FontFamilyPtr family = FamilyFromWideName(face)) {
      slot = PixelFont(family.Get(), kDefaultFontSize, Gdiplus::FontStyleRegular);
      if (slot) return slot.Get();
    }
  }
  // Neither face exists (a system without Chinese fonts under those names): take a family
  // that can draw Chinese, else any family, rather than leave the default font unset.
  if (FontFamilyPtr family = FamilyFromWideName(FindChineseFontFamily())) {
    slot = PixelFont(family.Get(), kDefaultFontSize, Gdiplus::FontStyleRegular);
    if (slot) return slot.Get();
  }
  for (const std::wstring& name : InstalledFamilyNames()) {
    if (FontFamilyPtr family = FamilyFromWideName(name)) {
      slot = PixelFont(family.Get(), kDefaultFontSize, Gdiplus::FontStyleRegular);
      if (slot) return slot.Get();
    }
  }
  return nullptr;
}

std::string ChooseSystemFace(bool metricsRead, std::string_view face, bool (*fontUsable)(const std::string& face)) {
  if (!metricsRead) return kSongTi;
  std::string chosen(face);
  if (chosen == "Tahoma") chosen = kSongTi;
  if (!fontUsable || !fontUsable(chosen)) return kSongTi;
  return chosen;
}

std::string system_ui_font_face(SystemFont which) {
  // The layout without the padded border width, which every Windows version accepts. Read
  // wide: the "A" form gives the face in the system's code page, not in GBK.
  constexpr UINT kMetricsSize = offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = kMetricsSize;
  const bool read = SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, kMetricsSize, &metrics, 0) != FALSE;
  const LOGFONTW& font = which == SystemFont::Menu      ? metrics.lfMenuFont
                         : which == SystemFont::Message ? metrics.lfMessageFont
                                                        : metrics.lfCaptionFont;
  const std::string face = narrow_text(std::wstring_view(font.lfFaceName, wcsnlen(font.lfFaceName, LF_FACESIZE)));
  return ChooseSystemFace(read, face, [](const std::string& candidate) {
    return static_cast<bool>(create_font(candidate, kDefaultFontSize, Gdiplus::FontStyleRegular));
  });
}

FontPtr create_font(std::string_view face, REAL size, INT style) {
  FontFamilyPtr family = FamilyFromWideName(widen_text(face));
  if (!family) {
    // The face is missing: use the default font's family at the requested size and style.
    GpFont* fallback = default_font();
    FontFamilyPtr fallbackFamily;
    if (!fallback || gdip::GdipGetFamily(fallback, fallbackFamily.Put()) != Gdiplus::Ok || !fallbackFamily) {
      return {};
    }
    wchar_t name[LF_FACESIZE] = {};
    if (gdip::GdipGetFamilyName(fallbackFamily.Get(), name, LANG_NEUTRAL) != Gdiplus::Ok) return {};
    family = FamilyFromWideName(name);
  }
  return PixelFont(family.Get(), size, style);
}

}  // namespace gfx
