// The message box's text: a windowless control that draws a GBK text, wrapped to its width,
// in the toolkit's default font. It takes neither presses nor the focus, so a press on it
// drags the box like a press on the background.
#pragma once

#include <string>

#include "ui/core/Control.h"

inline constexpr Gdiplus::ARGB kMessageTextColour = 0xE0101820;

class MessageText : public Control {
 public:
  ~MessageText() override;
  using Control::Create;
  Control* Create(HWND hostWindow, const Gdiplus::RectF& bounds, std::string text);
  LRESULT MessageProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  AccessibleInfo Describe() override;
  const std::string& Text() const { return text_; }

 private:
  void Paint();
  std::string text_;
};
