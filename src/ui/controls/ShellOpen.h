// Opening a link or a file with its registered handler. The shell may hand the work to COM
// extensions that need a single-threaded apartment, and may finish it asynchronously on the
// calling thread. So the call runs on the UI thread of a window when there is one (a worker
// waits for it there), else on the calling thread in a single-threaded apartment; and it waits
// until the shell is done (SEE_MASK_NOASYNC), so that a thread that ends right after the call
// takes nothing unfinished with it.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

// The shell call (ShellExecuteExW's signature); replaceable for tests.
using ShellExecuteExFunction = BOOL(WINAPI*)(SHELLEXECUTEINFOW*);

// Opens a GBK target ("open" verb, shown normally) on the UI thread of window, or on the calling
// thread when window is null, dead or no host window. The target is handed over as UTF-16, so
// the shell reads the same characters on any system code page. True when the shell took it.
bool ShellOpen(HWND window, const std::string& target, ShellExecuteExFunction execute = ShellExecuteExW);
