// The floor under a search page's CPU: one page fetched through the program's own WinINet
// exchange, as the search asks for it (on a thread of its own that a stop can give up) and on
// the calling thread, and the empty queue service the search makes after each row.
//   fetch_bench.exe PORT [FETCHES]     (the site serves the term "stress" there)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "web/WebAccess.h"

namespace {

// The process's CPU (user and kernel) in milliseconds.
double ProcessCpu() {
  FILETIME created, ended, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
  auto ms = [](FILETIME t) {
    return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e4;
  };
  return ms(kernel) + ms(user);
}

void Fetches(const std::string& port, int count, bool withCancel, const char* what) {
  HANDLE cancel = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  size_t bytes = 0;
  const double cpu = ProcessCpu();
  const ULONGLONG start = GetTickCount64();
  for (int i = 0; i < count; ++i) {
    web::WebAccessArgs args;
    if (withCancel) args.cancel = cancel;
    bytes += web::WebAccess("http://127.0.0.1:" + port + "/ajax/search_next?s=stress&p=" + std::to_string(2 + i % 40),
                            args)
                 .size();
  }
  std::printf("%-44s %.2f ms CPU, %.1f ms in all (%.0f bytes a page)\n", what, (ProcessCpu() - cpu) / count,
              static_cast<double>(GetTickCount64() - start) / count, static_cast<double>(bytes) / count);
  CloseHandle(cancel);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::string port = argv[1];
  const int count = argc > 2 ? std::atoi(argv[2]) : 100;
  Fetches(port, 5, true, "(warming up)");
  Fetches(port, count, true, "a page, with a stop event (as the search):");
  Fetches(port, count, false, "a page, on the calling thread:");
  MSG msg;
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue now exists
  const int peeks = 20000;
  const double cpu = ProcessCpu();
  for (int i = 0; i < peeks; ++i) PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
  std::printf("%-44s %.1f us CPU (81 a page of 40 rows: %.2f ms)\n", "an empty queue looked at once:",
              (ProcessCpu() - cpu) * 1000 / peeks, (ProcessCpu() - cpu) * 81 / peeks);
  return 0;
}
