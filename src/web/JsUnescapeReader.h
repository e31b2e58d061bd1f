// JsUnescape's text, read character by character in one forward scan of the escaped fragment:
// the replacements around the decoding, the literal escapes and %XX/%uXXXX are all applied as
// the scan passes, and nothing of the decoded text is stored. A reader that takes only what it
// needs from a row (the result page's fields) so never builds the row itself.
//
// The scan decodes ASCII and whole GBK pairs on their bytes. Where it cannot vouch for the
// result it stops with Declined, and the caller decodes the fragment's UTF-16 units instead
// (JsUnescapeByUnits), which is the reference this scan must agree with.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace web {

class JsUnescapeReader {
 public:
  enum class Outcome {
    Reading,
    Decoded,      // every character has been given
    NotCompiled,  // the script would not compile the fragment: the text is empty
    Declined,     // the byte scan cannot vouch for the text: decode the units instead
  };

  // The fragment ends at its first zero byte. No quick read takes a zero byte, and the slow
  // way reads one as the end.
  explicit JsUnescapeReader(std::string_view text);

  // The next character of the decoded text: an ASCII byte (1 to 0x7F) or a GBK pair as
  // lead * 256 + trail. 0 once the text has ended or the scan has stopped; Finish() then tells
  // whether what was given counts.
  unsigned Next() {
    // Characters that decode to themselves and the simple escapes (\" \/ \n) that make up most
    // of a row are read here; the rest takes the slow way.
    if (!slow_) {
      unsigned character = 0;
      if (TakePlainAt(body_.pos, character) || TakeSimpleEscapeAt(body_.pos, character)) return character;
    }
    return NextSlow();
  }

 private:
  // ASCII bytes that every step passes through unchanged, whatever comes next.
  static constexpr std::array<bool, 256> kPlain = [] {
    std::array<bool, 256> plain{};
    for (unsigned c = 1; c < 0x80; ++c) plain[c] = true;
    for (unsigned char c : std::string_view("\\%'\r\n{")) plain[c] = false;
    return plain;
  }();

 public:
  // Characters a quick read stops at (ASCII), kept beside the bytes it passes without a second
  // look: plain ASCII that is not one of them.
  class Stops {
   public:
    constexpr Stops() : passes_(kPlain) {}
    constexpr void Add(unsigned char character) {
      marked_[character] = true;
      passes_[character] = false;
    }
    constexpr bool Marks(unsigned character) const { return character < 0x100 && marked_[character]; }
    constexpr bool Passes(unsigned char byte) const { return passes_[byte]; }

   private:
    std::array<bool, 256> marked_{};
    std::array<bool, 256> passes_{};
  };

  // Gives the characters from here on that decode on the quick way (plain ASCII, whole GBK
  // pairs, the simple escapes) up to the first that stops marks, or the first that takes more;
  // the reader moves past them. They come to sink(std::string_view) in pieces: runs of the
  // fragment's own bytes, and an escape's character alone.
  template <typename Sink>
  void TakeQuiet(const Stops& stops, Sink&& sink) {
    if (slow_) return;
    size_t pos = body_.pos;
    for (;;) {
      const size_t begin = pos;
      for (;;) {
        // The bytes that pass alone are most of a row: walked with nothing else in hand.
        const auto* const end = reinterpret_cast<const unsigned char*>(text_.data() + text_.size());
        const auto* at = reinterpret_cast<const unsigned char*>(text_.data() + pos);
        while (at < end && stops.Passes(*at)) ++at;
        pos = static_cast<size_t>(at - reinterpret_cast<const unsigned char*>(text_.data()));
        size_t pair = pos;
        unsigned character = 0;
        if (at == end || *at < 0x80 || !TakePlainAt(pair, character)) break;
        pos = pair;
      }
      if (pos != begin) sink(text_.substr(begin, pos - begin));
      size_t next = pos;
      unsigned character = 0;
      if (!TakeSimpleEscapeAt(next, character) || stops.Marks(character)) break;
      const auto escaped = static_cast<unsigned char>(text_[pos + 1]);
      sink(std::string_view(reinterpret_cast<const char*>(&kSimpleEscapes[escaped]), 1));
      pos = next;
    }
    body_.pos = pos;
  }

