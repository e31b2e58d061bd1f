// Labels, link labels and pictures: their decisions as plain functions, then the controls on a
// hosted window driven by real window messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "resources/Resources.h"
#include "support/HostedControls.h"
#include "ui/controls/Label.h"
#include "ui/controls/LinkLabel.h"
#include "ui/controls/PictureBox.h"

using namespace controls_testing;

namespace {

// --- plain decisions ---

TEST(LabelLogic, TextChangesFormatsAndMeasures) {
  struct Case {
    const wchar_t* current;
    const wchar_t* next;
    bool transition;
    bool store, animate;
  } changes[] = {
      {L"a", L"a", false, false, false},  // unchanged: nothing
      {L"a", L"a", true, true, true},     // a transition plays even for the same text
      {L"a", L"b", false, true, false},   {L"", L"b", true, true, true}, {L"a", L"", false, true, false},
  };
  for (const Case& c : changes) {
    const TextChange change = DecideTextChange(c.current, c.next, c.transition);
    EXPECT_EQ(change.store, c.store) << c.current << "->" << c.next;
    EXPECT_EQ(change.animate, c.animate) << c.current << "->" << c.next;
  }
  EXPECT_EQ(LabelFormatFlags(true), 0x6C00);
  EXPECT_EQ(LabelFormatFlags(false), 0x1000);
  struct Measure {
    float extent;
    int rounded;
  } measures[] = {{0, 0}, {-3, 0}, {12.4f, 12}, {12.5f, 13}, {1e12f, 1000000000}};
  for (const Measure& m : measures) EXPECT_EQ(RoundMeasure(m.extent), m.rounded) << m.extent;
  EXPECT_EQ(MeasureLayout(false, 300).Width, 0) << "one line is measured unbounded";
  EXPECT_EQ(MeasureLayout(true, 300).Width, 300);
}

TEST(LinkLogic, ShellTargetsAndLooks) {
  struct Target {
    const char* target;
    bool web;
    const char* opened;  // null: no shell call
  } targets[] = {
      {"", true, nullptr}, {"", false, nullptr}, {"www.example.com", true, "www.example.com"},
      {"me@example.com", false, "mailto:me@example.com"}, {"thunder://QUFa", true, "thunder://QUFa"},
  };
  for (const Target& t : targets) {
    const auto opened = LinkShellTarget(t.target, t.web);
    ASSERT_EQ(opened.has_value(), t.opened != nullptr) << t.target;
    if (opened) {
      EXPECT_EQ(*opened, t.opened);
    }
  }
  constexpr Gdiplus::ARGB normal = 0xFEFFFFFF;
  struct Look {
    bool hovered, visited;
    int style;
    Gdiplus::ARGB colour;
    int expectedStyle;
  } looks[] = {
      {true, false, 0, kLinkHoverColour, 4},  {true, true, 1, kLinkHoverColour, 5},
      {false, false, 4, normal, 0},           {false, true, 5, kLinkVisitedColour, 1},
  };
  for (const Look& l : looks) {
    const LinkLook look = LinkLookFor(l.hovered, l.visited, l.style, normal, kLinkHoverColour, kLinkVisitedColour);
    EXPECT_EQ(look.colour, l.colour);
    EXPECT_EQ(look.fontStyle, l.expectedStyle);
  }
}

TEST(PictureLogic, FrameStepsAndDelays) {
  struct Step {
    int index, count;
    bool loop;
    int next;
  } steps[] = {{1, 12, true, 2}, {12, 12, true, 1}, {12, 12, false, 12}, {1, 1, true, 1},
               {0, 3, true, 1},  {7, 3, false, 1},  {2, 3, false, 3}};
  for (const Step& s : steps) EXPECT_EQ(NextFrameIndex(s.index, s.count, s.loop), s.next) << s.index << "/" << s.count;
  const std::vector<int> delays = {8, 0, -4, 30};
  struct Delay {
    int index;
    UINT ms;
  } table[] = {{1, 80}, {2, 100}, {3, 100}, {4, 300}, {5, 100}, {0, 100}};
  for (const Delay& d : table) EXPECT_EQ(FrameDelayMs(delays, d.index), d.ms) << d.index;
}

// --- hosted controls ---

// A label that records the messages and the threads it paints on.
class ProbeLabel : public Label {
 public:
  LRESULT PreMessage(UINT message, WPARAM, LPARAM) override {
    messages.push_back(message);
    return -1;
  }
  void PaintLabel() override {
    ++paints;
    threads.insert(GetCurrentThreadId());
    Label::PaintLabel();
  }
  void MeasureText() override {
    threads.insert(GetCurrentThreadId());
    Label::MeasureText();
  }
  int Count(UINT message) const {
    int n = 0;
    for (UINT m : messages) n += m == message;
    return n;
  }
  std::vector<UINT> messages;
  std::set<DWORD> threads;  // where the label measured and painted
  int paints = 0;
};

TEST(Label, TextChangesRepaintAndAnimate) {
  HostedWindow hosted(HostedWindow::Frame(0));
  hosted.Show();
  ProbeLabel label;
  ASSERT_TRUE(label.Create(hosted.window, 10, 10, 200, 25, "first"));
  const std::string longText(100000, 'x');
  struct Step {
    std::string text;
    std::optional<int> style;
    bool visible;
    int paints;       // repaints the change causes
    int transitions;  // transitions it starts
    std::string readBack = {};  // what Text() answers when it is not the text itself
  } steps[] = {
      {"first", std::nullopt, true, 0, 0},  // same text: nothing
      {"second", std::nullopt, true, 1, 0},
      {"second", 2, true, 1, 1},   // same text, slide up: animates
      {"third", 0, true, 1, 1},    // cross-fade
      {"fourth", 1, false, 1, 0},  // hidden: changes at once
      {longText, std::nullopt, true, 1, 0},
      {"\xcd", std::nullopt, true, 1, 0, "?"},  // a lone GBK lead byte
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.text.substr(0, 20));
    label.Visible(s.visible);
    Pump();
    const int paints = label.paints;
    const int starts = label.Count(TKM_TRANSITION_START);
    const int ends = label.Count(TKM_TRANSITION_END);
    label.SetText(s.text, s.style, 3, 20);
    EXPECT_EQ(label.paints - paints, s.paints);
    EXPECT_EQ(label.Count(TKM_TRANSITION_START) - starts, s.transitions);
    EXPECT_EQ(label.Text(), s.readBack.empty() ? s.text : s.readBack);
    if (s.style) {
      EXPECT_EQ(label.TransitionStyle(), *s.style);
    }
    // The transition ends by itself and leaves the label without one.
    EXPECT_TRUE(PumpUntil([&] { return label.Count(TKM_TRANSITION_END) - ends == s.transitions; }, 2000));
    EXPECT_FALSE(label.AnimatesNextChange());
    EXPECT_EQ(label.TransitionFrames(), 0);
    EXPECT_EQ(label.Snapshot(), nullptr);
  }
  EXPECT_GT(label.MeasuredWidth(), 0);
  label.Destroy();
  EXPECT_EQ(label.TextWide(), L"");
}

