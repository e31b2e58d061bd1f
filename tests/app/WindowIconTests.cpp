#include <gtest/gtest.h>

#include <vector>

#include "app/WindowIcon.h"
#include "resources/Resources.h"

namespace {

TEST(WindowIcon, EmbeddedIconGivesAnIconOfTheSystemSize) {
  const auto image = FirstIconImage(resources::WindowIcon());
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->offset + image->size, resources::WindowIcon().size());

  IconHandle icon(CreateIconFromIconFile(resources::WindowIcon()));
  ASSERT_NE(icon.Get(), nullptr);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(icon.Get(), &info));
  BITMAP bitmap{};
  GetObjectA(info.hbmColor, sizeof bitmap, &bitmap);
  // CreateIconFromResource scales the 48-pixel image to the system's icon size.
  EXPECT_EQ(bitmap.bmWidth, GetSystemMetrics(SM_CXICON));
  EXPECT_EQ(bitmap.bmHeight, GetSystemMetrics(SM_CYICON));
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
}

TEST(WindowIcon, TruncatedOrLyingDirectoriesGiveNoIcon) {
  const auto whole = resources::WindowIcon();
  std::vector<unsigned char> bytes(whole.begin(), whole.end());
  EXPECT_FALSE(FirstIconImage(std::span(bytes).first(21)).has_value());
  EXPECT_EQ(CreateIconFromIconFile(std::span(bytes).first(100)), nullptr);  // image cut short

  auto lying = bytes;
  lying[6 + 12] = 0xFF;  // offset far past the end
  lying[6 + 13] = 0xFF;
  EXPECT_FALSE(FirstIconImage(lying).has_value());

  auto huge = bytes;
  huge[6 + 11] = 0x7F;  // size of almost 2 GB: no overflow past the end
  EXPECT_FALSE(FirstIconImage(huge).has_value());
  EXPECT_EQ(CreateIconFromIconFile({}), nullptr);
}

}  // namespace
