// The host's queue of rectangles waiting to be recomposed (background cache, then the
// controls that intersect them, then presented). Flushing runs on the UI thread only.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <deque>
#include <vector>

class WindowHost;

// The rectangles with every group that overlaps or touches joined into its bounding rectangle,
// first come first.
std::vector<Gdiplus::RectF> MergeTouching(const std::deque<Gdiplus::RectF>& rects);

class RepaintQueue {
 public:
  void Bind(HWND window, WindowHost* host, Gdiplus::GpGraphics* graphics) {
    window_ = window;
    host_ = host;
    graphics_ = graphics;
  }
  void Release() {
    rects_.clear();
    Bind(nullptr, nullptr, nullptr);
  }
  void Clear() { rects_.clear(); }
  void Append(const Gdiplus::RectF& rect) { rects_.push_back(rect); }
  void InsertFirst(const Gdiplus::RectF& rect) { rects_.push_front(rect); }
  bool Empty() const { return rects_.empty(); }
  size_t Size() const { return rects_.size(); }
  bool Flushing() const { return flushing_; }
  Gdiplus::GpGraphics* Graphics() const { return graphics_; }

  // Recomposes every queued rectangle through the host, front first, until none is left.
  void Flush();

 private:
  std::deque<Gdiplus::RectF> rects_;
  bool flushing_ = false;
  HWND window_ = nullptr;
  WindowHost* host_ = nullptr;
  Gdiplus::GpGraphics* graphics_ = nullptr;
};
