#include "web/CodePages.h"

#include <climits>

#ifdef _WIN32
#include <windows.h>
#else
#include <errno.h>
#include <iconv.h>

#include <cstdint>
#endif

namespace web {
namespace {

int ClampedSize(size_t size) { return size > INT_MAX / 4 ? INT_MAX / 4 : static_cast<int>(size); }

}  // namespace

#ifdef _WIN32

std::wstring DecodeCodePage(std::string_view bytes, unsigned codePage) {
  if (bytes.empty()) return {};
  int size = ClampedSize(bytes.size());
  // A byte never becomes more than one UTF-16 unit: one call fills a buffer of that size.
  std::wstring wide(static_cast<size_t>(size), L'\0');
  int units = MultiByteToWideChar(codePage, 0, bytes.data(), size, wide.data(), size);
  wide.resize(units > 0 ? static_cast<size_t>(units) : 0);
  return wide;
}

std::string EncodeCodePage(std::wstring_view units, unsigned codePage) {
  if (units.empty()) return {};
  int size = ClampedSize(units.size());
  // No code page here takes more than three bytes for a UTF-16 unit: a short text goes in one
  // call; a long one is measured first, so a page does not take three times its size.
  constexpr int kOneCallUnits = 64 * 1024;
  int bytes = size <= kOneCallUnits ? size * 3
                                    : WideCharToMultiByte(codePage, 0, units.data(), size, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string out(static_cast<size_t>(bytes), '\0');
  bytes = WideCharToMultiByte(codePage, 0, units.data(), size, out.data(), bytes, nullptr, nullptr);
  out.resize(bytes > 0 ? static_cast<size_t>(bytes) : 0);
  return out;
}

#else

namespace {

constexpr unsigned kGbk = 936;
constexpr unsigned kUtf8 = 65001;

const char* CharsetOf(unsigned codePage) {
  if (codePage == kGbk) return "GBK";
  if (codePage == kUtf8) return "UTF-8";
  return nullptr;
}

// Owns one conversion descriptor.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts as much as it can; returns false at an invalid or cut-off sequence, with in and
  // out advanced past what was converted.
  bool Run(const char*& in, size_t& inLeft, std::string& out) {
    char buffer[256];
    while (inLeft > 0) {
      char* to = buffer;
      size_t toLeft = sizeof buffer;
      char* from = const_cast<char*>(in);
      size_t result = iconv(cd_, &from, &inLeft, &to, &toLeft);
      in = from;
      out.append(buffer, static_cast<size_t>(to - buffer));
      if (result == static_cast<size_t>(-1) && errno != E2BIG) return false;
    }
    return true;
  }

 private:
  iconv_t cd_;
};

bool IsHighSurrogate(std::uint16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(std::uint16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

std::wstring DecodeCodePage(std::string_view bytes, unsigned codePage) {
  const char* charset = CharsetOf(codePage);
  if (bytes.empty() || charset == nullptr) return {};
  Converter converter("UTF-16LE", charset);
  if (!converter.ok()) return {};
  std::string utf16;
  const char* in = bytes.data();
  size_t inLeft = static_cast<size_t>(ClampedSize(bytes.size()));
  while (!converter.Run(in, inLeft, utf16)) {
    utf16.append("\xfd\xff", 2);  // U+FFFD for the byte that could not be read
    ++in;
    --inLeft;
  }
  std::wstring wide;
  wide.reserve(utf16.size() / 2);
  for (size_t i = 0; i + 1 < utf16.size(); i += 2) {
    wide += static_cast<wchar_t>(static_cast<unsigned char>(utf16[i]) | static_cast<unsigned char>(utf16[i + 1]) << 8);
  }
  return wide;
}

std::string EncodeCodePage(std::wstring_view units, unsigned codePage) {
  const char* charset = CharsetOf(codePage);
  if (units.empty() || charset == nullptr) return {};
  Converter converter(charset, "UTF-16LE");
  if (!converter.ok()) return {};
  std::string utf16;
  utf16.reserve(units.size() * 2);
  for (size_t i = 0; i < static_cast<size_t>(ClampedSize(units.size())); ++i) {
    auto unit = static_cast<std::uint16_t>(units[i]);
    utf16 += static_cast<char>(unit & 0xFF);
    utf16 += static_cast<char>(unit >> 8);
  }
  const std::string_view fallback = codePage == kUtf8 ? std::string_view("\xef\xbf\xbd") : std::string_view("?");
  std::string out;
  const char* in = utf16.data();
  size_t inLeft = utf16.size();
  while (!converter.Run(in, inLeft, out)) {
    // One character the target cannot hold (a surrogate pair counts as one).
    size_t skip = inLeft >= 2 ? 2 : inLeft;
    auto unit = static_cast<std::uint16_t>(static_cast<unsigned char>(in[0]) |
                                           (inLeft >= 2 ? static_cast<unsigned char>(in[1]) << 8 : 0));
    if (IsHighSurrogate(unit) && inLeft >= 4) {
      auto next = static_cast<std::uint16_t>(static_cast<unsigned char>(in[2]) | static_cast<unsigned char>(in[3]) << 8);
      if (IsLowSurrogate(next)) skip = 4;
    }
    out += fallback;
    in += skip;
    inLeft -= skip;
  }
  return out;
}

#endif

}  // namespace web
