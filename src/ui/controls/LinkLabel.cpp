#include "ui/controls/LinkLabel.h"
#include "ui/gfx/Text.h"


std::optional<std::string> LinkShellTarget(const std::string& target, bool webLink) {
  if (target.empty()) return std::nullopt;
  return webLink ? target : "mailto:" + target;
}

LinkLook LinkLookFor(bool hovered, bool visited, int fontStyle, Gdiplus::ARGB normal, Gdiplus::ARGB hover,
                     Gdiplus::ARGB visitedColour) {
  if (hovered) return {hover, fontStyle | kFontStyleUnderline};
  return {visited ? visitedColour : normal, fontStyle & ~kFontStyleUnderline};
}

LinkLabel::~LinkLabel() {
  if (IsLive()) Destroy();
}

void LinkLabel::OnCreate() {
  normalColour_ = colour_;
  target_.clear();
  webLink_ = true;
  hoverColour_ = kLinkHoverColour;
  visitedColour_ = kLinkVisitedColour;
  visited_ = false;
  hovered_ = false;
  type_ = kLinkLabelType;
  focusable_ = true;
  // A link is one line whatever the creator asked for.
  multiLine_ = false;
  BuildFormat();
}

void LinkLabel::ShowLook() {
  const int before = FontStyle();
  const LinkLook look = LinkLookFor(hovered_, visited_, before, normalColour_, hoverColour_, visitedColour_);
  // The colour goes first, so the repaint of a restyle shows both changes at once.
  const bool recoloured = colour_ != look.colour;
  colour_ = look.colour;
  const int after = look.fontStyle != before ? FontStyle(look.fontStyle) : before;
  if (after == before && recoloured && IsLive()) Repaint();
}

void LinkLabel::Click() {
  visited_ = true;
  if (std::optional<std::string> open = LinkShellTarget(target_, webLink_)) {
    ShellOpen(GetHostWindow(), *open, shellOpen_);
  }
  ShowLook();
}

LRESULT LinkLabel::PreMessage(UINT message, WPARAM, LPARAM) {
  switch (message) {
    case TKM_MOUSE_ENTER:
      hovered_ = true;
      ShowLook();
      break;
    case TKM_MOUSE_LEAVE:
      hovered_ = false;
      ShowLook();
      break;
    case TKM_CLICK:
      Click();
      break;
    case WM_DESTROY:
      visited_ = false;
      hovered_ = false;
      target_.clear();
      break;
    default:
      break;
  }
  return -1;
}

std::string LinkLabel::Target(std::optional<std::string> value) {
  if (!OnUiThread()) return RunOnUiThread([&] { return Target(value); });
  if (value) target_ = *value;
  return target_;
}

bool LinkLabel::IsWebLink(std::optional<bool> value) {
  if (!OnUiThread()) return RunOnUiThread([&] { return IsWebLink(value); });
  if (value) webLink_ = *value;
  return webLink_;
}

Gdiplus::ARGB LinkLabel::NormalColour(std::optional<Gdiplus::ARGB> value) {
  if (!OnUiThread()) return RunOnUiThread([&] { return NormalColour(value); });
  if (value) {
    normalColour_ = *value;
    if (!hovered_ && !visited_) TextColour(normalColour_);
  }
  return normalColour_;
}

Gdiplus::ARGB LinkLabel::HoverColour(std::optional<Gdiplus::ARGB> value) {
  if (!OnUiThread()) return RunOnUiThread([&] { return HoverColour(value); });
  if (value) {
    hoverColour_ = *value;
    if (hovered_) TextColour(hoverColour_);
  }
  return hoverColour_;
}

Gdiplus::ARGB LinkLabel::VisitedColour(std::optional<Gdiplus::ARGB> value) {
  if (!OnUiThread()) return RunOnUiThread([&] { return VisitedColour(value); });
  if (value) {
    visitedColour_ = *value;
    if (visited_ && !hovered_) TextColour(visitedColour_);
  }
  return visitedColour_;
}

AccessibleInfo LinkLabel::Describe() {
  AccessibleInfo info = Label::Describe();
  info.role = ROLE_SYSTEM_LINK;
  info.value = gfx::widen_text(target_);
  info.state = STATE_SYSTEM_LINKED | (visited_ ? STATE_SYSTEM_TRAVERSED : 0) | (hovered_ ? STATE_SYSTEM_HOTTRACKED : 0);
  info.defaultAction = kActionClick;
  return info;
}
