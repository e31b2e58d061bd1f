#include "ui/core/FrameParts.h"

#include <vector>

#include "ui/core/Colour.h"
#include "ui/gfx/Fonts.h"
#include "ui/gfx/IconBitmap.h"
#include "ui/gfx/Text.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

ControlOptions FramePartOptions() {
  ControlOptions options;
  options.type = 0;
  options.visible = true;
  options.focusable = false;
  return options;
}

}  // namespace

FrameIcon::~FrameIcon() {
  if (IsLive()) Destroy();
}

Control* FrameIcon::CreateIcon(HWND hostWindow, HICON icon) {
  icon_ = icon;
  return Create(hostWindow, RectF(11, 11, 16, 16), FramePartOptions());
}

void FrameIcon::Paint() {
  const SurfacePaint paint(this, nullptr, false);
  const PaintContext& context = paint.Context();
  if (context.graphics && icon_) {
    if (gfx::BitmapPtr bitmap = gfx::BitmapFromIcon(icon_)) {
      GdipDrawImageRectI(context.graphics, bitmap.Get(), 0, 0, 16, 16);
    }
  }
}

LRESULT FrameIcon::MessageProc(UINT message, WPARAM, LPARAM) {
  if (message == WM_PAINT) Paint();
  if (message == WM_DESTROY) icon_ = nullptr;
  return -1;
}

Control* CaptionLabel::CreateCaption(HWND hostWindow, RectF bounds, std::string text) {
  text_ = std::move(text);
  return Create(hostWindow, bounds, FramePartOptions());
}

void CaptionLabel::SetText(std::string text) {
  text_ = std::move(text);
  if (IsLive()) Repaint();
  NotifyAccessible(this, EVENT_OBJECT_NAMECHANGE);
}

AccessibleInfo FrameIcon::Describe() {
  AccessibleInfo info;
  info.role = ROLE_SYSTEM_GRAPHIC;
  return info;
}

AccessibleInfo CaptionLabel::Describe() {
  AccessibleInfo info;
  info.role = ROLE_SYSTEM_TITLEBAR;
  info.name = gfx::widen_text(text_);
  info.state = STATE_SYSTEM_READONLY;
  return info;
}

void CaptionLabel::Paint() {
  const SurfacePaint paint(this, nullptr, false);
  const PaintContext& context = paint.Context();
  GpFont* font = gfx::default_font();
  if (context.graphics && font && !text_.empty()) {
    std::wstring wide = gfx::widen_text(text_);
    gfx::BrushPtr brush;
    gfx::StringFormatPtr format;
    GdipCreateSolidFill(ToArgb(RGB(255, 255, 255), 250), reinterpret_cast<GpSolidFill**>(brush.Put()));
    GdipCreateStringFormat(StringFormatFlagsNoWrap, LANG_NEUTRAL, format.Put());
    GdipSetStringFormatTrimming(format.Get(), StringTrimmingEllipsisCharacter);
    GdipSetStringFormatLineAlign(format.Get(), StringAlignmentCenter);
    RectF layout(0, 0, BoundsRef().Width, BoundsRef().Height);
    GdipDrawString(context.graphics, wide.c_str(), -1, font, &layout, format.Get(), brush.Get());
  }
}

LRESULT CaptionLabel::MessageProc(UINT message, WPARAM, LPARAM) {
  if (message == WM_PAINT || message == TKM_SIZED) Paint();
  if (message == WM_DESTROY) text_.clear();
  return -1;
}
