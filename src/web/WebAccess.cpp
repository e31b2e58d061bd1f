#include "web/WebAccess.h"

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <memory>
#include <mutex>

namespace web {
namespace {

constexpr size_t kReadChunk = 1024;
constexpr size_t kHeaderBuffer = 5000;

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

// The WinINet handles of one exchange. Only the thread running the exchange makes, uses and
// closes them: Windows documents closing a handle as safe only while no call is being made on
// it. A caller whose deadline passes abandons the exchange instead; the exchange makes no call
// after its current one (which ends by the time-outs the deadline set) and closes its handles.
class Handles {
 public:
  Handles() = default;
  Handles(const Handles&) = delete;
  Handles& operator=(const Handles&) = delete;
  ~Handles() { Close(); }

  // Keeps a handle just made; false when there is none, or when the exchange was abandoned
  // meanwhile (then it is closed at once).
  bool Keep(HINTERNET handle) {
    if (!handle) return false;
    handles_.push_back(handle);
    return Usable();
  }

  // Whether the exchange may make its next call.
  bool Usable() const { return !abandoned_.load(); }

  // From the waiting caller: the exchange is given up.
  void Abandon() { abandoned_.store(true); }

  // From the exchange's own thread, when it makes no more calls.
  void Close() {
    // Children first: the request, its connection, the session.
    for (auto it = handles_.rbegin(); it != handles_.rend(); ++it) InternetCloseHandle(*it);
    handles_.clear();
  }

