// The web request routine against the reference site over loopback; what went over the wire
// is read back from the site's request log.
#include <gtest/gtest.h>
#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include "support/SiteServer.h"
#include "web/WebAccess.h"

namespace {

using testsupport::RequestsTo;
using testsupport::SiteUrl;
using web::WebAccess;
using web::WebAccessArgs;
using web::WebAccessBytes;

const std::string kGbkNiHao = "\xc4\xe3\xba\xc3";     // the first two characters of the sample page, in GBK
const std::string kUtf8NiHao = "\xe4\xbd\xa0\xe5\xa5\xbd";  // the same in UTF-8

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(WebAccessWire, PlainGetSendsTheDefaultBlockAndAgent) {
  const std::string url = SiteUrl("/echo?t=plain-get");
  std::string extra;
  const std::string body = WebAccess(url, {.extraHeaders = &extra});
  EXPECT_TRUE(Contains(body, "GET /echo?t=plain-get HTTP/1.1")) << body;

  const std::string expectedBlock = "Referer: " + url +
                                    "\r\nAccept: */*\r\nAccept-Language: zh-cn\r\n"
                                    "Content-Type: application/x-www-form-urlencoded";
  EXPECT_EQ(extra, expectedBlock);

  auto sent = RequestsTo("/echo?t=plain-get");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].method, "GET");
  EXPECT_TRUE(Contains(sent[0].rawHeaders, expectedBlock)) << sent[0].rawHeaders;
  EXPECT_TRUE(Contains(sent[0].rawHeaders, std::string("User-Agent: ") + web::kDefaultAgent)) << sent[0].rawHeaders;
}

// A thread that refuses fetches (the UI thread) makes no request at all, with or without a
// deadline; other threads are not affected.
TEST(WebAccessWire, AThreadThatRefusesFetchesMakesNoRequest) {
  std::string bodies[3];
  web::ExchangeReport reports[3];
  std::thread refusing([&] {
    web::RefuseFetchesOnThisThread();
    bodies[0] = WebAccess(SiteUrl("/echo?t=refused-plain"), {.report = &reports[0]});
    bodies[1] = WebAccess(SiteUrl("/echo?t=refused-deadline"), {.deadlineMs = 5000, .report = &reports[1]});
  });
  refusing.join();
  std::thread other([&] { bodies[2] = WebAccess(SiteUrl("/echo?t=not-refused"), {.report = &reports[2]}); });
  other.join();
  for (int i : {0, 1}) {
    EXPECT_EQ(bodies[i], "");
    EXPECT_EQ(reports[i].error, web::kFetchRefused);
    EXPECT_TRUE(reports[i].Failed());
  }
  EXPECT_TRUE(RequestsTo("/echo?t=refused-plain").empty());
  EXPECT_TRUE(RequestsTo("/echo?t=refused-deadline").empty());
  EXPECT_TRUE(Contains(bodies[2], "GET /echo?t=not-refused")) << "the request after them was made";
  EXPECT_EQ(RequestsTo("/echo?t=not-refused").size(), 1u);
}

TEST(WebAccessWire, UserAgentLineBecomesTheAgent) {
  std::string extra = "user-agent: QuarvelProbe/2.0";
  WebAccess(SiteUrl("/echo?t=agent"), {.extraHeaders = &extra});
  auto sent = RequestsTo("/echo?t=agent");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_TRUE(Contains(sent[0].rawHeaders, "QuarvelProbe/2.0")) << sent[0].rawHeaders;
  EXPECT_FALSE(Contains(sent[0].rawHeaders, web::kDefaultAgent)) << sent[0].rawHeaders;
}

