#include "ui/dialogs/MenuLayout.h"

#include <algorithm>
#include <cwctype>

#include "ui/core/Colour.h"
#include "ui/core/DisplayScale.h"

SIZE MenuSize(const std::vector<MenuItemRecord>& items, int fixedWidth, const MenuTextMeasure& measure) {
  int widest = 0;
  bool opensSubMenu = false;
  int height = 2 * kMenuMargin;
  for (const MenuItemRecord& item : items) {
    if (!MenuItemVisible(item)) continue;
    if (item.kind == kMenuSeparator) {
      height += kMenuSeparatorHeight;
      continue;
    }
    height += kMenuItemHeight;
    if (item.kind == kMenuSubMenu) opensSubMenu = true;
    if (fixedWidth == 0 && measure) widest = std::max(widest, measure(item.text));
  }
  int width = fixedWidth;
  if (fixedWidth == 0) {
    width = widest + kMenuTextAllowance + (opensSubMenu ? kMenuArrowAllowance : 0);
  }
  width = std::max(width, kMenuMinimumWidth);
  return SIZE{width, height};
}

std::vector<MenuItemSlot> LayoutMenuItems(const std::vector<MenuItemRecord>& items, int menuWidth) {
  std::vector<MenuItemSlot> slots;
  float y = kMenuMargin;
  for (size_t i = 0; i < items.size(); ++i) {
    const MenuItemRecord& item = items[i];
    if (!MenuItemVisible(item)) continue;
    MenuItemSlot slot;
    slot.position = static_cast<int>(i) + 1;
    if (item.kind == kMenuSeparator) {
      slot.bounds = Gdiplus::RectF(kMenuSeparatorLeft, y, std::max(1.0f, menuWidth - kMenuSeparatorLeft - kMenuMargin * 1.0f),
                                   kMenuSeparatorHeight);
      y += kMenuSeparatorHeight;
    } else {
      slot.bounds = Gdiplus::RectF(kMenuMargin, y, std::max(1.0f, menuWidth - 2.0f * kMenuMargin), kMenuItemHeight);
      y += kMenuItemHeight;
    }
    slots.push_back(slot);
  }
  return slots;
}

int MenuItemAt(const std::vector<MenuItemRecord>& items, int menuWidth, POINT point) {
  const float x = static_cast<float>(point.x), y = static_cast<float>(point.y);
  for (const MenuItemSlot& slot : LayoutMenuItems(items, menuWidth)) {
    const Gdiplus::RectF& b = slot.bounds;
    if (x >= b.X && x < b.X + b.Width && y >= b.Y && y < b.Y + b.Height) return slot.position;
  }
  return 0;
}

namespace {

// Keeps a flipped menu on the work area; a menu larger than the work area starts at its edge.
int KeepInside(int start, int length, long low, long high) {
  if (start + length > high) start = static_cast<int>(high) - length;
  if (start < low) start = static_cast<int>(low);
  return start;
}

}  // namespace

MenuPlacement PlaceMenu(POINT at, SIZE size, const RECT& work) {
  MenuPlacement placement{at.x, at.y, false, false};
  if (at.x + size.cx - 5 > work.right) {
    placement.x = at.x - size.cx;
    placement.openedLeft = true;
  }
  if (at.y + size.cy - 5 > work.bottom) {
    placement.y = at.y - size.cy;
    placement.openedUp = true;
  }
  if (placement.x < work.left) placement.x = KeepInside(placement.x, size.cx, work.left, work.right);
  if (placement.y < work.top) placement.y = KeepInside(placement.y, size.cy, work.top, work.bottom);
  return placement;
}

MenuPlacement PlaceSubMenu(const RECT& parentWindow, const RECT& item, SIZE size, const RECT& work) {
  // The shadow margins overlap so that the two bodies sit three pixels apart and the first
  // item of the sub-menu lines up with the item that opened it.
  constexpr int kOverlap = 9;
  MenuPlacement placement{static_cast<int>(parentWindow.right) - kOverlap, static_cast<int>(item.top) - kMenuMargin,
                          false, false};
  if (placement.x + size.cx - 5 > work.right) {
    placement.x = static_cast<int>(parentWindow.left) - size.cx + kOverlap;
    placement.openedLeft = true;
  }
  if (placement.y + size.cy - 5 > work.bottom) {
    placement.y = static_cast<int>(item.bottom) + kMenuMargin - size.cy;
    placement.openedUp = true;
  }
  placement.x = KeepInside(placement.x, size.cx, work.left, work.right);
  placement.y = KeepInside(placement.y, size.cy, work.top, work.bottom);
  return placement;
}

MenuWindowPlace PlaceMenuWindow(const ui::MonitorArea& monitor, SIZE size, POINT at, const RECT* parentWindow,
                                const RECT* item) {
  const int dpi = monitor.dpi;
  const RECT work = ui::RectToLogical(monitor.work, dpi);
  // An absurdly long text must not ask for a window larger than the screen.
  size.cx = std::min<LONG>(size.cx, std::max<LONG>(kMenuMinimumWidth, work.right - work.left));
  size.cy = std::min<LONG>(size.cy, std::max<LONG>(2 * kMenuMargin, work.bottom - work.top));
  const MenuPlacement placement = parentWindow && item
                                      ? PlaceSubMenu(ui::RectToLogical(*parentWindow, dpi), *item, size, work)
                                      : PlaceMenu(ui::PointToLogical(at, dpi), size, work);
  return MenuWindowPlace{
      ui::RectToDevice(RECT{placement.x, placement.y, placement.x + size.cx, placement.y + size.cy}, dpi), size,
      placement.openedLeft, placement.openedUp};
}

int MenuMnemonicKey(const std::wstring& text) {
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != L'&') continue;
    if (text[i + 1] == L'&') {
      ++i;  // "&&" is a literal ampersand
      continue;
    }
    const wchar_t key = static_cast<wchar_t>(std::towupper(text[i + 1]));
    return (key > L' ' && key < 0x80) ? static_cast<int>(key) : 0;
  }
  return 0;
}

Gdiplus::ARGB MenuHoverColour(const MenuItemRecord& item, int skinColour) {
  if (item.hoverColour != 0) return item.hoverColour;
  return ToArgb(skinColour < 0 ? kMenuFallbackColour : skinColour, 225);
}

Gdiplus::ARGB MenuHoverTextColour(Gdiplus::ARGB highlight) {
  // In thousandths, so that a grey of exactly 192 counts as light.
  const unsigned red = (highlight >> 16) & 0xFF, green = (highlight >> 8) & 0xFF, blue = highlight & 0xFF;
  const unsigned luminance = 299 * red + 587 * green + 114 * blue;
  return luminance < 192 * 1000 ? 0xFEFFFFFF : 0xE6000000;
}
