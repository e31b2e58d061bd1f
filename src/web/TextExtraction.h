// Marker-based cutting of web pages, header lines and the update file. Texts are GBK bytes;
// every search steps over both bytes of a double-byte character (lead byte >= 0x80), so a
// marker never matches inside one. Positions are 1-based; -1 means not found.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace web {

// Stands for one double quote inside the markers given to TextBetween ("#引号").
inline constexpr std::string_view kQuotePlaceholder = "#\xd2\xfd\xba\xc5";

// True for the first byte of a GBK double-byte character.
constexpr bool IsLeadByte(unsigned char byte) { return byte >= 0x80; }

// True for an ASCII space or the GBK full-width space (A1 A1) at a character start.
bool IsBlankAt(std::string_view text, size_t index);

// Position of needle in text at or after start (1-based), or -1. Case-insensitive compares
// fold ASCII letters only. An empty needle or an empty text is never found.
int FindText(std::string_view text, std::string_view needle, int start = 1, bool caseSensitive = false);

// Replaces every occurrence of from by to, scanning character by character, case-sensitive.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// Removes every occurrence of what in place, as ReplaceAll with an empty replacement does.
void EraseAll(std::string& text, std::string_view what);

// Pieces of text at every separator: empty pieces kept, no empty last piece after a final
// separator, no pieces for an empty text (or an empty separator: the whole text is one piece).
std::vector<std::string> SplitText(std::string_view text, std::string_view separator);

// Text between the first left marker and the next right marker (case-insensitive, the
// placeholder turned into a double quote in both markers); empty when either is missing.
std::string TextBetween(std::string_view text, std::string_view left, std::string_view right);

// Trimmed items between left and the next right marker; the next left is searched from that
// right marker. Stops at a missing marker or at the first item that trims to empty.
// Returns the number of items.
int CollectBetween(std::string_view text, std::string_view left, std::string_view right, bool caseSensitive,
                   std::vector<std::string>& list);

// CollectBetween's items as views into the text, without copying them.
std::vector<std::string_view> CollectBetweenViews(std::string_view text, std::string_view left, std::string_view right,
                                                  bool caseSensitive);

// Trimmed text after the first ":" of the line; empty when it has none.
std::string HeaderValue(std::string_view line);

// The text without leading and trailing blanks.
std::string Trim(std::string_view text);
std::string_view TrimView(std::string_view text);

}  // namespace web
