#include "ui/controls/ClipboardText.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "ui/controls/TextDocument.h"
#include "ui/gfx/GdiHandles.h"
#include "ui/gfx/Text.h"

namespace {

// An open clipboard, closed when the guard goes.
class OpenClipboardGuard {
 public:
  explicit OpenClipboardGuard(HWND owner) {
    // Another program may hold the clipboard for a moment: try a few times before giving up.
    for (int attempt = 0; attempt < 5 && !open_; ++attempt) {
      open_ = OpenClipboard(owner) != FALSE;
      if (!open_) Sleep(10);
    }
  }
  ~OpenClipboardGuard() {
    if (open_) CloseClipboard();
  }
  OpenClipboardGuard(const OpenClipboardGuard&) = delete;
  OpenClipboardGuard& operator=(const OpenClipboardGuard&) = delete;
  bool IsOpen() const { return open_; }

 private:
  bool open_ = false;
};

// Chinese (PRC): the locale whose ANSI code page (936) the CF_TEXT bytes are written in.
constexpr LCID kTextLocale = MAKELCID(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), SORT_DEFAULT);

// The units of a locked CF_UNICODETEXT block up to its first zero and at most maxUnits.
std::wstring_view WideUpToZero(const gfx::GlobalLockGuard& lock, HANDLE handle, std::size_t maxUnits) {
  const auto* units = static_cast<const wchar_t*>(lock.Data());
  const std::size_t scan = std::min<std::size_t>(GlobalSize(handle) / sizeof(wchar_t), maxUnits);
  std::size_t length = 0;
  while (length < scan && units[length] != L'\0') ++length;
  return std::wstring_view(units, length);
}

// The longest head of a GBK text that is whole characters and at most maxBytes long.
std::string CutToWholeCharacters(std::string text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  std::size_t end = 0;
  for (std::size_t next; (next = end + gbk::CharLength(text, end)) <= maxBytes && next > end;) end = next;
  text.resize(end);
  return text;
}

}  // namespace

namespace clipboard {

bool HasText() {
  return IsClipboardFormatAvailable(CF_UNICODETEXT) != FALSE || IsClipboardFormatAvailable(CF_TEXT) != FALSE;
}

std::optional<std::string> ReadText(HWND owner, std::size_t maxBytes) {
  OpenClipboardGuard clipboard(owner);
  if (!clipboard.IsOpen()) return std::nullopt;
  if (HANDLE handle = IsClipboardFormatAvailable(CF_UNICODETEXT) ? GetClipboardData(CF_UNICODETEXT) : nullptr) {
    gfx::GlobalLockGuard lock(handle);
    if (!lock.Data()) return std::nullopt;
    // A GBK character takes at least one byte per unit: more units than bytes are never kept.
    return CutToWholeCharacters(gfx::NarrowInputText(WideUpToZero(lock, handle, maxBytes)), maxBytes);
  }
  HANDLE handle = GetClipboardData(CF_TEXT);
  if (!handle) return std::nullopt;
  gfx::GlobalLockGuard lock(handle);
  if (!lock.Data()) return std::nullopt;
  const std::size_t size = GlobalSize(handle);
  const auto* bytes = static_cast<const char*>(lock.Data());
  const std::size_t scan = size < maxBytes ? size : maxBytes;
  const void* zero = std::memchr(bytes, 0, scan);
  const std::size_t length = zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - bytes) : scan;
  return std::string(bytes, length);
}

bool WriteText(HWND owner, std::string_view text) {
  text = text.substr(0, text.find('\0'));
  const std::wstring wide = gfx::widen_text(text);
  // Every block is freed unless the clipboard takes it over.
  const std::string gbk(text);
  gfx::GlobalMemoryPtr gbkBlock = gfx::CopyToGlobal(gbk.c_str(), gbk.size() + 1);
  gfx::GlobalMemoryPtr wideBlock = gfx::CopyToGlobal(wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
  gfx::GlobalMemoryPtr localeBlock = gfx::CopyToGlobal(&kTextLocale, sizeof kTextLocale);
  if (!gbkBlock.Get() || !wideBlock.Get() || !localeBlock.Get()) return false;
  OpenClipboardGuard clipboard(owner);
  if (!clipboard.IsOpen()) return false;
  if (!EmptyClipboard()) return false;
  if (!SetClipboardData(CF_TEXT, gbkBlock.Get())) return false;
  gbkBlock.Detach();  // the clipboard owns it now
  if (!SetClipboardData(CF_UNICODETEXT, wideBlock.Get())) return false;
  wideBlock.Detach();
  if (SetClipboardData(CF_LOCALE, localeBlock.Get())) localeBlock.Detach();
  return true;
}

}  // namespace clipboard
