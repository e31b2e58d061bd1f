#include <gtest/gtest.h>

#include <string>

#include "GfxTestSupport.h"
#include "ui/gfx/Fonts.h"
#include "ui/gfx/Text.h"
#include "ui/gfx/Toolkit.h"

namespace {

using namespace gfxtest;

constexpr UINT kGbk = 936;

TEST(TextConversion, GbkAndUtf16RoundTrip) {
  struct Case {
    const char* gbk;
    const wchar_t* wide;
  } cases[] = {
      {"", L""},
      {"Quarvel", L"Quarvel"},
      {"\xcb\xd1\xcb\xf7", L"\u641c\u7d22"},                    // 搜索
      {"1.0\xb0\xe6 ", L"1.0\u7248 "},                           // 1.0版 (trailing blank kept)
      {"\xd1\xb9\xcb\xf5\xb0\xfc(0)", L"\u538b\u7f29\u5305(0)"},  // 压缩包(0)
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.gbk);
    const std::wstring wide = widen_text(c.gbk, kGbk);
    EXPECT_EQ(wide, c.wide);
    EXPECT_EQ(wide.c_str()[wide.size()], L'\0');
    EXPECT_EQ(narrow_text(wide, kGbk), c.gbk);
  }
  // Embedded zero bytes are text like any other, and UTF-8 goes through its own code page.
  EXPECT_EQ(widen_text(std::string("a\0b", 3), kGbk).size(), 3u);
  EXPECT_EQ(widen_text("\xe6\x90\x9c", CP_UTF8), L"\u641c");
  EXPECT_EQ(narrow_text(L"\u641c", CP_UTF8), "\xe6\x90\x9c");
}

// These hold whatever GetACP() says: the tests also run under the system code page 1252.
TEST(TextConversion, DefaultIsGbkWhateverTheSystemCodePage) {
  struct Case {
    const char* gbk;
    const wchar_t* wide;
  } cases[] = {
      {"\xc8\xab\xb2\xbf(0)", L"\u5168\u90e8(0)"},  // 全部(0), not "È«²¿(0)" as code page 1252 reads it
      {"Quarvel1.0\xb0\xe6 ", L"Quarvel1.0\u7248 "},
      {"\xb8\xb4\xd6\xc6\xb4\xc5\xc1\xa6\xc1\xb4\xbd\xd3", L"\u590d\u5236\u78c1\u529b\u94fe\u63a5"},  // 复制磁力链接
      {"abc", L"abc"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.gbk);
    EXPECT_EQ(widen_text(c.gbk), c.wide);
    EXPECT_EQ(narrow_text(c.wide), c.gbk);
  }
  EXPECT_EQ(kTextCodePage, kGbk);
}