TEST(WebAccessWire, SuppliedJarIsSentAndMergedAndWinInetStoreIsNotUsed) {
  // Without a jar WinINet keeps the cookies itself and sends them next time.
  WebAccess(SiteUrl("/fault/setcookie?t=store-fill"));
  WebAccess(SiteUrl("/echo?t=store-used"));
  auto stored = RequestsTo("/echo?t=store-used");
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_TRUE(Contains(stored[0].rawHeaders, "a=1")) << stored[0].rawHeaders;

  // With a jar only the jar goes out, and the response's cookies are merged into it.
  std::string jar = "a=0; sid=x";
  std::string newCookies;
  WebAccess(SiteUrl("/fault/setcookie?t=jar&set=a%3D5%3B%20path%3D%2F&set=c%3D7%3B%20path%3D%2F"),
            {.cookies = &jar, .newCookies = &newCookies});
  auto sent = RequestsTo("t=jar");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_TRUE(Contains(sent[0].rawHeaders, "Cookie: a=0; sid=x")) << sent[0].rawHeaders;
  EXPECT_FALSE(Contains(sent[0].rawHeaders, "a=1")) << sent[0].rawHeaders;
  EXPECT_FALSE(Contains(sent[0].rawHeaders, "b=2")) << sent[0].rawHeaders;
  EXPECT_EQ(newCookies, "a=5;c=7");
  EXPECT_EQ(jar, "a=5; c=7; sid=x");

  // A supplied empty jar sends no Cookie line of its own, nor WinINet's.
  std::string empty;
  WebAccess(SiteUrl("/echo?t=empty-jar"), {.cookies = &empty});
  auto none = RequestsTo("t=empty-jar");
  ASSERT_EQ(none.size(), 1u);
  EXPECT_FALSE(Contains(none[0].rawHeaders, "Cookie:")) << none[0].rawHeaders;
  EXPECT_EQ(empty, "");
}

TEST(WebAccessResponse, NewCookiesLocationAndRawHeaders) {
  std::string newCookies, location, raw;
  const std::string body = WebAccess(SiteUrl("/fault/setcookie?t=two"),
                                     {.newCookies = &newCookies, .location = &location, .rawHeaders = &raw});
  EXPECT_EQ(newCookies, "a=1; b=2");
  EXPECT_TRUE(Contains(raw, "HTTP/1.")) << raw;
  EXPECT_EQ(location, raw);  // no Location line: a copy of the header block

  WebAccess(SiteUrl("/fault/content-location?to=/moved/here"), {.location = &location});
  EXPECT_EQ(location, "/moved/here");
}

TEST(WebAccessResponse, SetCookieWithoutAttributesKeepsItsPair) {
  std::string newCookies;
  WebAccess(SiteUrl("/fault/setcookie?t=solo&set=solo%3D1"), {.newCookies = &newCookies});
  EXPECT_EQ(newCookies, "solo=1");
}

TEST(WebAccessWire, ProxyServesTheHttpScheme) {
  // The reference site answers absolute-form requests, so it can stand in as the proxy; the
  // named host is never contacted.
  const std::string proxy = "127.0.0.1:" + std::to_string(testsupport::SitePort());
  const std::string body = WebAccess("http://quarvel-proxy-test.invalid/echo?t=proxied", {.proxy = proxy});
  EXPECT_TRUE(Contains(body, "t=proxied")) << body;
  auto sent = RequestsTo("t=proxied");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_TRUE(Contains(sent[0].path, "quarvel-proxy-test.invalid")) << sent[0].path;
}

TEST(WebAccessResponse, NoRedirectStopsAtTheRedirect) {
  std::string location;
  const std::string held = WebAccess(SiteUrl("/fault/redirect?t=held"), {.location = &location, .noRedirect = true});
  EXPECT_EQ(held, "redirecting");
  EXPECT_TRUE(Contains(location, "/fault/target")) << location;
  EXPECT_EQ(WebAccess(SiteUrl("/fault/redirect?t=followed")), "redirect target reached");
}

