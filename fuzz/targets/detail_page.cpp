// A detail page: the outcome agrees with the page, and a magnet link found is a whole one.
#include "FuzzInput.h"
#include "search/DetailPage.h"
#include "web/TextExtraction.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  fuzz::FuzzInput input(data, size);
  const std::string page = input.Rest();

  const search::DetailResult result = search::AnalyseDetailPage(page);
  const bool missing = web::FindText(page, "404: Not Found", 1, false) > 0;
  fuzz::Check(missing == (result.outcome == search::DetailOutcome::PageMissing), "a 404 page and only it is missing");
  if (result.outcome != search::DetailOutcome::Found) {
    fuzz::Check(result.magnet.empty(), "no link without a find", result.magnet);
    return 0;
  }
  fuzz::Check(result.magnet.size() > 6 && result.magnet.compare(0, 6, "magnet") == 0, "a link starts with magnet",
              result.magnet);
  fuzz::Check(web::FindText(result.magnet, "\"", 1, false) < 0, "a link holds no quote", result.magnet);
  // A link built from a hash has one; a cloud-play link is taken as the page writes it.
  if (web::FindText(page, "\xd1\xb8\xc0\xd7\xd4\xc6\xb2\xa5", 1, false) < 0) {
    fuzz::Check(result.magnet != "magnet:?xt=urn:btih:", "a link built from a hash has one", result.magnet);
  }
  fuzz::Check(search::DetailPageUrl("h", "/d").compare("http://h/d") == 0, "the detail address");
  return 0;
}
