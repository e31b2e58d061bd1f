#include <objbase.h>

#include "app/Application.h"
#include "ui/dialogs/EditContextMenu.h"
#include "ui/gfx/Toolkit.h"

int RunApplication() {
  HANDLE heap = GetProcessHeap();
  (void)heap;
  // The skin images of the first frame decode on a worker while COM starts and the window is made.
  gfx::toolkit_startup(BuildEditContextMenu, MainWindowImages());
  CoInitialize(nullptr);
  CreateMainWindow();

  CoUninitialize();
  ExitProcess(0);
}
