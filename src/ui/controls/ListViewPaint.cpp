// Drawing of the list (UI thread only): the background, header and rows surfaces, the row
// drawing, the scroll bars' ranges and the composition of the control's surface. Row data is
// copied under the lock and drawn without it.
#include "ui/controls/ListView.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "resources/Resources.h"
#include "ui/core/Colour.h"
#include "ui/core/WindowHost.h"
#include "ui/gfx/Fonts.h"
#include "ui/gfx/GdiHandles.h"
#include "ui/gfx/IconBitmap.h"
#include "ui/gfx/Pixels.h"
#include "ui/gfx/RectArithmetic.h"
#include "ui/gfx/Text.h"

using Gdiplus::ARGB;
using Gdiplus::RectF;
using Lock = ListView::Locked;
namespace gdip = gfx::gdip;

namespace {

// The sort arrow's size and the room it takes at the right end of its header cell.
constexpr float kSortArrowWidth = 7;
constexpr float kSortArrowHeight = 4;
constexpr float kSortArrowRoom = 12;

constexpr ARGB Black(int alpha) { return static_cast<ARGB>(alpha) << 24; }
constexpr ARGB White(int alpha) { return (static_cast<ARGB>(alpha) << 24) | 0xFFFFFF; }
constexpr ARGB WithAlpha(ARGB colour, int alpha) { return (colour & 0xFFFFFF) | (static_cast<ARGB>(alpha) << 24); }

// A layer of the list in device pixels at the host's DPI, drawn on in logical pixels like the
// control's own surface: as many pixels as its place in the control's surface covers, so that it
// is composed one to one (see LayerPlace).
gfx::BitmapPtr NewSurface(const RectF& place, gfx::GraphicsPtr* graphics, int dpi) {
  gfx::BitmapPtr bitmap;
  const SIZE pixels = ui::SurfaceSize(place, dpi);
  if (gdip::GdipCreateBitmapFromScan0(pixels.cx, pixels.cy, 0, PixelFormat32bppARGB, nullptr, bitmap.Put()) !=
      Gdiplus::Ok) {
    return {};
  }
  if (graphics) {
    if (gdip::GdipGetImageGraphicsContext(bitmap.Get(), graphics->Put()) != Gdiplus::Ok) return {};
    gdip::GdipSetSmoothingMode(graphics->Get(), Gdiplus::SmoothingModeAntiAlias);
    gdip::GdipSetTextRenderingHint(graphics->Get(), Gdiplus::TextRenderingHintAntiAliasGridFit);
    gdip::GdipSetInterpolationMode(graphics->Get(), Gdiplus::InterpolationModeNearestNeighbor);
    ui::ScaleGraphics(graphics->Get(), dpi);
  }
  return bitmap;
}

// Where a layer made for place is drawn on the control's surface: from the device pixel nearest
// to place, one to one.
RectF LayerPlace(Gdiplus::GpImage* layer, const RectF& place, int dpi) {
  UINT width = 0, height = 0;
  gdip::GdipGetImageWidth(layer, &width);
  gdip::GdipGetImageHeight(layer, &height);
  return ui::SnappedSurfaceRect(place, SIZE{static_cast<LONG>(width), static_cast<LONG>(height)}, dpi);
}

// A rectangle of the rows canvas (placed at view) on the control's surface: the device pixels
// it covers in the canvas, where the canvas lies.
RectF CanvasToSurface(const RectF& inCanvas, const RectF& view, int dpi) {
  const RECT origin = ui::RectToDevice(view, dpi);
  RECT pixels = ui::RectToDevice(inCanvas, dpi);
  OffsetRect(&pixels, origin.left, origin.top);
  return ui::DeviceToLogical(pixels, dpi);
}

gfx::BrushPtr SolidBrush(ARGB colour) {
  gfx::BrushPtr brush;
  gdip::GdipCreateSolidFill(colour, reinterpret_cast<Gdiplus::GpSolidFill**>(brush.Put()));
  return brush;
}

gfx::PenPtr SolidPen(ARGB colour) {
  gfx::PenPtr pen;
  gdip::GdipCreatePen1(colour, 1, Gdiplus::UnitPixel, pen.Put());
  return pen;
}

void Fill(Gdiplus::GpGraphics* g, Gdiplus::GpBrush* brush, const RectF& r) {
  if (brush) gdip::GdipFillRectangle(g, brush, r.X, r.Y, r.Width, r.Height);
}

// Replaces the pixels of the rectangle with full transparency (the brush: fully transparent),
// not smoothed: a pixel is cleared wholly or not at all.
void Clear(Gdiplus::GpGraphics* g, const RectF& r, Gdiplus::GpBrush* transparent) {
  gdip::GdipSetCompositingMode(g, Gdiplus::CompositingModeSourceCopy);
  gdip::GdipSetSmoothingMode(g, Gdiplus::SmoothingModeNone);
  Fill(g, transparent, r);
  gdip::GdipSetSmoothingMode(g, Gdiplus::SmoothingModeAntiAlias);
  gdip::GdipSetCompositingMode(g, Gdiplus::CompositingModeSourceOver);
}

void Clear(Gdiplus::GpGraphics* g, const RectF& r) { Clear(g, r, SolidBrush(0).Get()); }

// A one-pixel line through pixel centres, so it covers exactly one row or column of pixels.
void Line(Gdiplus::GpGraphics* g, Gdiplus::GpPen* pen, float x1, float y1, float x2, float y2) {
  if (!pen) return;
  gdip::GdipSetSmoothingMode(g, Gdiplus::SmoothingModeNone);
  gdip::GdipDrawLine(g, pen, x1, y1, x2, y2);
  gdip::GdipSetSmoothingMode(g, Gdiplus::SmoothingModeAntiAlias);
}

void Line(Gdiplus::GpGraphics* g, ARGB colour, float x1, float y1, float x2, float y2) {
  Line(g, SolidPen(colour).Get(), x1, y1, x2, y2);
}

void Frame(Gdiplus::GpGraphics* g, ARGB colour, const RectF& r, bool dashed = false) {
  gfx::PenPtr pen = SolidPen(colour);
  if (!pen) return;
  if (dashed) gdip::GdipSetPenDashStyle(pen.Get(), Gdiplus::DashStyleDash);
  gdip::GdipSetSmoothingMode(g, Gdiplus::SmoothingModeNone);
  gdip::GdipDrawRectangle(g, pen.Get(), r.X, r.Y, r.Width - 1, r.Height - 1);
  gdip::GdipSetSmoothingMode(g, Gdiplus::SmoothingModeAntiAlias);
}

// The image list's icon as a 32-bit bitmap (see gfx::BitmapFromIcon).
gfx::BitmapPtr IconBitmap(HIMAGELIST list, int index) {
  if (!list || index < 0 || index >= ImageList_GetImageCount(list)) return {};
  gfx::HiconPtr icon(ImageList_GetIcon(list, index, ILD_TRANSPARENT));
  return gfx::BitmapFromIcon(icon.Get());
}

int IconHeight(HIMAGELIST list) {
  int w = 0, h = 0;
  if (!list || !ImageList_GetIconSize(list, &w, &h)) return 0;
  return h;
}

int IconWidth(HIMAGELIST list) {
  int w = 0, h = 0;
  if (!list || !ImageList_GetIconSize(list, &w, &h)) return 0;
  return w;
}

void DrawText(Gdiplus::GpGraphics* g, const std::string& text, gfx::GpFont* font, Gdiplus::GpStringFormat* format,
              int alignment, Gdiplus::GpBrush* brush, const RectF& layout) {
  if (text.empty() || layout.Width <= 0 || !font) return;
  const std::wstring wide = gfx::widen_text(list_layout::CutText(text, list_layout::kMaxDrawnChars));
  if (wide.empty()) return;
  gdip::GdipSetStringFormatAlign(format, static_cast<Gdiplus::StringAlignment>(alignment));
  gdip::GdipDrawString(g, wide.c_str(), static_cast<INT>(wide.size()), font, &layout, format, brush);
}

}  // namespace

