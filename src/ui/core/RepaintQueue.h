// The compositor's queue of rectangles waiting to be recomposed (background cache, then the
// controls that intersect them, then presented), and the batches that hold it while a message
// runs. Flushing runs on the UI thread only.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <deque>
#include <vector>

class Compositor;

// The rectangles with every group that overlaps or touches joined into its bounding rectangle,
// first come first.
std::vector<Gdiplus::RectF> MergeTouching(const std::deque<Gdiplus::RectF>& rects);

class RepaintQueue {
 public:
  void Bind(HWND window, Compositor* host, Gdiplus::GpGraphics* graphics) {
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

  // Recomposes every queued rectangle through the compositor, front first, until none is left.
  void Flush();

 private:
  std::deque<Gdiplus::RectF> rects_;
  bool flushing_ = false;
  HWND window_ = nullptr;
  Compositor* host_ = nullptr;
  Gdiplus::GpGraphics* graphics_ = nullptr;
};

// Repaint requests made while one lives wait and are recomposed together when it goes,
// rectangles that overlap or touch as one. The host opens one around every message it handles,
// so a message composes and presents what it changed once (a click that moves the selection,
// its scroll bar and the hover). A message that arrives while another is open (any loop: modal,
// menu, move or size) first shows what the open one has queued; the host posts itself
// TKM_COMPOSE_QUEUED so that such a loop always has one to deliver. Safe when the host goes
// away inside the message. The owner composes by calling ComposeAndClose when the message is
// done; the destructor only unlinks, so a message that ends by an exception composes nothing
// while unwinding (its requests wait for the next message).
class RepaintBatch {
 public:
  explicit RepaintBatch(Compositor& compositor);
  ~RepaintBatch();
  RepaintBatch(const RepaintBatch&) = delete;
  RepaintBatch& operator=(const RepaintBatch&) = delete;
  void ComposeAndClose();

 private:
  friend class Compositor;
  Compositor* Close() noexcept;  // the compositor it was open on, or null
  Compositor* host_;
  RepaintBatch* outer_;
};
