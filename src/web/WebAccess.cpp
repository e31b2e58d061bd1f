#include "web/WebAccess.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>

#include "base/Contained.h"

namespace web {
namespace {

constexpr size_t kReadChunk = 1024;
constexpr size_t kHeaderBuffer = 5000;
constexpr int kEmptyReads = 3;  // reads in a row that may take nothing before the answer counts as ended

// What one exchange needs, copied from the caller's arguments: an exchange that outlives its
// caller's deadline reads nothing the caller owns.
struct Request {
  std::string url;
  int method = 0;
  std::string block;  // the header block sent
  bool cookiesSupplied = false;
  bool noRedirect = false;
  ByteArray body;  // sent when method is not 0
  std::optional<std::string> proxy;
  std::string agent;
  unsigned long deadlineMs = 0;
};

struct Response {
  bool opened = false;  // a request was made: the caller's block and body are written back
  bool whole = false;   // the answer arrived to its end
  ByteArray body;
  std::string rawHeaders;
  ExchangeReport report;
};

// The first failure counts: a read after a failed send fails too, for the send's reason.
void NoteError(Response* response, DWORD error) {
  if (response->report.error == 0) response->report.error = error != 0 ? error : ERROR_INTERNET_INTERNAL_ERROR;
}

int QueryStatus(HINTERNET request) {
  DWORD status = 0, length = sizeof status;
  if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &length, nullptr)) return 0;
  return static_cast<int>(status);
}

// The WinINet handles of one exchange, made in WinINet's asynchronous mode so that giving the
// exchange up cancels its I/O the way Windows documents: a call that returned ERROR_IO_PENDING
// has no thread inside it, and closing its handle cancels that I/O. Only the thread running the
// exchange makes, uses and closes the handles; a caller that gives up only sets an event.
// WinINet reports a call's end and a handle's closing on threads of its own, through a callback
// that reaches this object, so it must outlive the last notice: Close waits for every handle's
// closing notice, and a session whose notices do not come in time is left allocated.
class Session {
 public:
  // `abandon`: a manual-reset event the waiting caller sets to give the exchange up; the session
  // holds its own handle to it. Without one the exchange is never given up.
  explicit Session(HANDLE abandon)
      : completed_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
        abandoned_(Share(abandon)),
        closing_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  ~Session() {
    for (HANDLE event : {completed_, abandoned_, closing_}) {
      if (event) CloseHandle(event);
    }
  }

  bool Made() const { return completed_ && abandoned_ && closing_; }
  DWORD_PTR Context() { return reinterpret_cast<DWORD_PTR>(this); }

  // Keeps a handle just made with this session's context; false when there is none, or when
  // the exchange was abandoned meanwhile. `notifies`: whether WinINet will report its closing.
  bool Keep(HINTERNET handle, bool notifies = true) {
    if (!handle) return false;
    handles_.push_back(handle);
    if (notifies) ++expectedClosings_;
    return Usable();
  }

  // Whether the exchange may make its next call.
  bool Usable() const { return WaitForSingleObject(abandoned_, 0) != WAIT_OBJECT_0; }

  // Before a call that may end later: forgets an earlier call's end.
  void Expect() { ResetEvent(completed_); }

