// GDI for the toolkit: owners for the GDI objects and device contexts it makes, the GDI
// siblings of GdiPtr. A region, bitmap, font or icon is deleted when its owner goes; a
// window's DC is released to the window; a selected object is selected out again; a DIB
// section comes with its own memory DC. The global memory and streams that images are
// decoded from and the clipboard takes have owners here too. Nothing that uses them frees
// anything by hand.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <cstdint>
#include <type_traits>
#include <utility>

#include "ui/gfx/GdiPlus.h"

namespace gfx {

namespace detail {
inline void DeleteGdiObject(HGDIOBJ object) { DeleteObject(object); }
inline void DeleteMemoryDc(HDC dc) { DeleteDC(dc); }
inline void DestroyIconHandle(HICON icon) { DestroyIcon(icon); }
inline void FreeGlobal(HGLOBAL memory) { GlobalFree(memory); }
inline void ReleaseStream(IStream* stream) { stream->Release(); }
inline void CloseKernelHandle(HANDLE handle) { CloseHandle(handle); }
}  // namespace detail

// A thread, event or other kernel object handle, closed when the owner goes.
using KernelHandle = GdiPtr<void, detail::CloseKernelHandle>;

// GDI objects, deleted with DeleteObject: select them out of every DC first.
using HrgnPtr = GdiPtr<std::remove_pointer_t<HRGN>, detail::DeleteGdiObject>;
using HbitmapPtr = GdiPtr<std::remove_pointer_t<HBITMAP>, detail::DeleteGdiObject>;
using HfontPtr = GdiPtr<std::remove_pointer_t<HFONT>, detail::DeleteGdiObject>;
// A DC made with CreateCompatibleDC.
using MemoryDcPtr = GdiPtr<std::remove_pointer_t<HDC>, detail::DeleteMemoryDc>;
// An icon the caller made (CreateIconIndirect, CreateIconFromResource, ImageList_GetIcon).
using HiconPtr = GdiPtr<std::remove_pointer_t<HICON>, detail::DestroyIconHandle>;

// Global memory from GlobalAlloc, and a COM stream.
using GlobalMemoryPtr = GdiPtr<void, detail::FreeGlobal>;
using StreamPtr = GdiPtr<IStream, detail::ReleaseStream>;

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

// A movable global block holding a copy of prefix then data (unlocked); empty when memory ran out.
GlobalMemoryPtr CopyToGlobal(const void* data, std::size_t size, const void* prefix = nullptr, std::size_t prefixSize = 0);

// A window's DC (the screen's for a null window) from GetDC, released to it when it goes.
class WindowDc {
 public:
  WindowDc() = default;
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  WindowDc(WindowDc&& other) noexcept
      : window_(std::exchange(other.window_, nullptr)), dc_(std::exchange(other.dc_, nullptr)) {}
  WindowDc& operator=(WindowDc&& other) noexcept {
    if (this != &other) {
      Reset();
      window_ = std::exchange(other.window_, nullptr);
      dc_ = std::exchange(other.dc_, nullptr);
    }
    return *this;
  }
  ~WindowDc() { Reset(); }

  HDC Get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }
  void Reset() {
    if (dc_) ReleaseDC(window_, dc_);
    dc_ = nullptr;
    window_ = nullptr;
  }

 private:
  HWND window_ = nullptr;
  HDC dc_ = nullptr;
};

// Selects an object into a DC and selects the one it replaced back when it goes.
class ScopedSelect {
 public:
  ScopedSelect() = default;
  ScopedSelect(HDC dc, HGDIOBJ object) { Select(dc, object); }
  ScopedSelect(const ScopedSelect&) = delete;
  ScopedSelect& operator=(const ScopedSelect&) = delete;
  ~ScopedSelect() { Reset(); }

  // Puts back what an earlier selection replaced, then selects the object.
  void Select(HDC dc, HGDIOBJ object) {
    Reset();
    dc_ = dc;
    previous_ = dc && object ? SelectObject(dc, object) : nullptr;
  }
  void Reset() {
    if (dc_ && previous_) SelectObject(dc_, previous_);
    dc_ = nullptr;
    previous_ = nullptr;
  }

 private:
  HDC dc_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

// The header of a 32-bit DIB with top-down rows (pixel (x, y) at y * width + x), for
// CreateDIBSection and GetDIBits.
BITMAPINFO TopDownDibInfo(int width, int height);

// A 32-bit DIB section with top-down rows (pixel (x, y) at y * width + x), selected into a
// memory DC of its own; Release (or going away) selects it out and deletes both.
class DibSection {
 public:
  DibSection() = default;
  DibSection(const DibSection&) = delete;
  DibSection& operator=(const DibSection&) = delete;
  ~DibSection() { Release(); }

  // Replaces what is held; false (and nothing held) when the size is empty or GDI refused.
  bool Create(HDC compatible, int width, int height);
  void Release();

  HDC Dc() const { return dc_.Get(); }
  HBITMAP Bitmap() const { return bitmap_.Get(); }
  std::uint32_t* Bits() const { return bits_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  MemoryDcPtr dc_;
  HbitmapPtr bitmap_;
  ScopedSelect selection_;  // the bitmap in dc_
  std::uint32_t* bits_ = nullptr;
  int width_ = 0, height_ = 0;
};

}  // namespace gfx
