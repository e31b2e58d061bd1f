#include <windows.h>
#include <imm.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "support/HostedControls.h"
#include "ui/controls/ClipboardText.h"
#include "ui/controls/EditBox.h"
#include "ui/controls/EditMenu.h"
#include "ui/controls/TextDocument.h"

using namespace controls_testing;

namespace {

// "中文" and "汉" in GBK.
const std::string kChinese = "\xd6\xd0\xce\xc4";
const std::string kHan = "\xba\xba";

// --- the document, without a window ---

TEST(TextDocument, CaretStepsOverWholeGbkCharacters) {
  TextDocument doc;
  doc.SetText("a" + kChinese + "b");  // a | 中 | 文 | b
  struct Case {
    int from;
    int before, after, clamped;
  } cases[] = {{0, 0, 1, 0}, {1, 0, 3, 1}, {2, 0, 3, 1}, {3, 1, 5, 3}, {5, 3, 6, 5}, {6, 5, 6, 6}, {99, 5, 6, 6}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.from);
    EXPECT_EQ(doc.Before({0, c.from}).column, c.before);
    EXPECT_EQ(doc.After({0, c.from}).column, c.after);
    EXPECT_EQ(doc.Clamp({0, c.from}).column, c.clamped);
  }
}

TEST(TextDocument, EditsAndHostileInput) {
  struct Case {
    const char* name;
    bool multiLine;
    std::string initial;
    std::string inserted;
    std::string expected;
  } cases[] = {
      {"single line keeps the first line", false, "", "ab\r\ncd", "ab"},
      {"multi-line splits every break", true, "", "a\r\nb\nc\rd", "a\r\nb\r\nc\r\nd"},
      {"lone lead byte at the end is dropped", false, "", "x\xd6", "x"},
      {"lead byte without trail is dropped", false, "", "\xd6 y", " y"},
      {"0x80 and 0xff are no characters", false, "", "a\x80\xff" "b", "ab"},
      {"control characters go, tab stays", false, "", "a\x01\tb\x1b", "a\tb"},
      {"text ends at a zero byte", false, "", std::string("ab\0cd", 5), "ab"},
      {"insert joins an existing line", true, "12", kChinese + "\r\n", "12" + kChinese + "\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextDocument doc(c.multiLine);
    doc.SetText(c.initial);
    doc.Insert(c.inserted);
    EXPECT_EQ(doc.Text(), c.expected);
    EXPECT_EQ(doc.Size(), c.expected.size());
  }
  // Deleting backwards over a line start joins the lines; a double-byte character goes whole.
  TextDocument doc(true);
  doc.SetText("ab\r\n" + kChinese);
  doc.SetCaret({1, 0});
  EXPECT_TRUE(doc.Backspace());
  EXPECT_EQ(doc.Text(), "ab" + kChinese);
  doc.SetCaret({0, 4});
  EXPECT_TRUE(doc.DeleteForward());
  EXPECT_EQ(doc.Text(), "ab\xd6\xd0");
  EXPECT_TRUE(doc.Backspace());
  EXPECT_EQ(doc.Text(), "ab");
}

// The undo history: runs of typing, Backspace and Delete are one step each, anything else a
// step alone; a redo is gone after a new edit; a text set anew starts the history afresh.
TEST(TextDocument, UndoAndRedoGoByStep) {
  TextDocument doc;
  auto type = [&](const std::string& text) {
    for (char c : text) doc.Edit(EditKind::Typing, [&] { return doc.Insert(std::string(1, c)); });
  };
  auto back = [&](int n) {
    for (int i = 0; i < n; ++i) doc.Edit(EditKind::Backspace, [&] { return doc.Backspace(); });
  };
  type("hello");
  doc.Edit(EditKind::Other, [&] { return doc.Insert(" big"); });  // a paste
  type(" world");
  back(3);
  EXPECT_EQ(doc.Text(), "hello big wo");
  struct Step {
    bool redo;
    const char* text;
  } steps[] = {{false, "hello big world"}, {false, "hello big"}, {false, "hello"}, {false, ""},
               {true, "hello"},            {true, "hello big"},  {false, "hello"}};
  for (const Step& step : steps) {
    EXPECT_TRUE(step.redo ? doc.Redo() : doc.Undo());
    EXPECT_EQ(doc.Text(), step.text);
  }
  EXPECT_EQ(doc.Caret(), (TextPos{0, 5})) << "the caret goes back with the text";
  // A new edit drops what could be redone; a failed edit makes no step.
  type("!");
  EXPECT_FALSE(doc.CanRedo());
  EXPECT_FALSE(doc.Edit(EditKind::Delete, [&] { return doc.DeleteForward(); }));
  EXPECT_TRUE(doc.Undo());
  EXPECT_EQ(doc.Text(), "hello");
  // Typing after the caret moved starts a step of its own.
  type("ab");
  doc.SetCaret({0, 2});
  type("X");
  EXPECT_TRUE(doc.Undo());
  EXPECT_EQ(doc.Text(), "helloab");
  // A text the program sets clears the history; the history keeps its newest steps only.
  doc.SetText("new");
  EXPECT_FALSE(doc.CanUndo());
  EXPECT_FALSE(doc.Undo());
  for (size_t i = 0; i < kUndoSteps + 20; ++i) doc.Edit(EditKind::Other, [&] { return doc.Insert("x"); });
  size_t undone = 0;
  while (doc.Undo()) ++undone;
  EXPECT_EQ(undone, kUndoSteps);
  EXPECT_EQ(doc.Text(), "new" + std::string(20, 'x'));
}

TEST(TextDocument, WordAtAPlace) {
  TextDocument doc;
  doc.SetText("ab12 \xd6\xd0\xce\xc4x-y");  // "ab12 中文x-y"
  struct Case {
    int column;
    int start, end;
  } cases[] = {
      {0, 0, 4}, {2, 0, 4}, {4, 0, 4},      // letters and digits; at their end, the word before
      {5, 5, 9}, {7, 5, 9},                 // a run of double-byte characters
      {9, 9, 10},                           // a letter right after them is a word of its own
      {10, 9, 10},                          // on a character of no word, the word just before
      {11, 11, 12}, {12, 11, 12},           // the line's end: the word before
      {40, 11, 12},                         // past the end: clamped onto it
  };
  for (const Case& c : cases) {
    const auto [start, end] = doc.WordAt({0, c.column});
    EXPECT_EQ(start.column, c.start) << c.column;
    EXPECT_EQ(end.column, c.end) << c.column;
  }
  TextDocument empty;
  EXPECT_EQ(empty.WordAt({0, 0}).first, empty.WordAt({0, 0}).second);
  TextDocument marks;
  marks.SetText("a --");
  EXPECT_EQ(marks.WordAt({0, 2}).second.column, 3) << "a character of no word after none: itself";
}

TEST(TextDocument, SizeLimitCutsAtCharacterBoundaries) {
  const std::string big(100000, 'x');
  TextDocument doc;
  doc.SetText(big);
  EXPECT_EQ(doc.Text(), big) << "a 100,000-byte text fits whole";
  std::string megabyte;
  while (megabyte.size() < (1 << 20)) megabyte += kHan + "z";
  doc.SetText("");
  doc.Insert(megabyte);
  EXPECT_LE(doc.Size(), kEditTextLimit);
  EXPECT_GE(doc.Size(), kEditTextLimit - 2);
  EXPECT_EQ(gbk::Clean(doc.Text(), false), doc.Text()) << "no half character at the cut";
  EXPECT_FALSE(doc.Insert("more")) << "a full box takes nothing";
}

// --- rules ---

TEST(EditRules, TypedCharactersPerMode) {
  struct Case {
    int mode;
    char code;
    const char* text;
    bool accepted;
  } cases[] = {
      {kEditModeText, 'a', "", true},      {kEditModeInteger, 'a', "", false}, {kEditModeInteger, '-', "", true},
      {kEditModeInteger, '5', "-", true},  {kEditModeInteger, '.', "", false}, {kEditModeDecimal, '.', "1", true},
      {kEditModeDecimal, '.', "1.5", false}, {kEditModeDecimal, '/', "1", true}, {kEditModeDecimal, ',', "", false},
      {kEditModePassword, '~', "", true},  {kEditModeText, 27, "", false},    {kEditModeText, 127, "", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AcceptsTypedCode(c.mode, static_cast<unsigned char>(c.code), c.text), c.accepted)
        << c.mode << " '" << c.code << "' after \"" << c.text << "\"";
  }
}

// --- the control on a real host window ---

// Records what the edit box asks of the shared menu; its Popup chooses an item the way the
// real menu does, with WM_COMMAND to the host window.
struct FakeMenu : EditMenu {
  int states[8] = {9, 9, 9, 9, 9, 9, 9, 9};
  int popups = 0;
  int choose = 0;
  void SetItemState(int position, int state) override { states[position] = state; }
  void Popup(HWND hostWindow) override {
    ++popups;
    if (choose) SendMessageW(hostWindow, WM_COMMAND, choose, 0);
  }
};

int gChanges = 0;
LRESULT CountChange(LPARAM, LPARAM, LPARAM, LPARAM, LPARAM) {
  ++gChanges;
  return 0;
}

void SetClipboard(const std::string* text) {
  if (OpenClipboard(nullptr)) {
    EmptyClipboard();
    CloseClipboard();
  }
  if (text) clipboard::WriteText(nullptr, *text);
}

std::string ClipboardNow() { return clipboard::ReadText(nullptr, 1 << 20).value_or("<none>"); }

void HoldKeys(bool control, bool shift) {
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_CONTROL] = control ? 0x80 : 0;
  keys[VK_SHIFT] = shift ? 0x80 : 0;
  SetKeyboardState(keys);
}