TEST(Label, TextWidthAndPlaceFromAWorkerWhileTheUiThreadPaints) {
  HostedWindow hosted(HostedWindow::Frame(0));
  hosted.Show();
  ProbeLabel label;
  ASSERT_TRUE(label.Create(hosted.window, 0, 250, 380, 25, ""));
  struct Run {
    int changes;
    bool animate;
  } runs[] = {{150, false}, {40, true}};
  for (const Run& run : runs) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
      for (int i = 1; i <= run.changes; ++i) {
        std::string text = "\xcd\xa8\xd6\xaa notice " + std::to_string(i);  // 通知
        label.SetText(text, run.animate ? std::optional<int>(4) : std::nullopt, 2, 5);
        label.Width(static_cast<float>(7 * text.size()));
        label.Left(static_cast<float>(600 - i));
      }
      done = true;
    });
    // The UI thread keeps repainting the label and the window meanwhile.
    EXPECT_TRUE(PumpUntil(
        [&] {
          label.Repaint();
          hosted.host->Painting().Recompose(label.BoundsRef());
          return done.load();
        },
        20000));
    worker.join();
    Pump();
    const std::string last = "\xcd\xa8\xd6\xaa notice " + std::to_string(run.changes);
    EXPECT_EQ(label.Text(), last);
    EXPECT_EQ(label.Width(), static_cast<float>(7 * last.size()));
    EXPECT_EQ(label.Left(), static_cast<float>(600 - run.changes));
    EXPECT_EQ(label.threads, std::set<DWORD>{GetCurrentThreadId()}) << "measured and painted only on the UI thread";
  }
}

