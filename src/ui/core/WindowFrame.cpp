// The drawn frame: title-bar parts and their layout, the window shape, sizes, moving and sizing.
#include "ui/core/WindowFrame.h"

#include <windowsx.h>

#include <algorithm>
#include <string>

#include "ui/core/Control.h"
#include "ui/core/DisplayScale.h"
#include "ui/core/FrameParts.h"
#include "ui/core/TitleButton.h"
#include "ui/gfx/GdiHandles.h"
#include "ui/gfx/Text.h"
#include "ui/gfx/Toolkit.h"

using namespace Gdiplus;

namespace {

// The window's title as GBK: read wide, since the "A" form answers in the system's code page.
std::string WindowText(HWND window) {
  int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  int copied = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
  return gfx::narrow_text(text);
}

// Border sizing zones (the WMSZ_ numbers that SC_SIZE takes).
constexpr int kBorderZone = 8;

int SizingZone(POINT point, int width, int height) {
  bool left = point.x < kBorderZone, right = point.x >= width - kBorderZone;
  bool top = point.y < kBorderZone, bottom = point.y >= height - kBorderZone;
  if (top && left) return WMSZ_TOPLEFT;
  if (top && right) return WMSZ_TOPRIGHT;
  if (bottom && left) return WMSZ_BOTTOMLEFT;
  if (bottom && right) return WMSZ_BOTTOMRIGHT;
  if (left) return WMSZ_LEFT;
  if (right) return WMSZ_RIGHT;
  if (top) return WMSZ_TOP;
  if (bottom) return WMSZ_BOTTOM;
  return 0;
}

LPCWSTR SizingCursor(int zone) {
  switch (zone) {
    case WMSZ_LEFT:
    case WMSZ_RIGHT:
      return gfx::SystemCursorId(IDC_SIZEWE);
    case WMSZ_TOP:
    case WMSZ_BOTTOM:
      return gfx::SystemCursorId(IDC_SIZENS);
    case WMSZ_TOPLEFT:
    case WMSZ_BOTTOMRIGHT:
      return gfx::SystemCursorId(IDC_SIZENWSE);
    default:
      return gfx::SystemCursorId(IDC_SIZENESW);
  }
}

}  // namespace

void EditWindowStyle(HWND window, LONG add, LONG remove) {
  LONG style = GetWindowLongW(window, GWL_STYLE);
  LONG wanted = (style | add) & ~remove;
  if (wanted != style) SetWindowLongW(window, GWL_STYLE, wanted);
}

// --- attach and detach ---

WindowFrame::WindowFrame(const HostContext& host) : host_(host) {}
WindowFrame::~WindowFrame() = default;

void WindowFrame::TakeOptions(std::optional<int> cornerStyle, std::optional<bool> sizable,
                              std::optional<bool> draggable, LONG style) {
  cornerStyle_ = cornerStyle.value_or(7);
  sizable_ = sizable.value_or((style & WS_THICKFRAME) != 0);
  draggable_ = draggable.value_or(true);
}

void WindowFrame::TakeFrameFlags(std::optional<int> given, LONG style) {
  int flags = given.value_or(0);
  if (!given || *given != 0) {
    EditWindowStyle(host_.Window(), WS_SYSMENU, 0);
    if (!given || (flags & kFrameComplete)) {
      flags |= kFrameIcon | kFrameCaption | kFrameClose;
      if (style & WS_MAXIMIZEBOX) flags |= kFrameMaximize;
      if (style & WS_MINIMIZEBOX) flags |= kFrameMinimize;
    }
  }
  flags_ = (flags & ~kFrameComplete) | kFrameDrawn;
}

void WindowFrame::TakeOverStyle() {
  LONG remove = WS_THICKFRAME | WS_DLGFRAME | WS_BORDER;
  if (!(flags_ & kFrameMinimize)) remove |= WS_MINIMIZEBOX;
  if (!(flags_ & kFrameMaximize)) remove |= WS_MAXIMIZEBOX;
  EditWindowStyle(host_.Window(), 0, remove);
}

void WindowFrame::CreateParts() {
  HWND window = host_.Window();
  if (flags_ & kFrameIcon) {
    auto icon = std::make_unique<FrameIcon>();
    HICON small = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_SMALL, 0));
    if (!small) small = reinterpret_cast<HICON>(GetClassLongPtrW(window, GCLP_HICONSM));
    if (icon->CreateIcon(window, small)) {
      iconControl_ = icon.get();
      ownedParts_.push_back(std::move(icon));
    }
  }
  if (flags_ & kFrameCaption) {
    auto caption = std::make_unique<CaptionLabel>();
    if (caption->CreateCaption(window, RectF(0, 9, 0, 18), WindowText(window))) {
      captionLabel_ = caption.get();
      ownedParts_.push_back(std::move(caption));
    }
  }
  CreateTitleButtons();
}

void WindowFrame::CreateTitleButtons() {
  // One button per set bit, first laid out right to left from the window width - 12 at top 7;
  // every redraw places them again with layout_title_bar.
  titleButtonBits_.clear();
  float x = static_cast<float>(host_.Size().width) - 12;
  for (int bit : kTitleButtonBits) {
    if (!(flags_ & bit)) continue;
    titleButtonBits_.push_back(bit);
    const float width = TitleButtonWidth(bit);
    x -= 28;
    auto button = std::make_unique<TitleButton>();
    if (button->Create(host_.Window(), x, 7, width, kTitleButtonHeight, bit)) {
      titleButtons_.push_back(button.get());
      ownedParts_.push_back(std::move(button));
    }
  }
}

