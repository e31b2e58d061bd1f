// One item of an open pop-up menu as a windowless control: its text, icon and sub-menu arrow,
// the hover look, the 500 ms hover timer that opens a sub-menu, and choosing on a click.
#pragma once

#include <memory>

#include "ui/core/Control.h"
#include "ui/dialogs/MenuLayout.h"
#include "ui/gfx/GdiPlus.h"
#include "ui/gfx/Image.h"

struct MenuSession;

inline constexpr int kMenuItemControlType = 12;
inline constexpr UINT kMenuHoverDelay = 500;  // ms before a hovered item opens its sub-menu

class MenuItemControl : public Control {
 public:
  MenuItemControl(MenuSession& session, int position);
  ~MenuItemControl() override;

  LRESULT MessageProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Creates the item at its slot; greyed items are disabled, separators take no focus.
  virtual Control* Create(const Gdiplus::RectF& bounds);
  virtual void Paint();
  virtual bool Hovered() const;
  // A menu item (or separator) named by its text; greyed items read as unavailable.
  AccessibleInfo Describe() override;

  using Control::Create;
  int Position() const { return position_; }
  const MenuItemRecord& Item() const;
  // While the item's sub-menu is open the item keeps its hover look.
  void SetSubMenuOpen(bool open);
  bool SubMenuOpen() const { return subMenuOpen_; }

 private:
  void Enter();
  void Leave();

  MenuSession& session_;
  int position_ = 0;
  bool hovered_ = false;
  bool subMenuOpen_ = false;
  gfx::Image icon_;
  gfx::Image arrow_;
  gfx::FontPtr font_;  // only when the item asks for its own style or size
};
