#include "ui/controls/ClipboardText.h"

#include <cstring>
#include <utility>

#include "ui/gfx/GdiHandles.h"

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

// A locked global block, unlocked when the guard goes.
class GlobalLockGuard {
 public:
  explicit GlobalLockGuard(HGLOBAL memory) : memory_(memory), data_(memory ? GlobalLock(memory) : nullptr) {}
  ~GlobalLockGuard() {
    if (data_) GlobalUnlock(memory_);
  }
  GlobalLockGuard(const GlobalLockGuard&) = delete;
  GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;
  void* Data() const { return data_; }

 private:
  HGLOBAL memory_;
  void* data_;
};

}  // namespace

namespace clipboard {

bool HasText() { return IsClipboardFormatAvailable(CF_TEXT) != FALSE; }

std::optional<std::string> ReadText(HWND owner, std::size_t maxBytes) {
  OpenClipboardGuard clipboard(owner);
  if (!clipboard.IsOpen()) return std::nullopt;
  HANDLE handle = GetClipboardData(CF_TEXT);
  if (!handle) return std::nullopt;
  GlobalLockGuard lock(handle);
  if (!lock.Data()) return std::nullopt;
  const std::size_t size = GlobalSize(handle);
  const auto* bytes = static_cast<const char*>(lock.Data());
  const std::size_t scan = size < maxBytes ? size : maxBytes;
  const void* zero = std::memchr(bytes, 0, scan);
  const std::size_t length = zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - bytes) : scan;
  return std::string(bytes, length);
}

bool WriteText(HWND owner, std::string_view text) {
  // Freed unless the clipboard takes it over.
  gfx::GlobalMemoryPtr block(GlobalAlloc(GMEM_MOVEABLE, text.size() + 1));
  if (!block.Get()) return false;
  {
    GlobalLockGuard lock(block.Get());
    if (!lock.Data()) return false;
    std::memcpy(lock.Data(), text.data(), text.size());
    static_cast<char*>(lock.Data())[text.size()] = '\0';
  }
  OpenClipboardGuard clipboard(owner);
  if (!clipboard.IsOpen()) return false;
  if (!EmptyClipboard()) return false;
  if (!SetClipboardData(CF_TEXT, block.Get())) return false;
  block.Detach();  // the clipboard owns it now
  return true;
}

}  // namespace clipboard