class ListView::RowPaint {
 public:
  explicit RowPaint(const ListView& list) {
    const Lock lock(list.mutex_);
    columns = list.columns_;
    markColour = list.markColour_;
    RowLook look;
    look.Add(markColour);
    for (const Column& c : columns) look.Add(static_cast<std::uint64_t>(c.width)).Add(c.alignment);
    layout = look.Value();
  }
  // A solid brush or one-pixel pen of the colour, made the first time this paint asks for it.
  Gdiplus::GpBrush* Brush(ARGB colour) { return Cached(brushes_, colour, SolidBrush).Get(); }
  Gdiplus::GpPen* Pen(ARGB colour) { return Cached(pens_, colour, SolidPen).Get(); }

  std::vector<Column> columns;
  ARGB markColour = 0;
  std::uint64_t layout = 0;  // the columns' widths and alignments and the mark colour

 private:
  // Rows of one paint use a handful of colours: a short list searched in order is enough.
  template <typename Ptr>
  static const Ptr& Cached(std::vector<std::pair<ARGB, Ptr>>& made, ARGB colour, Ptr (*make)(ARGB)) {
    for (const auto& [madeColour, object] : made) {
      if (madeColour == colour) return object;
    }
    made.emplace_back(colour, make(colour));
    return made.back().second;
  }

  std::vector<std::pair<ARGB, gfx::BrushPtr>> brushes_;
  std::vector<std::pair<ARGB, gfx::PenPtr>> pens_;
};

gfx::GpFont* ListView::Font() const { return ownFont_ ? ownFont_.Get() : gfx::default_font(); }

void ListView::LayoutAreas() {
  if (!OnUiThread()) return RunOnUiThread([&] { LayoutAreas(); });
  const RectF bounds = BoundsRef();
  inner_ = RectF(2, 2, bounds.Width - 4, bounds.Height - 4);
  float fontHeight = 12;
  if (Graphics() && Font()) gdip::GdipGetFontHeight(Font(), Graphics(), &fontHeight);
  int rowHeight = static_cast<int>(fontHeight) + 3;
  headerHeight_ = headerHidden_ ? 0 : std::max(rowHeight, IconHeight(headerImages_)) + 6;
  headerStrip_ = RectF(inner_.X, inner_.Y, inner_.Width, static_cast<float>(headerHeight_));
  const int iconHeight = IconHeight(rowImages_);
  {
    const Lock lock(mutex_);
    view_ = RectF(inner_.X, inner_.Y + static_cast<float>(headerHeight_), inner_.Width,
                  inner_.Height - static_cast<float>(headerHeight_));
    rowsClip_ = view_;
    if (horizontalShown_) rowsClip_.Height -= list_layout::kBarThickness;
    if (verticalShown_) rowsClip_.Width -= list_layout::kBarThickness;
    if (viewStyle_ == kListIcons) {
      rowHeight = rowHeight + iconHeight + 8;
      itemWidth_ = rowHeight + 20;
      itemsPerLine_ = std::max(1, static_cast<int>(view_.Width) / std::max(itemWidth_, 1));
    } else {
      rowHeight = (!rowImages_ || iconHeight < rowHeight) ? rowHeight + 3 : iconHeight + 6;
      itemsPerLine_ = 1;
    }
    rowHeight_ = rowHeight;
    contentWidth_ =
        list_layout::ContentWidth(ColumnWidths(lock), static_cast<int>(view_.Width), viewStyle_ == kListReport);
    contentHeight_ = list_layout::ContentHeight(static_cast<int>(rows_.size()), rowHeight_, ItemsPerLine(lock));
  }
  LayoutChanged(inner_, view_, headerStrip_);
}

