// The serve mode of the test tools: one command per line of standard input (UTF-8, arguments
// separated by tabs), each answered by its output lines and {"done": CODE}, until the input
// ends. A test asks many questions without starting a Wine process for each one. Texts cross
// in UTF-8 both ways.
#pragma once

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace tool_serve {

inline std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
  return out;
}

inline std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

// run(args) answers one command (args[0] the command) by printing its lines; returns its code.
template <typename Run>
int Serve(Run run) {
  _setmode(_fileno(stdin), _O_BINARY);
  std::string line;
  for (int c; (c = std::getchar()) != EOF;) {
    if (c != '\n') {
      line += static_cast<char>(c);
      continue;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::wstring> args;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1) {
      args.push_back(Wide(line.substr(start, tab - start)));
    }
    args.push_back(Wide(line.substr(start)));
    line.clear();
    const int code = run(args);
    std::fflush(stdout);
    std::printf("{\"done\": %d}\n", code);
    std::fflush(stdout);
  }
  return 0;
}

}  // namespace tool_serve
