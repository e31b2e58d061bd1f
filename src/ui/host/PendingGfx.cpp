#include "ui/host/PendingGfx.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace pending_gfx {

GpBitmap* LoadImageBytes(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return nullptr;
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes.size());
  if (!memory) return nullptr;
  void* data = GlobalLock(memory);
  if (!data) {
    GlobalFree(memory);
    return nullptr;
  }
  memcpy(data, bytes.data(), bytes.size());
  GlobalUnlock(memory);
  IStream* stream = nullptr;
  if (CreateStreamOnHGlobal(memory, FALSE, &stream) != S_OK) {
    GlobalFree(memory);
    return nullptr;
  }
  GpImage* decoded = nullptr;
  GpBitmap* result = nullptr;
  if (GdipLoadImageFromStream(stream, &decoded) == Ok && decoded) {
    UINT width = 0, height = 0;
    GdipGetImageWidth(decoded, &width);
    GdipGetImageHeight(decoded, &height);
    if (width > 0 && height > 0 &&
        GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr, &result) == Ok) {
      GpGraphics* graphics = nullptr;
      if (GdipGetImageGraphicsContext(result, &graphics) == Ok) {
        GdipDrawImageRectI(graphics, decoded, 0, 0, width, height);
        GdipDeleteGraphics(graphics);
      }
    }
    GdipDisposeImage(decoded);
  }
  stream->Release();
  GlobalFree(memory);
  return result;
}

GpFont* DefaultFont() {
  static GpFont* font = [] {
    GpFont* made = nullptr;
    for (const wchar_t* face : {L"\x5b8b\x4f53", L"SimSun", L"WenQuanYi Zen Hei", L"Tahoma"}) {
      GpFontFamily* family = nullptr;
      if (GdipCreateFontFamilyFromName(face, nullptr, &family) != Ok) continue;
      GdipCreateFont(family, 12, FontStyleRegular, UnitPixel, &made);
      GdipDeleteFontFamily(family);
      if (made) break;
    }
    return made;
  }();
  return font;
}

int OsMajorVersion() {
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  static int major = [] {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    auto fn = reinterpret_cast<RtlGetVersionFn>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion"));
    if (fn && fn(&info) == 0) return static_cast<int>(info.dwMajorVersion);
    return 0;
  }();
  return major;
}

}  // namespace pending_gfx
