#include "ui/controls/ListKeys.h"

#include <algorithm>
#include <cmath>

#include "ui/core/DisplayScale.h"

namespace list_keys {

KeyAction ActionOf(WPARAM key, bool ctrl, bool shift, bool alt) {
  if (alt) return KeyAction::None;
  switch (key) {
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_HOME:
    case VK_END:
      if (shift) return KeyAction::Extend;
      return ctrl ? KeyAction::Focus : KeyAction::Move;
    case VK_SPACE:
      return ctrl && !shift ? KeyAction::Toggle : KeyAction::None;
    case 'A':
      return ctrl && !shift ? KeyAction::SelectAll : KeyAction::None;
    case VK_APPS:
      return KeyAction::Menu;
    case VK_F10:
      return shift && !ctrl ? KeyAction::Menu : KeyAction::None;
    case 'C':
      return ctrl && !shift ? KeyAction::Copy : KeyAction::None;
    default:
      return KeyAction::None;
  }
}

int RowAfterKey(WPARAM key, int current, int count, int rowsPerPage) {
  if (count <= 0) return 0;
  const int page = std::max(rowsPerPage, 1);
  const bool none = current < 1 || current > count;
  int target = 0;
  switch (key) {
    case VK_UP:
      target = none ? 1 : current - 1;
      break;
    case VK_DOWN:
      target = none ? 1 : current + 1;
      break;
    case VK_PRIOR:
      target = none ? 1 : current - page;
      break;
    case VK_NEXT:
      target = none ? 1 : current + page;
      break;
    case VK_HOME:
      target = 1;
      break;
    case VK_END:
      target = count;
      break;
    default:
      return 0;
  }
  return std::clamp(target, 1, count);
}

int RowsPerPage(int viewHeight, int rowHeight) {
  if (rowHeight <= 0 || viewHeight <= 0) return 1;
  return std::max(viewHeight / rowHeight, 1);
}

POINT MenuPoint(float left, float bottom, int dpi, POINT clientOrigin) {
  const POINT device = ui::PointToDevice(
      POINT{static_cast<LONG>(std::lround(left)), static_cast<LONG>(std::lround(bottom))}, dpi);
  return POINT{device.x + clientOrigin.x, device.y + clientOrigin.y};
}

}  // namespace list_keys
