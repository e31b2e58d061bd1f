// The download managers' link forms: Base64 decodes back to the link's bytes.
#include "FuzzInput.h"
#include "links/DownloadLinks.h"

namespace {

std::string Base64Decode(std::string_view text) {
  static constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  unsigned buffer = 0;
  int bits = 0;
  for (char c : text) {
    if (c == '=') break;
    const size_t value = kAlphabet.find(c);
    if (value == std::string_view::npos) fuzz::Fail("a Base64 text holds only the alphabet", text);
    buffer = buffer << 6 | static_cast<unsigned>(value);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>(buffer >> bits & 0xFF);
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  fuzz::FuzzInput input(data, size);
  const std::string magnet = input.Rest();

  const std::string encoded = links::Base64Encode(magnet);
  fuzz::Check(encoded.size() == (magnet.size() + 2) / 3 * 4, "four characters per three bytes, padded");
  fuzz::Check(Base64Decode(encoded) == magnet, "Base64 decodes back to the bytes");
  const std::string thunder = links::ThunderLink(magnet);
  fuzz::Check(thunder.rfind("thunder://", 0) == 0 && Base64Decode(thunder.substr(10)) == "AA" + magnet + "ZZ",
              "a Thunder link wraps the magnet link");
  const std::string qqdl = links::QqdlLink(magnet);
  fuzz::Check(qqdl.rfind("qqdl://", 0) == 0 && Base64Decode(qqdl.substr(7)) == magnet, "a QQ link carries it");
  return 0;
}
