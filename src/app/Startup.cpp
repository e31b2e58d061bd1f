#include <objbase.h>

#include "app/Application.h"
#include "ui/gfx/Toolkit.h"

int RunApplication() {
  HANDLE heap = GetProcessHeap();
  (void)heap;
  CoInitialize(nullptr);

  gfx::toolkit_startup();
  CreateMainWindow();

  CoUninitialize();
  ExitProcess(0);
}
