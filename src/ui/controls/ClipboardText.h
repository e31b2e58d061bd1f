// Text on the clipboard for the edit boxes and the magnet links: GBK text in, GBK text out.
// A text goes on as CF_TEXT (GBK bytes, with CF_LOCALE saying so) and as CF_UNICODETEXT, so any
// program on any system pastes the same characters; reading prefers CF_UNICODETEXT, which the
// system would otherwise make from CF_TEXT in its own code page. Every clipboard open and
// global allocation is owned by a small guard, so no path leaves the clipboard open.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace clipboard {

// Whether the clipboard offers text (CF_UNICODETEXT or CF_TEXT, or a format Windows converts
// to them).
bool HasText();
// The clipboard text up to its first zero and at most maxBytes of GBK (whole characters), its
// characters outside GBK left out; nullopt when the clipboard could not be opened or holds no
// text.
std::optional<std::string> ReadText(HWND owner, std::size_t maxBytes);
// Replaces the clipboard content with the text (up to its first zero byte); false when the
// clipboard could not be opened or the memory could not be had (the clipboard then keeps what
// it held, or is left empty).
bool WriteText(HWND owner, std::string_view text);

}  // namespace clipboard
