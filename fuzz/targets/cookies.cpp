// Cookie collection and merging: the merged jar has no blanks inside its items, no deleted
// item and no repeated one (empty items, which a jar like "a;;b" holds, aside); the
// response's list comes back without blanks.

#include "FuzzInput.h"
#include "web/Cookies.h"
#include "web/TextExtraction.h"

namespace {

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  fuzz::FuzzInput input(data, size);
  std::string jar = input.Piece();
  const std::vector<std::string> lines = web::SplitText(input.Rest(), "\r\n");

  std::string newCookies = web::CollectResponseCookies(lines);
  for (const std::string& item : web::SplitText(newCookies, "; ")) {
    fuzz::Check(!item.empty() && web::Trim(item) == item, "collected items are trimmed and not empty", newCookies);
  }

  const std::string merged = web::MergeCookies(jar, newCookies);
  fuzz::Check(merged == jar, "the result is the jar");
  fuzz::Check(web::RemoveAllBlanks(newCookies) == newCookies, "the response's list loses its blanks", newCookies);
  const std::vector<std::string> items = web::SplitText(jar, "; ");
  for (size_t i = 0; i < items.size(); ++i) {
    fuzz::Check(web::RemoveAllBlanks(items[i]) == items[i], "no blank inside a jar item", jar);
    fuzz::Check(!EndsWith(items[i], "=deleted"), "no deleted item in the jar", jar);
    if (!items[i].empty()) {
      fuzz::Check(web::FindItem(items, items[i]) == static_cast<int>(i) + 1, "no repeated item in the jar", jar);
    }
  }
  return 0;
}
