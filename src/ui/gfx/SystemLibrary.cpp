#include "ui/gfx/SystemLibrary.h"

namespace gfx {

namespace {

// Windows 7 without KB2533623 rejects the flag (ERROR_INVALID_PARAMETER); the function that
// came with the update tells whether it is understood.
bool LoaderKnowsSearchFlags() {
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  return kernel && GetProcAddress(kernel, "AddDllDirectory") != nullptr;
}

std::wstring SystemDirectory() {
  std::wstring directory(MAX_PATH, L'\0');
  UINT length = GetSystemDirectoryW(directory.data(), static_cast<UINT>(directory.size()));
  if (length >= directory.size()) {
    directory.resize(length);
    length = GetSystemDirectoryW(directory.data(), static_cast<UINT>(directory.size()));
  }
  directory.resize(length < directory.size() ? length : 0);
  return directory;
}

}  // namespace

std::wstring SystemLibraryPath(std::wstring_view directory, std::wstring_view name) {
  const bool bare = !name.empty() && name.find_first_of(L"\\/:") == std::wstring_view::npos && name != L"." &&
                    name != L"..";
  if (directory.empty() || !bare) return {};
  std::wstring path(directory);
  if (path.back() != L'\\') path += L'\\';
  path += name;
  return path;
}

HMODULE LoadSystemLibrary(const wchar_t* name, SystemSearch search) {
  if (!name) return nullptr;
  if (search == SystemSearch::Best) {
    search = LoaderKnowsSearchFlags() ? SystemSearch::SearchFlag : SystemSearch::FullPath;
  }
  const std::wstring path = SystemLibraryPath(SystemDirectory(), name);
  if (path.empty()) return nullptr;
  if (search == SystemSearch::SearchFlag) return LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  // With a full path the DLL itself comes from there; LOAD_WITH_ALTERED_SEARCH_PATH looks for
  // what it needs beside it, in the system directory, rather than beside the exe.
  return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace gfx
