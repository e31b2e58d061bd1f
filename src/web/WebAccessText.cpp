// The text side of the web access routine: URL splitting, the request header block and the
// reading of the response. No network here.
#include "web/WebAccess.h"

#include <algorithm>
#include <cstdlib>

#include "web/Cookies.h"
#include "web/Encoding.h"
#include "web/TextExtraction.h"

namespace web {
namespace {

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

}  // namespace

bool IsHttpsUrl(const std::string& url) { return AsciiLower(url.substr(0, 5)) == "https"; }

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
  return IsHttpsUrl(url) ? 443 : 80;
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

std::string BodyAsText(const ByteArray& body, const std::string& rawHeaders) {
  std::string text(body.begin(), body.end());
  if (IsUtf8Body(body, rawHeaders)) text = ConvertCharset(text, "UTF-8", "GBK");
  const size_t zero = text.find('\0');
  if (zero != std::string::npos) text.resize(zero);
  return text;
}

}  // namespace web
