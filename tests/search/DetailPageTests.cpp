#include <gtest/gtest.h>

#include <string>

#include "search/DetailPage.h"

namespace {

using search::DetailOutcome;

const std::string kCloudPlay = "\xd1\xb8\xc0\xd7\xd4\xc6\xb2\xa5";  // the cloud-play marker
const std::string kHash = "0123456789abcdef0123456789ABCDEF01234567";

TEST(AnalyseDetailPage, MagnetLinkOrFailureKind) {
  const struct {
    const char* name;
    std::string page;
    DetailOutcome outcome;
    std::string magnet;
  } cases[] = {
      {"hash page", "<p><a href=\"/dl?info_hash=" + kHash + "\">get</a>", DetailOutcome::Found,
       "magnet:?xt=urn:btih:" + kHash},
      {"only the first link counts", "<a href=\"/x\">x</a><a href=\"/dl?info_hash=" + kHash + "\">",
       DetailOutcome::NoResource, ""},
      {"link without a hash", "<a href=\"/dl?id=3\">", DetailOutcome::NoResource, ""},
      {"no link", "<p>nothing</p>", DetailOutcome::NoResource, ""},
      {"empty page", "", DetailOutcome::NoResource, ""},
      {"missing page", "<h1>404: Not Found</h1><a href=\"/dl?info_hash=" + kHash + "\">",
       DetailOutcome::PageMissing, ""},
      {"missing page in any case", "404: NOT FOUND", DetailOutcome::PageMissing, ""},
      {"missing page wins over the marker", kCloudPlay + " 404: not found", DetailOutcome::PageMissing, ""},
      {"encoded magnet on a cloud-play page",
       "<h2>" + kCloudPlay + "</h2><A HREF=\"/play?url=magnet%3A%3Fxt%3Durn%3Abtih%3A" + kHash +
           "%26dn%3D%E4%B8%AD\">play</a>",
       DetailOutcome::Found, "magnet:?xt=urn:btih:" + kHash + "&dn=\xd6\xd0"},
      {"decoded quote ends the link", kCloudPlay + "<a href=\"/p?u=MAGNET%3Aabc%22rest\">", DetailOutcome::Found,
       "magnet:abc"},
      {"cloud-play link without magnet", kCloudPlay + "<a href=\"/play?u=x\">", DetailOutcome::NoResource, ""},
      {"cloud-play page without link", kCloudPlay, DetailOutcome::NoResource, ""},
      {"nothing after the word", kCloudPlay + "<a href=\"/p?u=magnet\">", DetailOutcome::NoResource, ""},
  };
  for (const auto& c : cases) {
    search::DetailResult result = search::AnalyseDetailPage(c.page);
    EXPECT_EQ(result.outcome, c.outcome) << c.name;
    EXPECT_EQ(result.magnet, c.magnet) << c.name;
  }
}

TEST(DetailPageUrl, HostThenDetailPath) {
  EXPECT_EQ(search::DetailPageUrl("127.0.0.1:8618", "/d/1?k=1&__diycdn=7"), "http://127.0.0.1:8618/d/1?k=1&__diycdn=7");
}

}  // namespace
