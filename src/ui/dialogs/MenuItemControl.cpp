#include "ui/dialogs/MenuItemControl.h"

#include "resources/Resources.h"
#include "ui/core/WindowHost.h"
#include "ui/dialogs/MenuSession.h"
#include "ui/gfx/Fonts.h"

namespace {

using gfx::gdip::GdipCreateSolidFill;
using gfx::gdip::GdipFillRectangle;

void FillRect(Gdiplus::GpGraphics* graphics, Gdiplus::ARGB colour, float x, float y, float width, float height) {
  Gdiplus::GpSolidFill* brush = nullptr;
  if (GdipCreateSolidFill(colour, &brush) != Gdiplus::Ok) return;
  gfx::BrushPtr owner(brush);
  GdipFillRectangle(graphics, owner.Get(), x, y, width, height);
}

void DrawText(Gdiplus::GpGraphics* graphics, const std::wstring& text, Gdiplus::GpFont* font,
              const Gdiplus::RectF& layout, Gdiplus::ARGB colour) {
  if (!font || text.empty() || layout.Width <= 0) return;
  gfx::StringFormatPtr format;
  if (gfx::gdip::GdipCreateStringFormat(Gdiplus::StringFormatFlagsNoWrap, LANG_NEUTRAL, format.Put()) != Gdiplus::Ok) {
    return;
  }
  gfx::gdip::GdipSetStringFormatLineAlign(format.Get(), Gdiplus::StringAlignmentCenter);
  gfx::gdip::GdipSetStringFormatHotkeyPrefix(format.Get(), Gdiplus::HotkeyPrefixShow);
  gfx::gdip::GdipSetStringFormatTrimming(format.Get(), Gdiplus::StringTrimmingEllipsisCharacter);
  Gdiplus::GpSolidFill* brush = nullptr;
  if (GdipCreateSolidFill(colour, &brush) != Gdiplus::Ok) return;
  gfx::BrushPtr owner(brush);
  gfx::gdip::GdipDrawString(graphics, text.c_str(), -1, font, &layout, format.Get(), owner.Get());
}

}  // namespace

MenuItemControl::MenuItemControl(MenuSession& session, int position) : session_(session), position_(position) {}

MenuItemControl::~MenuItemControl() {
  if (IsLive()) Destroy();
}

const MenuItemRecord& MenuItemControl::Item() const {
  static const MenuItemRecord kNone{};
  if (position_ < 1 || position_ > static_cast<int>(session_.items.size())) return kNone;
  return session_.items[static_cast<size_t>(position_ - 1)];
}

Control* MenuItemControl::Create(const Gdiplus::RectF& bounds) {
  const MenuItemRecord& item = Item();
  const bool separator = item.kind == kMenuSeparator;
  if (!separator) {
    if (!item.icon.empty()) icon_ = gfx::load_image(item.icon);
    if (item.kind == kMenuSubMenu) arrow_ = gfx::load_image(resources::MenuArrow());
    if (item.fontStyle != 0 || item.fontSize > 0) {
      font_ = gfx::create_font("", item.fontSize > 0 ? static_cast<float>(item.fontSize) : gfx::kDefaultFontSize,
                               item.fontStyle);
    }
  }
  ControlOptions options;
  options.type = kMenuItemControlType;
  options.focusable = !separator;
  Control* created = Control::Create(session_.window, bounds, options);
  if (created && item.state == kMenuItemGreyed) Disabled(true);
  return created;
}

bool MenuItemControl::Hovered() const { return hovered_; }

void MenuItemControl::SetSubMenuOpen(bool open) {
  if (subMenuOpen_ == open) return;
  subMenuOpen_ = open;
  Paint();
}

