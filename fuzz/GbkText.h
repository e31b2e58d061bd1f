// What the targets take as a valid GBK text: ASCII without zero bytes, the single byte 80 (the
// euro sign) and double-byte characters whose conversion needs no replacement character.
#pragma once

#include <string>
#include <string_view>

#include "web/Encoding.h"

namespace fuzz {

inline bool IsWellFormedGbk(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead == 0) return false;
    if (lead < 0x81) continue;
    if (lead == 0xFF || i + 1 >= text.size()) return false;
    const auto trail = static_cast<unsigned char>(text[++i]);
    if (trail < 0x40 || trail == 0x7F || trail == 0xFF) return false;
  }
  return true;
}

inline bool IsValidGbk(std::string_view text) {
  return IsWellFormedGbk(text) && web::ToUtf16(text, web::kCodePageGbk).find(L'\xfffd') == std::wstring::npos;
}

// Whether the bytes are well-formed UTF-8 (shortest forms, no surrogates).
inline bool IsValidUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    size_t length = b < 0x80 ? 1 : b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
    if (length == 0 || i + length > text.size()) return false;
    unsigned code = length == 1 ? b : b & (0xFF >> (length + 1));
    for (size_t k = 1; k < length; ++k) {
      const auto c = static_cast<unsigned char>(text[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      code = code << 6 | (c & 0x3F);
    }
    static constexpr unsigned kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kShortest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

}  // namespace fuzz
