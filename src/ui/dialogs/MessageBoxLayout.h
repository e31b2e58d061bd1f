// The message box's decisions, kept apart from its window: which buttons a set has and what
// each returns, which icon cell an icon type shows, and where box, text and buttons go.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <string>
#include <vector>

#include "ui/core/Monitors.h"

// Result codes: the Windows IDOK..IDNO values minus one.
inline constexpr int kBoxOk = 0;
inline constexpr int kBoxCancel = 1;
inline constexpr int kBoxAbort = 2;
inline constexpr int kBoxRetry = 3;
inline constexpr int kBoxIgnore = 4;
inline constexpr int kBoxYes = 5;
inline constexpr int kBoxNo = 6;

inline constexpr int kBoxStartWidth = 320;
inline constexpr int kBoxStartHeight = 150;
inline constexpr int kBoxButtonWidth = 70;
inline constexpr int kBoxButtonHeight = 24;
inline constexpr int kBoxIconSize = 40;

// A button of the box: its label (GBK), result code and 1-based position from the right.
struct BoxButton {
  std::string label;
  int result = kBoxOk;
  int position = 1;
};

// The buttons of a set in placing order (the first is the rightmost). Custom texts replace
// the labels in the same order; texts beyond the set's buttons are ignored. An unknown set
// is set 0.
std::vector<BoxButton> MessageBoxButtons(int set, const std::vector<std::string>& customTexts = {});

// The x offset of an icon type's 40 x 40 cell in the icon strip; -1 for type 0 (no icon).
int MessageBoxIconCell(int iconType);

// Box position and size (outer, screen) and the text rectangle (box coordinates).
struct MessageBoxGeometry {
  int x = 0, y = 0, width = kBoxStartWidth, height = kBoxStartHeight;
  Gdiplus::RectF text;
};

// What a box is laid out against, in pixels at 96 DPI at the scale of the monitor it opens on:
// the work area it is capped at, the rectangle it centres on (the work area, or its owner's
// rectangle) and that scale.
struct MessageBoxFrame {
  RECT work{};
  RECT reference{};
  int dpi = 96;
};

// A box opens on its owner's monitor (the primary one without an owner); ownerRect (device
// pixels) when it centres on its owner.
MessageBoxFrame FrameMessageBox(const ui::MonitorArea& monitor, const RECT* ownerRect);

// The screen rectangle (device pixels) of a box laid out at 96 DPI, at a DPI.
RECT MessageBoxScreenRect(const MessageBoxGeometry& geometry, int dpi);

// The 320 x 150 box centred on the reference rectangle, with the default text rectangle.
MessageBoxGeometry InitialMessageBoxGeometry(const RECT& reference, bool hasIcon);

// Widens the box for a measured text width beyond the text rectangle (re-centred
// horizontally; the text rectangle becomes the measured width + 10), never beyond maxWidth.
void FitMessageBoxWidth(MessageBoxGeometry& geometry, const RECT& reference, float measuredWidth, int maxWidth);

// The same for the height (text height = measured + 5); a text under 30 pixels high moves
// down by 4 pixels.
void FitMessageBoxHeight(MessageBoxGeometry& geometry, const RECT& reference, float measuredHeight,
                            int maxHeight);

// Button at a 1-based position: 70 x 24 at x = box width - 75 * position - 8, y = box height - 35.
Gdiplus::RectF MessageBoxButtonRect(int boxWidth, int boxHeight, int position);
