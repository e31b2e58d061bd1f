// A result page: the probe, the row cutter and the fields of every row. Every row lies inside
// the page and holds no row end marker; no field cut up to a quote holds a quote; the fields
// read in one scan are those cut from the row decoded whole, on its UTF-16 units where the
// C library converts the row.
#include "FuzzInput.h"
#include "GbkText.h"
#include "search/ResultPage.h"
#include "web/TextExtraction.h"

namespace {

bool SameFields(const search::ResultRow& a, const search::ResultRow& b) {
  return a.title == b.title && a.size == b.size && a.format == b.format && a.url == b.url && a.id == b.id &&
         a.detailPath == b.detailPath;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  fuzz::FuzzInput input(data, size);
  const std::string page = input.Rest();

  (void)search::PageHasResults(page);
  size_t from = 0;
  for (const std::string& row : search::CutResultRows(page)) {
    fuzz::Check(!row.empty(), "no empty row");
    const size_t at = page.find(row, from);
    fuzz::Check(at != std::string::npos, "rows lie inside the page, in order", row);
    from = at + 1;
    fuzz::Check(web::FindText(row, "<\\/td>\\n<\\/tr>", 1, true) < 0, "a row holds no row end marker", row);

    const search::ResultRow fields = search::ReadResultRow(row);
    for (const std::string* field : {&fields.format, &fields.url, &fields.id}) {
      fuzz::Check(web::FindText(*field, "\"", 1, false) < 0, "a field cut up to a quote holds none", *field);
    }
    fuzz::Check(fields.detailPath == fields.url + "&__diycdn=" + fields.id, "detail path joins url and id");
    fuzz::Check(SameFields(fields, search::ParseResultRow(web::JsUnescape(row))),
                "the scan cuts what the decoded row gives", row);
    if (fuzz::IsValidGbk(row)) {
      fuzz::Check(SameFields(fields, search::ParseResultRow(web::JsUnescapeByUnits(row))),
                  "the scan cuts what the unit route gives", row);
    }
  }

  // The term of the request: UTF-8 escapes only.
  const std::string url = search::SearchPageUrl("h", page.substr(0, 64), 1);
  fuzz::Check(url.rfind("http://h/ajax/search_next?s=", 0) == 0 &&
                  url.compare(url.size() - 4, 4, "&p=1") == 0,
              "the request address has its fixed parts", url);
  return 0;
}
