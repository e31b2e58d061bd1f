// What the start-up update check shows, decided from the update file alone, and the scrolling
// of its notice along the bottom of the main window.
#pragma once

#include <string>
#include <string_view>

#include "links/UpdateFile.h"

namespace links {

inline constexpr float kNoticeStartLeft = 600;
inline constexpr float kNoticeStep = 2;
inline constexpr unsigned kNoticeIntervalMs = 100;

struct UpdatePlan {
  bool announce = false;  // raise the update label and show the prompt
  std::string caption;    // the update label's caption when announcing
  std::string link;       // what is opened after the prompt: empty unless a web address
  std::string notice;
  int noticeWidth = 0;
};

// The update file's bytes (as fetched; empty when the fetch failed) to what the check does.
UpdatePlan PlanUpdate(std::string_view updateFile);

// "有新版本可更新哦！" CR LF and the product site's home address.
std::string UpdatePromptText(std::string_view productHost);
// "新版本提示"
std::string UpdatePromptTitle();

// The notice's next left edge: back to the right border once its last pixel has passed the
// left one, then one step to the left.
float NextNoticeLeft(float left, float width);

}  // namespace links
