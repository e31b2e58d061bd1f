#include "app/StartupThreads.h"

#include "Hosts.h"
#include "app/AppState.h"
#include "app/Application.h"
#include "app/MainControls.h"
#include "app/ResultActions.h"
#include "links/UpdateCheck.h"
#include "links/UpdateFile.h"
#include "ui/core/UiThread.h"
#include "ui/dialogs/MessageBox.h"
#include "web/WebAccess.h"

namespace {

// Not 1 (the host's own timer) and far below the control addresses that key control timers.
constexpr UINT_PTR kNoticeTimerId = 0x2A;

std::string FetchUpdateFile() {
  web::ByteArray bytes = web::WebAccessBytes(std::string("http://") + hosts::kUpdateHost +
                                             std::string(links::kUpdateFilePath));
  return std::string(bytes.begin(), bytes.end());
}

void Announce(MainControls& ui, const links::UpdatePlan& plan) {
  // The link is in place before the label can be clicked.
  if (!plan.link.empty()) AppState.SetUpdateLink(plan.link);
  ui.updateLabel.SetText(plan.caption);
  ui.updateLabel.Visible(true);
  MessageBoxOptions options;
  options.title = links::UpdatePromptTitle();
  // Never inside a result action: the prompt waits for it to end, and opens on the UI thread
  // only while none runs there.
  for (;;) {
    WaitForResultActionsToEnd();
    bool shown = false;
    const bool ran = ui::RunOnUiThread(AppState.mainWindow, [&] {
      if (ResultActionRunning()) return;
      shown = true;
      show_message_box(AppState.mainWindow, links::UpdatePromptText(hosts::kProductHost), options);
    });
    if (!ran || shown) break;
  }
  if (!plan.link.empty()) OpenUrl(plan.link);
}

void StartNotice(MainControls& ui, const links::UpdatePlan& plan) {
  ui.noticeLabel.SetText(plan.notice);
  ui.noticeLabel.Width(static_cast<float>(plan.noticeWidth));
  ui.noticeLabel.Left(links::kNoticeStartLeft);
  // A timer belongs to the thread of its window: set it there.
  HWND window = AppState.mainWindow;
  ui::RunOnUiThread(window, [window] { SetTimer(window, kNoticeTimerId, links::kNoticeIntervalMs, ScrollNotice); });
}

}  // namespace

DWORD WINAPI CheckForUpdate(LPVOID) {
  // Memory ran out on a huge update file: no notice, no prompt.
  ui::Contained([] {
    MainControls* ui = AppState.controls.get();
    if (!ui) return;
    const links::UpdatePlan plan = links::PlanUpdate(FetchUpdateFile());
    if (plan.announce) Announce(*ui, plan);
    StartNotice(*ui, plan);
  });
  return 0;
}

void CALLBACK ScrollNotice(HWND, UINT, UINT_PTR, DWORD) {
  ui::Contained([] {
    MainControls* ui = AppState.controls.get();
    if (!ui) return;
    Label& notice = ui->noticeLabel;
    notice.Left(links::NextNoticeLeft(notice.Left(), notice.Width()));
  });
}

DWORD WINAPI StartupPing(LPVOID) {
  ui::Contained([] { web::WebAccess(links::PingUrl(hosts::kSearchHost, links::RandomText(51))); });
  return 0;
}
