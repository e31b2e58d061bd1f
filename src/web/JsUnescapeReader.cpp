#include "web/JsUnescapeReader.h"


#include "web/CodePages.h"
#include "web/Encoding.h"

namespace web {
namespace {

// Markers of the scan beside characters; all above any character.
constexpr unsigned kEnd = 0x10000;
constexpr unsigned kNotCompiled = 0x10001;
constexpr unsigned kDeclined = 0x10002;
constexpr unsigned kUnescapeDeclined = 0x10003;  // declined by unescape(), after the literal decoding

// ’ (A1 AF) stands in for an apostrophe while the fragment is a single-quoted literal.
constexpr unsigned kApostropheMark = 0xA1AF;

bool IsGbkLead(unsigned byte) { return byte >= 0x81 && byte <= 0xFE; }
bool IsGbkTrail(unsigned byte) { return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFE); }

int HexDigit(unsigned c) {
  if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
  if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
  return -1;
}

// The character one unit stands for: ASCII or one GBK pair. Declined where the byte scan
// cannot vouch for it: a surrogate, or a form that is neither.
unsigned UnitChar(unsigned unit) {
  if (unit < 0x80) return unit;
  if (unit >= 0xD800 && unit <= 0xDFFF) return kDeclined;
  const wchar_t wide = static_cast<wchar_t>(unit);
  const std::string bytes = EncodeCodePage(std::wstring_view(&wide, 1), kCodePageGbk);
  const auto first = bytes.empty() ? 0u : static_cast<unsigned char>(bytes[0]);
  if (bytes.size() == 1 && first < 0x80) return first;
  if (bytes.size() == 2 && IsGbkLead(first) && IsGbkTrail(static_cast<unsigned char>(bytes[1]))) {
    return first << 8 | static_cast<unsigned char>(bytes[1]);
  }
  return kDeclined;
}

}  // namespace

// The first zero byte is not looked for here: every read treats a zero as the end, so a long
// row is not read twice.
JsUnescapeReader::JsUnescapeReader(std::string_view text) : text_(text) {
  // A CR that begins the fragment (and is no CR LF) is dropped before the decoding.
  if (!text_.empty() && text_[0] == '\r' && (text_.size() < 2 || text_[1] != '\n')) body_.pos = 1;
}

// The fragment after the replacements made before the decoding: CR LF as "{$}", a backslash
// before "u" as "%", an apostrophe as ’.
unsigned JsUnescapeReader::BodyChar(Cursor& at) const {
  switch (at.expansion) {
    case Expansion::DollarBrace: at.expansion = Expansion::Brace; return '$';
    case Expansion::Brace: at.expansion = Expansion::None; return '}';
    case Expansion::LetterU: at.expansion = Expansion::None; return 'u';
    case Expansion::None: break;
  }
  if (at.pos >= text_.size() || text_[at.pos] == '\0') return kEnd;
  const auto byte = static_cast<unsigned char>(text_[at.pos]);
  const auto next = at.pos + 1 < text_.size() ? static_cast<unsigned char>(text_[at.pos + 1]) : 0u;
  if (byte < 0x80) {
    ++at.pos;
    if (byte == '\r' && next == '\n') {
      ++at.pos;
      at.expansion = Expansion::DollarBrace;
      return '{';
    }
    if (byte == '\\' && next == 'u') {
      ++at.pos;
      at.expansion = Expansion::LetterU;
      return '%';
    }
    return byte == '\'' ? kApostropheMark : byte;
  }
  // Bytes that are no whole GBK pair are left to the unit decoding.
  if (!IsGbkLead(byte) || !IsGbkTrail(next)) return kDeclined;
  at.pos += 2;
  return byte << 8 | next;
}

bool JsUnescapeReader::ReadHex(Cursor& at, unsigned (JsUnescapeReader::*step)(Cursor&) const, int digits,
                               unsigned& unit) const {
  Cursor ahead = at;
  unit = 0;
  for (int i = 0; i < digits; ++i) {
    const unsigned c = (this->*step)(ahead);
    const int value = c < 0x80 ? HexDigit(c) : -1;
    if (value < 0) return false;
    unit = unit * 16 + static_cast<unsigned>(value);
  }
  at = ahead;
  return true;
}

