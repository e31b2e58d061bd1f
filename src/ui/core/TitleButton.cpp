#include "ui/core/TitleButton.h"

#include "ui/gfx/Image.h"
#include "ui/gfx/Toolkit.h"

namespace {

// Cell x per kind: normal, hover, pressed. Restore is the maximise button's zoomed look.
struct CellColumns {
  int kind;
  int x[3];
};
constexpr CellColumns kCells[] = {
    {kTitleClose, {0, 40, 80}},  {kTitleMaximize, {120, 149, 178}}, {kTitleMinimize, {294, 323, 352}},
    {0x20, {381, 410, 439}},     {0x40, {468, 497, 526}},           {0x80, {555, 584, 613}},
    {0x100, {642, 671, 700}},
};
constexpr int kRestoreCells[3] = {207, 236, 265};

}  // namespace

bool TitleGlyphCell(int kind, int state, bool zoomed, Gdiplus::RectF* cell) {
  if (state == -1 || state == 3) state = kTitleStateNormal;
  if (state < 0 || state > 2) return false;
  for (const CellColumns& columns : kCells) {
    if (columns.kind != kind) continue;
    const int x = (kind == kTitleMaximize && zoomed) ? kRestoreCells[state] : columns.x[state];
    if (cell) *cell = Gdiplus::RectF(static_cast<float>(x), 2, TitleButtonWidth(kind), 19);
    return true;
  }
  return false;
}

std::optional<TitleCommand> TitleButtonCommand(int kind, bool zoomed, bool iconic) {
  switch (kind) {
    case kTitleClose:
      return TitleCommand{WM_CLOSE, 0};
    case kTitleMaximize:
      return TitleCommand{WM_SYSCOMMAND, static_cast<WPARAM>(zoomed ? SC_RESTORE : SC_MAXIMIZE)};
    case kTitleMinimize:
      if (iconic) return std::nullopt;
      return TitleCommand{WM_SYSCOMMAND, SC_MINIMIZE};
    default:
      return std::nullopt;
  }
}

TitleButton::~TitleButton() {
  if (IsLive()) Destroy();
}

Control* TitleButton::Create(ControlParent parent, float left, float top, float width, float height, int kind,
                             bool visible) {
  kind_ = kind;
  drawnState_ = kTitleStateNormal;
  ControlOptions options;
  options.type = 1;  // never takes the focus
  options.visible = visible;
  options.focusable = false;
  options.transitionInterval = 60;
  return Control::Create(parent, Gdiplus::RectF(left, top, width, height), options);
}

int TitleButton::Kind() const { return kind_; }

void TitleButton::PaintState(int state, bool force, int frames) {
  if (state == drawnState_ && !force) return;
  TransitionFrames(frames);
  const SurfacePaint paint(this, nullptr, /*startTransition=*/true);
  const PaintContext& context = paint.Context();
  Gdiplus::RectF cell;
  const bool zoomed = GetHostWindow() && IsZoomed(GetHostWindow());
  if (context.graphics && TitleGlyphCell(kind_, state, zoomed, &cell)) {
    const Gdiplus::RectF& bounds = BoundsRef();
    gfx::draw_image(context.graphics, gfx::ControlStrip(), gfx::make_rectf(0, 0, bounds.Width, bounds.Height), &cell);
  }
  drawnState_ = state;
}

LRESULT TitleButton::MessageProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      PaintState(kTitleStateNormal, true, 0);
      break;
    case WM_LBUTTONDOWN:
      PaintState(kTitleStatePressed, false, 0);
      break;
    case WM_LBUTTONUP:
      PaintState(kTitleStateHover, false, 0);
      break;
    case TKM_MOUSE_ENTER:
      PaintState(kTitleStateHover, false, 3);
      break;
    case TKM_MOUSE_LEAVE:
      PaintState(kTitleStateNormal, false, 4);
      break;
    case TKM_CONTROL_MOVED:
      // Maximising or restoring moves the button and swaps its glyph.
      if (kind_ == kTitleMaximize) PaintState(kTitleStateNormal, true, 0);
      break;
    case TKM_PRESS:
      return 0;  // takes presses
    case TKM_CLICK: {
      HWND window = GetHostWindow();
      if (IsDisabled() || !window) break;
      if (auto command = TitleButtonCommand(kind_, IsZoomed(window) != FALSE, IsIconic(window) != FALSE)) {
        PostMessageW(window, command->message, command->wParam, 0);
      }
      break;
    }
    case WM_DESTROY:
      kind_ = 0;
      drawnState_ = 0;
      break;
    default:
      break;
  }
  return -1;
}

AccessibleInfo TitleButton::Describe() {
  AccessibleInfo info;
  info.role = ROLE_SYSTEM_PUSHBUTTON;
  const bool zoomed = GetHostWindow() && IsZoomed(GetHostWindow());
  switch (kind_) {
    case kTitleClose:
      info.name = L"\u5173\u95ed";  // close
      break;
    case kTitleMaximize:
      info.name = zoomed ? L"\u8fd8\u539f" : L"\u6700\u5927\u5316";  // restore / maximise
      break;
    case kTitleMinimize:
      info.name = L"\u6700\u5c0f\u5316";  // minimise
      break;
    default:
      break;
  }
  if (TitleButtonCommand(kind_, zoomed, GetHostWindow() && IsIconic(GetHostWindow()))) info.defaultAction = kActionPress;
  return info;
}
