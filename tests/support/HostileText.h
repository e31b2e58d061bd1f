// Generator of hostile web text for the parsers' robustness tests: random bytes, pieces and
// truncations of the markers a parser looks for, long runs of one byte, lone GBK lead bytes and
// zero bytes. Deterministic for a given seed.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace testing_support {

class HostileText {
 public:
  HostileText(std::uint32_t seed, std::vector<std::string> vocabulary);

  // One input: usually a few hundred bytes, now and then tens of kilobytes.
  std::string Next();

  // A short piece, suitable as a marker or separator (may be empty).
  std::string NextMarker();

  std::uint32_t Number(std::uint32_t below) { return below == 0 ? 0 : engine_() % below; }

 private:
  void AppendPiece(std::string& out);

  std::mt19937 engine_;
  std::vector<std::string> vocabulary_;
};

}  // namespace testing_support
