#include "search/ResultFilter.h"

#include <optional>

#include "search/ResultOrder.h"

namespace search {

// 名称关键词 >1GB <=700MB
const char* const kFilterHint = "\xc3\xfb\xb3\xc6\xb9\xd8\xbc\xfc\xb4\xca >1GB <=700MB";

namespace {

bool IsLead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// The byte length of the character at text[at]: 2 for a GBK pair, else 1 (a lead byte at the
// end counts alone).
size_t CharLength(std::string_view text, size_t at) {
  return IsLead(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
}

// The folded form (FoldForFilter) of the character at text[at], of length bytes: one or two bytes
// in out; returns how many.
size_t FoldChar(std::string_view text, size_t at, size_t length, char out[2]) {
  const unsigned char c = static_cast<unsigned char>(text[at]);
  if (length == 2) {
    const unsigned char trail = static_cast<unsigned char>(text[at + 1]);
    if (c == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
      // Full-width ASCII (A3A1..A3FE) is its ASCII character.
      const char ascii = static_cast<char>(trail - 0x80);
      out[0] = ascii >= 'A' && ascii <= 'Z' ? static_cast<char>(ascii - 'A' + 'a') : ascii;
      return 1;
    }
    if (c == 0xA1 && trail == 0xA1) {
      out[0] = ' ';  // the full-width space
      return 1;
    }
    out[0] = text[at];
    out[1] = text[at + 1];
    return 2;
  }
  if (c == '\t' || c == '\r' || c == '\n') {
    out[0] = ' ';
  } else {
    out[0] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : static_cast<char>(c);
  }
  return 1;
}

// Whether the folded text of text holds the folded needle at a character start; folds as it
// goes, so a row's name costs no copy (the filter reads every row at each keystroke).
bool HoldsFolded(std::string_view text, std::string_view needle) {
  if (needle.empty()) return true;
  for (size_t start = 0; start < text.size(); start += CharLength(text, start)) {
    size_t at = start, matched = 0;
    bool mismatch = false;
    while (matched < needle.size() && at < text.size() && !mismatch) {
      char folded[2];
      const size_t length = CharLength(text, at);
      const size_t n = FoldChar(text, at, length, folded);
      for (size_t i = 0; i < n && !mismatch; ++i) {
        // A needle ending inside a folded character does not match it.
        mismatch = matched >= needle.size() || folded[i] != needle[matched++];
      }
      at += length;
    }
    if (!mismatch && matched == needle.size()) return true;
  }
  return false;
}

std::vector<std::string> Tokens(const std::string& folded) {
  std::vector<std::string> tokens;
  std::string current;
  for (char c : folded) {
    if (c == ' ') {
      if (!current.empty()) tokens.push_back(std::move(current));
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) tokens.push_back(std::move(current));
  return tokens;
}

// The operator a token starts with and its length; nothing for a plain word.
std::optional<std::pair<SizeBound::Op, size_t>> OperatorOf(std::string_view token) {
  if (token.starts_with(">=")) return std::pair{SizeBound::Op::AtLeast, size_t{2}};
  if (token.starts_with("<=")) return std::pair{SizeBound::Op::AtMost, size_t{2}};
  if (token.starts_with(">")) return std::pair{SizeBound::Op::Above, size_t{1}};
  if (token.starts_with("<")) return std::pair{SizeBound::Op::Below, size_t{1}};
  return std::nullopt;
}

bool IsUnit(std::string_view token) {
  return token == "b" || token == "kb" || token == "mb" || token == "gb" || token == "tb";
}

bool EndsInDigit(std::string_view token) { return !token.empty() && token.back() >= '0' && token.back() <= '9'; }

}  // namespace

std::string FoldForFilter(std::string_view text) {
  std::string folded;
  folded.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    const size_t length = CharLength(text, at);
    char out[2];
    folded.append(out, FoldChar(text, at, length, out));
    at += length;
  }
  return folded;
}

ResultFilter ParseFilter(std::string_view text) {
  ResultFilter filter;
  // A filter is a few words: a longer text is cut, so that a pasted page cannot make every row
  // an expensive search.
  if (text.size() > kMaxFilterBytes) {
    size_t cut = 0;
    while (cut < text.size() && cut + CharLength(text, cut) <= kMaxFilterBytes) cut += CharLength(text, cut);
    text = text.substr(0, cut);
  }
  const std::vector<std::string> tokens = Tokens(FoldForFilter(text));
  for (size_t i = 0; i < tokens.size(); ++i) {
    std::string token = tokens[i];
    if (const auto op = OperatorOf(token)) {
      // "> 1GB", ">1 GB" and "> 1 GB" are one bound.
      if (token.size() == op->second && i + 1 < tokens.size()) token += tokens[++i];
      if (EndsInDigit(token) && i + 1 < tokens.size() && IsUnit(tokens[i + 1])) token += tokens[++i];
      const std::string_view amount = std::string_view(token).substr(op->second);
      if (const std::optional<double> bytes = SizeInBytes(amount)) {
        filter.bounds.push_back({op->first, *bytes});
        continue;
      }
    }
    filter.words.push_back(std::move(token));
  }
  return filter;
}

bool FilterPasses(const ResultFilter& filter, std::string_view name, std::string_view size) {
  if (filter.Empty()) return true;
  for (const std::string& word : filter.words) {
    if (!HoldsFolded(name, word)) return false;
  }
  if (filter.bounds.empty()) return true;
  const std::optional<double> bytes = SizeInBytes(size);
  if (!bytes) return false;
  for (const SizeBound& bound : filter.bounds) {
    const bool passes = bound.op == SizeBound::Op::Above     ? *bytes > bound.bytes
                        : bound.op == SizeBound::Op::AtLeast ? *bytes >= bound.bytes
                        : bound.op == SizeBound::Op::Below   ? *bytes < bound.bytes
                                                             : *bytes <= bound.bytes;
    if (!passes) return false;
  }
  return true;
}

}  // namespace search
