#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "support/ToolkitTesting.h"
#include "ui/controls/ButtonBase.h"
#include "ui/dialogs/MessageBox.h"

using namespace toolkit_testing;
using Gdiplus::RectF;

namespace {

constexpr const char* kOk = "\xc8\xb7\xc8\xcf";       // 确认
constexpr const char* kCancel = "\xc8\xa1\xcf\xfb";   // 取消
constexpr const char* kNo = "\xb7\xf1(&N)";           // 否(&N)
constexpr const char* kYes = "\xca\xc7(&Y)";          // 是(&Y)
// "请确认" : a short Chinese message.
constexpr const char* kShortText = "\xc7\xeb\xc8\xb7\xc8\xcf";

TEST(MessageBoxRules, ButtonSetsAndTheirResults) {
  struct Case {
    int set;
    std::vector<std::string> custom;
    std::vector<std::string> labels;  // right to left
    std::vector<int> results;
  } cases[] = {
      {0, {}, {kOk}, {kBoxOk}},
      {1, {}, {kCancel, kOk}, {kBoxCancel, kBoxOk}},
      {2, {}, {"\xba\xf6\xc2\xd4", "\xd6\xd8\xca\xd4", "\xb7\xc5\xc6\xfa"}, {kBoxIgnore, kBoxRetry, kBoxAbort}},
      {3, {}, {kCancel, kNo, kYes}, {kBoxCancel, kBoxNo, kBoxYes}},
      {4, {}, {kNo, kYes}, {kBoxNo, kBoxYes}},
      {5, {}, {kCancel, "\xd6\xd8\xca\xd4"}, {kBoxCancel, kBoxRetry}},
      {9, {}, {kOk}, {kBoxOk}},    // unknown set: OK only
      {-1, {}, {kOk}, {kBoxOk}},
      {4, {"Later"}, {"Later", kYes}, {kBoxNo, kBoxYes}},   // fewer texts: the rest stay
      {0, {"Fine", "extra"}, {"Fine"}, {kBoxOk}},           // extra texts are ignored
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.set);
    const std::vector<BoxButton> buttons = MessageBoxButtons(c.set, c.custom);
    ASSERT_EQ(buttons.size(), c.labels.size());
    for (size_t i = 0; i < buttons.size(); ++i) {
      EXPECT_EQ(buttons[i].label, c.labels[i]);
      EXPECT_EQ(buttons[i].result, c.results[i]);
      EXPECT_EQ(buttons[i].position, static_cast<int>(i) + 1);
    }
  }
}

TEST(MessageBoxRules, IconCells) {
  const std::pair<int, int> cases[] = {{0, -1},   {0x10, 0},   {0x30, 40}, {0x20, 80},
                                       {0x40, 120}, {0x80, 160}, {0x7, 0},   {-5, 0}};
  for (auto [type, cell] : cases) EXPECT_EQ(MessageBoxIconCell(type), cell) << type;
}

TEST(MessageBoxRules, GeometryFromTheText) {
  const RECT work{0, 0, 1000, 700};
  struct Case {
    bool icon;
    float measuredWidth, measuredHeight;
    int x, y, width, height;
    RectF text;
  } cases[] = {
      {false, 60, 12, 340, 275, 320, 150, RectF(30, 47, 260, 50)},      // one short line
      {true, 60, 12, 340, 275, 320, 150, RectF(85, 47, 200, 50)},       // beside the icon
      {false, 260, 40, 340, 275, 320, 150, RectF(30, 43, 260, 50)},     // fits exactly
      {false, 400.2f, 12, 269, 275, 461, 150, RectF(30, 47, 411, 50)},  // wider: widened, centred
      {true, 300, 12, 290, 275, 420, 150, RectF(85, 47, 310, 50)},
      {false, 100, 80.5f, 340, 259, 320, 181, RectF(30, 43, 260, 86)},   // taller
      {false, 50000, 90000, 0, 0, 1000, 700, RectF(30, 43, 950, 605)},   // capped at the work area
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.measuredWidth << "x" << c.measuredHeight);
    MessageBoxGeometry g = InitialMessageBoxGeometry(work, c.icon);
    FitMessageBoxWidth(g, work, c.measuredWidth, 1000);
    FitMessageBoxHeight(g, work, c.measuredHeight, 700);
    EXPECT_EQ(g.x, c.x);
    EXPECT_EQ(g.y, c.y);
    EXPECT_EQ(g.width, c.width);
    EXPECT_EQ(g.height, c.height);
    EXPECT_TRUE(g.text.Equals(c.text)) << g.text.X << "," << g.text.Y << " " << g.text.Width << "x" << g.text.Height;
  }
  // Buttons from the right edge: set 0 and set 3 in a 320 x 150 box.
  EXPECT_TRUE(MessageBoxButtonRect(320, 150, 1).Equals(RectF(237, 115, 70, 24)));
  EXPECT_TRUE(MessageBoxButtonRect(320, 150, 2).Equals(RectF(162, 115, 70, 24)));
  EXPECT_TRUE(MessageBoxButtonRect(320, 150, 3).Equals(RectF(87, 115, 70, 24)));
}

