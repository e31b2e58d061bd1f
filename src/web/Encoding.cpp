#include "web/Encoding.h"

#include <array>
#include <utility>

#include "web/CodePages.h"
#include "web/JsUnescapeReader.h"
#include "web/TextExtraction.h"

namespace web {
namespace {

// A text ends at its first zero byte.
std::string_view AsText(std::string_view text) { return text.substr(0, text.find('\0')); }
std::wstring_view AsText(std::wstring_view text) { return text.substr(0, text.find(L'\0')); }

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c; }

// Index in "0123456789ABCDEF" after upper-casing, -2 for anything else.
int HexValue(char c) {
  static constexpr std::string_view kDigits = "0123456789ABCDEF";
  size_t index = kDigits.find(UpperAscii(c));
  return c == '\0' || index == std::string_view::npos ? -2 : static_cast<int>(index);
}

int HexValue(wchar_t c) { return c < 0x80 && c != 0 ? HexValue(static_cast<char>(c)) : -2; }

bool IsHexUnits(std::wstring_view text, size_t at, size_t count) {
  if (at + count > text.size()) return false;
  for (size_t i = 0; i < count; ++i) {
    if (HexValue(text[at + i]) < 0) return false;
  }
  return true;
}

wchar_t HexUnits(std::wstring_view text, size_t at, size_t count) {
  unsigned value = 0;
  for (size_t i = 0; i < count; ++i) value = value * 16 + static_cast<unsigned>(HexValue(text[at + i]));
  return static_cast<wchar_t>(value);
}

bool IsOctal(wchar_t c) { return c >= L'0' && c <= L'7'; }

// The body of a single-quoted JScript string literal decoded the way JScript decodes it.
// False where the statement would not compile: a line break inside the literal, or a
// backslash that escapes the closing quote.
bool DecodeLiteral(std::wstring_view body, std::wstring& out) {
  out.clear();
  out.reserve(body.size());
  size_t i = 0;
  while (i < body.size()) {
    wchar_t c = body[i];
    if (c == L'\r' || c == L'\n') return false;
    if (c != L'\\') {
      out += c;
      ++i;
      continue;
    }
    if (i + 1 >= body.size()) return false;
    wchar_t e = body[i + 1];
    i += 2;
    switch (e) {
      case L'b': out += L'\b'; break;
      case L'f': out += L'\f'; break;
      case L'n': out += L'\n'; break;
      case L'r': out += L'\r'; break;
      case L't': out += L'\t'; break;
      // JScript has no vertical-tab escape: "\v" is a plain "v" there.
      case L'v': out += L'v'; break;
      case L'\r':
        if (i < body.size() && body[i] == L'\n') ++i;
        break;  // line continuation
      case L'\n': break;
      case L'x':
        if (IsHexUnits(body, i, 2)) {
          out += HexUnits(body, i, 2);
          i += 2;
        } else {
          out += L'x';
        }
        break;
      case L'u':
        if (IsHexUnits(body, i, 4)) {
          out += HexUnits(body, i, 4);
          i += 4;
        } else {
          out += L'u';
        }
        break;
      default:
        if (IsOctal(e)) {
          unsigned value = static_cast<unsigned>(e - L'0');
          size_t maxDigits = e <= L'3' ? 3 : 2;
          for (size_t digits = 1; digits < maxDigits && i < body.size() && IsOctal(body[i]); ++digits, ++i) {
            value = value * 8 + static_cast<unsigned>(body[i] - L'0');
          }
          out += static_cast<wchar_t>(value);
        } else {
          out += e;  // unknown escapes (quote, slash, backslash included) stand for themselves
        }
        break;
    }
  }
  return true;
}

// unescape(): %uXXXX and %XX, anything else unchanged.
std::wstring Unescape(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (size_t k = 0; k < text.size(); ++k) {
    wchar_t c = text[k];
    if (c == L'%') {
      if (k + 6 <= text.size() && text[k + 1] == L'u' && IsHexUnits(text, k + 2, 4)) {
        c = HexUnits(text, k + 2, 4);
        k += 5;
      } else if (IsHexUnits(text, k + 1, 2)) {
        c = HexUnits(text, k + 1, 2);
        k += 2;
      }
    }
    out += c;
  }
  return out;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  }
  return true;
}

}  // namespace

std::wstring ToUtf16(std::string_view text, unsigned codePage) { return DecodeCodePage(AsText(text), codePage); }

std::string FromUtf16(std::wstring_view text, unsigned codePage) {
  return std::string(AsText(EncodeCodePage(AsText(text), codePage)));
}

std::string AnsiToUtf8(std::string_view gbkText) { return FromUtf16(ToUtf16(gbkText, kCodePageGbk), kCodePageUtf8); }

std::string Utf8ToAnsi(std::string_view utf8Text) { return FromUtf16(ToUtf16(utf8Text, kCodePageUtf8), kCodePageGbk); }

