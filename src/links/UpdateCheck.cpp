#include "links/UpdateCheck.h"

namespace links {

UpdatePlan PlanUpdate(std::string_view updateFile) {
  UpdateInfo info = ParseUpdateFile(updateFile);
  UpdatePlan plan;
  plan.announce = IsNewerVersion(info.version);
  if (plan.announce) {
    plan.caption = UpdateCaption(info.versionText);
    // Anything but a web address (a program path, another scheme) is never handed to the shell.
    if (IsWebAddress(info.link)) plan.link = std::move(info.link);
  }
  plan.noticeWidth = NoticeWidth(info.notice);
  plan.notice = std::move(info.notice);
  return plan;
}

std::string UpdatePromptText(std::string_view productHost) {
  std::string text = "\xd3\xd0\xd0\xc2\xb0\xe6\xb1\xbe\xbf\xc9\xb8\xfc\xd0\xc2\xc5\xb6\xa3\xa1\r\n";
  text += ProductHomeAddress(productHost);
  return text;
}

std::string UpdatePromptTitle() { return "\xd0\xc2\xb0\xe6\xb1\xbe\xcc\xe1\xca\xbe"; }

float NextNoticeLeft(float left, float width) {
  if (left + width < 0) left = kNoticeStartLeft;
  return left - kNoticeStep;
}

}  // namespace links
