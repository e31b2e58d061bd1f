#include "ui/dialogs/MessageText.h"

#include "ui/gfx/Fonts.h"
#include "ui/gfx/Text.h"

namespace gdip = gfx::gdip;

MessageText::~MessageText() {
  if (IsLive()) Destroy();
}

Control* MessageText::Create(HWND hostWindow, const Gdiplus::RectF& bounds, std::string text) {
  text_ = std::move(text);
  ControlOptions options;
  options.type = 1;
  options.focusable = false;
  return Control::Create(hostWindow, bounds, options);
}

void MessageText::Paint() {
  PaintContext context;
  BeginSurfacePaint(this, context, nullptr, false);
  Gdiplus::GpFont* font = gfx::default_font();
  if (context.graphics && font && !text_.empty()) {
    const std::wstring wide = gfx::widen_text(text_);
    gfx::BrushPtr brush;
    gfx::StringFormatPtr format;
    if (gdip::GdipCreateSolidFill(kMessageTextColour, reinterpret_cast<Gdiplus::GpSolidFill**>(brush.put())) ==
            Gdiplus::Ok &&
        gdip::GdipCreateStringFormat(0, LANG_NEUTRAL, format.put()) == Gdiplus::Ok) {
      const Gdiplus::RectF layout(0, 0, BoundsRef().Width, BoundsRef().Height);
      gdip::GdipDrawString(context.graphics, wide.c_str(), -1, font, &layout, format.get(), brush.get());
    }
  }
  EndSurfacePaint(this, context);
}

LRESULT MessageText::MessageProc(UINT message, WPARAM, LPARAM) {
  switch (message) {
    case WM_PAINT:
    case TKM_SIZED:
      Paint();
      break;
    case WM_DESTROY:
      text_.clear();
      break;
    default:
      break;
  }
  return -1;
}

AccessibleInfo MessageText::Describe() {
  AccessibleInfo info;
  info.role = ROLE_SYSTEM_STATICTEXT;
  info.name = gfx::widen_text(text_);
  info.state = STATE_SYSTEM_READONLY;
  return info;
}