  // The fragment's bytes from here on while the next character comes the quick way, for a
  // caller that knows what some bytes decode to wherever they stand (plain ASCII, the simple
  // escapes); empty otherwise. Pass(n) then moves past n of them.
  std::string_view QuickRest() const { return slow_ ? std::string_view() : text_.substr(body_.pos); }
  void Pass(size_t bytes) { body_.pos += bytes; }

  // Reads what is left without giving it; how the fragment decodes as a whole.
  Outcome Finish();

  // Appends one character as given by Next() to a text.
  static void Append(unsigned character, std::string& text) {
    if (character > 0xFF) text += static_cast<char>(character >> 8);
    text += static_cast<char>(character & 0xFF);
  }

 private:
  // The rest of a replacement written into the fragment before it is decoded.
  enum class Expansion : std::uint8_t { None, DollarBrace, Brace, LetterU };

  // A place in the fragment as the decoding sees it, after the replacements. The literal and
  // unescape steps keep no state of their own, so a copy of it is a look ahead.
  struct Cursor {
    size_t pos = 0;
    Expansion expansion = Expansion::None;
  };

  // What a backslash and the ASCII character after it decode to when nothing around them takes
  // part; 0 for hex, octal and line escapes, and for what the replacements or unescape() read
  // further ("\\" before "u", CR before LF, "%", "{", the apostrophe).
  static constexpr std::array<unsigned char, 128> kSimpleEscapes = [] {
    std::array<unsigned char, 128> table{};
    for (unsigned c = 1; c < 0x80; ++c) table[c] = static_cast<unsigned char>(c);
    for (unsigned char c : std::string_view("xu01234567\\\r\n%{'")) table[c] = 0;
    table['b'] = '\b';
    table['f'] = '\f';
    table['n'] = '\n';
    table['r'] = '\r';
    table['t'] = '\t';
    return table;
  }();

  // The character at pos when it decodes to itself: plain ASCII, or a whole GBK pair other
  // than ’ (which stands in for an apostrophe). Moves pos past it.
  bool TakePlainAt(size_t& pos, unsigned& character) const {
    if (pos >= text_.size()) return false;
    const auto byte = static_cast<unsigned char>(text_[pos]);
    if (kPlain[byte]) {
      character = byte;
      ++pos;
      return true;
    }
    if (byte < 0x81 || byte > 0xFE || pos + 1 >= text_.size()) return false;
    const auto trail = static_cast<unsigned char>(text_[pos + 1]);
    if (trail < 0x40 || trail == 0x7F || trail == 0xFF || (byte == 0xA1 && trail == 0xAF)) return false;
    character = byte << 8 | trail;
    pos += 2;
    return true;
  }

  // A backslash and an ASCII character after it that decode to one character whatever stands
  // around them: the simple escapes, and characters that stand for themselves. Moves pos on.
  bool TakeSimpleEscapeAt(size_t& pos, unsigned& character) const {
    if (pos + 1 >= text_.size() || text_[pos] != '\\') return false;
    const auto escaped = static_cast<unsigned char>(text_[pos + 1]);
    if (escaped >= 0x80 || kSimpleEscapes[escaped] == 0) return false;
    character = kSimpleEscapes[escaped];
    pos += 2;
    return true;
  }

  unsigned NextSlow();
  unsigned NextDecoded();
  unsigned BodyChar(Cursor& at) const;
  unsigned LiteralChar(Cursor& at) const;
  unsigned UnescapedChar(Cursor& at) const;
  bool ReadHex(Cursor& at, unsigned (JsUnescapeReader::*step)(Cursor&) const, int digits, unsigned& unit) const;
  unsigned Stop(unsigned marker);

  std::string_view text_;
  Cursor body_;
  bool pendingLineFeed_ = false;
  Outcome outcome_ = Outcome::Reading;
  bool slow_ = false;  // a replacement or a line feed is part way, or the scan has stopped
};

}  // namespace web
