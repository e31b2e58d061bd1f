// The two frame parts that the host places in the title bar itself: the window icon
// (16x16 at 11,11) and the caption label (white text, alpha 250). Both are plain controls
// that take no presses and no focus, so a press on them drags the window.
#pragma once

#include <string>

#include "ui/core/Control.h"

class FrameIcon : public Control {
 public:
  ~FrameIcon() override;
  Control* CreateIcon(HWND hostWindow, HICON icon);
  LRESULT MessageProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  AccessibleInfo Describe() override;

 private:
  void Paint();
  HICON icon_ = nullptr;
};

class CaptionLabel : public Control {
 public:
  ~CaptionLabel() override { Destroy(); }
  Control* CreateCaption(HWND hostWindow, Gdiplus::RectF bounds, std::string text);
  void SetText(std::string text);
  const std::string& Text() const { return text_; }
  LRESULT MessageProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  AccessibleInfo Describe() override;

 private:
  void Paint();
  std::string text_;
};
