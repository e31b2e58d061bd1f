#include <gtest/gtest.h>
#include <windows.h>
#include <wininet.h>

#include "web/WebAccess.h"

namespace {

using web::RequestFlags;
using web::UrlHost;
using web::UrlPath;
using web::UrlPort;

TEST(UrlSplitting, HostPortPathAndFlags) {
  struct Case {
    const char* url;
    const char* host;
    const char* hostWithPort;
    int port;
    const char* path;
    unsigned long flags;
  } cases[] = {
      {"a.b/x", "a.b", "a.b", 80, "/x", 0x80004010},
      {"HTTPS://Ab.C:81/p?q=1", "ab.c", "ab.c:81", 81, "/p?q=1", 0x80800010},
      {"https://secure.example", "secure.example", "secure.example", 443, "/", 0x80800010},
      {"http://h:8080", "h", "h:8080", 8080, "/", 0x80004010},
      {"http://h:x9/", "h", "h:x9", 0, "/", 0x80004010},  // atoi of no digits
      {"http://h:12ab/z#frag", "h", "h:12ab", 12, "/z#frag", 0x80004010},
      {"http://Host.Name/A/B?C=D", "host.name", "host.name", 80, "/A/B?C=D", 0x80004010},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    EXPECT_EQ(UrlHost(c.url, false), c.host);
    EXPECT_EQ(UrlHost(c.url, true), c.hostWithPort);
    EXPECT_EQ(UrlPort(c.url), c.port);
    EXPECT_EQ(UrlPath(c.url), c.path);
    EXPECT_EQ(RequestFlags(c.url, false, false), c.flags);
  }
}

TEST(UrlSplitting, HostLowerCasingLeavesDoubleByteCharactersAlone) {
  // 0xC4 0x41 is one GBK character whose trail byte is an ASCII "A": it must not be folded.
  EXPECT_EQ(UrlHost("http://\xc4\x41Z.cn/p", false), "\xc4\x41z.cn");
}

TEST(RequestFlags, CookiesAndRedirectSwitches) {
  EXPECT_EQ(RequestFlags("http://h/", true, false), 0x80004010ul | INTERNET_FLAG_NO_COOKIES);
  EXPECT_EQ(RequestFlags("http://h/", false, true), 0x80004010ul | INTERNET_FLAG_NO_AUTO_REDIRECT);
  EXPECT_EQ(RequestFlags("https://h/", true, true), 0x80800010ul | 0x80000 | 0x200000);
}

TEST(HeaderBlock, DefaultsAppendedInOrderWithoutLeadingOrTrailingCrLf) {
  EXPECT_EQ(web::BuildHeaderBlock("", "http://h/x", ""),
            "Referer: http://h/x\r\nAccept: */*\r\nAccept-Language: zh-cn\r\n"
            "Content-Type: application/x-www-form-urlencoded");
  // Existing lines are kept and not repeated; the search is case-sensitive, so a lower-case
  // referer line does not count.
  EXPECT_EQ(web::BuildHeaderBlock("referer: r\r\nAccept: text/html", "u", "a=1"),
            "referer: r\r\nAccept: text/html\r\nReferer: u\r\nAccept-Language: zh-cn\r\n"
            "Content-Type: application/x-www-form-urlencoded\r\nCookie: a=1");
  EXPECT_EQ(web::BuildHeaderBlock("Referer: r\r\nAccept: a\r\nAccept-Language: en\r\nContent-Type: t", "u", ""),
            "Referer: r\r\nAccept: a\r\nAccept-Language: en\r\nContent-Type: t");
}

TEST(HeaderBlock, AgentComesFromUserAgentLineInAnyCase) {
  EXPECT_EQ(web::AgentFor(""), web::kDefaultAgent);
  EXPECT_EQ(web::AgentFor("user-agent:  Probe/1.0 \r\nAccept: x"), "Probe/1.0");
  EXPECT_EQ(web::AgentFor("Accept: x\r\nUser-Agent: Last/2"), "Last/2");  // last line, no CR LF after it
  EXPECT_EQ(web::AgentFor("User-Agent:   \r\n"), web::kDefaultAgent);
}

TEST(Utf8Sniffing, BodyWindowThenHeaders) {
  auto bytes = [](const std::string& s) { return web::ByteArray(s.begin(), s.end()); };
  const std::string noUtf8Headers = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n";
  EXPECT_TRUE(web::IsUtf8Body(bytes("<meta charset=utf-8>"), noUtf8Headers));
  EXPECT_FALSE(web::IsUtf8Body(bytes("<meta charset=UTF-8>"), noUtf8Headers));  // body search is exact
  EXPECT_TRUE(web::IsUtf8Body(bytes("x"), "Content-Type: text/html; charset=UTF-8"));

  std::string body(600, 'x');
  body.replace(599, 5, "utf-8");  // starts at 1-based position 600
  EXPECT_FALSE(web::IsUtf8Body(bytes(body), noUtf8Headers));
  std::string edge(600, 'x');
  edge.replace(498, 5, "utf-8");  // 1-based position 499, the last one below 500
  EXPECT_TRUE(web::IsUtf8Body(bytes(edge), noUtf8Headers));
  std::string late(600, 'x');
  late.replace(499, 5, "utf-8");  // position 500 is not below 500
  EXPECT_FALSE(web::IsUtf8Body(bytes(late), noUtf8Headers));
}

}  // namespace
