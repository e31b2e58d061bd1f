// Random and malformed input for every web text routine: nothing may crash or hang, and every
// result stays within a fixed multiple of its input.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/HostileText.h"
#include "web/Cookies.h"
#include "web/Encoding.h"
#include "web/TextExtraction.h"
#include "web/WebAccess.h"

namespace {

const std::vector<std::string> kVocabulary = {
    "#\xd2\xfd\xba\xc5", "Set-Cookie:", "=deleted", "; ", "{$}", "\\u4e2d", "%u4E2D", "%E4%B8%AD",
    "\\x4", "\\07", "\\\\", "\\\"", "<\\/td>\\n<\\/tr>", "<tr class=\\\"search-row", "\xa1\xa1", "\xd6\xd0",
};

size_t TotalSize(const std::vector<std::string>& items) {
  size_t total = 0;
  for (const auto& item : items) total += item.size();
  return total;
}

TEST(HostileInput, WebTextRoutinesStayBounded) {
  testing_support::HostileText generator(20240611u, kVocabulary);
  for (int round = 0; round < 10000; ++round) {
    const std::string text = generator.Next();
    const std::string left = generator.NextMarker();
    const std::string right = generator.NextMarker();
    const size_t n = text.size();
    SCOPED_TRACE(round);

    EXPECT_LE(web::TextBetween(text, left, right).size(), n);
    std::vector<std::string> items;
    int count = web::CollectBetween(text, left, right, round % 2 == 0, items);
    EXPECT_EQ(count, static_cast<int>(items.size()));
    EXPECT_LE(TotalSize(items), n);
    for (const auto& item : items) EXPECT_FALSE(item.empty());
    EXPECT_LE(web::HeaderValue(text).size(), n);
    EXPECT_LE(web::Trim(text).size(), n);
    int found = web::FindText(text, left, static_cast<int>(generator.Number(static_cast<std::uint32_t>(n) + 3)), false);
    EXPECT_TRUE(found == -1 || (found >= 1 && static_cast<size_t>(found) <= n));
    auto pieces = web::SplitText(text, left);
    EXPECT_LE(TotalSize(pieces), n);
    EXPECT_LE(pieces.size(), n + 1);

    EXPECT_LE(web::AnsiToUtf8(text).size(), 3 * n);
    EXPECT_LE(web::Utf8ToAnsi(text).size(), 2 * n);
    EXPECT_LE(web::ConvertCharset(text).size(), 2 * n);
    EXPECT_LE(web::ConvertCharset(text, "GBK", "UTF-8").size(), 3 * n);
    EXPECT_LE(web::UrlEncode(text, round % 3 == 0, round % 2 == 0).size(), 9 * n);
    EXPECT_LE(web::UrlDecode(text, round % 2 == 0).size(), 2 * n);
    std::string unescaped = web::JsUnescape(text);
    EXPECT_LE(unescaped.size(), 2 * n);
    EXPECT_EQ(unescaped.find('\0'), std::string::npos);

    std::string jar = text.substr(0, n / 2);
    std::string newCookies = text.substr(n / 2);
    std::string merged = web::MergeCookies(jar, newCookies);
    EXPECT_EQ(merged, jar);
    EXPECT_LE(jar.size(), 3 * n + 2);
    EXPECT_LE(newCookies.size(), n);
    EXPECT_LE(web::RemoveDuplicateItems(text, left).size(), n);
    EXPECT_LE(web::CollectResponseCookies(web::SplitText(text, "\r\n")).size(), 3 * n);
  }
}

TEST(HostileInput, UrlSplittingAndRequestBuildingStayBounded) {
  testing_support::HostileText generator(20261207u, {"http://", "https://", "HTTPS://", ":", "/", "?", "#",
                                                     "User-Agent:", "Referer:", "\r\n", "\xb0\xe6"});
  for (int round = 0; round < 10000; ++round) {
    const std::string url = generator.Next();
    const size_t n = url.size();
    SCOPED_TRACE(round);
    // A host never grows beyond the URL plus the scheme put in front of it.
    EXPECT_LE(web::UrlHost(url, round % 2 == 0).size(), n + 8);
    EXPECT_LE(web::UrlPath(url).size(), n + 1);
    const int port = web::UrlPort(url);
    (void)port;
    const std::string extra = generator.Next();
    const std::string block = web::BuildHeaderBlock(extra, url, generator.NextMarker());
    EXPECT_EQ(block.compare(0, extra.size(), extra), 0);  // the caller's lines come first, unchanged
    EXPECT_LE(web::AgentFor(extra).size(), std::max(extra.size(), std::string(web::kDefaultAgent).size()));
    web::ByteArray body(url.begin(), url.end());
    (void)web::IsUtf8Body(body, extra);
  }
}

}  // namespace
