// The skinned message box: a modal toolkit pop-up with a message, an optional icon and one
// of six button sets, shown instead of the system's message box. The call blocks in the
// box's own message loop until the box is gone and returns the pressed button's result
// code (MessageBoxLayout.h); Escape and the title bar's close button give kBoxCancel.
//
// Any thread may call it. The box always lives on the UI thread: a call from a thread that
// does not own the owner window is carried over to the owner's thread (the caller waits
// there), because the box draws with GDI+ objects the toolkit shares (default font, control
// strip, glow skin) that only the UI thread may use. Without an owner the box goes to the
// thread of the process's hosted windows, or stays on the caller's thread when it has one
// or when there is none.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/core/WindowHost.h"
#include "ui/dialogs/MessageBoxLayout.h"

// "提示：" in GBK, the default title.
inline constexpr char kMessageBoxTitle[] = "\xcc\xe1\xca\xbe\xa3\xba";
// The built-in look: background colour (Windows RGB) and window alpha.
inline constexpr int kMessageBoxColour = 0xFF8800;
inline constexpr int kMessageBoxAlpha = 210;

// Called once the box is laid out, before it is shown.
using MessageBoxCreated = void (*)(HWND box, int width, int height);

// A skin of the caller's instead of the built-in look.
struct MessageBoxSkin {
  std::vector<std::uint8_t> image;  // PNG/JPEG/GIF bytes
  int backgroundColour = -1;
  int alpha = -1;
  int imageLayout = 0;
  int cornerStyle = 7;
  bool draggable = true;
  std::optional<bool> glassBlur;  // [on from OS version 6 when an alpha is given]
  std::optional<NineSlice> nineSlice;
};

// The optional arguments, with their defaults.
struct MessageBoxOptions {
  int buttonSet = 0;
  std::string title = kMessageBoxTitle;
  int iconType = 0;                  // MB_ICONHAND, MB_ICONEXCLAMATION, ... (0: none)
  MessageBoxCreated created = nullptr;
  bool beep = true;
  bool centreOnOwner = false;        // else centred on the work area
  int frameFlags = kFrameCaption | kFrameClose;
  std::vector<std::string> customTexts;  // replace the set's labels, in set order
  int defaultButton = 1;             // 1-based in set order
  std::optional<MessageBoxSkin> customSkin;
  int showEffect = 0;
  std::optional<int> closeEffect;
  int buttonStyle = 0;               // 0: image (plain) buttons, else glow buttons
};

int show_message_box(HWND owner, std::string_view text, const MessageBoxOptions& options = {});