// What the created callback saw of a box, and what it then does to it.
struct SeenButton {
  RectF bounds;
  std::string caption;
  int type;
};
enum class Act { ClickButton, Escape, CloseButton };
struct Seen {
  HWND window = nullptr;
  RECT rect{};
  int width = 0, height = 0;
  std::vector<SeenButton> buttons;  // in set order
  DWORD thread = 0;
  int hostAlpha = 0, hostColour = 0;
  int focusedIndex = -1;
};
Seen gSeen;
Act gAct = Act::Escape;
int gClick = 1;  // 1-based position of the button to click

void Post(HWND window, UINT message, WPARAM wParam, const RectF& at) {
  PostMessageW(window, message, wParam,
               MAKELPARAM(static_cast<int>(at.X + at.Width / 2), static_cast<int>(at.Y + at.Height / 2)));
}

void OnCreated(HWND window, int width, int height) {
  gSeen = Seen{};
  gSeen.window = window;
  gSeen.width = width;
  gSeen.height = height;
  gSeen.thread = GetCurrentThreadId();
  GetWindowRect(window, &gSeen.rect);
  WindowHost* host = host_of_window(window);
  if (!host) return;
  gSeen.hostAlpha = host->Painting().Alpha();
  gSeen.hostColour = host->Painting().BackgroundColour();
  for (Control* c = host->FirstControl(); c; c = c->NextSibling()) {
    if (auto* button = dynamic_cast<ButtonBase*>(c)) {
      if (host->Focused() == c) gSeen.focusedIndex = static_cast<int>(gSeen.buttons.size());
      gSeen.buttons.push_back({c->BoundsRef(), button->Caption(), c->Type()});
    }
  }
  switch (gAct) {
    case Act::ClickButton:
      if (gClick >= 1 && static_cast<size_t>(gClick) <= gSeen.buttons.size()) {
        const RectF at = gSeen.buttons[static_cast<size_t>(gClick) - 1].bounds;
        Post(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
        Post(window, WM_LBUTTONUP, 0, at);
      }
      break;
    case Act::Escape:
      PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
      break;
    case Act::CloseButton:
      if (!host->Frame().TitleButtons().empty()) {
        const RectF at = host->Frame().TitleButtons().front()->BoundsRef();
        Post(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
        Post(window, WM_LBUTTONUP, 0, at);
      }
      break;
  }
}

int Show(HWND owner, const std::string& text, MessageBoxOptions options, Act act, int click = 1) {
  StartToolkit();
  gAct = act;
  gClick = click;
  options.created = OnCreated;
  options.beep = false;
  return show_message_box(owner, text, options);
}

RECT WorkArea() {
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  return work;
}

TEST(SkinnedMessageBox, SetZeroIsAStandardBoxWhoseButtonReturnsOk) {
  const int result = Show(nullptr, kShortText, {}, Act::ClickButton, 1);
  EXPECT_EQ(result, kBoxOk);
  EXPECT_EQ(gSeen.width, 320);
  EXPECT_EQ(gSeen.height, 150);
  EXPECT_EQ(gSeen.rect.right - gSeen.rect.left, 320);
  EXPECT_EQ(gSeen.rect.bottom - gSeen.rect.top, 150);
  ASSERT_EQ(gSeen.buttons.size(), 1u);
  EXPECT_TRUE(gSeen.buttons[0].bounds.Equals(RectF(237, 115, 70, 24)));
  EXPECT_EQ(gSeen.buttons[0].caption, kOk);
  EXPECT_EQ(gSeen.buttons[0].type, kButtonType);
  EXPECT_EQ(gSeen.focusedIndex, 0) << "the default button has the focus";
  EXPECT_EQ(gSeen.hostAlpha, kMessageBoxAlpha) << "built-in look without a hosted owner";
  EXPECT_EQ(gSeen.hostColour, kMessageBoxColour);
  EXPECT_FALSE(IsWindow(gSeen.window)) << "the box is gone when the call returns";
}

TEST(SkinnedMessageBox, SetThreeButtonsSitRightToLeftAndReturnTheirCodes) {
  struct Case {
    int click;
    float x;
    const char* caption;
    int result;
  } cases[] = {{1, 237, kCancel, kBoxCancel}, {2, 162, kNo, kBoxNo}, {3, 87, kYes, kBoxYes}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.click);
    MessageBoxOptions options;
    options.buttonSet = 3;
    options.defaultButton = 3;
    options.buttonStyle = c.click == 2 ? 1 : 0;  // the glow buttons answer the same way
    EXPECT_EQ(Show(nullptr, kShortText, options, Act::ClickButton, c.click), c.result);
    ASSERT_EQ(gSeen.buttons.size(), 3u);
    const SeenButton& button = gSeen.buttons[static_cast<size_t>(c.click) - 1];
    EXPECT_EQ(button.bounds.X, c.x);
    EXPECT_EQ(button.bounds.Y, 115);
    EXPECT_EQ(button.caption, c.caption);
    EXPECT_EQ(gSeen.focusedIndex, 2);
  }
}

TEST(SkinnedMessageBox, EscapeAndTheCloseButtonCancelWhateverTheSet) {
  struct Case {
    int set;
    Act act;
  } cases[] = {{0, Act::Escape}, {4, Act::Escape}, {4, Act::CloseButton}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.set);
    MessageBoxOptions options;
    options.buttonSet = c.set;
    EXPECT_EQ(Show(nullptr, kShortText, options, c.act), kBoxCancel);
  }
}

