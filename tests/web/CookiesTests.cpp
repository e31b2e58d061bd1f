#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "web/Cookies.h"

namespace {

using Items = std::vector<std::string>;

struct MergeCase {
  const char* name;
  std::string jar, newCookies;
  std::string expectedJar, expectedNew;
};

TEST(MergeCookies, ResponseItemsFirstThenUntouchedStoredOnes) {
  const MergeCase cases[] = {
      {"replace and add", "a=1; b=2", "b=3; c=4", "b=3; c=4; a=1", "b=3;c=4"},
      {"deleted cookie leaves the jar", "sid=x; t=y", "t=deleted", "sid=x", "t=deleted"},
      {"blanks in values are lost", "", "v=a b", "v=ab", "v=ab"},
      {"full-width blanks too", "k=\xa1\xa1z", "", "k=z", ""},
      {"names differ by case", "ID=1", "id=2", "id=2; ID=1", "id=2"},
      {"same name twice in one response", "", "a=1; a=2", "a=1; a=2", "a=1;a=2"},
      {"identical items collapse", "", "a=1; a=1", "a=1", "a=1;a=1"},
      {"stored duplicates of a name kept", "a=1; a=2", "", "a=1; a=2", ""},
      {"item without = is a cookie named flag", "flag; x=1", "flag=on", "flag=on; x=1", "flag=on"},
      {"empty jar", "", "x=1", "x=1", "x=1"},
      {"nothing at all", "", "", "", ""},
      {"separators without blanks accepted", "a=1;b=2", "", "a=1; b=2", ""},
      {"stored deleted item dropped", "a=deleted; b=1", "", "b=1", ""},
      {"double-byte values stay whole", "n=\xd6\xd0", "", "n=\xd6\xd0", ""},
      // A lone lead byte at an item's end would pair with the next "; " and join two cookies.
      {"lone lead byte dropped, items stay apart", "b=1", "a=\x8a", "a=; b=1", "a=\x8a"},
      {"lone lead byte of a stored item", "c=2; d=\xd6", "e=\xd6", "e=; c=2; d=", "e=\xd6"},
  };
  for (const auto& c : cases) {
    std::string jar = c.jar;
    std::string newCookies = c.newCookies;
    std::string copy = web::MergeCookies(jar, newCookies);
    EXPECT_EQ(jar, c.expectedJar) << c.name;
    EXPECT_EQ(copy, c.expectedJar) << c.name;
    EXPECT_EQ(newCookies, c.expectedNew) << c.name;
  }
}

TEST(CookieHelpers, NamesItemsAndBlanks) {
  EXPECT_EQ(web::CookieName(" sid =x=y"), "sid");
  EXPECT_EQ(web::CookieName("flag"), "flag");
  EXPECT_EQ(web::CookieName("=v"), "");
  EXPECT_TRUE(web::HasCookieNamed({"a=1", "b=2"}, "b"));
  EXPECT_FALSE(web::HasCookieNamed({"a=1", "B=2"}, "b"));
  EXPECT_FALSE(web::HasCookieNamed({}, ""));
  EXPECT_EQ(web::FindItem({"a", "b", "a"}, "a"), 1);
  EXPECT_EQ(web::FindItem({"a", "b"}, "b"), 2);
  EXPECT_EQ(web::FindItem({"a"}, "A"), -1);
  EXPECT_EQ(web::RemoveDuplicateItems("a; b; a; c; b", "; "), "a; b; c");
  EXPECT_EQ(web::RemoveDuplicateItems("", "; "), "");
  EXPECT_EQ(web::RemoveDuplicateItems("a;;b;;", ";"), "a;;b");
  EXPECT_EQ(web::RemoveAllBlanks(" a \xa1\xa1 b\t"), "ab\t");
  EXPECT_EQ(web::RemoveAllBlanks("\xb0\xa1\xa1\xa1"), "\xb0\xa1");  // 啊 keeps its trail byte
}

TEST(CollectResponseCookies, OnePairPerSetCookieLineInOrder) {
  const Items lines = {"HTTP/1.1 200 OK", "Set-Cookie: a=1; path=/", "Content-Type: text/html",
                       "Set-Cookie:b=2 ; HttpOnly", "set-cookie: c=3; path=/"};
  EXPECT_EQ(web::CollectResponseCookies(lines), "a=1; b=2");
  EXPECT_EQ(web::CollectResponseCookies({"Set-Cookie: last=9", "Set-Cookie: a=1; x"}), "last=9; a=1");
  EXPECT_EQ(web::CollectResponseCookies({"Set-Cookie2: z", "Location: /"}), "");
  EXPECT_EQ(web::CollectResponseCookies({}), "");
  EXPECT_EQ(web::CollectResponseCookies({"Set-Cookie: a=\x8a", "Set-Cookie: b=2"}), "a=; b=2");
}

}  // namespace