// The most inked pixels in one row of a control's surface (an underline fills a row).
int LongestInkRow(const Control& control) {
  int best = 0;
  for (int y = 0; y < static_cast<int>(control.BoundsRef().Height); ++y) {
    int inked = 0;
    for (int x = 0; x < static_cast<int>(control.BoundsRef().Width); ++x) inked += AlphaOf(SurfacePixel(&control, x, y)) > 60;
    best = std::max(best, inked);
  }
  return best;
}

// The shell calls a link made.
std::vector<std::wstring> gOpened;
BOOL WINAPI RecordOpen(SHELLEXECUTEINFOW* info) {
  auto text = [](LPCWSTR value) { return std::wstring(value ? value : L""); };
  gOpened.push_back(text(info->lpVerb) + L" " + text(info->lpFile) + L" [" + text(info->lpParameters) + L"][" +
                    text(info->lpDirectory) + L"] " + std::to_wstring(info->nShow));
  return TRUE;
}

TEST(LinkLabel, HoverUnderlinesAndAClickOpensItsTargetOnce) {
  struct Case {
    const char* target;
    bool web;
    const wchar_t* opened;  // null: no shell call
  } cases[] = {
      {"", true, nullptr},  // the owner handles the click itself
      {"http://127.0.0.1/update", true, L"open http://127.0.0.1/update [][] 1"},
      {"me@example.com", false, L"open mailto:me@example.com [][] 1"},
      // A GBK target reaches the shell as the same characters on any system code page.
      {"http://127.0.0.1/\xb8\xfc\xd0\xc2", true, L"open http://127.0.0.1/\u66f4\u65b0 [][] 1"},
  };
  HostedWindow hosted(HostedWindow::Frame(0));
  hosted.Show();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    gOpened.clear();
    LinkLabel link;
    LabelOptions options;
    options.textColour = 0xFEFFFFFF;
    ASSERT_TRUE(link.Create(hosted.window, 40, 40, 160, 23, "www.example.com", options));
    EXPECT_EQ(link.Type(), kLinkLabelType);
    EXPECT_EQ(link.NormalColour(), 0xFEFFFFFFu);
    link.SetShellOpen(RecordOpen);
    link.Target(std::string(c.target));
    link.IsWebLink(c.web);

    hosted.Send(WM_MOUSEMOVE, 0, 50, 50);
    EXPECT_TRUE(link.Hovered());
    EXPECT_EQ(link.TextColour(), kLinkHoverColour);
    EXPECT_EQ(link.FontStyle() & kFontStyleUnderline, kFontStyleUnderline);
    EXPECT_GT(LongestInkRow(link), link.MeasuredWidth() * 8 / 10) << "underlined";

    hosted.Send(WM_LBUTTONDOWN, MK_LBUTTON, 50, 50);
    hosted.Send(WM_LBUTTONUP, 0, 50, 50);
    EXPECT_TRUE(link.Visited());
    EXPECT_EQ(gOpened.size(), c.opened ? 1u : 0u);
    if (c.opened && !gOpened.empty()) {
      EXPECT_EQ(gOpened[0], c.opened);
    }

    hosted.Send(WM_MOUSEMOVE, 0, 350, 250);
    EXPECT_FALSE(link.Hovered());
    EXPECT_EQ(link.TextColour(), kLinkVisitedColour);
    EXPECT_EQ(link.FontStyle() & kFontStyleUnderline, 0);
    EXPECT_LT(LongestInkRow(link), link.MeasuredWidth() * 6 / 10) << "no underline";
    link.Destroy();
    EXPECT_FALSE(link.Visited());
  }
}

