// The two threads the main window starts once it is built: the update check (with the
// scrolling notice) and the start-up ping.
#pragma once

#include <windows.h>

DWORD WINAPI CheckForUpdate(LPVOID);
DWORD WINAPI StartupPing(LPVOID);

// The notice timer's procedure (UI thread, every 100 ms).
void CALLBACK ScrollNotice(HWND, UINT, UINT_PTR, DWORD);
