#include "app/Application.h"
#include "ui/dialogs/EditContextMenu.h"
#include "ui/gfx/ComApartment.h"
#include "ui/gfx/Toolkit.h"
#include "web/WebAccess.h"

int RunApplication() {
  // The skin images of the first frame decode on a worker while COM starts and the window is made.
  gfx::toolkit_startup(BuildEditContextMenu, MainWindowImages());
  // The UI thread never waits for a page: every fetch runs on a worker.
  web::RefuseFetchesOnThisThread();
  {
    const gfx::ComApartment com;
    CreateMainWindow();
  }
  ExitProcess(0);
}
