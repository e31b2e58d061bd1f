// What the user has done with results since Quarvel started: each result is known by its detail
// path, so a later search that brings the same result shows the mark again.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace search {

// Mark bits, one per thing done with a result's link.
inline constexpr std::uint8_t kMarkCopied = 1;
inline constexpr std::uint8_t kMarkThunder = 2;
inline constexpr std::uint8_t kMarkQqdl = 4;
inline constexpr std::uint8_t kMarkAll = kMarkCopied | kMarkThunder | kMarkQqdl;

// What a mark says ("已复制", "已发送到迅雷", "已发送到QQ旋风", joined by "，"); empty for none.
std::string MarkText(std::uint8_t bits);
// Every mark's text, indexed by its bits.
std::vector<std::string> MarkTexts();

// The marks of results, by detail path. Safe from any thread: the search reads it for every row it
// adds, the UI thread writes it after an action.
class TakenResults {
 public:
  // Adds the bits to the result's mark; a result without a detail path cannot be known again.
  void Add(std::string_view detailPath, std::uint8_t bits);
  // The result's mark, 0 when nothing was done with it.
  std::uint8_t Of(std::string_view detailPath) const;

 private:
  mutable std::mutex lock_;
  std::unordered_map<std::string, std::uint8_t> marks_;
  // Whether any result is marked: until one is, a row added costs no lock.
  std::atomic<bool> any_{false};
};

}  // namespace search
