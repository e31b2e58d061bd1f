// Stands in for the programs registered for link schemes in the test prefix: appends the link
// it was started with to a log file, one line each.
//   linklog.exe LOGFILE LINK
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  FILE* log = std::fopen(argv[1], "ab");
  if (!log) return 1;
  std::fputs(argv[2], log);
  std::fputs("\n", log);
  std::fclose(log);
  return 0;
}
