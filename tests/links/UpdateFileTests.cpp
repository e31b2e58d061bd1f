#include <gtest/gtest.h>

#include <set>
#include <string>

#include "links/UpdateFile.h"

namespace {

TEST(ParseUpdateFile, FieldsBetweenTheMarkers) {
  const struct {
    std::string file;
    std::string versionText, notice, link;
    double version;
    bool newer;
  } cases[] = {
      {"#1.1##notice##&link&", "1.1", "notice", "link", 1.1, true},
      {"#1.0##hello##&x&", "1.0", "hello", "x", 1.0, false},
      {"#1.00000001##n##&x&", "1.00000001", "n", "x", 1.00000001, false},
      {"#1.0000002##n##&x&", "1.0000002", "n", "x", 1.0000002, true},
      {"#abc##n##&x&", "abc", "n", "x", 0, false},
      {"#2beta##n##", "2beta", "n", "", 2, true},
      {"# 1.5##n##", " 1.5", "n", "", 1.5, true},
      {"junk #1.2##\xd6\xd0##&http://a/b?c&", "1.2", "\xd6\xd0", "http://a/b?c", 1.2, true},
      {"", "", "", "", 0, false},
      {"#1.1", "", "", "", 0, false},
      {std::string("#1.1##no\0te##&x&", 16), "1.1", "", "", 1.1, true},  // the text ends at the zero
  };
  for (const auto& c : cases) {
    links::UpdateInfo info = links::ParseUpdateFile(c.file);
    EXPECT_EQ(info.versionText, c.versionText) << c.file;
    EXPECT_EQ(info.notice, c.notice) << c.file;
    EXPECT_EQ(info.link, c.link) << c.file;
    EXPECT_DOUBLE_EQ(info.version, c.version) << c.file;
    EXPECT_EQ(links::IsNewerVersion(info.version), c.newer) << c.file;
  }
}

TEST(UpdateNotice, CaptionWidthAndAddress) {
  EXPECT_EQ(links::UpdateCaption("1.1"), "\xd7\xee\xd0\xc2" "1.1\xb5\xe3\xbb\xf7\xb8\xfc\xd0\xc2\xa3\xa1");
  EXPECT_EQ(links::NoticeWidth("hello"), 35);
  EXPECT_EQ(links::NoticeWidth(std::string(100, 'x')), 700);
  EXPECT_EQ(links::NoticeWidth(""), 0);
}

TEST(IsWebAddress, PlainWebAddressesOnly) {
  const struct {
    std::string link;
    bool web;
  } cases[] = {
      {"http://a/x.exe", true},
      {"HTTPS://a", true},
      {"https://u.example:81/p?q=1#f%20g~!$()*+,;=:@[]", true},
      {"http://", false},
      {"file:///c:/x.exe", false},
      {"calc.exe", false},
      {" http://a", false},
      {"", false},
      // What the shell would read as arguments after the address.
      {"http://a\" --flag", false},
      {"http://a --flag", false},
      {"http://a'b", false},
      {"http://a\tb", false},
      {"http://a\r\nb", false},
      {std::string("http://a\0b", 10), false},
      {"http://a\x7f", false},
      {"http://\xd6\xd0\xce\xc4", false},
      {"http://a\x80", false},
  };
  for (const auto& c : cases) EXPECT_EQ(links::IsWebAddress(c.link), c.web) << c.link;
}

TEST(ProductHomeAddress, BareHostGetsSchemeAndSlash) {
  const struct {
    const char* host;
    const char* address;
  } cases[] = {
      {"127.0.0.1:8618", "http://127.0.0.1:8618/"},
      {"www.example", "http://www.example/"},
      {"http://www.example/", "http://www.example/"},
      {"HTTPS://www.example/a", "HTTPS://www.example/a"},
  };
  for (const auto& c : cases) EXPECT_EQ(links::ProductHomeAddress(c.host), c.address) << c.host;
}

// Counter readings 0, 1, 2, ... or one fixed value.
struct Readings {
  std::uint32_t next = 0;
  bool counting = true;
};
std::uint32_t NextReading(void* context) {
  auto* readings = static_cast<Readings*>(context);
  return readings->counting ? readings->next++ : readings->next;
}

int RangeAt(std::uint32_t reading, int lo, int hi) {
  Readings readings{reading, false};
  return links::RandomInRange(lo, hi, {NextReading, &readings});
}

TEST(RandomInRange, UnsignedFormulaOnOneReading) {
  EXPECT_EQ(RangeAt(0, 1, 3), 2);            // 7 mod 3
  EXPECT_EQ(RangeAt(1, 1, 3), 1);            // 30 mod 3
  EXPECT_EQ(RangeAt(2, 1, 3), 3);            // 53 mod 3
  EXPECT_EQ(RangeAt(0xFFFFFFFFu, 1, 3), 1);  // wraps to 0xFFFFFFF0, unsigned
  EXPECT_EQ(RangeAt(5, 48, 57), '2');
  EXPECT_EQ(RangeAt(0, 5, 5), 5);
  EXPECT_EQ(RangeAt(9, 5, 4), 5);            // empty range
  EXPECT_EQ(RangeAt(0, INT32_MIN, INT32_MAX), INT32_MIN + 7);
}

TEST(RandomText, KindAndCharacterFromSeparateReadings) {
  Readings readings;
  EXPECT_EQ(links::RandomText(4, {NextReading, &readings}), "Ey2M");
  EXPECT_EQ(readings.next, 8u);
  EXPECT_EQ(links::RandomText(0), "");
  EXPECT_EQ(links::RandomText(-3), "");

  std::string token = links::RandomText(51);
  ASSERT_EQ(token.size(), 51u);
  std::set<int> kinds;
  for (char c : token) {
    ASSERT_TRUE((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) << token;
  }
  for (int i = 0; i < 300; ++i) kinds.insert(links::RandomInRange(1, 3));
  EXPECT_EQ(kinds, (std::set<int>{1, 2, 3}));  // the counter source reaches every value
}

TEST(PingUrl, FixedKeysThenToken) {
  EXPECT_EQ(links::PingUrl("h:1", "Ab9"), "http://h:1/client?v=130805&c=5a3c81e0d24b&so=0&__diycdn=Ab9");
}

}  // namespace
