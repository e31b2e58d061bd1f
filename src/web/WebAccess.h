// The one synchronous HTTP(S) exchange of the program, over WinINet. Every call opens and
// closes its own handles; nothing is shared between calls, so any thread may call it.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace web {

using ByteArray = std::vector<unsigned char>;

// How an exchange went, for a caller that tells the user why nothing came: the error of the
// step that failed and the status the site answered with. The result stays as it was (empty on
// failure, the body of any answer), so callers that only read the result see no difference.
struct ExchangeReport {
  unsigned long error = 0;  // WinINet's (or the system's) error of the failed step; 0 none
  int status = 0;           // HTTP status of the answer; 0 when none arrived
  // Whether the exchange brought no usable answer: a step failed or the site answered an error.
  bool Failed() const { return error != 0 || status >= 400; }
};

inline constexpr const char* kDefaultAgent =
    "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1; Vorla; .NET CLR 2.0.50727; .NET CLR 3.0.04506.648; "
    ".NET CLR 3.5.21022)";

// The optional arguments after the URL. Pointers are the caller's in/out variables (null =
// omitted); `cookies` and `proxy` distinguish supplied-but-empty from omitted.
struct WebAccessArgs {
  int method = 0;                       // 1 = POST, else GET; non-zero sends a body
  std::string postText;                 // body when postBytes is empty
  std::string* cookies = nullptr;       // in/out jar; supplied turns off WinINet's cookie store
  std::string* newCookies = nullptr;    // out: cookies set by this response, "a=1; b=2"
  std::string* extraHeaders = nullptr;  // in/out: extra lines; on return the block that was sent
  std::string* location = nullptr;      // out: last "Location:" value, else the raw header block
  bool noRedirect = false;
  ByteArray* postBytes = nullptr;       // in/out body bytes
  std::optional<std::string> proxy;     // host:port for the http scheme
  std::string* rawHeaders = nullptr;    // out: response header block, CR LF separated
  // 0: WinINet's own time-outs only, on the calling thread. Otherwise the exchange runs on a
  // thread of its own and fails once this many milliseconds have passed, in whatever phase it
  // is (name lookup, connecting, sending, headers, redirects, body) and however the server
  // paces its answer.
  unsigned long deadlineMs = 0;
  // With a deadline: how the caller waits for that thread, given its end event (a HANDLE) and
  // the deadline; true when the event came. Empty: a plain wait. A UI thread passes a wait that
  // keeps its windows answering.
  std::function<bool(void* done, unsigned long ms)> wait;
  ExchangeReport* report = nullptr;  // out: how the exchange went
  // An event that gives the exchange up once set: the call returns at once, failed
  // (ERROR_CANCELLED), and the exchange, run on a thread of its own, stops after its current step.
  void* cancel = nullptr;
};

// A thread that must never wait for the network (the UI thread) says so once: an exchange
// asked for on it then fails at once with kFetchRefused, before any request is made, and says so
// in the debugger's output. Tests read the error.
void RefuseFetchesOnThisThread();
inline constexpr unsigned long kFetchRefused = 0x20000001;  // a customer-defined error code

// A response body past this size fails the exchange.
inline constexpr size_t kMaxBodyBytes = 32u * 1024 * 1024;

// The body as GBK text (UTF-8 pages converted), cut at its first zero byte; empty on failure.
std::string WebAccess(const std::string& url, const WebAccessArgs& args = {});

// The same exchange; the body bytes unchanged.
ByteArray WebAccessBytes(const std::string& url, const WebAccessArgs& args = {});

std::string UrlHost(const std::string& url, bool keepPort);
int UrlPort(const std::string& url);
std::string UrlPath(const std::string& url);

// Whether the URL's first five characters are "https", any case.
bool IsHttpsUrl(const std::string& url);

// The request flags the exchange uses for this URL and these arguments.
unsigned long RequestFlags(const std::string& url, bool cookiesSupplied, bool noRedirect);

// The header block sent with a request: the caller's lines plus the default ones.
std::string BuildHeaderBlock(const std::string& extraHeaders, const std::string& url, const std::string& cookies);

// The agent string for a header block: its User-Agent line when it has one, else the default.
std::string AgentFor(const std::string& extraHeaders);

// Whether a response body is taken as UTF-8.
bool IsUtf8Body(const ByteArray& body, const std::string& rawHeaders);

// The body as the caller of WebAccess gets it: a UTF-8 body converted to GBK, cut at its first
// zero byte.
std::string BodyAsText(const ByteArray& body, const std::string& rawHeaders);

// Reads a response's header block into the caller's out arguments (location, cookies set,
// merged jar, raw headers).
void AnalyseResponse(const std::string& rawHeaders, const WebAccessArgs& args);

}  // namespace web
