// Reading a result's detail page: the magnet link, or why there is none.
#pragma once

#include <string>
#include <string_view>

namespace search {

enum class DetailOutcome {
  Found,       // magnet holds the link
  PageMissing, // the page says "404: Not Found": failure box in every mode
  NoResource,  // no usable link on the page: no-resource box in copy mode
};

struct DetailResult {
  DetailOutcome outcome = DetailOutcome::NoResource;
  std::string magnet;
};

// Address of a detail page: "http://" + host + the row's detail path.
std::string DetailPageUrl(std::string_view host, std::string_view detailPath);

// Cuts the magnet link out of a detail page (an empty page has no link).
DetailResult AnalyseDetailPage(std::string_view page);

}  // namespace search
