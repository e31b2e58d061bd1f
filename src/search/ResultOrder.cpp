#include "search/ResultOrder.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <numeric>

#include "web/Encoding.h"

namespace search {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

// Bytes per unit, 0 for no unit.
double UnitBytes(std::string_view unit) {
  constexpr std::string_view kUnits[] = {"b", "kb", "mb", "gb", "tb"};
  if (unit.size() > 2) return 0;
  std::string lower;
  for (char c : unit) lower += Lower(c);
  double bytes = 1;
  for (std::string_view known : kUnits) {
    if (lower == known) return bytes;
    bytes *= 1024;
  }
  return 0;
}

}  // namespace

SortOrder NextSortOrder(SortOrder current, int column) {
  SortKey key;
  switch (column) {
    case 1: return {};
    case 2: key = SortKey::Name; break;
    case 3: key = SortKey::Size; break;
    case 4: key = SortKey::Format; break;
    default: return current;
  }
  if (current.key == key) return {key, !current.descending};
  return {key, false};
}

std::optional<double> SizeInBytes(std::string_view text) {
  text = Trim(text);
  // Whole digits, then at most one point and its digits; a number too long to mean a size is
  // not one.
  size_t at = 0, digits = 0;
  double whole = 0, scale = 1;
  bool point = false;
  for (; at < text.size(); ++at) {
    const char c = text[at];
    if (c >= '0' && c <= '9') {
      if (++digits > 30) return std::nullopt;
      if (point) {
        scale /= 10;
        whole += (c - '0') * scale;
      } else {
        whole = whole * 10 + (c - '0');
      }
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (digits == 0) return std::nullopt;
  const double unit = UnitBytes(Trim(text.substr(at)));
  if (unit == 0) return std::nullopt;
  return whole * unit;
}

std::string TextSortKey(std::string_view gbkText) {
  const std::wstring wide = web::ToUtf16(gbkText, web::kCodePageGbk);
  if (wide.empty()) return {};
  constexpr DWORD kFlags = LCMAP_SORTKEY | NORM_IGNORECASE;
  const int length = static_cast<int>(std::min<size_t>(wide.size(), INT_MAX / 8));
  // Most keys fit a buffer a few times the text; the exact size is asked only when not.
  std::string key(static_cast<size_t>(length) * 6 + 16, '\0');
  int made = LCMapStringEx(L"zh-CN", kFlags, wide.c_str(), length, reinterpret_cast<LPWSTR>(key.data()),
                           static_cast<int>(key.size()), nullptr, nullptr, 0);
  if (made == 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
    const int needed = LCMapStringEx(L"zh-CN", kFlags, wide.c_str(), length, nullptr, 0, nullptr, nullptr, 0);
    if (needed <= 0) return {};
    key.assign(static_cast<size_t>(needed), '\0');
    made = LCMapStringEx(L"zh-CN", kFlags, wide.c_str(), length, reinterpret_cast<LPWSTR>(key.data()), needed,
                         nullptr, nullptr, 0);
  }
  if (made <= 0) return {};
  key.resize(static_cast<size_t>(made));
  // The key ends in a zero byte; without it a key that is another's start sorts first anyway.
  while (!key.empty() && key.back() == '\0') key.pop_back();
  return key;
}

RowKey MakeRowKey(const RowCells& cells, SortKey key) {
  RowKey made;
  made.arrival = cells.arrival;
  switch (key) {
    case SortKey::Name:
      made.text = TextSortKey(cells.name);
      break;
    case SortKey::Format:
      made.text = TextSortKey(cells.format);
      break;
    case SortKey::Size:
      if (const std::optional<double> bytes = SizeInBytes(cells.size)) {
        made.size = *bytes;
        made.sizeRead = true;
      }
      break;
    case SortKey::Arrival:
      break;
  }
  return made;
}

bool RowBefore(const RowKey& a, const RowKey& b, SortOrder order) {
  switch (order.key) {
    case SortKey::Arrival:
      break;
    case SortKey::Size:
      if (a.sizeRead != b.sizeRead) return a.sizeRead;
      if (a.sizeRead && a.size != b.size) return order.descending ? a.size > b.size : a.size < b.size;
      break;
    case SortKey::Name:
    case SortKey::Format:
      // Bytewise (as unsigned bytes), as sort keys are meant to be compared.
      if (const int c = std::string_view(a.text).compare(b.text); c != 0) {
        return order.descending ? c > 0 : c < 0;
      }
      break;
  }
  return a.arrival < b.arrival;
}

std::vector<size_t> SortedIndexes(const std::vector<RowCells>& rows, SortOrder order) {
  std::vector<RowKey> keys;
  keys.reserve(rows.size());
  for (const RowCells& row : rows) keys.push_back(MakeRowKey(row, order.key));
  std::vector<size_t> indexes(rows.size());
  std::iota(indexes.begin(), indexes.end(), size_t{0});
  std::sort(indexes.begin(), indexes.end(),
            [&](size_t a, size_t b) { return RowBefore(keys[a], keys[b], order); });
  return indexes;
}

}  // namespace search
