// Taking the links of many results at once, decided without any window: why a row gave no link,
// the tally of a run, and the texts the user reads before, during and after it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "search/MagnetResolution.h"

namespace search {

// Why a row gave no link.
enum class LinkFailure {
  None,         // it gave one
  NoResource,   // the page was read and holds no usable link, or the row has no page
  Unreachable,  // the site could not be reached (name, connection, a broken answer)
  NoAnswer,     // no answer in time
  ErrorStatus,  // the site answered with an error status (its "not found" page among them)
};

// What the exchange said: its error (WinINet's or the system's, 0 none) and the site's status.
struct FetchReport {
  bool fetched = false;  // a request was made at all
  unsigned long error = 0;
  int status = 0;
};

// Why a decision holds no link; None when it holds one.
LinkFailure FailureOf(const MagnetDecision& decision, const FetchReport& report);

// More selected rows than this that still need the site make the user confirm first.
inline constexpr int kConfirmFetchesAbove = 50;

struct LinkTally {
  int found = 0;
  int noResource = 0;
  int unreachable = 0;
  int noAnswer = 0;
  int errorStatus = 0;
  void Add(LinkFailure failure);
  int Failed() const { return noResource + unreachable + noAnswer + errorStatus; }
};

// The links one per line (CR LF between them), in the order given; empty ones are left out.
std::string JoinLinks(const std::vector<std::string>& links);

// "正在获取磁力链接 3/20"
std::string ProgressLine(int done, int total);
// "需要访问站点 N 次，继续吗？"
std::string ConfirmFetchesText(int fetches);
// After a copy of several rows: how many links were copied and, when some row gave none, how
// many and why.
std::string CopySummary(const LinkTally& tally);
// After links were handed to a download manager: how many, and why some rows gave none.
std::string HandOverSummary(const LinkTally& tally);
// A run cancelled by the user or by a new search.
std::string CancelledText(bool copyMode);
// The title of those boxes ("磁力链接").
std::string LinkBoxTitle();

}  // namespace search
