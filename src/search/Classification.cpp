#include "search/Classification.h"

#include <array>
#include <cstdint>
#include <string>

namespace search {
namespace {

constexpr std::array<std::string_view, 4> kLists{kVideoExtensions, kAudioExtensions, kImageExtensions,
                                                 kArchiveExtensions};

constexpr char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

// Up to four characters (no zero among them) packed into one word, the first in the low byte.
constexpr std::uint32_t Pack(std::string_view text) {
  std::uint32_t key = 0;
  for (size_t i = 0; i < text.size(); ++i) key |= static_cast<std::uint32_t>(static_cast<unsigned char>(text[i])) << 8 * i;
  return key;
}

// Every text of one to four characters found in the lists, in lower case, with the lists that
// hold it: one look decides most formats, which are that short.
class ShortFormats {
 public:
  ShortFormats() {
    for (size_t list = 0; list < kLists.size(); ++list) {
      std::array<char, 4> piece{};
      for (size_t start = 0; start < kLists[list].size(); ++start) {
        for (size_t length = 1; length <= piece.size() && start + length <= kLists[list].size(); ++length) {
          piece[length - 1] = Lower(kLists[list][start + length - 1]);
          Slot(Pack({piece.data(), length})).lists |= static_cast<std::uint8_t>(1u << list);
        }
      }
    }
  }

  // Bit n set when list n holds the text (one to four ASCII characters other than zero, folded).
  unsigned Lists(std::string_view folded) const {
    const std::uint32_t key = Pack(folded);
    for (size_t at = Hash(key);; at = (at + 1) % kSlots) {
      if (slots_[at].key == key) return slots_[at].lists;
      if (slots_[at].key == 0) return 0;
    }
  }

 private:
  static constexpr size_t kSlots = 4096;  // over twice the texts there are, so looks are short
  struct Entry {
    std::uint32_t key = 0;
    std::uint8_t lists = 0;
  };

  static constexpr size_t Hash(std::uint32_t key) { return (key * 2654435761u) >> 20; }

  Entry& Slot(std::uint32_t key) {
    size_t at = Hash(key);
    while (slots_[at].key != 0 && slots_[at].key != key) at = (at + 1) % kSlots;
    slots_[at].key = key;
    return slots_[at];
  }

  std::array<Entry, kSlots> slots_{};
};

// 32 KB: built in memory as the program starts rather than carried in the exe.
const ShortFormats kShortFormats;

}  // namespace

std::string ClassifyFormat(std::string_view format) {
  // The lists are ASCII without zeros: a format holding any other byte is in none of them, and
  // in ASCII text every byte starts a character, so a plain search of the folded format finds
  // what a search by characters finds.
  std::string folded(format);
  for (char& c : folded) {
    if (c == 0 || static_cast<unsigned char>(c) >= 0x80) return {};
    c = Lower(c);
  }
  unsigned lists = 0;
  if (folded.size() <= 4) {
    lists = folded.empty() ? 0 : kShortFormats.Lists(folded);
  } else {
    // The lists folded once, for the few formats longer than the table holds.
    static const std::array<std::string, kLists.size()> kFoldedLists = [] {
      std::array<std::string, kLists.size()> foldedLists;
      for (size_t i = 0; i < kLists.size(); ++i) {
        for (char c : kLists[i]) foldedLists[i] += Lower(c);
      }
      return foldedLists;
    }();
    // Plain substring, not an extension match: "ts" is found in ".dts" too.
    for (size_t i = 0; i < kLists.size(); ++i) {
      if (kFoldedLists[i].find(folded) != std::string::npos) lists |= 1u << i;
    }
  }
  std::string codes;
  for (size_t i = 0; i < kLists.size(); ++i) {
    if ((lists >> i & 1) != 0) codes += static_cast<char>('1' + i);
  }
  return codes;
}

}  // namespace search
