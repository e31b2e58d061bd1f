// Start-up, the main window's creation, the UI thread's message loop and the way the
// program ends. The main window's contents are built by BuildMainWindow.
#pragma once

#include <windows.h>

#include <span>
#include <string>

#include "ui/gfx/Image.h"

// The caption of the main window: program title, major version, ".0版 " (GBK, trailing blank).
std::string MainWindowCaption();

// Runs the whole program on the calling (main) thread; returns only on a normal exit.
int RunApplication();

// The skin images the main window's first frame draws, the background with its copy stretched
// to the window.
std::span<const gfx::ImageSource> MainWindowImages();

// Creates the main window (610 x 515, shown by BuildMainWindow), runs MessageLoop, returns 0.
// Without a window the process ends instead.
int CreateMainWindow();

// Creates the main window without running the loop; the window handle or null.
HWND CreateMainForm();

// The form layer's created handler of the main window; a build that fails ends the process.
void BuildMainWindow(HWND window);

// Where BuildMainWindow places a window on a screen of the given size (device pixels) and DPI:
// the 300 pixels it keeps left and above the screen's middle scale with the DPI, and a scaled
// window does not start above or left of the screen.
POINT MainWindowPosition(int screenWidth, int screenHeight, int dpi = 96);

// The main window's message hook: ends the process on WM_CLOSE or WM_DESTROY of the main
// window, returns -1 (not handled) for everything else.
LRESULT MainWindowHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

int MessageLoop();

// Dispatches what is queued for this thread without waiting; a pending WM_QUIT stays queued.
void ProcessPendingMessages();

// Opens a link or file with its registered handler, on the main window's UI thread (ShellOpen);
// false when the shell could not.
bool OpenUrl(const std::string& url);
