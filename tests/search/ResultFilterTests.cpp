// The filter's grammar and what passes it, as a table: words in any order and case, full-width
// letters, size bounds in each unit with and without a space, unreadable sizes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "search/ResultFilter.h"

namespace {

using search::FilterPasses;
using search::ParseFilter;
using search::SizeBound;

const std::string kChinese = "\xd6\xd0\xce\xc4";          // 中文
const std::string kFullWidthAbc = "\xa3\xc1\xa3\xe2\xa3\xc3";  // ＡｂＣ
const std::string kFullSpace = "\xa1\xa1";                // the full-width space

TEST(ResultFilter, ParsesWordsAndBounds) {
  struct Case {
    std::string text;
    std::vector<std::string> words;
    std::vector<SizeBound> bounds;
  } cases[] = {
      {"", {}, {}},
      {"  \t\r\n ", {}, {}},
      {"Foo bar", {"foo", "bar"}, {}},
      {kFullWidthAbc + kFullSpace + "x", {"abc", "x"}, {}},
      {">1GB", {}, {{SizeBound::Op::Above, 1024.0 * 1024 * 1024}}},
      {">=700mb", {}, {{SizeBound::Op::AtLeast, 700.0 * 1024 * 1024}}},
      {"<4.5 gb", {}, {{SizeBound::Op::Below, 4.5 * 1024 * 1024 * 1024}}},
      {"<= 2 Kb", {}, {{SizeBound::Op::AtMost, 2048}}},
      {"> 1TB word", {"word"}, {{SizeBound::Op::Above, 1024.0 * 1024 * 1024 * 1024}}},
      {"\xa3\xbe" "10MB", {}, {{SizeBound::Op::Above, 10.0 * 1024 * 1024}}},  // a full-width >
      {">700", {">700"}, {}},        // no unit: a word
      {">abc", {">abc"}, {}},
      {"<", {"<"}, {}},
      {"a\nb", {"a", "b"}, {}},      // pasted line breaks are blanks
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const search::ResultFilter filter = ParseFilter(c.text);
    EXPECT_EQ(filter.words, c.words);
    EXPECT_EQ(filter.bounds, c.bounds);
    EXPECT_EQ(filter.Empty(), c.words.empty() && c.bounds.empty());
  }
}

TEST(ResultFilter, RowsThatPass) {
  struct Case {
    std::string filter, name, size;
    bool passes;
  } cases[] = {
      {"", "anything", "", true},
      {"hevc 2023", "Movie 2023 HEVC", "1 GB", true},                // any order, any case
      {"hevc 2024", "Movie 2023 HEVC", "1 GB", false},               // every word
      {kFullWidthAbc, "xxABCxx", "", true},                          // full-width against half-width
      {"abc", "xx" + kFullWidthAbc, "", true},
      {kChinese, "a" + kChinese + "b", "", true},
      // A word is matched on whole characters: "\xce\xc4" (文) is not found across 中's bytes.
      {"\xd0\xce", kChinese, "", false},
      {">1GB", "x", "1.5 GB", true},
      {">1GB", "x", "1 GB", false},
      {">=1GB", "x", "1024 MB", true},
      {"<4.5gb", "x", "700MB", true},
      {"<4.5gb", "x", "5 GB", false},
      {"<=2kb", "x", "2048 B", true},
      {">1mb", "x", "unknown", false},                               // unreadable sizes fail a bound
      {">1mb", "x", "", false},
      {">1mb <2mb movie", "Movie", "1.5 MB", true},
      {">1mb <2mb movie", "Movie", "2.5 MB", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.filter + " | " + c.name + " | " + c.size);
    EXPECT_EQ(FilterPasses(ParseFilter(c.filter), c.name, c.size), c.passes);
  }
}

TEST(ResultFilter, HostileTextStaysBounded) {
  // A pasted page is cut to the filter's length, on a character boundary.
  std::string text = "x" + std::string(100000, '\xd6');
  const search::ResultFilter filter = ParseFilter(text);
  ASSERT_EQ(filter.words.size(), 1u);
  EXPECT_LE(filter.words[0].size(), search::kMaxFilterBytes);
  EXPECT_EQ(filter.words[0].size() % 2, 1u) << "cut inside a character";
  // Long names of repeated text against a long word answer without hanging.
  const std::string name(64 * 1024, 'a');
  EXPECT_FALSE(FilterPasses(ParseFilter(std::string(500, 'a') + "b"), name, ""));
  EXPECT_TRUE(FilterPasses(ParseFilter(std::string(500, 'a')), name, ""));
  // A lone lead byte at the end is a character of its own.
  EXPECT_TRUE(FilterPasses(ParseFilter("\x81"), "x\x81", ""));
}

// The plain reading of a word match: the folded name holds the word at a whole character's
// start and end. The filter matches without folding a copy of every name; both must agree.
bool FoldedNameHolds(const std::string& name, const std::string& word) {
  const std::string folded = search::FoldForFilter(name);
  std::vector<size_t> starts;  // character starts of the folded text, and its end
  for (size_t at = 0; at < folded.size();) {
    starts.push_back(at);
    const auto c = static_cast<unsigned char>(folded[at]);
    at += c >= 0x81 && c <= 0xFE && at + 1 < folded.size() ? 2 : 1;
  }
  starts.push_back(folded.size());
  for (size_t s : starts) {
    const size_t end = s + word.size();
    if (folded.compare(s, word.size(), word) == 0 && std::find(starts.begin(), starts.end(), end) != starts.end()) {
      return true;
    }
  }
  return false;
}

TEST(ResultFilter, MatchingWithoutACopyAgreesWithTheFoldedName) {
  // Names and words from a small alphabet of the characters folding treats apart.
  const std::vector<std::string> pieces = {"a",  "B",        "\xa3\xc1", "\xa3\xe1", "\xa1\xa1", " ",
                                           "\t", "\xd6\xd0", "\xd0\xd6", "\xa3",     "1",        "\xd6"};
  std::uint32_t seed = 12345;
  const auto next = [&] { return (seed = seed * 1103515245u + 12345u) >> 16; };
  const auto make = [&](size_t most) {
    std::string text;
    for (size_t n = next() % (most + 1); n > 0; --n) text += pieces[next() % pieces.size()];
    return text;
  };
  int passed = 0;
  for (int i = 0; i < 20000; ++i) {
    const std::string name = make(8);
    const search::ResultFilter filter = search::ParseFilter(make(3));
    if (filter.words.empty() || !filter.bounds.empty()) continue;
    bool want = true;
    for (const std::string& word : filter.words) want = want && FoldedNameHolds(name, word);
    ASSERT_EQ(search::FilterPasses(filter, name, ""), want) << i;
    passed += want;
  }
  EXPECT_GT(passed, 100) << "the cases must include matches";
}

}  // namespace
