/* A DLL that is no part of Windows, built beside the toolkit's test exe: where a bare name is
   looked for in the exe's folder, this is what a planted DLL would be. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  (void)reason;
  (void)reserved;
  return TRUE;
}
