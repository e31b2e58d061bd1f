#include "ui/gfx/Text.h"

#include <climits>

namespace gfx {

std::wstring widen_text(std::string_view text, UINT codePage) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const int length = static_cast<int>(text.size());
  const int needed = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
  if (needed <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(needed), L'\0');
  const int written = MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), needed);
  wide.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
  return wide;
}

std::string narrow_text(std::wstring_view text, UINT codePage) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const int length = static_cast<int>(text.size());
  const int needed = WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return {};
  std::string narrow(static_cast<std::size_t>(needed), '\0');
  const int written = WideCharToMultiByte(codePage, 0, text.data(), length, narrow.data(), needed, nullptr, nullptr);
  narrow.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
  return narrow;
}

namespace {

// The GBK bytes of one character (one UTF-16 unit or a surrogate pair); false when GBK has no
// such character (no best-fit look-alike is taken either).
bool NarrowCharacter(std::wstring_view character, std::string& out) {
  char bytes[8];
  BOOL usedDefault = FALSE;
  const int written = WideCharToMultiByte(kTextCodePage, WC_NO_BEST_FIT_CHARS, character.data(),
                                          static_cast<int>(character.size()), bytes, sizeof bytes, nullptr, &usedDefault);
  if (written <= 0 || usedDefault) return false;
  out.append(bytes, static_cast<std::size_t>(written));
  return true;
}

bool IsHighSurrogate(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(wchar_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

std::string NarrowInputText(std::wstring_view text) {
  if (text.empty() || text.size() > INT_MAX / 2) return {};
  // Almost always every character is in GBK: one call does it all.
  BOOL usedDefault = FALSE;
  const int length = static_cast<int>(text.size());
  std::string whole(text.size() * 2, '\0');
  const int written = WideCharToMultiByte(kTextCodePage, WC_NO_BEST_FIT_CHARS, text.data(), length, whole.data(),
                                          static_cast<int>(whole.size()), nullptr, &usedDefault);
  if (written > 0 && !usedDefault) {
    whole.resize(static_cast<std::size_t>(written));
    return whole;
  }
  std::string kept;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t units = IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]) ? 2 : 1;
    NarrowCharacter(text.substr(i, units), kept);
    i += units;
  }
  return kept;
}

bool measure_text(GpGraphics* graphics, const std::wstring& text, GpFont* font, const RectF& layout,
                  GpStringFormat* format, RectF* bounds) {
  if (!graphics || !font || !bounds) return false;
  return gdip::GdipMeasureString(graphics, text.c_str(), -1, font, &layout, format, bounds, nullptr, nullptr) ==
         Gdiplus::Ok;
}

}  // namespace gfx
