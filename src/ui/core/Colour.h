// Colours of the toolkit: a Windows RGB value (red in the low byte) plus an alpha 0..255,
// converted to GDI+ ARGB. An opaque alpha is written as 254, never 255: the conversion
// writes 254 whenever the alpha is omitted or equals 255.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

inline std::uint32_t ToArgb(int rgb, std::optional<int> alpha = std::nullopt) {
  int a = (!alpha || *alpha == 255) ? 254 : (*alpha < 0 ? 0 : (*alpha > 255 ? 255 : *alpha));
  std::uint32_t r = static_cast<std::uint32_t>(rgb) & 0xFF;
  std::uint32_t g = (static_cast<std::uint32_t>(rgb) >> 8) & 0xFF;
  std::uint32_t b = (static_cast<std::uint32_t>(rgb) >> 16) & 0xFF;
  return (static_cast<std::uint32_t>(a) << 24) | (r << 16) | (g << 8) | b;
}