void ListView::DrawBackground() {
  if (!OnUiThread()) return RunOnUiThread([&] { DrawBackground(); });
  if (DeferLayers()) return;
  const RectF bounds = BoundsRef();
  gfx::GraphicsPtr g;
  backgroundSurface_ = NewSurface(bounds, &g, HostDpi());  // as many pixels as the control's surface
  if (!g) return;
  const RectF all(0, 0, bounds.Width, bounds.Height);
  if (backgroundColour_ != 0 && !gfx::FillBitmap(backgroundSurface_.Get(), backgroundColour_, g.Get())) {
    gdip::GdipGraphicsClear(g.Get(), backgroundColour_);
  }
  if (backgroundImage_) gfx::draw_image(g.Get(), backgroundImage_.Get(), all);
  switch (border_) {
    case 0:
      break;
    case 1:  // sunken: dark above and left, light below and right
    case 2: {
      const ARGB dark = Black(100), light = White(200);
      const ARGB topLeft = border_ == 1 ? dark : light, bottomRight = border_ == 1 ? light : dark;
      Line(g.Get(), topLeft, 0.5f, 0.5f, all.Width - 0.5f, 0.5f);
      Line(g.Get(), topLeft, 0.5f, 0.5f, 0.5f, all.Height - 0.5f);
      Line(g.Get(), bottomRight, 0.5f, all.Height - 0.5f, all.Width - 0.5f, all.Height - 0.5f);
      Line(g.Get(), bottomRight, all.Width - 0.5f, 0.5f, all.Width - 0.5f, all.Height - 0.5f);
      break;
    }
    case 3:
      Frame(g.Get(), 0xFF646464, all);
      break;
    case 4:
      Frame(g.Get(), Black(120), all, true);
      break;
    default:
      Frame(g.Get(), border_, all);
      break;
  }
  if (border_ >= 1 && border_ <= 4) Frame(g.Get(), White(51), RectF(1, 1, all.Width - 2, all.Height - 2));
}

void ListView::DrawHeader() {
  if (!OnUiThread()) return RunOnUiThread([&] { DrawHeader(); });
  if (DeferLayers()) return;
  if (headerHeight_ <= 0) {
    headerSurface_.Reset();
    return;
  }
  gfx::GraphicsPtr g;
  headerSurface_ = NewSurface(headerStrip_, &g, HostDpi());
  if (!g) return;
  const float w = headerStrip_.Width, h = static_cast<float>(headerHeight_);
  gfx::BrushPtr gradient;
  const Gdiplus::PointF top(0, 0), bottom(0, h);
  if (gdip::GdipCreateLineBrush(&top, &bottom, White(204), White(153), Gdiplus::WrapModeTileFlipXY,
                                reinterpret_cast<Gdiplus::GpLineGradient**>(gradient.Put())) == Gdiplus::Ok) {
    gdip::GdipFillRectangle(g.Get(), gradient.Get(), 0, 0, w, h);
  }
  std::vector<Column> columns;
  int offsetX = 0, sortColumn = 0, sortDirection = kSortNone;
  {
    const Lock lock(mutex_);
    columns = columns_;
    offsetX = offsetX_;
    sortColumn = sortColumn_;
    sortDirection = sortDirection_;
  }
  gfx::BrushPtr ink;
  gdip::GdipCreateSolidFill(Black(210), reinterpret_cast<Gdiplus::GpSolidFill**>(ink.Put()));
  float x = static_cast<float>(offsetX);
  int number = 0;
  // Each separator is the column's last device column, as the rows' grid lines are, so that
  // one straight line runs down each column edge at every scale.
  const LONG deviceHeight = ui::SurfaceSize(headerStrip_, HostDpi()).cy;
  std::vector<RECT> separators;
  for (const Column& c : columns) {
    const float width = static_cast<float>(c.width);
    const bool sorted = ++number == sortColumn;
    if (width > 0 && x + width > 0 && x < w) {
      float textLeft = x + static_cast<float>(cellInset_);
      if (headerImages_ && c.image >= 0) {
        if (gfx::BitmapPtr icon = IconBitmap(headerImages_, c.image)) {
          const float iw = static_cast<float>(IconWidth(headerImages_)), ih = static_cast<float>(IconHeight(headerImages_));
          gfx::draw_image(g.Get(), icon.Get(), RectF(textLeft, (h - ih) / 2, iw, ih));
          textLeft += iw + 2;
        }
      }
      const float arrowRoom = sorted ? kSortArrowRoom : 0;
      DrawText(g.Get(), c.title, Font(), format_.Get(), c.alignment, ink.Get(),
               RectF(textLeft, 0, x + width - textLeft - 2 - arrowRoom, h));
      if (sorted) DrawSortArrow(g.Get(), x + width, h, sortDirection);
      const LONG edge = ui::RectToDevice(RectF(x + width, 0, 0, 0), HostDpi()).left;
      separators.push_back(RECT{edge - 1, 0, edge, deviceHeight});
    }
    x += width;
  }
  if (!separators.empty()) {
    gfx::BitmapPixels pixels(headerSurface_.Get(), g.Get());
    gfx::BlendPixels(pixels.Area(), Black(51), separators);
  }
  Line(g.Get(), Black(51), 0, h - 0.5f, w, h - 0.5f);
}

void ListView::DrawSortArrow(Gdiplus::GpGraphics* g, float right, float height, int direction) {
  // A small filled triangle, centred in the room at the cell's right end: point up for
  // ascending, down for descending.
  const float half = kSortArrowWidth / 2, middle = right - kSortArrowRoom / 2 - 1, centre = height / 2;
  const float rise = direction == kSortAscending ? -kSortArrowHeight / 2 : kSortArrowHeight / 2;
  const Gdiplus::PointF points[3] = {{middle - half, centre - rise}, {middle + half, centre - rise},
                                     {middle, centre + rise}};
  gfx::BrushPtr brush = SolidBrush(Black(150));
  if (brush) gdip::GdipFillPolygon(g, brush.Get(), points, 3, Gdiplus::FillModeAlternate);
}

list_layout::RowRange ListView::VisibleRange(const Locked& lock, int offsetY) const {
  const int count = static_cast<int>(rows_.size());
  const int perLine = ItemsPerLine(lock);
  const int lines = (count + perLine - 1) / perLine;
  const list_layout::RowRange range =
      list_layout::VisibleRows(lines, LineHeight(lock), offsetY, static_cast<int>(rowsClip_.Height));
  if (range.first == 0) return {};
  return {(range.first - 1) * perLine + 1, std::min(range.last * perLine, count)};
}

RectF ListView::RowRect(const Locked& lock, int row, int offsetX, int offsetY) const {
  const float h = static_cast<float>(rowHeight_);
  if (viewStyle_ == kListIcons) {
    const int perLine = std::max(itemsPerLine_, 1);
    const int line = (row - 1) / perLine, column = (row - 1) % perLine;
    return RectF(static_cast<float>(column * itemWidth_), static_cast<float>(line * rowHeight_ + offsetY),
                 static_cast<float>(itemWidth_), h);
  }
  const float top = static_cast<float>(list_layout::RowTop(row, rowHeight_, offsetY));
  if (viewStyle_ == kListSingleColumn) return RectF(0, top, view_.Width, h);
  return RectF(static_cast<float>(offsetX), top, static_cast<float>(std::max(contentWidth_, static_cast<int>(view_.Width))), h);
}

