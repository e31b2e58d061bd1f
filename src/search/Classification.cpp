#include "search/Classification.h"

#include <array>

#include "web/TextExtraction.h"

namespace search {

std::string ClassifyFormat(std::string_view format) {
  static constexpr std::array<std::string_view, 4> kLists{kVideoExtensions, kAudioExtensions, kImageExtensions,
                                                          kArchiveExtensions};
  std::string codes;
  for (size_t i = 0; i < kLists.size(); ++i) {
    // Plain substring, not an extension match: "ts" is found in ".dts" too.
    if (web::FindText(kLists[i], format, 1, false) > 0) codes += static_cast<char>('1' + i);
  }
  return codes;
}

}  // namespace search
