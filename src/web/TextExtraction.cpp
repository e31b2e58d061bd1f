#include "web/TextExtraction.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace web {
namespace {

constexpr unsigned char kFullWidthBlank = 0xA1;

unsigned char ByteAt(std::string_view text, size_t index) { return static_cast<unsigned char>(text[index]); }

// Width of the character starting at index: 2 for a lead byte with a byte after it.
size_t CharWidth(std::string_view text, size_t index) {
  return IsLeadByte(ByteAt(text, index)) && index + 1 < text.size() ? 2 : 1;
}

unsigned char FoldAscii(unsigned char byte) { return byte >= 'A' && byte <= 'Z' ? byte + ('a' - 'A') : byte; }

// Whether needle matches text at index. Double-byte characters of the needle compare exactly,
// so a trail byte that happens to be an ASCII letter is never folded.
bool MatchesAt(std::string_view text, size_t index, std::string_view needle, bool caseSensitive) {
  if (needle.size() > text.size() - index) return false;
  for (size_t i = 0; i < needle.size();) {
    unsigned char a = ByteAt(needle, i);
    unsigned char b = ByteAt(text, index + i);
    if (IsLeadByte(a)) {
      if (a != b) return false;
      if (i + 1 < needle.size() && needle[i + 1] != text[index + i + 1]) return false;
      i += 2;
      continue;
    }
    if (caseSensitive ? a != b : FoldAscii(a) != FoldAscii(b)) return false;
    ++i;
  }
  return true;
}

// Whether a character starts at index p, given that one starts at known (at or before p). Lead
// bytes pair with whatever follows, so one starts at p when the lead bytes just before it, back
// to known, are even in number.
bool StartsCharacter(std::string_view text, size_t known, size_t p) {
  size_t leads = 0;
  for (size_t j = p; j > known && IsLeadByte(ByteAt(text, j - 1)); --j) ++leads;
  return leads % 2 == 0;
}

// The two forms the needle's first byte may take in the text (the same twice when it has one).
std::array<unsigned char, 2> FirstByteForms(std::string_view needle, bool caseSensitive) {
  const unsigned char first = ByteAt(needle, 0);
  if (caseSensitive || IsLeadByte(first)) return {first, first};
  const unsigned char lower = FoldAscii(first);
  return {lower, lower >= 'a' && lower <= 'z' ? static_cast<unsigned char>(lower - ('a' - 'A')) : lower};
}

// 0-based index of needle at or after from where a character starts; npos when absent. The
// needle moves on by step(p) bytes from place p, and only a place where the bytes match is
// checked for a start, so the text is not walked by characters. After a match that starts no
// character the next one starts right after it, which keeps every look back short.
template <typename Step>
size_t FindIndexStepping(std::string_view text, std::string_view needle, size_t from, bool caseSensitive, Step step) {
  const auto [lower, upper] = FirstByteForms(needle, caseSensitive);
  size_t known = from;
  for (size_t p = from; p + needle.size() <= text.size(); p += step(p)) {
    const unsigned char byte = ByteAt(text, p);
    if ((byte != lower && byte != upper) || !MatchesAt(text, p, needle, caseSensitive)) continue;
    if (StartsCharacter(text, known, p)) return p;
    known = p + 1;
  }
  return std::string_view::npos;
}

// The same moving on by Horspool's skips: the byte under the needle's last place says how far
// the needle may move on.
size_t FindIndexBySkips(std::string_view text, std::string_view needle, size_t from, bool caseSensitive) {
  const size_t last = needle.size() - 1;
  std::array<std::uint8_t, 256> skip;
  skip.fill(static_cast<std::uint8_t>(std::min<size_t>(needle.size(), 255)));
  for (size_t k = 0; k < last; ++k) {
    // Later places give shorter skips and overwrite earlier ones; both cases of a letter may
    // match when case is ignored.
    const auto shift = static_cast<std::uint8_t>(std::min<size_t>(last - k, 255));
    const unsigned char byte = ByteAt(needle, k);
    skip[byte] = shift;
    if (!caseSensitive && FoldAscii(byte) >= 'a' && FoldAscii(byte) <= 'z') {
      skip[FoldAscii(byte)] = shift;
      skip[FoldAscii(byte) - ('a' - 'A')] = shift;
    }
  }
  return FindIndexStepping(text, needle, from, caseSensitive, [&](size_t p) { return skip[ByteAt(text, p + last)]; });
}

size_t FindIndex(std::string_view text, std::string_view needle, size_t from, bool caseSensitive) {
  if (needle.empty() || from >= text.size() || needle.size() > text.size() - from) return std::string_view::npos;
  // Skips pay for their table on longer texts and needles.
  constexpr size_t kSkipText = 128, kSkipNeedle = 3;
  return text.size() - from >= kSkipText && needle.size() >= kSkipNeedle
             ? FindIndexBySkips(text, needle, from, caseSensitive)
             : FindIndexStepping(text, needle, from, caseSensitive, [](size_t) { return size_t{1}; });
}

std::string WithQuotes(std::string_view marker) { return ReplaceAll(marker, kQuotePlaceholder, "\""); }

}  // namespace

