// Random and malformed update files and links: no crash, no hang, bounded results.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "links/DownloadLinks.h"
#include "links/UpdateFile.h"
#include "support/HostileText.h"

namespace {

const std::vector<std::string> kVocabulary = {"#", "##", "&", "1.1", "1e400", "-1e400", "nan", "inf", "0x10",
                                              "\xd6\xd0", "http://", "magnet:?xt=urn:btih:"};

std::uint32_t FromGenerator(void* context) {
  return static_cast<testing_support::HostileText*>(context)->Number(0xFFFFFFFFu);
}

TEST(HostileInput, UpdateFileAndLinksStayBounded) {
  testing_support::HostileText generator(5150u, kVocabulary);
  for (int round = 0; round < 10000; ++round) {
    const std::string file = generator.Next();
    const size_t n = file.size();
    SCOPED_TRACE(round);

    links::UpdateInfo info = links::ParseUpdateFile(file);
    // The fields may overlap ("##" ends the version and starts the notice), so each is bounded.
    EXPECT_LE(info.versionText.size(), n);
    EXPECT_LE(info.notice.size(), n);
    EXPECT_LE(info.link.size(), n);
    links::IsNewerVersion(info.version);
    EXPECT_EQ(links::UpdateCaption(info.versionText).size(), info.versionText.size() + 14);
    EXPECT_EQ(links::Base64Encode(file).size(), (n + 2) / 3 * 4);
    EXPECT_EQ(links::ThunderLink(file).size(), 10 + (n + 6) / 3 * 4);
    links::IsWebAddress(info.link);

    links::Randomness random{FromGenerator, &generator};
    int lo = static_cast<int>(generator.Number(0xFFFFFFFFu));
    int hi = static_cast<int>(generator.Number(0xFFFFFFFFu));
    int value = links::RandomInRange(lo, hi, random);
    if (lo <= hi) {
      EXPECT_GE(value, lo);
      EXPECT_LE(value, hi);
    }
    EXPECT_EQ(links::RandomText(static_cast<int>(generator.Number(80)), random).find_first_not_of(
                  "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"),
              std::string::npos);
  }
}

}  // namespace
