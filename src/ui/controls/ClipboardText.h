// CF_TEXT on the clipboard for the edit boxes: GBK text in, GBK text out. Every clipboard
// open and global allocation is owned by a small guard, so no path leaves the clipboard open.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace clipboard {

// Whether the clipboard offers text (CF_TEXT, or a format Windows converts to it).
bool HasText();
// The clipboard text up to its first zero byte and at most maxBytes; nullopt when the
// clipboard could not be opened or holds no text.
std::optional<std::string> ReadText(HWND owner, std::size_t maxBytes);
// Replaces the clipboard content with the text; false when the clipboard could not be opened
// or the memory could not be had (the clipboard then keeps what it held, or is left empty).
bool WriteText(HWND owner, std::string_view text);

}  // namespace clipboard
