#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "web/Encoding.h"

namespace {

const std::string kZhong = "\xd6\xd0";          // 中 in GBK
const std::string kZhongUtf8 = "\xe4\xb8\xad";  // 中 in UTF-8

// Every conversion reads and writes GBK whatever GetACP() says (these tests also run under the
// system code page 1252): a row, a charset conversion and an unescaped character give the same
// bytes on a Western Windows as on a Chinese one.
TEST(CodePage, TextsAreGbkWhateverTheSystemCodePage) {
  struct Case {
    const char* name;
    std::string got, expected;
  } cases[] = {
      {"unescape %u", web::JsUnescape("%u4e2d%u6587"), "\xd6\xd0\xce\xc4"},
      {"unescape \\u", web::JsUnescape("a\\u4e2d"), "a" + kZhong},
      {"unescape a GBK row", web::JsUnescape("\xd6\xd0%20\xce\xc4"), "\xd6\xd0 \xce\xc4"},
      {"unescape by units", web::JsUnescapeByUnits("\xd6\xd0%u6587"), "\xd6\xd0\xce\xc4"},
      {"UTF-8 page to GBK", web::ConvertCharset(kZhongUtf8 + "x"), kZhong + "x"},
      {"GBK to UTF-8", web::ConvertCharset(kZhong, "GBK", "UTF-8"), kZhongUtf8},
      {"escaped UTF-8 to GBK", web::UrlDecode("%E4%B8%AD", true), kZhong},
      {"search term", web::UrlEncode(kZhong, true, true), "%E4%B8%AD"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.got, c.expected) << c.name << " (system code page " << GetACP() << ")";
  }
}

TEST(Utf16, ConversionsStopAtZeroAndRoundTrip) {
  EXPECT_EQ(web::ToUtf16(kZhong, 936), L"\u4e2d");
  EXPECT_EQ(web::ToUtf16(std::string("ab\0cd", 5), 936), L"ab");
  EXPECT_EQ(web::ToUtf16("", 936), L"");
  EXPECT_EQ(web::FromUtf16(L"\u4e2d", 65001), kZhongUtf8);
  EXPECT_EQ(web::FromUtf16(std::wstring(L"a\0b", 3), 936), "a");
  EXPECT_EQ(web::AnsiToUtf8("x" + kZhong), "x" + kZhongUtf8);
  EXPECT_EQ(web::Utf8ToAnsi("x" + kZhongUtf8), "x" + kZhong);
  // Three UTF-8 bytes per character need more room than the GBK input had.
  std::string many;
  for (int i = 0; i < 1000; ++i) many += kZhong;
  EXPECT_EQ(web::AnsiToUtf8(many).size(), 3000u);
  EXPECT_EQ(web::Utf8ToAnsi(web::AnsiToUtf8(many)), many);
}

TEST(ConvertCharset, GoesThroughGbk) {
  EXPECT_EQ(web::ConvertCharset(kZhongUtf8), kZhong);
  EXPECT_EQ(web::ConvertCharset(kZhongUtf8, "", ""), kZhong);
  EXPECT_EQ(web::ConvertCharset(kZhong, "gb2312", "utf-8"), kZhongUtf8);
  EXPECT_EQ(web::ConvertCharset("\xef\xbb\xbf" "a" + kZhongUtf8), "a" + kZhong);  // mark skipped
  // Hangul is not in GBK: it arrives as the default character even in UTF-8.
  EXPECT_EQ(web::ConvertCharset("\xed\x95\x9c", "UTF-8", "UTF-8"), "?");
  EXPECT_EQ(web::ConvertCharset(std::string("a\0b", 3)), "a");
  EXPECT_EQ(web::ConvertCharset("abc", "no-such-charset"), "");
  EXPECT_EQ(web::ConvertCharset("abc", "UTF-8", "no-such-charset"), "");
  EXPECT_EQ(web::ConvertCharset(""), "");
  EXPECT_EQ(web::CodePageOfCharset("Gb18030"), 936u);
  EXPECT_EQ(web::CodePageOfCharset("utf-8"), 65001u);
}

struct EncodeCase {
  std::string text;
  bool keepUnreserved, utf8First;
  std::string expected;
};

TEST(UrlEncode, EscapesAllButUnreservedWithUpperCaseHex) {
  const EncodeCase cases[] = {
      {"\xd6\xd0\xce\xc4", true, true, "%E4%B8%AD%E6%96%87"},
      {"a b/c-1.x_y~", true, true, "a%20b%2Fc-1.x%5Fy%7E"},
      {"aZ0-.", false, false, "%61%5A%30%2D%2E"},
      {kZhong, true, false, "%D6%D0"},
      {"+", true, true, "%2B"},
      {"\x01\xff", false, false, "%01%FF"},
      {"", true, true, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(web::UrlEncode(c.text, c.keepUnreserved, c.utf8First), c.expected) << c.text;
}

TEST(UrlDecode, HexEitherCasePlusKeptZeroDropped) {
  const std::pair<std::string, std::string> cases[] = {
      {"a+b%00c", "a+bc"},
      {"%41%4a%4A", "AJJ"},
      {"100%", "100\xde"},  // a missing digit reads as -2: 16 * -2 - 2
      {"%4", "\x3e"},       // 16 * 4 - 2
      {"%G1", "\xe1"},      // 16 * -2 + 1
      {"%%41", "\xe4" "1"},
      {kZhong + "%20", kZhong + " "},
      {"", ""},
  };
  for (const auto& [text, decoded] : cases) EXPECT_EQ(web::UrlDecode(text, false), decoded) << text;
  EXPECT_EQ(web::UrlDecode("%e4%b8%ad", true), kZhong);
  EXPECT_EQ(web::UrlDecode("%E4%B8%AD+x", true), kZhong + "+x");
}

TEST(JsUnescape, TheDecodingExamples) {
  const std::pair<std::string, std::string> cases[] = {
      {"\\u4e2d", kZhong},
      {"\\/", "/"},
      {"it's", "it's"},
      {"100%25", "100%"},
      {"\xa1\xaf", "'"},
      {"a{$}b", "a\r\nb"},
      {"a\r\nb", "a\r\nb"},
      {"\rabc", "abc"},
      {"\r\r\nx", "\r\nx"},
      {"", ""},
  };
  for (const auto& [text, decoded] : cases) EXPECT_EQ(web::JsUnescape(text), decoded) << text;
}

TEST(JsUnescape, StringLiteralEscapesAsJScriptReadsThem) {
  const std::pair<std::string, std::string> cases[] = {
      {"<td class=\\\"x\\\">a<\\/td>\\n", "<td class=\"x\">a</td>\n"},
      {"\\\\", "\\"},
      {"\\'", "'"},
      {"\\b\\f\\n\\r\\t", "\b\f\n\r\t"},
      {"\\v", "v"},  // no vertical-tab escape in JScript
      {"\\x41\\x4a", "AJ"},
      {"\\xZ1", "xZ1"},
      {"\\101\\60", "A0"},
      {"\\477", "'7"},  // two digits at most from 4 up
      {"\\1018", "A8"},
      {"a\\0b", "a"},  // the zero ends the text
      {"\\8\\q", "8q"},
      {"a\\\nb", "ab"},  // line continuation
      {"\\\\u4e2d", kZhong},  // the pair backslash-u is rewritten even after an escaped backslash
      {"\\uZZ", "%uZZ"},
      {"%u4E2D%41%zz%u00", kZhong + "A%zz%u00"},
      {"\x95\x5cn", "\x95\x5cn"},  // a trail byte that looks like a backslash is not an escape
  };
  for (const auto& [text, decoded] : cases) EXPECT_EQ(web::JsUnescape(text), decoded) << text;
}

TEST(JsUnescape, EmptyWhereTheLiteralCouldNotCompile) {
  const std::string cases[] = {"a\rb", "a\nb", "abc\\", "abc\\\\\\", "x\r", "\n"};
  for (const auto& text : cases) EXPECT_EQ(web::JsUnescape(text), "") << text;
  EXPECT_EQ(web::JsUnescape("abc\\\\"), "abc\\");
}

}  // namespace
