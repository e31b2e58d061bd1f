#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "search/Classification.h"

namespace {

TEST(ClassifyFormat, SubstringOfEachListIgnoringAsciiCase) {
  const std::pair<const char*, const char*> cases[] = {
      {"mp4", "1"},  {"mkv", "1"},  {"avi", "1"},  {"rmvb", "1"},  {"wmv", "1"}, {"dat", "1"},  {"m2ts", "1"},
      {"MKV", "1"},  {"mp3", "2"},  {"flac", "2"}, {"ape", "2"},   {"png", "3"}, {"gif", "3"},  {"bmp", "3"},
      {"JPEG", "3"}, {"jpg", ""},   {"rar", "4"},  {"zip", "4"},   {"7z", "4"},  {"iso", "4"},  {"z", "4"},
      {"ts", "12"},  {"mp2", "12"}, {"ra", "1234"}, {"a", "1234"}, {"exe", ""},  {"txt", ""},   {"torrent", ""},
      {"", ""},      {".", "1234"}, {"v.wm", "12"}, {" mkv", ""},   {"mkv ", ""}, {"\xd6\xd0", ""},
  };
  for (const auto& [format, codes] : cases) EXPECT_EQ(search::ClassifyFormat(format), codes) << format;
  // A format longer than every list cannot match.
  EXPECT_EQ(search::ClassifyFormat(std::string(search::kVideoExtensions) + "x"), "");
  EXPECT_EQ(search::ClassifyFormat(search::kImageExtensions), "3");
}

TEST(CountCategories, EveryCodeCountsOnce) {
  int video = 0, audio = 0, image = 0, archive = 0;
  search::CountCategories("12", video, audio, image, archive);
  search::CountCategories("1234", video, audio, image, archive);
  search::CountCategories("", video, audio, image, archive);
  EXPECT_EQ(video, 2);
  EXPECT_EQ(audio, 2);
  EXPECT_EQ(image, 1);
  EXPECT_EQ(archive, 1);

  std::atomic<int> v{0}, a{0}, i{0}, r{0};
  search::CountCategories(search::ClassifyFormat("ra"), v, a, i, r);
  EXPECT_EQ(v + a + i + r, 4);
}

TEST(ClassifyFormat, EveryPieceOfTheListsInAnyCaseAsASearchOfTheLists) {
  // The old rule, plainly: the lists and the format folded to lower case, then a substring search.
  const auto lower = [](std::string text) {
    for (char& c : text) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
    return text;
  };
  const std::string_view lists[] = {search::kVideoExtensions, search::kAudioExtensions, search::kImageExtensions,
                                    search::kArchiveExtensions};
  const auto byLists = [&](const std::string& format) {
    std::string codes;
    for (int i = 0; i < 4; ++i) {
      if (!format.empty() && lower(std::string(lists[i])).find(lower(format)) != std::string::npos) codes += static_cast<char>('1' + i);
    }
    return codes;
  };
  int checked = 0;
  for (const std::string_view list : lists) {
    for (size_t start = 0; start < list.size(); ++start) {
      for (size_t length = 1; length <= 6 && start + length <= list.size(); ++length) {
        const std::string piece(list.substr(start, length));
        std::string upper = piece;
        for (char& c : upper) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
        // Near misses: one byte changed, one added, a zero or a high byte inside.
        for (const std::string& format : {piece, upper, piece + "q", "q" + piece, piece + std::string(1, '\0'),
                                           piece + "\xb0", std::string(1, static_cast<char>(piece[0] ^ 1)) + piece.substr(1)}) {
          ASSERT_EQ(search::ClassifyFormat(format), byLists(format)) << format;
          ++checked;
        }
      }
    }
  }
  EXPECT_GT(checked, 5000);
}

}  // namespace
