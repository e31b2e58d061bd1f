// The update file and the start-up ping's random token.
#include <cmath>
#include <vector>

#include "FuzzInput.h"
#include "links/UpdateFile.h"
#include "web/TextExtraction.h"

namespace {

// Counter readings taken from the input, cycling.
struct Readings {
  std::vector<std::uint32_t> values;
  size_t next = 0;
  static std::uint32_t Read(void* context) {
    auto* self = static_cast<Readings*>(context);
    if (self->values.empty()) return 0;
    return self->values[self->next++ % self->values.size()];
  }
};

bool IsAlphaNumeric(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  fuzz::FuzzInput input(data, size);
  const unsigned flags = input.Flags();
  const std::string randomBytes = input.Piece();
  const std::string bytes = input.Rest();
  const std::string_view text = std::string_view(bytes).substr(0, bytes.find('\0'));

  const links::UpdateInfo info = links::ParseUpdateFile(bytes);
  for (const std::string* field : {&info.versionText, &info.notice, &info.link}) {
    fuzz::Check(fuzz::OccursIn(text, *field), "update fields lie inside the text before its zero", *field);
  }
  fuzz::Check(web::FindText(info.link, "&", 1, false) < 0, "the link holds no &", info.link);
  fuzz::Check(web::FindText(info.notice, "##", 1, false) < 0, "the notice holds no ##", info.notice);
  if (std::isnan(info.version)) fuzz::Check(!links::IsNewerVersion(info.version), "no number is not newer");
  const int width = links::NoticeWidth(info.notice);
  fuzz::Check(width >= 0 && static_cast<size_t>(width) == info.notice.size() * links::kNoticePixelsPerByte,
              "seven pixels a byte");
  fuzz::Check(links::UpdateCaption(info.versionText).size() == info.versionText.size() + 14, "caption around version");
  if (links::IsWebAddress(info.link)) {
    fuzz::Check(web::FindText(info.link, "http://", 1, false) == 1 || web::FindText(info.link, "https://", 1, false) == 1,
                "only web addresses go to the shell", info.link);
  }

  Readings readings;
  for (size_t i = 0; i + 4 <= randomBytes.size(); i += 4) {
    std::uint32_t value = 0;
    for (size_t k = 0; k < 4; ++k) value = value << 8 | static_cast<unsigned char>(randomBytes[i + k]);
    readings.values.push_back(value);
  }
  const links::Randomness random{Readings::Read, &readings};
  const int n = static_cast<int>(flags) - 8;
  const std::string token = links::RandomText(n, random);
  fuzz::Check(token.size() == static_cast<size_t>(n < 0 ? 0 : n), "n characters");
  for (char c : token) fuzz::Check(IsAlphaNumeric(c), "digits and letters only", token);
  const int lo = static_cast<int>(readings.values.empty() ? 0 : readings.values.front());
  const int hi = static_cast<int>(readings.values.size() < 2 ? 0 : readings.values[1]);
  const int r = links::RandomInRange(lo, hi, random);
  fuzz::Check(hi < lo ? r == lo : (r >= lo && r <= hi), "a random number lies in its range");
  fuzz::Check(links::PingUrl("h", token) == "http://h/client?v=130805&c=5a3c81e0d24b&so=0&__diycdn=" + token,
              "the ping address");
  return 0;
}
