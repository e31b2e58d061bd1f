// ReadResultRow cuts the fields while it unescapes, in one scan; it must give exactly what
// decoding the whole row on its UTF-16 units and then cutting the fields gives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "search/ResultPage.h"
#include "support/HostileText.h"
#include "web/Encoding.h"

namespace {

search::ResultRow ByUnits(const std::string& escapedRow) {
  return search::ParseResultRow(web::JsUnescapeByUnits(escapedRow));
}

void ExpectSameRow(const search::ResultRow& scanned, const search::ResultRow& reference, const std::string& name) {
  EXPECT_EQ(scanned.title, reference.title) << name;
  EXPECT_EQ(scanned.size, reference.size) << name;
  EXPECT_EQ(scanned.format, reference.format) << name;
  EXPECT_EQ(scanned.url, reference.url) << name;
  EXPECT_EQ(scanned.id, reference.id) << name;
  EXPECT_EQ(scanned.detailPath, reference.detailPath) << name;
}

TEST(ResultRowScan, TrickyRowsReadAsTheUnitRouteReadsThem) {
  const struct {
    const char* name;
    std::string row;
    std::string title, size, format, detailPath;  // what the scan must give
  } cases[] = {
      {"a site row", "\\\" data-id=\\\"7\\\" data-url=\\\"\\/d?id=7\\\"><td data-title=\\\"\\\"><span class=\\\"highlight\\\">"
                     "ABC \xd6\xd0<\\/span><\\/td>\\n<td style=\\\"text-align: right;\\\">\\n 1 GB<\\/td><img alt=\\\"mkv\\\">",
       "ABC \xd6\xd0", " 1 GB", "mkv", "/d?id=7&__diycdn=7"},
      // Markers whose characters come from escapes of every kind.
      {"escaped quotes", "data-id=%22a%22 data-url=\\x22u\\x22 <img alt=\\42f\\42", "", "", "f", "u&__diycdn=a"},
      {"unicode escapes", "data\\u002did\\u003d\\u0022x\\u0022 %u003Cimg alt=%u0022png%u0022", "", "", "png",
       "&__diycdn=x"},
      {"markers in any case", "DATA-ID=\\\"9\\\" <IMG ALT=\\\"Avi\\\" <TD STYLE=\\\"TEXT-ALIGN: RIGHT;\\\">2<\\/TD>", "",
       "2", "Avi", "&__diycdn=9"},
      // A start marker that begins inside a longer false start.
      {"false starts", "data-data-id=\\\"5\\\" <td <td style=\\\"text-align: right;\\\">3<\\/t<\\/td>", "", "3</t", "",
       "&__diycdn=5"},
      {"end marker right after the start", "data-title=\\\"<\\/span> data-id=\\\"\\\"", "", "", "", "&__diycdn="},
      {"fields inside the title", "data-title=\\\"data-id=\\\"4\\\" x<\\/span>", "data-id=\"4\" x", "", "",
       "&__diycdn=4"},
      {"first start marker only", "data-id=\\\"1 data-id=\\\"2\\\"", "", "", "", "&__diycdn=1 data-id="},
      // A double-byte character whose trail byte is a letter hides a marker's first letter.
      {"marker behind a trail byte", "\x81" "data-id=\\\"1\\\"", "", "", "", "&__diycdn="},
      // Truncated escapes stay as they stand.
      {"truncated %u", "data-id=\\\"%u4e\\\" <img alt=\\\"%u4\\\"", "", "", "%u4", "&__diycdn=%u4e"},
      {"truncated \\u", "data-id=\\\"\\u4e2\\\"", "", "", "", "&__diycdn=%u4e2"},
      {"truncated \\x", "data-id=\\\"\\x4\\\"", "", "", "", "&__diycdn=x4"},
      {"escape split at the end", "data-id=\\\"1\\\" %u00", "", "", "", "&__diycdn=1"},
      // Texts the script would not compile give empty fields.
      {"backslash at the very end", "data-id=\\\"1\\\" \\", "", "", "", "&__diycdn="},
      {"lone line feed after the fields", "data-id=\\\"1\\\"\n", "", "", "", "&__diycdn="},
      // Replacements around the decoding.
      {"line breaks and apostrophes in the title", "data-title=\\\"it's\r\na\\\">b{$}c\xa1\xaf<\\/span>",
       "it'sab" "c'", "", "", "&__diycdn="},
      {"a zero ends the text", "data-id=\\\"1\\\" data-title=\\\"a%00b<\\/span>", "", "", "", "&__diycdn=1"},
      {"zero bytes end the row", std::string("data-id=\\\"1\\\"\0data-url=\\\"u\\\"", 30), "", "", "", "&__diycdn=1"},
      {"lone lead byte at the end", "data-id=\\\"1\\\" \x81", "", "", "", "&__diycdn=1"},
      {"empty row", "", "", "", "", "&__diycdn="},
  };
  for (const auto& c : cases) {
    const search::ResultRow scanned = search::ReadResultRow(c.row);
    ExpectSameRow(scanned, ByUnits(c.row), c.name);
    EXPECT_EQ(scanned.title, c.title) << c.name;
    EXPECT_EQ(scanned.size, c.size) << c.name;
    EXPECT_EQ(scanned.format, c.format) << c.name;
    EXPECT_EQ(scanned.detailPath, c.detailPath) << c.name;
  }

  // Bytes that are no whole GBK pair, and units that are no GBK character: the unit route
  // reads these rows, as the code page converts them.
  const std::string platformRows[] = {
      "data-id=\\\"\x80\\\" <img alt=\\\"\xff\x81\\\"",
      "data-id=\\\"%uD83D%uDE00\\u20ac\\\" <img alt=\\\"%u00e9\\\"",
      "<img alt=\\\"\xd6\" data-id=\\\"\xd6\\\"",
  };
  for (const std::string& row : platformRows) ExpectSameRow(search::ReadResultRow(row), ByUnits(row), row);

  // Markers as the site writes them are passed whole: near misses of them, and the title's
  // highlight lead where it is not the whole lead or not at the title's start.
  using namespace std::string_literals;
  const std::string siteFormRows[] = {
      "data-title=\\\"\\\"><span class=\\\"highlight\\\">\\\"><span class=\\\"highlight\\\">A<\\/span>",
      "data-title=\\\"\\\"><span class=\\\"highlight\\\"\r\n>A<\\/span>",
      "data-title=\\\"x\\\"><span class=\\\"highlight\\\">A<\\/span>",
      "data-title=\\\"\\\"><span class=\\\"HIGHLIGHT\\\">A<\\/SPAN><\\/span>",
      "data-title=\\\"\\\"><span class=\\\"highlight\\\">A<\\/spa<\\/span>",
      "data-title=%22\\\"><span class=\\\"highlight\\\">A\\u003c\\/span>",
      "<td style=\\\"text-align: right;\\\"\\u003e1<\\/t<\\/td>",
      "DATA-ID=\\\"1\\\" data-url=\\\"u<\\/td>\\\" <img alt=\\\"a\\/b\\\"",
      "data-id=\\\"1\\\\\0\\\" <img alt=\\\"a\\\""s,  // a zero right after a backslash
      "data-id=\\\"1\xd6\0\\\""s,                        // and right after a lead byte
  };
  for (const std::string& row : siteFormRows) ExpectSameRow(search::ReadResultRow(row), ByUnits(row), row);
}

TEST(ResultRowScan, HugeRows) {
  const std::string title(1 << 20, '\xd6');  // lead bytes pair up with each other
  const std::string row = "data-id=\\\"1\\\" data-title=\\\"" + title + "%41<\\/span><img alt=\\\"" +
                          std::string(300000, 'x') + "\\\"" + std::string(100000, '\\');
  const search::ResultRow scanned = search::ReadResultRow(row);
  ExpectSameRow(scanned, ByUnits(row), "huge row");
  EXPECT_TRUE(scanned.title == title + "A");
  EXPECT_EQ(scanned.format.size(), 300000u);

  // An odd number of backslashes at the end escapes the closing quote: nothing compiles.
  const search::ResultRow open = search::ReadResultRow(row + "\\");
  EXPECT_EQ(open.title, "");
  EXPECT_EQ(open.detailPath, "&__diycdn=");
}

TEST(ResultRowScan, HostileRowsReadAsTheUnitRouteReadsThem) {
  testing_support::HostileText hostile(
      4711, {"data-title=\\\"", "data-url=\\\"", "DATA-ID=\\\"", "<img alt=\\\"", "<td style=\\\"text-align: right;\\\">",
             "<\\/span>", "<\\/td>", "\\\"", "\"", "<span class=\\\"highlight\\\">", "\">", "\\", "%", "%u", "\\u", "\\x",
             "'", "\r\n", "\n", "\xd6\xd0", "\xa1\xaf", "{$}", "%7B%24%7D", "4E2D", "22", "00", "\\0", "\\/", "\\n",
             "\\\"><span class=\\\"highlight\\\">", "<span", "\\\">"});
  // Read one after another into one row, as the search reads a page: nothing of a row stays
  // behind in the next.
  search::ResultRow reused;
  for (int i = 0; i < 3000; ++i) {
    const std::string row = hostile.Next();
    search::ReadResultRow(row, reused);
    const search::ResultRow reference = ByUnits(row);
    ASSERT_TRUE(reused.title == reference.title && reused.size == reference.size &&
                reused.format == reference.format && reused.url == reference.url && reused.id == reference.id &&
                reused.detailPath == reference.detailPath)
        << i;
    EXPECT_EQ(reused.detailPath, reused.url + "&__diycdn=" + reused.id);
  }
}

TEST(ResultRowScan, RowViewsAreTheCutRows) {
  testing_support::HostileText hostile(
      815, {"<tr class=\\\"search-row", "<\\/td>\\n<\\/tr>", " ", "\xa1\xa1", "\xb0", "\xa1", "x", "\\"});
  for (int i = 0; i < 2000; ++i) {
    const std::string page = hostile.Next();
    const std::vector<std::string_view> views = search::CutResultRowViews(page);
    ASSERT_EQ(std::vector<std::string>(views.begin(), views.end()), search::CutResultRows(page)) << i;
  }
}

}  // namespace
