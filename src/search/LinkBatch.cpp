#include "search/LinkBatch.h"

namespace search {
namespace {

constexpr unsigned long kTimeoutError = 12002;  // ERROR_INTERNET_TIMEOUT

constexpr const char* kProgress = "\xd5\xfd\xd4\xda\xbb\xf1\xc8\xa1\xb4\xc5\xc1\xa6\xc1\xb4\xbd\xd3 ";  // 正在获取磁力链接
constexpr const char* kConfirmStart = "\xd0\xe8\xd2\xaa\xb7\xc3\xce\xca\xd5\xbe\xb5\xe3 ";            // 需要访问站点
constexpr const char* kConfirmEnd = " \xb4\xce\xa3\xac\xbc\xcc\xd0\xf8\xc2\xf0\xa3\xbf";              // 次，继续吗？
constexpr const char* kCopied = "\xd2\xd1\xb8\xb4\xd6\xc6 ";                                          // 已复制
constexpr const char* kLinks = " \xb8\xf6\xb4\xc5\xc1\xa6\xc1\xb4\xbd\xd3";                           // 个磁力链接
constexpr const char* kHandedOver = "\xd2\xd1\xbd\xbb\xb8\xf8\xcf\xc2\xd4\xd8\xb9\xa4\xbe\xdf ";      // 已交给下载工具
constexpr const char* kNotGot = " \xb8\xf6\xc3\xbb\xd3\xd0\xbb\xf1\xc8\xa1\xb5\xbd\xa3\xba";          // 个没有获取到：
constexpr const char* kComma = "\xa3\xac";                                                            // ，
constexpr const char* kUnit = " \xb8\xf6";                                                            // 个
constexpr const char* kNoResource = "\xce\xde\xd7\xca\xd4\xb4 ";                                      // 无资源
constexpr const char* kUnreachable = "\xce\xde\xb7\xa8\xc1\xac\xbd\xd3\xb5\xbd\xd5\xbe\xb5\xe3 ";   // 无法连接到站点
constexpr const char* kNoAnswer = "\xd5\xbe\xb5\xe3\xce\xde\xd3\xa6\xb4\xf0 ";                       // 站点无应答
constexpr const char* kErrorStatus = "\xd5\xbe\xb5\xe3\xb7\xb5\xbb\xd8\xb4\xed\xce\xf3 ";            // 站点返回错误
constexpr const char* kCancelledCopy =  // 已取消，没有复制磁力链接
    "\xd2\xd1\xc8\xa1\xcf\xfb\xa3\xac\xc3\xbb\xd3\xd0\xb8\xb4\xd6\xc6\xb4\xc5\xc1\xa6\xc1\xb4\xbd\xd3";
constexpr const char* kCancelled = "\xd2\xd1\xc8\xa1\xcf\xfb";  // 已取消
constexpr const char* kTitle = "\xb4\xc5\xc1\xa6\xc1\xb4\xbd\xd3";  // 磁力链接

// "M 个没有获取到：无资源 a 个，站点无应答 b 个" with the reasons that occurred, in a fixed order.
std::string FailureLine(const LinkTally& tally) {
  std::string line = std::to_string(tally.Failed()) + kNotGot;
  bool first = true;
  auto reason = [&](const char* name, int count) {
    if (count == 0) return;
    if (!first) line += kComma;
    line += name + std::to_string(count) + kUnit;
    first = false;
  };
  reason(kNoResource, tally.noResource);
  reason(kUnreachable, tally.unreachable);
  reason(kNoAnswer, tally.noAnswer);
  reason(kErrorStatus, tally.errorStatus);
  return line;
}

}  // namespace

LinkFailure FailureOf(const MagnetDecision& decision, const FetchReport& report) {
  if (!decision.magnet.empty()) return LinkFailure::None;
  if (!report.fetched) return LinkFailure::NoResource;
  if (report.error == kTimeoutError) return LinkFailure::NoAnswer;
  if (report.error != 0) return LinkFailure::Unreachable;
  // The site's "not found" page may come with a success status: it is still the site's error.
  if (report.status >= 400 || decision.box == MagnetBox::Failure) return LinkFailure::ErrorStatus;
  return LinkFailure::NoResource;
}

void LinkTally::Add(LinkFailure failure) {
  switch (failure) {
    case LinkFailure::None: ++found; break;
    case LinkFailure::NoResource: ++noResource; break;
    case LinkFailure::Unreachable: ++unreachable; break;
    case LinkFailure::NoAnswer: ++noAnswer; break;
    case LinkFailure::ErrorStatus: ++errorStatus; break;
  }
}

std::string JoinLinks(const std::vector<std::string>& links) {
  std::string joined;
  size_t size = 0;
  for (const std::string& link : links) size += link.size() + 2;
  joined.reserve(size);
  for (const std::string& link : links) {
    if (link.empty()) continue;
    if (!joined.empty()) joined += "\r\n";
    joined += link;
  }
  return joined;
}

std::string ProgressLine(int done, int total) {
  return kProgress + std::to_string(done) + "/" + std::to_string(total);
}

std::string ConfirmFetchesText(int fetches) { return kConfirmStart + std::to_string(fetches) + kConfirmEnd; }

std::string CopySummary(const LinkTally& tally) {
  std::string text = kCopied + std::to_string(tally.found) + kLinks;
  if (tally.Failed() > 0) text += "\r\n" + FailureLine(tally);
  return text;
}

std::string HandOverSummary(const LinkTally& tally) {
  std::string text = kHandedOver + std::to_string(tally.found) + kLinks;
  if (tally.Failed() > 0) text += "\r\n" + FailureLine(tally);
  return text;
}

std::string CancelledText(bool copyMode) { return copyMode ? kCancelledCopy : kCancelled; }

std::string LinkBoxTitle() { return kTitle; }

}  // namespace search
