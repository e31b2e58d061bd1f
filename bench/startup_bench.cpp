// Start-up cost: from process start to the first presented frame of Quarvel's main window,
// beside a bare Win32 window started the same way, in the same run, with the peak memory of
// each process. A window counts as presented once it is visible and its thread has answered
// a message after showing it (BuildMainWindow presents the skin before it shows the window).
//
//   startup_bench.exe QUARVEL_EXE [ROUNDS]
//   startup_bench.exe --bare       (the bare window itself)
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kBareTitle[] = L"Bare window";

double Now() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

LRESULT CALLBACK BareProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    FillRect(dc, &paint.rcPaint, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EndPaint(window, &paint);
    return 0;
  }
  if (message == WM_CLOSE) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

int RunBareWindow() {
  WNDCLASSW type{};
  type.lpfnWndProc = BareProc;
  type.hInstance = GetModuleHandleW(nullptr);
  type.lpszClassName = L"BareBenchWindow";
  type.hCursor = LoadCursor(nullptr, IDC_ARROW);
  RegisterClassW(&type);
  HWND window = CreateWindowExW(0, type.lpszClassName, kBareTitle, WS_OVERLAPPEDWINDOW, 100, 100, 610, 515, nullptr,
                                nullptr, type.hInstance, nullptr);
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return 0;
}

struct Visible {
  DWORD process;
  HWND window;
};

BOOL CALLBACK FindVisible(HWND window, LPARAM state) {
  auto* wanted = reinterpret_cast<Visible*>(state);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == wanted->process && IsWindowVisible(window)) {
    RECT rect;
    GetWindowRect(window, &rect);
    if (rect.right - rect.left >= 600) {  // the 610 x 515 window, not a tooltip or helper
      wanted->window = window;
      return FALSE;
    }
  }
  return TRUE;
}

struct Sample {
  double milliseconds = 0;
  SIZE_T peakWorkingSet = 0;
  SIZE_T peakPrivate = 0;
};

// Starts the command, waits for its big window to be visible and answered, then ends it.
bool Measure(const std::wstring& command, Sample* sample) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::wstring line = command;
  const double start = Now();
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return false;
  }
  Visible found{process.dwProcessId, nullptr};
  bool shown = false;
  while (Now() - start < 60000) {
    EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&found));
    DWORD_PTR answer = 0;
    if (found.window && SendMessageTimeoutW(found.window, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &answer)) {
      shown = true;
      break;
    }
    Sleep(1);
  }
  sample->milliseconds = Now() - start;
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(process.hProcess, &memory, sizeof memory)) {
    sample->peakWorkingSet = memory.PeakWorkingSetSize;
    sample->peakPrivate = memory.PeakPagefileUsage;
  }
  TerminateProcess(process.hProcess, 0);
  WaitForSingleObject(process.hProcess, 10000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return shown;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--bare") == 0) return RunBareWindow();
  if (argc < 2) {
    std::fprintf(stderr, "usage: startup_bench QUARVEL_EXE [ROUNDS]\n");
    return 2;
  }
  const int rounds = argc >= 3 ? std::max(1, std::atoi(argv[2])) : 5;
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring bare = L"\"" + std::wstring(self) + L"\" --bare";
  const int length = MultiByteToWideChar(CP_ACP, 0, argv[1], -1, nullptr, 0);
  std::wstring quarvel(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, argv[1], -1, quarvel.data(), length);
  quarvel = L"\"" + std::wstring(quarvel.c_str()) + L"\"";

  std::vector<double> bareTimes, quarvelTimes;
  Sample bareSample, quarvelSample;
  // One round of each first, not counted: a program just built starts from a cold file cache.
  if (!Measure(bare, &bareSample) || !Measure(quarvel, &quarvelSample)) {
    std::fprintf(stderr, "startup_bench: a window did not appear\n");
    return 1;
  }
  for (int i = 0; i < rounds; ++i) {
    if (!Measure(bare, &bareSample) || !Measure(quarvel, &quarvelSample)) {
      std::fprintf(stderr, "startup_bench: a window did not appear\n");
      return 1;
    }
    bareTimes.push_back(bareSample.milliseconds);
    quarvelTimes.push_back(quarvelSample.milliseconds);
  }
  const double bareMs = Median(bareTimes), quarvelMs = Median(quarvelTimes);
  std::printf("rounds:                         %d (medians, after one round not counted)\n", rounds);
  std::printf("bare Win32 window, first frame: %.1f ms\n", bareMs);
  std::printf("Quarvel main window, first frame: %.1f ms\n", quarvelMs);
  std::printf("ratio:                          %.2fx\n", quarvelMs / bareMs);
  std::printf("peak working set: bare %.1f MB, Quarvel %.1f MB\n", bareSample.peakWorkingSet / 1048576.0,
              quarvelSample.peakWorkingSet / 1048576.0);
  std::printf("peak private bytes: bare %.1f MB, Quarvel %.1f MB\n", bareSample.peakPrivate / 1048576.0,
              quarvelSample.peakPrivate / 1048576.0);
  return 0;
}
