#include <windows.h>

#include "app/Application.h"
#include "ui/gfx/SystemLibrary.h"
#include "ui/gfx/Text.h"

namespace {

// The exit code of a process that could not have GDI+.
constexpr UINT kExitNoGdiPlus = 4;

// What the delay-load helper raises when a DLL or one of its functions cannot be had.
constexpr DWORD kDelayLoadNoModule = 0xC06D007E;
constexpr DWORD kDelayLoadNoProcedure = 0xC06D007F;

// "Quarvel 无法启动：Windows 的 GDI+（gdiplus.dll）无法载入。"
constexpr char kNoGdiPlusText[] =
    "Quarvel \xce\xde\xb7\xa8\xc6\xf4\xb6\xaf\xa3\xbaWindows \xb5\xc4 GDI+\xa3\xa8gdiplus.dll\xa3\xa9\xce\xde\xb7\xa8"
    "\xd4\xd8\xc8\xeb\xa1\xa3";

// Every window of the program draws with GDI+, its own message box too: the system's says why it
// cannot start, and the process ends with a code of its own.
[[noreturn]] void EndWithoutGdiPlus() {
  MessageBoxW(nullptr, gfx::widen_text(kNoGdiPlusText).c_str(), L"Quarvel", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
  TerminateProcess(GetCurrentProcess(), kExitNoGdiPlus);
  ExitProcess(kExitNoGdiPlus);
}

// A delay-loaded call whose DLL or function is missing raises an exception nobody catches.
LONG WINAPI DelayLoadFailed(EXCEPTION_POINTERS* info) {
  const DWORD code = info && info->ExceptionRecord ? info->ExceptionRecord->ExceptionCode : 0;
  if (code == kDelayLoadNoModule || code == kDelayLoadNoProcedure) EndWithoutGdiPlus();
  return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  SetUnhandledExceptionFilter(DelayLoadFailed);
  // GDI+ is bound on its first call (cmake/DelayLoad.cmake), not at load where a gdiplus.dll
  // beside the exe would come first: loaded here from the system directory, it is the module
  // the delay-load helper is given for every call.
  if (!gfx::LoadSystemLibrary(L"gdiplus.dll")) EndWithoutGdiPlus();
  return RunApplication();
}
