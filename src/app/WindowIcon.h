// The program's window icon, taken from the embedded icon file (first directory entry).
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <span>

#include "ui/gfx/GdiHandles.h"

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
using IconHandle = gfx::HiconPtr;
