// One-time toolkit start-up and the globals every skinned window shares: GDI+, the
// operating-system major version, the default font and cursor, the control strip and the
// toolkit window class. Created on the UI thread before the first window; kept for the
// program's life.
#pragma once

#include <windows.h>

#include <span>

#include "ui/gfx/GdiPlus.h"
#include "ui/gfx/Image.h"

namespace gfx {

inline constexpr wchar_t kToolkitWindowClass[] = L"Tessel_DirectUI";
inline constexpr WORD kToolkitIconResource = 0x81;
inline constexpr int kControlStripWidth = 729;
inline constexpr int kControlStripHeight = 20;

// Builds the edit boxes' shared context menu; the menus live above this layer, so the
// application hands the builder in and the start-up calls it as its last step.
using StartupStep = void (*)();

// GDI+, OS version, default font, default cursor, window class, then the edit context menu
// builder when given. The control strip and the images given (those the first window draws)
// are decoded ahead on a worker meanwhile. Runs once; later calls only answer.
// Returns whether the toolkit window class is registered.
bool toolkit_startup(StartupStep buildEditContextMenu = nullptr, std::span<const ImageSource> firstImages = {});
bool ToolkitStarted();

DWORD OsMajorVersion();
HCURSOR DefaultCursor();
// A system cursor's name (IDC_ARROW, IDC_SIZEWE, ...) for the wide calls: the names are narrow
// ids in this build, the same numbers.
inline LPCWSTR SystemCursorId(LPCSTR name) { return reinterpret_cast<LPCWSTR>(name); }
// The module's icon resource 0x81 loaded by the class registration (null in this program).
HICON DefaultIcon();
// The 729x20 control strip as a 32-bit ARGB bitmap (null before start-up). UI thread only:
// the first call takes the decoded strip.
GpImage* ControlStrip();

// Registers "Tessel_DirectUI": CS_DBLCLKS unless a style is given, the default-procedure
// wrapper, icon resource 0x81 unless an icon is given, the default cursor unless one is given,
// background brush 16. Re-registering an existing class counts as success.
bool RegisterToolkitClass(UINT style = 0, HICON icon = nullptr, HCURSOR cursor = nullptr);

// The class procedure: everything goes to DefWindowProcW; a host's subclassing does the rest.
LRESULT CALLBACK ToolkitDefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The operating-system major version as the process environment block records it.
DWORD ReadOsMajorVersion();

}  // namespace gfx
