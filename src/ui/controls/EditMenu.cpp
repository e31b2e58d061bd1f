#include "ui/controls/EditMenu.h"

#include <atomic>

namespace {
std::atomic<EditMenu*> g_editContextMenu{nullptr};
}

void set_edit_context_menu(EditMenu* menu) { g_editContextMenu.store(menu); }
EditMenu* edit_context_menu() { return g_editContextMenu.load(); }