bool ListView::Snapshot(const Locked& lock, int row, RowSnapshot* out) {
  if (!ValidRow(lock, row)) return false;
  const Row& r = rows_[static_cast<size_t>(row - 1)];
  out->row = row;
  out->serial = r.serial;
  out->texts = r.texts;
  out->images = r.images;
  out->state = r.state;
  out->colour = r.colour;
  out->ticked = r.ticked;
  out->mark = r.mark;
  out->current = row == currentRow_;
  return true;
}

void ListView::UpdateVisibleRows(bool recreateCanvas, bool redraw) {
  if (!OnUiThread()) return RunOnUiThread([&] { UpdateVisibleRows(recreateCanvas, redraw); });
  if (DeferLayers()) return;
  if (recreateCanvas || !canvas_) {
    canvasGraphics_.Reset();
    spareGraphics_.Reset();
    spare_.Reset();
    canvasRows_.Reset();
    canvas_ = NewSurface(view_, &canvasGraphics_, HostDpi());
    redraw = true;
  }
  list_layout::RowRange range;
  int offsetY = 0;
  {
    const Lock lock(mutex_);
    offsetY = offsetY_;
    range = VisibleRange(lock, offsetY);
    firstVisible_ = range.first;
    lastVisible_ = range.last;
    if (redraw && canvasGraphics_) canvasShift_ = 0;  // drawn afresh for the offset as it is now
  }
  if (!redraw || !canvasGraphics_) return;
  canvasRows_.Reset();
  if (!gfx::FillBitmap(canvas_.Get(), 0, canvasGraphics_.Get())) {
    Clear(canvasGraphics_.Get(), RectF(0, 0, view_.Width, view_.Height));
  }
  canvasOffsetY_ = offsetY;
  if (range.first > 0) {
    DrawRowsIn(range.first, INT_MAX);  // whatever is in view by then
  } else {
    DrawEmptyText();
  }
  DrawEndText();
}

bool ListView::DrawRowsIn(int fromRow, int toRow, RectF* band) {
  int from = 0, to = 0;
  unsigned insertedAbove = 0;
  {
    const Lock lock(mutex_);
    insertedAbove = rowsInsertedAbove_;
    const list_layout::RowRange range = VisibleRange(lock, offsetY_);
    if (range.first == 0) return false;
    from = std::max(fromRow, range.first);
    to = std::min(toRow, range.last);
  }
  if (from > to) return false;
  RowSnapshot snapshot;
  RowPaint paint(*this);
  for (int at = from; at <= to; ++at) {
    int offsetX = 0, offsetY = 0;
    {
      const Lock lock(mutex_);
      // Rows a worker put above the view meanwhile moved these rows down by as many.
      const int row = at + static_cast<int>(rowsInsertedAbove_ - insertedAbove);
      if (!Snapshot(lock, row, &snapshot)) break;  // rows removed meanwhile
      offsetX = offsetX_;
      offsetY = offsetY_;
      if (band) {
        const RectF r = RowRect(lock, row, offsetX, offsetY);
        if (band->IsEmptyArea()) {
          *band = r;
        } else {
          *band = gfx::UnionRects(*band, r);
        }
      }
    }
    DrawRowSnapshot(snapshot, offsetX, offsetY, paint);
  }
  return true;
}

void ListView::DrawRow(int row, bool present) {
  if (!OnUiThread()) return RunOnUiThread([&] { DrawRow(row, present); });
  RowSnapshot snapshot;
  int offsetX = 0, offsetY = 0;
  {
    const Lock lock(mutex_);
    if (!VisibleRange(lock, offsetY_).Contains(row) || !Snapshot(lock, row, &snapshot)) return;
    offsetX = offsetX_;
    offsetY = offsetY_;
  }
  RowPaint paint(*this);
  DrawRowSnapshot(snapshot, offsetX, offsetY, paint);
  if (present) Present();
}

std::pair<ARGB, ARGB> ListView::ColoursOf(const RowSnapshot& s) const {
  // Hot and selected rows take the host's background colour unless the list was given one.
  const int hostColour = Host() ? Host()->Painting().BackgroundColour() : -1;
  ARGB textColour = s.colour, fill = 0;
  if (s.state == kRowHot) {
    fill = hotBackground_ ? hotBackground_ : ToArgb(hostColour, 51);
    if (hotTextColour_) textColour = hotTextColour_;
  } else if (s.state == kRowSelected) {
    fill = selectedBackground_ ? selectedBackground_ : ToArgb(hostColour, 102);
    if (selectedTextColour_) textColour = selectedTextColour_;
  }
  return {textColour, fill};
}

std::uint64_t ListView::LookOf(const RowSnapshot& s, int offsetX, const RowPaint& paint) const {
  const auto [textColour, fill] = ColoursOf(s);
  const bool frame = s.current && Host() && Host()->Input().KeyboardCue() == this;
  RowLook look;
  look.Add(s.serial).Add(textColour).Add(fill).Add(s.ticked).Add(frame).Add(s.mark);
  look.Add(static_cast<std::uint64_t>(offsetX)).Add(paint.layout).Add(reinterpret_cast<std::uintptr_t>(rowImages_));
  for (const std::string& text : s.texts) look.Add(text);
  for (const int image : s.images) look.Add(static_cast<std::uint64_t>(image));
  return look.Value();
}

