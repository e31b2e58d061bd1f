#include "app/Application.h"

#include "app/AppState.h"
#include "ui/controls/ShellOpen.h"

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

bool OpenUrl(const std::string& url) {
  // Always from the UI thread: the update check asks from a worker that ends right after.
  return ShellOpen(AppState.mainWindow, url);
}
