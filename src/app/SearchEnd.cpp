#include "app/SearchEnd.h"

#include <windows.h>
#include <wininet.h>

#include "ui/controls/ListLayout.h"

namespace {

// "…" in GBK.
constexpr const char* kEllipsis = "\xa1\xad";

std::string ShortTerm(const std::string& term) {
  if (term.size() <= kEndLineTermBytes) return term;
  return std::string(list_layout::CutText(term, kEndLineTermBytes)) + kEllipsis;
}

}  // namespace

std::string FailureReason(const web::ExchangeReport& report) {
  switch (report.error) {
    case ERROR_INTERNET_NAME_NOT_RESOLVED: return "\xd5\xd2\xb2\xbb\xb5\xbd\xd5\xbe\xb5\xe3\xb5\xc4\xc3\xfb\xb3\xc6";  // 找不到站点的名称
    case ERROR_INTERNET_CANNOT_CONNECT: return "\xc1\xac\xbd\xd3\xb1\xbb\xbe\xdc\xbe\xf8";  // 连接被拒绝
    case ERROR_INTERNET_TIMEOUT: return "\xb5\xc8\xb4\xfd\xd3\xa6\xb4\xf0\xb3\xac\xca\xb1";  // 等待应答超时
    case ERROR_INTERNET_CONNECTION_RESET: return "\xc1\xac\xbd\xd3\xb1\xbb\xd6\xd8\xd6\xc3";  // 连接被重置
    case ERROR_INTERNET_CONNECTION_ABORTED: return "\xc1\xac\xbd\xd3\xd6\xd0\xb6\xcf";  // 连接中断
    case 0: break;
    default: return "\xcd\xf8\xc2\xe7\xb4\xed\xce\xf3 " + std::to_string(report.error);  // 网络错误 N
  }
  if (report.status >= 400) {
    // 站点返回了 HTTP 状态 N
    return "\xd5\xbe\xb5\xe3\xb7\xb5\xbb\xd8\xc1\xcb HTTP \xd7\xb4\xcc\xac " + std::to_string(report.status);
  }
  return {};
}

SearchEnd FirstPageEnd(const web::ExchangeReport& report, bool hasResults) {
  if (hasResults) return SearchEnd::None;
  return report.Failed() ? SearchEnd::Unreachable : SearchEnd::NothingFound;
}

std::string SearchEndLine(SearchEnd end, const std::string& term, const web::ExchangeReport& report) {
  switch (end) {
    case SearchEnd::Searching: return "\xd5\xfd\xd4\xda\xcb\xd1\xcb\xf7\xa1\xad";  // 正在搜索…
    case SearchEnd::NothingFound:
      // 没有找到与“<term>”相关的资源
      return "\xc3\xbb\xd3\xd0\xd5\xd2\xb5\xbd\xd3\xeb\xa1\xb0" + ShortTerm(term) +
             "\xa1\xb1\xcf\xe0\xb9\xd8\xb5\xc4\xd7\xca\xd4\xb4";
    case SearchEnd::Unreachable:
      // 无法连接到搜索站点：<reason>
      return "\xce\xde\xb7\xa8\xc1\xac\xbd\xd3\xb5\xbd\xcb\xd1\xcb\xf7\xd5\xbe\xb5\xe3\xa3\xba" + FailureReason(report);
    case SearchEnd::Stopped: return "\xcb\xd1\xcb\xf7\xd2\xd1\xcd\xa3\xd6\xb9";  // 搜索已停止
    case SearchEnd::EmptyCategory: return "\xb4\xcb\xb7\xd6\xc0\xe0\xd6\xd0\xc3\xbb\xd3\xd0\xd7\xca\xd4\xb4";  // 此分类中没有资源
    case SearchEnd::None: break;
  }
  return {};
}

std::string CutShortLine(const web::ExchangeReport& report) {
  return "\xcb\xd1\xcb\xf7\xd6\xd0\xb6\xcf\xa3\xba" + FailureReason(report);  // 搜索中断：
}
