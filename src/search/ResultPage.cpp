#include "search/ResultPage.h"

#include <array>
#include <bit>
#include <cstdint>
#include <span>

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

using StartSet = MarkerSet<kFieldCount, MarkerStates(kFieldStarts)>;
using EndSet = MarkerSet<3, MarkerStates(kFieldEnds)>;
// For what is worked out while compiling (the site forms below); the scan reads the same set
// built in memory (kScanTables), so this one is not stored in the exe.
constexpr StartSet kStartSet(kFieldStarts);

// Whether bytes are a marker as the site writes it: quotes and slashes escaped or not.
constexpr bool IsSiteForm(std::string_view site, std::string_view marker) {
  size_t i = 0;
  for (char c : marker) {
    if ((c == '"' || c == '/') && i + 1 < site.size() && site[i] == '\\' && site[i + 1] == c) ++i;
    if (i >= site.size() || site[i++] != c) return false;
  }
  return i == site.size();
}

// A marker as the site writes it, passed whole where the scan waits at the start of every
// marker instead of character by character: the start markers' state after it (from their
// start) and those of them that end with it.
struct SiteForm {
  std::string_view bytes;
  std::uint8_t startState;
  std::uint32_t startsFound;
};

constexpr SiteForm MakeSiteForm(std::string_view bytes, std::string_view marker) {
  bool foundBefore = false;
  const std::uint8_t state = kStartSet.Walk(marker, &foundBefore);
  // Fails the build: the bytes must read as the marker, and no start marker may end inside it.
  if (!IsSiteForm(bytes, marker) || foundBefore) throw "a site form that is not its marker";
  return {bytes, kStartSet.Settled(state), kStartSet.Found(state)};
}

constexpr std::array<SiteForm, kFieldCount> kSiteStarts{
    MakeSiteForm("data-title=\\\"", kTitleStart), MakeSiteForm("<td style=\\\"text-align: right;\\\">", kSizeStart),
    MakeSiteForm("<img alt=\\\"", kFormatStart), MakeSiteForm("data-url=\\\"", kUrlStart),
    MakeSiteForm("data-id=\\\"", kIdStart)};
constexpr std::array<SiteForm, 3> kSiteEnds{MakeSiteForm("<\\/span>", kTitleEnd), MakeSiteForm("<\\/td>", kSizeEnd),
                                            MakeSiteForm("\\\"", kQuote)};

// What the site writes at the start of every title: the highlight tag and the quote and bracket
// before it, which the title loses anyway (StripHighlightInPlace), wherever it stands.
constexpr SiteForm kSiteTitleLead = MakeSiteForm("\\\"><span class=\\\"highlight\\\">", "\"><span class=\"highlight\">");

// What the scan reads, 20 KB of tables: built in memory as the program starts (the constructor
// is not constexpr) rather than carried in the exe.
struct ScanTables {
  ScanTables() : starts(kFieldStarts), ends(kFieldEnds) {
    for (size_t waits = 0; waits < markerBytes.size(); ++waits) {
      for (unsigned char c = 0; c < 128; ++c) {
        if ((waits & 1) != 0 && starts.Begins(c)) markerBytes[waits].Add(c);
        for (size_t end = 0; end < kFieldEnds.size(); ++end) {
          if ((waits >> (end + 1) & 1) != 0 && kFieldEnds[end][0] == static_cast<char>(c)) markerBytes[waits].Add(c);
        }
      }
    }
  }

  StartSet starts;
  EndSet ends;
  // Characters that may begin a marker the scan waits for, by what it waits for: bit 0 any
  // start marker, bits 1 to 3 the end markers of the fields being taken. Any other character
  // leaves the state of each marker looked for at its start.
  std::array<web::JsUnescapeReader::Stops, 16> markerBytes{};
};

const ScanTables kScanTables;

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

namespace {

// Pieces between markers are short: copied by hand, not by a call to the C library.
void AppendPiece(std::string_view piece, std::string& field) {
  if (piece.size() > 16) {
    field.append(piece);
    return;
  }
  for (char c : piece) field.push_back(c);
}

// The first of these site forms that the reader goes on with, which it then passes; none when
// none does.
const SiteForm* TakeSiteForm(web::JsUnescapeReader& reader, std::span<const SiteForm> forms) {
  const std::string_view rest = reader.QuickRest();
  if (rest.empty()) return nullptr;
  for (const SiteForm& form : forms) {
    // Compared here, byte by byte: most forms differ in their first byte.
    if (form.bytes[0] != rest[0] || form.bytes.size() > rest.size()) continue;
    size_t i = 1;
    while (i < form.bytes.size() && form.bytes[i] == rest[i]) ++i;
    if (i < form.bytes.size()) continue;
    reader.Pass(form.bytes.size());
    return &form;
  }
  return nullptr;
}

}  // namespace

