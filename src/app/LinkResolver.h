// Every detail-page fetch of the program, on worker threads: the UI thread hands over a batch of
// rows and hears of each outcome through a posted message, so it never waits for a page. At
// most two pages are fetched from the site at a time, and a result whose page is already on the
// way joins that fetch instead of asking again. A batch is cancelled by its event: the waits
// end at once and the exchange under way is abandoned (it ends by its own time-outs).
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "search/LinkBatch.h"
#include "search/MagnetResolution.h"
#include "ui/gfx/GdiHandles.h"

// One row to resolve: its result identity, the link it already holds and its detail path.
struct LinkJob {
  std::uintptr_t result = 0;
  std::string knownLink;
  std::string detailPath;
};

struct LinkOutcome {
  search::MagnetDecision decision;
  search::LinkFailure failure = search::LinkFailure::None;
  search::FetchReport report;  // how the page's exchange went, when there was one
};

// The rows of one action and their outcomes, shared by the UI thread and the workers.
class LinkBatch {
 public:
  LinkBatch(std::vector<LinkJob> jobs, bool copyMode);
  size_t Count() const { return jobs_.size(); }
  const LinkJob& Job(size_t index) const { return jobs_[index]; }
  // Whether the outcome of a row is in; it is read only then.
  bool Ready(size_t index) const { return slots_[index].ready.load(std::memory_order_acquire); }
  const LinkOutcome& Outcome(size_t index) const { return slots_[index].outcome; }
  // The rows that need the site, and how many of them are in.
  int Fetches() const { return static_cast<int>(toFetch_.size()); }
  int FetchesDone() const { return fetchesDone_.load(); }
  bool AllReady() const { return FetchesDone() == Fetches(); }
  bool CopyMode() const { return copyMode_; }
  void Cancel();
  bool Cancelled() const;
  HANDLE CancelEvent() const { return cancel_.Get(); }

 private:
  friend class LinkResolver;
  struct Slot {
    LinkOutcome outcome;
    std::atomic<bool> ready{false};
  };
  void Put(size_t index, LinkOutcome outcome);

  std::vector<LinkJob> jobs_;
  std::unique_ptr<Slot[]> slots_;
  std::vector<size_t> toFetch_;  // set before any worker starts
  std::atomic<size_t> nextFetch_{0};
  std::atomic<int> fetchesDone_{0};
  gfx::KernelHandle cancel_;  // manual reset
  bool copyMode_;
};

// Fetches a detail page; the empty text on any failure or once cancel is signalled. report gets
// how the exchange went.
using DetailFetcher = std::function<std::string(const std::string& url, HANDLE cancel, search::FetchReport* report)>;

class LinkResolver : public std::enable_shared_from_this<LinkResolver> {
 public:
  static constexpr int kMaxFetches = 2;

  // With the program's own fetcher (WinINet) when none is given; null when the resolver's
  // semaphore could not be made.
  static std::shared_ptr<LinkResolver> Make(std::string host, DetailFetcher fetcher = {});

  // Resolves every row of the batch: rows that hold their link at once, here; the others on up
  // to kMaxFetches workers, each outcome followed by `message` posted to `notify`. False when
  // rows need the site and no worker could be started.
  bool Start(const std::shared_ptr<LinkBatch>& batch, HWND notify, UINT message);

  // Fetches under way now, and the most there ever were at once.
  int FetchesUnderWay() const { return underWay_.load(); }
  int MostAtOnce() const { return mostAtOnce_.load(); }

  LinkResolver(std::string host, DetailFetcher fetcher);

 private:
  struct Shared;  // one fetch that other batches' rows may join
  struct WorkerStart;
  static DWORD WINAPI Worker(void* parameter);
  void Work(LinkBatch& batch, HWND notify, UINT message);
  LinkOutcome Resolve(const LinkJob& job, LinkBatch& batch);
  LinkOutcome Fetch(const LinkJob& job, LinkBatch& batch);

  std::string host_;
  DetailFetcher fetcher_;
  gfx::KernelHandle slots_;  // a semaphore of kMaxFetches
  std::mutex lock_;
  std::map<std::uintptr_t, std::shared_ptr<Shared>> inFlight_;  // lock_
  std::atomic<int> underWay_{0};
  std::atomic<int> mostAtOnce_{0};
};

// The program's own fetcher: WinINet with the detail page's deadline, given up at once when
// cancel is signalled.
std::string FetchDetailPage(const std::string& url, HANDLE cancel, search::FetchReport* report);
