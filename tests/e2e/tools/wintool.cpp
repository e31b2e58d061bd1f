// Small Windows-side probe for the whole-program tests, run under the same Wine server:
//   wintool info CAPTION          prints "x y width height visible pid clientwidth clientheight iconic"
//   wintool close CAPTION         posts WM_CLOSE to it
//   wintool close-others CAPTION  posts WM_CLOSE to every other top-level window of its process
// Exit code 0 on success, 2 when the window is not found.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

namespace {

struct Others {
  HWND main;
  DWORD pid;
  int count;
};

BOOL CALLBACK CloseOthers(HWND window, LPARAM param) {
  auto* others = reinterpret_cast<Others*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == others->pid && window != others->main) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    others->count++;
  }
  return TRUE;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argc < 3) {
    std::puts("usage: wintool info|close|close-others CAPTION");
    return 1;
  }
  std::wstring command = argv[1];
  HWND window = FindWindowW(nullptr, argv[2]);
  if (!window) return 2;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (command == L"info") {
    RECT r{}, c{};
    GetWindowRect(window, &r);
    GetClientRect(window, &c);
    std::printf("%ld %ld %ld %ld %d %lu %ld %ld %d\n", r.left, r.top, r.right - r.left, r.bottom - r.top,
                IsWindowVisible(window) ? 1 : 0, pid, c.right, c.bottom, IsIconic(window) ? 1 : 0);
  } else if (command == L"close") {
    PostMessageW(window, WM_CLOSE, 0, 0);
  } else if (command == L"close-others") {
    Others others{window, pid, 0};
    EnumWindows(CloseOthers, reinterpret_cast<LPARAM>(&others));
    std::printf("%d\n", others.count);
  } else {
    return 1;
  }
  std::fflush(stdout);
  return 0;
}