 private:
  std::vector<HINTERNET> handles_;  // the exchange's thread only
  std::atomic<bool> abandoned_{false};
};

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

enum class Read { Some, End, Failed, TimedOut };

// One read of at most a chunk.
Read ReadChunk(HINTERNET request, unsigned char* chunk, DWORD* count) {
  if (InternetReadFile(request, chunk, kReadChunk, count)) return *count != 0 ? Read::Some : Read::End;
  return GetLastError() == ERROR_INTERNET_TIMEOUT ? Read::TimedOut : Read::Failed;
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

// Runs the exchange with handles kept in `handles`, which the caller closes afterwards.
void Exchange(const Request& request, Handles& handles, Response* response) {
  const std::string proxyList = request.proxy ? "http=" + *request.proxy : std::string();
  HINTERNET root = request.proxy
                       ? InternetOpenA(request.agent.c_str(), INTERNET_OPEN_TYPE_PROXY, proxyList.c_str(), "", 0)
                       : InternetOpenA(request.agent.c_str(), INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  if (!root) return NoteError(response, GetLastError());
  if (!handles.Keep(root)) return;
  if (request.deadlineMs != 0) {
    // No single wait outlasts the whole exchange, even when nobody closes the handles.
    DWORD ms = request.deadlineMs;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT}) {
      InternetSetOptionA(root, option, &ms, sizeof ms);
    }
  }
  const std::string host = UrlHost(request.url, false);
  HINTERNET connection = InternetConnectA(root, host.c_str(), static_cast<INTERNET_PORT>(UrlPort(request.url)),
                                          nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
  if (!connection) return NoteError(response, GetLastError());
  if (!handles.Keep(connection)) return;
  const char* verb = request.method == 1 ? "POST" : "GET";
  const std::string path = UrlPath(request.url);
  HINTERNET handle = HttpOpenRequestA(connection, verb, path.c_str(), "HTTP/1.1", nullptr, nullptr,
                                      RequestFlags(request.url, request.cookiesSupplied, request.noRedirect), 0);
  if (!handle) return NoteError(response, GetLastError());
  if (!handles.Keep(handle)) return;
  response->opened = true;

  // Name lookup, connecting, sending, redirects and the answer's headers all happen in here.
  const bool withBody = request.method != 0 && !request.body.empty();
  const BOOL sent = HttpSendRequestA(handle, request.block.c_str(), static_cast<DWORD>(request.block.size()),
                                     withBody ? const_cast<unsigned char*>(request.body.data()) : nullptr,
                                     withBody ? static_cast<DWORD>(request.body.size()) : 0);
  // With a deadline a wait that timed out fails the exchange; otherwise a failed send still
  // has its (empty) answer read, as it always has.
  const DWORD sendError = sent ? 0 : GetLastError();
  if (!sent) NoteError(response, sendError);
  const bool timedOut = sendError == ERROR_INTERNET_TIMEOUT;
  if (timedOut && request.deadlineMs != 0) return;
  if (sent) response->report.status = QueryStatus(handle);

  ByteArray body;
  for (;;) {
    if (!handles.Usable()) return;
    unsigned char chunk[kReadChunk] = {};
    DWORD count = 0;
    const Read read = ReadChunk(handle, chunk, &count);
    if (read == Read::TimedOut || read == Read::Failed) NoteError(response, GetLastError());
    if (read == Read::TimedOut && request.deadlineMs != 0) return;
    if (read != Read::Some) break;
    // An endless or huge answer fails the exchange instead of growing without bound.
    if (body.size() + count > kMaxBodyBytes) return NoteError(response, ERROR_INSUFFICIENT_BUFFER);
    body.insert(body.end(), chunk, chunk + count);
  }
  if (!handles.Usable()) return;
  response->rawHeaders = QueryRawHeaders(handle);
  response->body = std::move(body);
  response->whole = true;
}

// An exchange with a deadline runs on a thread of its own, which owns a share of this: a
// caller that gives up leaves it to the thread, so nothing is written into freed memory.
struct Shared {
  Request request;
  Handles handles;
  Response response;
  HANDLE done = nullptr;
  ~Shared() {
    if (done) CloseHandle(done);
  }
};

DWORD WINAPI ExchangeThread(void* parameter) {
  std::unique_ptr<std::shared_ptr<Shared>> owner(static_cast<std::shared_ptr<Shared>*>(parameter));
  Shared& shared = **owner;
  try {
    Exchange(shared.request, shared.handles, &shared.response);
  } catch (...) {
    // Memory ran out reading the answer: a failed exchange.
    shared.response.whole = false;
    NoteError(&shared.response, ERROR_NOT_ENOUGH_MEMORY);
  }
  shared.handles.Close();
  SetEvent(shared.done);
  return 0;
}

// Runs the exchange on the calling thread, or with a deadline on a thread of its own that the
// caller waits for. Past the deadline the exchange has failed: its handles are closed, and what
// its thread still does goes nowhere.
Response Run(Request request, const std::function<bool(void*, unsigned long)>& wait, HANDLE cancel) {
  AllowConnections();
  if (cancel && WaitForSingleObject(cancel, 0) == WAIT_OBJECT_0) {
    Response cancelled;
    NoteError(&cancelled, ERROR_CANCELLED);
    return cancelled;
  }
  if (request.deadlineMs == 0 && !cancel) {
    Handles handles;
    Response response;
    Exchange(request, handles, &response);
    return response;
  }
  auto shared = std::make_shared<Shared>();
  shared->request = std::move(request);
  Response failed;
  shared->done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!shared->done) {
    NoteError(&failed, GetLastError());
    return failed;
  }
  auto* share = new std::shared_ptr<Shared>(shared);
  HANDLE thread = CreateThread(nullptr, 0, ExchangeThread, share, 0, nullptr);
  if (!thread) {
    NoteError(&failed, GetLastError());
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
  shared->handles.Abandon();
  // Making the request takes no network, so by now it has been made.
  failed.opened = true;
  NoteError(&failed, cancel && WaitForSingleObject(cancel, 0) == WAIT_OBJECT_0 ? ERROR_CANCELLED
                                                                               : ERROR_INTERNET_TIMEOUT);
  return failed;
}

thread_local bool fetchesRefused = false;

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
  try {
    Response response = Fetch(url, args);
    if (!response.whole) return {};
    return std::move(response.body);
  } catch (...) {
    if (args.report) args.report->error = ERROR_NOT_ENOUGH_MEMORY;
    return {};
  }
}

std::string WebAccess(const std::string& url, const WebAccessArgs& args) {
  try {
    Response response = Fetch(url, args);
    if (!response.whole) return {};
    return BodyAsText(response.body, response.rawHeaders);
  } catch (...) {
    if (args.report) args.report->error = ERROR_NOT_ENOUGH_MEMORY;
    return {};
  }
}

}  // namespace web
