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

  const std::string block = BuildHeaderBlock(extra, url, jar);
  if (args.extraHeaders) *args.extraHeaders = block;
  if (args.method == 0) {
    HttpSendRequestA(request.Get(), block.c_str(), static_cast<DWORD>(block.size()), nullptr, 0);
  } else {
    ByteArray localBody;
    ByteArray& body = args.postBytes ? *args.postBytes : localBody;
    if (body.empty()) body.assign(args.postText.begin(), args.postText.end());
    HttpSendRequestA(request.Get(), block.c_str(), static_cast<DWORD>(block.size()),
                     body.empty() ? nullptr : body.data(), static_cast<DWORD>(body.size()));
  }

  for (;;) {
    unsigned char chunk[kReadChunk] = {};
    DWORD count = 0;
    if (!InternetReadFile(request.Get(), chunk, sizeof chunk, &count) || count == 0) break;
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
