// Cost of reading one result page: cut into rows, each row unescaped and split into fields in
// one scan, and classified, natively; beside it the same rows decoded on their UTF-16 units
// (the reference route of the unescaping) and the script-engine way of unescaping (a fresh
// ScriptControl running JScript's unescape on every row), as references only. Prints the
// per-page costs and the ratio to the script engine.
//
//   parse_bench.exe PAGE_FILE      (a result page as the search site sends it, in UTF-8; it is
//                                   read as GBK text, as the web request hands it to the search)
#include "BenchClock.h"
#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "search/Classification.h"
#include "search/ResultPage.h"
#include "web/Encoding.h"

namespace {

using bench::Now;
using bench::Pump;
using bench::PumpUntil;

// Reads every field and the codes of every row; returns the row count.
int ReadPageNatively(const std::string& page) {
  int rows = 0;
  search::ResultRow row;  // as the search reads a page: one row, read again for each
  for (const std::string_view escaped : search::CutResultRowViews(page)) {
    search::ReadResultRow(escaped, row);
    const std::string codes = search::ClassifyFormat(row.format);
    rows += row.title.empty() && codes.empty() ? 0 : 1;
  }
  return rows;
}

// The same with every row decoded on its UTF-16 units, then cut into fields.
int ReadPageByUnits(const std::string& page) {
  int rows = 0;
  for (const std::string& escaped : search::CutResultRows(page)) {
    const search::ResultRow row = search::ParseResultRow(web::JsUnescapeByUnits(escaped));
    const std::string codes = search::ClassifyFormat(row.format);
    rows += row.title.empty() && codes.empty() ? 0 : 1;
  }
  return rows;
}

DISPID NameId(IDispatch* object, const wchar_t* name) {
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  return id;
}

// One row the old way: a new script engine, JScript, and unescape() of the row written as a
// string literal. Returns the unescaped row as ANSI text, empty when the engine failed.
std::string ScriptUnescape(const std::string& escapedRow) {
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(L"ScriptControl", &clsid))) return {};
  IDispatch* engine = nullptr;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&engine)))) {
    return {};
  }
  VARIANT language;
  VariantInit(&language);
  language.vt = VT_BSTR;
  language.bstrVal = SysAllocString(L"JScript");
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS setLanguage{&language, &put, 1, 1};
  engine->Invoke(NameId(engine, L"Language"), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &setLanguage,
                 nullptr, nullptr, nullptr);
  VariantClear(&language);

  const int length = MultiByteToWideChar(CP_ACP, 0, escapedRow.data(), static_cast<int>(escapedRow.size()), nullptr, 0);
  std::wstring expression = L"unescape(\"";
  std::wstring row(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, escapedRow.data(), static_cast<int>(escapedRow.size()), row.data(), length);
  expression += row + L"\")";
  VARIANT argument;
  VariantInit(&argument);
  argument.vt = VT_BSTR;
  argument.bstrVal = SysAllocStringLen(expression.data(), static_cast<UINT>(expression.size()));
  DISPPARAMS call{&argument, nullptr, 1, 0};
  VARIANT result;
  VariantInit(&result);
  std::string text;
  if (SUCCEEDED(engine->Invoke(NameId(engine, L"Eval"), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &call, &result,
                               nullptr, nullptr)) &&
      result.vt == VT_BSTR && result.bstrVal) {
    const int wide = static_cast<int>(SysStringLen(result.bstrVal));
    const int bytes = WideCharToMultiByte(CP_ACP, 0, result.bstrVal, wide, nullptr, 0, nullptr, nullptr);
    text.assign(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, result.bstrVal, wide, text.data(), bytes, nullptr, nullptr);
  }
  VariantClear(&result);
  VariantClear(&argument);
  engine->Release();
  return text;
}