void MenuItemControl::Paint() {
  const SurfacePaint paint(this, nullptr, false);
  const PaintContext& context = paint.Context();
  if (Gdiplus::GpGraphics* graphics = context.graphics) {
    const MenuItemRecord& item = Item();
    const float width = BoundsRef().Width, height = BoundsRef().Height;
    if (item.kind == kMenuSeparator) {
      FillRect(graphics, 0x28000000, 0, 1, width, 1);
      FillRect(graphics, 0xC8FFFFFF, 0, 2, width, 1);
    } else {
      Gdiplus::ARGB text = item.textColour;
      if ((hovered_ || subMenuOpen_) && !IsDisabled()) {
        const Gdiplus::ARGB highlight = MenuHoverColour(item, session_.skinColour);
        FillRect(graphics, highlight, 0, 0, width - 1, height - 1);
        text = MenuHoverTextColour(highlight);
      }
      if (icon_) gfx::draw_image(graphics, icon_.Get(), gfx::make_rectf(4, (height - 16) / 2, 16, 16));
      const float room = item.kind == kMenuSubMenu ? static_cast<float>(kMenuArrowRoom) : 0.0f;
      Gdiplus::GpFont* font = font_ ? font_.Get() : gfx::default_font();
      DrawText(graphics, item.text, font, Gdiplus::RectF(kMenuTextLeft, 0, width - kMenuTextLeft - room, height), text);
      if (arrow_) {
        gfx::draw_image(graphics, arrow_.Get(), gfx::make_rectf(width - 20, (height - 20) / 2, 20, 20));
      }
    }
  }
}

void MenuItemControl::Enter() {
  if (Item().kind == kMenuSeparator || IsDisabled() || !Host()) return;
  WindowHost* host = Host();
  Control* previous = host->Focused();
  if (previous && previous != this) DispatchControlMessage(previous, TKM_MOUSE_LEAVE, 0, 0);
  // Coming back to this menu from another item's sub-menu closes that sub-menu.
  if (HWND subMenu = OpenSubMenuOf(GetHostWindow()); subMenu && !subMenuOpen_) {
    PostMessageW(subMenu, WM_CLOSE, 0, 0);
  }
  host->set_focus(this, false);
  hovered_ = true;
  Paint();
  if (Item().kind == kMenuSubMenu) SetTimer(GetHostWindow(), reinterpret_cast<UINT_PTR>(this), kMenuHoverDelay, nullptr);
}

void MenuItemControl::Leave() {
  if (GetHostWindow()) KillTimer(GetHostWindow(), reinterpret_cast<UINT_PTR>(this));
  if (!hovered_) return;
  hovered_ = false;
  Paint();
}

LRESULT MenuItemControl::MessageProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      Paint();
      break;
    case TKM_PRESS:
      return Item().kind == kMenuSeparator ? -1 : 0;
    case TKM_MOUSE_ENTER:
      Enter();
      break;
    case TKM_MOUSE_LEAVE:
      Leave();
      break;
    case WM_TIMER:
      KillTimer(GetHostWindow(), reinterpret_cast<UINT_PTR>(this));
      if (hovered_ && Item().kind == kMenuSubMenu) {
        PostMessageW(GetHostWindow(), kMenuOpenSubMenu, reinterpret_cast<WPARAM>(this), 0);
      }
      return 0;
    case TKM_CLICK: {
      const MenuItemRecord& item = Item();
      if (IsDisabled() || !MenuItemChoosable(item)) break;
      if (item.kind == kMenuSubMenu) {
        KillTimer(GetHostWindow(), reinterpret_cast<UINT_PTR>(this));
        PostMessageW(GetHostWindow(), kMenuOpenSubMenu, reinterpret_cast<WPARAM>(this), 0);
      } else {
        ChooseMenuItem(session_, item);
      }
      break;
    }
    case WM_DESTROY:
      if (GetHostWindow()) KillTimer(GetHostWindow(), reinterpret_cast<UINT_PTR>(this));
      hovered_ = subMenuOpen_ = false;
      break;
    default:
      break;
  }
  return -1;
}

AccessibleInfo MenuItemControl::Describe() {
  AccessibleInfo info;
  const MenuItemRecord& item = Item();
  if (item.kind == kMenuSeparator) {
    info.role = ROLE_SYSTEM_SEPARATOR;
    return info;
  }
  info.role = ROLE_SYSTEM_MENUITEM;
  // "&&" reads as "&"; a lone marker only underlines the next character.
  for (size_t i = 0; i < item.text.size(); ++i) {
    if (item.text[i] == L'&' && i + 1 < item.text.size()) ++i;
    info.name += item.text[i];
  }
  if (item.state == kMenuItemGreyed) info.state |= STATE_SYSTEM_UNAVAILABLE;
  if (item.kind == kMenuSubMenu) info.state |= STATE_SYSTEM_HASPOPUP;
  if (hovered_) info.state |= STATE_SYSTEM_HOTTRACKED;
  if (MenuItemChoosable(item) || item.kind == kMenuSubMenu) info.defaultAction = kActionExecute;
  return info;
}