  // Ends a call made on a kept handle, given what it returned: whether it succeeded, at once
  // or later (then *pended is set). On failure *error says why: ERROR_CANCELLED when the
  // exchange was given up while the call was pending (the call is then cancelled by Close).
  bool Complete(BOOL returned, DWORD* error, bool* pended = nullptr) {
    *error = 0;
    if (pended) *pended = false;
    if (returned) return true;
    *error = GetLastError();
    if (*error != ERROR_IO_PENDING) return false;
    if (pended) *pended = true;
    HANDLE waits[2] = {completed_, abandoned_};
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
      *error = ERROR_CANCELLED;
      return false;
    }
    *error = result_.dwResult ? 0 : (result_.dwError != 0 ? result_.dwError : ERROR_INTERNET_INTERNAL_ERROR);
    return *error == 0;
  }

  // Closes the handles, children first, and waits up to `ms` for their closing notices; false
  // when they did not all come (then WinINet may still call in, and this must not be freed).
  bool Close(DWORD ms) {
    for (auto it = handles_.rbegin(); it != handles_.rend(); ++it) InternetCloseHandle(*it);
    handles_.clear();
    const ULONGLONG until = GetTickCount64() + ms;
    while (closings_.load() < expectedClosings_) {
      const ULONGLONG now = GetTickCount64();
      if (now >= until || WaitForSingleObject(closing_, static_cast<DWORD>(until - now)) == WAIT_FAILED) {
        return closings_.load() >= expectedClosings_;
      }
    }
    return true;
  }

  // What asynchronous calls write into, which must stay valid until the call ends or is
  // cancelled: it lives as long as the session.
  unsigned char chunk[kReadChunk] = {};
  DWORD count = 0;
  DWORD available = 0;

  static void CALLBACK Notice(HINTERNET, DWORD_PTR context, DWORD status, void* info, DWORD length) {
    if (context == 0) return;
    auto* session = reinterpret_cast<Session*>(context);
    if (status == INTERNET_STATUS_REQUEST_COMPLETE && info && length >= sizeof(INTERNET_ASYNC_RESULT)) {
      session->result_ = *static_cast<const INTERNET_ASYNC_RESULT*>(info);
      SetEvent(session->completed_);
    } else if (status == INTERNET_STATUS_HANDLE_CLOSING) {
      ++session->closings_;
      SetEvent(session->closing_);
    }
  }

 private:
  static HANDLE Share(HANDLE abandon) {
    HANDLE own = nullptr;
    if (!abandon) return CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DuplicateHandle(GetCurrentProcess(), abandon, GetCurrentProcess(), &own, 0, FALSE, DUPLICATE_SAME_ACCESS);
    return own;
  }

  HANDLE completed_, abandoned_, closing_;
  INTERNET_ASYNC_RESULT result_{};  // written by the callback before completed_ is set
  std::vector<HINTERNET> handles_;  // the exchange's thread only
  int expectedClosings_ = 0;        // the exchange's thread only
  std::atomic<int> closings_{0};
};

// How long a session waits for the closing notices of its handles; past it the session is left
// allocated (a few hundred bytes) rather than freed while WinINet may still call into it.
constexpr DWORD kClosingWaitMs = 120000;

// Frees a session once WinINet has said its last word about it.
void CloseSession(std::unique_ptr<Session> session) {
  if (!session->Close(kClosingWaitMs)) (void)session.release();
}

// WinINet allows few connections to one server (2 on some systems): an abandoned exchange that
// still holds one until its time-outs end it must not keep the next request waiting.
void AllowConnections() {
  static std::once_flag once;
  std::call_once(once, [] {
    DWORD count = 16;
    InternetSetOptionA(nullptr, INTERNET_OPTION_MAX_CONNS_PER_SERVER, &count, sizeof count);
    InternetSetOptionA(nullptr, INTERNET_OPTION_MAX_CONNS_PER_1_0_SERVER, &count, sizeof count);
  });
}

std::string QueryRawHeaders(HINTERNET request) {
  std::string buffer(kHeaderBuffer, ' ');
  DWORD length = static_cast<DWORD>(buffer.size());
  if (HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, buffer.data(), &length, nullptr)) {
    return buffer.substr(0, length);
  }
  if (GetLastError() == ERROR_INSUFFICIENT_BUFFER && length > buffer.size()) {
    // A long header block is read whole rather than dropped.
    std::string larger(length + 1, '\0');
    DWORD largerLength = length + 1;
    if (HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, larger.data(), &largerLength, nullptr)) {
      return larger.substr(0, largerLength);
    }
  }
  return std::string(kHeaderBuffer, ' ');
}

