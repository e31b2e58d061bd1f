// Access to the reference site that the ctest fixture started for this test run: its URL and
// the request log it writes (one JSON object per request).
#pragma once

#include <string>
#include <vector>

namespace testsupport {

// "http://127.0.0.1:PORT" + path; fails the calling test (empty result) when no site runs.
std::string SiteUrl(const std::string& path);
int SitePort();

// One logged request: method, path with query, the raw request header block, the body bytes.
struct LoggedRequest {
  std::string method;
  std::string path;
  std::string rawHeaders;
  std::string body;
};

// All logged requests whose path contains the given text, oldest first.
std::vector<LoggedRequest> RequestsTo(const std::string& pathPart);

// What the program should read for one catalogue entry (GBK texts), as the fixture wrote it.
struct ExpectedEntry {
  std::string detailPath;
  std::string title;
  std::string size;
  std::string format;
  std::string codes;
  std::string outcome;  // "link", "failure" or "no-resource"
  std::string magnet;
};

std::vector<ExpectedEntry> CatalogueExpectations();

}  // namespace testsupport
