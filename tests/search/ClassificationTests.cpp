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

}  // namespace
