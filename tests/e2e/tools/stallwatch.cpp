// Watches a window's UI thread for stalls, from outside its process, and says what the thread
// was doing while it did not answer (for the stress run):
//   stallwatch CAPTION SECONDS [LIMIT_MS]
// sends the window WM_NULL again and again for SECONDS; while one is unanswered for longer than
// LIMIT_MS (default 100), samples the UI thread's stack every 20 ms (suspend, read the context,
// walk the frames, name them from the program's debug information). Prints one JSON line per
// answer slower than the limit: {"at": UNIX_SECONDS, "ms": ..., "stacks": [["frame", ...], ...]}
// (when it was sent; distinct stacks, innermost frame first), then {"answers": N, "longest": MS}.
// Exit code 0; 2 when the window is not found.
#include <windows.h>
#include <dbghelp.h>
#include <shellapi.h>

#include <atomic>
#include <cstdio>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

// Seconds since 1970, as the other side of the tests reads the clock.
double UnixNow() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const unsigned long long ticks = (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  return static_cast<double>(ticks - 116444736000000000ULL) / 1e7;
}

double Now() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

std::string Json(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    if (static_cast<unsigned char>(c) < 0x20) continue;
    out += c;
  }
  return out + "\"";
}

// The frames of the thread's stack, innermost first: "function+offset" where the debug
// information names it, "module+offset" or the bare address otherwise.
std::vector<std::string> SampleStack(HANDLE process, HANDLE thread) {
  std::vector<std::string> frames;
  if (SuspendThread(thread) == static_cast<DWORD>(-1)) return frames;
  CONTEXT context{};
  context.ContextFlags = CONTEXT_FULL;
  if (GetThreadContext(thread, &context)) {
    STACKFRAME64 frame{};
    frame.AddrPC.Offset = context.Eip;
    frame.AddrPC.Mode = AddrModeFlat;
    frame.AddrFrame.Offset = context.Ebp;
    frame.AddrFrame.Mode = AddrModeFlat;
    frame.AddrStack.Offset = context.Esp;
    frame.AddrStack.Mode = AddrModeFlat;
    for (int depth = 0; depth < 24; ++depth) {
      if (!StackWalk64(IMAGE_FILE_MACHINE_I386, process, thread, &frame, &context, nullptr, SymFunctionTableAccess64,
                       SymGetModuleBase64, nullptr) ||
          frame.AddrPC.Offset == 0) {
        break;
      }
      char buffer[sizeof(SYMBOL_INFO) + 256] = {};
      auto* symbol = reinterpret_cast<SYMBOL_INFO*>(buffer);
      symbol->SizeOfStruct = sizeof(SYMBOL_INFO);
      symbol->MaxNameLen = 255;
      DWORD64 displacement = 0;
      char line[320];
      if (SymFromAddr(process, frame.AddrPC.Offset, &displacement, symbol)) {
        std::snprintf(line, sizeof line, "%s+0x%llx", symbol->Name, static_cast<unsigned long long>(displacement));
      } else {
        IMAGEHLP_MODULE64 module{};
        module.SizeOfStruct = sizeof(module);
        if (SymGetModuleInfo64(process, frame.AddrPC.Offset, &module)) {
          std::snprintf(line, sizeof line, "%s+0x%llx", module.ModuleName,
                        static_cast<unsigned long long>(frame.AddrPC.Offset - module.BaseOfImage));
        } else {
          std::snprintf(line, sizeof line, "0x%llx", static_cast<unsigned long long>(frame.AddrPC.Offset));
        }
      }
      frames.push_back(line);
    }
  }
  ResumeThread(thread);
  return frames;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argc < 3) {
    std::puts("usage: stallwatch CAPTION SECONDS [LIMIT_MS]");
    return 1;
  }
  HWND window = FindWindowW(nullptr, argv[1]);
  if (!window) return 2;
  const double seconds = _wtof(argv[2]);
  const double limit = argc > 3 ? _wtof(argv[3]) : 100.0;
  DWORD pid = 0;
  const DWORD threadId = GetWindowThreadProcessId(window, &pid);
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT | THREAD_QUERY_INFORMATION, FALSE, threadId);
  const bool canSample = process && thread;
  if (canSample) {
    SymSetOptions(SYMOPT_UNDNAME | SYMOPT_DEFERRED_LOADS);
    SymInitialize(process, nullptr, TRUE);
  }

  std::atomic<double> sentAt{0};
  std::atomic<bool> done{false};
  std::atomic<int> answers{0};
  double longest = 0;
  struct Slow {
    double at, ms;
    std::set<std::vector<std::string>> stacks;
  };
  std::vector<Slow> slow;
  std::set<std::vector<std::string>> stacks;
  std::atomic<double> lastAnswer{0};
  std::atomic<double> lastSentUnix{0};
  std::thread pinger([&] {
    const double end = Now() + seconds * 1000.0;
    while (Now() < end && IsWindow(window)) {
      sentAt = Now();
      lastSentUnix = UnixNow();
      DWORD_PTR result = 0;
      SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result);
      lastAnswer = Now() - sentAt;
      sentAt = 0;
      ++answers;
      Sleep(20);
    }
    done = true;
  });

  int seen = 0;
  while (!done) {
    Sleep(20);
    const double sent = sentAt;
    if (canSample && sent > 0 && Now() - sent > limit) stacks.insert(SampleStack(process, thread));
    if (answers != seen) {
      seen = answers;
      const double ms = lastAnswer;
      if (ms > longest) longest = ms;
      if (ms > limit) slow.push_back(Slow{lastSentUnix, ms, stacks});
      stacks.clear();
    }
  }
  pinger.join();
  for (const Slow& s : slow) {
    std::printf("{\"at\": %.3f, \"ms\": %.1f, \"stacks\": [", s.at, s.ms);
    bool firstStack = true;
    for (const auto& frames : s.stacks) {
      std::printf("%s[", firstStack ? "" : ", ");
      firstStack = false;
      for (size_t i = 0; i < frames.size(); ++i) std::printf("%s%s", i ? ", " : "", Json(frames[i]).c_str());
      std::printf("]");
    }
    std::printf("]}\n");
  }
  std::printf("{\"answers\": %d, \"longest\": %.1f}\n", answers.load(), longest);
  std::fflush(stdout);
  if (canSample) SymCleanup(process);
  return 0;
}
