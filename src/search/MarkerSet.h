// Several ASCII markers looked for at once in characters as they arrive, one table step per
// character, letters in any case. The table is built at compile time (Aho-Corasick: a trie of
// the markers where a character that continues no marker falls back to the longest end of
// what was read that still begins one).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace search {

// States needed for the markers: one per character plus the start.
template <size_t kCount>
constexpr size_t MarkerStates(const std::array<std::string_view, kCount>& markers) {
  size_t states = 1;
  for (std::string_view marker : markers) states += marker.size();
  return states;
}

template <size_t kCount, size_t kStates>
class MarkerSet {
  static_assert(kCount <= 32 && kStates <= 256, "states and marker bits are bytes and a word");

 public:
  using State = std::uint8_t;

  constexpr explicit MarkerSet(const std::array<std::string_view, kCount>& markers) {
    std::array<int, kStates> fallback{};
    size_t states = 1;
    for (auto& row : next_) row.fill(0);
    // The trie: next_ holds its edges (0 = none yet; the start is never an edge's target).
    for (size_t m = 0; m < kCount; ++m) {
      State at = 0;
      for (char c : markers[m]) {
        const unsigned char folded = Fold(static_cast<unsigned char>(c));
        if (next_[at][folded] == 0) next_[at][folded] = static_cast<State>(states++);
        at = next_[at][folded];
      }
      found_[at] |= 1u << m;
    }
    // Breadth first, so that every fallback is complete before it is used.
    std::array<State, kStates> queue{};
    size_t head = 0, tail = 0;
    for (unsigned c = 0; c < 128; ++c) {
      if (next_[0][c] != 0) queue[tail++] = next_[0][c];
    }
    while (head < tail) {
      const State at = queue[head++];
      found_[at] |= found_[fallback[at]];
      for (unsigned c = 0; c < 128; ++c) {
        const State child = next_[at][c];
        if (child != 0) {
          fallback[child] = next_[fallback[at]][c];
          queue[tail++] = child;
        } else {
          next_[at][c] = next_[fallback[at]][c];
        }
      }
    }
    // Upper-case letters go where their lower-case ones go.
    for (auto& row : next_) {
      for (unsigned c = 'A'; c <= 'Z'; ++c) row[c] = row[c + ('a' - 'A')];
    }
  }

  // The state after one character (an ASCII byte, or a double-byte character above 0x7F,
  // which no marker holds and none starts inside).
  constexpr State Step(State at, unsigned character) const { return character < 128 ? next_[at][character] : 0; }

  // The state after these characters (ASCII) from the start state, and whether a marker ends
  // on the way there, before the last character.
  constexpr State Walk(std::string_view text, bool* foundBefore = nullptr) const {
    State at = 0;
    for (size_t i = 0; i < text.size(); ++i) {
      if (foundBefore && i > 0 && found_[at] != 0) *foundBefore = true;
      at = Step(at, static_cast<unsigned char>(text[i]));
    }
    return at;
  }

  // The start state in place of a state that leads every character where the start leads it:
  // what follows is read the same from either.
  constexpr State Settled(State at) const { return next_[at] == next_[0] ? 0 : at; }

  // Whether a character can begin a marker: any other leaves the start state as it is.
  constexpr bool Begins(unsigned character) const { return character < 128 && next_[0][character] != 0; }

  // Bit m set when marker m ends at this state.
  constexpr std::uint32_t Found(State at) const { return found_[at]; }

 private:
  static constexpr unsigned char Fold(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }

  std::array<std::array<State, 128>, kStates> next_{};
  std::array<std::uint32_t, kStates> found_{};
};

}  // namespace search
