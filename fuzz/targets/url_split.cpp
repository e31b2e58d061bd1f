// Splitting a URL into host, port and object name.
#include "FuzzInput.h"
#include "web/TextExtraction.h"
#include "web/WebAccess.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  fuzz::FuzzInput input(data, size);
  const std::string url = input.Rest();

  const std::string host = web::UrlHost(url, false);
  const std::string hostWithPort = web::UrlHost(url, true);
  fuzz::Check(hostWithPort.compare(0, host.size(), host) == 0, "the host is the start of host:port", hostWithPort);
  fuzz::Check(host.find(':') == std::string::npos, "a host without port has no colon", host);
  fuzz::Check(web::FindText(hostWithPort, "/", 1, true) < 0, "a host holds no slash", hostWithPort);
  for (size_t i = 0; i < host.size(); ++i) {
    if (web::IsLeadByte(static_cast<unsigned char>(host[i]))) {
      ++i;
    } else {
      fuzz::Check(host[i] < 'A' || host[i] > 'Z', "the host is lower case", host);
    }
  }
  const std::string path = web::UrlPath(url);
  fuzz::Check(!path.empty() && path.front() == '/', "the object name starts with a slash", path);
  fuzz::Check(path == "/" || fuzz::OccursIn(url, path), "the object name is the URL's own tail", path);
  (void)web::UrlPort(url);
  return 0;
}