TEST(SkinnedMessageBox, ALongTextWidensTheBoxAroundTheWorkAreaCentre) {
  const RECT work = WorkArea();
  std::string line;
  for (int i = 0; i < 40; ++i) line += "\xb3\xa4";  // 长, no break between them for the measure
  struct Case {
    std::string text;
    bool wider, taller;
  } cases[] = {{kShortText, false, false},
               {line, true, false},
               {std::string(kShortText) + "\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6", false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.size());
    MessageBoxOptions options;
    options.buttonSet = 1;
    Show(nullptr, c.text, options, Act::Escape);
    EXPECT_EQ(gSeen.width > 320, c.wider) << gSeen.width;
    EXPECT_EQ(gSeen.height > 150, c.taller) << gSeen.height;
    EXPECT_NEAR(gSeen.rect.left, work.left + (work.right - work.left - gSeen.width) / 2, 1);
    EXPECT_NEAR(gSeen.rect.top, work.top + (work.bottom - work.top - gSeen.height) / 2, 1);
    ASSERT_EQ(gSeen.buttons.size(), 2u);
    EXPECT_EQ(gSeen.buttons[0].bounds.X, gSeen.width - 83) << "buttons stay right-aligned";
    EXPECT_EQ(gSeen.buttons[1].bounds.X, gSeen.width - 158);
    EXPECT_EQ(gSeen.buttons[0].bounds.Y, gSeen.height - 35);
  }
}

TEST(SkinnedMessageBox, RunsOnTheOwnersThreadAndReusesAHostedOwnersLook) {
  HostedWindow owner;
  ASSERT_EQ(owner.attached, 1);
  const DWORD uiThread = GetCurrentThreadId();
  struct Case {
    bool fromWorker;
  } cases[] = {{false}, {true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fromWorker);
    std::atomic<int> result{-1};
    if (c.fromWorker) {
      StartToolkit();
      gAct = Act::Escape;
      std::thread worker([&] {
        MessageBoxOptions options;
        options.created = OnCreated;
        options.beep = false;
        result = show_message_box(owner.window, kShortText, options);
      });
      EXPECT_TRUE(PumpUntil([&] { return result != -1; }, 10000));
      worker.join();
    } else {
      result = Show(owner.window, kShortText, {}, Act::Escape);
    }
    EXPECT_EQ(result, kBoxCancel);
    EXPECT_EQ(gSeen.thread, uiThread) << "the box lives on the owner's thread";
    EXPECT_EQ(gSeen.hostColour, owner.host->Painting().BackgroundColour()) << "the owner's colour is reused";
    EXPECT_EQ(gSeen.hostAlpha, owner.host->Painting().Alpha());
  }
}

}  // namespace
