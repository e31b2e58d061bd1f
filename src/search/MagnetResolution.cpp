#include "search/MagnetResolution.h"

namespace search {
namespace {

constexpr const char* kMagnetTitle = "\xb4\xc5\xc1\xa6\xc1\xb4\xbd\xd3";  // 磁力链接
constexpr const char* kNoResourceTitle = "\xce\xde\xd7\xca\xd4\xb4\xcc\xe1\xca\xbe";  // 无资源提示
constexpr const char* kSuccessText =  // 复制成功 粘贴即可使用
    "\xb8\xb4\xd6\xc6\xb3\xc9\xb9\xa6 \xd5\xb3\xcc\xf9\xbc\xb4\xbf\xc9\xca\xb9\xd3\xc3";
constexpr const char* kFailureText =  // 复制失败请重试！
    "\xb8\xb4\xd6\xc6\xca\xa7\xb0\xdc\xc7\xeb\xd6\xd8\xca\xd4\xa3\xa1";
constexpr const char* kNoResourceText =  // 本资源连接可能已失效，请查看下一个资源 CR LF " 软件官方："
    "\xb1\xbe\xd7\xca\xd4\xb4\xc1\xac\xbd\xd3\xbf\xc9\xc4\xdc\xd2\xd1\xca\xa7\xd0\xa7\xa3\xac"
    "\xc7\xeb\xb2\xe9\xbf\xb4\xcf\xc2\xd2\xbb\xb8\xf6\xd7\xca\xd4\xb4\r\n \xc8\xed\xbc\xfe\xb9\xd9\xb7\xbd\xa3\xba";

// A path on the site that can go into a request line: it starts with "/" (anything else would
// let a row steer the request to another host) and holds no control byte (a CR or LF would end
// the request line and the Referer header early and add lines of the row's choosing).
bool IsFetchablePath(std::string_view path) {
  if (path.empty() || path.front() != '/') return false;
  for (char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return false;
  }
  return true;
}

}  // namespace

MagnetDecision DecideMagnet(std::string_view knownLink, std::string_view detailPath, bool copyMode,
                            std::string_view host, const PageFetcher& fetch) {
  MagnetDecision decision;
  if (!knownLink.empty()) {
    decision.magnet = knownLink;
    decision.box = copyMode ? MagnetBox::Success : MagnetBox::None;
    return decision;
  }
  DetailResult page;  // no resource unless the page says otherwise
  if (IsFetchablePath(detailPath) && fetch) page = AnalyseDetailPage(fetch(DetailPageUrl(host, detailPath)));
  switch (page.outcome) {
    case DetailOutcome::Found:
      decision.magnet = std::move(page.magnet);
      decision.fromPage = true;
      decision.box = copyMode ? MagnetBox::Success : MagnetBox::None;
      break;
    case DetailOutcome::PageMissing:
      // Said in both modes: the download items have no other way to tell the user.
      decision.box = MagnetBox::Failure;
      break;
    case DetailOutcome::NoResource:
      decision.box = copyMode ? MagnetBox::NoResource : MagnetBox::None;
      break;
  }
  return decision;
}

MagnetBox CopyBox(bool copied) { return copied ? MagnetBox::Success : MagnetBox::Failure; }

std::string MagnetBoxTitle(MagnetBox box) {
  switch (box) {
    case MagnetBox::Success:
    case MagnetBox::Failure: return kMagnetTitle;
    case MagnetBox::NoResource: return kNoResourceTitle;
    case MagnetBox::None: break;
  }
  return {};
}

std::string MagnetBoxText(MagnetBox box, std::string_view productHost) {
  switch (box) {
    case MagnetBox::Success: return kSuccessText;
    case MagnetBox::Failure: return kFailureText;
    case MagnetBox::NoResource: return std::string(kNoResourceText).append(productHost);
    case MagnetBox::None: break;
  }
  return {};
}

}  // namespace search
