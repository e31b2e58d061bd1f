// The resolver behind every detail fetch, with a fetcher of the test's: how many pages go to the
// site at once, rows that join a fetch under way, cancels that end every wait at once, and the
// texts and tallies the user reads.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "app/LinkResolver.h"
#include "search/LinkBatch.h"

namespace {

const std::string kHash = "0123456789abcdef0123456789abcdef01234567";

// A site whose pages wait until the test releases them (or the fetch is cancelled).
struct HeldSite {
  gfx::KernelHandle release{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  std::mutex lock;
  std::vector<std::string> asked;  // lock
  std::atomic<int> cancelled{0};

  DetailFetcher Fetcher() {
    return [this](const std::string& url, HANDLE cancel, search::FetchReport* report) -> std::string {
      {
        std::lock_guard hold(lock);
        asked.push_back(url);
      }
      HANDLE waits[2] = {release.Get(), cancel};
      if (WaitForMultipleObjects(2, waits, FALSE, 30000) != WAIT_OBJECT_0) {
        ++cancelled;
        report->error = 12002;
        return {};
      }
      if (url.find("gone") != std::string::npos) {
        report->status = 404;
        return "<h1>404: Not Found</h1>";
      }
      if (url.find("down") != std::string::npos) {
        report->error = 12029;  // cannot connect
        return {};
      }
      if (url.find("nolink") != std::string::npos) return "<p>nothing here</p>";
      return "<a href=\"/dl?info_hash=" + kHash + "\">get</a>";
    };
  }
  size_t Asked() {
    std::lock_guard hold(lock);
    return asked.size();
  }
};

template <typename F>
bool WaitFor(F condition, int ms = 10000) {
  for (int waited = 0; waited < ms; waited += 5) {
    if (condition()) return true;
    Sleep(5);
  }
  return condition();
}

std::vector<LinkJob> Jobs(std::initializer_list<const char*> paths, std::uintptr_t firstResult = 1) {
  std::vector<LinkJob> jobs;
  std::uintptr_t result = firstResult;
  for (const char* path : paths) jobs.push_back({result++, {}, path});
  return jobs;
}

TEST(LinkResolver, AtMostTwoFetchesAndEveryOutcomeWithItsReason) {
  HeldSite site;
  auto resolver = LinkResolver::Make("127.0.0.1:1", site.Fetcher());
  ASSERT_TRUE(resolver);
  std::vector<LinkJob> jobs = Jobs({"/d?1", "/d?gone", "/d?down", "/d?nolink", "/d?5", "bad path", "/d?7"});
  jobs.push_back({100, "magnet:?xt=urn:btih:known", "/d?known"});
  auto batch = std::make_shared<LinkBatch>(jobs, true);
  ASSERT_TRUE(resolver->Start(batch, nullptr, 0));
  // The known link is in at once, without a page; the others wait for the site, two at a time.
  EXPECT_TRUE(batch->Ready(7));
  EXPECT_EQ(batch->Outcome(7).decision.magnet, "magnet:?xt=urn:btih:known");
  EXPECT_EQ(batch->Fetches(), 7);
  ASSERT_TRUE(WaitFor([&] { return site.Asked() == 2; }));
  EXPECT_EQ(resolver->FetchesUnderWay(), 2);
  SetEvent(site.release.Get());
  ASSERT_TRUE(WaitFor([&] { return batch->AllReady(); }));
  EXPECT_EQ(resolver->MostAtOnce(), LinkResolver::kMaxFetches);
  EXPECT_EQ(site.Asked(), 6u) << "the path that is not on the site is never asked for";

  using search::LinkFailure;
  const LinkFailure want[] = {LinkFailure::None,       LinkFailure::ErrorStatus, LinkFailure::Unreachable,
                              LinkFailure::NoResource, LinkFailure::None,        LinkFailure::NoResource,
                              LinkFailure::None,       LinkFailure::None};
  search::LinkTally tally;
  std::vector<std::string> links;
  for (size_t i = 0; i < batch->Count(); ++i) {
    ASSERT_TRUE(batch->Ready(i));
    EXPECT_EQ(batch->Outcome(i).failure, want[i]) << "row " << i;
    EXPECT_EQ(batch->Outcome(i).decision.fromPage, want[i] == LinkFailure::None && i != 7) << "row " << i;
    tally.Add(batch->Outcome(i).failure);
    links.push_back(batch->Outcome(i).decision.magnet);
  }
  EXPECT_EQ(tally.found, 4);
  EXPECT_EQ(tally.Failed(), 4);
  const std::string joined = search::JoinLinks(links);
  EXPECT_EQ(joined, "magnet:?xt=urn:btih:" + kHash + "\r\nmagnet:?xt=urn:btih:" + kHash + "\r\nmagnet:?xt=urn:btih:" +
                        kHash + "\r\nmagnet:?xt=urn:btih:known");
}

TEST(LinkResolver, ARowWhosePageIsOnTheWayJoinsThatFetch) {
  HeldSite site;
  auto resolver = LinkResolver::Make("h", site.Fetcher());
  ASSERT_TRUE(resolver);
  auto first = std::make_shared<LinkBatch>(Jobs({"/d?a"}, 7), false);
  ASSERT_TRUE(resolver->Start(first, nullptr, 0));
  ASSERT_TRUE(WaitFor([&] { return site.Asked() == 1; }));
  // The same result again, and another: the first joins, the second is asked for.
  auto second = std::make_shared<LinkBatch>(Jobs({"/d?a", "/d?b"}, 7), false);
  ASSERT_TRUE(resolver->Start(second, nullptr, 0));
  ASSERT_TRUE(WaitFor([&] { return site.Asked() == 2; }));
  SetEvent(site.release.Get());
  ASSERT_TRUE(WaitFor([&] { return first->AllReady() && second->AllReady(); }));
  EXPECT_EQ(site.Asked(), 2u);
  EXPECT_EQ(second->Outcome(0).decision.magnet, first->Outcome(0).decision.magnet);
  EXPECT_FALSE(second->Outcome(0).decision.magnet.empty());
}

TEST(LinkResolver, ACancelEndsEveryWaitAtOnceAndAJoinerFetchesAfterAll) {
  HeldSite site;
  auto resolver = LinkResolver::Make("h", site.Fetcher());
  ASSERT_TRUE(resolver);
  auto held = std::make_shared<LinkBatch>(Jobs({"/d?1", "/d?2", "/d?3", "/d?4"}, 1), true);
  ASSERT_TRUE(resolver->Start(held, nullptr, 0));
  ASSERT_TRUE(WaitFor([&] { return site.Asked() == 2; }));
  // Another batch joins row 1's fetch, then the first batch is cancelled: its two fetches end
  // at once, no further row of it is asked for, and the joiner asks for row 1 itself.
  auto joiner = std::make_shared<LinkBatch>(Jobs({"/d?1"}, 1), true);
  ASSERT_TRUE(resolver->Start(joiner, nullptr, 0));
  held->Cancel();
  ASSERT_TRUE(WaitFor([&] { return site.cancelled == 2 && resolver->FetchesUnderWay() <= 1; }));
  ASSERT_TRUE(WaitFor([&] { return site.Asked() == 3; }));
  EXPECT_TRUE(held->Cancelled());
  EXPECT_EQ(held->FetchesDone(), 0) << "a cancelled batch takes no outcome";
  SetEvent(site.release.Get());
  ASSERT_TRUE(WaitFor([&] { return joiner->AllReady(); }));
  EXPECT_FALSE(joiner->Outcome(0).decision.magnet.empty());
  EXPECT_EQ(site.Asked(), 3u) << "no row of the cancelled batch was asked for after the cancel";
}

TEST(LinkBatchTexts, ProgressConfirmationSummariesAndReasons) {
  using search::LinkFailure;
  const search::MagnetDecision found{"magnet:?x", true, search::MagnetBox::Success};
  const search::MagnetDecision missing{"", false, search::MagnetBox::Failure};
  const search::MagnetDecision none{"", false, search::MagnetBox::NoResource};
  struct Case {
    search::MagnetDecision decision;
    search::FetchReport report;
    LinkFailure failure;
  } cases[] = {
      {found, {true, 0, 200}, LinkFailure::None},
      {none, {false, 0, 0}, LinkFailure::NoResource},           // no page to ask for
      {none, {true, 0, 200}, LinkFailure::NoResource},          // a page without a link
      {none, {true, 12002, 0}, LinkFailure::NoAnswer},          // no answer in time
      {none, {true, 12029, 0}, LinkFailure::Unreachable},       // no connection
      {none, {true, 12007, 0}, LinkFailure::Unreachable},       // no such name
      {none, {true, 0, 503}, LinkFailure::ErrorStatus},
      {missing, {true, 0, 200}, LinkFailure::ErrorStatus},      // the site's "not found" page
  };
  search::LinkTally tally;
  for (const Case& c : cases) {
    EXPECT_EQ(search::FailureOf(c.decision, c.report), c.failure) << c.report.error << " " << c.report.status;
    tally.Add(c.failure);
  }
  EXPECT_EQ(tally.found, 1);
  EXPECT_EQ(tally.Failed(), 7);

  // GBK: 正在获取磁力链接 3/20, 需要访问站点 51 次，继续吗？
  EXPECT_EQ(search::ProgressLine(3, 20), "\xd5\xfd\xd4\xda\xbb\xf1\xc8\xa1\xb4\xc5\xc1\xa6\xc1\xb4\xbd\xd3 3/20");
  EXPECT_EQ(search::ConfirmFetchesText(51),
            "\xd0\xe8\xd2\xaa\xb7\xc3\xce\xca\xd5\xbe\xb5\xe3 51 \xb4\xce\xa3\xac\xbc\xcc\xd0\xf8\xc2\xf0\xa3\xbf");
  // 已复制 4 个磁力链接, and with failures a second line that names only the reasons that occurred.
  const std::string copied4 = "\xd2\xd1\xb8\xb4\xd6\xc6 4 \xb8\xf6\xb4\xc5\xc1\xa6\xc1\xb4\xbd\xd3";
  search::LinkTally clean;
  clean.found = 4;
  EXPECT_EQ(search::CopySummary(clean), copied4);
  search::LinkTally mixed = clean;
  mixed.noAnswer = 2;
  mixed.errorStatus = 1;
  // 3 个没有获取到：站点无应答 2 个，站点返回错误 1 个
  EXPECT_EQ(search::CopySummary(mixed), copied4 +
                                            "\r\n3 \xb8\xf6\xc3\xbb\xd3\xd0\xbb\xf1\xc8\xa1\xb5\xbd\xa3\xba"
                                            "\xd5\xbe\xb5\xe3\xce\xde\xd3\xa6\xb4\xf0 2 \xb8\xf6\xa3\xac"
                                            "\xd5\xbe\xb5\xe3\xb7\xb5\xbb\xd8\xb4\xed\xce\xf3 1 \xb8\xf6");
  EXPECT_NE(search::HandOverSummary(mixed).find("\r\n3 "), std::string::npos);
  EXPECT_NE(search::CancelledText(true), search::CancelledText(false));
  // Links one per line in the order given, rows without one left out.
  EXPECT_EQ(search::JoinLinks({"a", "", "b", "c"}), "a\r\nb\r\nc");
  EXPECT_EQ(search::JoinLinks({"", ""}), "");
}

}  // namespace
