// The host's drawing buffers.
#include "ui/core/HostBuffers.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

bool BufferDc::Create(HDC compatible, int width, int height) {
  Release();
  if (!dib_.Create(compatible, width, height)) return false;
  if (GdipCreateBitmapFromScan0(width, height, width * 4, PixelFormat32bppPARGB,
                                reinterpret_cast<BYTE*>(dib_.Bits()), pixels_.Put()) != Ok) {
    pixels_.Reset();
  }
  return true;
}

void BufferDc::Release() {
  pixels_.Reset();
  dib_.Release();
}

std::uint32_t BufferDc::Pixel(int x, int y) const {
  const std::uint32_t* bits = dib_.Bits();
  if (!bits || x < 0 || y < 0 || x >= dib_.Width() || y >= dib_.Height()) return 0;
  GdiFlush();
  return bits[static_cast<size_t>(y) * dib_.Width() + x];
}
