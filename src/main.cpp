#include <windows.h>

#include "app/Application.h"
#include "ui/gfx/SystemLibrary.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // GDI+ is bound on its first call (cmake/DelayLoad.cmake), not at load where a gdiplus.dll
  // beside the exe would come first: loaded here from the system directory, it is the module
  // the delay-load helper is given for every call.
  gfx::LoadSystemLibrary(L"gdiplus.dll");
  return RunApplication();
}
