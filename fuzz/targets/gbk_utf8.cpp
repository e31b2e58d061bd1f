// The code-page conversions: a valid GBK text survives GBK -> UTF-8 -> GBK; whatever comes in,
// the UTF-8 side is valid UTF-8 and the GBK side well-formed GBK.
#include "FuzzInput.h"
#include "GbkText.h"

namespace {

constexpr std::string_view kCharsets[] = {"", "UTF-8", "GBK", "gb2312", "utf8", "x-gbk", "BIG5", "no-such"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  fuzz::FuzzInput input(data, size);
  const unsigned flags = input.Flags();
  const std::string text = input.Rest();
  const std::string_view asText = std::string_view(text).substr(0, text.find('\0'));

  const std::string utf8 = web::AnsiToUtf8(text);
  fuzz::Check(fuzz::IsValidUtf8(utf8), "GBK to UTF-8 gives valid UTF-8", utf8);
  if (fuzz::IsValidGbk(asText)) {
    fuzz::Check(web::Utf8ToAnsi(utf8) == asText, "a valid GBK text survives GBK -> UTF-8 -> GBK", asText);
  }
  const std::string gbk = web::Utf8ToAnsi(text);
  fuzz::Check(fuzz::IsWellFormedGbk(gbk), "UTF-8 to GBK gives well-formed GBK", gbk);
  const std::wstring wide = web::ToUtf16(text, flags & 1 ? web::kCodePageUtf8 : web::kCodePageGbk);
  fuzz::Check(wide.find(L'\0') == std::wstring::npos, "UTF-16 form holds no terminator");
  const std::string back = web::FromUtf16(wide, flags & 2 ? web::kCodePageUtf8 : web::kCodePageGbk);
  fuzz::Check(back.find('\0') == std::string::npos, "text form holds no zero byte");

  const std::string_view from = kCharsets[flags >> 2 & 7];
  const std::string_view to = kCharsets[flags >> 5 & 7];
  const std::string converted = web::ConvertCharset(text, from, to);
  if (web::CodePageOfCharset(to.empty() ? "GBK" : to) == web::kCodePageGbk) {
    fuzz::Check(fuzz::IsWellFormedGbk(converted), "a conversion to GBK gives well-formed GBK", converted);
  }
  return 0;
}
