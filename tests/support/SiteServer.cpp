#include "support/SiteServer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace testsupport {
namespace {

// The fixture's folder as this (Wine) process sees it: Unix "/x/y" is "Z:\x\y".
std::string SiteFolder() {
  const char* dir = std::getenv("QUARVEL_SITE_DIR");
  if (!dir || !*dir) return {};
  std::string path = std::string("Z:") + dir;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

void AppendUtf8AsLatin1(unsigned codePoint, std::string& out) {
  // The site writes header and body bytes as Latin-1 characters: each stands for one byte.
  out += static_cast<char>(codePoint & 0xFF);
}

// Decodes the JSON string value that starts at the quote at `at`; moves `at` past it.
std::string JsonString(const std::string& line, size_t& at) {
  std::string out;
  for (++at; at < line.size() && line[at] != '"'; ++at) {
    unsigned char c = static_cast<unsigned char>(line[at]);
    if (c == '\\' && at + 1 < line.size()) {
      char e = line[++at];
      switch (e) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'u':
          AppendUtf8AsLatin1(static_cast<unsigned>(std::strtoul(line.substr(at + 1, 4).c_str(), nullptr, 16)), out);
          at += 4;
          break;
        default: out += e;
      }
    } else if (c >= 0xC0 && at + 1 < line.size()) {  // a two-byte UTF-8 sequence: one Latin-1 char
      unsigned next = static_cast<unsigned char>(line[at + 1]) & 0x3F;
      AppendUtf8AsLatin1(((c & 0x1F) << 6) | next, out);
      ++at;
    } else {
      out += static_cast<char>(c);
    }
  }
  ++at;
  return out;
}

std::string Field(const std::string& line, const std::string& name) {
  const std::string key = "\"" + name + "\": ";
  size_t at = line.find(key);
  if (at == std::string::npos) return {};
  at += key.size();
  if (at >= line.size() || line[at] != '"') return {};
  return JsonString(line, at);
}

// Undoes the fixture's escaping of backslash, tab, CR and LF.
std::string Unescape(const std::string& field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 1 < field.size()) {
      const char e = field[++i];
      out += e == 't' ? '\t' : e == 'r' ? '\r' : e == 'n' ? '\n' : e;
    } else {
      out += field[i];
    }
  }
  return out;
}

}  // namespace

std::vector<ExpectedEntry> CatalogueExpectations() {
  std::vector<ExpectedEntry> entries;
  std::istringstream file(ReadFile(SiteFolder() + "\\expect.tsv"));
  std::string line;
  while (std::getline(file, line)) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1) {
      fields.push_back(Unescape(line.substr(start, tab - start)));
    }
    fields.push_back(Unescape(line.substr(start)));
    if (fields.size() != 7) continue;
    entries.push_back({fields[0], fields[1], fields[2], fields[3], fields[4], fields[5], fields[6]});
  }
  EXPECT_FALSE(entries.empty()) << "no catalogue expectations from the site fixture";
  return entries;
}

int SitePort() {
  const std::string folder = SiteFolder();
  EXPECT_FALSE(folder.empty()) << "QUARVEL_SITE_DIR is not set: the reference site fixture did not run";
  if (folder.empty()) return 0;
  int port = std::atoi(ReadFile(folder + "\\port").c_str());
  EXPECT_GT(port, 0) << "no port file in " << folder;
  return port;
}

std::string SiteUrl(const std::string& path) {
  const int port = SitePort();
  if (port <= 0) return {};
  return "http://127.0.0.1:" + std::to_string(port) + path;
}

std::vector<LoggedRequest> RequestsTo(const std::string& pathPart) {
  std::vector<LoggedRequest> found;
  std::istringstream log(ReadFile(SiteFolder() + "\\requests.log"));
  std::string line;
  while (std::getline(log, line)) {
    LoggedRequest request;
    request.path = Field(line, "path");
    if (request.path.find(pathPart) == std::string::npos) continue;
    request.method = Field(line, "method");
    request.rawHeaders = Field(line, "raw_headers");
    request.body = Field(line, "body");
    found.push_back(std::move(request));
  }
  return found;
}

}  // namespace testsupport