// The body read as a single-quoted JScript literal: its escapes decoded as JScript decodes
// them. Not compiled where a line break stands alone or a backslash escapes the closing quote.
unsigned JsUnescapeReader::LiteralChar(Cursor& at) const {
  for (;;) {
    const unsigned c = BodyChar(at);
    if (c == '\r' || c == '\n') return kNotCompiled;
    if (c != '\\') return c;
    const unsigned e = BodyChar(at);
    unsigned unit = 0;
    switch (e) {
      case kEnd: return kNotCompiled;
      case 'b': return '\b';
      case 'f': return '\f';
      case 'n': return '\n';
      case 'r': return '\r';
      case 't': return '\t';
      // JScript has no vertical-tab escape: "\v" is a plain "v" there.
      case 'v': return 'v';
      case '\r': {  // line continuation
        Cursor ahead = at;
        if (BodyChar(ahead) == '\n') at = ahead;
        continue;
      }
      case '\n': continue;
      case 'x': return ReadHex(at, &JsUnescapeReader::BodyChar, 2, unit) ? UnitChar(unit) : 'x';
      case 'u': return ReadHex(at, &JsUnescapeReader::BodyChar, 4, unit) ? UnitChar(unit) : 'u';
      default: break;
    }
    // Unknown escapes (quote, slash, backslash, a double-byte character) stand for themselves.
    if (e < '0' || e > '7') return e;
    unit = e - '0';
    for (int digits = 1, most = e <= '3' ? 3 : 2; digits < most; ++digits) {
      Cursor ahead = at;
      const unsigned d = BodyChar(ahead);
      if (d < '0' || d > '7') break;
      unit = unit * 8 + (d - '0');
      at = ahead;
    }
    return UnitChar(unit);
  }
}

// unescape() over the literal: %uXXXX and %XX, anything else unchanged.
unsigned JsUnescapeReader::UnescapedChar(Cursor& at) const {
  const unsigned c = LiteralChar(at);
  if (c != '%') return c;
  unsigned unit = 0;
  Cursor ahead = at;
  if (LiteralChar(ahead) == 'u' && ReadHex(ahead, &JsUnescapeReader::LiteralChar, 4, unit)) {
    at = ahead;
  } else if (!ReadHex(at, &JsUnescapeReader::LiteralChar, 2, unit)) {
    return '%';
  }
  const unsigned decoded = UnitChar(unit);
  return decoded == kDeclined ? kUnescapeDeclined : decoded;
}

unsigned JsUnescapeReader::Stop(unsigned marker) {
  // The literal is decoded whole before unescape() runs: a literal that does not compile
  // further on outweighs what unescape() declined.
  if (marker == kUnescapeDeclined) {
    do {
      marker = LiteralChar(body_);
    } while (marker < kEnd);
    if (marker != kNotCompiled) marker = kDeclined;
  }
  outcome_ = marker == kEnd ? Outcome::Decoded : marker == kNotCompiled ? Outcome::NotCompiled : Outcome::Declined;
  // Bytes that are no whole GBK pair, wherever they stand, leave the whole fragment to the unit
  // decoding, which may read what comes before them differently.
  if (outcome_ == Outcome::NotCompiled) {
    for (size_t i = body_.pos; i < text_.size() && text_[i] != '\0'; ++i) {
      const auto byte = static_cast<unsigned char>(text_[i]);
      if (byte < 0x80) continue;
      if (!IsGbkLead(byte) || i + 1 >= text_.size() || !IsGbkTrail(static_cast<unsigned char>(text_[++i]))) {
        outcome_ = Outcome::Declined;
        break;
      }
    }
  }
  return 0;
}

unsigned JsUnescapeReader::NextSlow() {
  const unsigned c = NextDecoded();
  slow_ = pendingLineFeed_ || body_.expansion != Expansion::None || outcome_ != Outcome::Reading;
  return c;
}

// The replacements made after the decoding: ’ back to the apostrophe, "{$}" back to CR LF.
unsigned JsUnescapeReader::NextDecoded() {
  if (outcome_ != Outcome::Reading) return 0;
  if (pendingLineFeed_) {
    pendingLineFeed_ = false;
    return '\n';
  }
  unsigned c = UnescapedChar(body_);
  if (c == kApostropheMark) return '\'';
  if (c == '{') {
    Cursor ahead = body_;
    if (UnescapedChar(ahead) == '$' && UnescapedChar(ahead) == '}') {
      body_ = ahead;
      pendingLineFeed_ = true;
      return '\r';
    }
    return '{';
  }
  if (c == 0) {
    // The text ends at a zero, but the rest must still compile and decode.
    do {
      c = UnescapedChar(body_);
    } while (c < kEnd);
  }
  return c < kEnd ? c : Stop(c);
}

JsUnescapeReader::Outcome JsUnescapeReader::Finish() {
  static constexpr Stops kNoStops;
  do {
    TakeQuiet(kNoStops, [](std::string_view) {});
  } while (Next() != 0);
  return outcome_;
}

}  // namespace web