TEST(WebAccessBody, PostAndGetWithBody) {
  WebAccess(SiteUrl("/echo?t=post"), {.method = 1, .postText = "q=1&w=2"});
  auto posted = RequestsTo("t=post");
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(posted[0].method, "POST");
  EXPECT_EQ(posted[0].body, "q=1&w=2");

  web::ByteArray bytes;
  WebAccess(SiteUrl("/echo?t=get-body"), {.method = 2, .postText = "abc", .postBytes = &bytes});
  auto got = RequestsTo("t=get-body");
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].method, "GET");
  EXPECT_EQ(got[0].body, "abc");
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "abc");  // filled back from the text

  web::ByteArray given{'x', 0, 'y'};
  WebAccess(SiteUrl("/echo?t=post-bytes"), {.method = 1, .postText = "ignored", .postBytes = &given});
  auto raw = RequestsTo("t=post-bytes");
  ASSERT_EQ(raw.size(), 1u);
  EXPECT_EQ(raw[0].body, std::string("x\0y", 3));
}

TEST(WebAccessBody, Utf8DetectionWindowAndHeaders) {
  // "utf-8" inside the first 500 bytes: converted to GBK.
  EXPECT_TRUE(Contains(WebAccess(SiteUrl("/fault/utf8-meta?at=499")), kGbkNiHao));
  // Only at byte 500 or 600, headers silent: left as UTF-8.
  EXPECT_TRUE(Contains(WebAccess(SiteUrl("/fault/utf8-meta?at=500")), kUtf8NiHao));
  EXPECT_TRUE(Contains(WebAccess(SiteUrl("/fault/utf8-late")), kUtf8NiHao));
  // Only the Content-Type header names it: converted.
  EXPECT_TRUE(Contains(WebAccess(SiteUrl("/fault/utf8-header-only")), kGbkNiHao));
  // Upper-case UTF-8 in the body only: not converted.
  EXPECT_TRUE(Contains(WebAccess(SiteUrl("/fault/utf8-upper")), kUtf8NiHao));
  // A GBK page stays as it is.
  EXPECT_TRUE(Contains(WebAccess(SiteUrl("/fault/gbk")), kGbkNiHao));
}

TEST(WebAccessBody, ZeroByteCutsTheTextButNotTheBytes) {
  EXPECT_EQ(WebAccess(SiteUrl("/fault/zero")), "text before the zero byte");
  const web::ByteArray bytes = WebAccessBytes(SiteUrl("/fault/zero"));
  static constexpr char kWhole[] = "text before the zero byte\0text after the zero byte";
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), std::string(kWhole, sizeof kWhole - 1));
}

TEST(WebAccessBody, TenMegabytesArriveWhole) {
  const web::ByteArray bytes = WebAccessBytes(SiteUrl("/fault/big?mb=10"));
  ASSERT_EQ(bytes.size(), 10u * 1024 * 1024);
  const std::string pattern = "abcdefghijklmnopqrstuvwxyz0123456789";
  for (size_t at : {size_t{0}, size_t{65519}, size_t{65520}, bytes.size() - 1}) {
    EXPECT_EQ(bytes[at], static_cast<unsigned char>(pattern[at % pattern.size()])) << at;
  }
}

TEST(WebAccessBody, ABodyPastTheLimitFailsTheExchange) {
  // Exactly the limit still arrives; one byte more, announced or chunked, gives nothing.
  // (Side by side: each is tens of megabytes through Wine's loopback.)
  const size_t limit = web::kMaxBodyBytes;
  auto over = std::async(std::launch::async, [limit] {
    return WebAccessBytes(SiteUrl("/fault/big?bytes=" + std::to_string(limit + 1))).empty();
  });
  auto chunked = std::async(std::launch::async, [limit] {
    return WebAccess(SiteUrl("/fault/big?chunked=1&bytes=" + std::to_string(limit + 1))).empty();
  });
  EXPECT_EQ(WebAccessBytes(SiteUrl("/fault/big?bytes=" + std::to_string(limit))).size(), limit);
  EXPECT_TRUE(over.get());
  EXPECT_TRUE(chunked.get());
}

