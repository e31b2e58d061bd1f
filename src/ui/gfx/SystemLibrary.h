// DLLs of Windows itself, loaded from the system directory only. A bare name is looked for in
// the exe's own folder first, so a DLL of that name saved beside a downloaded Quarvel.exe would
// run inside it; every DLL the program binds by name goes through here instead.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace gfx {

// How the system directory is searched: LoadLibraryExW with LOAD_LIBRARY_SEARCH_SYSTEM32 where
// the loader knows the flag (Windows 8 and later, Windows 7 with KB2533623, told by
// AddDllDirectory being there), else the DLL's full path in GetSystemDirectoryW.
enum class SystemSearch { Best, SearchFlag, FullPath };

// "<directory>\<name>"; empty for an empty directory or a name that is not a bare file name
// (a path, a drive or a parent reference would leave the directory).
std::wstring SystemLibraryPath(std::wstring_view directory, std::wstring_view name);

// Loads name (a bare file name such as L"atl.dll") from the system directory; null when it is
// not there. Holds the loader's usual reference: the caller frees it or keeps it for good.
HMODULE LoadSystemLibrary(const wchar_t* name, SystemSearch search = SystemSearch::Best);

}  // namespace gfx
