// The extra result items decided without a window: names and addresses one per line, which
// detail pages may reach the browser (their paths come from untrusted pages), how many open and
// when the user is asked first; and the marks of taken results, found again by their page.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "app/ResultsView.h"
#include "app/RowDetails.h"
#include "search/ResultMarks.h"

namespace {

constexpr const char* kHost = "127.0.0.1:8080";

ListRowCopy Row(const std::string& title, const std::string& path) {
  ListRowCopy row;
  row.texts.assign(kColumnMagnet, "");
  row.texts[kColumnTitle - 1] = title;
  row.texts[kColumnDetailPath - 1] = path;
  return row;
}

std::vector<ListRowCopy> Rows(int count, const std::string& path = "/detail?id=") {
  std::vector<ListRowCopy> rows;
  for (int i = 1; i <= count; ++i) rows.push_back(Row("t" + std::to_string(i), path + std::to_string(i)));
  return rows;
}

TEST(RowDetails, NamesAndAddressesOnePerLineInRowOrder) {
  std::vector<ListRowCopy> rows = {Row("B title", "/detail?id=2"), Row("A \xd6\xd0", "/detail?id=1"), Row("", "")};
  EXPECT_EQ(JoinedNames(rows), "B title\r\nA \xd6\xd0");
  EXPECT_EQ(JoinedDetailAddresses(kHost, rows),
            "http://127.0.0.1:8080/detail?id=2\r\nhttp://127.0.0.1:8080/detail?id=1");
  EXPECT_EQ(JoinedNames({}), "");
  ListRowCopy cut;  // a row copy with fewer cells than columns
  cut.texts = {"1"};
  EXPECT_EQ(RowCell(cut, kColumnTitle), "");
  EXPECT_EQ(RowCell(cut, 0), "");
  EXPECT_EQ(JoinedDetailAddresses(kHost, {cut}), "");
}

TEST(RowDetails, OnlyPlainPagesOnTheSiteReachTheBrowser) {
  struct Case {
    const char* path;
    const char* address;  // "" refused
  } cases[] = {
      {"/detail?id=7&__diycdn=3", "http://127.0.0.1:8080/detail?id=7&__diycdn=3"},
      {"/", "http://127.0.0.1:8080/"},
      {"", ""},
      {"detail?id=1", ""},      // would run into the host's name
      {"@evil.example/x", ""},  // would make the site's name a user name
      {".evil.example/", ""},
      {"/a b", ""},  // the shell would split it
      {"/a\"b", ""},
      {"/a'b", ""},
      {"/\xd6\xd0\xce\xc4", ""},  // not an address's bytes
      {"/a\r\nb", ""},
      {"/a\tb", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(DetailAddressToOpen(kHost, c.path), c.address) << c.path;
}

TEST(RowDetails, AtMostTenPagesOpenAndMoreThanThreeAreAskedAbout) {
  struct Case {
    int rows;
    size_t opened;
    bool asked;
    const char* count;  // the number the question names
  } cases[] = {{1, 1, false, ""},      {3, 3, false, ""},      {4, 4, true, " 4 "},
               {10, 10, true, " 10 "}, {11, 10, true, " 11 "}, {200, 10, true, " 200 "}};
  for (const Case& c : cases) {
    const PageOpening plan = PlanPageOpening(kHost, Rows(c.rows));
    EXPECT_EQ(plan.addresses.size(), c.opened) << c.rows;
    EXPECT_EQ(plan.openable, static_cast<size_t>(c.rows));
    EXPECT_EQ(!plan.question.empty(), c.asked) << c.rows;
    EXPECT_NE(plan.question.find(c.count), std::string::npos) << c.rows << ": " << plan.question;
    if (c.rows > 10) {
      EXPECT_NE(plan.question.find(" 10 "), std::string::npos) << "says how many open";
    }
    EXPECT_TRUE(plan.refusal.empty());
    ASSERT_FALSE(plan.addresses.empty());
    EXPECT_EQ(plan.addresses.front(), "http://127.0.0.1:8080/detail?id=1");
  }
  // Rows whose page may not be opened are left out and not counted; with none, the user is told.
  std::vector<ListRowCopy> mixed = Rows(3);
  mixed.push_back(Row("bad", "@evil.example"));
  mixed.push_back(Row("none", ""));
  const PageOpening plan = PlanPageOpening(kHost, mixed);
  EXPECT_EQ(plan.addresses.size(), 3u);
  EXPECT_TRUE(plan.question.empty()) << "three openable pages need no question";
  const PageOpening none = PlanPageOpening(kHost, {Row("bad", "x y"), Row("none", "")});
  EXPECT_TRUE(none.addresses.empty());
  EXPECT_FALSE(none.refusal.empty());
}

TEST(ResultMarks, TextsAndResultsKnownAgainByTheirPage) {
  EXPECT_EQ(search::MarkText(0), "");
  EXPECT_EQ(search::MarkText(search::kMarkCopied), "\xd2\xd1\xb8\xb4\xd6\xc6");  // 已复制
  EXPECT_EQ(search::MarkText(search::kMarkThunder), "\xd2\xd1\xb7\xa2\xcb\xcd\xb5\xbd\xd1\xb8\xc0\xd7");
  EXPECT_EQ(search::MarkText(search::kMarkCopied | search::kMarkQqdl),
            "\xd2\xd1\xb8\xb4\xd6\xc6\xa3\xac\xd2\xd1\xb7\xa2\xcb\xcd\xb5\xbd"
            "QQ\xd0\xfd\xb7\xe7");
  const std::vector<std::string> texts = search::MarkTexts();
  ASSERT_EQ(texts.size(), 8u);
  for (size_t bits = 0; bits < texts.size(); ++bits)
    EXPECT_EQ(texts[bits], search::MarkText(static_cast<std::uint8_t>(bits)));

  search::TakenResults taken;
  EXPECT_EQ(taken.Of("/detail?id=1"), 0);
  taken.Add("/detail?id=1", search::kMarkCopied);
  taken.Add("/detail?id=1", search::kMarkThunder);
  taken.Add("", search::kMarkCopied);  // a result without a page cannot be known again
  taken.Add("/detail?id=2", 0);
  EXPECT_EQ(taken.Of("/detail?id=1"), search::kMarkCopied | search::kMarkThunder);
  EXPECT_EQ(taken.Of("/detail?id=2"), 0);
  EXPECT_EQ(taken.Of(""), 0);
  EXPECT_EQ(taken.Of("/detail?id=10"), 0);

  // Read by the search while the UI thread adds: no mark lost.
  std::thread reader([&] {
    for (int i = 0; i < 2000; ++i) taken.Of("/r" + std::to_string(i));
  });
  for (int i = 0; i < 2000; ++i) taken.Add("/r" + std::to_string(i), search::kMarkQqdl);
  reader.join();
  for (int i = 0; i < 2000; i += 97) EXPECT_EQ(taken.Of("/r" + std::to_string(i)), search::kMarkQqdl);
}

}  // namespace
