// The text side of a web exchange: request header block, agent, the reading of the response's
// header block and the body as text.
#include "FuzzInput.h"
#include "web/TextExtraction.h"
#include "web/WebAccess.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  fuzz::FuzzInput input(data, size);
  const unsigned flags = input.Flags();
  const std::string extra = input.Piece();
  const std::string url = input.Piece();
  const std::string jarIn = input.Piece();
  const std::string rawHeaders = input.Piece();
  const std::string rest = input.Rest();
  const web::ByteArray body(rest.begin(), rest.end());

  const std::string block = web::BuildHeaderBlock(extra, url, jarIn);
  fuzz::Check(block.compare(0, extra.size(), extra) == 0, "the block starts with the caller's lines");
  fuzz::Check(web::FindText(block, "Accept:", 1, true) > 0, "the block has an Accept line");
  fuzz::Check(!web::AgentFor(extra).empty(), "there is always an agent");

  std::string jar = jarIn;
  std::string newCookies = "stale";
  std::string location = "stale";
  std::string raw = "stale";
  web::WebAccessArgs args;
  if (flags & 1) args.cookies = &jar;
  args.newCookies = &newCookies;
  args.location = &location;
  args.rawHeaders = &raw;
  web::AnalyseResponse(rawHeaders, args);
  fuzz::Check(raw == rawHeaders, "the raw block is handed back");
  fuzz::Check(location.empty() == rawHeaders.empty(), "a response with headers always has a location", location);
  if (flags & 1) fuzz::Check(web::FindText(newCookies, " ", 1, true) < 0, "merged response cookies lose blanks");

  const std::string text = web::BodyAsText(body, rawHeaders);
  fuzz::Check(text.find('\0') == std::string::npos, "the body text holds no zero byte");
  if (!web::IsUtf8Body(body, rawHeaders)) {
    fuzz::Check(text == rest.substr(0, rest.find('\0')), "a body that is not UTF-8 stays as it is");
  }
  return 0;
}
