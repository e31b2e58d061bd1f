// What resolving a row's magnet link does, decided without any window: whether the detail page
// is fetched, which link comes out, which box the user sees and whether the row keeps the link.
// The menu code feeds it the row's cells and a page getter and acts on the answer.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "search/DetailPage.h"

namespace search {

enum class MagnetBox {
  None,
  Success,     // "复制成功 粘贴即可使用"
  Failure,     // "复制失败请重试！"
  NoResource,  // "无资源提示"
};

struct MagnetDecision {
  std::string magnet;     // the link, empty when there is none
  bool fromPage = false;  // it came from the detail page and goes into the row
  MagnetBox box = MagnetBox::None;  // before the clipboard: copy mode turns Success into a copy
};

// The user waits for the detail page (the window takes no input meanwhile, though it answers):
// past this the fetch counts as failed, whatever the server does.
inline constexpr unsigned long kDetailFetchDeadlineMs = 20000;

// Fetches a page by address; the empty text on any failure.
using PageFetcher = std::function<std::string(const std::string& url)>;

// knownLink is the row's magnet column, detailPath its detail path. A known link is answered
// without a request; otherwise the page is fetched once, but only for a path on the site
// (starting with "/") without control bytes: anything else would let a row steer the request
// to another host or add header lines of its own.
MagnetDecision DecideMagnet(std::string_view knownLink, std::string_view detailPath, bool copyMode,
                            std::string_view host, const PageFetcher& fetch);

// The box after a copy attempt: the link reached the clipboard or it did not.
MagnetBox CopyBox(bool copied);

// Title and text of a box; the product host ends the no-resource text.
std::string MagnetBoxTitle(MagnetBox box);
std::string MagnetBoxText(MagnetBox box, std::string_view productHost);

}  // namespace search