ResultRow ReadResultRow(std::string_view escapedRow) {
  ResultRow row;
  ReadResultRow(escapedRow, row);
  return row;
}

void ReadResultRow(std::string_view escapedRow, ResultRow& row) {
  // One scan: each character of the unescaped row goes to the fields being cut and is then
  // forgotten. A field is cut from its first start marker to the next end marker after it, as
  // TextBetween cuts it from the whole row; once every field is complete the rest is only
  // checked.
  for (std::string* field : {&row.title, &row.size, &row.format, &row.url, &row.id, &row.detailPath}) field->clear();
  const std::array<std::string*, kFieldCount> fields{&row.title, &row.size, &row.format, &row.url, &row.id};
  std::array<std::uint8_t, kFieldCount> endState{};
  std::uint32_t seeking = (1u << kFieldCount) - 1, taking = 0;
  std::uint8_t startState = 0;
  web::JsUnescapeReader reader(escapedRow);
  const auto beginFields = [&](std::uint32_t found) {
    const std::uint32_t begun = found & seeking;
    seeking &= ~begun;
    taking |= begun;
    // Titles outgrow a short text; one allocation instead of a few as it grows.
    if ((begun >> kTitle & 1) != 0) row.title.reserve(kTitleRoom);
  };
  const auto passSiteForm = [&](const SiteForm& form) {
    startState = form.startState;
    beginFields(form.startsFound);
  };
  while ((seeking | taking) != 0) {
    // Between markers most characters decode on the quick way and begin no marker looked for:
    // they go to the fields being taken in pieces, and a marker as the site writes it is passed
    // whole. A field's end state then follows only its own end marker, which is all it is read
    // for.
    bool atStart = seeking == 0 || startState == 0;
    size_t waits = seeking != 0 ? 1 : 0;
    for (std::uint32_t rest = taking; rest != 0 && atStart; rest &= rest - 1) {
      const int f = std::countr_zero(rest);
      atStart = endState[f] == 0;
      waits |= size_t{2} << kEndOf[f];
    }
    if (atStart) {
      reader.TakeQuiet(kScanTables.markerBytes[waits], [&](std::string_view piece) {
        for (std::uint32_t rest = taking; rest != 0; rest &= rest - 1) AppendPiece(piece, *fields[std::countr_zero(rest)]);
      });
      const SiteForm* form = nullptr;
      if (taking == 0) {
        form = TakeSiteForm(reader, kSiteStarts);
      } else if ((taking & (taking - 1)) == 0) {  // one field
        form = TakeSiteForm(reader, std::span(&kSiteEnds[kEndOf[std::countr_zero(taking)]], 1));
        if (form != nullptr) taking = 0;
      }
      if (form != nullptr) {
        passSiteForm(*form);
        // A title that opens with the lead is the title without it, so the lead is passed
        // without taking it.
        if (form == &kSiteStarts[kTitle] && taking == 1u << kTitle && (seeking == 0 || startState == 0) &&
            TakeSiteForm(reader, std::span(&kSiteTitleLead, 1)) != nullptr) {
          passSiteForm(kSiteTitleLead);
        }
        continue;
      }
    }
    const unsigned character = reader.Next();
    if (character == 0) break;
    for (std::uint32_t rest = taking; rest != 0; rest &= rest - 1) {
      const int f = std::countr_zero(rest);
      std::string& field = *fields[f];
      web::JsUnescapeReader::Append(character, field);
      endState[f] = kScanTables.ends.Step(endState[f], character);
      if ((kScanTables.ends.Found(endState[f]) >> kEndOf[f] & 1) == 0) continue;
      field.resize(field.size() - kFieldEnds[kEndOf[f]].size());
      taking &= ~(1u << f);
    }
    if (seeking != 0) {
      startState = kScanTables.starts.Step(startState, character);
      beginFields(kScanTables.starts.Found(startState));
    }
  }
  switch (reader.Finish()) {
    case web::JsUnescapeReader::Outcome::NotCompiled:
      row = ParseResultRow({});
      return;
    case web::JsUnescapeReader::Outcome::Declined:
      row = ParseResultRow(web::JsUnescapeByUnits(escapedRow));
      return;
    default:
      break;
  }
  // A field still waiting for its end marker is empty.
  for (std::uint32_t rest = taking; rest != 0; rest &= rest - 1) fields[std::countr_zero(rest)]->clear();
  FinishFields(row);
}

}  // namespace search
