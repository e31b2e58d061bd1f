#include <gtest/gtest.h>

#include <string>

#include "links/DownloadLinks.h"

namespace {

TEST(Base64Encode, StandardAlphabetWithPadding) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},          {"f", "Zg=="},         {"fo", "Zm8="},          {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}, {"abc", "YWJj"},
      {"\xff\xfe", "//4="}, {std::string("\0\0\0", 3), "AAAA"}, {"\xd6\xd0", "1tA="},
  };
  for (const auto& [bytes, encoded] : cases) EXPECT_EQ(links::Base64Encode(bytes), encoded) << encoded;
}

TEST(DownloadLinks, ThunderWrapsInAaZzQqdlDoesNot) {
  EXPECT_EQ(links::ThunderLink("abc"), "thunder://QUFhYmNaWg==");
  EXPECT_EQ(links::QqdlLink("abc"), "qqdl://YWJj");
  EXPECT_EQ(links::QqdlLink(""), "qqdl://");
  EXPECT_EQ(links::ThunderLink(""), "thunder://QUFaWg==");
  const std::string magnet = "magnet:?xt=urn:btih:0123456789abcdef0123456789abcdef01234567";
  EXPECT_EQ(links::QqdlLink(magnet),
            "qqdl://bWFnbmV0Oj94dD11cm46YnRpaDowMTIzNDU2Nzg5YWJjZGVmMDEyMzQ1Njc4OWFiY2RlZjAxMjM0NTY3");
}

}  // namespace
