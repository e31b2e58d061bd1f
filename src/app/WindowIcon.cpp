#include "app/WindowIcon.h"

namespace {

constexpr size_t kDirectoryHeader = 6;
constexpr size_t kDirectoryEntry = 16;

unsigned long ReadLittle32(std::span<const unsigned char> bytes, size_t at) {
  return static_cast<unsigned long>(bytes[at]) | static_cast<unsigned long>(bytes[at + 1]) << 8 |
         static_cast<unsigned long>(bytes[at + 2]) << 16 | static_cast<unsigned long>(bytes[at + 3]) << 24;
}

}  // namespace

std::optional<IconImage> FirstIconImage(std::span<const unsigned char> iconFile) {
  if (iconFile.size() < kDirectoryHeader + kDirectoryEntry) return std::nullopt;
  const size_t entry = kDirectoryHeader;
  const unsigned long size = ReadLittle32(iconFile, entry + 8);
  const unsigned long offset = ReadLittle32(iconFile, entry + 12);
  if (size == 0 || offset > iconFile.size() || size > iconFile.size() - offset) return std::nullopt;
  return IconImage{offset, size};
}

HICON CreateIconFromIconFile(std::span<const unsigned char> iconFile) {
  const auto image = FirstIconImage(iconFile);
  if (!image) return nullptr;
  // CreateIconFromResource takes a non-const pointer but only reads the bytes.
  auto* bits = const_cast<PBYTE>(iconFile.data() + image->offset);
  return CreateIconFromResource(bits, static_cast<DWORD>(image->size), TRUE, 0x30000);
}
