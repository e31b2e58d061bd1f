// Cuts one fuzzer input into the arguments of an entry point, and the checks the targets assert.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace fuzz {

// The input as text pieces separated by the two bytes 01 0A, so that corpus files stay readable:
// the first pieces are the short arguments (markers, names), the last one the rest.
class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, size_t size) : rest_(reinterpret_cast<const char*>(data), size) {}

  // The next piece up to the separator, or everything left.
  std::string Piece() {
    size_t end = rest_.find(std::string_view("\x01\n", 2));
    std::string piece(rest_.substr(0, end));
    rest_ = end == std::string_view::npos ? std::string_view() : rest_.substr(end + 2);
    return piece;
  }

  // One byte used as flags (0 when nothing is left).
  unsigned Flags() {
    if (rest_.empty()) return 0;
    unsigned flags = static_cast<unsigned char>(rest_.front());
    rest_.remove_prefix(1);
    return flags;
  }

  std::string Rest() {
    std::string all(rest_);
    rest_ = {};
    return all;
  }

 private:
  std::string_view rest_;
};

// A failed property: print it and abort, so that libFuzzer records the input as a crash.
[[noreturn]] inline void Fail(const char* what, std::string_view detail = {}) {
  std::fprintf(stderr, "property failed: %s\n", what);
  if (!detail.empty()) {
    std::fprintf(stderr, "  detail (%zu bytes): ", detail.size());
    for (unsigned char c : detail.substr(0, 200)) std::fprintf(stderr, c >= 0x20 && c < 0x7f ? "%c" : "\\x%02x", c);
    std::fprintf(stderr, "\n");
  }
  std::abort();
}

inline void Check(bool condition, const char* what, std::string_view detail = {}) {
  if (!condition) Fail(what, detail);
}

// Whether piece is a part of whole (shares its bytes, not only its content): the cutters return
// copies, so this checks that the bytes occur in the input.
inline bool OccursIn(std::string_view whole, std::string_view piece) { return whole.find(piece) != std::string_view::npos; }

}  // namespace fuzz
