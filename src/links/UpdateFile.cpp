#include "links/UpdateFile.h"

#include <x86intrin.h>

#include <climits>
#include <cstdlib>

#include "web/TextExtraction.h"

namespace links {

UpdateInfo ParseUpdateFile(std::string_view bytes) {
  std::string_view text = bytes.substr(0, bytes.find('\0'));
  UpdateInfo info;
  info.versionText = web::TextBetween(text, "#", "##");
  info.notice = web::TextBetween(text, "##", "##");
  info.link = web::TextBetween(text, "&", "&");
  info.version = std::strtod(info.versionText.c_str(), nullptr);
  return info;
}

bool IsNewerVersion(double version) { return version - kRunningVersion > 0.0000001; }

std::string UpdateCaption(std::string_view versionText) {
  std::string caption = "\xd7\xee\xd0\xc2";  // 最新
  caption += versionText;
  caption += "\xb5\xe3\xbb\xf7\xb8\xfc\xd0\xc2\xa3\xa1";  // 点击更新！
  return caption;
}

int NoticeWidth(std::string_view notice) {
  // A notice of hundreds of megabytes would overflow the width: it is held at the largest one.
  constexpr size_t kLongest = INT_MAX / kNoticePixelsPerByte;
  return notice.size() > kLongest ? INT_MAX : static_cast<int>(notice.size()) * kNoticePixelsPerByte;
}

namespace {

// "http://" or "https://" in any case, followed by something.
bool HasWebScheme(std::string_view link) {
  auto startsWith = [&](std::string_view prefix) {
    return link.size() > prefix.size() && web::FindText(link.substr(0, prefix.size()), prefix, 1, false) == 1;
  };
  return startsWith("http://") || startsWith("https://");
}

}  // namespace

bool IsWebAddress(std::string_view link) {
  if (!HasWebScheme(link)) return false;
  // The shell reads a blank or a quote as the end of the address and the rest as its own
  // arguments; control and non-ASCII bytes have no place in an address either.
  for (char c : link) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= ' ' || byte >= 0x7F || c == '"' || c == '\'') return false;
  }
  return true;
}

std::string ProductHomeAddress(std::string_view productHost) {
  // A bare host name means nothing to the shell: it opens no browser and reports nothing.
  if (HasWebScheme(productHost)) return std::string(productHost);
  std::string address = "http://";
  address += productHost;
  address += '/';
  return address;
}

std::uint32_t ReadTimeStampCounter(void*) { return static_cast<std::uint32_t>(__rdtsc()); }

int RandomInRange(int lo, int hi, const Randomness& random) {
  if (hi < lo) return lo;
  std::uint32_t span = static_cast<std::uint32_t>(hi) - static_cast<std::uint32_t>(lo) + 1u;
  std::uint32_t t = random.Next();
  std::uint32_t mixed = t * 23u + 7u;
  // The whole 32-bit range wraps the span to 0: every value is then in range.
  std::uint32_t offset = span == 0 ? mixed : mixed % span;
  return static_cast<int>(static_cast<std::uint32_t>(lo) + offset);
}

std::string RandomText(int n, const Randomness& random) {
  std::string text;
  if (n <= 0) return text;
  text.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    switch (RandomInRange(1, 3, random)) {
      case 1: text += static_cast<char>(RandomInRange('0', '9', random)); break;
      case 2: text += static_cast<char>(RandomInRange('A', 'Z', random)); break;
      default: text += static_cast<char>(RandomInRange('a', 'z', random)); break;
    }
  }
  return text;
}

std::string PingUrl(std::string_view host, std::string_view token) {
  std::string url = "http://";
  url += host;
  url += "/client?v=130805&c=5a3c81e0d24b&so=0&__diycdn=";
  url += token;
  return url;
}

}  // namespace links
