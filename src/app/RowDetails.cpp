#include "app/RowDetails.h"

#include "app/ResultsView.h"
#include "links/UpdateFile.h"
#include "search/DetailPage.h"
#include "search/LinkBatch.h"

namespace {

// 将在浏览器中打开 N 个详情页，继续吗？
constexpr const char* kOpenAsk = "\xbd\xab\xd4\xda\xe4\xaf\xc0\xc0\xc6\xf7\xd6\xd0\xb4\xf2\xbf\xaa ";
constexpr const char* kOpenAskEnd = " \xb8\xf6\xcf\xea\xc7\xe9\xd2\xb3\xa3\xac\xbc\xcc\xd0\xf8\xc2\xf0\xa3\xbf";
// 选中的行有 N 个详情页，将在浏览器中打开前 10 个，继续吗？
constexpr const char* kOpenSomeAsk = "\xd1\xa1\xd6\xd0\xb5\xc4\xd0\xd0\xd3\xd0 ";
constexpr const char* kOpenSomeMiddle =
    " \xb8\xf6\xcf\xea\xc7\xe9\xd2\xb3\xa3\xac\xbd\xab\xd4\xda\xe4\xaf\xc0\xc0\xc6\xf7\xd6\xd0\xb4\xf2\xbf\xaa\xc7\xb0"
    " ";
constexpr const char* kOpenSomeEnd = " \xb8\xf6\xa3\xac\xbc\xcc\xd0\xf8\xc2\xf0\xa3\xbf";
// 所选的行没有可以打开的详情页。
constexpr const char* kNothingToOpen =
    "\xcb\xf9\xd1\xa1\xb5\xc4\xd0\xd0\xc3\xbb\xd3\xd0\xbf\xc9\xd2\xd4\xb4\xf2\xbf\xaa\xb5\xc4\xcf\xea\xc7\xe9"
    "\xd2\xb3\xa1\xa3";

}  // namespace

std::string RowCell(const ListRowCopy& row, int column) {
  return column >= 1 && static_cast<size_t>(column) <= row.texts.size() ? row.texts[static_cast<size_t>(column - 1)]
                                                                        : std::string();
}

std::string JoinedNames(const std::vector<ListRowCopy>& rows) {
  std::vector<std::string> names;
  names.reserve(rows.size());
  for (const ListRowCopy& row : rows) names.push_back(RowCell(row, kColumnTitle));
  return search::JoinLinks(names);
}

std::string JoinedDetailAddresses(std::string_view host, const std::vector<ListRowCopy>& rows) {
  std::vector<std::string> addresses;
  addresses.reserve(rows.size());
  for (const ListRowCopy& row : rows) {
    const std::string path = RowCell(row, kColumnDetailPath);
    if (!path.empty()) addresses.push_back(search::DetailPageUrl(host, path));
  }
  return search::JoinLinks(addresses);
}

std::string DetailAddressToOpen(std::string_view host, std::string_view detailPath) {
  // Without its leading slash a path from the page would name another host ("@x", ".evil").
  if (detailPath.empty() || detailPath.front() != '/') return {};
  std::string address = search::DetailPageUrl(host, detailPath);
  return links::IsWebAddress(address) ? address : std::string();
}

PageOpening PlanPageOpening(std::string_view host, const std::vector<ListRowCopy>& rows) {
  PageOpening plan;
  for (const ListRowCopy& row : rows) {
    std::string address = DetailAddressToOpen(host, RowCell(row, kColumnDetailPath));
    if (address.empty()) continue;
    ++plan.openable;
    if (plan.addresses.size() < kMostPagesOpened) plan.addresses.push_back(std::move(address));
  }
  if (plan.openable == 0) {
    plan.refusal = kNothingToOpen;
  } else if (plan.openable > kMostPagesOpened) {
    plan.question = kOpenSomeAsk + std::to_string(plan.openable) + kOpenSomeMiddle + std::to_string(kMostPagesOpened) +
                    kOpenSomeEnd;
  } else if (plan.openable > kConfirmPagesAbove) {
    plan.question = kOpenAsk + std::to_string(plan.openable) + kOpenAskEnd;
  }
  return plan;
}