TEST(TextConversion, InputTextLeavesOutWhatGbkCannotHold) {
  struct Case {
    std::wstring typed;
    const char* gbk;
  } cases[] = {
      {L"\u4e2d\u6587", "\xd6\xd0\xce\xc4"},
      {L"a\ud55cb", "ab"},                       // Hangul: no such GBK character
      {L"\U0001F600x\u4e2d", "x\xd6\xd0"},        // a surrogate pair goes as one character
      {std::wstring(1, wchar_t(0xD83D)), ""},     // a lone surrogate
      {L"?\u00e9", "?\xa8\xa6"},                 // a real question mark stays; é is in GBK
      {L"\u00c5", ""},                           // no look-alike "A" either
      {L"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.typed));
    EXPECT_EQ(NarrowInputText(c.typed), c.gbk);
  }
}

struct TextTest : testing::Test {
  Canvas canvas{200, 60};
  StringFormatPtr format;
  void SetUp() override {
    ASSERT_NE(default_font(), nullptr);
    gdip::GdipCreateStringFormat(0, LANG_NEUTRAL, format.Put());
  }
  RectF Measure(const char* gbk) {
    RectF bounds;
    EXPECT_TRUE(measure_text(canvas.graphics.Get(), widen_text(gbk, kGbk), default_font(), make_rectf(0, 0, 1000, 100),
                             format.Get(), &bounds));
    return bounds;
  }
};

TEST_F(TextTest, MeasuredWidthGrowsWithEveryChineseCharacter) {
  const char* texts[] = {"\xcb\xd1", "\xcb\xd1\xcb\xf7", "\xcb\xd1\xcb\xf7\xbd\xe1", "\xcb\xd1\xcb\xf7\xbd\xe1\xb9\xfb"};
  REAL previous = 0;
  for (const char* text : texts) {
    const RectF bounds = Measure(text);
    EXPECT_GT(bounds.Width, previous + 6) << text;
    EXPECT_GE(bounds.Height, 10);
    EXPECT_LE(bounds.Height, 30);
    previous = bounds.Width;
  }
}

TEST_F(TextTest, MeasureRefusesMissingPieces) {
  RectF bounds;
  EXPECT_FALSE(measure_text(nullptr, L"x", default_font(), make_rectf(0, 0, 10, 10), nullptr, &bounds));
  EXPECT_FALSE(measure_text(canvas.graphics.Get(), L"x", nullptr, make_rectf(0, 0, 10, 10), nullptr, &bounds));
  EXPECT_FALSE(measure_text(canvas.graphics.Get(), L"x", default_font(), make_rectf(0, 0, 10, 10), nullptr, nullptr));
}

// Dark pixels of a text drawn black on white with the given font, as a bit pattern.
std::vector<bool> Ink(GpFont* font, const wchar_t* text) {
  Canvas canvas(40, 20);
  canvas.Clear(0xFFFFFFFF);
  BrushPtr black;
  gdip::GdipCreateSolidFill(0xFF000000, reinterpret_cast<Gdiplus::GpSolidFill**>(black.Put()));
  const RectF layout(0, 0, 40, 20);
  gdip::GdipDrawString(canvas.graphics.Get(), text, -1, font, &layout, nullptr, black.Get());
  std::vector<bool> ink;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x) ink.push_back(Red(canvas.Pixel(x, y)) < 128);
  return ink;
}

int Count(const std::vector<bool>& ink) { return static_cast<int>(std::count(ink.begin(), ink.end(), true)); }

TEST(DefaultFont, IsTwelvePixelsAndDrawsDistinctChineseGlyphs) {
  GpFont* font = default_font();
  ASSERT_NE(font, nullptr);
  REAL size = 0;
  Gdiplus::Unit unit = Gdiplus::UnitWorld;
  gdip::GdipGetFontSize(font, &size);
  gdip::GdipGetFontUnit(font, &unit);
  EXPECT_EQ(size, 12);
  EXPECT_EQ(unit, Gdiplus::UnitPixel);

  const auto sou = Ink(font, L"\u641c");  // 搜
  const auto suo = Ink(font, L"\u7d22");  // 索
  EXPECT_GT(Count(sou), 15);
  EXPECT_GT(Count(suo), 15);
  EXPECT_NE(sou, suo) << "real glyphs, not the same missing-glyph box";
  EXPECT_EQ(Count(Ink(font, L" ")), 0);
}

TEST(DefaultFont, FallbackFamilyCanDrawChinese) {
  // On this system neither "宋体" nor the caption face is known to GDI+ (Wine): the default
  // font then comes from a family found to have Chinese glyphs.
  const std::wstring family = FindChineseFontFamily();
  EXPECT_FALSE(family.empty());
  if (!FontFamilyExists(kSongTi) && !FontFamilyExists(system_ui_font_face())) {
    FontFamilyPtr used;
    ASSERT_EQ(gdip::GdipGetFamily(default_font(), used.Put()), Gdiplus::Ok);
    wchar_t name[LF_FACESIZE] = {};
    gdip::GdipGetFamilyName(used.Get(), name, LANG_NEUTRAL);
    EXPECT_EQ(family, name);
  }
  EXPECT_EQ(EnsureDefaultFont(), default_font()) << "made once";
}