class EditBoxControl : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(hosted.attached, 1);
    hosted.Show();
    gChanges = 0;
    HoldKeys(false, false);
  }
  void TearDown() override {
    HoldKeys(false, false);
    SetEditContextMenu(nullptr);
  }
  // A single-line box at (20, 20), 200 x 24, focused by a click at its left end.
  void Make(int mode = kEditModeText, const std::string& text = "", bool multiLine = false) {
    EditBoxOptions options;
    options.inputMode = mode;
    options.text = text;
    options.multiLine = multiLine;
    ASSERT_EQ(box.Create(hosted.window, 20, 20, 200, multiLine ? 120 : 24, options), &box);
    box.SetOnChange(&CountChange);
    Click(22);
    Key(VK_END, true, false);
  }
  void Click(int x, WPARAM keys = MK_LBUTTON) {
    hosted.Send(WM_LBUTTONDOWN, keys, x, 30);
    hosted.Send(WM_LBUTTONUP, 0, x, 30);
  }
  void Type(const std::string& text) {
    for (char c : text) hosted.Send(WM_CHAR, static_cast<unsigned char>(c), 1);
  }
  void Key(WPARAM key, bool control = false, bool shift = false) {
    HoldKeys(control, shift);
    hosted.Send(WM_KEYDOWN, key, 1);
    HoldKeys(false, false);
  }

  HostedWindow hosted{HostedWindow::Frame(0)};
  EditBox box;
};

