// The clipboard text of the edit boxes and the magnet links: GBK on, the same characters as
// UTF-16 beside it, and UTF-16 preferred on the way back, whatever the system's code page is
// (these tests also run under the system code page 1252).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "ui/controls/ClipboardText.h"

namespace {

// One format's bytes as the clipboard holds them, or nullopt when it does not hold the format.
std::optional<std::string> FormatBytes(UINT format) {
  if (!OpenClipboard(nullptr)) return std::nullopt;
  std::optional<std::string> bytes;
  if (HANDLE handle = GetClipboardData(format)) {
    if (const void* data = GlobalLock(handle)) {
      bytes = std::string(static_cast<const char*>(data), GlobalSize(handle));
      GlobalUnlock(handle);
    }
  }
  CloseClipboard();
  return bytes;
}

std::wstring UnicodeText() {
  const std::string bytes = FormatBytes(CF_UNICODETEXT).value_or("");
  std::wstring units(bytes.size() / sizeof(wchar_t), L'\0');
  std::memcpy(units.data(), bytes.data(), units.size() * sizeof(wchar_t));
  return units.substr(0, units.find(L'\0'));
}

// Puts exactly these formats on the clipboard, as another program would.
void Offer(const std::optional<std::string>& ansi, const std::optional<std::wstring>& wide) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  auto put = [](UINT format, const void* data, size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    std::memcpy(GlobalLock(block), data, size);
    GlobalUnlock(block);
    SetClipboardData(format, block);
  };
  if (ansi) put(CF_TEXT, ansi->c_str(), ansi->size() + 1);
  if (wide) put(CF_UNICODETEXT, wide->c_str(), (wide->size() + 1) * sizeof(wchar_t));
  CloseClipboard();
}

TEST(ClipboardText, WritesGbkAndTheSameCharactersAsUtf16) {
  struct Case {
    std::string gbk;
    std::wstring wide;
  } cases[] = {
      {"magnet:?xt=urn:btih:0123abcd&dn=\xd6\xd0\xce\xc4", L"magnet:?xt=urn:btih:0123abcd&dn=\u4e2d\u6587"},
      {"\xc8\xab\xb2\xbf(3)", L"\u5168\u90e8(3)"},
      {std::string("ab\0cd", 5), L"ab"},  // the text ends at its first zero
      {"", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.gbk);
    ASSERT_TRUE(clipboard::WriteText(nullptr, c.gbk));
    const std::string gbk = c.gbk.substr(0, c.gbk.find('\0'));
    EXPECT_EQ(FormatBytes(CF_TEXT).value_or("<none>").substr(0, gbk.size() + 1), gbk + '\0');
    EXPECT_EQ(UnicodeText(), c.wide);
    // CF_LOCALE says which code page the CF_TEXT bytes are in: Chinese (PRC), 936.
    const std::string locale = FormatBytes(CF_LOCALE).value_or("");
    ASSERT_GE(locale.size(), sizeof(LCID));
    LCID lcid = 0;
    std::memcpy(&lcid, locale.data(), sizeof lcid);
    EXPECT_EQ(lcid, 0x0804u);
    EXPECT_TRUE(clipboard::HasText());
    EXPECT_EQ(clipboard::ReadText(nullptr, 1 << 20), gbk) << "what went on comes back";
  }
}

TEST(ClipboardText, ReadsUtf16FirstAndLeavesOutWhatGbkCannotHold) {
  struct Case {
    const char* name;
    std::optional<std::string> ansi;
    std::optional<std::wstring> wide;
    size_t maxBytes;
    std::optional<std::string> read;
  } cases[] = {
      {"UTF-16 only", std::nullopt, L"\u4e2d \u6587", 100, "\xd6\xd0 \xce\xc4"},
      {"UTF-16 wins over CF_TEXT", "\xc8\xab", L"\u4e2d", 100, "\xd6\xd0"},
      {"characters outside GBK left out", std::nullopt, L"a\ud55c\U0001F600b", 100, "ab"},
      {"at most maxBytes, whole characters", std::nullopt, L"\u4e2d\u6587x", 3, "\xd6\xd0"},
      {"maxBytes on a boundary", std::nullopt, L"\u4e2d\u6587x", 4, "\xd6\xd0\xce\xc4"},
      {"up to the first zero", std::nullopt, std::wstring(L"ab\0cd", 5), 100, "ab"},
      {"CF_TEXT of ASCII alone", "plain", std::nullopt, 100, "plain"},
      {"nothing", std::nullopt, std::nullopt, 100, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Offer(c.ansi, c.wide);
    EXPECT_EQ(clipboard::HasText(), c.read.has_value());
    EXPECT_EQ(clipboard::ReadText(nullptr, c.maxBytes), c.read);
  }
}

}  // namespace
