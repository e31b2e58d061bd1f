// Small Windows-side probe for the whole-program tests, run under the same Wine server:
//   wintool info CAPTION          prints "x y width height visible pid clientwidth clientheight iconic"
//   wintool child CAPTION CLASS   prints "x y width height" of its first child window of that
//                                 class, in its client coordinates (exit code 2 without one)
//   wintool close CAPTION         posts WM_CLOSE to it
//   wintool close-others CAPTION  posts WM_CLOSE to every other top-level window of its process
//   wintool ping CAPTION [MS]     sends WM_NULL with a time-out (default 200 ms); prints the
//                                 milliseconds it took, exit code 4 when it timed out
//   wintool resources CAPTION     prints "gdi user privatebytes exact" of the window's process
//                                 (exact 0: counted from the GDI handle table and its windows)
//   wintool start-close EXE CAPTION MS
//                                 starts EXE, posts WM_CLOSE to its window CAPTION the moment
//                                 the window exists (before it is shown, if it can), prints
//                                 "closed VISIBLE" (VISIBLE 0 or 1 when the close was posted)
//                                 and waits until the process has ended. Each wait lasts at
//                                 most MS milliseconds; a process still there at the end is
//                                 terminated: exit code 6 when no window appeared, 4 when the
//                                 process lived on after the close (it prints whether its window
//                                 is still there), 5 when it ended without a window
//   wintool reg-get KEY NAME      prints "TYPE DATA" (REG_SZ or REG_EXPAND_SZ, a tab between) of
//                                 the value NAME ("" for the key's default) of KEY
//                                 (HKCR\..., HKCU\... or HKLM\...); exit code 2 without one
//   wintool reg-set KEY NAME DATA [TYPE]
//                                 sets the value (REG_SZ unless TYPE is REG_EXPAND_SZ),
//                                 making the key if need be
//   wintool reg-delete KEY NAME   deletes the value
//   wintool acp                   prints the system's ANSI code page (936, 1252, ...)
//   wintool serve                 the commands above but start-close and desktop, one per
//                                 input line (see serve_lines.h)
//   wintool desktop               makes (and destroys) one hidden window: prints "up" once the
//                                 session's desktop is up (exit code 3 when no window could be
//                                 made), then stays until its standard input ends, so that the
//                                 desktop stays up for the programs started after it
// Captions come in as UTF-16 (the command line read wide, or a served line's UTF-8), so they
// match on any code page.
// Exit code 0 on success, 2 when the window is not found.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "process_figures.h"
#include "serve_lines.h"

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

// Starts the program and closes its window as soon as it appears, then waits for its end.
int StartAndClose(const wchar_t* exe, const wchar_t* caption, DWORD limitMs) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::wstring commandLine = L"\"" + std::wstring(exe) + L"\"";
  if (!CreateProcessW(exe, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    std::puts("cannot start");
    return 3;
  }
  CloseHandle(process.hThread);
  auto giveUp = [&](const char* what, int code) {
    TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hProcess);
    std::puts(what);
    return code;
  };
  const ULONGLONG start = GetTickCount64();
  HWND window = nullptr;
  for (;;) {
    HWND found = FindWindowW(nullptr, caption);
    DWORD pid = 0;
    if (found) GetWindowThreadProcessId(found, &pid);
    if (found && pid == process.dwProcessId) {
      window = found;
      break;
    }
    if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) {
      DWORD exitCode = 0;
      GetExitCodeProcess(process.hProcess, &exitCode);
      CloseHandle(process.hProcess);
      std::printf("ended without a window, exit code %lu\n", exitCode);
      return 5;
    }
    if (GetTickCount64() - start > limitMs) return giveUp("no window", 6);
  }
  const int visible = IsWindowVisible(window) ? 1 : 0;
  PostMessageW(window, WM_CLOSE, 0, 0);
  std::printf("closed %d\n", visible);
  std::fflush(stdout);
  if (WaitForSingleObject(process.hProcess, limitMs) != WAIT_OBJECT_0) {
    return giveUp(IsWindow(window) ? "lived on, its window still there" : "lived on without its window", 4);
  }
  CloseHandle(process.hProcess);
  return 0;
}

// The registry's root and the rest of a path such as HKCR\magnet\shell; null root when unknown.
HKEY SplitKey(const std::wstring& path, std::wstring* rest) {
  const size_t slash = path.find(L'\\');
  const std::wstring root = path.substr(0, slash);
  *rest = slash == std::wstring::npos ? std::wstring() : path.substr(slash + 1);
  if (root == L"HKCR") return HKEY_CLASSES_ROOT;
  if (root == L"HKCU") return HKEY_CURRENT_USER;
  if (root == L"HKLM") return HKEY_LOCAL_MACHINE;
  return nullptr;
}

