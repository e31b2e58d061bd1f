#include "search/ResultMarks.h"

namespace search {

namespace {

constexpr const char* kMarkNames[] = {
    "\xd2\xd1\xb8\xb4\xd6\xc6",                          // 已复制
    "\xd2\xd1\xb7\xa2\xcb\xcd\xb5\xbd\xd1\xb8\xc0\xd7",  // 已发送到迅雷
    "\xd2\xd1\xb7\xa2\xcb\xcd\xb5\xbd"
    "QQ\xd0\xfd\xb7\xe7",  // 已发送到QQ旋风
};
constexpr const char* kJoiner = "\xa3\xac";  // ，

}  // namespace

std::string MarkText(std::uint8_t bits) {
  std::string text;
  for (int i = 0; i < 3; ++i) {
    if (!(bits & (1 << i))) continue;
    if (!text.empty()) text += kJoiner;
    text += kMarkNames[i];
  }
  return text;
}

std::vector<std::string> MarkTexts() {
  std::vector<std::string> texts;
  for (int bits = 0; bits <= kMarkAll; ++bits) texts.push_back(MarkText(static_cast<std::uint8_t>(bits)));
  return texts;
}

void TakenResults::Add(std::string_view detailPath, std::uint8_t bits) {
  if (detailPath.empty() || !bits) return;
  std::lock_guard guard(lock_);
  marks_[std::string(detailPath)] |= bits;
  any_ = true;
}

std::uint8_t TakenResults::Of(std::string_view detailPath) const {
  if (!any_ || detailPath.empty()) return 0;
  std::lock_guard guard(lock_);
  const auto found = marks_.find(std::string(detailPath));
  return found == marks_.end() ? 0 : found->second;
}

}  // namespace search