TEST(WebAccessBody, LongHeaderBlockIsReadWhole) {
  std::string raw, newCookies;
  WebAccess(SiteUrl("/fault/longheaders?bytes=6000"), {.newCookies = &newCookies, .rawHeaders = &raw});
  EXPECT_GT(raw.size(), 6000u);
  EXPECT_TRUE(Contains(raw, "X-Last-Header: end")) << raw.substr(raw.size() - 100);
  EXPECT_EQ(newCookies, "late=1");
}

TEST(WebAccessDeadline, PastItTheExchangeFailsHoweverTheServerPacesIt) {
  const char* slowPages[] = {
      "/fault/slow?t=deadline-trickle&ms=30000&trickle=60",  // a piece every half second for 30 s
      "/fault/slow?t=deadline-silent&ms=30000",              // nothing at all for 30 s, then all
      "/fault/detail-endless?t=deadline-endless",            // a line every half second, no end
  };
  // Every exchange waits out its own deadline: side by side, the test takes one deadline.
  struct Slow {
    std::string text, location = "unchanged";
    bool bytesEmpty = false;
  };
  std::vector<std::future<Slow>> slow;
  for (const char* path : slowPages) {
    slow.push_back(std::async(std::launch::async, [path] {
      Slow got;
      got.text = WebAccess(SiteUrl(path), {.location = &got.location, .deadlineMs = 2000});
      return got;
    }));
    slow.push_back(std::async(std::launch::async, [path] {
      Slow got;
      got.bytesEmpty = WebAccessBytes(SiteUrl(path), {.deadlineMs = 2000}).empty();
      return got;
    }));
  }
  // Within its deadline a paced page arrives whole, and so does a large one.
  auto paced = std::async(std::launch::async, [] {
    return WebAccess(SiteUrl("/fault/slow?t=deadline-within&ms=1000&trickle=4"), {.deadlineMs = 20000});
  });
  EXPECT_EQ(WebAccessBytes(SiteUrl("/fault/big?mb=10"), {.deadlineMs = 60000}).size(), 10u * 1024 * 1024);
  EXPECT_EQ(paced.get(), "piece 0\npiece 1\npiece 2\npiece 3\n");
  for (size_t i = 0; i < slow.size(); ++i) {
    SCOPED_TRACE(slowPages[i / 2]);
    const Slow got = slow[i].get();
    if (i % 2 == 0) {
      EXPECT_EQ(got.text, "");
      EXPECT_EQ(got.location, "unchanged");
    } else {
      EXPECT_TRUE(got.bytesEmpty);
    }
  }
}

// A fetch run on a thread of its own and waited for with one generous deadline, far beyond
// any fetch deadline the tests give: whether it ended, and its text. One that does not end is
// left behind.
struct Outcome {
  bool ended = false;
  std::string text;
  std::string location;
};

Outcome FetchOnItsOwn(const std::string& url, const WebAccessArgs& args) {
  struct Shared {
    WebAccessArgs args;
    std::string url, text, location = "unchanged";
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ~Shared() { CloseHandle(done); }
  };
  auto shared = std::make_shared<Shared>();
  shared->args = args;
  shared->url = url;
  shared->args.location = &shared->location;
  std::thread([shared] {
    shared->text = WebAccess(shared->url, shared->args);
    SetEvent(shared->done);
  }).detach();
  if (WaitForSingleObject(shared->done, 90000) != WAIT_OBJECT_0) return {};
  return {true, shared->text, shared->location};
}

