#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "search/ResultPage.h"

namespace {

using Rows = std::vector<std::string>;

// One row as the site writes it inside its escaped answer, without the row markers.
std::string EscapedRow(const std::string& title, const std::string& size, const std::string& format,
                       const std::string& id) {
  return "\\\" data-url=\\\"\\/d\\/" + id + "?k=1\\\" data-id=\\\"" + id + "\\\">\\n<td data-title=\\\"" + title +
         "\\\"><span class=\\\"highlight\\\">HL<\\/span><\\/td>\\n<td style=\\\"text-align: right;\\\">" + size +
         "<\\/td>\\n<td><img alt=\\\"" + format + "\\\" src=\\\"\\/i.png\\\">";
}

const std::string kRowStart = "<tr class=\\\"search-row";
const std::string kRowEnd = "<\\/td>\\n<\\/tr>";

TEST(SearchPageUrl, TermAsUtf8EscapesAndPageNumber) {
  EXPECT_EQ(search::SearchPageUrl("127.0.0.1:8618", "abc", 1), "http://127.0.0.1:8618/ajax/search_next?s=abc&p=1");
  EXPECT_EQ(search::SearchPageUrl("h", "a b-1.\xd6\xd0/_~", 2), "http://h/ajax/search_next?s=a%20b-1.%E4%B8%AD%2F%5F%7E&p=2");
  EXPECT_EQ(search::SearchPageUrl("h", "", 12), "http://h/ajax/search_next?s=&p=12");
}

TEST(PageHasResults, ProbeInAnyCase) {
  EXPECT_TRUE(search::PageHasResults("x DATA-Title y"));
  EXPECT_TRUE(search::PageHasResults("data-title"));
  EXPECT_FALSE(search::PageHasResults("data_title"));
  EXPECT_FALSE(search::PageHasResults(""));
}

TEST(CutResultRows, EscapedRowsInPageOrder) {
  const std::string row1 = EscapedRow("One", "1 GB", "mkv", "11");
  const std::string row2 = EscapedRow("Two", "2 MB", "mp3", "22");
  const std::string page = "{\"html\":\"<table>" + kRowStart + row1 + kRowEnd + "\\n" + kRowStart + "  " + row2 +
                           " " + kRowEnd + kRowStart + "unfinished\"}";
  EXPECT_EQ(search::CutResultRows(page), (Rows{row1, row2}));
  // Marker case matters, and a blank row ends the page.
  EXPECT_EQ(search::CutResultRows("<TR class=\\\"search-rowx" + kRowEnd), Rows{});
  EXPECT_EQ(search::CutResultRows(kRowStart + "a" + kRowEnd + kRowStart + " " + kRowEnd + kRowStart + "c" + kRowEnd),
            Rows{"a"});
  // Unescaped markers are not row markers.
  EXPECT_EQ(search::CutResultRows("<tr class=\"search-row x</td>\n</tr>"), Rows{});
}

TEST(ReadResultRow, FieldsOfAnEscapedRow) {
  search::ResultRow row = search::ReadResultRow(EscapedRow("Movie \xd6\xd0", "\\n  1.2 GB", "mkv", "42"));
  EXPECT_EQ(row.title, "Movie \xd6\xd0HL");
  EXPECT_EQ(row.size, "  1.2 GB");
  EXPECT_EQ(row.format, "mkv");
  EXPECT_EQ(row.url, "/d/42?k=1");
  EXPECT_EQ(row.id, "42");
  EXPECT_EQ(row.detailPath, "/d/42?k=1&__diycdn=42");
}

TEST(ParseResultRow, MissingPiecesGiveEmptyFields) {
  const struct {
    const char* name;
    std::string row;
    std::string title, size, format, detailPath;
  } cases[] = {
      {"highlighted title", "<td data-title=\"X\"><span class=\"highlight\">ABC</span>", "XABC", "", "",
       "&__diycdn="},
      {"first line feed of the size only", "<td style=\"TEXT-ALIGN: right;\">\n 3\nMB</TD>", "", " 3\nMB", "",
       "&__diycdn="},
      {"size without end marker", "<td style=\"text-align: right;\">3 MB", "", "", "", "&__diycdn="},
      {"format up to the quote", "<img alt=\"rmvb\" x=\"y\">", "", "", "rmvb", "&__diycdn="},
      {"id without url", "data-id=\"9\"", "", "", "", "&__diycdn=9"},
      {"empty row", "", "", "", "", "&__diycdn="},
  };
  for (const auto& c : cases) {
    search::ResultRow row = search::ParseResultRow(c.row);
    EXPECT_EQ(row.title, c.title) << c.name;
    EXPECT_EQ(row.size, c.size) << c.name;
    EXPECT_EQ(row.format, c.format) << c.name;
    EXPECT_EQ(row.detailPath, c.detailPath) << c.name;
  }
}

TEST(StripHighlight, TagThenQuoteBracketThenCrLf) {
  const std::pair<std::string, std::string> cases[] = {
      {"a<span class=\"highlight\">b", "ab"},
      {"say \"hi\">", "say \"hi"},
      {"a\r\nb", "ab"},
      {"a\nb\rc", "a\nb\rc"},
      {"\"<span class=\"highlight\">>", ""},  // removing the tag makes a new pair, which goes too
      {"<SPAN class=\"highlight\">", "<SPAN class=\"highlight"},
      {"\xd6\xd0", "\xd6\xd0"},
  };
  for (const auto& [title, stripped] : cases) EXPECT_EQ(search::StripHighlight(title), stripped) << title;
}

}  // namespace