// reg-get, reg-set and reg-delete: the link handlers a test puts in place and takes away again,
// without a reg.exe process for each value.
int RegistryCommand(const std::vector<std::wstring>& args) {
  if (args.size() < 3) return 1;
  std::wstring path;
  const HKEY root = SplitKey(args[1], &path);
  if (!root) return 1;
  const wchar_t* name = args[2].empty() ? nullptr : args[2].c_str();
  if (args[0] == L"reg-get") {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return 2;
    DWORD type = 0, size = 0;
    LSTATUS status = RegQueryValueExW(key, name, nullptr, &type, nullptr, &size);
    std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
    if (status == ERROR_SUCCESS) {
      size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
      status = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    }
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return 2;
    data.resize(wcsnlen(data.c_str(), size / sizeof(wchar_t)));
    std::printf("%s\t%s\n", type == REG_SZ ? "REG_SZ" : "REG_EXPAND_SZ", tool_serve::Utf8(data).c_str());
    return 0;
  }
  if (args[0] == L"reg-set" && args.size() >= 4) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
      return 3;
    }
    const DWORD type = args.size() > 4 && args[4] == L"REG_EXPAND_SZ" ? REG_EXPAND_SZ : REG_SZ;
    const LSTATUS status = RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(args[3].c_str()),
                                          static_cast<DWORD>((args[3].size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? 0 : 3;
  }
  if (args[0] == L"reg-delete") {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return 2;
    const LSTATUS status = RegDeleteValueW(key, name);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? 0 : 2;
  }
  return 1;
}

// Runs one command (args[0]); prints its lines and returns its code.
int RunCommand(const std::vector<std::wstring>& args) {
  auto arg = [&](size_t i) -> const wchar_t* { return i < args.size() ? args[i].c_str() : nullptr; };
  if (args.size() == 1 && args[0] == L"acp") {
    std::printf("%u\n", GetACP());
    return 0;
  }
  if (args.size() < 2) {
    std::puts("usage: wintool info|close|close-others|ping|resources CAPTION | wintool acp");
    return 1;
  }
  const std::wstring& command = args[0];
  if (command.rfind(L"reg-", 0) == 0) return RegistryCommand(args);
  if (command == L"start-close") {
    return args.size() > 3 ? StartAndClose(arg(1), arg(2), static_cast<DWORD>(_wtoi(arg(3)))) : 1;
  }
  HWND window = FindWindowW(nullptr, arg(1));
  if (!window) return 2;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (command == L"info") {
    RECT r{}, c{};
    GetWindowRect(window, &r);
    GetClientRect(window, &c);
    std::printf("%ld %ld %ld %ld %d %lu %ld %ld %d\n", r.left, r.top, r.right - r.left, r.bottom - r.top,
                IsWindowVisible(window) ? 1 : 0, pid, c.right, c.bottom, IsIconic(window) ? 1 : 0);
  } else if (command == L"child") {
    HWND child = arg(2) ? FindWindowExW(window, nullptr, arg(2), nullptr) : nullptr;
    if (!child) return 2;
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
  } else if (command == L"close") {
    PostMessageW(window, WM_CLOSE, 0, 0);
  } else if (command == L"close-others") {
    Others others{window, pid, 0};
    EnumWindows(CloseOthers, reinterpret_cast<LPARAM>(&others));
    std::printf("%d\n", others.count);
  } else if (command == L"ping") {
    const UINT limit = arg(2) ? static_cast<UINT>(_wtoi(arg(2))) : 200;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    DWORD_PTR result = 0;
    const LRESULT answered = SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, limit, &result);
    QueryPerformanceCounter(&end);
    std::printf("%.1f\n", (end.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart);
    return answered ? 0 : 4;
  } else if (command == L"resources") {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process) return 3;
    const figures::ProcessFigures f = figures::Measure(process, pid);
    CloseHandle(process);
    std::printf("%lu %lu %lu %d\n", f.gdi, f.user, static_cast<unsigned long>(f.privateBytes), f.exact ? 1 : 0);
  } else {
    return 1;
  }
  return 0;
}

// Stays until standard input ends, so that Wine's desktop stays up for the programs started
// after it.
int HoldDesktop() {
  // The first window of a session starts Wine's desktop process; on a loaded machine that
  // start can time out, and the window is then refused.
  HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  if (!probe) return 3;
  DestroyWindow(probe);
  std::puts("up");
  std::fflush(stdout);
  // Wine closes a session's desktop (and ends its process) once the last program on it has
  // ended; the next program would have to start it again, and under load that start times out.
  char line[64];
  while (std::fgets(line, sizeof line, stdin)) {
  }
  return 0;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  const std::vector<std::wstring> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == L"desktop") return HoldDesktop();
  if (args.size() == 1 && args[0] == L"serve") {
    return tool_serve::Serve([](const std::vector<std::wstring>& served) {
      // A served probe starts no program: one it started could hold the answers' pipe open.
      return !served.empty() && served[0] != L"start-close" && served[0] != L"desktop" ? RunCommand(served) : 1;
    });
  }
  const int code = RunCommand(args);
  std::fflush(stdout);
  return code;
}
