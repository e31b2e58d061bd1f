#include "app/ResultActions.h"

#include <windowsx.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "Hosts.h"
#include "app/AppState.h"
#include "app/Application.h"
#include "app/CloudPlay.h"
#include "app/LinkResolver.h"
#include "app/MainControls.h"
#include "app/ResultsView.h"
#include "app/RowDetails.h"
#include "app/SearchEnd.h"
#include "links/DownloadLinks.h"
#include "search/LinkBatch.h"
#include "search/MagnetResolution.h"
#include "search/ResultMarks.h"
#include "ui/controls/ClipboardText.h"
#include "ui/core/UiThread.h"
#include "ui/core/WindowHost.h"
#include "ui/dialogs/MessageBox.h"
#include "ui/dialogs/PopupMenu.h"

namespace {

// Menu captions, in order.
constexpr const char* kCopyCaption = "\xb8\xb4\xd6\xc6\xb4\xc5\xc1\xa6\xc1\xb4\xbd\xd3";  // 复制磁力链接
constexpr const char* kCloudPlayCaption = "\xd4\xc6\xb5\xe3\xb2\xa5";                       // 云点播
constexpr const char* kThunderCaption = "\xd1\xb8\xc0\xd7\xcf\xc2\xd4\xd8";                 // 迅雷下载
constexpr const char* kQqdlCaption = "QQ\xd0\xfd\xb7\xe7\xcf\xc2\xd4\xd8";                  // QQ旋风下载
// The extra items, shown with Shift held.
constexpr const char* kCopyNamesCaption = "\xb8\xb4\xd6\xc6\xc3\xfb\xb3\xc6";  // 复制名称
constexpr const char* kCopyAddressesCaption =
    "\xb8\xb4\xd6\xc6\xcf\xea\xc7\xe9\xd2\xb3\xb5\xd8\xd6\xb7";  // 复制详情页地址
constexpr const char* kOpenPagesCaption =                        // 在浏览器中打开详情页
    "\xd4\xda\xe4\xaf\xc0\xc0\xc6\xf7\xd6\xd0\xb4\xf2\xbf\xaa\xcf\xea\xc7\xe9\xd2\xb3";

// Links handed to a download manager one by one, this far apart.
constexpr UINT kHandOverIntervalMs = 500;
constexpr UINT_PTR kHandOverTimer = 0x51A7;

// The list the user sees: the main list, or the category list while a category tab is shown.
ListView& VisibleList(MainControls& ui) { return ui.mainList.Visible() ? ui.mainList : ui.categoryList; }

void ShowBox(search::MagnetBox box) {
  if (box == search::MagnetBox::None) return;
  MessageBoxOptions options;
  options.title = search::MagnetBoxTitle(box);
  show_message_box(AppState.mainWindow, search::MagnetBoxText(box, hosts::kProductHost), options);
}

// The boxes of the link actions carry their title; those of the detail pages the plain one.
void ShowText(const std::string& text, const std::string& title = search::LinkBoxTitle()) {
  MessageBoxOptions options;
  options.title = title;
  show_message_box(AppState.mainWindow, text, options);
}

bool Confirm(const std::string& text, const std::string& title = search::LinkBoxTitle()) {
  MessageBoxOptions options;
  options.title = title;
  options.buttonSet = MB_YESNO;
  return show_message_box(AppState.mainWindow, text, options) == kBoxYes;
}

// One row gave no link. A page that could not be had says the site could not be reached and
// why (the resource may be fine); the site's own "not found" page and a page without a link keep
// their boxes, for every item alike.
void ShowNoLink(const LinkOutcome& outcome) {
  using search::LinkFailure;
  const LinkFailure failure = outcome.failure;
  const bool siteFailed = failure == LinkFailure::Unreachable || failure == LinkFailure::NoAnswer ||
                          (failure == LinkFailure::ErrorStatus && outcome.decision.box != search::MagnetBox::Failure);
  if (siteFailed) {
    web::ExchangeReport report;
    report.error = outcome.report.error;
    report.status = outcome.report.status;
    return ShowText(SearchEndLine(SearchEnd::Unreachable, {}, report));
  }
  if (outcome.decision.box == search::MagnetBox::None) return ShowBox(search::MagnetBox::NoResource);
  ShowBox(outcome.decision.box);
}

// The row remembers its link, so the next request needs no fetch; a link longer than a cell
// keeps is not remembered at all (the next request fetches again instead of handing out a cut
// link). Rows are found by their result, wherever a sort or the search has moved them: through
// the category list the main list's row of the same result remembers it as well, so the link
// survives a switch of tab; a search started since then has rows of other results only.
void StoreMagnet(MainControls& ui, bool mainShown, std::uintptr_t result, const std::string& magnet) {
  if (magnet.size() > kListCellMaxBytes) return;
  ui.mainList.SetCellTextOfData(result, kColumnMagnet, magnet, false);
  if (!mainShown) ui.categoryList.SetCellTextOfData(result, kColumnMagnet, magnet, false);
}

// The result's link was taken: its rows in both lists say so from now on, and so do its rows of
// later searches.
void MarkTaken(MainControls& ui, const LinkJob& job, std::uint8_t bits) {
  AppState.takenResults.Add(job.detailPath, bits);
  ui.mainList.MarkRowsOfData(job.result, bits);
  ui.categoryList.MarkRowsOfData(job.result, bits);
}

std::uint8_t HandOverMark(ResultAction action) {
  return action == ResultAction::Thunder ? search::kMarkThunder : search::kMarkQqdl;
}

// Writes the outcomes that came in since the last look into their rows.
void StoreArrived(MainControls& ui, ResultActionRecord& record) {
  for (size_t i = 0; i < record.batch->Count(); ++i) {
    if (record.stored[i] || !record.batch->Ready(i)) continue;
    record.stored[i] = true;
    const LinkOutcome& outcome = record.batch->Outcome(i);
    if (outcome.decision.fromPage) StoreMagnet(ui, record.mainShown, record.batch->Job(i).result, outcome.decision.magnet);
  }
}

void ShowProgress(MainControls& ui, const ResultActionRecord& record) {
  if (!record.several) return;
  ui.progressLabel.SetText(search::ProgressLine(record.batch->FetchesDone(), record.batch->Fetches()));
}

// Shows the signs of a running action; the progress line only for several rows.
void ShowRunning(MainControls& ui, const ResultActionRecord& record) {
  ui.busyIndicator.Visible(true);
  if (!record.several) return;
  ShowProgress(ui, record);
  ui.progressBand.Visible(true);
  ui.progressLabel.Visible(true);
  ui.progressCancel.Visible(true);
}

void HideRunning(MainControls& ui) {
  ui.busyIndicator.Visible(false);
  ui.progressBand.Visible(false);
  ui.progressLabel.Visible(false);
  ui.progressCancel.Visible(false);
}

// The action is over: its record goes, and prompts of other threads may open.
void EndAction() {
  if (MainControls* ui = AppState.controls.get()) HideRunning(*ui);
  if (AppState.mainWindow) KillTimer(AppState.mainWindow, kHandOverTimer);
  AppState.resultAction.reset();
  if (AppState.actionIdle) SetEvent(AppState.actionIdle.Get());
}

std::string (*LinkBuilder(ResultAction action))(std::string_view) {
  return action == ResultAction::Thunder ? links::ThunderLink : links::QqdlLink;
}

// Hands the next link over; after the last, says how many went when some row gave none.
void CALLBACK HandOverNext(HWND, UINT, UINT_PTR, DWORD) {
  ui::Contained([] {
    ResultActionRecord* record = AppState.resultAction.get();
    if (!record) return;
    if (record->handedOver < record->handOver.size()) {
      const size_t at = record->handedOver++;
      if (OpenUrl(LinkBuilder(record->action)(record->handOver[at])) && AppState.controls) {
        MarkTaken(*AppState.controls, record->batch->Job(record->handOverRows[at]), HandOverMark(record->action));
      }
      if (record->handedOver < record->handOver.size()) return;
    }
    const search::LinkTally tally = record->tally;
    EndAction();
    if (tally.Failed() > 0) ShowText(search::HandOverSummary(tally));
  });
}

// Every outcome is in: does what the action is for. One row behaves as the menu always has.
void Finish(MainControls& ui) {
  ResultActionRecord& record = *AppState.resultAction;
  StoreArrived(ui, record);
  const LinkBatch& batch = *record.batch;
  if (!record.several) {
    const LinkOutcome outcome = batch.Outcome(0);
    const search::MagnetDecision& decision = outcome.decision;
    const ResultAction action = record.action;
    const LinkJob job = batch.Job(0);
    EndAction();
    if (action == ResultAction::Remember) return;
    if (decision.magnet.empty()) return ShowNoLink(outcome);
    if (action == ResultAction::Copy) {
      const bool copied = clipboard::WriteText(AppState.mainWindow, decision.magnet);
      if (copied) MarkTaken(ui, job, search::kMarkCopied);
      return ShowBox(search::CopyBox(copied));
    }
    if (OpenUrl(LinkBuilder(action)(decision.magnet))) MarkTaken(ui, job, HandOverMark(action));
    return;
  }
  std::vector<std::string> links;
  std::vector<size_t> linkRows;
  links.reserve(batch.Count());
  for (size_t i = 0; i < batch.Count(); ++i) {
    const LinkOutcome& outcome = batch.Outcome(i);
    record.tally.Add(outcome.failure);
    if (outcome.decision.magnet.empty()) continue;
    links.push_back(outcome.decision.magnet);
    linkRows.push_back(i);
  }
  switch (record.action) {
    case ResultAction::Remember:
      return EndAction();
    case ResultAction::Copy: {
      const search::LinkTally tally = record.tally;
      std::vector<LinkJob> copiedJobs;
      for (size_t i : linkRows) copiedJobs.push_back(batch.Job(i));
      EndAction();
      if (links.empty()) return ShowText(search::CopySummary(tally));
      if (!clipboard::WriteText(AppState.mainWindow, search::JoinLinks(links))) {
        return ShowBox(search::MagnetBox::Failure);
      }
      for (const LinkJob& job : copiedJobs) MarkTaken(ui, job, search::kMarkCopied);
      return ShowText(search::CopySummary(tally));
    }
    case ResultAction::Thunder:
    case ResultAction::Qqdl:
      record.handOver = std::move(links);
      record.handOverRows = std::move(linkRows);
      // The progress line has done its work; the busy indicator stays while links go out.
      ui.progressBand.Visible(false);
      ui.progressLabel.Visible(false);
      ui.progressCancel.Visible(false);
      // The first at once, the others on the timer; without a timer all of them now.
      if (record.handOver.size() > 1 && !SetTimer(AppState.mainWindow, kHandOverTimer, kHandOverIntervalMs, HandOverNext)) {
        while (AppState.resultAction && AppState.resultAction->handedOver + 1 < AppState.resultAction->handOver.size()) {
          HandOverNext(nullptr, 0, 0, 0);
        }
      }
      HandOverNext(nullptr, 0, 0, 0);
      return;
  }
}

bool Start(ResultAction action) {
  MainControls* ui = AppState.controls.get();
  if (!ui || AppState.resultAction) return false;
  ListView& list = VisibleList(*ui);
  // The rows and their order are taken now: sorting while the links come changes nothing here.
  std::vector<ListRowCopy> rows = list.SelectedRowCopies();
  if (rows.empty()) return false;
  std::vector<LinkJob> jobs;
  jobs.reserve(rows.size());
  int fetches = 0;
  for (ListRowCopy& row : rows) {
    LinkJob job{row.data, RowCell(row, kColumnMagnet), RowCell(row, kColumnDetailPath)};
    if (job.knownLink.empty()) ++fetches;
    jobs.push_back(std::move(job));
  }
  const bool several = jobs.size() > 1;
  if (several && fetches > search::kConfirmFetchesAbove && !Confirm(search::ConfirmFetchesText(fetches))) return false;
  if (AppState.resultAction) return false;  // another action began while the box was open

  if (!AppState.linkResolver) AppState.linkResolver = LinkResolver::Make(hosts::kSearchHost);
  if (!AppState.linkResolver) return false;
  auto record = std::make_unique<ResultActionRecord>();
  record->action = action;
  record->batch = std::make_shared<LinkBatch>(std::move(jobs), action == ResultAction::Copy);
  record->several = several;
  record->mainShown = &list == &ui->mainList;
  record->stored.assign(record->batch->Count(), false);
  if (!AppState.linkResolver->Start(record->batch, AppState.mainWindow, kLinkOutcomeMessage)) return false;
  AppState.resultAction = std::move(record);
  if (AppState.actionIdle) ResetEvent(AppState.actionIdle.Get());
  if (AppState.resultAction->batch->AllReady()) {
    Finish(*ui);
  } else {
    ShowRunning(*ui, *AppState.resultAction);
  }
  return true;
}

template <typename F>
void AddHandlerItem(PopupMenu& menu, const char* caption, F* handler, int state = kMenuItemNormal) {
  menu.add_item(caption, {}, state, kMenuCommand, kDeliverHandler, reinterpret_cast<std::intptr_t>(handler));
}

// Opens the menu once the main list has rows (whichever list asked), at a screen point or, with
// none, at the mouse. Not while an action runs: its rows are still being worked on.
void GateMenu(std::optional<POINT> at, bool extended) {
  // Memory running out while the menu is built: no menu this time.
  ui::Contained([at, extended] {
    MainControls* ui = AppState.controls.get();
    if (!ui || ui->mainList.AllRowCount() < 1 || AppState.resultAction) return;
    if (at) {
      ShowResultMenuAt(*at, extended);
    } else {
      ShowResultMenu(extended);
    }
  });
}

bool Held(int key) { return GetKeyState(key) < 0; }

// Whether the menu is for rows: some are selected and, for a menu at the mouse, the pointer is
// on a row (not on empty list space or the header).
bool MenuForRows(bool atMouse) {
  MainControls* ui = AppState.controls.get();
  if (!ui) return false;
  ListView& list = VisibleList(*ui);
  if (list.SelectionCount() < 1 && list.CurrentRow() < 1) return false;
  if (!atMouse) return true;
  WindowHost* host = list.Host();
  POINT at{};
  if (!host || !GetCursorPos(&at) || !ScreenToClient(AppState.mainWindow, &at)) return true;
  at = host->ToLogical(at);
  const Gdiplus::RectF& bounds = list.BoundsRef();
  return list.HitTest(at.x - static_cast<int>(bounds.X), at.y - static_cast<int>(bounds.Y), nullptr, nullptr, false);
}

// The row items are greyed when the menu is not for rows; 云点播 needs none.
void FillResultMenu(PopupMenu& menu, bool forRows, bool extended) {
  const int rowItems = forRows ? kMenuItemNormal : kMenuItemGreyed;
  menu.clear();
  AddHandlerItem(menu, kCopyCaption, &CopyMagnetLink, rowItems);
  AddHandlerItem(menu, kCloudPlayCaption, &OpenCloudPlay);
  AddHandlerItem(menu, kThunderCaption, &OpenThunderLink, rowItems);
  AddHandlerItem(menu, kQqdlCaption, &OpenQqdlLink, rowItems);
  if (!extended) return;
  AddHandlerItem(menu, kCopyNamesCaption, &CopyResultNames, rowItems);
  AddHandlerItem(menu, kCopyAddressesCaption, &CopyDetailAddresses, rowItems);
  AddHandlerItem(menu, kOpenPagesCaption, &OpenDetailPages, rowItems);
}

// The selected rows of the visible list, for the extra items; none while an action runs.
std::vector<ListRowCopy> SelectedRows() {
  MainControls* ui = AppState.controls.get();
  if (!ui || AppState.resultAction) return {};
  return VisibleList(*ui).SelectedRowCopies();
}

// Text the user asked to have: nothing to say when it went, the copy box's failure when not.
void CopyText(const std::string& text) {
  if (text.empty()) return;
  if (!clipboard::WriteText(AppState.mainWindow, text)) ShowBox(search::MagnetBox::Failure);
}

}  // namespace

