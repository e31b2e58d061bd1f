// The program's window icon, taken from the embedded icon file (first directory entry).
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <span>

struct IconImage {
  size_t offset;
  size_t size;
};

// Where the first image of an icon file lies; nothing when the file is too short or the
// entry points outside it.
std::optional<IconImage> FirstIconImage(std::span<const unsigned char> iconFile);

// An icon made from the first image of an icon file, or null. The caller owns it.
HICON CreateIconFromIconFile(std::span<const unsigned char> iconFile);

// Owns an icon handle.
class IconHandle {
 public:
  IconHandle() = default;
  explicit IconHandle(HICON icon) : icon_(icon) {}
  ~IconHandle() {
    if (icon_) DestroyIcon(icon_);
  }
  IconHandle(const IconHandle&) = delete;
  IconHandle& operator=(const IconHandle&) = delete;
  IconHandle& operator=(IconHandle&& other) noexcept {
    if (this != &other) {
      if (icon_) DestroyIcon(icon_);
      icon_ = other.icon_;
      other.icon_ = nullptr;
    }
    return *this;
  }
  HICON Get() const { return icon_; }

 private:
  HICON icon_ = nullptr;
};