// Runs the exchange with handles kept in `session`, which the caller closes afterwards.
void Exchange(const Request& request, Session& session, Response* response) {
  const std::string proxyList = request.proxy ? "http=" + *request.proxy : std::string();
  HINTERNET root =
      request.proxy
          ? InternetOpenA(request.agent.c_str(), INTERNET_OPEN_TYPE_PROXY, proxyList.c_str(), "", INTERNET_FLAG_ASYNC)
          : InternetOpenA(request.agent.c_str(), INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, INTERNET_FLAG_ASYNC);
  if (!root) return NoteError(response, GetLastError());
  // The root has no context of its own: without one WinINet reports nothing about it.
  DWORD_PTR context = session.Context();
  const bool rootNotifies = InternetSetOptionA(root, INTERNET_OPTION_CONTEXT_VALUE, &context, sizeof context);
  if (!session.Keep(root, rootNotifies)) return;
  // Children made after this inherit the callback.
  if (InternetSetStatusCallbackA(root, &Session::Notice) == INTERNET_INVALID_STATUS_CALLBACK) {
    return NoteError(response, GetLastError());
  }
  if (request.deadlineMs != 0) {
    // No single wait outlasts the whole exchange, even when nobody gives it up.
    DWORD ms = request.deadlineMs;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT}) {
      InternetSetOptionA(root, option, &ms, sizeof ms);
    }
  }
  const std::string host = UrlHost(request.url, false);
  HINTERNET connection = InternetConnectA(root, host.c_str(), static_cast<INTERNET_PORT>(UrlPort(request.url)),
                                          nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, context);
  if (!connection) return NoteError(response, GetLastError());
  if (!session.Keep(connection)) return;
  const char* verb = request.method == 1 ? "POST" : "GET";
  const std::string path = UrlPath(request.url);
  HINTERNET handle = HttpOpenRequestA(connection, verb, path.c_str(), "HTTP/1.1", nullptr, nullptr,
                                      RequestFlags(request.url, request.cookiesSupplied, request.noRedirect), context);
  if (!handle) return NoteError(response, GetLastError());
  if (!session.Keep(handle)) return;
  response->opened = true;

  // Name lookup, connecting, sending, redirects and the answer's headers all happen in here.
  const bool withBody = request.method != 0 && !request.body.empty();
  DWORD sendError = 0;
  session.Expect();
  const bool sent = session.Complete(
      HttpSendRequestA(handle, request.block.c_str(), static_cast<DWORD>(request.block.size()),
                       withBody ? const_cast<unsigned char*>(request.body.data()) : nullptr,
                       withBody ? static_cast<DWORD>(request.body.size()) : 0),
      &sendError);
  if (sendError == ERROR_CANCELLED) return NoteError(response, sendError);
  // With a deadline a wait that timed out fails the exchange; otherwise a failed send still
  // has its (empty) answer read, as it always has.
  if (!sent) NoteError(response, sendError);
  if (sendError == ERROR_INTERNET_TIMEOUT && request.deadlineMs != 0) return;
  if (sent) response->report.status = QueryStatus(handle);

  ByteArray body;
  int emptyReads = 0;
  for (;;) {
    if (!session.Usable()) return;
    // First wait until some of the answer is here, or its end: a count written by a call that
    // ended later is not to be trusted everywhere (Wine zeroes it when the call returns), so a
    // call that pended is asked again, and the read then takes only what is already here.
    DWORD readError = 0;
    bool ready = false, pended = true;
    while (pended) {
      session.Expect();
      ready = session.Complete(InternetQueryDataAvailable(handle, &session.available, 0, 0), &readError, &pended);
      if (!ready) break;
    }
    if (ready) {
      if (session.available == 0) break;  // the end of the answer
      session.Expect();
      const DWORD size = std::min<DWORD>(session.available, kReadChunk);
      ready = session.Complete(InternetReadFile(handle, session.chunk, size, &session.count), &readError);
    }
    if (readError == ERROR_CANCELLED) return NoteError(response, readError);
    if (!ready) {
      NoteError(response, readError);
      if (readError == ERROR_INTERNET_TIMEOUT && request.deadlineMs != 0) return;
      break;
    }
    const DWORD count = session.count;
    if (count == 0) {
      // Nothing taken though something was said to be here: the next query tells whether the
      // answer ended, a few times over at most.
      if (++emptyReads > kEmptyReads) break;
      continue;
    }
    emptyReads = 0;
    // An endless or huge answer fails the exchange instead of growing without bound.
    if (body.size() + count > kMaxBodyBytes) return NoteError(response, ERROR_INSUFFICIENT_BUFFER);
    body.insert(body.end(), session.chunk, session.chunk + count);
  }
  if (!session.Usable()) return;
  response->rawHeaders = QueryRawHeaders(handle);
  response->body = std::move(body);
  response->whole = true;
}

