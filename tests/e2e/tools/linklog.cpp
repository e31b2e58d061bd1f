// Stands in for the programs registered for link schemes in the test prefix: appends the link
// it was started with to a log file, one line each, in UTF-8. The command line is read wide,
// so a link reads the same whatever the system's code page is.
//   linklog.exe LOGFILE LINK
#include <windows.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  const int size = WideCharToMultiByte(CP_UTF8, 0, argv[2], -1, nullptr, 0, nullptr, nullptr);
  std::string link(static_cast<size_t>(size > 0 ? size : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, argv[2], -1, link.data(), size, nullptr, nullptr);
  FILE* log = _wfopen(argv[1], L"ab");
  if (!log) return 1;
  std::fputs(link.c_str(), log);
  std::fputs("\n", log);
  std::fclose(log);
  return 0;
}