TEST(WebAccessDeadline, EveryPhaseEndsAtIt) {
  // Each page goes on for ten minutes, holding the exchange in another phase.
  const char* held[] = {
      "/fault/detail-slowheaders?t=phase-headers&seconds=600&every_ms=500",  // headers never end
      "/fault/redirect?t=phase-redirect&to=%2Ffault%2Fdetail-slowheaders%3Fseconds%3D600%26every_ms%3D500",
      "/fault/slow?t=phase-body&ms=600000&trickle=1200",  // a body piece every half second
  };
  // Side by side: each waits out its own deadline.
  std::vector<std::future<Outcome>> outcomes;
  for (const char* path : held) {
    outcomes.push_back(
        std::async(std::launch::async, [path] { return FetchOnItsOwn(SiteUrl(path), {.deadlineMs = 2000}); }));
  }
  for (size_t i = 0; i < std::size(held); ++i) {
    const std::string path = held[i];
    SCOPED_TRACE(path);
    const Outcome outcome = outcomes[i].get();
    ASSERT_TRUE(outcome.ended) << "the exchange outlived its deadline";
    EXPECT_EQ(outcome.text, "");
    EXPECT_EQ(outcome.location, "unchanged");
    EXPECT_EQ(RequestsTo(path.substr(path.find("t=phase"), 14)).size(), 1u);
  }
}

TEST(WebAccessDeadline, TheCallersWaitDecides) {
  // The caller's wait is given the exchange's end event and the deadline; the event comes.
  int waits = 0;
  unsigned long given = 0;
  auto plain = [&](void* done, unsigned long ms) {
    ++waits;
    given = ms;
    return WaitForSingleObject(done, ms) == WAIT_OBJECT_0;
  };
  EXPECT_TRUE(Contains(WebAccess(SiteUrl("/echo?t=wait-used"), {.deadlineMs = 20000, .wait = plain}),
                       "t=wait-used"));
  EXPECT_EQ(waits, 1);
  EXPECT_EQ(given, 20000u);
  // Without a deadline the exchange runs on the calling thread: nothing to wait for.
  WebAccess(SiteUrl("/echo?t=wait-unused"), {.wait = plain});
  EXPECT_EQ(waits, 1);

  // A wait that gives up fails the exchange, whatever its thread still does: here it is in the
  // middle of a paced body, and the next exchange is not disturbed by it.
  auto impatient = [](void* done, unsigned long) { return WaitForSingleObject(done, 300) == WAIT_OBJECT_0; };
  std::string location = "unchanged";
  EXPECT_EQ(WebAccess(SiteUrl("/fault/slow?t=wait-gave-up&ms=4000&trickle=8"),
                      {.location = &location, .deadlineMs = 20000, .wait = impatient}),
            "");
  EXPECT_EQ(location, "unchanged");
  EXPECT_EQ(WebAccess(SiteUrl("/fault/slow?t=wait-after&ms=500&trickle=2"), {.deadlineMs = 20000}),
            "piece 0\npiece 1\n");
}

TEST(WebAccessFailure, DroppedConnectionGivesWhatWasRead) {
  const web::ByteArray bytes = WebAccessBytes(SiteUrl("/fault/drop?bytes=1000&total=10000"));
  EXPECT_EQ(bytes.size(), 1000u);
  EXPECT_TRUE(WebAccessBytes(SiteUrl("/fault/drop?noresponse=1&rst=1")).empty());
}

TEST(WebAccessFailure, ServerErrorStillReturnsTheBody) {
  EXPECT_EQ(WebAccess(SiteUrl("/fault/500")), "500: Internal Server Error");
}

TEST(WebAccessFailure, UnreachableAndMalformedUrlsGiveEmpty) {
  struct Seen {
    std::string text, extra = "keep", jar = "k=v", location = "keep", raw = "keep";
    bool operator==(const Seen&) const = default;
  };
  for (const char* url : {"http://127.0.0.1:1/", "", "http://", "https://", ":::://", "http:///x", "http://:80/",
                          "http://127.0.0.1:99999/", "\xff\xfe\x81"}) {
    SCOPED_TRACE(url);
    // On the calling thread and on a thread of its own with a deadline, the caller sees the same.
    Seen seen[2];
    const unsigned long deadlines[2] = {0, 20000};
    for (int i = 0; i < 2; ++i) {
      Seen& s = seen[i];
      s.text = WebAccess(url, {.cookies = &s.jar, .extraHeaders = &s.extra, .location = &s.location,
                               .rawHeaders = &s.raw, .deadlineMs = deadlines[i]});
      EXPECT_EQ(s.text, "");
      EXPECT_EQ(s.jar, "k=v");
      EXPECT_TRUE(WebAccessBytes(url, {.deadlineMs = deadlines[i]}).empty());
    }
    EXPECT_TRUE(seen[0] == seen[1]);
  }
}