// Runs one exchange on the calling thread in a session of its own, which it closes.
void RunExchange(const Request& request, std::unique_ptr<Session> session, Response* response) {
  // Memory ran out reading the answer: a failed exchange.
  base::Contained([&] { Exchange(request, *session, response); },
                  [&] {
                    response->whole = false;
                    NoteError(response, ERROR_NOT_ENOUGH_MEMORY);
                  });
  CloseSession(std::move(session));
}

// An exchange with a deadline or a cancel event runs on a thread of its own, which owns a share
// of this: a caller that gives up leaves it to the thread, so nothing is written into freed
// memory. The session is the thread's to close.
struct Shared {
  Request request;
  Session* session = nullptr;  // reaches the thread, which takes it
  Response response;
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE abandon = CreateEventW(nullptr, TRUE, FALSE, nullptr);  // set by a caller that gives up
  ~Shared() {
    for (HANDLE event : {done, abandon}) {
      if (event) CloseHandle(event);
    }
  }
};

DWORD WINAPI ExchangeThread(void* parameter) {
  std::unique_ptr<std::shared_ptr<Shared>> owner(static_cast<std::shared_ptr<Shared>*>(parameter));
  Shared& shared = **owner;
  RunExchange(shared.request, std::unique_ptr<Session>(shared.session), &shared.response);
  SetEvent(shared.done);
  return 0;
}

// A session, or the reason there is none.
std::unique_ptr<Session> MakeSession(HANDLE abandon, Response* failed) {
  auto session = std::make_unique<Session>(abandon);
  if (session->Made()) return session;
  NoteError(failed, GetLastError());
  return nullptr;
}

// Runs the exchange on the calling thread, or with a deadline or a cancel event on a thread of
// its own that the caller waits for. Past the deadline, or once cancelled, the exchange has
// failed: its pending I/O is cancelled, and what its thread still does goes nowhere.
Response Run(Request request, const std::function<bool(void*, unsigned long)>& wait, HANDLE cancel) {
  AllowConnections();
  Response failed;
  if (cancel && WaitForSingleObject(cancel, 0) == WAIT_OBJECT_0) {
    NoteError(&failed, ERROR_CANCELLED);
    return failed;
  }
  if (request.deadlineMs == 0 && !cancel) {
    std::unique_ptr<Session> session = MakeSession(nullptr, &failed);
    if (!session) return failed;
    Response response;
    RunExchange(request, std::move(session), &response);
    return response;
  }
  auto shared = std::make_shared<Shared>();
  if (!shared->done || !shared->abandon) {
    NoteError(&failed, GetLastError());
    return failed;
  }
  std::unique_ptr<Session> session = MakeSession(shared->abandon, &failed);
  if (!session) return failed;
  shared->request = std::move(request);
  shared->session = session.release();
  auto* share = new std::shared_ptr<Shared>(shared);
  HANDLE thread = CreateThread(nullptr, 0, ExchangeThread, share, 0, nullptr);
  if (!thread) {
    NoteError(&failed, GetLastError());
    delete shared->session;  // no handle was made with it
    delete share;
    return failed;
  }
  CloseHandle(thread);
  const unsigned long ms = shared->request.deadlineMs != 0 ? shared->request.deadlineMs : INFINITE;
  bool ended = false;
  if (wait) {
    ended = wait(shared->done, ms);
  } else {
    HANDLE waits[2] = {shared->done, cancel};
    ended = WaitForMultipleObjects(cancel ? 2 : 1, waits, FALSE, ms) == WAIT_OBJECT_0;
  }
  if (ended) return std::move(shared->response);
  // The pending call ends at once and the thread closes its handles, which cancels its I/O.
  SetEvent(shared->abandon);
  // Making the request takes no network, so by now it has been made.
  failed.opened = true;
  NoteError(&failed, cancel && WaitForSingleObject(cancel, 0) == WAIT_OBJECT_0 ? ERROR_CANCELLED
                                                                               : ERROR_INTERNET_TIMEOUT);
  return failed;
}

