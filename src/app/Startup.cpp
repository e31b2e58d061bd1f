#include <objbase.h>

#include "app/Application.h"
#include "ui/dialogs/EditContextMenu.h"
#include "ui/gfx/Toolkit.h"

int RunApplication() {
  HANDLE heap = GetProcessHeap();
  (void)heap;
  CoInitialize(nullptr);

  gfx::toolkit_startup(BuildEditContextMenu);
  CreateMainWindow();

  CoUninitialize();
  ExitProcess(0);
}
