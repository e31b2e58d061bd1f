// The orders the results can be shown in, decided without any window: which order a header
// click leads to, the key each row is compared by and the comparison itself. Names and formats
// compare as Windows compares text for Chinese (PRC), ignoring case; sizes compare as numbers.
// Every order breaks ties by arrival, so equal keys keep the order the rows arrived in.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace search {

enum class SortKey { Arrival, Name, Size, Format };

struct SortOrder {
  SortKey key = SortKey::Arrival;
  bool descending = false;
  bool operator==(const SortOrder&) const = default;
};

// The order after a click on a header column (1 ID, 2 name, 3 size, 4 format): a click on the
// sorted column reverses it, on another one sorts ascending by it, on ID returns to arrival
// order. Any other column leaves the order as it is.
SortOrder NextSortOrder(SortOrder current, int column);

// The size a text such as "1.5 GB", "700mb" or "12 KB" names, in bytes (B, KB, MB, GB and TB in
// either case, powers of 1024); nothing for a text that is not one number and one unit.
std::optional<double> SizeInBytes(std::string_view text);

// The bytes that order GBK texts as CompareStringEx does for zh-CN ignoring case: two texts
// compare as their keys compare bytewise.
std::string TextSortKey(std::string_view gbkText);

// What one row is sorted by, made once per row for a whole sort.
struct RowKey {
  std::string text;       // the name's or format's sort key
  double size = 0;
  bool sizeRead = false;  // sizes that cannot be read go last in either direction
  std::uintptr_t arrival = 0;
};

// The cells a key is made from.
struct RowCells {
  std::string_view name;
  std::string_view size;
  std::string_view format;
  std::uintptr_t arrival = 0;
};

RowKey MakeRowKey(const RowCells& cells, SortKey key);

// A strict total order: keys in the order's direction, then arrival.
bool RowBefore(const RowKey& a, const RowKey& b, SortOrder order);

// The rows' indexes in the order.
std::vector<size_t> SortedIndexes(const std::vector<RowCells>& rows, SortOrder order);

}  // namespace search
