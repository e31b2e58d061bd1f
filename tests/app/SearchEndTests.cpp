// The line an empty results list shows, checked as the characters a reader sees (UTF-16 of the
// GBK text), so a wrong byte in a GBK escape fails here.
#include <gtest/gtest.h>

#include <windows.h>
#include <wininet.h>

#include <string>

#include "app/SearchEnd.h"

namespace {

std::wstring Shown(const std::string& gbk) {
  std::wstring wide(gbk.size(), L'\0');
  const int n = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, gbk.data(), static_cast<int>(gbk.size()), wide.data(),
                                    static_cast<int>(wide.size()));
  wide.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return wide;
}

const std::wstring kUnreachable = L"\u65e0\u6cd5\u8fde\u63a5\u5230\u641c\u7d22\u7ad9\u70b9\uff1a";
const std::wstring kNothingBefore = L"\u6ca1\u6709\u627e\u5230\u4e0e\u201c", kNothingAfter = L"\u201d\u76f8\u5173\u7684\u8d44\u6e90";

web::ExchangeReport Report(unsigned long error, int status) { return web::ExchangeReport{error, status}; }

TEST(SearchEnd, EveryEndHasItsLine) {
  const std::string zhong = "\xd6\xd0";  // 中
  std::string forty;                      // exactly the longest term kept whole
  for (int i = 0; i < 20; ++i) forty += zhong;
  struct Case {
    SearchEnd end;
    std::string term;
    web::ExchangeReport report;
    std::wstring line;
  } cases[] = {
      {SearchEnd::None, "ABC", {}, L""},
      {SearchEnd::Searching, "ABC", {}, L"\u6b63\u5728\u641c\u7d22\u2026"},
      {SearchEnd::NothingFound, "ABC", {}, kNothingBefore + L"ABC" + kNothingAfter},
      {SearchEnd::NothingFound, "", {}, kNothingBefore + kNothingAfter},
      {SearchEnd::NothingFound, forty, {}, kNothingBefore + std::wstring(20, L'\u4e2d') + kNothingAfter},
      // Cut at a character's end: the 41st byte would split the 21st character.
      {SearchEnd::NothingFound, "a" + forty + zhong, {},
       kNothingBefore + L"a" + std::wstring(19, L'\u4e2d') + L"\u2026" + kNothingAfter},
      {SearchEnd::NothingFound, std::string(300, 'x'), {}, kNothingBefore + std::wstring(40, L'x') + L"\u2026" + kNothingAfter},
      {SearchEnd::Unreachable, "ABC", Report(ERROR_INTERNET_NAME_NOT_RESOLVED, 0),
       kUnreachable + L"\u627e\u4e0d\u5230\u7ad9\u70b9\u7684\u540d\u79f0"},
      {SearchEnd::Unreachable, "", Report(ERROR_INTERNET_CANNOT_CONNECT, 0), kUnreachable + L"\u8fde\u63a5\u88ab\u62d2\u7edd"},
      {SearchEnd::Unreachable, "", Report(ERROR_INTERNET_TIMEOUT, 0), kUnreachable + L"\u7b49\u5f85\u5e94\u7b54\u8d85\u65f6"},
      {SearchEnd::Unreachable, "", Report(ERROR_INTERNET_CONNECTION_RESET, 200), kUnreachable + L"\u8fde\u63a5\u88ab\u91cd\u7f6e"},
      {SearchEnd::Unreachable, "", Report(ERROR_INTERNET_CONNECTION_ABORTED, 0), kUnreachable + L"\u8fde\u63a5\u4e2d\u65ad"},
      {SearchEnd::Unreachable, "", Report(12345, 0), kUnreachable + L"\u7f51\u7edc\u9519\u8bef 12345"},
      {SearchEnd::Unreachable, "", Report(0, 500), kUnreachable + L"\u7ad9\u70b9\u8fd4\u56de\u4e86 HTTP \u72b6\u6001 500"},
      {SearchEnd::Unreachable, "", Report(0, 404), kUnreachable + L"\u7ad9\u70b9\u8fd4\u56de\u4e86 HTTP \u72b6\u6001 404"},
      // The step that failed says more than a status read before it.
      {SearchEnd::Unreachable, "", Report(ERROR_INTERNET_TIMEOUT, 503), kUnreachable + L"\u7b49\u5f85\u5e94\u7b54\u8d85\u65f6"},
      {SearchEnd::Stopped, "ABC", {}, L"\u641c\u7d22\u5df2\u505c\u6b62"},
      {SearchEnd::EmptyCategory, "ABC", {}, L"\u6b64\u5206\u7c7b\u4e2d\u6ca1\u6709\u8d44\u6e90"},
  };
  for (const Case& c : cases) {
    const std::string line = SearchEndLine(c.end, c.term, c.report);
    EXPECT_EQ(Shown(line), c.line) << static_cast<int>(c.end) << " " << c.term.size() << " " << c.report.error;
    EXPECT_EQ(line.empty(), c.line.empty()) << "the text is whole GBK";
  }
}

TEST(SearchEnd, ARunCutShortSaysWhatFailed) {
  const std::string start = "\xcb\xd1\xcb\xf7\xd6\xd0\xb6\xcf\xa3\xba";  // 搜索中断：
  EXPECT_EQ(CutShortLine(Report(0, 500)), start + FailureReason(Report(0, 500)));
  EXPECT_EQ(CutShortLine(Report(ERROR_INTERNET_TIMEOUT, 0)), start + "\xb5\xc8\xb4\xfd\xd3\xa6\xb4\xf0\xb3\xac\xca\xb1");
  EXPECT_NE(CutShortLine(Report(ERROR_INTERNET_CONNECTION_RESET, 200)), CutShortLine(Report(0, 500)));
}

TEST(SearchEnd, TheFirstPageDecidesBetweenNothingAndFailure) {
  struct Case {
    web::ExchangeReport report;
    bool hasResults;
    SearchEnd end;
  } cases[] = {
      {Report(0, 200), false, SearchEnd::NothingFound},
      {Report(0, 0), false, SearchEnd::NothingFound},        // nothing said: as today, no result
      {Report(0, 302), false, SearchEnd::NothingFound},      // a redirect is no failure
      {Report(0, 399), false, SearchEnd::NothingFound},
      {Report(0, 400), false, SearchEnd::Unreachable},
      {Report(0, 500), false, SearchEnd::Unreachable},
      {Report(ERROR_INTERNET_CANNOT_CONNECT, 0), false, SearchEnd::Unreachable},
      {Report(ERROR_INTERNET_CONNECTION_RESET, 200), false, SearchEnd::Unreachable},
      // Rows that arrived count whatever went wrong after them.
      {Report(ERROR_INTERNET_CONNECTION_RESET, 200), true, SearchEnd::None},
      {Report(0, 500), true, SearchEnd::None},
      {Report(0, 200), true, SearchEnd::None},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FirstPageEnd(c.report, c.hasResults), c.end) << c.report.error << " " << c.report.status << " "
                                                            << c.hasResults;
  }
}

}  // namespace
