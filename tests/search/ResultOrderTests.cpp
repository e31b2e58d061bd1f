#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "search/ResultOrder.h"
#include "web/Encoding.h"

using search::SortKey;
using search::SortOrder;

namespace {

TEST(ResultOrder, HeaderClicksSortReverseAndReturnToArrival) {
  const SortOrder arrival{}, nameUp{SortKey::Name, false}, nameDown{SortKey::Name, true},
      sizeUp{SortKey::Size, false}, formatUp{SortKey::Format, false}, formatDown{SortKey::Format, true};
  struct Case {
    SortOrder from;
    int column;
    SortOrder to;
  } cases[] = {
      {arrival, 2, nameUp},   {nameUp, 2, nameDown},   {nameDown, 2, nameUp},  {nameDown, 3, sizeUp},
      {sizeUp, 4, formatUp},  {formatUp, 4, formatDown}, {formatDown, 1, arrival}, {arrival, 1, arrival},
      {nameDown, 5, nameDown}, {sizeUp, 0, sizeUp},    {sizeUp, -3, sizeUp},   {formatDown, 99, formatDown},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(search::NextSortOrder(c.from, c.column), c.to) << c.column;
  }
}

TEST(ResultOrder, SizesReadAsNumbersInAnyCaseOfUnit) {
  const double kb = 1024, mb = kb * 1024, gb = mb * 1024, tb = gb * 1024;
  struct Case {
    const char* text;
    std::optional<double> bytes;
  } cases[] = {
      {"700 MB", 700 * mb},   {"1.5 GB", 1.5 * gb}, {"12kb", 12 * kb},  {"3 b", 3},
      {"2 Tb", 2 * tb},       {" 0.25 gB ", 0.25 * gb}, {"1.02 GB", 1.02 * gb}, {"10.", std::nullopt},
      {"", std::nullopt},     {"MB", std::nullopt},  {"1.2.3 GB", std::nullopt}, {"12 XB", std::nullopt},
      {"1e9 GB", std::nullopt}, {"-1 MB", std::nullopt}, {"1 MB extra", std::nullopt}, {"5 KBB", std::nullopt},
      {"\xd6\xd0 MB", std::nullopt}, {"7", std::nullopt}, {"\n\n", std::nullopt},
      {"123456789012345678901234567890123 MB", std::nullopt},
  };
  for (const Case& c : cases) {
    const std::optional<double> got = search::SizeInBytes(c.text);
    ASSERT_EQ(got.has_value(), c.bytes.has_value()) << c.text;
    if (got) {
      EXPECT_DOUBLE_EQ(*got, *c.bytes) << c.text;
    }
  }
}

int CompareAsWindows(const std::string& a, const std::string& b) {
  const std::wstring wa = web::ToUtf16(a, web::kCodePageGbk), wb = web::ToUtf16(b, web::kCodePageGbk);
  return CompareStringEx(L"zh-CN", NORM_IGNORECASE, wa.c_str(), static_cast<int>(wa.size()), wb.c_str(),
                         static_cast<int>(wb.size()), nullptr, nullptr, 0) - CSTR_EQUAL;
}

int Sign(int value) { return (value > 0) - (value < 0); }

TEST(ResultOrder, TextKeysOrderAsWindowsComparesIgnoringCase) {
  // 中文, 中国, 啊, 字, 资源: any order Windows gives, as long as keys agree with it.
  const std::vector<std::string> texts = {
      "", "abc", "ABC", "Abd", "abcd", "b", "B2", "a10", "a9", "\xd6\xd0\xce\xc4", "\xd6\xd0\xb9\xfa", "\xb0\xa1",
      "\xd7\xd6", "\xd7\xca\xd4\xb4", "mp4", "MKV", "rar", "\xd6\xd0\xce\xc4 abc", "\xff\xfe\x80",
  };
  for (const std::string& a : texts) {
    for (const std::string& b : texts) {
      const int keys = Sign(search::TextSortKey(a).compare(search::TextSortKey(b)));
      EXPECT_EQ(keys, Sign(CompareAsWindows(a, b))) << a << " / " << b;
    }
  }
  EXPECT_EQ(search::TextSortKey("Hello World"), search::TextSortKey("hELLO wORLD"));
  EXPECT_LT(search::TextSortKey("apple"), search::TextSortKey("Banana"));
  EXPECT_LT(search::TextSortKey("Banana"), search::TextSortKey("cherry"));
  EXPECT_TRUE(search::TextSortKey("").empty());
  EXPECT_FALSE(search::TextSortKey(std::string(100000, 'x')).empty()) << "a long text still has its key";
}

TEST(ResultOrder, EveryKeyBothWaysWithTiesInArrivalOrder) {
  // arrival: name, size, format
  const std::vector<search::RowCells> rows = {
      {"beta", "2 GB", "mkv", 1},  {"Alpha", "700 MB", "MP4", 2}, {"alpha", "?", "avi", 3},
      {"Gamma", "1.5 gb", "mp4", 4}, {"beta", "", "rar", 5},      {"delta", "700mb", "avi", 6},
  };
  struct Case {
    SortOrder order;
    std::vector<size_t> arrivals;
  } cases[] = {
      {{SortKey::Arrival, false}, {1, 2, 3, 4, 5, 6}},
      {{SortKey::Name, false}, {2, 3, 1, 5, 6, 4}},
      {{SortKey::Name, true}, {4, 6, 1, 5, 2, 3}},
      {{SortKey::Size, false}, {2, 6, 4, 1, 3, 5}},
      {{SortKey::Size, true}, {1, 4, 2, 6, 3, 5}},  // unreadable sizes last both ways
      {{SortKey::Format, false}, {3, 6, 1, 2, 4, 5}},
      {{SortKey::Format, true}, {5, 2, 4, 1, 3, 6}},
  };
  for (const Case& c : cases) {
    std::vector<size_t> arrivals;
    for (size_t index : search::SortedIndexes(rows, c.order)) arrivals.push_back(rows[index].arrival);
    EXPECT_EQ(arrivals, c.arrivals) << static_cast<int>(c.order.key) << " " << c.order.descending;
    // The pairwise order agrees with the whole sort, so a row added later finds its place.
    for (size_t i = 1; i < arrivals.size(); ++i) {
      const search::RowKey before = search::MakeRowKey(rows[arrivals[i - 1] - 1], c.order.key);
      const search::RowKey after = search::MakeRowKey(rows[arrivals[i] - 1], c.order.key);
      EXPECT_TRUE(search::RowBefore(before, after, c.order));
      EXPECT_FALSE(search::RowBefore(after, before, c.order));
    }
  }
}

}  // namespace
