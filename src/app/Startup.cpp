#include <objbase.h>

#include "app/Application.h"
#include "app/CloudPlay.h"
#include "ui/dialogs/EditContextMenu.h"
#include "ui/gfx/Toolkit.h"

int RunApplication() {
  HANDLE heap = GetProcessHeap();
  (void)heap;
  CoInitialize(nullptr);

  gfx::toolkit_startup(BuildEditContextMenu);
  InitActiveXHost();
  CreateMainWindow();

  CoUninitialize();
  ExitProcess(0);
}
