// JsUnescape: any fragment decodes without harm; a plain fragment (no escapes, quotes or line
// breaks) comes back unchanged.
#include "FuzzInput.h"
#include "GbkText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  fuzz::FuzzInput input(data, size);
  const std::string text = input.Rest();
  const std::string decoded = web::JsUnescape(text);
  // Windows maps every GBK pair to a unit and back; the C library leaves some areas out, so the
  // two routes are compared on texts it converts whole.
  if (fuzz::IsValidGbk(text)) {
    fuzz::Check(decoded == web::JsUnescapeByUnits(text), "the byte route gives what the unit route gives", decoded);
  }
  fuzz::Check(decoded.find('\0') == std::string::npos, "decoded text holds no zero byte");

  const bool plain = text.find_first_of(std::string_view("\\%\r\n'\0", 6)) == std::string::npos &&
                     text.find("\xa1\xaf") == std::string::npos && text.find("{$}") == std::string::npos;
  if (plain && fuzz::IsValidGbk(text)) fuzz::Check(decoded == text, "a plain fragment comes back unchanged", decoded);
  return 0;
}
