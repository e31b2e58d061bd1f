#include "app/StartupThreads.h"

// The update file and the ping are not fetched yet: both threads end at once.
DWORD WINAPI CheckForUpdate(LPVOID) { return 0; }
DWORD WINAPI StartupPing(LPVOID) { return 0; }
