#include "ui/controls/EditRules.h"

#include "ui/controls/EditMenu.h"

bool AcceptsTypedCode(int mode, unsigned code, std::string_view text) {
  if (code < kEditFirstTypedCode || code > kEditLastTypedCode) return false;
  const bool digit = code >= '0' && code <= '9';
  switch (mode) {
    case kEditModeInteger:
      return digit || code == '-';
    case kEditModeDecimal:
      if (code < '-' || code > '9') return false;  // "-", ".", "/" and the digits
      return code != '.' || text.find('.') == std::string_view::npos;
    default:
      return true;
  }
}

EditMenuStates ComputeEditMenuStates(int mode, bool hasSelection, bool clipboardHasText, bool textEmpty,
                                     bool canUndo) {
  EditMenuStates states;
  if (mode == kEditModePlain) return states;
  states.show = true;
  const bool password = mode == kEditModePassword;
  states.undo = !password && canUndo ? kEditItemAvailable : kEditItemGreyed;
  if (hasSelection) {
    states.copy = kEditItemAvailable;
    if (!password) states.cut = kEditItemAvailable;
  }
  states.paste = password || !clipboardHasText ? kEditItemGreyed : kEditItemAvailable;
  states.selectAll = textEmpty ? kEditItemGreyed : 1;
  return states;
}

bool IsEditCommand(int id) {
  return id == kEditCommandCut || id == kEditCommandCopy || id == kEditCommandPaste || id == kEditCommandSelectAll ||
         id == kEditCommandUndo || id == kEditCommandRedo;
}

bool CommandAllowed(int mode, int command) {
  if (mode == kEditModePlain || !IsEditCommand(command)) return false;
  if (mode == kEditModePassword) return command == kEditCommandCopy || command == kEditCommandSelectAll;
  return true;
}
