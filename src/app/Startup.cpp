#include <objbase.h>

#include "app/Application.h"

int RunApplication() {
  HANDLE heap = GetProcessHeap();
  (void)heap;
  CoInitialize(nullptr);

  CreateMainWindow();

  CoUninitialize();
  ExitProcess(0);
}
