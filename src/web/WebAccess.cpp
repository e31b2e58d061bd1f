#include "web/WebAccess.h"

#include <windows.h>
#include <wininet.h>

namespace web {
namespace {

// Owns one WinINet handle for the length of one exchange.
class InternetHandle {
 public:
  explicit InternetHandle(HINTERNET handle) : handle_(handle) {}
  ~InternetHandle() {
    if (handle_) InternetCloseHandle(handle_);
  }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
  HINTERNET Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  void Reset() {
    if (handle_) InternetCloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  HINTERNET handle_;
};

constexpr size_t kReadChunk = 1024;
constexpr size_t kHeaderBuffer = 5000;

struct Response {
  ByteArray body;
  std::string rawHeaders;
};

// The end of an exchange that has a deadline. WinINet's time-outs only bound each wait on its
// own, so a server that trickles a byte now and then holds a plain exchange for as long as it
// likes; with a deadline every wait is bounded by the time left.
class Deadline {
 public:
  explicit Deadline(unsigned long ms) : ms_(ms), start_(GetTickCount64()) {}
  bool Set() const { return ms_ != 0; }
  // Milliseconds left; 0 once the deadline has passed.
  DWORD Left() const {
    const ULONGLONG spent = GetTickCount64() - start_;
    return spent >= ms_ ? 0 : static_cast<DWORD>(ms_ - spent);
  }
  // Bounds the next waits of a request (connecting, sending, receiving) by the time left, at
  // least 1 ms: WinINet reads a time-out of 0 as none.
  void Bound(HINTERNET handle) const {
    DWORD left = Left();
    if (left == 0) left = 1;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT}) {
      InternetSetOptionA(handle, option, &left, sizeof left);
    }
  }

 private:
  unsigned long ms_;
  ULONGLONG start_;
};

// One read of at most a chunk; false at the end of the body, on a failed read or, with a
// deadline, once it has passed (then *expired is set).
bool ReadChunk(HINTERNET request, const Deadline& deadline, unsigned char* chunk, DWORD* count, bool* expired) {
  DWORD wanted = kReadChunk;
  if (deadline.Set()) {
    // Ask what has arrived first: a read waits until its whole chunk is there or the body ends.
    DWORD available = 0;
    deadline.Bound(request);
    if (!InternetQueryDataAvailable(request, &available, 0, 0)) {
      *expired = GetLastError() == ERROR_INTERNET_TIMEOUT || deadline.Left() == 0;
      return false;
    }
    if (available == 0) return false;  // the end of the body
    if (deadline.Left() == 0) {
      *expired = true;
      return false;
    }
    if (available < wanted) wanted = available;
  }
  return InternetReadFile(request, chunk, wanted, count) && *count != 0;
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

// Runs the exchange. False when no request could be made; then nothing was written back.
bool Exchange(const std::string& url, const WebAccessArgs& args, Response* response) {
  const Deadline deadline(args.deadlineMs);
  std::string extra = args.extraHeaders ? *args.extraHeaders : std::string();
  const bool cookiesSupplied = args.cookies != nullptr;
  const std::string jar = cookiesSupplied ? *args.cookies : std::string();

  const std::string agent = AgentFor(extra);
  const std::string proxyList = args.proxy ? "http=" + *args.proxy : std::string();
  InternetHandle root(args.proxy ? InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_PROXY, proxyList.c_str(), "", 0)
                                 : InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
  if (!root) return false;
  const std::string host = UrlHost(url, false);
  InternetHandle connection(InternetConnectA(root.Get(), host.c_str(), static_cast<INTERNET_PORT>(UrlPort(url)),
                                             nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return false;
  const char* verb = args.method == 1 ? "POST" : "GET";
  const std::string path = UrlPath(url);
  InternetHandle request(HttpOpenRequestA(connection.Get(), verb, path.c_str(), "HTTP/1.1", nullptr, nullptr,
                                          RequestFlags(url, cookiesSupplied, args.noRedirect), 0));
  if (!request) return false;
  if (deadline.Set()) deadline.Bound(request.Get());

  const std::string block = BuildHeaderBlock(extra, url, jar);
  if (args.extraHeaders) *args.extraHeaders = block;
  BOOL sent;
  if (args.method == 0) {
    sent = HttpSendRequestA(request.Get(), block.c_str(), static_cast<DWORD>(block.size()), nullptr, 0);
  } else {
    ByteArray localBody;
    ByteArray& body = args.postBytes ? *args.postBytes : localBody;
    if (body.empty()) body.assign(args.postText.begin(), args.postText.end());
    sent = HttpSendRequestA(request.Get(), block.c_str(), static_cast<DWORD>(block.size()),
                            body.empty() ? nullptr : body.data(), static_cast<DWORD>(body.size()));
  }
  // The send waited for the answer's headers: with a deadline, its time may be up already.
  if (deadline.Set() && ((!sent && GetLastError() == ERROR_INTERNET_TIMEOUT) || deadline.Left() == 0)) return false;

  for (;;) {
    unsigned char chunk[kReadChunk] = {};
    DWORD count = 0;
    bool expired = false;
    if (!ReadChunk(request.Get(), deadline, chunk, &count, &expired)) {
      if (expired) return false;
      break;
    }
    // An endless or huge answer fails the exchange instead of growing without bound.
    if (response->body.size() + count > kMaxBodyBytes) return false;
    response->body.insert(response->body.end(), chunk, chunk + count);
  }
  response->rawHeaders = QueryRawHeaders(request.Get());
  request.Reset();
  connection.Reset();
  root.Reset();
  return true;
}

}  // namespace

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
    Response response;
    if (!Exchange(url, args, &response)) return {};
    AnalyseResponse(response.rawHeaders, args);
    return std::move(response.body);
  } catch (...) {
    return {};
  }
}

std::string WebAccess(const std::string& url, const WebAccessArgs& args) {
  try {
    Response response;
    if (!Exchange(url, args, &response)) return {};
    AnalyseResponse(response.rawHeaders, args);
    return BodyAsText(response.body, response.rawHeaders);
  } catch (...) {
    return {};
  }
}

}  // namespace web
