#include "ui/gfx/GdiHandles.h"

#include <cstring>

namespace gfx {

GlobalMemoryPtr CopyToGlobal(const void* data, std::size_t size, const void* prefix, std::size_t prefixSize) {
  GlobalMemoryPtr block(GlobalAlloc(GMEM_MOVEABLE, prefixSize + size));
  if (!block) return {};
  GlobalLockGuard lock(block.Get());
  if (!lock.Data()) return {};
  auto* target = static_cast<unsigned char*>(lock.Data());
  if (prefixSize) std::memcpy(target, prefix, prefixSize);
  if (size) std::memcpy(target + prefixSize, data, size);
  return block;
}

BITMAPINFO TopDownDibInfo(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

bool DibSection::Create(HDC compatible, int width, int height) {
  Release();
  if (width <= 0 || height <= 0) return false;
  MemoryDcPtr dc(CreateCompatibleDC(compatible));
  if (!dc) return false;
  const BITMAPINFO info = TopDownDibInfo(width, height);
  void* bits = nullptr;
  HbitmapPtr bitmap(CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || !bits) return false;
  dc_ = std::move(dc);
  bitmap_ = std::move(bitmap);
  selection_.Select(dc_.Get(), bitmap_.Get());
  bits_ = static_cast<std::uint32_t*>(bits);
  width_ = width;
  height_ = height;
  return true;
}

void DibSection::Release() {
  // The bitmap leaves the DC before either is deleted.
  selection_.Reset();
  bitmap_.Reset();
  dc_.Reset();
  bits_ = nullptr;
  width_ = height_ = 0;
}

}  // namespace gfx
