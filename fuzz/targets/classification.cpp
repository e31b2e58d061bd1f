// Sorting by format: codes are distinct ascending digits 1 to 4, and an ASCII format gets a
// digit exactly when its list holds it, ASCII case ignored.
#include "FuzzInput.h"
#include "search/Classification.h"

namespace {

char Fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool HoldsFolded(std::string_view list, std::string_view format) {
  if (format.empty() || format.size() > list.size()) return false;
  for (size_t i = 0; i + format.size() <= list.size(); ++i) {
    size_t k = 0;
    while (k < format.size() && Fold(list[i + k]) == Fold(format[k])) ++k;
    if (k == format.size()) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  fuzz::FuzzInput input(data, size);
  const std::string format = input.Rest();

  const std::string codes = search::ClassifyFormat(format);
  for (size_t i = 0; i < codes.size(); ++i) {
    fuzz::Check(codes[i] >= '1' && codes[i] <= '4' && (i == 0 || codes[i] > codes[i - 1]), "ascending digits", codes);
  }
  if (format.empty()) fuzz::Check(codes.empty(), "an empty format has no category");
  bool ascii = true;
  for (char c : format) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) {
    const std::string_view lists[] = {search::kVideoExtensions, search::kAudioExtensions, search::kImageExtensions,
                                      search::kArchiveExtensions};
    std::string expected;
    for (size_t i = 0; i < 4; ++i) {
      if (HoldsFolded(lists[i], format)) expected += static_cast<char>('1' + i);
    }
    fuzz::Check(codes == expected, "codes name the lists holding the format", codes);
  }
  int video = 0, audio = 0, image = 0, archive = 0;
  search::CountCategories(codes, video, audio, image, archive);
  fuzz::Check(static_cast<size_t>(video + audio + image + archive) == codes.size(), "one count per code");
  return 0;
}
