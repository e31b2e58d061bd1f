// The code-page conversions of the platform, in one place: the Windows build uses the system's
// converters, a native build (fuzzing) the C library's iconv for GBK and UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace web {

// Bytes in the code page to UTF-16 units, every byte converted (zero bytes included); invalid
// bytes become a replacement character. Empty when the code page is not available.
std::wstring DecodeCodePage(std::string_view bytes, unsigned codePage);

// UTF-16 units to bytes in the code page, every unit converted; characters the code page cannot
// hold become its default character. Empty when the code page is not available.
std::string EncodeCodePage(std::wstring_view units, unsigned codePage);

}  // namespace web
