// The byte route of JsUnescape must give exactly what decoding the UTF-16 units gives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/HostileText.h"
#include "web/Encoding.h"

namespace {

TEST(UnescapeRoutes, TheByteRouteAgreesWithTheUnitRoute) {
  const std::vector<std::string> table = {
      "<tr class=\\\"search-row\\\" data-url=\\\"\\/d?id=1\\\"><td>\xd6\xd0\xce\xc4<\\/td>\\n<\\/tr>",
      "\xd6\\\xd0",                     // a backslash as a GBK trail byte is no escape
      "\\\xd6\xd0 and \\\\ and \\q",    // escaped double-byte character, backslash, unknown escape
      "%41%u4E2D%E9%uD83D%uDE00%ZZ%",   // ASCII, Chinese, a Latin-1 unit, a surrogate pair, no escapes
      "\\x41\\xe9\\u4e2d\\u00e9\\101\\0x\\400\\8",  // literal escapes of every kind, octal too
      "\\x25\\x34\\x31 is %41",         // an escape that makes a %XX for the second pass
      "a%00b\\0c", "%u0000tail",        // a zero unit ends the text
      "line\r\nbreak", "\rstart", "lone\nfeed", "ends in \\", "it's", "\xa1\xaf quote {$}",
      "\x80 euro \xff end \x81", "\xd6",  // bytes that are no whole GBK pair take the unit route
      "\\u20AC and %u20ac", "\\ud800 alone", "%D6%D0",
  };
  for (const std::string& text : table) {
    EXPECT_EQ(web::JsUnescape(text), web::JsUnescapeByUnits(text)) << text;
  }

  testing_support::HostileText hostile(7, {"\\", "%", "%u", "\\u", "\\x", "'", "\r\n", "\xd6\xd0", "\xa1\xaf", "{$}",
                                           "4E2D", "41", "00", "\\0", "\\\"", "\\/"});
  for (int i = 0; i < 3000; ++i) {
    const std::string text = hostile.Next();
    ASSERT_EQ(web::JsUnescape(text), web::JsUnescapeByUnits(text)) << i;
  }

  // Every GBK pair comes back as itself, escaped or not.
  std::string pairs;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      pairs += static_cast<char>(lead);
      pairs += static_cast<char>(trail);
    }
  }
  EXPECT_EQ(web::JsUnescape(pairs), web::JsUnescapeByUnits(pairs));
}

}  // namespace