LRESULT ResultMenuGate(LPARAM, LPARAM, LPARAM, LPARAM, LPARAM) {
  GateMenu(std::nullopt, Held(VK_SHIFT));
  return 0;
}

LRESULT ResultMenuKeyGate(LPARAM, LPARAM, LPARAM, LPARAM place, LPARAM) {
  // Shift+Apps asks for the extra items; Shift+F10 is the plain menu's own key.
  GateMenu(POINT{GET_X_LPARAM(place), GET_Y_LPARAM(place)}, Held(VK_SHIFT) && Held(VK_APPS));
  return 0;
}

LRESULT CopyCurrentResult(LPARAM, LPARAM, LPARAM, LPARAM, LPARAM) {
  CopyMagnetLink(0);
  return 0;
}

void ShowResultMenu(bool extended) {
  PopupMenu* menu = AppState.resultMenu.get();
  if (!menu) return;
  FillResultMenu(*menu, MenuForRows(true), extended);
  menu->popup_at(AppState.mainWindow, 0, 0);
}

void ShowResultMenuAt(POINT at, bool extended) {
  PopupMenu* menu = AppState.resultMenu.get();
  if (!menu) return;
  FillResultMenu(*menu, MenuForRows(false), extended);
  if (at.x == 0 && at.y == 0) at.y = 1;  // (0, 0) would mean the mouse's place
  menu->popup_at(AppState.mainWindow, at.x, at.y);
}

