#include "ui/controls/ShellOpen.h"

#include "ui/core/UiThread.h"
#include "ui/gfx/ComApartment.h"
#include "ui/gfx/GdiHandles.h"
#include "ui/gfx/Text.h"

namespace {

struct ShellCall {
  SHELLEXECUTEINFOW* info;
  ShellExecuteExFunction execute;
  bool done = false;
};

DWORD WINAPI RunShellCall(LPVOID parameter);

// In the single-threaded apartment the shell's documentation asks for. A thread that is in the
// multi-threaded apartment already cannot change: a thread of its own makes the call and this one
// waits for it.
bool ExecuteInApartment(ShellCall& call) {
  const gfx::ComApartment com(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  if (com.InOtherApartment()) {
    gfx::KernelHandle thread(CreateThread(nullptr, 0, RunShellCall, &call, 0, nullptr));
    if (thread) WaitForSingleObject(thread.Get(), INFINITE);
    return call.done;
  }
  call.done = call.execute(call.info) != FALSE;
  return call.done;
}

DWORD WINAPI RunShellCall(LPVOID parameter) {
  ExecuteInApartment(*static_cast<ShellCall*>(parameter));
  return 0;
}

}  // namespace

bool ShellOpen(HWND window, const std::string& target, ShellExecuteExFunction execute) {
  if (!execute) return false;
  const std::wstring file = gfx::widen_text(target);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOASYNC;
  // A box the shell or the handler shows belongs to the window: in front of it, not lost behind.
  info.hwnd = window && IsWindow(window) ? window : nullptr;
  info.lpVerb = L"open";
  info.lpFile = file.c_str();
  info.nShow = SW_SHOWNORMAL;
  ShellCall call{&info, execute};
  const auto run = [&call] { ExecuteInApartment(call); };
  if (!ui::RunOnUiThread(window, run)) run();
  return call.done;
}
