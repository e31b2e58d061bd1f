// Random and malformed pages for the result-page and detail-page readers: no crash, no hang,
// results bounded by the input.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "search/Classification.h"
#include "search/DetailPage.h"
#include "search/ResultPage.h"
#include "support/HostileText.h"

namespace {

const std::vector<std::string> kVocabulary = {
    "<tr class=\\\"search-row", "<\\/td>\\n<\\/tr>", "data-title=\\\"", "data-title=\"", "</span>", "<\\/span>",
    "<td style=\"text-align: right;\">", "</td>", "<img alt=\"", "data-url=\"", "data-id=\"",
    "<span class=\"highlight\">", "\">", "\\u", "\\x", "\\", "%u", "%", "404: Not Found",
    "\xd1\xb8\xc0\xd7\xd4\xc6\xb2\xa5", "<a href=\"", "info_hash=", "magnet", "%22", "%3A", ".mp4", "ra",
};

TEST(HostileInput, PageReadersStayBounded) {
  testing_support::HostileText generator(77031u, kVocabulary);
  for (int round = 0; round < 10000; ++round) {
    const std::string page = generator.Next();
    const size_t n = page.size();
    SCOPED_TRACE(round);

    search::PageHasResults(page);
    size_t total = 0;
    for (const std::string& row : search::CutResultRows(page)) {
      total += row.size();
      search::ResultRow fields = search::ReadResultRow(row);
      EXPECT_LE(fields.title.size() + fields.size.size() + fields.format.size(), 6 * row.size());
      EXPECT_EQ(fields.detailPath, fields.url + "&__diycdn=" + fields.id);
    }
    EXPECT_LE(total, n);
    search::ResultRow direct = search::ParseResultRow(page);
    EXPECT_LE(direct.title.size(), n);
    EXPECT_LE(direct.size.size(), n);
    EXPECT_LE(search::StripHighlight(page).size(), n);
    EXPECT_LE(search::ClassifyFormat(page.substr(0, 8)).size(), 4u);

    search::DetailResult detail = search::AnalyseDetailPage(page);
    EXPECT_EQ(detail.outcome == search::DetailOutcome::Found, !detail.magnet.empty());
    EXPECT_LE(detail.magnet.size(), 2 * n + 20);
    EXPECT_LE(search::SearchPageUrl("h", page, round).size(), 9 * n + 64);
  }
}

}  // namespace
