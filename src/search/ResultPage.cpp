#include "search/ResultPage.h"

#include "web/Encoding.h"
#include "web/TextExtraction.h"

namespace search {
namespace {

constexpr std::string_view kSearchPath = "/ajax/search_next?s=";
constexpr std::string_view kPageKey = "&p=";
constexpr std::string_view kResultProbe = "data-title";
// The rows arrive as an escaped string: backslashes in these two markers are literal.
constexpr std::string_view kRowStart = "<tr class=\\\"search-row";
constexpr std::string_view kRowEnd = "<\\/td>\\n<\\/tr>";
constexpr std::string_view kDetailJoint = "&__diycdn=";

}  // namespace

std::string SearchPageUrl(std::string_view host, std::string_view term, int page) {
  std::string url = "http://";
  url += host;
  url += kSearchPath;
  url += web::UrlEncode(term, true, true);
  url += kPageKey;
  url += std::to_string(page);
  return url;
}

bool PageHasResults(std::string_view page) { return web::FindText(page, kResultProbe, 1, false) > 0; }

std::vector<std::string> CutResultRows(std::string_view page) {
  std::vector<std::string> rows;
  web::CollectBetween(page, kRowStart, kRowEnd, true, rows);
  return rows;
}

std::string StripHighlight(std::string_view title) {
  std::string text = web::ReplaceAll(title, "<span class=\"highlight\">", "");
  text = web::ReplaceAll(text, "\">", "");
  return web::ReplaceAll(text, "\r\n", "");
}

ResultRow ParseResultRow(std::string_view row) {
  ResultRow result;
  result.title = StripHighlight(web::TextBetween(row, "data-title=\"", "</span>"));
  result.size = web::TextBetween(row, "<td style=\"text-align: right;\">", "</td>");
  if (size_t lineFeed = result.size.find('\n'); lineFeed != std::string::npos) result.size.erase(lineFeed, 1);
  result.format = web::TextBetween(row, "<img alt=\"", "\"");
  result.url = web::TextBetween(row, "data-url=\"", "\"");
  result.id = web::TextBetween(row, "data-id=\"", "\"");
  result.detailPath = result.url + std::string(kDetailJoint) + result.id;
  return result;
}

ResultRow ReadResultRow(std::string_view escapedRow) { return ParseResultRow(web::JsUnescape(escapedRow)); }

}  // namespace search
