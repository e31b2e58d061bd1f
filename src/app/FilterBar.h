// The filter over the results: Ctrl+F opens a bar inside the bottom of the list area whose box
// narrows both lists as the user types (words and size bounds), rows still arriving included,
// and says how many rows of the shown list pass. It stays across searches and tabs until
// closed (Esc in it, or its close glyph); closed, every row shows again.
#pragma once

#include <windows.h>

#include <string>

#include "app/MainControls.h"
#include "ui/gfx/Image.h"

// Where the bar goes: the list area's bottom (window client coordinates) and width.
struct FilterBarPlace {
  float left = 0, listTop = 0, width = 0, listHeight = 0;
  gfx::ByteSpan band;  // the bar's background, nine-sliced
};
inline constexpr float kFilterBarHeight = 26;

// Makes the bar's controls (hidden) and hands the lists their filtered-out line.
void CreateFilterBar(HWND window, MainControls& ui, const FilterBarPlace& place);

// UI thread. Opening twice only puts the focus back in the box.
void OpenFilterBar(MainControls& ui);
void CloseFilterBar(MainControls& ui);
bool FilterBarOpen();

// Posted to the main window after a change of the filter: the list not on screen takes it.
inline constexpr UINT kFilterOtherListMessage = WM_APP + 0x151;
void FilterOtherList(MainControls& ui);

// The count line: "显示 shown / all" of the list on screen.
std::string FilterCountText(int shown, int all);

// Says again how many rows of the shown list pass; nothing while the bar is closed. Any thread.
void RefreshFilterCount(MainControls& ui);

// Keys the main window sees first: Ctrl+F opens the bar, Esc in its box closes it. True when
// the key was taken.
bool FilterBarKey(MainControls& ui, WPARAM key);