thread_local bool fetchesRefused = false;

// What an exchange answers when memory ran out on the way.
template <typename Result>
Result Failed(const WebAccessArgs& args) noexcept {
  if (args.report) args.report->error = ERROR_NOT_ENOUGH_MEMORY;
  return Result();
}

// Sends the exchange the caller's arguments describe; writes back the block and body sent once
// a request was made, and on a whole answer what its header block says.
Response Fetch(const std::string& url, const WebAccessArgs& args) {
  if (fetchesRefused) {
    OutputDebugStringA("Quarvel: a web exchange was asked for on a thread that must not wait for one\n");
    Response refused;
    NoteError(&refused, kFetchRefused);
    if (args.report) *args.report = refused.report;
    return refused;
  }
  Request request;
  request.url = url;
  request.method = args.method;
  request.cookiesSupplied = args.cookies != nullptr;
  request.noRedirect = args.noRedirect;
  request.proxy = args.proxy;
  request.deadlineMs = args.deadlineMs;
  const std::string extra = args.extraHeaders ? *args.extraHeaders : std::string();
  request.agent = AgentFor(extra);
  const std::string block = BuildHeaderBlock(extra, url, args.cookies ? *args.cookies : std::string());
  request.block = block;
  if (args.method != 0) {
    if (args.postBytes && !args.postBytes->empty()) {
      request.body = *args.postBytes;
    } else {
      request.body.assign(args.postText.begin(), args.postText.end());
    }
  }
  Response response = Run(std::move(request), args.wait, static_cast<HANDLE>(args.cancel));
  if (args.report) *args.report = response.report;
  if (!response.opened) return response;
  if (args.extraHeaders) *args.extraHeaders = block;
  if (args.method != 0 && args.postBytes && args.postBytes->empty()) {
    args.postBytes->assign(args.postText.begin(), args.postText.end());
  }
  if (response.whole) AnalyseResponse(response.rawHeaders, args);
  return response;
}

}  // namespace

void RefuseFetchesOnThisThread() { fetchesRefused = true; }

unsigned long RequestFlags(const std::string& url, bool cookiesSupplied, bool noRedirect) {
  unsigned long flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NEED_FILE;
  if (cookiesSupplied) flags |= INTERNET_FLAG_NO_COOKIES;
  if (noRedirect) flags |= INTERNET_FLAG_NO_AUTO_REDIRECT;
  flags |= IsHttpsUrl(url) ? INTERNET_FLAG_SECURE : INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
  return flags;
}

// Memory running out while reading or converting makes the exchange fail (an empty result):
// no exception leaves the routine, whichever thread called it.
ByteArray WebAccessBytes(const std::string& url, const WebAccessArgs& args) {
  return base::Contained(
      [&]() -> ByteArray {
        Response response = Fetch(url, args);
        if (!response.whole) return {};
        return std::move(response.body);
      },
      [&] { return Failed<ByteArray>(args); });
}

std::string WebAccess(const std::string& url, const WebAccessArgs& args) {
  return base::Contained(
      [&]() -> std::string {
        Response response = Fetch(url, args);
        if (!response.whole) return {};
        return BodyAsText(response.body, response.rawHeaders);
      },
      [&] { return Failed<std::string>(args); });
}

}  // namespace web
