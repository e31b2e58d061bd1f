#include "ui/controls/EditMenu.h"

#include <atomic>

namespace {
std::atomic<EditMenu*> gEditContextMenu{nullptr};
}

void SetEditContextMenu(EditMenu* menu) { gEditContextMenu.store(menu); }
EditMenu* InstalledEditContextMenu() { return gEditContextMenu.load(); }