bool ListView::RedrawMovedRows() {
  if (DeferLayers()) return true;  // drawn whole once shown
  Gdiplus::GpGraphics* g = canvasGraphics_.Get();
  if (!g || viewStyle_ == kListIcons) return false;
  std::vector<RowSnapshot> rows;
  std::vector<RectF> places;
  int offsetX = 0, offsetY = 0;
  float end = 0;  // below the last row, in the canvas
  {
    const Lock lock(mutex_);
    offsetX = offsetX_;
    offsetY = offsetY_;
    const list_layout::RowRange range = VisibleRange(lock, offsetY);
    if (rows_.empty() || range.first == 0) return false;  // the empty line is drawn on a clear canvas
    firstVisible_ = range.first;
    lastVisible_ = range.last;
    canvasShift_ = 0;  // the rows are placed for the offset as it is now
    rows.resize(static_cast<size_t>(range.last - range.first + 1));
    for (int row = range.first; row <= range.last; ++row) {
      Snapshot(lock, row, &rows[static_cast<size_t>(row - range.first)]);
      places.push_back(RowRect(lock, row, offsetX, offsetY));
    }
    const RectF last = RowRect(lock, static_cast<int>(rows_.size()), offsetX, offsetY);
    end = last.Y + last.Height;
  }
  canvasOffsetY_ = offsetY;
  RowPaint paint(*this);
  for (size_t at = 0; at < rows.size(); ++at) {
    const RectF& r = places[at];
    const int top = static_cast<int>(std::lround(r.Y)), height = static_cast<int>(std::lround(r.Height));
    // A row drawn covers its whole band across the view, whatever showed there before.
    if (!canvasRows_.Shows(top, height, LookOf(rows[at], offsetX, paint))) {
      DrawRowSnapshot(rows[at], offsetX, offsetY, paint);
    }
  }
  if (end < view_.Height) {
    // Below the last row: rows that left, or the end line's old place.
    const RectF below(0, end, view_.Width, view_.Height - end);
    gfx::BitmapPixels pixels(canvas_.Get(), g);
    const RECT band = ui::RectToDevice(below, HostDpi());
    if (const gfx::PixelArea area = pixels.Area()) {
      gfx::FillPixels(area, 0, {&band, 1});
    } else {
      Clear(g, below);
    }
    canvasRows_.Cleared(static_cast<int>(std::floor(end)), INT_MAX);
  }
  DrawEndText();
  return true;
}

void ListView::DrawRowSnapshot(const RowSnapshot& s, int offsetX, int offsetY, RowPaint& paint) {
  Gdiplus::GpGraphics* g = canvasGraphics_.Get();
  if (!g) return;
  const std::vector<Column>& columns = paint.columns;
  RectF rect;
  {
    const Lock lock(mutex_);
    rect = RowRect(lock, s.row, offsetX, offsetY);
  }
  ++rowsDrawn_;
  // A row owns the device pixels its rectangle covers and draws on nothing else, so drawing it
  // again alone gives the pixels drawing every row gives.
  struct ClipReset {
    Gdiplus::GpGraphics* g;
    ~ClipReset() { gdip::GdipResetClip(g); }
  } clipReset{g};
  const auto [textColour, fill] = ColoursOf(s);
  canvasRows_.Drawn(static_cast<int>(std::lround(rect.Y)), static_cast<int>(std::lround(rect.Height)),
                    LookOf(s, offsetX, paint));
  // The row's background and grid lines are set in memory, on exactly its device pixels; its
  // texts and images are drawn clipped to them.
  const RECT cell = ui::RectToDevice(rect, HostDpi());
  {
    gfx::BitmapPixels pixels(canvas_.Get(), g);
    if (const gfx::PixelArea area = pixels.Area()) {
      gfx::FillPixels(area, fill, {&cell, 1});
    } else {
      Clear(g, rect, paint.Brush(0));
      if (fill) Fill(g, paint.Brush(fill), rect);
    }
  }
  ui::ClipToDevice(g, cell, HostDpi());
  std::vector<RECT> gridLines;
  Gdiplus::GpBrush* brush = paint.Brush(textColour);
  const float inset = static_cast<float>(cellInset_);

  if (viewStyle_ == kListIcons) {
    const int iw = IconWidth(rowImages_), ih = IconHeight(rowImages_);
    if (!s.images.empty() && s.images[0] >= 0) {
      if (gfx::BitmapPtr icon = IconBitmap(rowImages_, s.images[0])) {
        gfx::draw_image(g, icon.Get(), RectF(rect.X + (rect.Width - static_cast<float>(iw)) / 2, rect.Y + inset,
                                             static_cast<float>(iw), static_cast<float>(ih)));
      }
    }
    if (!s.texts.empty()) {
      const float top = rect.Y + inset + static_cast<float>(ih) + 2;
      DrawText(g, s.texts[0], Font(), format_.Get(), kAlignCentre, brush,
               RectF(rect.X + 2, top, rect.Width - 4, rect.Y + rect.Height - top));
    }
    return;
  }

  float x = rect.X;
  const size_t shown = viewStyle_ == kListSingleColumn ? std::min<size_t>(1, columns.size()) : columns.size();
  for (size_t i = 0; i < shown && i < s.texts.size(); ++i) {
    const float width = viewStyle_ == kListSingleColumn ? rect.Width : static_cast<float>(columns[i].width);
    if (width > 0 && x + width > 0 && x < view_.Width) {
      float left = x + inset;
      if (i == 0 && checkBoxes_ && viewStyle_ == kListReport) {
        const float boxTop = rect.Y + (rect.Height - kCheckBoxSize) / 2;
        if (checkBoxStrip_) {
          const int look = (s.ticked ? 2 : 0) + (s.state == kRowHot ? 1 : 0);
          const RectF source(static_cast<float>(look * kCheckBoxSize), 0, kCheckBoxSize, kCheckBoxSize);
          gfx::draw_image(g, checkBoxStrip_.Get(), RectF(left, boxTop, kCheckBoxSize, kCheckBoxSize), &source);
        }
        left += kCheckBoxSize + 2;
      }
      if (rowImages_ && i < s.images.size() && s.images[i] >= 0) {
        if (gfx::BitmapPtr icon = IconBitmap(rowImages_, s.images[i])) {
          const float iw = static_cast<float>(IconWidth(rowImages_)), ih = static_cast<float>(IconHeight(rowImages_));
          gfx::draw_image(g, icon.Get(), RectF(left, rect.Y + (rect.Height - ih) / 2, iw, ih));
          left += iw + 2;
        }
      }
      const int alignment = viewStyle_ == kListSingleColumn ? kAlignNear : columns[i].alignment;
      // A marked row says so quietly: its first cell in the mark colour.
      Gdiplus::GpBrush* cellBrush = i == 0 && s.mark && paint.markColour ? paint.Brush(paint.markColour) : brush;
      DrawText(g, s.texts[i], Font(), format_.Get(), alignment, cellBrush,
               RectF(left, rect.Y, x + width - left - 2, rect.Height));
    }
    if ((gridLines_ & kGridVertical) && viewStyle_ == kListReport && width > 0) {
      // The column's last device column, within the row.
      const LONG edge = ui::RectToDevice(RectF(x + width, rect.Y, 0, 0), HostDpi()).left;
      gridLines.push_back(RECT{edge - 1, cell.top, edge, cell.bottom});
    }
    x += width;
  }
  if (gridLines_ & kGridHorizontal) gridLines.push_back(RECT{cell.left, cell.bottom - 1, cell.right, cell.bottom});
  if (!gridLines.empty()) {
    gfx::BitmapPixels pixels(canvas_.Get(), g);
    gfx::BlendPixels(pixels.Area(), Black(51), gridLines);
  }
  if (s.current && Host() && Host()->Input().KeyboardCue() == this) {
    Frame(g, Black(120), RectF(std::max(rect.X, 0.0f), rect.Y, std::min(rect.Width, view_.Width), rect.Height), true);
  }
}

