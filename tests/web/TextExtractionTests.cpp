#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/HostileText.h"
#include "web/TextExtraction.h"

namespace {

using Items = std::vector<std::string>;

const std::string kQuote = "#\xd2\xfd\xba\xc5";  // the quote placeholder

struct FindCase {
  const char* name;
  std::string text, needle;
  int start;
  bool caseSensitive;
  int expected;
};

TEST(FindText, StepsOverDoubleByteCharactersAndFoldsAsciiOnly) {
  const FindCase cases[] = {
      {"first position is 1", "abc", "a", 1, true, 1},
      {"later start skips earlier hits", "abcabc", "a", 2, true, 4},
      {"start past the end", "abc", "a", 4, true, -1},
      {"start below 1 reads as 1", "abc", "b", -5, true, 2},
      {"empty needle never found", "abc", "", 1, true, -1},
      {"empty text never found", "", "a", 1, true, -1},
      {"case-insensitive ASCII", "xDATA-ID=", "data-id=", 1, false, 2},
      {"case-sensitive misses", "xDATA-ID=", "data-id=", 1, true, -1},
      {"bracket as a trail byte is skipped", "\x81\x5b[", "[", 1, true, 3},
      {"backslash as trail byte is skipped", "\x95\x5c\\", "\\", 1, true, 3},
      {"trail byte letters are not folded", "\x81\x61", "\x81\x41", 1, false, -1},
      {"double-byte needle found whole", "ab\xd6\xd0", "\xd6\xd0", 1, false, 3},
      {"needle straddling two characters is not found", "\xd6\xd0\xce\xc4", "\xd0\xce", 1, true, -1},
      {"lone lead byte at the end is one character", "ab\x81", "\x81", 1, true, 3},
      {"needle longer than text", "ab", "abc", 1, false, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(web::FindText(c.text, c.needle, c.start, c.caseSensitive), c.expected) << c.name;
  }
}

struct BetweenCase {
  const char* name;
  std::string text, left, right, expected;
};

TEST(TextBetween, CutsBetweenFirstLeftAndNextRight) {
  const BetweenCase cases[] = {
      {"placeholder stands for a double quote", "a=1 b=\"y\" c", "b=" + kQuote, kQuote, "y"},
      {"placeholder more than once", "<i a=\"1\">", "a=" + kQuote, kQuote + ">", "1"},
      {"markers case-insensitive", "<p data-id=7;>", "DATA-ID=", ";", "7"},
      {"missing right marker", "data-id=7", "data-id=", ";", ""},
      {"missing left marker", "x;y", "id=", ";", ""},
      {"right right after left", "id=;", "id=", ";", ""},
      {"first left, next right", "[a][b]", "[", "]", "a"},
      {"right before left is not used", "]x[y]", "[", "]", "y"},
      {"not trimmed", "[ a ]", "[", "]", " a "},
      {"left inside a double-byte character skipped", "\x81\x5bx][y]", "[", "]", "y"},
      {"right inside a double-byte character skipped", "[a\x81\x5d]", "[", "]", "a\x81\x5d"},
      {"same marker on both sides", "#1.1##n##", "##", "##", "n"},
      {"empty left marker", "abc", "", "c", ""},
      {"empty right marker", "abc", "a", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(web::TextBetween(c.text, c.left, c.right), c.expected) << c.name;
  }
}

struct CollectCase {
  const char* name;
  std::string text, left, right;
  bool caseSensitive;
  Items expected;
};

TEST(CollectBetween, StopsAtMissingMarkerOrFirstEmptyItem) {
  const CollectCase cases[] = {
      {"blank item stops before the rest", "[1][ ][3]", "[", "]", true, {"1"}},
      {"markers as letters", "a1ba2b", "a", "b", true, {"1", "2"}},
      {"items trimmed of both blank kinds", "[ x ][\xa1\xa1y\xa1\xa1]", "[", "]", true, {"x", "y"}},
      {"tab is kept", "[\tx]", "[", "]", true, {"\tx"}},
      {"start without end stops", "[1][2", "[", "]", true, {"1"}},
      {"empty item stops", "[1][][3]", "[", "]", true, {"1"}},
      {"next left is searched from the right marker", "x1xy2xy", "x", "xy", true, {"1", "y2"}},
      {"case-sensitive skips other case", "A1BA2Ba3b", "a", "b", true, {"3"}},
      {"case-insensitive", "A1BA2B", "a", "b", false, {"1", "2"}},
      {"markers used as given (no placeholder)", "[x\"y" + kQuote, "[", kQuote, true, {"x\"y"}},
      {"marker inside a double-byte character skipped", "[\x81\x5dz]", "[", "]", true, {"\x81\x5dz"}},
      {"nothing found", "abc", "[", "]", true, {}},
      {"empty left marker", "abc", "", "c", true, {}},
  };
  for (const auto& c : cases) {
    Items list{"stale"};
    int count = web::CollectBetween(c.text, c.left, c.right, c.caseSensitive, list);
    EXPECT_EQ(list, c.expected) << c.name;
    EXPECT_EQ(count, static_cast<int>(c.expected.size())) << c.name;
  }
}

TEST(HeaderValueAndTrim, BlanksAreSpaceAndFullWidthSpaceOnly) {
  const std::pair<std::string, std::string> headerCases[] = {
      {"Location:  /next", "/next"},
      {"no colon here", ""},
      {"Set-Cookie: a=b:c ", "a=b:c"},
      {"X:", ""},
      {"\xb0\x3a: v", "v"},  // the first ":" is a trail byte, the second one counts
  };
  for (const auto& [line, value] : headerCases) EXPECT_EQ(web::HeaderValue(line), value) << line;

  const std::pair<std::string, std::string> trimCases[] = {
      {"\xa1\xa1x\xa1\xa1", "x"},
      {"\tx\t", "\tx\t"},
      {"   ", ""},
      {"\xa1\xa1 \xa1\xa1", ""},
      {"", ""},
      {" a b ", "a b"},
      {"\r\nx\r\n", "\r\nx\r\n"},
      {"\xb0\xa1\xa1\xa1", "\xb0\xa1"},  // 啊 then a full-width blank
      {"\xb0\xa1\xa1", "\xb0\xa1\xa1"},  // 啊 then a lone lead byte: not a blank
      {"x\xa1", "x\xa1"},
      {"\x81 ", "\x81 "},              // the space is a trail byte
      {" \xb0\xa1", "\xb0\xa1"},      // A1 ends a character that is no blank
      {"  x\x81", "x\x81"},            // a lone lead byte ends the text
  };
  for (const auto& [text, trimmed] : trimCases) EXPECT_EQ(web::Trim(text), trimmed) << text;
}

TEST(SplitText, EverySeparatorEndsAPieceButNoEmptyLastPiece) {
  const std::pair<std::string, Items> cases[] = {
      {"a;;b", {"a", "", "b"}},
      {";a", {"", "a"}},
      {"a;", {"a"}},
      {"", {}},
      {";", {""}},
      {";;", {"", ""}},
      {"a", {"a"}},
      {"\x81;a;b", {"\x81;a", "b"}},  // ";" after a lead byte belongs to that character
  };
  for (const auto& [text, pieces] : cases) EXPECT_EQ(web::SplitText(text, ";"), pieces) << text;
  EXPECT_EQ(web::SplitText("a; b; c", "; "), (Items{"a", "b", "c"}));
  EXPECT_EQ(web::SplitText("a\r\nb\r\n", "\r\n"), (Items{"a", "b"}));
}

TEST(ReplaceAll, ExactAndCharacterAligned) {
  EXPECT_EQ(web::ReplaceAll("a\\ub\\u", "\\u", "%u"), "a%ub%u");
  EXPECT_EQ(web::ReplaceAll("\x95\x5cu", "\\u", "%u"), "\x95\x5cu");
  EXPECT_EQ(web::ReplaceAll("\\U", "\\u", "%u"), "\\U");
  EXPECT_EQ(web::ReplaceAll("aaa", "aa", "b"), "ba");
  EXPECT_EQ(web::ReplaceAll("abc", "", "x"), "abc");
}

TEST(EraseAll, AsReplaceAllWithNothing) {
  const std::pair<std::string, std::string> cases[] = {
      {"a\">b\">", "\">"}, {"\"\">>", "\">"}, {"\xb0\">", "\">"}, {"\">\xb0", "\">"},
      {"\x95\x5cu\\u", "\\u"}, {"aaaa", "aa"}, {"aaa", "aa"}, {"", "x"}, {"abc", ""}, {"\r\n\r\r\n\n", "\r\n"},
  };
  for (const auto& [text, what] : cases) {
    std::string erased = text;
    web::EraseAll(erased, what);
    EXPECT_EQ(erased, web::ReplaceAll(text, what, "")) << text;
  }
}

// The search as it reads: walk the text by characters (a lead byte takes the byte after it),
// compare at each, ASCII letters folded unless the case counts and never inside a pair.
int FindByCharacters(const std::string& text, const std::string& needle, int start, bool caseSensitive) {
  const auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
  if (needle.empty()) return -1;
  for (size_t i = static_cast<size_t>(std::max(start, 1)) - 1; i < text.size() && needle.size() <= text.size() - i;
       i += static_cast<unsigned char>(text[i]) >= 0x80 && i + 1 < text.size() ? 2 : 1) {
    bool same = true;
    for (size_t k = 0; k < needle.size() && same; ++k) {
      const auto a = static_cast<unsigned char>(needle[k]), b = static_cast<unsigned char>(text[i + k]);
      if (a >= 0x80) {
        same = a == b && (k + 1 >= needle.size() || needle[k + 1] == text[i + k + 1]);
        ++k;
      } else {
        same = caseSensitive ? a == b : fold(a) == fold(b);
      }
    }
    if (same) return static_cast<int>(i) + 1;
  }
  return -1;
}

TEST(FindText, FindsWhatAWalkByCharactersFindsInShortAndLongTexts) {
  // Double-byte text where trail bytes look like the needle's bytes, long runs of lead bytes,
  // and letters in both cases; long texts take the skipping search, short ones the byte scan.
  testing_support::HostileText hostile(
      2718, {"<\\/td>", "<tr", "\xd6\xd0", "\x81<", "\x81\\", "\xb0\xa1\xb0", "Ab", "aB", "\\", "<", "td", "TD",
             std::string(40, '\xd6'), std::string(129, 'x'), "\xa1\xa1"});
  for (int round = 0; round < 4000; ++round) {
    const std::string text = hostile.Next();
    std::string needle = hostile.NextMarker();
    if (round % 3 == 0 && !text.empty()) needle = text.substr(hostile.Number(static_cast<std::uint32_t>(text.size())), 1 + hostile.Number(20));
    const int start = 1 + static_cast<int>(hostile.Number(static_cast<std::uint32_t>(text.size() / 2 + 2)));
    for (const bool caseSensitive : {true, false}) {
      ASSERT_EQ(web::FindText(text, needle, start, caseSensitive), FindByCharacters(text, needle, start, caseSensitive))
          << round << (caseSensitive ? " exact" : " folded");
    }
  }
}

TEST(EraseAll, AsReplaceAllOnHostileText) {
  testing_support::HostileText hostile(1618, {"\">", "\xb0\"", "\r\n", "\x81\r", "<span class=\"highlight\">",
                                              std::string(200, 'y'), "\xd6"});
  for (int round = 0; round < 2000; ++round) {
    const std::string text = hostile.Next();
    const std::string what = round % 2 == 0 ? std::string("\">") : hostile.NextMarker();
    std::string erased = text;
    web::EraseAll(erased, what);
    ASSERT_EQ(erased, web::ReplaceAll(text, what, "")) << round;
  }
}

}  // namespace
