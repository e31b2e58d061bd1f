#include <gtest/gtest.h>

#include "form/Form.h"

namespace {

// What the hooks and handlers of one test saw; reset by each test.
struct Seen {
  int created = 0;
  bool visibleWhenCreated = true;
  int sizes = 0;
  LPARAM lastSize = 0;
  int closes = 0;
  int commands = 0;
} seen;

LRESULT CountingHook(HWND, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_SIZE) {
    seen.sizes++;
    seen.lastSize = lParam;
  }
  return 0;
}

void RecordingCreated(HWND window) {
  seen.created++;
  seen.visibleWhenCreated = IsWindowVisible(window) != FALSE;
  form::SetWindowHook(window, CountingHook);
}

struct FormTest : testing::Test {
  void SetUp() override { seen = Seen{}; }
  void TearDown() override {
    if (window && IsWindow(window)) DestroyWindow(window);
  }
  HWND window = nullptr;
};

TEST_F(FormTest, CreatedHandlerRunsOnceBeforeShowingThenOneClientSize) {
  form::FormOptions options;
  options.title = "form";
  options.created = RecordingCreated;
  options.width = 300;
  options.height = 200;
  options.hidden = true;
  window = form::create_form(options);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(seen.created, 1);
  EXPECT_FALSE(seen.visibleWhenCreated);
  EXPECT_FALSE(IsWindowVisible(window));
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(seen.sizes, 1);
  EXPECT_EQ(LOWORD(seen.lastSize), client.right);
  EXPECT_EQ(HIWORD(seen.lastSize), client.bottom);
}

TEST_F(FormTest, NotHiddenIsShownOnlyAfterTheCreatedHandler) {
  form::FormOptions options;
  options.title = "shown";
  options.created = RecordingCreated;
  window = form::create_form(options);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(seen.created, 1);
  EXPECT_FALSE(seen.visibleWhenCreated);
  EXPECT_TRUE(IsWindowVisible(window));
}

TEST_F(FormTest, DefaultsAre380By250OverlappedWindowOfClassWTWindow) {
  form::FormOptions options;
  options.title = "defaults";
  options.hidden = true;
  window = form::create_form(options);
  ASSERT_NE(window, nullptr);
  RECT rect{};
  GetWindowRect(window, &rect);
  EXPECT_EQ(rect.right - rect.left, 380);
  EXPECT_EQ(rect.bottom - rect.top, 250);
  char cls[64] = {};
  GetClassNameA(window, cls, sizeof cls);
  EXPECT_STREQ(cls, "WTWindow");
  const DWORD style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
  const DWORD expected = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  EXPECT_EQ(style & expected, expected);
  EXPECT_NE(form::FormOfWindow(window), nullptr);
  // The default position is the system's: the same as a plain window created the same way.
  HWND plain = CreateWindowExA(0, "WTWindow", "plain", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 380, 250,
                               nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(plain, nullptr);
  RECT plainRect{};
  GetWindowRect(plain, &plainRect);
  DestroyWindow(plain);
  EXPECT_GE(rect.left, 0);
  EXPECT_GE(rect.top, 0);
  EXPECT_LT(rect.left, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_LT(plainRect.left, GetSystemMetrics(SM_CXSCREEN));
}

TEST_F(FormTest, TitleReadsTheSameCharactersOnAnySystemCodePage) {
  struct Case {
    const char* gbk;
    const wchar_t* wide;
  } cases[] = {
      {"Quarvel1.0\xb0\xe6 ", L"Quarvel1.0\u7248 "},  // the main window's caption, trailing blank kept
      {"\xd6\xd0\xce\xc4", L"\u4e2d\u6587"},
      {"plain", L"plain"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.gbk);
    form::FormOptions options;
    options.title = c.gbk;
    options.hidden = true;
    window = form::create_form(options);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(IsWindowUnicode(window)) << "messages must not pass through the system's code page";
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    EXPECT_STREQ(title, c.wide);
    // A title set wide stays whole through the form's own procedure.
    SetWindowTextW(window, L"\u641c\u7d22\ud55c");
    GetWindowTextW(window, title, 64);
    EXPECT_STREQ(title, L"\u641c\u7d22\ud55c");
    DestroyWindow(window);
  }
}

int KeepOpen(HWND) {
  seen.closes++;
  return 1;
}
int AllowClose(HWND) {
  seen.closes++;
  return 0;
}

TEST_F(FormTest, CloseHandlerDecidesAndDestroyForgetsTheRecord) {
  form::FormOptions options;
  options.title = "close";
  options.hidden = true;
  window = form::create_form(options);
  ASSERT_NE(window, nullptr);

  ASSERT_TRUE(form::SetCloseHandler(window, KeepOpen));
  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(window));
  EXPECT_EQ(seen.closes, 1);

  ASSERT_TRUE(form::SetCloseHandler(window, AllowClose));
  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(seen.closes, 2);
  EXPECT_EQ(form::FormOfWindow(window), nullptr);
}

TEST_F(FormTest, WithoutCloseHandlerCloseDestroys) {
  form::FormOptions options;
  options.title = "plain close";
  options.hidden = true;
  window = form::create_form(options);
  ASSERT_NE(window, nullptr);
  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(window));
}

LRESULT AnsweringHook(HWND, UINT message, WPARAM, LPARAM) { return message == WM_USER + 77 ? 4242 : 0; }

LRESULT CountingCommand(HWND, UINT message, WPARAM, LPARAM) {
  seen.commands++;
  return 9;
}

TEST_F(FormTest, HookAnswerWinsAndCommandsReachTheControlsHandler) {
  form::FormOptions options;
  options.title = "hooks";
  options.hidden = true;
  window = form::create_form(options);
  ASSERT_NE(window, nullptr);
  form::SetWindowHook(window, AnsweringHook);
  EXPECT_EQ(SendMessageA(window, WM_USER + 77, 0, 0), 4242);
  EXPECT_EQ(SendMessageA(window, WM_USER + 78, 0, 0), 0);  // falls through to DefWindowProc

  HWND button = CreateWindowExA(0, "BUTTON", "b", WS_CHILD, 0, 0, 10, 10, window, nullptr, GetModuleHandleA(nullptr),
                                nullptr);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(SendMessageA(window, WM_COMMAND, BN_CLICKED, reinterpret_cast<LPARAM>(button)), 0);
  form::SetCommandHandler(button, CountingCommand);
  EXPECT_EQ(SendMessageA(window, WM_COMMAND, BN_CLICKED, reinterpret_cast<LPARAM>(button)), 9);
  EXPECT_EQ(seen.commands, 1);
}

}  // namespace
