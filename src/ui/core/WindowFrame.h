// The frame the host draws instead of the system's: the title bar with its buttons, the
// caption and the icon (frame parts it creates and owns), the rounded window shape, the
// minimum and maximised sizes, and moving and sizing the borderless window.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <memory>
#include <optional>
#include <vector>

#include "ui/core/HostContext.h"
#include "ui/core/ToolkitMessages.h"

// Frame flags: what the host draws around the client surface.
inline constexpr int kFrameIcon = 0x1;
inline constexpr int kFrameCaption = 0x2;
inline constexpr int kFrameClose = 0x4;
inline constexpr int kFrameMaximize = 0x8;
inline constexpr int kFrameMinimize = 0x10;
inline constexpr int kFrameDrawn = 0x200;     // always set by attach
inline constexpr int kFrameComplete = 0x400;  // attach input only: complete with the defaults
// The title-bar button bits, in creation order.
inline constexpr int kTitleButtonBits[] = {0x4, 0x8, 0x10, 0x20, 0x40, 0x80, 0x100};

// Adds and removes window style bits (only when that changes the style).
void EditWindowStyle(HWND window, LONG add, LONG remove);

class WindowFrame {
 public:
  // The skin's frame rectangle starts this many pixels in.
  static constexpr int kFrameInset = 5;

  explicit WindowFrame(const HostContext& host);
  ~WindowFrame();
  WindowFrame(const WindowFrame&) = delete;
  WindowFrame& operator=(const WindowFrame&) = delete;

  // attach: the options and flags it was given (style: the window's style before attach).
  void TakeOptions(std::optional<int> cornerStyle, std::optional<bool> sizable, std::optional<bool> draggable,
                   LONG style);
  void TakeFrameFlags(std::optional<int> given, LONG style);
  // The system frame's styles taken away: the host draws the frame and its boxes itself.
  void TakeOverStyle();
  // Icon, caption and title-bar buttons as the flags ask.
  void CreateParts();
  // detach: the parts are destroyed with the control tree; the records go here.
  void Release();
  // Clears the records that refer to a control being destroyed.
  void ForgetControl(Control* control);

  void layout_title_bar();
  // WM_SETTEXT (after the window took it): the caption shows the new title.
  void ShowTitle(const wchar_t* text);
  // The rounded window shape of an ordinary (not layered) window; none while maximised.
  void ApplyShape();
  void OnGetMinMaxInfo(MINMAXINFO* info) const;
  // WM_GETMINMAXINFO's minimum tracking width.
  int MinimumTrackWidth() const;
  // WM_STYLECHANGED: a system border set later is taken away again.
  void OnStyleChanged(WPARAM which, const STYLESTRUCT* change);

  // Moving and sizing.
  void ToggleMaximise();
  void StartDrag();
  // A press on no control: a double click on the title bar maximises or restores; any press
  // may drag the window.
  void PressFrame(POINT point, WPARAM wParam);
  // A press on a control that takes no presses (a frame part): it drags the window.
  void PressPart(Control* hit, WPARAM wParam, bool pressing);
  // The border zone (WMSZ_*) under a point where the window may be sized there, else 0; over
  // a zone the sizing cursor shows.
  int SizingZoneAt(POINT point, bool pressing) const;
  void BeginSizing(int zone, LPARAM lParam);

  bool draggable(std::optional<bool> value = std::nullopt);
  int corner_style(std::optional<int> value = std::nullopt);
  int Flags() const { return flags_; }
  bool Sizable() const { return sizable_; }
  int CornerStyle() const { return cornerStyle_; }
  const std::vector<Control*>& TitleButtons() const { return titleButtons_; }
  Control* Caption() const { return captionLabel_; }
  Control* Icon() const { return iconControl_; }

 private:
  void CreateTitleButtons();

  const HostContext& host_;
  int flags_ = 0;                     // kFrame* bits
  int cornerStyle_ = 7;               // radius of the rounded frame; 1: no frame, the skin fills it all
  bool sizable_ = false;
  bool draggable_ = true;
  std::vector<Control*> titleButtons_;
  std::vector<int> titleButtonBits_;  // one per title-bar button bit that is set
  Control* iconControl_ = nullptr;
  Control* captionLabel_ = nullptr;
  // Frame parts the frame creates and owns (the records above only point at them).
  std::vector<std::unique_ptr<Control>> ownedParts_;
};
