// The result menu and what its items do with the selected rows of the visible results list:
// take their magnet links (from each row's detail page when the row does not hold it yet) and
// copy them, or hand them to a download manager; open the cloud-play window.
//
// Links are fetched by the LinkResolver on worker threads: the UI thread never waits for a
// page. While an action runs, the busy indicator shows (and, for several rows, a progress line
// with a cancel link at the bottom of the list area); the result menu and the lists' row
// actions are ignored, nothing else is. Esc, the cancel link and a new search cancel it.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/LinkResolver.h"
#include "search/LinkBatch.h"

// Posted by the resolver's workers to the main window after each outcome.
inline constexpr UINT kLinkOutcomeMessage = WM_APP + 0x150;

// Right-button-down handler of both results lists: opens the menu once the main list has rows
// (whichever list was clicked).
LRESULT ResultMenuGate(LPARAM, LPARAM, LPARAM, LPARAM, LPARAM);

// The same from the keyboard (the Apps key or Shift+F10 on either results list: its
// WM_CONTEXTMENU handler): the menu opens at the screen point in lParam, below the list's
// current row.
LRESULT ResultMenuKeyGate(LPARAM, LPARAM, LPARAM, LPARAM place, LPARAM);

// Ctrl+C on either results list (its WM_COPY handler): the copy item's work, boxes and all.
LRESULT CopyCurrentResult(LPARAM, LPARAM, LPARAM, LPARAM, LPARAM);

// Refills the result menu with its four items (and, with Shift held, three more for the rows'
// names and detail pages) and shows it at the mouse position.
void ShowResultMenu(bool extended = false);
// The same at a screen point.
void ShowResultMenuAt(POINT at, bool extended = false);

enum class ResultAction {
  Copy,      // the links to the clipboard, one per line, and a box that says how it went
  Thunder,   // each link to Thunder, in list order, 500 ms apart
  Qqdl,      // the same to QQ Xuanfeng
  Remember,  // only fetched and kept in their rows
};

// The action under way (UI thread only): its rows, what has been done with their outcomes and,
// for the download items, the links still to hand over.
struct ResultActionRecord {
  ResultAction action = ResultAction::Copy;
  std::shared_ptr<LinkBatch> batch;
  bool several = false;           // more than one row: a progress line and a closing summary
  bool mainShown = true;          // which list the rows came from
  std::vector<bool> stored;       // outcomes already written into their rows
  std::vector<std::string> handOver;  // links for the download manager, in list order
  std::vector<size_t> handOverRows;   // the batch's row of each
  size_t handedOver = 0;
  search::LinkTally tally;
};

// Starts an action on the selected rows of the visible list, in their order now; false when
// none started (no row selected, another action running, the user declined).
bool StartResultAction(ResultAction action);
bool ResultActionRunning();
// Cancels the running action: its links found so far stay in their rows, nothing else is done
// with them (a cancel of several rows says so). False when none was running.
bool CancelResultAction();
// What the main window does with kLinkOutcomeMessage.
void OnLinkOutcome();
// Waits (on another thread than the UI thread) until no action runs.
void WaitForResultActionsToEnd();

// Menu item handlers (called with every argument 0).
void CopyMagnetLink(int mode);
void OpenThunderLink();
void OpenQqdlLink();
// The extra items: the selected rows' names, detail page addresses, pages opened in the browser.
void CopyResultNames();
void CopyDetailAddresses();
void OpenDetailPages();
// The cancel link's left-button-down handler.
LRESULT CancelResultActionClick(LPARAM, LPARAM, LPARAM, LPARAM, LPARAM);
