// The line an empty list shows in its rows area, and what it tells assistive technology.
#include "ui/controls/ListView.h"
#include "ui/gfx/Text.h"

using Lock = std::lock_guard<std::mutex>;
namespace gdip = gfx::gdip;

void ListView::SetEmptyText(const std::string& text) {
  {
    Lock lock(mutex_);
    if (emptyText_ == text) return;
    emptyText_ = list_layout::CutText(text, kListCellMaxBytes);
    // Drawn and announced with the next pending changes; with rows it only waits to be shown.
    pending_.all = true;
  }
  Notify();
}

std::string ListView::EmptyText() {
  Lock lock(mutex_);
  return emptyText_;
}

std::string ListView::ShownEmptyText() {
  Lock lock(mutex_);
  return rows_.empty() ? emptyText_ : std::string();
}

void ListView::DrawEmptyText() {
  const std::string line = ShownEmptyText();
  Gdiplus::GpGraphics* g = canvasGraphics_.Get();
  if (line.empty() || !g || !format_) return;
  const std::wstring wide = gfx::widen_text(list_layout::CutText(line, list_layout::kMaxDrawnChars));
  gfx::BrushPtr brush;
  if (wide.empty() ||
      gdip::GdipCreateSolidFill(textColour_, reinterpret_cast<Gdiplus::GpSolidFill**>(brush.Put())) != Gdiplus::Ok) {
    return;
  }
  // The rows area less the scroll bars; the list's own format cuts the line with an ellipsis.
  const Gdiplus::RectF area(0, 0, rowsClip_.Width, rowsClip_.Height);
  gdip::GdipSetStringFormatAlign(format_.Get(), Gdiplus::StringAlignmentCenter);
  gdip::GdipDrawString(g, wide.c_str(), static_cast<INT>(wide.size()), Font(), &area, format_.Get(), brush.Get());
}
