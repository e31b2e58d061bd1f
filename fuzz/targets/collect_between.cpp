// CollectBetween: every item it cuts lies inside its input, in order, trimmed, without a right
// marker.
#include <vector>

#include "FuzzInput.h"
#include "web/TextExtraction.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  fuzz::FuzzInput input(data, size);
  const bool caseSensitive = input.Flags() & 1;
  const std::string left = input.Piece();
  const std::string right = input.Piece();
  const std::string text = input.Rest();

  std::vector<std::string> items{"stale"};
  const int count = web::CollectBetween(text, left, right, caseSensitive, items);
  fuzz::Check(count >= 0 && static_cast<size_t>(count) == items.size(), "the count is the number of items");
  size_t from = 0;
  for (const std::string& item : items) {
    fuzz::Check(!item.empty(), "no empty item");
    const size_t at = text.find(item, from);
    fuzz::Check(at != std::string::npos, "every item lies inside the input, in order", item);
    from = at + 1;
    fuzz::Check(web::Trim(item) == item, "items are trimmed", item);
    fuzz::Check(web::FindText(item, right, 1, caseSensitive) < 0, "no item holds the right marker", item);
  }
  return 0;
}
