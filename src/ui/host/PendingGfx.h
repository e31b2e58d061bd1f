// Stand-ins for the shared drawing helpers (image loading, default font, OS version) that
// the host needs; they are replaced by the gfx library's own functions once it has them.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstdint>
#include <span>

namespace pending_gfx {

// Decodes PNG/JPEG/GIF bytes into a self-contained 32-bit ARGB bitmap; null on failure.
Gdiplus::GpBitmap* LoadImageBytes(std::span<const std::uint8_t> bytes);
// A 12-pixel regular font of a face that renders Chinese; may be null.
Gdiplus::GpFont* DefaultFont();
// The operating-system major version.
int OsMajorVersion();

}  // namespace pending_gfx