void WindowFrame::Release() {
  ownedParts_.clear();
  flags_ = 0;
  titleButtons_.clear();
  titleButtonBits_.clear();
  iconControl_ = captionLabel_ = nullptr;
}

void WindowFrame::ForgetControl(Control* control) {
  std::erase(titleButtons_, control);
  if (iconControl_ == control) iconControl_ = nullptr;
  if (captionLabel_ == control) captionLabel_ = nullptr;
}

// --- title bar ---

void WindowFrame::layout_title_bar() {
  if ((flags_ & ~kFrameDrawn) == 0) return;
  float x = static_cast<float>(host_.Size().width) - 5;
  if (flags_ & kFrameClose) x -= 12;
  for (Control* button : titleButtons_) {
    x -= 28;
    button->Move(x, 7.0f, std::nullopt, std::nullopt, false);
  }
  if (titleButtons_.empty()) x -= 28 * static_cast<float>(titleButtonBits_.size());
  if ((flags_ & kFrameCaption) && captionLabel_) {
    float left = (flags_ & kFrameIcon) ? 28.0f : 11.0f;
    captionLabel_->Move(left, 10.0f, std::max(0.0f, x - left), std::nullopt, false);
  }
}

void WindowFrame::ShowTitle(const wchar_t* text) {
  if ((flags_ & kFrameCaption) && captionLabel_) {
    static_cast<CaptionLabel*>(captionLabel_)->SetText(text ? gfx::narrow_text(text) : std::string());
  }
}

// --- shape and sizes ---

void WindowFrame::ApplyShape() {
  HWND window = host_.Window();
  const int dpi = host_.Dpi();
  const WindowSize size = host_.Size();
  if (IsZoomed(window)) {
    SetWindowRgn(window, nullptr, TRUE);
  } else {
    const int d = ui::ToDevice(cornerStyle_ * 2, dpi);
    const int inset = kFrameInset;
    const RECT shape = ui::RectToDevice(RECT{inset, inset, size.width - inset + 1, size.height - inset + 1}, dpi);
    gfx::HrgnPtr region(CreateRoundRectRgn(shape.left, shape.top, shape.right, shape.bottom, d, d));
    // The window owns the region once it takes it.
    if (region && SetWindowRgn(window, region.Get(), TRUE)) region.Detach();
  }
}

void WindowFrame::OnGetMinMaxInfo(MINMAXINFO* info) const {
  // Maximised, the drawn frame's margins lie outside the work area.
  const int dpi = host_.Dpi();
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int margin = ui::ToDevice(7, dpi);
  info->ptMaxSize.x = work.right + 2 * margin;
  info->ptMaxSize.y = work.bottom + 2 * margin;
  info->ptMaxPosition.x = work.left - margin;
  info->ptMaxPosition.y = work.top - margin;
  info->ptMinTrackSize.x = ui::ToDevice(MinimumTrackWidth(), dpi);
  info->ptMinTrackSize.y = ui::ToDevice((flags_ & ~kFrameDrawn) == 0 ? 20 : 38, dpi);
}

int WindowFrame::MinimumTrackWidth() const {
  if ((flags_ & ~kFrameDrawn) == 0) return 21;
  int buttons = static_cast<int>(titleButtons_.empty() ? titleButtonBits_.size() : titleButtons_.size());
  return buttons * 28 + ((flags_ & kFrameClose) ? 11 : 0) + 35 + 1;
}

void WindowFrame::OnStyleChanged(WPARAM which, const STYLESTRUCT* change) {
  // The host draws the frame: a system border set later is taken away again.
  if (which == static_cast<WPARAM>(GWL_STYLE) && (change->styleNew & (WS_DLGFRAME | WS_BORDER))) {
    EditWindowStyle(host_.Window(), 0, WS_DLGFRAME | WS_BORDER);
  }
}

// --- moving and sizing ---

void WindowFrame::ToggleMaximise() {
  HWND window = host_.Window();
  PostMessageW(window, WM_SYSCOMMAND, IsZoomed(window) ? SC_RESTORE : SC_MAXIMIZE, 0);
}

void WindowFrame::StartDrag() {
  // The system move loop drags the window.
  SendMessageW(host_.Window(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void WindowFrame::PressFrame(POINT point, WPARAM wParam) {
  if (wParam == TKM_DBLCLICK_MARK) {
    if (point.y < 30 && (flags_ & kFrameMaximize)) {
      ToggleMaximise();
      StartDrag();
    }
  } else if (draggable_) {
    StartDrag();
  }
}

void WindowFrame::PressPart(Control* hit, WPARAM wParam, bool pressing) {
  if (wParam == TKM_DBLCLICK_MARK && hit == captionLabel_ && (flags_ & kFrameCaption) && (flags_ & kFrameMaximize)) {
    ToggleMaximise();
  }
  if (!pressing && draggable_) StartDrag();
}

int WindowFrame::SizingZoneAt(POINT point, bool pressing) const {
  if (!sizable_ || pressing || IsZoomed(host_.Window())) return 0;
  const WindowSize size = host_.Size();
  const int zone = SizingZone(point, size.width, size.height);
  if (zone != 0) SetCursor(LoadCursorW(nullptr, SizingCursor(zone)));
  return zone;
}

void WindowFrame::BeginSizing(int zone, LPARAM lParam) {
  SendMessageW(host_.Window(), WM_SYSCOMMAND, SC_SIZE | zone, lParam);
}

bool WindowFrame::draggable(std::optional<bool> value) {
  if (value) draggable_ = *value;
  return draggable_;
}

int WindowFrame::corner_style(std::optional<int> value) {
  if (value) cornerStyle_ = *value;
  return cornerStyle_;
}
