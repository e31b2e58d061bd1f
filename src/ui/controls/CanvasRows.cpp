#include "ui/controls/CanvasRows.h"

#include <algorithm>

namespace {

// More bands than any view holds rows: something kept adding without clearing.
constexpr size_t kMostBands = 1024;

bool Overlap(int top, int bottom, int otherTop, int otherBottom) { return top < otherBottom && otherTop < bottom; }

}  // namespace

void CanvasRows::Drawn(int top, int height, std::uint64_t look) {
  Cleared(top, top + height);
  if (height <= 0) return;
  if (bands_.size() >= kMostBands) bands_.clear();
  bands_.push_back(Band{top, height, look});
}

void CanvasRows::Cleared(int top, int bottom) {
  bands_.erase(std::remove_if(bands_.begin(), bands_.end(),
                              [&](const Band& b) { return Overlap(top, bottom, b.top, b.top + b.height); }),
               bands_.end());
}

void CanvasRows::Scrolled(int delta, int viewHeight) {
  for (Band& b : bands_) b.top += delta;
  bands_.erase(std::remove_if(bands_.begin(), bands_.end(),
                              [&](const Band& b) { return b.top + b.height <= 0 || b.top >= viewHeight; }),
               bands_.end());
}

bool CanvasRows::Shows(int top, int height, std::uint64_t look) const {
  return std::any_of(bands_.begin(), bands_.end(),
                     [&](const Band& b) { return b.top == top && b.height == height && b.look == look; });
}

RowLook& RowLook::Add(std::uint64_t value) {
  for (int i = 0; i < 8; ++i) {
    hash_ ^= (value >> (8 * i)) & 0xFF;
    hash_ *= 1099511628211ull;
  }
  return *this;
}

RowLook& RowLook::Add(const std::string& text) {
  Add(text.size());
  for (const unsigned char c : text) {
    hash_ ^= c;
    hash_ *= 1099511628211ull;
  }
  return *this;
}