bool IsBlankAt(std::string_view text, size_t index) {
  if (index >= text.size()) return false;
  if (text[index] == ' ') return true;
  return ByteAt(text, index) == kFullWidthBlank && index + 1 < text.size() && ByteAt(text, index + 1) == kFullWidthBlank;
}

int FindText(std::string_view text, std::string_view needle, int start, bool caseSensitive) {
  if (start < 1) start = 1;
  size_t found = FindIndex(text, needle, static_cast<size_t>(start) - 1, caseSensitive);
  return found == std::string_view::npos ? -1 : static_cast<int>(found) + 1;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string result;
  result.reserve(text.size());
  // Unchanged runs are copied whole; the scan still steps by characters, so a match never
  // starts on a trail byte.
  const unsigned char first = ByteAt(from, 0);
  size_t run = 0, i = 0;
  while (i < text.size()) {
    if (ByteAt(text, i) == first && MatchesAt(text, i, from, true)) {
      result.append(text.substr(run, i - run));
      result.append(to);
      i += from.size();
      run = i;
      continue;
    }
    i += CharWidth(text, i);
  }
  result.append(text.substr(run));
  return result;
}

void EraseAll(std::string& text, std::string_view what) {
  if (what.empty()) return;
  // What is kept moves down over what was removed; the search reads only at or after the write.
  const std::string_view source(text);
  size_t kept = 0, i = 0;
  for (;;) {
    const size_t found = FindIndex(source, what, i, true);
    const size_t stop = found == std::string_view::npos ? source.size() : found;
    if (kept != i) std::memmove(text.data() + kept, text.data() + i, stop - i);
    kept += stop - i;
    if (found == std::string_view::npos) break;
    i = found + what.size();
  }
  text.resize(kept);
}

std::vector<std::string> SplitText(std::string_view text, std::string_view separator) {
  std::vector<std::string> pieces;
  if (text.empty()) return pieces;
  if (separator.empty()) {
    pieces.emplace_back(text);
    return pieces;
  }
  size_t pieceStart = 0;
  size_t i = 0;
  while (i < text.size()) {
    if (MatchesAt(text, i, separator, true)) {
      pieces.emplace_back(text.substr(pieceStart, i - pieceStart));
      i += separator.size();
      pieceStart = i;
      continue;
    }
    i += CharWidth(text, i);
  }
  if (pieceStart < text.size()) pieces.emplace_back(text.substr(pieceStart));
  return pieces;
}

std::string TextBetween(std::string_view text, std::string_view left, std::string_view right) {
  std::string leftMarker = WithQuotes(left);
  std::string rightMarker = WithQuotes(right);
  size_t p = FindIndex(text, leftMarker, 0, false);
  if (p == std::string_view::npos) return {};
  size_t s = p + leftMarker.size();
  size_t e = FindIndex(text, rightMarker, s, false);
  if (e == std::string_view::npos) return {};
  return std::string(text.substr(s, e - s));
}

int CollectBetween(std::string_view text, std::string_view left, std::string_view right, bool caseSensitive,
                   std::vector<std::string>& list) {
  list.clear();
  for (std::string_view item : CollectBetweenViews(text, left, right, caseSensitive)) list.emplace_back(item);
  return static_cast<int>(list.size());
}

std::vector<std::string_view> CollectBetweenViews(std::string_view text, std::string_view left, std::string_view right,
                                                  bool caseSensitive) {
  std::vector<std::string_view> list;
  size_t from = 0;
  for (;;) {
    size_t p = FindIndex(text, left, from, caseSensitive);
    if (p == std::string_view::npos) break;
    size_t s = p + left.size();
    size_t e = FindIndex(text, right, s, caseSensitive);
    if (e == std::string_view::npos) break;
    const std::string_view item = TrimView(text.substr(s, e - s));
    if (item.empty()) break;
    list.push_back(item);
    from = e;  // the right marker may itself begin the next left marker
  }
  return list;
}

std::string HeaderValue(std::string_view line) {
  size_t colon = FindIndex(line, ":", 0, true);
  if (colon == std::string_view::npos) return {};
  return Trim(line.substr(colon + 1));
}

std::string Trim(std::string_view text) { return std::string(TrimView(text)); }

std::string_view TrimView(std::string_view text) {
  // Walk by characters from the start: a full-width blank is only one when it starts a character.
  size_t first = 0;
  while (first < text.size() && IsBlankAt(text, first)) first += CharWidth(text, first);
  if (first >= text.size()) return {};
  // Every blank ends in a space or A1: a text whose last byte is neither keeps its end, and the
  // walk to find where its last character begins is not needed.
  const unsigned char last = ByteAt(text, text.size() - 1);
  if (last != ' ' && last != kFullWidthBlank) return text.substr(first);
  size_t end = first;
  for (size_t i = first; i < text.size();) {
    size_t width = CharWidth(text, i);
    if (!IsBlankAt(text, i)) end = i + width;
    i += width;
  }
  return text.substr(first, end - first);
}

}  // namespace web
