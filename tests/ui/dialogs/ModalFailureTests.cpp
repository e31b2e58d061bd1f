// The two modal loops when memory runs short at one moment, anywhere from their set-up to their
// end: the menu and the box leave no window behind and open again next time.
#include <gtest/gtest.h>

#include "MenuDriving.h"
#include "support/FailingAllocations.h"
#include "ui/dialogs/MessageBox.h"

using namespace menu_testing;
using toolkit_testing::HostedWindow;

namespace {

BOOL CALLBACK CountWindow(HWND, LPARAM counter) {
  ++*reinterpret_cast<int*>(counter);
  return TRUE;
}

int ThreadWindows() {
  int count = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&count));
  return count;
}

// Runs show with the allocation at each place failing in turn (a step that grows, to keep the
// count of runs small) until one run needs no failure: after each, no window is left and the
// next showing, with memory, opens. `opened` says whether that showing opened.
void FailEverywhere(const std::function<void()>& show, const std::function<bool()>& opened) {
  show();  // the first showing makes what the thread keeps for later ones
  const int before = ThreadWindows();
  bool whole = false;
  for (long allowed = 0; allowed < 5000 && !whole; allowed += 1 + allowed / 6) {
    SCOPED_TRACE(allowed);
    gFailOnce = true;
    gAllocationFailures = 0;
    gAllocationsLeft = allowed;
    try {
      show();
    } catch (const std::bad_alloc&) {
      // Let out before the loop began: what the caller's boundary stops.
    }
    whole = gAllocationFailures == 0;
    gAllocationsLeft = -1;
    gFailOnce = false;
    Pump();
    EXPECT_EQ(ThreadWindows(), before) << "a window was left behind";
    show();
    EXPECT_TRUE(opened()) << "it did not open again";
  }
  EXPECT_TRUE(whole);
}

TEST(ModalFailures, TheMenuOpensAgain) {
  HostedWindow owner;
  owner.Show();
  PopupMenu menu;
  menu.add_item("first", {}, 0, kMenuCommand, kDeliverCommand, 0x101);
  menu.add_item("second", {}, 0, kMenuCommand, kDeliverCommand, 0x202);
  menu.SetCreated(CreatedTrampoline);
  OnCreated() = [](HWND window, int) { QueueKey(window, VK_ESCAPE); };
  const UINT_PTR safety = ArmSafetyNet(60000);
  POINT at{40, 40};
  ClientToScreen(owner.window, &at);
  FailEverywhere(
      [&] {
        CreatedWindows().clear();
        menu.popup_at(owner.window, at.x, at.y);
      },
      [] { return CreatedWindows().size() == 1; });
  KillTimer(nullptr, safety);
  OnCreated() = nullptr;
  EXPECT_EQ(SafetyNetClosings(), 0) << "a menu stayed open";
}

HWND gBoxWindow = nullptr;
void CloseBox(HWND window, int, int) {
  gBoxWindow = window;
  PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
}

TEST(ModalFailures, TheBoxOpensAgain) {
  HostedWindow owner;
  owner.Show();
  MessageBoxOptions options;
  options.created = CloseBox;
  options.beep = false;
  FailEverywhere(
      [&] {
        gBoxWindow = nullptr;
        show_message_box(owner.window, "text", options);
      },
      [] { return gBoxWindow != nullptr && !IsWindow(gBoxWindow); });
}

}  // namespace
