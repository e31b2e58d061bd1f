// The filter's grammar and what passes it, as a table: words in any order and case, full-width
// letters, size bounds in each unit with and without a space, unreadable sizes.
#include <gtest/gtest.h>

#include <string>

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

}  // namespace