using Bytes = std::vector<unsigned char>;

// A GIF of 1x1 frames in red, green, blue, white with the given delays (hundredths). The
// second frame's descriptor and data can be replaced by damaged ones; a cut file ends inside
// its last frame.
Bytes MakeGif(const std::vector<int>& delays, const Bytes& secondFrame = {}, bool cut = false) {
  Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x81, 0, 0,
               255, 0,   0,   0,   255, 0,   0, 0, 255, 255, 255, 255};
  const unsigned char loop[] = {0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0, 0, 0};
  gif.insert(gif.end(), std::begin(loop), std::end(loop));
  const unsigned char pixel[] = {0x44, 0x4C, 0x54, 0x5C};  // clear, index, end
  for (size_t i = 0; i < delays.size(); ++i) {
    const unsigned char control[] = {0x21, 0xF9, 4, 0x04, static_cast<unsigned char>(delays[i] & 0xFF),
                                     static_cast<unsigned char>(delays[i] >> 8), 0, 0};
    gif.insert(gif.end(), std::begin(control), std::end(control));
    if (i == 1 && !secondFrame.empty()) {
      gif.insert(gif.end(), secondFrame.begin(), secondFrame.end());
    } else {
      gif.insert(gif.end(), {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, pixel[i % 4], 1, 0});
    }
  }
  if (cut) {
    gif.resize(gif.size() - 3);
  } else {
    gif.push_back(0x3B);
  }
  return gif;
}

Gdiplus::ARGB Centre(const PictureBox& picture) { return SurfacePixel(&picture, 10, 10) | 0xFF000000; }

