// What each row band of a list's canvas shows: the look of the row last drawn there (a hash of
// everything its pixels come from), by the band's top in canvas units. After rows move or leave
// (a filter or an order), a band already showing the look its new row has keeps its pixels.
// Used on the UI thread only, where the canvas is drawn.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CanvasRows {
 public:
  // The canvas was cleared or made anew: no band is known.
  void Reset() { bands_.clear(); }
  // A row of that look was drawn on [top, top + height); bands it covers are gone.
  void Drawn(int top, int height, std::uint64_t look);
  // Pixels on [top, bottom) were cleared or drawn over by something that is not a row.
  void Cleared(int top, int bottom);
  // The canvas's pixels moved down by delta (up when negative) within a view of that height;
  // bands that left it are forgotten.
  void Scrolled(int delta, int viewHeight);
  // Whether [top, top + height) shows a row of that look.
  bool Shows(int top, int height, std::uint64_t look) const;
  size_t Count() const { return bands_.size(); }

 private:
  struct Band {
    int top;
    int height;
    std::uint64_t look;
  };
  std::vector<Band> bands_;
};

// Builds a row's look: every value its pixels depend on, in turn.
class RowLook {
 public:
  RowLook& Add(std::uint64_t value);
  RowLook& Add(const std::string& text);
  std::uint64_t Value() const { return hash_; }

 private:
  std::uint64_t hash_ = 14695981039346656037ull;  // FNV-1a
};
