// The blocks TKM_POST_TO_CONTROL carries. A VirtualAlloc per message reserves 64 KB of address
// space and costs a system call at each end, for 12 bytes; so the toolkit keeps one page of
// blocks and hands them out and back. Any sender may still post a block of its own from
// VirtualAlloc, and one is used here too when every pooled block is in flight.
#include <windows.h>

#include <mutex>
#include <new>

#include "ui/core/ToolkitMessages.h"

namespace {

constexpr size_t kPageBytes = 4096;
static_assert(kPooledMessageBlocks * sizeof(ControlMessageBlock) <= kPageBytes);

// A toolkit global, made on first use and kept for the process (blocks may be in flight at exit).
class BlockPool {
 public:
  BlockPool()
      : blocks_(static_cast<ControlMessageBlock*>(
            VirtualAlloc(nullptr, kPageBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))) {
    // Free blocks are chained through their first word: the index of the next free one.
    for (size_t i = 0; blocks_ && i < kPooledMessageBlocks; ++i) blocks_[i].message = static_cast<UINT>(i + 1);
  }

  ControlMessageBlock* Take() {
    std::lock_guard<std::mutex> hold(lock_);
    if (!blocks_ || firstFree_ >= kPooledMessageBlocks) return nullptr;
    ControlMessageBlock* block = &blocks_[firstFree_];
    firstFree_ = block->message;
    return block;
  }

  bool Owns(const void* block) const {
    const auto* address = static_cast<const ControlMessageBlock*>(block);
    return blocks_ && address >= blocks_ && address < blocks_ + kPooledMessageBlocks;
  }

  void Give(ControlMessageBlock* block) {
    std::lock_guard<std::mutex> hold(lock_);
    block->message = static_cast<UINT>(firstFree_);
    firstFree_ = static_cast<size_t>(block - blocks_);
  }

 private:
  ControlMessageBlock* const blocks_;
  std::mutex lock_;
  size_t firstFree_ = 0;
};

BlockPool& Pool() {
  static auto* pool = new BlockPool;
  return *pool;
}

}  // namespace

ControlMessageBlock* NewMessageBlock(UINT message, WPARAM wParam, LPARAM lParam) {
  ControlMessageBlock* block = Pool().Take();
  if (!block) {
    block = static_cast<ControlMessageBlock*>(
        VirtualAlloc(nullptr, sizeof(ControlMessageBlock), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  }
  if (block) *block = ControlMessageBlock{message, wParam, lParam};
  return block;
}

void ReleaseMessageBlock(void* block) {
  if (!block) return;
  if (Pool().Owns(block)) {
    Pool().Give(static_cast<ControlMessageBlock*>(block));
  } else {
    VirtualFree(block, 0, MEM_RELEASE);
  }
}

bool IsPooledMessageBlock(const void* block) { return Pool().Owns(block); }

Gdiplus::RectF* NewOwnedRect(const Gdiplus::RectF& rect) { return new (std::nothrow) Gdiplus::RectF(rect); }

void ReleaseOwnedRect(const Gdiplus::RectF* rect) { delete rect; }

namespace {

constexpr const wchar_t* kPropTakesOwnedPosts = L"Tessel_Wnd_OwnedPosts";

// Held while a post checks that the window's host takes it and while a host stops taking them,
// so that no post lands between a host's last look at its queue and its going.
std::mutex& OwnedPostsLock() {
  static auto* lock = new std::mutex;
  return *lock;
}

}  // namespace

bool PostOwnedToHost(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  std::lock_guard<std::mutex> hold(OwnedPostsLock());
  if (!window || !GetPropW(window, kPropTakesOwnedPosts)) return false;
  return PostMessageW(window, message, wParam, lParam) != FALSE;
}

void TakeOwnedPosts(HWND window, bool take) {
  std::lock_guard<std::mutex> hold(OwnedPostsLock());
  if (take) {
    SetPropW(window, kPropTakesOwnedPosts, reinterpret_cast<HANDLE>(1));
  } else {
    RemovePropW(window, kPropTakesOwnedPosts);
  }
}
