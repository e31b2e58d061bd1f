#include "app/Application.h"

#include <shellapi.h>

#include "ui/gfx/Text.h"

// Every window of the program is a Unicode one: the loops take wide messages, so typed and
// composed characters are not squeezed through the system's ANSI code page on the way.

int MessageLoop() {
  MSG msg;
  for (;;) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) return 0;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void ProcessPendingMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message != WM_QUIT) {
    if (GetMessageW(&msg, nullptr, 0, 0) == 0) {
      // The quit arrived between the peek and the get: put it back for the message loop.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void OpenUrl(const std::string& url) {
  // The link is GBK: handed over as UTF-16, the shell reads it the same on any system.
  ShellExecuteW(nullptr, L"open", gfx::widen_text(url).c_str(), L"", L"", SW_SHOWNORMAL);
}
