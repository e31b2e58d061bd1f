// The one process-wide record of the application. Flags and counts are atomics because the
// search, filter, update and ping threads read and write them while the UI thread runs.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "app/WindowIcon.h"
#include "search/ResultMarks.h"
#include "ui/gfx/GdiHandles.h"

class WindowHost;
class PopupMenu;
struct MainControls;
struct CloudPlayObjects;
struct ResultActionRecord;
class LinkResolver;

class AppStateRecord {
 public:
  AppStateRecord();
  ~AppStateRecord();

  std::atomic<HWND> mainWindow{nullptr};
  std::atomic<int> pageNumber{0};
  std::atomic<int> searchBusy{0};
  std::atomic<int> stopRequested{0};
  std::atomic<int> videoCount{0};
  std::atomic<int> audioCount{0};
  std::atomic<int> imageCount{0};
  std::atomic<int> archiveCount{0};
  std::atomic<HWND> cloudPlayWindow{nullptr};
  // One category fill at a time: each tab click raises the generation, which ends a running
  // fill at its next row; a fill holds the lock while it runs.
  std::atomic<int> categoryFillGeneration{0};
  // The identity the last result added to the main list got (its row data in both lists).
  std::atomic<std::uintptr_t> lastResultId{0};
  std::mutex categoryFillLock;
  // The category the category list shows (1..4; 0 while the all tab shows), set by the tab
  // clicks, and the newest result it has taken: rows the search adds after its fill go straight
  // to it (under categoryFillLock), so the list keeps up with its tab's count.
  std::atomic<int> shownCategory{0};
  // Whether the filter bar is open (UI thread writes; workers read it for the count line).
  std::atomic<bool> filterOpen{false};
  // Whether the list not on screen still waits for the filter's last change (UI thread).
  std::atomic<bool> filterOtherPending{false};
  std::atomic<std::uintptr_t> categoryTaken{0};
  // The main window's controls, created by BuildMainWindow.
  std::unique_ptr<MainControls> controls;
  // The window host of the main window; used on the UI thread only.
  std::unique_ptr<WindowHost> mainHost;
  // The result menu, refilled at each showing.
  std::unique_ptr<PopupMenu> resultMenu;
  // The cloud-play window's host and browser; made at the first opening.
  std::unique_ptr<CloudPlayObjects> cloudPlay;
  // The main window's icon, made from the embedded icon file.
  IconHandle windowIcon;
  // Fetches the results' detail pages on worker threads; made at the first action.
  std::shared_ptr<LinkResolver> linkResolver;
  // What was done with which results' links since the start (marks on their rows).
  search::TakenResults takenResults;
  // The result action under way (UI thread only); null when none runs.
  std::unique_ptr<ResultActionRecord> resultAction;
  // Set by a press that stops the run: the page on its way is given up at once.
  gfx::KernelHandle searchStop{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  // Set while no result action runs: prompts of other threads wait for it.
  gfx::KernelHandle actionIdle{CreateEventW(nullptr, TRUE, TRUE, nullptr)};

  // The update link is written by the update thread and read by the UI thread.
  std::string UpdateLink() const {
    std::lock_guard guard(linkLock_);
    return updateLink_;
  }
  void SetUpdateLink(std::string link) {
    std::lock_guard guard(linkLock_);
    updateLink_ = std::move(link);
  }

 private:
  mutable std::mutex linkLock_;
  std::string updateLink_;
};

extern AppStateRecord AppState;