// The scroll's copy of the canvas, in memory and by whole device pixels, and the clearing of the
// device rows it uncovers (given back as a canvas rectangle). False when the scroll is not a
// whole number of device pixels: resampled, kept rows would blur a little more each time.
bool ListView::ScrollCopyDirect(int delta, RectF* band) {
  const int dpi = HostDpi();
  if ((delta * dpi) % ui::kBaseDpi != 0) return false;
  const int shift = delta * dpi / ui::kBaseDpi;
  gfx::BitmapPixels from(canvas_.Get(), canvasGraphics_.Get()), to(spare_.Get(), spareGraphics_.Get());
  const gfx::PixelArea target = to.Area();
  if (!from.Area() || !target) return false;
  gfx::DrawPixels(target, from.Area(), 0, shift, gfx::PixelOp::Copy);
  const RECT uncovered = shift > 0 ? RECT{0, 0, target.width, shift}
                                   : RECT{0, target.height + shift, target.width, target.height};
  gfx::FillPixels(target, 0, {&uncovered, 1});
  *band = ui::DeviceToLogical(uncovered, dpi);
  return true;
}

void ListView::DrawEndText() {
  std::string line;
  Gdiplus::RectF place;
  {
    const Lock lock(mutex_);
    if (rows_.empty() || endText_.empty() || viewStyle_ != kListReport) return;
    line = endText_;
    const float top = static_cast<float>(list_layout::RowTop(static_cast<int>(rows_.size()) + 1, rowHeight_, offsetY_));
    place = Gdiplus::RectF(0, top, rowsClip_.Width, static_cast<float>(rowHeight_));
  }
  if (place.Y >= view_.Height || place.Y + place.Height <= 0) return;
  Clear(canvasGraphics_.Get(), place);
  canvasRows_.Cleared(static_cast<int>(std::floor(place.Y)), static_cast<int>(std::ceil(place.Y + place.Height)));
  DrawLineIn(line, place);
}

void ListView::ScrollCanvasTo(int offsetY) {
  TakeCanvasShift();
  const int delta = offsetY - canvasOffsetY_;
  const int height = static_cast<int>(view_.Height);
  if (!canvas_ || delta == 0) return;
  if (std::abs(delta) >= height) {
    UpdateVisibleRows(false, true);
    return;
  }
  if (!spare_) spare_ = NewSurface(view_, &spareGraphics_, HostDpi());
  // Rows that stay visible move with a copy by whole device pixels; only the rows on the
  // uncovered band are drawn. Anything else draws every row again.
  RectF band;
  if (!spareGraphics_ || !ScrollCopyDirect(delta, &band)) {
    UpdateVisibleRows(false, true);
    return;
  }
  std::swap(canvas_, spare_);
  std::swap(canvasGraphics_, spareGraphics_);
  canvasOffsetY_ = offsetY;
  canvasRows_.Scrolled(delta, height);
  canvasRows_.Cleared(static_cast<int>(std::floor(band.Y)), static_cast<int>(std::ceil(band.Y + band.Height)));

  int first = 0, last = 0;
  {
    const Lock lock(mutex_);
    const list_layout::RowRange range = VisibleRange(lock, offsetY);
    firstVisible_ = range.first;
    lastVisible_ = range.last;
    const RECT uncovered = ui::RectToDevice(band, HostDpi());
    for (int row = range.first; row > 0 && row <= range.last; ++row) {
      const RECT r = ui::RectToDevice(RowRect(lock, row, offsetX_, offsetY), HostDpi());
      if (r.top < uncovered.bottom && r.bottom > uncovered.top) {
        if (first == 0) first = row;
        last = row;
      }
    }
  }
  if (first > 0) DrawRowsIn(first, last);
  DrawEndText();  // its place may have come into view
}

void ListView::Present() {
  if (!OnUiThread()) return RunOnUiThread([&] { Present(); });
  PresentArea(nullptr);
}

bool ListView::DeferLayers() {
  if (IsVisible()) return false;
  layersStale_ = true;
  return true;
}

void ListView::DrawDeferredLayers() {
  if (!layersStale_ || !IsVisible()) return;
  layersStale_ = false;
  DrawBackground();
  DrawHeader();
  UpdateVisibleRows(true, true);
  UpdateScrollBars();
  Present();
}

// The layers copied and laid over in memory: each is one to one with the surface from the device
// pixel nearest its place (as LayerPlace puts it), and GDI+ under Wine draws onto a bitmap a
// pixel at a time and, through a scale, need not take the same source pixels for a part as for
// the whole.
bool ListView::ComposeLayersDirect(const RectF& clip) {
  if (!Graphics()) return false;
  const int dpi = HostDpi();
  if (dpi == ui::kBaseDpi) {
    for (float v : {headerStrip_.X, headerStrip_.Y, view_.X, view_.Y}) {
      if (!gfx::OnPixelGrid(v)) return false;
    }
  }
  gfx::BitmapPixels target(Surface(), Graphics());
  const gfx::PixelArea out = target.Area();
  if (!out) return false;
  const RECT area = ui::RectToDevice(clip, dpi);
  if (backgroundSurface_) {
    gfx::BitmapPixels layer(backgroundSurface_.Get());
    if (!layer.Area()) return false;
    gfx::DrawPixels(out, layer.Area(), 0, 0, gfx::PixelOp::Copy, {&area, 1});
  }
  if (headerSurface_ && headerHeight_ > 0) {
    gfx::BitmapPixels layer(headerSurface_.Get());
    const RECT at = ui::RectToDevice(headerStrip_, dpi);
    gfx::DrawPixels(out, layer.Area(), at.left, at.top, gfx::PixelOp::Over, {&area, 1});
  }
  if (canvas_) {
    RECT rowsArea;
    const RECT rows = ui::RectToDevice(RowsOnSurface(), dpi);
    if (IntersectRect(&rowsArea, &rows, &area)) {
      gfx::BitmapPixels layer(canvas_.Get());
      const RECT at = ui::RectToDevice(view_, dpi);
      gfx::DrawPixels(out, layer.Area(), at.left, at.top, gfx::PixelOp::Over, {&rowsArea, 1});
    }
  }
  return true;
}

