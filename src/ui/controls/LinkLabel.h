// A label that behaves as a hyperlink (control type 5): underlined and in its hover colour
// while the mouse is over it, and in its visited colour once clicked. A click opens its
// target with the shell ("mailto:" in front for a mail address); a link whose click the
// owner handles itself keeps an empty target, and then no shell call happens.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "ui/controls/Label.h"
#include "ui/controls/ShellOpen.h"

// RGB (0, 96, 192) and (128, 0, 0), both with alpha 210.
inline constexpr Gdiplus::ARGB kLinkHoverColour = 0xD20060C0;
inline constexpr Gdiplus::ARGB kLinkVisitedColour = 0xD2800000;

// What the shell opens for a target: the target itself for a web link, "mailto:" + target for
// a mail address; nothing for an empty target.
std::optional<std::string> LinkShellTarget(const std::string& target, bool webLink);

// The colour and font style a link label shows in a state.
struct LinkLook {
  Gdiplus::ARGB colour = 0;
  int fontStyle = 0;
};
LinkLook LinkLookFor(bool hovered, bool visited, int fontStyle, Gdiplus::ARGB normal, Gdiplus::ARGB hover,
                     Gdiplus::ARGB visitedColour);

class LinkLabel : public Label {
 public:
  LinkLabel() = default;
  ~LinkLabel() override;

  LRESULT PreMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnCreate() override;
  // A link whose default action is a click.
  AccessibleInfo Describe() override;

  virtual std::string Target(std::optional<std::string> value = std::nullopt);
  virtual bool IsWebLink(std::optional<bool> value = std::nullopt);
  virtual Gdiplus::ARGB NormalColour(std::optional<Gdiplus::ARGB> value = std::nullopt);
  virtual Gdiplus::ARGB HoverColour(std::optional<Gdiplus::ARGB> value = std::nullopt);
  virtual Gdiplus::ARGB VisitedColour(std::optional<Gdiplus::ARGB> value = std::nullopt);

  bool Visited() const { return visited_; }
  bool Hovered() const { return hovered_; }
  // The shell call a click makes through ShellOpen; replaceable for tests.
  void SetShellOpen(ShellExecuteExFunction open) { shellOpen_ = open ? open : ShellExecuteExW; }

 private:
  void ShowLook();
  void Click();

  std::string target_;
  bool webLink_ = true;
  Gdiplus::ARGB normalColour_ = kLabelDefaultColour;
  Gdiplus::ARGB hoverColour_ = kLinkHoverColour;
  Gdiplus::ARGB visitedColour_ = kLinkVisitedColour;
  bool visited_ = false;
  bool hovered_ = false;
  ShellExecuteExFunction shellOpen_ = ShellExecuteExW;
};
