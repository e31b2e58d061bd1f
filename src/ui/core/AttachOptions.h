// The options a window host is attached with; an empty optional takes its default.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <span>

#include "ui/gfx/Image.h"

// Nine-slice margins of a skin image (left, top, right, bottom).
using NineSlice = gfx::NineSliceMargins;

struct AttachOptions {
  std::optional<std::span<const std::uint8_t>> image;  // PNG/JPEG/GIF bytes [none]
  std::optional<int> backgroundColour;    // Windows RGB [-1 = average of the image]
  std::optional<int> frameFlags;          // [1|2|4 (+8 maximise box, +0x10 minimise box)]
  std::optional<int> alpha;               // [-1 = ordinary window; 0..255 = layered]
  std::optional<int> imageLayout;         // [0]
  std::optional<int> cornerStyle;         // [7]
  std::optional<bool> presentOnAttach;    // [1]
  std::optional<bool> sizable;            // [whether the window has WS_THICKFRAME]
  std::optional<bool> draggable;          // [1]
  std::optional<bool> gloss;              // [1]
  std::optional<bool> glassBlur;          // [0; forced 0 without alpha]
  std::optional<NineSlice> nineSlice;     // [empty = stretch]
  std::optional<HWND> sharedBackground;   // [none]
};
