// Test entry point shared by every GoogleTest executable: output as UTF-8 is not assumed,
// the texts under test are GBK bytes, so failures print escaped bytes.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  // A run in a sandbox of some system code page must really have it, or the tests that hold
  // "whatever the system's code page is" would prove nothing.
  if (const char* wanted = std::getenv("QUARVEL_CODEPAGE"); wanted && std::to_string(GetACP()) != wanted) {
    std::fprintf(stderr, "the system code page is %u, not %s\n", GetACP(), wanted);
    return 1;
  }
  testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  // The process ends here with the tests' result: a window destroyed on the way out could end
  // it with a code of its own (the main window's does, with 0), hiding a failure.
  std::fflush(stdout);
  std::fflush(stderr);
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(result));
  return result;
}