std::wstring FamilyName(GpFont* font) {
  FontFamilyPtr family;
  wchar_t name[LF_FACESIZE] = {};
  if (gdip::GdipGetFamily(font, family.Put()) == Gdiplus::Ok) gdip::GdipGetFamilyName(family.Get(), name, LANG_NEUTRAL);
  return name;
}

TEST(FontCreation, MissingFaceTakesTheDefaultFamilyAtTheRequestedSizeAndStyle) {
  struct Case {
    const char* face;
    REAL size;
    INT style;
  } cases[] = {{"No Such Face 4711", 16, Gdiplus::FontStyleBold}, {"", 9, Gdiplus::FontStyleRegular},
               {"\xcf\xd6\xb4\xfa\xba\xda\xcc\xe5\xce\xde", 20, Gdiplus::FontStyleItalic}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.face);
    FontPtr font = create_font(c.face, c.size, c.style);
    ASSERT_TRUE(font);
    REAL size = 0;
    INT style = -1;
    Gdiplus::Unit unit = Gdiplus::UnitWorld;
    gdip::GdipGetFontSize(font.Get(), &size);
    gdip::GdipGetFontStyle(font.Get(), &style);
    gdip::GdipGetFontUnit(font.Get(), &unit);
    EXPECT_EQ(size, c.size);
    // The family's own weight may add bold (a medium-weight face reports bold under Wine), so
    // compare with a font made of that family directly.
    FontFamilyPtr family;
    FontPtr reference;
    ASSERT_EQ(gdip::GdipGetFamily(default_font(), family.Put()), Gdiplus::Ok);
    ASSERT_EQ(gdip::GdipCreateFont(family.Get(), c.size, c.style, Gdiplus::UnitPixel, reference.Put()), Gdiplus::Ok);
    INT referenceStyle = -1;
    gdip::GdipGetFontStyle(reference.Get(), &referenceStyle);
    EXPECT_EQ(style, referenceStyle);
    EXPECT_EQ(style & c.style, c.style);
    EXPECT_EQ(unit, Gdiplus::UnitPixel);
    EXPECT_EQ(FamilyName(font.Get()), FamilyName(default_font()));
  }
}

TEST(FontCreation, ExistingFaceIsUsed) {
  const std::string face = narrow_text(FamilyName(default_font()));
  ASSERT_FALSE(face.empty());
  ASSERT_TRUE(FontFamilyExists(face));
  FontPtr font = create_font(face, 14);
  ASSERT_TRUE(font);
  EXPECT_EQ(FamilyName(font.Get()), FamilyName(default_font()));
  EXPECT_FALSE(FontFamilyExists("No Such Face 4711"));
}

bool Usable(const std::string&) { return true; }
bool Unusable(const std::string&) { return false; }

TEST(SystemUiFontFace, FaceRule) {
  struct Case {
    bool read;
    const char* face;
    bool (*usable)(const std::string&);
    const char* expected;
  } cases[] = {
      {true, "Segoe UI", Usable, "Segoe UI"},
      {true, "Tahoma", Usable, kSongTi},
      {true, "tahoma", Usable, "tahoma"},  // only the exact name is replaced
      {true, "Segoe UI", Unusable, kSongTi},
      {false, "Segoe UI", Usable, kSongTi},
      {true, "", Unusable, kSongTi},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseSystemFace(c.read, c.face, c.usable), c.expected) << c.face;
  }
}

TEST(SystemUiFontFace, AnswersAFaceForEachKind) {
  for (SystemFont which : {SystemFont::Menu, SystemFont::Caption, SystemFont::Message}) {
    const std::string face = system_ui_font_face(which);
    EXPECT_FALSE(face.empty());
    EXPECT_NE(face, "Tahoma");
  }
}

}  // namespace
