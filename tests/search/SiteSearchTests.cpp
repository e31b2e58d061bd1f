// Result pages and detail pages of the reference site read through the real request routine:
// every catalogue entry must come out as the site's own model of the program says.
#include <gtest/gtest.h>

#include <map>

#include "search/Classification.h"
#include "search/DetailPage.h"
#include "search/ResultPage.h"
#include "support/SiteServer.h"
#include "web/WebAccess.h"

namespace {

std::string SiteHost() { return "127.0.0.1:" + std::to_string(testsupport::SitePort()); }

const char* OutcomeName(search::DetailOutcome outcome) {
  switch (outcome) {
    case search::DetailOutcome::Found: return "link";
    case search::DetailOutcome::PageMissing: return "failure";
    case search::DetailOutcome::NoResource: return "no-resource";
  }
  return "?";
}

// Every row of every page of a search, in page order; stops at the first page without results.
std::vector<search::ResultRow> SearchAll(const std::string& term, int* pages) {
  std::vector<search::ResultRow> rows;
  const std::string host = SiteHost();
  for (int page = 1; page < 100; ++page) {
    const std::string body = web::WebAccess(search::SearchPageUrl(host, term, page));
    if (!search::PageHasResults(body)) {
      *pages = page - 1;
      return rows;
    }
    for (const std::string& row : search::CutResultRows(body)) rows.push_back(search::ReadResultRow(row));
  }
  ADD_FAILURE() << "the search never ended";
  return rows;
}

TEST(SiteSearch, WholeCatalogueReadsAsExpectedRowByRowAndDetailByDetail) {
  std::map<std::string, testsupport::ExpectedEntry> expected;
  for (auto& entry : testsupport::CatalogueExpectations()) expected[entry.detailPath] = entry;
  ASSERT_EQ(expected.size(), 300u);

  int pages = 0;
  const auto rows = SearchAll("", &pages);
  EXPECT_EQ(pages, 30);
  ASSERT_EQ(rows.size(), expected.size());

  const std::string host = SiteHost();
  std::map<std::string, int> outcomes;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.detailPath);
    auto it = expected.find(row.detailPath);
    ASSERT_NE(it, expected.end());
    const auto& want = it->second;
    EXPECT_EQ(row.title, want.title);
    EXPECT_EQ(row.size, want.size);
    EXPECT_EQ(row.format, want.format);
    EXPECT_EQ(search::ClassifyFormat(row.format), want.codes);

    const auto detail = search::AnalyseDetailPage(web::WebAccess(search::DetailPageUrl(host, row.detailPath)));
    EXPECT_EQ(OutcomeName(detail.outcome), want.outcome);
    EXPECT_EQ(detail.magnet, want.magnet);
    outcomes[want.outcome]++;
  }
  // The catalogue exercises every outcome.
  EXPECT_GT(outcomes["link"], 0);
  EXPECT_GT(outcomes["failure"], 0);
  EXPECT_GT(outcomes["no-resource"], 0);
}

TEST(SiteSearch, TermsArriveAsUtf8AndPagesEndAfterTheLastResult) {
  int pages = 0;
  const auto demo = SearchAll("ABC", &pages);
  EXPECT_EQ(demo.size(), 38u);
  EXPECT_EQ(pages, 4);

  // A Chinese term, written in GBK, must reach the site as UTF-8 and find the same titles.
  const std::string music = "\xd2\xf4\xc0\xd6";  // "music"
  size_t wanted = 0;
  for (const auto& entry : testsupport::CatalogueExpectations()) wanted += entry.title.find(music) != std::string::npos;
  ASSERT_GT(wanted, 0u);
  const auto found = SearchAll(music, &pages);
  EXPECT_EQ(found.size(), wanted);
  for (const auto& row : found) EXPECT_NE(row.title.find(music), std::string::npos) << row.title;

  EXPECT_TRUE(SearchAll("no such title anywhere", &pages).empty());
  EXPECT_EQ(pages, 0);
}

}  // namespace
