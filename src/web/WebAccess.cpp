#include "web/WebAccess.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstdlib>

#include "web/Cookies.h"
#include "web/Encoding.h"
#include "web/TextExtraction.h"

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
  HINTERNET get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  void reset() {
    if (handle_) InternetCloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  HINTERNET handle_;
};

constexpr size_t kReadChunk = 1024;
constexpr size_t kHeaderBuffer = 5000;
constexpr size_t kUtf8SniffWindow = 500;  // "utf-8" must start at a 1-based position below this

// Lower-cases ASCII letters; both bytes of a double-byte character are left as they are.
std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (size_t i = 0; i < out.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(out[i]);
    if (IsLeadByte(c)) {
      ++i;
    } else if (c >= 'A' && c <= 'Z') {
      out[i] = static_cast<char>(c - 'A' + 'a');
    }
  }
  return out;
}

bool StartsWithHttps(const std::string& url) { return AsciiLower(url.substr(0, 5)) == "https"; }

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
  InternetHandle connection(InternetConnectA(root.get(), host.c_str(), static_cast<INTERNET_PORT>(UrlPort(url)),
                                             nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return false;
  const char* verb = args.method == 1 ? "POST" : "GET";
  const std::string path = UrlPath(url);
  InternetHandle request(HttpOpenRequestA(connection.get(), verb, path.c_str(), "HTTP/1.1", nullptr, nullptr,
                                          RequestFlags(url, cookiesSupplied, args.noRedirect), 0));
  if (!request) return false;

  const std::string block = BuildHeaderBlock(extra, url, jar);
  if (args.extraHeaders) *args.extraHeaders = block;
  if (args.method == 0) {
    HttpSendRequestA(request.get(), block.c_str(), static_cast<DWORD>(block.size()), nullptr, 0);
  } else {
    ByteArray localBody;
    ByteArray& body = args.postBytes ? *args.postBytes : localBody;
    if (body.empty()) body.assign(args.postText.begin(), args.postText.end());
    HttpSendRequestA(request.get(), block.c_str(), static_cast<DWORD>(block.size()),
                     body.empty() ? nullptr : body.data(), static_cast<DWORD>(body.size()));
  }

  for (;;) {
    unsigned char chunk[kReadChunk] = {};
    DWORD count = 0;
    if (!InternetReadFile(request.get(), chunk, sizeof chunk, &count) || count == 0) break;
    // An endless or huge answer fails the exchange instead of growing without bound.
    if (response->body.size() + count > kMaxBodyBytes) return false;
    response->body.insert(response->body.end(), chunk, chunk + count);
  }
  response->rawHeaders = QueryRawHeaders(request.get());
  request.reset();
  connection.reset();
  root.reset();
  return true;
}

void AnalyseResponse(const std::string& rawHeaders, const WebAccessArgs& args) {
  const std::vector<std::string> lines = SplitText(rawHeaders, "\r\n");
  std::string location;
  for (const std::string& line : lines) {
    if (FindText(line, "Location:", 1, true) > 0) location = HeaderValue(line);
  }
  std::string newCookies = CollectResponseCookies(lines);
  if (args.cookies) MergeCookies(*args.cookies, newCookies);
  if (location.empty()) location = rawHeaders;
  if (args.newCookies) *args.newCookies = newCookies;
  if (args.location) *args.location = location;
  if (args.rawHeaders) *args.rawHeaders = rawHeaders;
}

}  // namespace

std::string UrlHost(const std::string& url, bool keepPort) {
  std::string lower = AsciiLower(url);
  if (lower.empty() || lower.back() != '/') lower += '/';
  std::string host;
  if (lower.compare(0, 8, "https://") == 0) {
    host = TextBetween(lower, "https://", "/");
  } else {
    if (lower.find("http://") == std::string::npos) lower = "http://" + lower;
    host = TextBetween(lower, "http://", "/");
  }
  if (!keepPort) {
    const size_t colon = host.find(':');
    if (colon != std::string::npos) host.resize(colon);
  }
  return host;
}

int UrlPort(const std::string& url) {
  const std::string host = UrlHost(url, true);
  const size_t colon = host.rfind(':');
  if (colon != std::string::npos) return std::atoi(host.c_str() + colon + 1);
  return StartsWithHttps(url) ? 443 : 80;
}

std::string UrlPath(const std::string& url) {
  const std::string host = UrlHost(url, false);
  // Look for the host after the scheme, so that a host like "h" is not found inside "http".
  const int scheme = FindText(url, "://", 1, true);
  const int at = FindText(url, host, scheme > 0 ? scheme + 3 : 1, false);
  if (at < 0) return "/";
  const size_t slash = url.find('/', static_cast<size_t>(at - 1));
  return slash == std::string::npos ? "/" : url.substr(slash);
}

unsigned long RequestFlags(const std::string& url, bool cookiesSupplied, bool noRedirect) {
  unsigned long flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NEED_FILE;
  if (cookiesSupplied) flags |= INTERNET_FLAG_NO_COOKIES;
  if (noRedirect) flags |= INTERNET_FLAG_NO_AUTO_REDIRECT;
  flags |= StartsWithHttps(url) ? INTERNET_FLAG_SECURE : INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
  return flags;
}

std::string BuildHeaderBlock(const std::string& extraHeaders, const std::string& url, const std::string& cookies) {
  std::string block = extraHeaders;
  auto lacks = [&block](const char* name) { return FindText(block, name, 1, true) < 0; };
  if (lacks("Referer:")) block += (block.empty() ? "" : "\r\n") + std::string("Referer: ") + url;
  if (lacks("Accept:")) block += "\r\nAccept: */*";
  if (lacks("Accept-Language:")) block += "\r\nAccept-Language: zh-cn";
  if (lacks("Content-Type:")) block += "\r\nContent-Type: application/x-www-form-urlencoded";
  if (!cookies.empty()) block += "\r\nCookie: " + cookies;
  return block;
}

std::string AgentFor(const std::string& extraHeaders) {
  const int at = FindText(extraHeaders, "User-Agent:", 1, false);
  if (at < 0) return kDefaultAgent;
  std::string agent = Trim(TextBetween(extraHeaders, "User-Agent:", "\r\n"));
  // The line may be the block's last, with no CR LF after it: its value runs to the end.
  const int valueAt = at + 11;
  if (agent.empty() && FindText(extraHeaders, "\r\n", valueAt, true) < 0) {
    agent = Trim(extraHeaders.substr(static_cast<size_t>(valueAt - 1)));
  }
  return agent.empty() ? std::string(kDefaultAgent) : agent;
}

bool IsUtf8Body(const ByteArray& body, const std::string& rawHeaders) {
  static constexpr char kMarker[] = "utf-8";
  const size_t window = std::min(body.size(), kUtf8SniffWindow - 1 + 4);
  const std::string head(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(window));
  const size_t first = head.find(kMarker);
  if (first != std::string::npos && first + 1 < kUtf8SniffWindow) return true;
  return FindText(rawHeaders, kMarker, 1, false) > 0;
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
    ByteArray body = std::move(response.body);
    std::string text(body.begin(), body.end());
    if (IsUtf8Body(body, response.rawHeaders)) text = ConvertCharset(text, "UTF-8", "GBK");
    const size_t zero = text.find('\0');
    if (zero != std::string::npos) text.resize(zero);
    return text;
  } catch (...) {
    return {};
  }
}

}  // namespace web
