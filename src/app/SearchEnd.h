// The line an empty results list shows: how the search it belongs to is going or how it ended,
// so that a search that brings no row is not mistaken for one still under way.
#pragma once

#include <string>

#include "web/WebAccess.h"

enum class SearchEnd {
  None,           // no search yet: the list shows nothing
  Searching,      // the first page is on its way
  NothingFound,   // the first page held no result
  Unreachable,    // the first page could not be fetched
  Stopped,        // the user stopped the run
  EmptyCategory,  // a category tab whose category has no row
};

// Terms longer than this many bytes are cut (at a character's end) and end in an ellipsis.
inline constexpr size_t kEndLineTermBytes = 40;

// The line for an end (GBK); the term is the one the first page asked for, the report what the
// web routine said about that page.
std::string SearchEndLine(SearchEnd end, const std::string& term = {}, const web::ExchangeReport& report = {});

// What failed, in words: the name was not found, the connection was refused, no answer in time,
// the site answered with an error status, else the error's number.
std::string FailureReason(const web::ExchangeReport& report);

// The line below the rows of a run cut short by a page that could not be fetched (GBK):
// "搜索中断：" and what failed.
std::string CutShortLine(const web::ExchangeReport& report);

// How the first page of a run ended, from the page's report and whether it held a result.
SearchEnd FirstPageEnd(const web::ExchangeReport& report, bool hasResults);
