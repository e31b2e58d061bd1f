// Conversions between the program's GBK texts and what the web speaks: UTF-8, percent escapes,
// JavaScript string escapes. Failures give empty results; every text result ends at its first
// zero byte.
#pragma once

#include <string>
#include <string_view>

namespace web {

// The code page of the program's texts. Where the conversions speak of the "ANSI" code page
// they mean this one, never the system's (GetACP()): the same bytes give the same text on a
// Western or Japanese Windows as on a Chinese one.
inline constexpr unsigned kCodePageGbk = 936;
inline constexpr unsigned kCodePageUtf8 = 65001;

// UTF-16 of the text (up to its first zero byte) read in the code page; no terminator inside.
std::wstring ToUtf16(std::string_view text, unsigned codePage);

// The UTF-16 text (up to its first zero unit) in the code page, cut at the first zero byte.
std::string FromUtf16(std::wstring_view text, unsigned codePage);

std::string AnsiToUtf8(std::string_view gbkText);
std::string Utf8ToAnsi(std::string_view utf8Text);

// Code page of a charset name ("UTF-8", "GBK", "GB2312", ...), case-insensitive; 0 when unknown.
unsigned CodePageOfCharset(std::string_view name);

// Converts bytes between charsets, the text passing through GBK on the way (characters it
// cannot hold become its default character). Empty names take the defaults
// "UTF-8" and "GBK"; an unknown name gives empty bytes.
std::string ConvertCharset(std::string_view bytes, std::string_view from = "UTF-8", std::string_view to = "GBK");

// Percent-encodes every byte ("%" and two upper-case hex digits), except "-", ".", digits and
// ASCII letters when keepUnreserved; the bytes are those of the UTF-8 form when utf8First.
// A blank becomes %20.
std::string UrlEncode(std::string_view text, bool keepUnreserved, bool utf8First);

// Decodes %XX escapes (either case; a bad or missing digit counts as -2 and both bytes are used);
// "+" stays; a decoded zero byte is dropped. With utf8After the result is read as UTF-8.
std::string UrlDecode(std::string_view text, bool utf8After);

// Decodes one escaped fragment as a single-quoted JScript literal passed to unescape():
// literal escapes first, then %XX and %uXXXX. Returns empty where the script would not compile
// (a CR or LF left alone, a backslash at the very end).
std::string JsUnescape(std::string_view text);

// The same decoding done on the text's UTF-16 units throughout; JsUnescape takes a byte route
// for well-formed GBK text that must give exactly this result.
std::string JsUnescapeByUnits(std::string_view text);

}  // namespace web
