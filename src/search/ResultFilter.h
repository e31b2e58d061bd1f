// The filter a user types over the results, decided without any window: words a row's name must
// hold, in any order, ignoring case and full-/half-width differences, and bounds on its size
// (">1GB", ">=700MB", "<4.5 gb": B, KB, MB, GB or TB in any case, with or without a space).
// Sizes are read as the size sort reads them, so filter and sort agree; a row whose size
// cannot be read fails every size bound. Texts are GBK.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace search {

struct SizeBound {
  enum class Op { Above, AtLeast, Below, AtMost };
  Op op = Op::Above;
  double bytes = 0;
  bool operator==(const SizeBound&) const = default;
};

struct ResultFilter {
  std::vector<std::string> words;  // folded (see FoldForFilter), none empty
  std::vector<SizeBound> bounds;
  bool Empty() const { return words.empty() && bounds.empty(); }
};

// The most of a box's text a filter reads.
inline constexpr size_t kMaxFilterBytes = 512;

// The grey hint the filter box shows while empty.
extern const char* const kFilterHint;

// ASCII and full-width letters in lower case, full-width ASCII as ASCII, every blank (full-width
// space, tab, line breaks) as one space; other characters unchanged. Whole characters only.
std::string FoldForFilter(std::string_view gbkText);

// The filter a box's text asks for; blank text asks for nothing (every row passes).
ResultFilter ParseFilter(std::string_view gbkText);

// Whether a row with this name and size cell passes.
bool FilterPasses(const ResultFilter& filter, std::string_view name, std::string_view size);

}  // namespace search