bool StartResultAction(ResultAction action) {
  // Memory running out on the way: no action, nothing left half set up.
  const bool started = ui::Contained([action] { return Start(action); });
  if (!started && AppState.resultAction && !AppState.resultAction->batch) AppState.resultAction.reset();
  return started;
}

bool ResultActionRunning() { return AppState.resultAction != nullptr; }

bool CancelResultAction() {
  ResultActionRecord* record = AppState.resultAction.get();
  if (!record) return false;
  return ui::Contained([record] {
    record->batch->Cancel();
    const bool several = record->several;
    const bool copyMode = record->action == ResultAction::Copy;
    const bool remember = record->action == ResultAction::Remember;
    // The links found so far stay remembered: the next try needs no page for them.
    if (MainControls* ui = AppState.controls.get()) StoreArrived(*ui, *record);
    EndAction();
    if (several && !remember) ShowText(search::CancelledText(copyMode));
    return true;
  });
}

void OnLinkOutcome() {
  ui::Contained([] {
    ResultActionRecord* record = AppState.resultAction.get();
    MainControls* ui = AppState.controls.get();
    if (!record || !ui || !record->handOver.empty() || record->handedOver > 0) return;
    if (record->batch->Cancelled()) {
      CancelResultAction();  // a worker could not go on
      return;
    }
    StoreArrived(*ui, *record);
    if (record->batch->AllReady()) return Finish(*ui);
    ShowProgress(*ui, *record);
  });
}

