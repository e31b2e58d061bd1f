#include <gtest/gtest.h>

#include <string>

#include "links/UpdateCheck.h"

namespace {

const std::string kLatest = "\xd7\xee\xd0\xc2";                                 // 最新
const std::string kClick = "\xb5\xe3\xbb\xf7\xb8\xfc\xd0\xc2\xa3\xa1";          // 点击更新！

TEST(PlanUpdate, AnnouncementLinkAndNotice) {
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 37 + 11) & 0xFF);
  const struct {
    const char* name;
    std::string file;
    bool announce;
    std::string caption, link, notice;
  } cases[] = {
      {"same version", "#1.0##hello##&http://u.example/&", false, "", "", "hello"},
      {"newer", "#1.1##hello##&http://u.example/&", true, kLatest + "1.1" + kClick, "http://u.example/", "hello"},
      {"https link", "#2##n##&https://u.example/x&", true, kLatest + "2" + kClick, "https://u.example/x", "n"},
      {"hardly newer", "#1.00000001##n##&http://u.example/&", false, "", "", "n"},
      {"not a number", "#abc##n##&http://u.example/&", false, "", "", "n"},
      {"huge number", "#1e308##n##&http://u.example/&", true, kLatest + "1e308" + kClick, "http://u.example/", "n"},
      {"nan", "#nan##n##&http://u.example/&", false, "", "", "n"},
      {"program path", "#1.1##n##&C:\\windows\\system32\\calc.exe&", true, kLatest + "1.1" + kClick, "", "n"},
      {"other scheme", "#1.1##n##&file:///C:/x.exe&", true, kLatest + "1.1" + kClick, "", "n"},
      {"bare scheme", "#1.1##n##&http://&", true, kLatest + "1.1" + kClick, "", "n"},
      {"arguments after the address", "#1.1##n##&http://u.example/\" --flag&", true, kLatest + "1.1" + kClick, "", "n"},
      {"no markers", "1.1 hello http://u.example/", false, "", "", ""},
      {"failed fetch", "", false, "", "", ""},
      {"zero byte cuts", std::string("#1.0##hi##\0&http://u.example/&", 30), false, "", "", "hi"},
  };
  for (const auto& c : cases) {
    links::UpdatePlan plan = links::PlanUpdate(c.file);
    EXPECT_EQ(plan.announce, c.announce) << c.name;
    EXPECT_EQ(plan.caption, c.caption) << c.name;
    EXPECT_EQ(plan.link, c.link) << c.name;
    EXPECT_EQ(plan.notice, c.notice) << c.name;
    EXPECT_EQ(plan.noticeWidth, static_cast<int>(c.notice.size()) * 7) << c.name;
  }
  // Binary and oversized files end as some plan, with the notice width following the notice.
  for (const std::string& file : {binary, "#1.1##" + std::string(1 << 20, 'n') + "##&x&", std::string(1 << 20, '#')}) {
    links::UpdatePlan plan = links::PlanUpdate(file);
    EXPECT_EQ(plan.noticeWidth, static_cast<int>(plan.notice.size()) * 7);
    EXPECT_TRUE(plan.link.empty());
  }
}

TEST(NextNoticeLeft, RunsLeftTwoPixelsAndWrapsAfterLeaving) {
  // A 100-byte notice (700 pixels) from 600: the 652nd tick finds it gone and restarts it.
  float left = links::kNoticeStartLeft;
  for (int tick = 1; tick <= 651; ++tick) left = links::NextNoticeLeft(left, 700);
  EXPECT_FLOAT_EQ(left, 600 - 2 * 651);
  EXPECT_FLOAT_EQ(links::NextNoticeLeft(left, 700), 598);
  EXPECT_FLOAT_EQ(links::NextNoticeLeft(-1, 0), 598);   // an empty notice wraps at once
  EXPECT_FLOAT_EQ(links::NextNoticeLeft(-700, 700), -702);  // last pixel still at the border
}

TEST(UpdatePrompt, TextAndTitle) {
  EXPECT_EQ(links::UpdatePromptText("p.example"),
            "\xd3\xd0\xd0\xc2\xb0\xe6\xb1\xbe\xbf\xc9\xb8\xfc\xd0\xc2\xc5\xb6\xa3\xa1\r\nhttp://p.example/");
  EXPECT_EQ(links::UpdatePromptTitle(), "\xd0\xc2\xb0\xe6\xb1\xbe\xcc\xe1\xca\xbe");
}

}  // namespace
