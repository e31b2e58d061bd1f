// Reading the search site's result pages: the request address, the probe for results, the
// escaped table rows and the fields of one row. Plain text in, text out; no window here.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace search {

// Address of one result page: "http://" + host + "/ajax/search_next?s=" + the term as UTF-8
// percent escapes + "&p=" + page.
std::string SearchPageUrl(std::string_view host, std::string_view term, int page);

// True when the page holds the probe text "data-title" (any case).
bool PageHasResults(std::string_view page);

// The escaped rows of a page, in page order, still escaped.
std::vector<std::string> CutResultRows(std::string_view page);

// The same rows as views into the page, which must outlive them.
std::vector<std::string_view> CutResultRowViews(std::string_view page);

// Removes the highlight tag, then every quote-and-bracket pair, then every CR LF.
std::string StripHighlight(std::string_view title);

struct ResultRow {
  std::string title;
  std::string size;
  std::string format;
  std::string url;         // data-url value
  std::string id;          // data-id value
  std::string detailPath;  // url + "&__diycdn=" + id
};

// Fields of one row that is already unescaped.
ResultRow ParseResultRow(std::string_view row);

// Unescapes one row as cut from the page and takes its fields.
ResultRow ReadResultRow(std::string_view escapedRow);
// The same into a row read before, whose fields keep their memory: rows of a page read one
// after another into one row allocate next to nothing.
void ReadResultRow(std::string_view escapedRow, ResultRow& row);

}  // namespace search
