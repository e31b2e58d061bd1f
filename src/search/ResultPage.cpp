#include "search/ResultPage.h"

#include <array>
#include <bit>
#include <cstdint>

#include "search/MarkerSet.h"
#include "web/Encoding.h"
#include "web/JsUnescapeReader.h"
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

// The field markers of an unescaped row.
constexpr std::string_view kTitleStart = "data-title=\"";
constexpr std::string_view kTitleEnd = "</span>";
constexpr std::string_view kSizeStart = "<td style=\"text-align: right;\">";
constexpr std::string_view kSizeEnd = "</td>";
constexpr std::string_view kFormatStart = "<img alt=\"";
constexpr std::string_view kUrlStart = "data-url=\"";
constexpr std::string_view kIdStart = "data-id=\"";
constexpr std::string_view kQuote = "\"";

// The fields of a row in the order of ResultRow, each from its start marker to its end marker.
enum Field { kTitle, kSize, kFormat, kUrl, kId, kFieldCount };
constexpr std::array<std::string_view, kFieldCount> kFieldStarts{kTitleStart, kSizeStart, kFormatStart, kUrlStart,
                                                                 kIdStart};
constexpr std::array<std::string_view, 3> kFieldEnds{kTitleEnd, kSizeEnd, kQuote};
constexpr std::array<size_t, kFieldCount> kEndOf{0, 1, 2, 2, 2};
constexpr size_t kTitleRoom = 96;

constexpr MarkerSet<kFieldCount, MarkerStates(kFieldStarts)> kStartSet(kFieldStarts);
constexpr MarkerSet<3, MarkerStates(kFieldEnds)> kEndSet(kFieldEnds);

// The highlight tag, then every quote-and-bracket pair, then every CR LF, each pass over what
// the one before left.
void StripHighlightInPlace(std::string& title) {
  web::EraseAll(title, "<span class=\"highlight\">");
  web::EraseAll(title, "\">");
  web::EraseAll(title, "\r\n");
}

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

std::vector<std::string_view> CutResultRowViews(std::string_view page) {
  return web::CollectBetweenViews(page, kRowStart, kRowEnd, true);
}

std::string StripHighlight(std::string_view title) {
  std::string text(title);
  StripHighlightInPlace(text);
  return text;
}

namespace {

// What is done to the fields once they are cut.
void FinishFields(ResultRow& row) {
  StripHighlightInPlace(row.title);
  if (size_t lineFeed = row.size.find('\n'); lineFeed != std::string::npos) row.size.erase(lineFeed, 1);
  row.detailPath.reserve(row.url.size() + kDetailJoint.size() + row.id.size());
  row.detailPath.append(row.url).append(kDetailJoint).append(row.id);
}

}  // namespace

ResultRow ParseResultRow(std::string_view row) {
  ResultRow result;
  result.title = web::TextBetween(row, kTitleStart, kTitleEnd);
  result.size = web::TextBetween(row, kSizeStart, kSizeEnd);
  result.format = web::TextBetween(row, kFormatStart, kQuote);
  result.url = web::TextBetween(row, kUrlStart, kQuote);
  result.id = web::TextBetween(row, kIdStart, kQuote);
  FinishFields(result);
  return result;
}

ResultRow ReadResultRow(std::string_view escapedRow) {
  // One scan: each character of the unescaped row goes to the fields being cut and is then
  // forgotten. A field is cut from its first start marker to the next end marker after it, as
  // TextBetween cuts it from the whole row; once every field is complete the rest is only
  // checked.
  ResultRow row;
  const std::array<std::string*, kFieldCount> fields{&row.title, &row.size, &row.format, &row.url, &row.id};
  std::array<std::uint8_t, kFieldCount> endState{};
  std::uint32_t seeking = (1u << kFieldCount) - 1, taking = 0;
  std::uint8_t startState = 0;
  web::JsUnescapeReader reader(escapedRow);
  while ((seeking | taking) != 0) {
    const unsigned character = reader.Next();
    if (character == 0) break;
    for (std::uint32_t rest = taking; rest != 0; rest &= rest - 1) {
      const int f = std::countr_zero(rest);
      std::string& field = *fields[f];
      web::JsUnescapeReader::Append(character, field);
      endState[f] = kEndSet.Step(endState[f], character);
      if ((kEndSet.Found(endState[f]) >> kEndOf[f] & 1) == 0) continue;
      field.resize(field.size() - kFieldEnds[kEndOf[f]].size());
      taking &= ~(1u << f);
    }
    if (seeking != 0) {
      startState = kStartSet.Step(startState, character);
      const std::uint32_t begun = kStartSet.Found(startState) & seeking;
      seeking &= ~begun;
      taking |= begun;
      // Titles outgrow a short text; one allocation instead of a few as it grows.
      if ((begun >> kTitle & 1) != 0) row.title.reserve(kTitleRoom);
    }
  }
  switch (reader.Finish()) {
    case web::JsUnescapeReader::Outcome::NotCompiled:
      return ParseResultRow({});
    case web::JsUnescapeReader::Outcome::Declined:
      return ParseResultRow(web::JsUnescapeByUnits(escapedRow));
    default:
      break;
  }
  // A field still waiting for its end marker is empty.
  for (std::uint32_t rest = taking; rest != 0; rest &= rest - 1) fields[std::countr_zero(rest)]->clear();
  FinishFields(row);
  return row;
}

}  // namespace search