TEST_F(EditBoxControl, TypingFollowsTheInputMode) {
  struct Case {
    int mode;
    std::string typed, expected;
  } cases[] = {
      {kEditModeInteger, "a", ""},         {kEditModeInteger, "-5", "-5"},  {kEditModeDecimal, "1.2.3", "1.23"},
      {kEditModeDecimal, "-3/4x", "-3/4"}, {kEditModeText, "a b~", "a b~"}, {kEditModePassword, "pw", "pw"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    Make(c.mode);
    Type(c.typed);
    hosted.Send(WM_CHAR, 0x4E2D, 1);  // a UTF-16 code never comes in as typed text
    EXPECT_EQ(box.Text(), c.expected);
    EXPECT_EQ(gChanges, static_cast<int>(c.expected.size())) << "one change per accepted character";
    box.Destroy();
    gChanges = 0;
  }
}

TEST_F(EditBoxControl, KeysMoveTheCaretAndShiftSelects) {
  // Text "ab中文" (bytes 0..6); each case starts with the caret at the end.
  struct Step {
    WPARAM key;
    bool control, shift;
  };
  struct Case {
    std::vector<Step> keys;
    int anchor, caret;
    std::string text;
  } cases[] = {
      {{{VK_LEFT, false, false}}, 4, 4, "ab" + kChinese},
      {{{VK_LEFT, false, true}, {VK_LEFT, false, true}}, 6, 2, "ab" + kChinese},
      {{{VK_HOME, false, true}}, 6, 0, "ab" + kChinese},
      {{{VK_HOME, false, false}, {VK_RIGHT, false, false}, {VK_END, false, true}}, 1, 6, "ab" + kChinese},
      {{{VK_BACK, false, false}}, 4, 4, "ab\xd6\xd0"},
      {{{VK_HOME, false, false}, {VK_DELETE, false, false}}, 0, 0, "b" + kChinese},
      {{{VK_LEFT, false, true}, {VK_BACK, false, false}}, 4, 4, "ab\xd6\xd0"},
      {{{'A', true, false}, {VK_DELETE, false, false}}, 0, 0, ""},
  };
  for (const Case& c : cases) {
    Make(kEditModeText, "ab" + kChinese);
    for (const Step& s : c.keys) Key(s.key, s.control, s.shift);
    EXPECT_EQ(box.SelectionAnchor().column, c.anchor);
    EXPECT_EQ(box.CaretPlace().column, c.caret);
    EXPECT_EQ(box.Text(), c.text);
    box.Destroy();
  }
}

TEST_F(EditBoxControl, MouseSelectsAndFocusLossCollapses) {
  Make(kEditModeText, "abcdefghij");
  Click(22);
  EXPECT_EQ(box.CaretPlace().column, 0);
  hosted.Send(WM_LBUTTONDOWN, MK_LBUTTON, 22, 30);
  hosted.Send(WM_MOUSEMOVE, MK_LBUTTON, 215, 30);
  hosted.Send(WM_LBUTTONUP, 0, 215, 30);
  EXPECT_EQ(box.SelectionAnchor().column, 0);
  EXPECT_EQ(box.CaretPlace().column, 10) << "dragged past the end";
  Click(200, MK_LBUTTON | MK_SHIFT);
  EXPECT_EQ(box.SelectedText(), "abcdefghij") << "shift-click extends from the anchor";

  EditBox other;
  other.Create(hosted.window, 20, 60, 100, 24);
  hosted.Send(WM_LBUTTONDOWN, MK_LBUTTON, 30, 70);
  hosted.Send(WM_LBUTTONUP, 0, 30, 70);
  EXPECT_FALSE(box.Focused());
  EXPECT_TRUE(other.Focused());
  EXPECT_EQ(box.SelectedText(), "") << "losing the focus collapses the selection";
  EXPECT_EQ(box.SelectionAnchor(), box.CaretPlace());
}

TEST_F(EditBoxControl, CommandsFromKeysAndMenu) {
  const std::string onClipboard = "XY";
  struct Case {
    const char* name;
    int mode;
    int command;
    bool fromMenu;
    std::string text, clipboardAfter;
  } cases[] = {
      {"copy", kEditModeText, kEditCommandCopy, false, "abc", "bc"},
      {"cut", kEditModeText, kEditCommandCut, true, "a", "bc"},
      {"paste", kEditModeText, kEditCommandPaste, false, "aXY", "XY"},
      {"select all", kEditModeText, kEditCommandSelectAll, true, "abc", "XY"},
      {"password copy", kEditModePassword, kEditCommandCopy, true, "abc", "bc"},
      {"password cut", kEditModePassword, kEditCommandCut, false, "abc", "XY"},
      {"password paste", kEditModePassword, kEditCommandPaste, true, "abc", "XY"},
      {"plain copy", kEditModePlain, kEditCommandCopy, false, "abc", "XY"},
      {"plain cut", kEditModePlain, kEditCommandCut, true, "abc", "XY"},
      {"plain paste", kEditModePlain, kEditCommandPaste, false, "abc", "XY"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetClipboard(&onClipboard);
    Make(c.mode, "abc");
    Key(VK_LEFT, false, true);
    Key(VK_LEFT, false, true);  // "bc" selected
    if (c.fromMenu) {
      hosted.Send(WM_COMMAND, c.command, 0);
    } else {
      Key(c.command, true, false);
    }
    EXPECT_EQ(box.Text(), c.text);
    EXPECT_EQ(ClipboardNow(), c.clipboardAfter);
    if (c.command == kEditCommandSelectAll) {
      EXPECT_EQ(box.SelectedText(), "abc");
    }
    box.Destroy();
  }
  // With the clipboard held by another thread, cut keeps the text and paste changes nothing.
  Make(kEditModeText, "abc");
  Key(VK_HOME, false, true);
  std::atomic<bool> held{false}, done{false};
  std::thread holder([&] {
    if (!OpenClipboard(nullptr)) return;
    held = true;
    while (!done) Sleep(5);
    CloseClipboard();
  });
  const DWORD start = GetTickCount();
  while (!held && GetTickCount() - start < 2000) Sleep(5);
  ASSERT_TRUE(held.load()) << "could not hold the clipboard";
  Key(kEditCommandCut, true, false);
  Key(kEditCommandPaste, true, false);
  done = true;
  holder.join();
  EXPECT_EQ(box.Text(), "abc");
  EXPECT_EQ(ClipboardNow(), "XY");
}

TEST_F(EditBoxControl, UndoRedoKeysMenuAndWordSelection) {
  FakeMenu menu;
  SetEditContextMenu(&menu);
  Make(kEditModeText, "");
  Type("abc");
  Key(VK_BACK);
  Type("d");
  EXPECT_EQ(box.Text(), "abd");
  Key('Z', true);
  EXPECT_EQ(box.Text(), "ab");
  Key('Z', true);
  EXPECT_EQ(box.Text(), "abc");
  Key('Z', true);
  EXPECT_EQ(box.Text(), "");
  Key('Y', true);
  EXPECT_EQ(box.Text(), "abc");
  Key('Z', true, true);  // Ctrl+Shift+Z redoes too
  EXPECT_EQ(box.Text(), "ab");
  hosted.Send(WM_COMMAND, kEditCommandUndo, 0);  // the menu's item
  EXPECT_EQ(box.Text(), "abc");
  // The menu's item is greyed with nothing to undo; a text the program sets clears the history.
  hosted.Send(WM_RBUTTONUP, 0, 30, 30);
  EXPECT_EQ(menu.states[kEditMenuUndoItem], kEditItemAvailable);
  box.Text("fresh words");
  hosted.Send(WM_RBUTTONUP, 0, 30, 30);
  EXPECT_EQ(menu.states[kEditMenuUndoItem], kEditItemGreyed);
  Key('Z', true);
  EXPECT_EQ(box.Text(), "fresh words");
  // A double click selects the word under the pointer; a third click soon after, everything.
  hosted.Send(WM_LBUTTONDOWN, TKM_DBLCLICK_MARK, 24, 30);
  hosted.Send(WM_LBUTTONUP, 0, 24, 30);
  EXPECT_EQ(box.SelectedText(), "fresh");
  Click(24);
  EXPECT_EQ(box.SelectedText(), "fresh words");
  Click(24);
  EXPECT_EQ(box.SelectedText(), "") << "a fourth click places the caret";
}

TEST_F(EditBoxControl, ContextMenuStates) {
  FakeMenu menu;
  SetEditContextMenu(&menu);
  const std::string text = "T";
  struct Case {
    const char* name;
    int mode;
    std::string content;
    bool select, clipboardText;
    int popups, cut, copy, paste, all;
  } cases[] = {
      {"empty selection greys cut and copy", kEditModeText, "abc", false, true, 1, -1, -1, 0, 1},
      {"selection makes both available", kEditModeText, "abc", true, true, 1, 0, 0, 0, 1},
      {"password: copy yes, cut and paste no", kEditModePassword, "abc", true, true, 1, -1, 0, -1, 1},
      {"empty clipboard greys paste", kEditModeText, "abc", true, false, 1, 0, 0, -1, 1},
      {"empty text greys select all", kEditModeText, "", false, true, 1, -1, -1, 0, -1},
      {"plain mode shows no menu", kEditModePlain, "abc", true, true, 0, 9, 9, 9, 9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetClipboard(c.clipboardText ? &text : nullptr);
    menu = FakeMenu{};
    Make(c.mode, c.content);
    if (c.select) Key(VK_HOME, false, true);
    hosted.Send(WM_RBUTTONDOWN, MK_RBUTTON, 40, 30);
    hosted.Send(WM_RBUTTONUP, 0, 40, 30);
    EXPECT_EQ(menu.popups, c.popups);
    EXPECT_EQ(menu.states[kEditMenuCutItem], c.cut);
    EXPECT_EQ(menu.states[kEditMenuCopyItem], c.copy);
    EXPECT_EQ(menu.states[kEditMenuPasteItem], c.paste);
    EXPECT_EQ(menu.states[kEditMenuSelectAllItem], c.all);
    box.Destroy();
  }
  // The chosen item comes back as WM_COMMAND and runs its command.
  SetClipboard(&text);
  menu = FakeMenu{};
  menu.choose = kEditCommandPaste;
  Make(kEditModeText, "ab");
  hosted.Send(WM_RBUTTONUP, 0, 40, 30);
  EXPECT_EQ(box.Text(), "abT");
}

TEST_F(EditBoxControl, OnlyPlainTextKeepsTheInputMethodWhileFocused) {
  struct Case {
    int mode;
    bool kept;
  } cases[] = {{kEditModeText, true},     {kEditModePassword, false}, {kEditModePlain, false},
               {kEditModeInteger, false}, {kEditModeDecimal, false}};
  for (const Case& c : cases) {
    Make(c.mode);
    HIMC context = ImmGetContext(hosted.window);
    EXPECT_EQ(context != nullptr, c.kept) << "mode " << c.mode;
    if (context) ImmReleaseContext(hosted.window, context);
    box.Destroy();
    context = ImmGetContext(hosted.window);
    EXPECT_NE(context, nullptr) << "mode " << c.mode << ": the context is back once the box is gone";
    if (context) ImmReleaseContext(hosted.window, context);
  }
}

TEST_F(EditBoxControl, ImeResultArrivesAsGbk) {
  Make(kEditModeText, "x");
  HIMC context = ImmGetContext(hosted.window);
  ASSERT_NE(context, nullptr);
  ImmSetOpenStatus(context, TRUE);
  // Composed through the UTF-16 entry (Wine's ANSI setter halves the length); the box reads
  // the result as GBK whatever the system's code page is, leaving out what GBK cannot hold
  // (Hangul here), and skips the echo of every composed character.
  std::wstring composed = L"\u4e2d\ud55c\u6587ab";
  ImmSetCompositionStringW(context, SCS_SETSTR, composed.data(), static_cast<DWORD>(composed.size() * sizeof(wchar_t)), nullptr, 0);
  ImmNotifyIME(context, NI_COMPOSITIONSTR, CPS_COMPLETE, 0);
  ImmReleaseContext(hosted.window, context);
  PumpFor(300);
  EXPECT_EQ(box.Text(), "x" + kChinese + "ab") << "the result once, not again as typed characters";
  Key('A');
  Type("a");
  EXPECT_EQ(box.Text(), "x" + kChinese + "aba") << "typing goes on normally";
}

TEST_F(EditBoxControl, AnUnfinishedCompositionChangesNothingUntilItIsCommitted) {
  // What listens to the box (a filter over a list) must not see half-composed pinyin.
  Make(kEditModeText, "x");
  gChanges = 0;
  HIMC context = ImmGetContext(hosted.window);
  ASSERT_NE(context, nullptr);
  ImmSetOpenStatus(context, TRUE);
  std::wstring composing = L"zhong";
  ImmSetCompositionStringW(context, SCS_SETSTR, composing.data(),
                           static_cast<DWORD>(composing.size() * sizeof(wchar_t)), nullptr, 0);
  hosted.Send(WM_IME_COMPOSITION, 0, GCS_COMPSTR | GCS_CURSORPOS);
  PumpFor(100);
  EXPECT_EQ(box.Text(), "x");
  EXPECT_EQ(gChanges, 0) << "no change reported while composing";
  std::wstring composed = L"\u4e2d";
  ImmSetCompositionStringW(context, SCS_SETSTR, composed.data(), static_cast<DWORD>(composed.size() * sizeof(wchar_t)),
                           nullptr, 0);
  ImmNotifyIME(context, NI_COMPOSITIONSTR, CPS_COMPLETE, 0);
  ImmReleaseContext(hosted.window, context);
  PumpFor(300);
  EXPECT_EQ(box.Text(), "x\xd6\xd0");
  EXPECT_GE(gChanges, 1) << "the committed text is a change";
}

TEST_F(EditBoxControl, HostileTextAndOtherThreads) {
  Make(kEditModeText);
  const std::string big(100000, 'q');
  box.Text(big);
  EXPECT_EQ(box.Text(), big);
  Key(VK_HOME);
  Key(VK_END, false, true);
  EXPECT_EQ(box.CaretPlace().column, 100000);

  std::string megabyte(1 << 20, 'm');
  SetClipboard(&megabyte);
  Key(kEditCommandPaste, true, false);
  EXPECT_EQ(box.Text().size(), kEditTextLimit) << "the paste replaced the selection up to the limit";

  box.Text("ok\xd6");
  EXPECT_EQ(box.Text(), "ok");
  Type("!");
  EXPECT_EQ(box.Text(), "ok!");

  // A worker reads the text while the UI thread waits for it: no round trip to the UI thread.
  std::string read;
  std::thread worker([&] { read = box.Text(); });
  worker.join();
  EXPECT_EQ(read, "ok!");
}

TEST_F(EditBoxControl, MultiLineScrollsToTheCaret) {
  Make(kEditModeText, "", true);
  ASSERT_NE(box.VerticalBar(), nullptr);
  ASSERT_NE(box.HorizontalBar(), nullptr);
  for (int i = 0; i < 20; ++i) {
    Type("line");
    Key(VK_RETURN);
  }
  EXPECT_EQ(box.Document().LineCount(), 21);
  EXPECT_GT(box.VerticalBar()->Maximum(), 0);
  EXPECT_EQ(box.VerticalBar()->Position(), -box.OffsetY());
  EXPECT_LT(box.OffsetY(), 0) << "the caret on the last line is in view";
  EXPECT_LE(box.CaretRect().Y + box.CaretRect().Height, box.ViewRect().Y + box.ViewRect().Height + 0.5f);
  Key(VK_HOME, true, false);
  EXPECT_EQ(box.OffsetY(), 0);
  Type(std::string(80, 'w'));
  EXPECT_GT(box.HorizontalBar()->Maximum(), 0);
  EXPECT_LT(box.OffsetX(), 0);
  box.SetScrollX(0);
  EXPECT_EQ(box.OffsetX(), 0);
  // A press on the vertical bar's up arrow scrolls without taking the focus from the text.
  Key(VK_END, true, true);
  const int before = box.OffsetY();
  const Gdiplus::RectF bar = box.VerticalBar()->BoundsRef();
  hosted.Send(WM_LBUTTONDOWN, MK_LBUTTON, static_cast<int>(bar.X) + 5, static_cast<int>(bar.Y) + 4);
  hosted.Send(WM_LBUTTONUP, 0, static_cast<int>(bar.X) + 5, static_cast<int>(bar.Y) + 4);
  EXPECT_GT(box.OffsetY(), before);
  EXPECT_TRUE(box.Focused());
  EXPECT_FALSE(box.SelectedText().empty());
  hosted.Send(WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
  EXPECT_EQ(box.OffsetY(), before) << "the wheel scrolls back down";
  Key(VK_NEXT);
  EXPECT_GT(box.CaretPlace().line, 1);
}

TEST_F(EditBoxControl, ACaretBlinkRecomposesOnlyTheCaret) {
  Make(kEditModeText, "blink");
  Pump();
  const Gdiplus::RectF caret = box.CaretRect();
  for (int blink = 0; blink < 2; ++blink) {
    const double before = hosted.host->Painting().ComposedArea();
    box.BlinkCaret();
    const double area = hosted.host->Painting().ComposedArea() - before;
    EXPECT_GT(area, 0) << "the blink is shown";
    EXPECT_LE(area, 3 * (caret.Height + 1)) << "of a box of " << 200 * 24;
  }
}

TEST_F(EditBoxControl, DrawsSelectionCaretAndBars) {
  Make(kEditModeText, "Quarvel " + kChinese + kHan + " abc");
  Key(VK_LEFT);
  Key(VK_LEFT);
  for (int i = 0; i < 5; ++i) Key(VK_LEFT, false, true);  // "中文汉 a" selected, caret before it
  EditBox notes;
  EditBoxOptions options;
  options.multiLine = true;
  options.text = "first line " + kChinese + "\r\nsecond\r\n" + std::string(60, 'w');
  for (int i = 0; i < 12; ++i) options.text += "\r\nline " + std::to_string(i) + " " + kHan;
  notes.Create(hosted.window, 20, 60, 220, 110, options);
  // A long line is drawn piecewise: its end must still line up with the caret.
  EditBox longLine;
  std::string mixed;
  for (int i = 0; i < 400; ++i) mixed += "ab" + kHan + std::to_string(i % 10);
  EditBoxOptions longOptions;
  longOptions.text = mixed + "END";
  longLine.Create(hosted.window, 20, 180, 220, 24, longOptions);
  longLine.Select(TextPos{0, 1 << 20}, TextPos{0, 1 << 20});
  Pump();
  EXPECT_LT(longLine.OffsetX(), -3000);
  EXPECT_NEAR(longLine.CaretRect().X, longLine.ViewRect().X + longLine.ViewRect().Width - 2, 1.5f);

  const Gdiplus::RectF caret = box.CaretRect();
  const Gdiplus::ARGB atCaret = SurfacePixel(&box, static_cast<int>(caret.X), static_cast<int>(caret.Y + caret.Height / 2));
  EXPECT_GE(AlphaOf(atCaret), 200) << "the caret is drawn";
  EXPECT_TRUE(box.CaretShown());
  // Behind the selection: bluish, not the white background.
  const float x = caret.X + 4, y = caret.Y + 1;
  const Gdiplus::ARGB selected = SurfacePixel(&box, static_cast<int>(x), static_cast<int>(y));
  EXPECT_GT(selected & 0xFF, (selected >> 16) & 0xFF) << std::hex << selected;
  ASSERT_NE(notes.VerticalBar(), nullptr);
  EXPECT_GT(notes.VerticalBar()->Maximum(), 0);
  EXPECT_GT(notes.HorizontalBar()->Maximum(), 0);
  if (const char* pause = getenv("QUARVEL_SHOWCASE_MS")) PumpFor(static_cast<DWORD>(atoi(pause)));
}

}  // namespace