unsigned CodePageOfCharset(std::string_view name) {
  static constexpr std::array<std::pair<std::string_view, unsigned>, 22> kCharsets{{
      {"UTF-8", 65001},        {"UTF8", 65001},        {"GBK", 936},          {"GB2312", 936},
      {"GB18030", 936},        {"CP936", 936},         {"X-GBK", 936},        {"BIG5", 950},
      {"SHIFT_JIS", 932},      {"EUC-KR", 949},        {"KS_C_5601-1987", 949}, {"US-ASCII", 20127},
      {"ASCII", 20127},        {"ISO-8859-1", 28591},  {"LATIN1", 28591},     {"WINDOWS-1250", 1250},
      {"WINDOWS-1251", 1251},  {"WINDOWS-1252", 1252}, {"KOI8-R", 20866},     {"UTF-7", 65000},
      {"ISO-8859-2", 28592},   {"EUC-JP", 20932},
  }};
  for (const auto& [charset, codePage] : kCharsets) {
    if (EqualsIgnoringCase(name, charset)) return codePage;
  }
  return 0;
}

std::string ConvertCharset(std::string_view bytes, std::string_view from, std::string_view to) {
  unsigned source = CodePageOfCharset(from.empty() ? std::string_view("UTF-8") : from);
  unsigned target = CodePageOfCharset(to.empty() ? std::string_view("GBK") : to);
  if (source == 0 || target == 0) return {};
  std::wstring wide = DecodeCodePage(bytes, source);
  // Reading UTF-8 text skips a byte-order mark rather than keeping it as a character.
  if (source == kCodePageUtf8 && !wide.empty() && wide.front() == 0xFEFF) wide.erase(0, 1);
  // The text crosses as a GBK text: unrepresentable characters become the default character
  // and it ends at its first zero.
  std::string gbkText = FromUtf16(wide, kCodePageGbk);
  return EncodeCodePage(ToUtf16(gbkText, kCodePageGbk), target);
}

std::string UrlEncode(std::string_view text, bool keepUnreserved, bool utf8First) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string source = utf8First ? AnsiToUtf8(text) : std::string(AsText(text));
  std::string out;
  out.reserve(source.size() * 3);
  for (char c : source) {
    unsigned char b = static_cast<unsigned char>(c);
    bool unreserved = b == '-' || b == '.' || (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
    if (keepUnreserved && unreserved) {
      out += c;
    } else {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 0x0F];
    }
  }
  return out;
}

std::string UrlDecode(std::string_view text, bool utf8After) {
  std::string_view source = AsText(text);
  std::string out;
  out.reserve(source.size());
  for (size_t i = 0; i < source.size(); ++i) {
    if (source[i] != '%') {
      out += source[i];
      continue;
    }
    int high = i + 1 < source.size() ? HexValue(source[i + 1]) : -2;
    int low = i + 2 < source.size() ? HexValue(source[i + 2]) : -2;
    i += 2;  // both bytes are consumed, present or not
    unsigned char b = static_cast<unsigned char>((16 * high + low) & 0xFF);
    if (b != 0) out += static_cast<char>(b);
  }
  return utf8After ? Utf8ToAnsi(out) : out;
}

namespace {

constexpr std::string_view kLineBreakMark = "{$}";
constexpr std::string_view kApostropheMark = "\xa1\xaf";  // ’

// The row after the replacements that come before the decoding.
std::string PrepareForUnescape(std::string_view text) {
  std::string body = ReplaceAll(AsText(text), "\r\n", kLineBreakMark);
  if (!body.empty() && body.front() == '\r') body.erase(0, 1);
  body = ReplaceAll(body, "\\u", "%u");
  return ReplaceAll(body, "'", kApostropheMark);
}

std::string FinishUnescape(std::string result) {
  result = ReplaceAll(result, kApostropheMark, "'");
  return ReplaceAll(result, kLineBreakMark, "\r\n");
}

}  // namespace

std::string JsUnescapeByUnits(std::string_view text) {
  const std::string body = PrepareForUnescape(text);
  std::wstring literal;
  if (!DecodeLiteral(ToUtf16(body, kCodePageGbk), literal)) return {};
  return FinishUnescape(FromUtf16(Unescape(literal), kCodePageGbk));
}

std::string JsUnescape(std::string_view text) {
  // Rows are ASCII and whole GBK pairs almost always: they are decoded on their bytes, which
  // gives the same text as decoding their UTF-16 units and spares two code-page conversions.
  JsUnescapeReader reader(text);
  std::string result;
  result.reserve(text.size());
  for (unsigned c = reader.Next(); c != 0; c = reader.Next()) JsUnescapeReader::Append(c, result);
  switch (reader.Finish()) {
    case JsUnescapeReader::Outcome::NotCompiled:
      return {};
    case JsUnescapeReader::Outcome::Declined:
      return JsUnescapeByUnits(text);
    default:
      return result;
  }
}

}  // namespace web