TEST(PictureBox, FramesPlayByTheirOwnDelaysAndTimersStop) {
  const auto stillPng = resources::SearchFrame();
  const auto busy = resources::BusyIndicator();
  const Bytes timed = MakeGif({5, 40, 10});
  const Bytes outside = MakeGif({5, 5, 5}, {0x2C, 200, 0, 200, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 1, 0});
  const Bytes shortData = MakeGif({5, 5, 5}, {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 1, 0x04, 0});
  const Bytes empty = MakeGif({5, 5, 5}, {0x2C, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 2, 0x44, 1, 0});
  const Bytes badCodeSize = MakeGif({5, 5, 5}, {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 11, 2, 0x4C, 1, 0});
  const Bytes garbage = MakeGif({5, 5, 5}, {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 3, 0xFF, 0xFF, 0xFF, 0});
  const Bytes cut = MakeGif({5, 5, 5}, {}, true);
  struct Case {
    const char* name;
    gfx::ByteSpan data;
    bool animate;
    int frames;  // expected frame count
    bool timer;  // starts a frame timer
  } cases[] = {
      {"still png", stillPng, true, 1, false},
      {"busy indicator", busy, true, 12, true},
      {"timed gif", timed, false, 3, true},
      // Damaged files: shown as far as they decode, never a crash or a hang.
      {"frame outside the picture", outside, true, 3, true},
      {"frame data cut short", shortData, true, 3, true},
      {"empty frame", empty, true, 3, true},
      {"bad code size", badCodeSize, true, 3, true},
      {"undecodable frame", garbage, true, 0, false},
      {"cut file", cut, true, 0, false},
      {"not an image", gfx::ByteSpan(), true, 0, false},
  };
  HostedWindow hosted(HostedWindow::Frame(0));
  hosted.Show();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PictureBox picture;
    PictureBoxOptions options;
    options.animate = c.animate;
    options.layout = PictureLayout::Stretched;
    ASSERT_TRUE(picture.Create(hosted.window, 20, 20, 20, 20, c.data, options));
    EXPECT_EQ(picture.FrameCount(), c.frames);
    EXPECT_EQ(picture.FrameTimerRunning(), c.timer);
    EXPECT_EQ(picture.FrameDelays().size(), static_cast<size_t>(c.frames > 1 ? c.frames : 0));
    if (c.frames == 12) {
      EXPECT_EQ(picture.FrameDelays(), std::vector<int>(12, 8));
    }
    if (c.animate && c.frames > 1) {
      // Looping: every frame comes round, and the first again.
      std::set<int> seen;
      EXPECT_TRUE(PumpUntil([&] { return seen.insert(picture.FrameIndex()), seen.size() == size_t(c.frames); }, 5000));
      EXPECT_TRUE(PumpUntil([&] { return picture.FrameIndex() == 2; }, 3000));
    }
    if (std::string(c.name) == "timed gif") {
      // Each frame shows for its own delay, in order, and the last one stays (no loop).
      const Gdiplus::ARGB colours[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
      const DWORD minimum[] = {40, 380, 0};
      EXPECT_EQ(Centre(picture), colours[0]);
      DWORD since = GetTickCount();
      for (int frame = 1; frame < 3; ++frame) {
        ASSERT_TRUE(PumpUntil([&] { return Centre(picture) != colours[frame - 1]; }, 3000));
        const DWORD shown = GetTickCount() - since;
        since = GetTickCount();
        EXPECT_GE(shown, minimum[frame - 1]) << "frame " << frame;
        EXPECT_EQ(Centre(picture), colours[frame]);
      }
      EXPECT_TRUE(PumpUntil([&] { return !picture.FrameTimerRunning(); }, 1000));
      PumpFor(300);
      EXPECT_EQ(Centre(picture), colours[2]) << "the last frame stays";
    }
    PumpFor(200);
    const UINT_PTR timer = picture.FrameTimerId();
    if (!c.timer) {
      EXPECT_FALSE(KillTimer(hosted.window, timer)) << "a still picture sets no timer";
    }
    picture.Destroy();
    EXPECT_FALSE(KillTimer(hosted.window, timer)) << "no timer outlives the picture";
    EXPECT_FALSE(picture.FrameTimerRunning());
  }
}

// A picture made hidden (the busy indicator) is decoded and played when it is first shown, and
// one given new data while hidden shows that data.
TEST(PictureBox, AHiddenPictureDecodesWhenShown) {
  HostedWindow hosted(HostedWindow::Frame(0));
  hosted.Show();
  PictureBox picture;
  PictureBoxOptions options;
  options.animate = true;
  options.visible = false;
  ASSERT_TRUE(picture.Create(hosted.window, 20, 20, 32, 32, resources::BusyIndicator(), options));
  Pump();
  EXPECT_EQ(picture.FrameCount(), 0);
  EXPECT_EQ(picture.ImageHandle(), nullptr);
  EXPECT_FALSE(picture.FrameTimerRunning());
  picture.Visible(true);
  EXPECT_EQ(picture.FrameCount(), 12);
  EXPECT_TRUE(picture.FrameTimerRunning());

  picture.Visible(false);
  picture.SetImage(resources::SearchFrame());
  EXPECT_EQ(picture.FrameCount(), 0);
  picture.Visible(true);
  EXPECT_EQ(picture.FrameCount(), 1);
  EXPECT_EQ(gfx::image_width(picture.ImageHandle()), 400u);
}

}  // namespace