void WaitForResultActionsToEnd() {
  if (AppState.actionIdle) WaitForSingleObject(AppState.actionIdle.Get(), INFINITE);
}

void CopyMagnetLink(int) { StartResultAction(ResultAction::Copy); }

void OpenThunderLink() { StartResultAction(ResultAction::Thunder); }

void OpenQqdlLink() { StartResultAction(ResultAction::Qqdl); }

LRESULT CancelResultActionClick(LPARAM, LPARAM, LPARAM, LPARAM, LPARAM) {
  CancelResultAction();
  return 0;
}

void CopyResultNames() {
  ui::Contained([] { CopyText(JoinedNames(SelectedRows())); });
}

void CopyDetailAddresses() {
  ui::Contained([] { CopyText(JoinedDetailAddresses(hosts::kSearchHost, SelectedRows())); });
}

void OpenDetailPages() {
  ui::Contained([] {
    const std::vector<ListRowCopy> rows = SelectedRows();
    if (rows.empty()) return;
    const PageOpening plan = PlanPageOpening(hosts::kSearchHost, rows);
    if (!plan.refusal.empty()) return ShowText(plan.refusal, kMessageBoxTitle);
    if (!plan.question.empty() && !Confirm(plan.question, kMessageBoxTitle)) return;
    for (const std::string& address : plan.addresses) OpenUrl(address);
  });
}
