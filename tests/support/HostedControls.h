// Control tests use the shared toolkit test helpers; their windows are 400 x 300 with a frame
// chosen per test and a skin colour behind the title-bar buttons.
#pragma once

#include "support/ToolkitTesting.h"

namespace controls_testing {

using toolkit_testing::AlphaOf;
using toolkit_testing::ImagePixel;
using toolkit_testing::Pump;
using toolkit_testing::PumpFor;
using toolkit_testing::PumpUntil;
using toolkit_testing::SurfacePixel;

struct HostedWindow : toolkit_testing::HostedWindow {
  explicit HostedWindow(AttachOptions options, int width = 400, int height = 300)
      : toolkit_testing::HostedWindow(options, width, height) {}

  static AttachOptions Frame(int flags) {
    AttachOptions options;
    options.frameFlags = flags;
    options.backgroundColour = RGB(30, 110, 130);
    return options;
  }
  using toolkit_testing::HostedWindow::Send;
  LRESULT Send(UINT message, WPARAM wParam, int x, int y) { return Send(message, wParam, MAKELPARAM(x, y)); }
};

}  // namespace controls_testing
