// The line an empty list shows in its rows area, and what it tells assistive technology.
#include "ui/controls/ListView.h"
#include "ui/gfx/Text.h"

using Lock = ListView::Locked;
namespace gdip = gfx::gdip;

void ListView::SetEmptyText(const std::string& text) {
  {
    const Lock lock(mutex_);
    if (emptyText_ == text) return;
    emptyText_ = list_layout::CutText(text, kListCellMaxBytes);
    // Drawn and announced with the next pending changes; with rows it only waits to be shown.
    pending_.all = true;
  }
  Notify();
}

std::string ListView::EmptyText() {
  const Lock lock(mutex_);
  return emptyText_;
}

std::string ListView::ShownEmptyText() {
  const Lock lock(mutex_);
  if (!rows_.empty()) return std::string();
  return !hidden_.empty() && !filteredOutText_.empty() ? filteredOutText_ : emptyText_;
}

void ListView::SetFilteredOutText(const std::string& text) {
  {
    const Lock lock(mutex_);
    if (filteredOutText_ == text) return;
    filteredOutText_ = list_layout::CutText(text, kListCellMaxBytes);
    pending_.all = true;
  }
  Notify();
}

void ListView::SetEndText(const std::string& text) {
  {
    const Lock lock(mutex_);
    if (endText_ == text) return;
    endText_ = list_layout::CutText(text, kListCellMaxBytes);
    RecomputeContentHeight(lock);  // the line takes a row's height below the rows
    pending_.all = true;
  }
  Notify();
}

std::string ListView::ShownEndText() {
  const Lock lock(mutex_);
  return rows_.empty() || viewStyle_ != kListReport ? std::string() : endText_;
}

void ListView::DrawEmptyText() {
  // The rows area less the scroll bars.
  DrawLineIn(ShownEmptyText(), Gdiplus::RectF(0, 0, rowsClip_.Width, rowsClip_.Height));
}

void ListView::DrawLineIn(const std::string& line, const Gdiplus::RectF& area) {
  Gdiplus::GpGraphics* g = canvasGraphics_.Get();
  if (line.empty() || !g || !format_) return;
  const std::wstring wide = gfx::widen_text(list_layout::CutText(line, list_layout::kMaxDrawnChars));
  gfx::BrushPtr brush;
  if (wide.empty() ||
      gdip::GdipCreateSolidFill(textColour_, reinterpret_cast<Gdiplus::GpSolidFill**>(brush.Put())) != Gdiplus::Ok) {
    return;
  }
  // The list's own format cuts the line with an ellipsis.
  gdip::GdipSetStringFormatAlign(format_.Get(), Gdiplus::StringAlignmentCenter);
  gdip::GdipDrawString(g, wide.c_str(), static_cast<INT>(wide.size()), Font(), &area, format_.Get(), brush.Get());
}
