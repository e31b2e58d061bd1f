/* A DLL that is no part of Windows, built beside the toolkit's test exe: where a bare name is
   looked for in the exe's folder, this is what a planted DLL would be. Built as gdiplus.dll with
   QUARVEL_PLANTED_ENDS_PROCESS, it ends any process that loads it, with exit code 77. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  (void)reserved;
#ifdef QUARVEL_PLANTED_ENDS_PROCESS
  if (reason == DLL_PROCESS_ATTACH) ExitProcess(77);
#else
  (void)reason;
#endif
  return TRUE;
}