void ListView::RememberShown() {
  const Lock lock(mutex_);
  shownSerials_.clear();  // keeps its capacity: no allocation once the view's rows fitted
  shownOffsetY_ = offsetY_;
  const list_layout::RowRange range = VisibleRange(lock, offsetY_);
  shownFirst_ = range.first;
  for (int row = range.first; row >= 1 && row <= range.last; ++row) {
    shownSerials_.push_back(rows_[static_cast<size_t>(row - 1)].serial);
  }
}

void ListView::PresentArea(const RectF* area) {
  if (DeferLayers()) return;
  RememberShown();
  const SurfacePaint paint(this, area, false);
  const PaintContext& context = paint.Context();
  if (context.graphics && ComposeLayersDirect(context.clip)) return;
  if (Gdiplus::GpGraphics* g = context.graphics) {
    gdip::GdipSetInterpolationMode(g, Gdiplus::InterpolationModeNearestNeighbor);
    if (backgroundSurface_) {
      // The surface was just cleared: copying the background layer needs no blending.
      gdip::GdipSetCompositingMode(g, Gdiplus::CompositingModeSourceCopy);
      gfx::draw_image(g, backgroundSurface_.Get(),
                      LayerPlace(backgroundSurface_.Get(), RectF(0, 0, BoundsRef().Width, BoundsRef().Height), HostDpi()));
      gdip::GdipSetCompositingMode(g, Gdiplus::CompositingModeSourceOver);
    }
    if (headerSurface_ && headerHeight_ > 0) {
      gfx::draw_image(g, headerSurface_.Get(), LayerPlace(headerSurface_.Get(), headerStrip_, HostDpi()));
    }
    if (canvas_) {
      ui::ClipToDevice(g, ui::RectToDevice(RowsOnSurface(), HostDpi()), HostDpi(),
                       Gdiplus::CombineModeIntersect);
      gfx::draw_image(g, canvas_.Get(), LayerPlace(canvas_.Get(), view_, HostDpi()));
      gdip::GdipResetClip(g);
    }
  }
}

RectF ListView::RowsOnSurface() const {
  return CanvasToSurface(RectF(0, 0, rowsClip_.Width, rowsClip_.Height), view_, HostDpi());
}

bool ListView::UpdateScrollBars() {
  int horizontalMax = 0, verticalMax = 0, x = 0, y = 0;
  bool moved = false, showH = false, showV = false;
  {
    const Lock lock(mutex_);
    const int viewWidth = static_cast<int>(view_.Width), viewHeight = static_cast<int>(view_.Height);
    showH = contentWidth_ > viewWidth;
    const int clipHeight = viewHeight - (showH ? list_layout::kBarThickness : 0);
    showV = contentHeight_ > clipHeight;
    const int clipWidth = viewWidth - (showV ? list_layout::kBarThickness : 0);
    horizontalMax = showH ? list_layout::ScrollMaximum(contentWidth_, clipWidth) : 0;
    verticalMax = showV ? list_layout::ScrollMaximum(contentHeight_, clipHeight) : 0;
    const int newX = -std::clamp(-offsetX_, 0, horizontalMax), newY = -std::clamp(-offsetY_, 0, verticalMax);
    moved = newX != offsetX_ || newY != offsetY_;
    offsetX_ = newX;
    offsetY_ = newY;
    x = -offsetX_;
    y = -offsetY_;
    rowsClip_ = RectF(view_.X, view_.Y, static_cast<float>(clipWidth), static_cast<float>(clipHeight));
  }
  const bool placementChanged = showH != horizontalShown_ || showV != verticalShown_;
  horizontalShown_ = showH;
  verticalShown_ = showV;
  if (horizontalBar_.IsLive()) {
    horizontalBar_.Maximum(horizontalMax);
    horizontalBar_.PageStep(std::max(static_cast<int>(rowsClip_.Width), 1));
    horizontalBar_.Position(x);
    horizontalBar_.Visible(showH);
  }
  if (verticalBar_.IsLive()) {
    verticalBar_.Maximum(verticalMax);
    verticalBar_.PageStep(std::max(static_cast<int>(rowsClip_.Height), 1));
    verticalBar_.ArrowStep(std::max(RowHeight(), 1));
    verticalBar_.Position(y);
    verticalBar_.Visible(showV);
  }
  if (placementChanged) PlaceScrollBars();
  return moved || placementChanged;
}

void ListView::ApplyPending() {
  pendingPosted_ = false;
  Pending p;
  {
    const Lock lock(mutex_);
    p = pending_;
    pending_ = Pending{};
  }
  if (IsLive()) AnnounceChanges(p.rows);
  if (!IsLive() || !canvas_) return;
  DrawPending(p);
  // A worker's requests to bring rows into view come to one scroll, to the last row asked for.
  // The bar's range already holds that row; one asked for meanwhile waits for the next batch,
  // so the view never jumps ahead and back.
  if (p.follow) {
    int row = 0;
    {
      const Lock lock(mutex_);
      for (size_t at = rows_.size(); at > 0 && !row; --at) {
        if (rows_[at - 1].serial == p.follow) row = static_cast<int>(at);
      }
    }
    if (row) ScrollToRow(row);
  }
}

