// System DLLs come from the system directory only, whichever way the loader is asked.
#include <gtest/gtest.h>

#include <windows.h>

#include <cwctype>
#include <string>

#include "ui/gfx/SystemLibrary.h"

namespace {

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

std::wstring ModulePath(HMODULE module) {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
  return std::wstring(path, length);
}

std::wstring SystemDirectory() {
  wchar_t path[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(path, MAX_PATH);
  return std::wstring(path, length);
}

TEST(SystemLibrary, PathsStayInTheSystemDirectory) {
  struct Case {
    const wchar_t* directory;
    const wchar_t* name;
    const wchar_t* path;
  } cases[] = {
      {L"C:\\windows\\system32", L"atl.dll", L"C:\\windows\\system32\\atl.dll"},
      {L"C:\\windows\\system32\\", L"dwmapi.dll", L"C:\\windows\\system32\\dwmapi.dll"},
      {L"", L"atl.dll", L""},                             // no directory: nothing to load
      {L"C:\\windows\\system32", L"", L""},
      {L"C:\\windows\\system32", L"..\\evil.dll", L""},   // a name may not leave the directory
      {L"C:\\windows\\system32", L"sub/evil.dll", L""},
      {L"C:\\windows\\system32", L"D:evil.dll", L""},
      {L"C:\\windows\\system32", L"..", L""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(gfx::SystemLibraryPath(c.directory, c.name), c.path) << c.directory << " + " << c.name;
  }
}

TEST(SystemLibrary, LoadsWindowsDllsFromTheSystemDirectoryEitherWay) {
  const std::wstring system = Lower(SystemDirectory()) + L"\\";
  ASSERT_GT(system.size(), 1u);
  for (const wchar_t* name : {L"atl.dll", L"dwmapi.dll", L"shcore.dll", L"oleacc.dll", L"wininet.dll"}) {
    for (gfx::SystemSearch search :
         {gfx::SystemSearch::Best, gfx::SystemSearch::SearchFlag, gfx::SystemSearch::FullPath}) {
      SCOPED_TRACE(static_cast<int>(search));
      HMODULE module = gfx::LoadSystemLibrary(name, search);
      ASSERT_NE(module, nullptr) << name;
      EXPECT_EQ(Lower(ModulePath(module)), system + name);
      FreeLibrary(module);
    }
  }
}

TEST(SystemLibrary, NeverTakesADllBesideTheExe) {
  // A bare name finds the DLL next to the exe; the system directory has none of that name.
  constexpr wchar_t kPlanted[] = L"quarvel_planted.dll";
  HMODULE planted = LoadLibraryW(kPlanted);
  ASSERT_NE(planted, nullptr) << "the planted DLL is built beside the test exe";
  FreeLibrary(planted);
  for (gfx::SystemSearch search : {gfx::SystemSearch::Best, gfx::SystemSearch::SearchFlag, gfx::SystemSearch::FullPath}) {
    EXPECT_EQ(gfx::LoadSystemLibrary(kPlanted, search), nullptr) << static_cast<int>(search);
  }
  EXPECT_EQ(gfx::LoadSystemLibrary(nullptr), nullptr);
}

}  // namespace
