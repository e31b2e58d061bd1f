// The edit box's decisions that need no window: which typed characters an input mode takes,
// which context-menu items are available, and which commands a mode allows.
#pragma once

#include <string_view>

// Input modes of an edit box.
inline constexpr int kEditModeText = 0;      // any text
inline constexpr int kEditModePassword = 1;  // drawn as the password character; no cut or paste
inline constexpr int kEditModePlain = 2;     // any text, without context menu and Ctrl commands
inline constexpr int kEditModeInteger = 3;   // digits and "-"
inline constexpr int kEditModeDecimal = 4;   // digits, "-", ".", "/" with at most one "."

// Typed characters arrive as WM_CHAR codes; only 28..126 are taken at all.
inline constexpr unsigned kEditFirstTypedCode = 28;
inline constexpr unsigned kEditLastTypedCode = 126;

// Whether a WM_CHAR code is inserted into a box of that mode holding text.
bool AcceptsTypedCode(int mode, unsigned code, std::string_view text);

// Whether the input method stays on while a box of that mode has the focus: every mode but
// plain text detaches it.
inline bool ModeKeepsIme(int mode) { return mode == kEditModeText; }

// Item states of the context menu for one showing (greyed -1, available 0 or 1).
struct EditMenuStates {
  bool show = false;  // false: the box shows no menu at all
  int cut = -1;
  int copy = -1;
  int paste = -1;
  int selectAll = -1;
  int undo = -1;
};

EditMenuStates ComputeEditMenuStates(int mode, bool hasSelection, bool clipboardHasText, bool textEmpty,
                                     bool canUndo = false);

// The commands of the menu and the Ctrl shortcuts (ids = virtual-key codes of the letters).
// Whether a command id does anything in a mode (the availability of the data aside).
bool CommandAllowed(int mode, int command);
bool IsEditCommand(int id);
