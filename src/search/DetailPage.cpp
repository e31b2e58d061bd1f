#include "search/DetailPage.h"

#include "web/Encoding.h"
#include "web/TextExtraction.h"

namespace search {
namespace {

constexpr std::string_view kPageMissing = "404: Not Found";
constexpr std::string_view kCloudPlayMarker = "\xd1\xb8\xc0\xd7\xd4\xc6\xb2\xa5";  // 迅雷云播
constexpr std::string_view kLinkStart = "<a href=\"";
constexpr std::string_view kHashStart = "info_hash=";
constexpr std::string_view kMagnetPrefix = "magnet:?xt=urn:btih:";
constexpr std::string_view kMagnetWord = "magnet";

DetailResult Found(std::string magnet) { return {DetailOutcome::Found, std::move(magnet)}; }

}  // namespace

std::string DetailPageUrl(std::string_view host, std::string_view detailPath) {
  std::string url = "http://";
  url += host;
  url += detailPath;
  return url;
}

DetailResult AnalyseDetailPage(std::string_view page) {
  if (web::FindText(page, kPageMissing, 1, false) > 0) return {DetailOutcome::PageMissing, {}};
  // The closing quote appended to the link guarantees that the next cut finds its end.
  std::string link = web::TextBetween(page, kLinkStart, "\"");
  if (web::FindText(page, kCloudPlayMarker, 1, false) < 0) {
    if (link.empty()) return {};
    std::string hash = web::TextBetween(link + "\"", kHashStart, "\"");
    // A link without a hash is no magnet link: it would be reported as copied but be useless.
    if (hash.empty()) return {};
    return Found(std::string(kMagnetPrefix) + hash);
  }
  std::string decoded = web::UrlDecode(link + "\"", true);
  std::string rest = web::TextBetween(decoded, kMagnetWord, "\"");
  if (rest.empty()) return {};
  return Found(std::string(kMagnetWord) + rest);
}

}  // namespace search
