#include "app/SearchRun.h"

#include <memory>

#include "Hosts.h"
#include "app/AppState.h"
#include "app/Application.h"
#include "app/MainControls.h"
#include "app/ResultActions.h"
#include "app/ResultSorting.h"
#include "app/ResultsView.h"
#include "app/SearchEnd.h"
#include "app/Workers.h"
#include "search/Classification.h"
#include "ui/core/UiThread.h"
#include "web/WebAccess.h"

namespace {

// Every check ends the run the same way.
bool StopAsked() {
  if (AppState.stopRequested != 1) return false;
  AppState.searchBusy = 0;
  return true;
}

// The pause between pages, cut short by a stop.
void PauseBetweenPages() {
  HANDLE stop = AppState.searchStop.Get();
  const ULONGLONG end = GetTickCount64() + 1000;
  for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
    const DWORD woke = MsgWaitForMultipleObjects(stop ? 1 : 0, &stop, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    if (woke != WAIT_OBJECT_0 + (stop ? 1 : 0)) return;  // stopped, the time is up, or the wait failed
    ProcessPendingMessages();
  }
}

// The run keeps the term it was started with: typing during the run changes nothing until the
// next press.
void RunPages(MainControls& ui, const std::string& term) {
  for (;;) {
    AppState.searchBusy = 1;
    const int page = ++AppState.pageNumber;
    if (StopAsked()) return;

    web::ExchangeReport report;
    web::WebAccessArgs args;
    args.report = &report;
    args.cancel = AppState.searchStop.Get();  // a stop gives up the page on its way
    const std::string text = web::WebAccess(search::SearchPageUrl(hosts::kSearchHost, term, page), args);
    if (StopAsked()) return;
    if (!search::PageHasResults(text)) {
      // Only a first page leaves the list empty; a later one ends the run below its rows. Set
      // while the run still reads as busy, so a stop pressed now has the last word.
      if (page == 1) ui.mainList.SetEmptyText(SearchEndLine(FirstPageEnd(report, false), term, report));
      // A later page that could not be fetched cut the run short: said below its rows.
      if (page > 1 && report.Failed()) ui.mainList.SetEndText(CutShortLine(report));
      AppState.searchBusy = 0;
      return;
    }

    // Views into the page text, which lives until the page is done.
    const std::vector<std::string_view> rows = search::CutResultRowViews(text);
    ProcessPendingMessages();
    search::ResultRow row;
    std::vector<std::string> added;
    for (const std::string_view escaped : rows) {
      if (StopAsked()) return;
      search::ReadResultRow(escaped, row);
      ProcessPendingMessages();
      const std::string codes = search::ClassifyFormat(row.format);
      search::CountCategories(codes, AppState.videoCount, AppState.audioCount, AppState.imageCount,
                              AppState.archiveCount);
      // While a category tab shows, its list takes the row too (a copy of the texts only then).
      const bool offer = AppState.shownCategory > 0;
      if (AppendResultRow(ui.mainList, row, codes, offer ? &added : nullptr) > 0 && offer) {
        OfferToShownCategory(ui, added, AppState.lastResultId);
      }
      ProcessPendingMessages();
    }

    RefreshTabCaptions();
    if (StopAsked()) return;
    PauseBetweenPages();
  }
}

}  // namespace

int AppendResultRow(ListView& list, const search::ResultRow& row, const std::string& codes,
                    std::vector<std::string>* added) {
  // The ID is the arrival number: the search is the list's only writer while it runs. The data
  // is the result's identity, unique for the whole session, so a category row never finds a
  // row of a later search as its own.
  std::vector<std::string> cells(kColumnMagnet);
  cells[kColumnId - 1] = std::to_string(list.AllRowCount() + 1);  // rows the filter hides count too
  cells[kColumnTitle - 1] = row.title;
  cells[kColumnSize - 1] = row.size;
  cells[kColumnFormat - 1] = row.format;
  cells[kColumnDetailPath - 1] = row.detailPath;
  cells[kColumnCodes - 1] = codes;
  if (added) *added = cells;
  const std::uintptr_t result = ++AppState.lastResultId;
  const int at = list.AddRow(std::move(cells), result);
  // A result taken in an earlier search keeps its mark.
  if (at > 0) {
    if (const std::uint8_t mark = AppState.takenResults.Of(row.detailPath)) list.MarkRowsOfData(result, mark);
  }
  return at;
}

