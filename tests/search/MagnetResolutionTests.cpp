#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "search/MagnetResolution.h"

namespace {

using search::MagnetBox;

const std::string kCloudPlay = "\xd1\xb8\xc0\xd7\xd4\xc6\xb2\xa5";  // the cloud-play marker
const std::string kHash = "0123456789abcdef0123456789ABCDEF01234567";
const std::string kHashPage = "<a href=\"/dl?info_hash=" + kHash + "\">";

TEST(DecideMagnet, RequestLinkBoxAndStorage) {
  const struct {
    const char* name;
    std::string known, path;
    bool copy;
    std::string page;
    int requests;
    std::string magnet;
    bool stored;
    MagnetBox box;
  } cases[] = {
      {"known link, copy", "magnet:?xt=urn:btih:x", "/d?id=1", true, kHashPage, 0, "magnet:?xt=urn:btih:x", false,
       MagnetBox::Success},
      {"known link, quiet", "magnet:?xt=urn:btih:x", "/d?id=1", false, kHashPage, 0, "magnet:?xt=urn:btih:x", false,
       MagnetBox::None},
      {"hash page, copy", "", "/d?id=1", true, kHashPage, 1, "magnet:?xt=urn:btih:" + kHash, true, MagnetBox::Success},
      {"hash page, quiet", "", "/d?id=1", false, kHashPage, 1, "magnet:?xt=urn:btih:" + kHash, true, MagnetBox::None},
      {"cloud-play page", "", "/d?id=2", true, kCloudPlay + "<a href=\"/p?u=magnet%3A%3Fxt%3Durn%3Abtih%3Aab\">", 1,
       "magnet:?xt=urn:btih:ab", true, MagnetBox::Success},
      {"missing page, copy", "", "/d?id=3", true, "404: Not Found", 1, "", false, MagnetBox::Failure},
      {"missing page, quiet", "", "/d?id=3", false, "404: Not Found", 1, "", false, MagnetBox::Failure},
      {"no link, copy", "", "/d?id=4", true, "<p>none</p>", 1, "", false, MagnetBox::NoResource},
      {"no link, quiet", "", "/d?id=4", false, "<p>none</p>", 1, "", false, MagnetBox::None},
      {"failed request", "", "/d?id=5", true, "", 1, "", false, MagnetBox::NoResource},
      {"empty hash", "", "/d?id=6", true, "<a href=\"/dl?info_hash=\">", 1, "", false, MagnetBox::NoResource},
      {"path off the site", "", "@evil.example/d", true, kHashPage, 0, "", false, MagnetBox::NoResource},
      {"no path", "", "", false, kHashPage, 0, "", false, MagnetBox::None},
      {"CR LF in the path", "", "/d?id=7\r\nX-Evil: 1", true, kHashPage, 0, "", false, MagnetBox::NoResource},
      {"LF alone", "", "/d?id=7\n", true, kHashPage, 0, "", false, MagnetBox::NoResource},
      {"tab", "", "/d?id=7\tx", true, kHashPage, 0, "", false, MagnetBox::NoResource},
      {"zero byte", "", std::string("/d?id=7\0x", 9), true, kHashPage, 0, "", false, MagnetBox::NoResource},
      {"delete byte", "", "/d?id=7\x7f", false, kHashPage, 0, "", false, MagnetBox::None},
      {"GBK bytes stay fetchable", "", "/d?t=\xd6\xd0", true, kHashPage, 1, "magnet:?xt=urn:btih:" + kHash, true,
       MagnetBox::Success},
  };
  for (const auto& c : cases) {
    std::vector<std::string> asked;
    search::MagnetDecision d = search::DecideMagnet(c.known, c.path, c.copy, "127.0.0.1:8618",
                                                    [&](const std::string& url) {
                                                      asked.push_back(url);
                                                      return c.page;
                                                    });
    EXPECT_EQ(static_cast<int>(asked.size()), c.requests) << c.name;
    if (!asked.empty()) {
      EXPECT_EQ(asked[0], "http://127.0.0.1:8618" + c.path) << c.name;
    }
    EXPECT_EQ(d.magnet, c.magnet) << c.name;
    EXPECT_EQ(d.fromPage, c.stored) << c.name;
    EXPECT_EQ(d.box, c.box) << c.name;
  }
}

// Pages from the site are untrusted: each ends as a link or a box, never anything else.
TEST(DecideMagnet, HostilePages) {
  const std::string bigLink(100000, 'a');
  const struct {
    const char* name;
    std::string page;
    std::string magnet;
  } cases[] = {
      {"5 MB page", std::string(5 << 20, 'x') + kHashPage, "magnet:?xt=urn:btih:" + kHash},
      {"100,000-byte first link", "<a href=\"/dl?info_hash=" + bigLink + "\">", "magnet:?xt=urn:btih:" + bigLink},
      {"invalid UTF-8 around the link", kCloudPlay + "<a href=\"/p?u=%FF%FEmagnet:ab%C3\">", "magnet:ab?"},
      {"decoded zero byte", kCloudPlay + "<a href=\"/p?u=magnet%00\">", ""},
      {"nothing after the word", kCloudPlay + "<a href=\"/p?u=MAGNET\">", ""},
      {"unterminated link", "<a href=\"/dl?info_hash=" + kHash, ""},
  };
  for (const auto& c : cases) {
    search::MagnetDecision d =
        search::DecideMagnet("", "/d", true, "h", [&](const std::string&) { return c.page; });
    if (c.magnet.empty()) {
      EXPECT_EQ(d.magnet, "") << c.name;
      EXPECT_EQ(d.box, MagnetBox::NoResource) << c.name;
    } else {
      // Invalid UTF-8 becomes the replacement the conversion chooses; only its start is fixed.
      EXPECT_EQ(d.magnet.substr(0, c.magnet.size() - 1), c.magnet.substr(0, c.magnet.size() - 1)) << c.name;
      EXPECT_EQ(d.box, MagnetBox::Success) << c.name;
    }
  }
}

TEST(MagnetBoxes, TextsTitlesAndCopyOutcome) {
  EXPECT_EQ(search::MagnetBoxTitle(MagnetBox::Success), "\xb4\xc5\xc1\xa6\xc1\xb4\xbd\xd3");
  EXPECT_EQ(search::MagnetBoxTitle(MagnetBox::Failure), "\xb4\xc5\xc1\xa6\xc1\xb4\xbd\xd3");
  EXPECT_EQ(search::MagnetBoxTitle(MagnetBox::NoResource), "\xce\xde\xd7\xca\xd4\xb4\xcc\xe1\xca\xbe");
  const std::string noResource = search::MagnetBoxText(MagnetBox::NoResource, "q.example");
  EXPECT_TRUE(noResource.ends_with("\xd7\xca\xd4\xb4\r\n \xc8\xed\xbc\xfe\xb9\xd9\xb7\xbd\xa3\xbaq.example"));
  EXPECT_EQ(search::MagnetBoxText(MagnetBox::None, "q"), "");
  EXPECT_EQ(search::CopyBox(true), MagnetBox::Success);
  EXPECT_EQ(search::CopyBox(false), MagnetBox::Failure);
}

}  // namespace
