// The product site's update file "#version##notice##&link&" and the start-up ping's address.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace links {

inline constexpr double kRunningVersion = 1.0;
inline constexpr std::string_view kUpdateFilePath = "/p2p.txt";
inline constexpr int kNoticePixelsPerByte = 7;

struct UpdateInfo {
  std::string versionText;
  double version = 0;  // leading number of versionText as strtod reads it, 0 without one
  std::string notice;
  std::string link;
};

// Fields of the update file (its bytes as text, cut at the first zero byte).
UpdateInfo ParseUpdateFile(std::string_view bytes);

// True when the version exceeds the running one by more than 0.0000001.
bool IsNewerVersion(double version);

// "最新" + version text + "点击更新！"
std::string UpdateCaption(std::string_view versionText);

// Width of the scrolling notice: 7 pixels per byte.
int NoticeWidth(std::string_view notice);

// Only web addresses are handed to the shell from the update file: "http://" or "https://"
// (any case) and more, with no blank, quote, control or non-ASCII byte anywhere.
bool IsWebAddress(std::string_view link);

// The product site's home page: the host itself when it names its scheme, else "http://" + host
// + "/" (shown by the update prompt, opened by the site label).
std::string ProductHomeAddress(std::string_view productHost);

// Source of randomness: the low 32 bits of the time-stamp counter, replaceable in tests.
using RandomSource = std::uint32_t (*)(void* context);
std::uint32_t ReadTimeStampCounter(void* context);

struct Randomness {
  RandomSource source = ReadTimeStampCounter;
  void* context = nullptr;
  std::uint32_t Next() const { return source(context); }
};

// lo + ((t * 23 + 7) mod (hi - lo + 1)) in unsigned 32-bit arithmetic, t one reading; lo when
// hi < lo.
int RandomInRange(int lo, int hi, const Randomness& random = {});

// n characters, each a digit, an upper-case or a lower-case letter (kind and character from two
// readings).
std::string RandomText(int n, const Randomness& random = {});

// "http://" + host + "/client?v=130805&c=5a3c81e0d24b&so=0&__diycdn=" + token.
std::string PingUrl(std::string_view host, std::string_view token);

}  // namespace links