TEST(WebAccessFailure, HandleFailuresLeaveOutArgumentsUntouched) {
  // A URL with no host cannot even get a connection: nothing is written back.
  std::string extra = "X-Mine: 1";
  std::string location = "unchanged";
  std::string jar = "k=v";
  EXPECT_EQ(WebAccess("http://", {.cookies = &jar, .extraHeaders = &extra, .location = &location}), "");
  EXPECT_EQ(extra, "X-Mine: 1");
  EXPECT_EQ(location, "unchanged");
  EXPECT_EQ(jar, "k=v");
}

TEST(WebAccessReport, SaysWhatFailedBesideTheUnchangedResult) {
  struct Case {
    std::string url;
    unsigned long deadlineMs;
    std::string text;  // the result, as callers without a report get it
    unsigned long error;
    int status;
  } cases[] = {
      {SiteUrl("/fault/500?t=report-500"), 0, "500: Internal Server Error", 0, 500},
      {SiteUrl("/fault/500?t=report-500-deadline"), 20000, "500: Internal Server Error", 0, 500},
      {"http://127.0.0.1:1/", 0, "", ERROR_INTERNET_CANNOT_CONNECT, 0},  // nobody listens: refused
      {"http://127.0.0.1:1/", 20000, "", ERROR_INTERNET_CANNOT_CONNECT, 0},
      {"http://no-such-host.invalid/", 20000, "", ERROR_INTERNET_NAME_NOT_RESOLVED, 0},
      {SiteUrl("/fault/slow?t=report-slow&ms=30000"), 1000, "", ERROR_INTERNET_TIMEOUT, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url + " deadline " + std::to_string(c.deadlineMs));
    web::ExchangeReport report{99, 99};
    EXPECT_EQ(WebAccess(c.url, {.deadlineMs = c.deadlineMs, .report = &report}), c.text);
    EXPECT_EQ(report.error, c.error);
    EXPECT_EQ(report.status, c.status);
    EXPECT_TRUE(report.Failed());
  }
  // A good answer reports no failure, its bytes as well as its text.
  web::ExchangeReport report{99, 99};
  EXPECT_TRUE(Contains(WebAccess(SiteUrl("/echo?t=report-ok"), {.report = &report}), "t=report-ok"));
  EXPECT_EQ(report.error, 0u);
  EXPECT_EQ(report.status, 200);
  EXPECT_FALSE(report.Failed());
  report = {99, 99};
  EXPECT_FALSE(WebAccessBytes(SiteUrl("/fault/500?t=report-bytes"), {.report = &report}).empty());
  EXPECT_EQ(report.status, 500);
}

}  // namespace
// Exchanges side by side, with and without a deadline, whose answers come in pieces (so reads
// wait for the network) or at once: every body arrives whole. A read that ends while its call
// is still returning must not lose what it took.
TEST(WebAccessBody, ExchangesSideBySideArriveWhole) {
  const std::string paced = SiteUrl("/fault/slow?t=side-by-side&ms=40&trickle=4");
  const std::string detail = SiteUrl("/detail?id=126&__diycdn=qZEhkTTb");
  const std::string whole = WebAccess(detail);
  ASSERT_GT(whole.size(), 200u);
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 40; ++i) {
        const unsigned long deadline = (t % 2) ? 20000u : 0u;
        if (WebAccess(detail, {.deadlineMs = deadline}) != whole) ++wrong;
        if (i % 4 == 0 && WebAccess(paced, {.deadlineMs = deadline}) != "piece 0\npiece 1\npiece 2\npiece 3\n") {
          ++wrong;
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
}
