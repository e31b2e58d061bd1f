// The result menu and what its items do with the current row of the visible results list:
// resolve and copy the magnet link, hand it to a download manager, open the cloud-play window.
// Everything here runs on the UI thread, inside the menu's item delivery.
#pragma once

#include <windows.h>

#include <string>

// Right-button-down handler of both results lists: opens the menu once the main list has rows
// (whichever list was clicked).
LRESULT ResultMenuGate(LPARAM, LPARAM, LPARAM, LPARAM, LPARAM);

// The same from the keyboard (the Apps key or Shift+F10 on either results list: its
// WM_CONTEXTMENU handler): the menu opens at the screen point in lParam, below the list's
// current row.
LRESULT ResultMenuKeyGate(LPARAM, LPARAM, LPARAM, LPARAM place, LPARAM);

// Ctrl+C on either results list (its WM_COPY handler): the copy item's work, boxes and all.
LRESULT CopyCurrentResult(LPARAM, LPARAM, LPARAM, LPARAM, LPARAM);

// Refills the result menu with its four items and shows it at the mouse position.
void ShowResultMenu();
// The same at a screen point.
void ShowResultMenuAt(POINT at);

// The magnet link of the visible list's current row, fetched from its detail page only when the
// row does not hold it yet, and then kept in the row. mode 0 copies it to the clipboard and says
// how that went; any other mode only returns it (a missing page is reported in every mode).
std::string ResolveMagnet(int mode);

// Menu item handlers (called with every argument 0).
void CopyMagnetLink(int mode);
void OpenThunderLink();
void OpenQqdlLink();