void ListView::DrawPending(Pending& p) {
  TakeCanvasShift();
  if (p.columns) DrawHeader();
  if (p.columns || p.rows) {
    if (UpdateScrollBars()) p.all = true;
  }
  int offsetY = 0;
  {
    const Lock lock(mutex_);
    offsetY = offsetY_;
    // Rows inserted or deleted in sight move every row after them, down to the view's end.
    if (p.last == INT_MAX && p.first <= lastVisible_) p.all = true;
  }
  // Rows that only moved are compared band by band, wherever the view now stands.
  if (offsetY != canvasOffsetY_ && !p.reshuffled) p.all = true;
  if (p.all || (p.reshuffled && !RedrawMovedRows())) {
    UpdateVisibleRows(false, true);
    Present();
    return;
  }
  if (p.reshuffled) {
    Present();
    return;
  }
  RectF band;  // in the canvas
  const bool rowsDrawn = p.first <= p.last && DrawRowsIn(p.first, p.last, &band);
  if (p.columns) {
    Present();  // the header and the content width changed
  } else if (rowsDrawn) {
    // Only the band of the redrawn rows is composed and shown (a hover change: two rows).
    RectF area = CanvasToSurface(band, view_, HostDpi());
    if (gfx::IntersectRects(area, area, RowsOnSurface())) PresentArea(&area);
  }
  // Rows that changed out of sight (an append below the view) cost no drawing: only the scroll
  // bar shows them, and it draws itself when its range changes.
}

void ListView::PlaceScrollBars() {
  if (!OnUiThread()) return RunOnUiThread([&] { PlaceScrollBars(); });
  const float left = Left(), top = Top();
  const float bar = list_layout::kBarThickness;
  if (verticalBar_.IsLive()) {
    verticalBar_.Move(left + inner_.X + inner_.Width - bar, top + view_.Y, bar,
                      std::max(view_.Height - (horizontalShown_ ? bar : 0), 1.0f));
  }
  if (horizontalBar_.IsLive()) {
    horizontalBar_.Move(left + inner_.X, top + inner_.Y + inner_.Height - bar,
                        std::max(inner_.Width - (verticalShown_ ? bar : 0), 1.0f), bar);
  }
}

void ListView::CreateScrollBars() {
  if (!OnUiThread()) return RunOnUiThread([&] { CreateScrollBars(); });
  ScrollBarOptions options;
  options.maximum = 0;
  options.visible = false;
  const float bar = list_layout::kBarThickness;
  options.orientation = kScrollHorizontal;
  horizontalBar_.Create(this, Left() + inner_.X, Top() + inner_.Y + inner_.Height - bar, inner_.Width, bar, options);
  options.orientation = kScrollVertical;
  verticalBar_.Create(this, Left() + inner_.X + inner_.Width - bar, Top() + view_.Y, bar, view_.Height, options);
  for (ScrollBar* b : {static_cast<ScrollBar*>(&horizontalBar_), static_cast<ScrollBar*>(&verticalBar_)}) {
    b->Focusable(false);
    b->SetOnChange(&ListView::OnBarChanged);
  }
  horizontalShown_ = verticalShown_ = false;
  const Lock lock(mutex_);
  firstVisible_ = lastVisible_ = 1;
}

Control* ListView::Create(ControlParent parent, float left, float top, float width, float height,
                          const ListViewOptions& options) {
  const HWND window = parent.window ? parent.window : (parent.control ? parent.control->GetHostWindow() : nullptr);
  if (!ui::OnThreadOf(window)) {
    return ui::CallOnUiThread(window, [&] { return Create(parent, left, top, width, height, options); });
  }
  if (IsLive()) return this;
  gfx::GpStringFormat* format = nullptr;
  if (gdip::GdipCreateStringFormat(0x1000 | 0x800, LANG_NEUTRAL, &format) == Gdiplus::Ok) {
    format_.Reset(format);
    gdip::GdipSetStringFormatAlign(format, Gdiplus::StringAlignmentNear);
    gdip::GdipSetStringFormatLineAlign(format, Gdiplus::StringAlignmentCenter);
    gdip::GdipSetStringFormatTrimming(format, Gdiplus::StringTrimmingEllipsisCharacter);
    gdip::GdipSetStringFormatHotkeyPrefix(format, Gdiplus::HotkeyPrefixNone);
  }
  viewStyle_ = options.viewStyle.value_or(kListReport);
  if (viewStyle_ < kListReport || viewStyle_ > kListSingleColumn) viewStyle_ = kListReport;
  cellInset_ = viewStyle_ == kListIcons ? 6 : 4;
  headerHidden_ = viewStyle_ != kListReport || options.headerHidden;
  gridLines_ = options.gridLines.value_or(viewStyle_ == kListReport ? kGridHorizontal | kGridVertical : 0);
  singleSelection_ = options.singleSelection.value_or(true);
  checkBoxes_ = options.checkBoxes && viewStyle_ == kListReport;
  textColour_ = options.textColour.value_or(0xD2000000);
  hotTextColour_ = options.hotTextColour;
  selectedTextColour_ = options.selectedTextColour;
  hotBackground_ = options.hotBackground;
  selectedBackground_ = options.selectedBackground;
  backgroundColour_ = options.backgroundColour.value_or(0xD2FFFFFF);
  border_ = options.border.value_or(0x50000000);
  if (options.fontFamily || options.fontSize || options.fontStyle) {
    std::string family = options.fontFamily.value_or(std::string());
    if (family.empty() || !gfx::FontFamilyExists(family)) {
      // The default font's family stands in for a missing face.
      family.clear();
    }
    ownFont_ = gfx::create_font(family, options.fontSize.value_or(gfx::kDefaultFontSize), options.fontStyle.value_or(0));
  }
  if (!options.backgroundImage.empty()) backgroundImage_ = gfx::load_image(options.backgroundImage);
  if (checkBoxes_) checkBoxStrip_ = gfx::load_image(resources::CheckBoxStrip(), /*addPngSignature=*/true);
  {
    const Lock lock(mutex_);
    offsetX_ = offsetY_ = 0;
    hotRow_ = hotColumn_ = currentRow_ = 0;
  }
  uiThread_ = GetWindowThreadProcessId(window, nullptr);
  ControlOptions base;
  base.type = 8;
  base.visible = options.visible.value_or(true);
  base.focusable = true;
  Control* created = Control::Create(parent, RectF(left, top, width, height), base);
  // A list made hidden (one of two in the same place) draws nothing until it is shown: its
  // surface, as many pixels as its place, is made then.
  if (created && !IsVisible()) ReleaseSurface();
  return created;
}