int ReadPageByScript(const std::string& page) {
  int rows = 0;
  for (const std::string& escaped : search::CutResultRows(page)) {
    const search::ResultRow row = search::ParseResultRow(ScriptUnescape(escaped));
    const std::string codes = search::ClassifyFormat(row.format);
    rows += row.title.empty() && codes.empty() ? 0 : 1;
  }
  return rows;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: parse_bench PAGE_FILE\n");
    return 2;
  }
  std::ifstream file(argv[1], std::ios::binary);
  const std::string body((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const std::string page = web::ConvertCharset(body, "UTF-8", "GBK");
  const size_t rowCount = search::CutResultRows(page).size();
  if (rowCount == 0) {
    std::fprintf(stderr, "parse_bench: no rows in %s\n", argv[1]);
    return 1;
  }
  CoInitialize(nullptr);

  // Means over every round, and the quickest of several batches: on a busy machine the batch
  // that ran undisturbed says what a page costs.
  constexpr int kNativeBatches = 20, kNativeRounds = 100;
  int checksum = 0;
  double start = Now(), nativeBest = 1e9;
  for (int batch = 0; batch < kNativeBatches; ++batch) {
    const double batchStart = Now();
    for (int i = 0; i < kNativeRounds; ++i) checksum += ReadPageNatively(page);
    nativeBest = std::min(nativeBest, (Now() - batchStart) / kNativeRounds);
  }
  const double nativeMs = (Now() - start) / (kNativeBatches * kNativeRounds);

  // Where the native time goes.
  {
    constexpr int kRounds = 500;
    double cut = 0, read = 0, classify = 0;
    for (int i = 0; i < kRounds; ++i) {
      double t0 = Now();
      const std::vector<std::string_view> rows = search::CutResultRowViews(page);
      double t1 = Now();
      cut += t1 - t0;
      search::ResultRow parsed;
      for (const std::string_view escaped : rows) {
        t0 = Now();
        search::ReadResultRow(escaped, parsed);
        t1 = Now();
        checksum += static_cast<int>(search::ClassifyFormat(parsed.format).size());
        const double t2 = Now();
        read += t1 - t0;
        classify += t2 - t1;
      }
    }
    std::printf("native stages, per page:  cut %.4f ms, read rows %.4f ms, classify %.4f ms\n", cut / kRounds,
                read / kRounds, classify / kRounds);
  }

  constexpr int kUnitRounds = 200;
  start = Now();
  for (int i = 0; i < kUnitRounds; ++i) checksum += ReadPageByUnits(page);
  const double unitsMs = (Now() - start) / kUnitRounds;

  constexpr int kScriptRounds = 5;
  start = Now();
  double scriptBest = 1e9;
  for (int i = 0; i < kScriptRounds; ++i) {
    const double roundStart = Now();
    checksum += ReadPageByScript(page);
    scriptBest = std::min(scriptBest, Now() - roundStart);
  }
  const double scriptMs = (Now() - start) / kScriptRounds;

  // The two ways must read the same rows, or the comparison means nothing.
  bool same = true;
  for (const std::string& escaped : search::CutResultRows(page)) {
    const search::ResultRow a = search::ReadResultRow(escaped);
    const search::ResultRow b = search::ParseResultRow(ScriptUnescape(escaped));
    const search::ResultRow c = search::ParseResultRow(web::JsUnescapeByUnits(escaped));
    same = same && a.title == b.title && a.size == b.size && a.format == b.format && a.detailPath == b.detailPath;
    same = same && a.title == c.title && a.size == c.size && a.format == c.format && a.detailPath == c.detailPath;
  }
  std::printf("rows per page:            %zu\n", rowCount);
  std::printf("native, per page:         %.4f ms (quickest batch %.4f ms)\n", nativeMs, nativeBest);
  std::printf("UTF-16 unit route, page:  %.4f ms\n", unitsMs);
  std::printf("script engine, per page:  %.1f ms (quickest %.1f ms)\n", scriptMs, scriptBest);
  std::printf("ratio:                    %.0fx (quickest to quickest %.0fx)\n", scriptMs / nativeMs,
              scriptBest / nativeBest);
  std::printf("all read the same rows:   %s (checksum %d)\n", same ? "yes" : "NO", checksum);
  CoUninitialize();
  return 0;
}
