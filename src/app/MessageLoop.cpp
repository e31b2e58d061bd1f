#include "app/Application.h"

#include <shellapi.h>

int MessageLoop() {
  MSG msg;
  for (;;) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) return 0;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void ProcessPendingMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message != WM_QUIT) {
    if (GetMessageA(&msg, nullptr, 0, 0) == 0) {
      // The quit arrived between the peek and the get: put it back for the message loop.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void OpenUrl(const std::string& url) {
  ShellExecuteA(nullptr, "open", url.c_str(), "", "", SW_SHOWNORMAL);
}
