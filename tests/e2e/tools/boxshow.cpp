// Shows the toolkit's message box with the text given on the command line (as a GBK text) and
// exits with the result code of the button pressed; a stand-in for a message box of the
// program while the program shows none that a test can reach.
//   boxshow TEXT
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "ui/dialogs/MessageBox.h"
#include "ui/gfx/Text.h"
#include "ui/gfx/Toolkit.h"

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argc < 2) return 100;
  CoInitialize(nullptr);
  gfx::toolkit_startup();
  MessageBoxOptions options;
  options.beep = false;
  return show_message_box(nullptr, gfx::narrow_text(argv[1], 936), options);
}