DWORD WINAPI SearchWorker(LPVOID parameter) {
  // The term read at the press, handed over by the starter; without one, the box's text now.
  std::unique_ptr<std::string> handed(static_cast<std::string*>(parameter));
  MainControls* ui = AppState.controls.get();
  if (!ui) {
    AppState.searchBusy = 0;
    return 0;
  }
  // The list reads as busy from the press that started the run until the run has ended.
  EndFillingOnExit ends(ui->mainList);
  if (!ui::Contained([ui, &handed] {
        RunPages(*ui, handed ? *handed : ui->searchBox.Text());
        return true;
      })) {
    // Memory ran out reading a page: the run ends with the rows it has, and says it stopped
    // rather than go on reading as under way.
    AppState.searchBusy = 0;
    ui::Contained([ui] { ui->mainList.SetEmptyText(SearchEndLine(SearchEnd::Stopped)); });
  }
  return 0;
}

namespace {

// A press while a run is going stops it and empties the list; otherwise it starts a run.
void StartRun(MainControls& ui) {
  // The rows an action works on are about to go: it ends here, and says so.
  CancelResultAction();
  const bool stopping = AppState.searchBusy == 1;
  if (stopping) {
    AppState.stopRequested = 1;
    if (AppState.searchStop) SetEvent(AppState.searchStop.Get());
    // The worker gives up its page or pause at once; this wait is for its next step only.
    while (AppState.searchBusy == 1) WaitPumping(10, 0);
  } else {
    AppState.stopRequested = 0;
    if (AppState.searchStop) ResetEvent(AppState.searchStop.Get());
  }
  ui.mainList.ClearRows();
  ui.mainList.SetEndText({});
  ResetResultOrder(ui);
  // A category tab showing empties too, and takes the new search's rows as they come.
  RefillShownCategory(ui);
  ui.mainList.SetEmptyText(SearchEndLine(stopping ? SearchEnd::Stopped : SearchEnd::Searching));
  AppState.pageNumber = 0;
  AppState.videoCount = 0;
  AppState.audioCount = 0;
  AppState.imageCount = 0;
  AppState.archiveCount = 0;
  RefreshTabCaptions();
  // A worker started now would only see the stop and end; none is started, so none can
  // outlive the stop and run beside the next press's worker.
  if (stopping) return;
  FillingScope filling(ui.mainList);
  // Busy from here on: a press arriving before the worker's first step stops this run
  // instead of starting a second worker beside it.
  AppState.searchBusy = 1;
  // The box is read once, here: the run keeps this term for all its pages.
  auto term = std::make_unique<std::string>(ui.searchBox.Text());
  if (!StartWorker(SearchWorker, term.get())) {
    ui.mainList.SetEmptyText({});
    AppState.searchBusy = 0;
    return;
  }
  term.release();  // the worker owns it
  filling.HandOver();  // the worker ends it
}

}  // namespace

LRESULT StartSearch(LPARAM, LPARAM, LPARAM, LPARAM, LPARAM) {
  MainControls* ui = AppState.controls.get();
  if (!ui) return 0;
  if (!ui::Contained([ui] {
        StartRun(*ui);
        return true;
      })) {
    AppState.searchBusy = 0;  // memory ran out: no run is going
  }
  return 0;
}

int WaitPumping(int amount, int unit) {
  KernelHandle timer(CreateWaitableTimerW(nullptr, FALSE, nullptr));
  if (!timer) {
    Sleep(static_cast<DWORD>(unit == 1 ? amount * 1000 : amount));
    return 1;
  }
  LARGE_INTEGER due;
  due.QuadPart = -static_cast<LONGLONG>(amount) * (unit == 1 ? 1000 : 1) * 10000;
  SetWaitableTimer(timer.Get(), &due, 0, nullptr, nullptr, FALSE);
  HANDLE waited = timer.Get();
  for (;;) {
    DWORD woke = MsgWaitForMultipleObjects(1, &waited, FALSE, INFINITE, QS_ALLINPUT);
    if (woke == WAIT_OBJECT_0) break;
    if (woke == WAIT_OBJECT_0 + 1) {
      ProcessPendingMessages();
    } else {
      break;  // the wait itself failed: do not spin
    }
  }
  return 1;
}
