#include "ui/dialogs/MessageBoxLayout.h"

#include <algorithm>
#include <cmath>

#include "ui/core/DisplayScale.h"

namespace {

struct SetEntry {
  const char* label;
  int result;
};

// "确认", "取消", "忽略", "重试", "放弃", "否(&N)", "是(&Y)" in GBK.
constexpr const char* kOk = "\xc8\xb7\xc8\xcf";
constexpr const char* kCancel = "\xc8\xa1\xcf\xfb";
constexpr const char* kIgnore = "\xba\xf6\xc2\xd4";
constexpr const char* kRetry = "\xd6\xd8\xca\xd4";
constexpr const char* kAbort = "\xb7\xc5\xc6\xfa";
constexpr const char* kNo = "\xb7\xf1(&N)";
constexpr const char* kYes = "\xca\xc7(&Y)";

std::vector<SetEntry> SetEntries(int set) {
  switch (set) {
    case 1:
      return {{kCancel, kBoxCancel}, {kOk, kBoxOk}};
    case 2:
      return {{kIgnore, kBoxIgnore}, {kRetry, kBoxRetry}, {kAbort, kBoxAbort}};
    case 3:
      return {{kCancel, kBoxCancel}, {kNo, kBoxNo}, {kYes, kBoxYes}};
    case 4:
      return {{kNo, kBoxNo}, {kYes, kBoxYes}};
    case 5:
      return {{kCancel, kBoxCancel}, {kRetry, kBoxRetry}};
    default:
      return {{kOk, kBoxOk}};
  }
}

int Centred(LONG start, LONG end, int size) { return static_cast<int>(start + (end - start - size) / 2); }

}  // namespace

std::vector<BoxButton> MessageBoxButtons(int set, const std::vector<std::string>& customTexts) {
  std::vector<BoxButton> buttons;
  const std::vector<SetEntry> entries = SetEntries(set);
  for (size_t i = 0; i < entries.size(); ++i) {
    BoxButton button;
    button.label = i < customTexts.size() ? customTexts[i] : entries[i].label;
    button.result = entries[i].result;
    button.position = static_cast<int>(i) + 1;
    buttons.push_back(std::move(button));
  }
  return buttons;
}

int MessageBoxIconCell(int iconType) {
  switch (iconType) {
    case 0:
      return -1;
    case MB_ICONEXCLAMATION:
      return 40;
    case MB_ICONQUESTION:
      return 80;
    case MB_ICONASTERISK:
      return 120;
    case MB_USERICON:
      return 160;
    default:
      return 0;  // error, and any other value
  }
}

MessageBoxFrame FrameMessageBox(const ui::MonitorArea& monitor, const RECT* ownerRect) {
  const RECT work = ui::RectToLogical(monitor.work, monitor.dpi);
  return MessageBoxFrame{work, ownerRect ? ui::RectToLogical(*ownerRect, monitor.dpi) : work, monitor.dpi};
}

RECT MessageBoxScreenRect(const MessageBoxGeometry& geometry, int dpi) {
  return ui::RectToDevice(RECT{geometry.x, geometry.y, geometry.x + geometry.width, geometry.y + geometry.height}, dpi);
}

MessageBoxGeometry InitialMessageBoxGeometry(const RECT& reference, bool hasIcon) {
  MessageBoxGeometry g;
  const float w = static_cast<float>(g.width), h = static_cast<float>(g.height);
  g.text = hasIcon ? Gdiplus::RectF(85, 43, w - 120, h - 100) : Gdiplus::RectF(30, 43, w - 60, h - 100);
  g.x = Centred(reference.left, reference.right, g.width);
  g.y = Centred(reference.top, reference.bottom, g.height);
  return g;
}

void FitMessageBoxWidth(MessageBoxGeometry& g, const RECT& reference, float measuredWidth, int maxWidth) {
  if (!(measuredWidth > g.text.Width)) return;  // also false for NaN
  const int margins = g.width - static_cast<int>(g.text.Width);
  const int limit = std::max(g.width, maxWidth);
  const double wanted = std::ceil(static_cast<double>(measuredWidth)) + margins;
  g.width = static_cast<int>(std::min<double>(wanted, limit));
  g.x = Centred(reference.left, reference.right, g.width);
  g.text.Width = static_cast<float>(g.width - margins + 10);
}

void FitMessageBoxHeight(MessageBoxGeometry& g, const RECT& reference, float measuredHeight, int maxHeight) {
  if (measuredHeight > g.text.Height) {
    const int margins = g.height - static_cast<int>(g.text.Height);
    const int limit = std::max(g.height, maxHeight);
    const double wanted = std::ceil(static_cast<double>(measuredHeight)) + margins;
    g.height = static_cast<int>(std::min<double>(wanted, limit));
    g.y = Centred(reference.top, reference.bottom, g.height);
    g.text.Height = static_cast<float>(g.height - margins + 5);
  }
  if (measuredHeight < 30) g.text.Y += 4;
}

Gdiplus::RectF MessageBoxButtonRect(int boxWidth, int boxHeight, int position) {
  return Gdiplus::RectF(static_cast<float>(boxWidth - 75 * position - 8), static_cast<float>(boxHeight - 35),
                        kBoxButtonWidth, kBoxButtonHeight);
}
