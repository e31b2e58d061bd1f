// TextBetween, FindText, Trim, HeaderValue, ReplaceAll and SplitText on one text and two markers.
#include "FuzzInput.h"
#include "web/TextExtraction.h"

namespace {

unsigned char Fold(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

bool EqualFolded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Fold(static_cast<unsigned char>(a[i])) != Fold(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  fuzz::FuzzInput input(data, size);
  const unsigned flags = input.Flags();
  const std::string left = input.Piece();
  const std::string right = input.Piece();
  const std::string text = input.Rest();

  const std::string between = web::TextBetween(text, left, right);
  fuzz::Check(fuzz::OccursIn(text, between), "TextBetween result lies inside the text", between);
  const std::string rightMarker = web::ReplaceAll(right, web::kQuotePlaceholder, "\"");
  fuzz::Check(web::FindText(between, rightMarker, 1, false) < 0, "TextBetween result holds no right marker", between);

  const bool caseSensitive = flags & 1;
  const int start = static_cast<int>(flags >> 1) - 8;
  const int at = web::FindText(text, left, start, caseSensitive);
  if (at > 0) {
    fuzz::Check(at >= start && static_cast<size_t>(at) - 1 + left.size() <= text.size(), "FindText lands inside");
    const std::string_view found = std::string_view(text).substr(static_cast<size_t>(at) - 1, left.size());
    fuzz::Check(caseSensitive ? found == left : EqualFolded(found, left), "FindText finds the needle", found);
  } else {
    fuzz::Check(at == -1, "FindText misses with -1");
  }

  const std::string trimmed = web::Trim(text);
  fuzz::Check(fuzz::OccursIn(text, trimmed), "Trim result lies inside the text");
  fuzz::Check(web::Trim(trimmed) == trimmed, "Trim is idempotent", trimmed);
  const std::string value = web::HeaderValue(text);
  fuzz::Check(fuzz::OccursIn(text, value), "HeaderValue lies inside the line");

  fuzz::Check(web::ReplaceAll(text, left, left) == text, "replacing a marker by itself keeps the text");
  if (left.empty()) fuzz::Check(web::ReplaceAll(text, left, right) == text, "an empty marker replaces nothing");

  const auto pieces = web::SplitText(text, left);
  std::string joined;
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) joined += left;
    joined += pieces[i];
  }
  fuzz::Check(joined == text || joined + left == text, "split pieces join back to the text", joined);
  return 0;
}
