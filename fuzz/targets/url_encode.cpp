// UrlEncode and UrlDecode: encoding then decoding gives the term back.
#include "FuzzInput.h"
#include "web/Encoding.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  fuzz::FuzzInput input(data, size);
  const unsigned flags = input.Flags();
  const bool keepUnreserved = flags & 1;
  const bool utf8 = flags & 2;
  const std::string text = input.Rest();
  const std::string term = text.substr(0, text.find('\0'));

  const std::string encoded = web::UrlEncode(text, keepUnreserved, utf8);
  for (char c : encoded) {
    const bool hex = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || c == '%';
    const bool unreserved = c == '-' || c == '.' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    fuzz::Check(hex || (keepUnreserved && unreserved), "encoded text holds only escapes and unreserved bytes", encoded);
  }
  if (!utf8 && !keepUnreserved) fuzz::Check(encoded.size() == 3 * term.size(), "every byte escaped");

  // A term survives the trip when its characters survive the UTF-8 form (valid GBK).
  const bool survivesUtf8 = !utf8 || web::Utf8ToAnsi(web::AnsiToUtf8(term)) == term;
  if (survivesUtf8) {
    fuzz::Check(web::UrlDecode(encoded, utf8) == term, "decoding the encoded term gives it back", term);
  }

  const std::string decoded = web::UrlDecode(text, utf8);
  fuzz::Check(decoded.find('\0') == std::string::npos, "decoded text holds no zero byte", decoded);
  if (!utf8) fuzz::Check(decoded.size() <= term.size(), "decoding never grows the text");
  return 0;
}
