#include "HostileText.h"

namespace testing_support {
namespace {

// Bytes that mean something to the parsers: escapes, percent, quotes, line breaks, the
// full-width blank and its lead byte, a GBK character whose trail byte is a backslash.
const std::vector<std::string> kSpecialBytes = {"\\", "%", "\"", "'", "\r", "\n", "\r\n", "\xa1\xa1", "\xa1",
                                                "\xa1\xaf", "\x95\x5c", "\x81", "\xff", std::string(1, '\0'),
                                                ";", " ", "=", "#", "&", ":", "<", ">", "/", "u", "{$}"};

}  // namespace

HostileText::HostileText(std::uint32_t seed, std::vector<std::string> vocabulary)
    : engine_(seed), vocabulary_(std::move(vocabulary)) {}

void HostileText::AppendPiece(std::string& out) {
  switch (Number(6)) {
    case 0: {  // random bytes, zero and high bytes included
      std::uint32_t n = 1 + Number(16);
      for (std::uint32_t i = 0; i < n; ++i) out += static_cast<char>(Number(256));
      break;
    }
    case 1:
    case 2: {  // a marker, whole or cut short at either end
      if (vocabulary_.empty()) break;
      const std::string& word = vocabulary_[Number(static_cast<std::uint32_t>(vocabulary_.size()))];
      std::uint32_t begin = Number(4) == 0 ? Number(static_cast<std::uint32_t>(word.size()) + 1) : 0;
      std::uint32_t end = Number(3) == 0 ? Number(static_cast<std::uint32_t>(word.size()) + 1) : word.size();
      if (begin < end) out.append(word, begin, end - begin);
      break;
    }
    case 3:
      out += kSpecialBytes[Number(static_cast<std::uint32_t>(kSpecialBytes.size()))];
      break;
    case 4: {  // plain text, some of it hex digits
      static const char kPlain[] = "abcdefABCDEF0123456789xyz.-_";
      std::uint32_t n = 1 + Number(8);
      for (std::uint32_t i = 0; i < n; ++i) out += kPlain[Number(sizeof kPlain - 1)];
      break;
    }
    default: {  // a run of one special byte
      const std::string& unit = kSpecialBytes[Number(static_cast<std::uint32_t>(kSpecialBytes.size()))];
      std::uint32_t n = 2 + Number(40);
      for (std::uint32_t i = 0; i < n; ++i) out += unit;
      break;
    }
  }
}

std::string HostileText::Next() {
  std::string out;
  if (Number(200) == 0) {  // a huge run: one repeated piece of tens of kilobytes
    std::string unit;
    AppendPiece(unit);
    if (unit.empty()) unit.push_back('%');
    while (out.size() < 40000) out += unit;
    return out;
  }
  std::uint32_t pieces = Number(40);
  if (Number(3) == 0 && !vocabulary_.empty()) {
    // Nearly well-formed: the markers in their listed order (so starts precede ends), some
    // skipped or cut short, with junk between them.
    std::uint32_t word = Number(static_cast<std::uint32_t>(vocabulary_.size()));
    for (std::uint32_t i = 0; i < pieces; ++i) {
      const std::string& marker = vocabulary_[word % vocabulary_.size()];
      word += 1 + (Number(4) == 0 ? Number(3) : 0);
      out.append(marker, 0, Number(6) == 0 ? Number(static_cast<std::uint32_t>(marker.size()) + 1) : marker.size());
      if (Number(2) == 0) AppendPiece(out);
    }
  } else {
    for (std::uint32_t i = 0; i < pieces; ++i) AppendPiece(out);
  }
  if (Number(8) == 0) out += '\x81';  // a lone lead byte at the very end
  return out;
}

std::string HostileText::NextMarker() {
  std::string out;
  std::uint32_t pieces = Number(3);
  for (std::uint32_t i = 0; i < pieces; ++i) AppendPiece(out);
  if (out.size() > 24) out.resize(24);
  return out;
}

}  // namespace testing_support
