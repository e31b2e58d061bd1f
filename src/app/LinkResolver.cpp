#include "app/LinkResolver.h"

#include "base/Contained.h"
#include "app/Workers.h"
#include "web/WebAccess.h"

// --- the batch ---

LinkBatch::LinkBatch(std::vector<LinkJob> jobs, bool copyMode)
    : jobs_(std::move(jobs)),
      slots_(new Slot[jobs_.size()]),
      cancel_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      copyMode_(copyMode) {}

void LinkBatch::Cancel() {
  if (cancel_) SetEvent(cancel_.Get());
}

bool LinkBatch::Cancelled() const { return !cancel_ || WaitForSingleObject(cancel_.Get(), 0) == WAIT_OBJECT_0; }

void LinkBatch::Put(size_t index, LinkOutcome outcome) {
  slots_[index].outcome = std::move(outcome);
  slots_[index].ready.store(true, std::memory_order_release);
}

// --- the resolver ---

// One fetch under way: its outcome once `done` is set; `abandoned` when its batch was cancelled
// before the page came (a row that joined it then fetches by itself).
struct LinkResolver::Shared {
  gfx::KernelHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  LinkOutcome outcome;
  bool abandoned = false;
};

// What a worker thread is handed; it owns a share of the resolver and of the batch, so neither
// goes away under it whatever the UI thread does meanwhile.
struct LinkResolver::WorkerStart {
  std::shared_ptr<LinkResolver> resolver;
  std::shared_ptr<LinkBatch> batch;
  HWND notify;
  UINT message;
};

LinkResolver::LinkResolver(std::string host, DetailFetcher fetcher)
    : host_(std::move(host)),
      fetcher_(fetcher ? std::move(fetcher) : DetailFetcher(FetchDetailPage)),
      slots_(CreateSemaphoreW(nullptr, kMaxFetches, kMaxFetches, nullptr)) {}

std::shared_ptr<LinkResolver> LinkResolver::Make(std::string host, DetailFetcher fetcher) {
  auto resolver = std::make_shared<LinkResolver>(std::move(host), std::move(fetcher));
  return resolver->slots_ ? resolver : nullptr;
}

bool LinkResolver::Start(const std::shared_ptr<LinkBatch>& batch, HWND notify, UINT message) {
  if (!batch->cancel_) return false;
  for (size_t i = 0; i < batch->Count(); ++i) {
    const LinkJob& job = batch->Job(i);
    if (job.knownLink.empty()) {
      batch->toFetch_.push_back(i);
    } else {
      // A known link needs no page: answered here, as the menu always has.
      LinkOutcome outcome;
      outcome.decision = search::DecideMagnet(job.knownLink, job.detailPath, batch->CopyMode(), host_, {});
      batch->Put(i, std::move(outcome));
    }
  }
  const int workers = std::min<int>(kMaxFetches, batch->Fetches());
  int started = 0;
  for (int w = 0; w < workers; ++w) {
    auto* start = new WorkerStart{shared_from_this(), batch, notify, message};
    if (StartWorker(Worker, start)) {
      ++started;
    } else {
      delete start;
    }
  }
  return workers == 0 || started > 0;
}

DWORD WINAPI LinkResolver::Worker(void* parameter) {
  std::unique_ptr<WorkerStart> start(static_cast<WorkerStart*>(parameter));
  base::Contained([&] { start->resolver->Work(*start->batch, start->notify, start->message); },
                  [&] {
                    // Memory ran out: the rows this worker did not finish stay without an
                    // outcome; cancelling the batch lets the waiting action end.
                    start->batch->Cancel();
                    PostMessageW(start->notify, start->message, 0, 0);
                  });
  return 0;
}

void LinkResolver::Work(LinkBatch& batch, HWND notify, UINT message) {
  for (;;) {
    if (batch.Cancelled()) return;
    const size_t next = batch.nextFetch_.fetch_add(1);
    if (next >= batch.toFetch_.size()) return;
    const size_t index = batch.toFetch_[next];
    LinkOutcome outcome = Resolve(batch.Job(index), batch);
    if (batch.Cancelled()) return;
    batch.Put(index, std::move(outcome));
    batch.fetchesDone_.fetch_add(1);
    PostMessageW(notify, message, 0, 0);
  }
}

LinkOutcome LinkResolver::Resolve(const LinkJob& job, LinkBatch& batch) {
  if (job.result == 0) return Fetch(job, batch);  // nothing to join by
  for (;;) {
    std::shared_ptr<Shared> shared;
    bool mine = false;
    {
      std::lock_guard hold(lock_);
      auto found = inFlight_.find(job.result);
      if (found != inFlight_.end()) {
        shared = found->second;
      } else {
        shared = std::make_shared<Shared>();
        if (!shared->done) return Fetch(job, batch);
        inFlight_.emplace(job.result, shared);
        mine = true;
      }
    }
    if (mine) {
      const LinkOutcome outcome = base::Contained([&] { return Fetch(job, batch); },
                                                  [&] {
                                                    batch.Cancel();
                                                    return LinkOutcome{};
                                                  });
      {
        std::lock_guard hold(lock_);
        inFlight_.erase(job.result);
        shared->outcome = outcome;
        shared->abandoned = batch.Cancelled();
      }
      SetEvent(shared->done.Get());
      return outcome;
    }
    // Joins the fetch under way; a cancel of this batch ends the wait at once.
    HANDLE waits[2] = {shared->done.Get(), batch.CancelEvent()};
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) return {};
    std::lock_guard hold(lock_);
    if (!shared->abandoned) return shared->outcome;
    // Its batch gave it up before the page came: this row fetches it after all.
  }
}

LinkOutcome LinkResolver::Fetch(const LinkJob& job, LinkBatch& batch) {
  LinkOutcome outcome;
  HANDLE waits[2] = {slots_.Get(), batch.CancelEvent()};
  if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) return outcome;
  if (batch.Cancelled()) {  // both were set: the slot came first, but the batch is over
    ReleaseSemaphore(slots_.Get(), 1, nullptr);
    return outcome;
  }
  const int now = underWay_.fetch_add(1) + 1;
  for (int most = mostAtOnce_.load(); now > most && !mostAtOnce_.compare_exchange_weak(most, now);) {
  }
  struct Release {
    LinkResolver& resolver;
    ~Release() {
      resolver.underWay_.fetch_sub(1);
      ReleaseSemaphore(resolver.slots_.Get(), 1, nullptr);
    }
  } release{*this};
  search::FetchReport report;
  HANDLE cancel = batch.CancelEvent();
  outcome.decision = search::DecideMagnet(job.knownLink, job.detailPath, batch.CopyMode(), host_,
                                          [&](const std::string& url) {
                                            report.fetched = true;
                                            return fetcher_(url, cancel, &report);
                                          });
  outcome.failure = search::FailureOf(outcome.decision, report);
  outcome.report = report;
  return outcome;
}

std::string FetchDetailPage(const std::string& url, HANDLE cancel, search::FetchReport* report) {
  web::ExchangeReport exchange;
  web::WebAccessArgs args;
  args.deadlineMs = search::kDetailFetchDeadlineMs;
  args.report = &exchange;
  // The page, the deadline or the cancel, whichever comes first.
  args.wait = [cancel](void* done, unsigned long ms) {
    HANDLE waits[2] = {static_cast<HANDLE>(done), cancel};
    return WaitForMultipleObjects(cancel ? 2 : 1, waits, FALSE, ms) == WAIT_OBJECT_0;
  };
  std::string page = web::WebAccess(url, args);
  if (report) {
    report->error = exchange.error;
    report->status = exchange.status;
  }
  return page;
}
