// Fonts: the LOGFONTW layout, the stock system font, sizes, weight, faces by name with fallback,
// extents, and font files added at run time.
#include "tests/platform/gdi/GdiTestSupport.h"

#include "platform/kernel/filesys.h"
#include "platform/kernel/wcestr.h"
#include "platform/gdi/GdiHooks.h"
#include "platform/kernel/KernelHooks.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace gditest;

namespace {

// A Debian-packaged monospaced face (fonts-dejavu-core, which fontconfig depends on).
const char kMonoFile[] = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
const char kMonoFamily[] = "DejaVu Sans Mono";
// The same face renamed at test time: a family no installed font has. Same length as kMonoFamily,
// so the name table keeps its layout.
const char kRenamedFamily[] = "Corvane TestMono";

LOGFONTW Font(const char* face, LONG height, LONG weight = FW_NORMAL) {
  LOGFONTW lf = {};
  lf.lfHeight = height;
  lf.lfWeight = weight;
  const std::u16string name = WceUtf8ToWide(face);
  std::copy(name.begin(), name.end(), lf.lfFaceName);
  return lf;
}

HFONT MakeFont(const char* face, LONG height, LONG weight = FW_NORMAL) {
  const LOGFONTW lf = Font(face, height, weight);
  return CreateFontIndirectW(&lf);
}

class FontTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wce::ResetGdi();
    dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(nullptr, dc);
  }
  void TearDown() override { wce::ResetGdi(); }

  SIZE Extent(HFONT font, const std::u16string& text) {
    HGDIOBJ old = SelectObject(dc, font);
    EXPECT_NE(nullptr, old);
    SIZE size = {};
    EXPECT_TRUE(
        GetTextExtentExPointW(dc, text.c_str(), static_cast<int>(text.size()), 0, nullptr, nullptr, &size));
    SelectObject(dc, old);
    return size;
  }
  bool Monospaced(HFONT font) { return Extent(font, u"iiii").cx == Extent(font, u"WWWW").cx; }

  HDC dc = nullptr;
};

TEST_F(FontTest, LogFontIsTheNinetyTwoBytesTheFrameworkCompares) {
  EXPECT_EQ(92u, sizeof(LOGFONTW));
  EXPECT_EQ(28u, offsetof(LOGFONTW, lfFaceName));
  EXPECT_EQ(20u, offsetof(LOGFONTW, lfItalic));
}

TEST_F(FontTest, TheStockSystemFontIsARealFaceWithChineseGlyphs) {
  HGDIOBJ stock = GetStockObject(SYSTEM_FONT);
  ASSERT_NE(nullptr, stock);
  EXPECT_EQ(stock, GetStockObject(SYSTEM_FONT));
  EXPECT_EQ(nullptr, GetStockObject(99));  // no such stock object
  LOGFONTW lf = {};
  EXPECT_EQ(static_cast<int>(sizeof(LOGFONTW)), GetObjectW(stock, 0, nullptr));
  ASSERT_EQ(static_cast<int>(sizeof(LOGFONTW)), GetObjectW(stock, sizeof(lf), &lf));
  EXPECT_EQ("WenQuanYi Micro Hei", WceWideToUtf8(lf.lfFaceName));
  EXPECT_LT(lf.lfHeight, 0);
  EXPECT_EQ(FW_NORMAL, lf.lfWeight);
  EXPECT_TRUE(DeleteObject(stock));  // stock objects stay
  EXPECT_EQ(static_cast<int>(sizeof(LOGFONTW)), GetObjectW(stock, sizeof(lf), &lf));
  // A fresh DC draws with it: CJK characters are as wide as the em, Latin ones narrower.
  SIZE cjk = {}, latin = {};
  ASSERT_TRUE(GetTextExtentExPointW(dc, u"中文", 2, 0, nullptr, nullptr, &cjk));
  ASSERT_TRUE(GetTextExtentExPointW(dc, u"ii", 2, 0, nullptr, nullptr, &latin));
  EXPECT_NEAR(2 * -lf.lfHeight, cjk.cx, 2);
  EXPECT_LT(latin.cx, cjk.cx);
  EXPECT_EQ(stock, SelectObject(dc, stock));  // the DC's font before any was selected
}

TEST_F(FontTest, HeightsNameTheEmInPixelsOrTheCell) {
  HFONT small = MakeFont("DejaVu Sans", -16);
  HFONT large = MakeFont("DejaVu Sans", -32);
  HFONT cell = MakeFont("DejaVu Sans", 30);
  ASSERT_TRUE(small && large && cell);
  const SIZE s = Extent(small, u"MMMMMMMM");
  const SIZE l = Extent(large, u"MMMMMMMM");
  EXPECT_NEAR(2 * s.cx, l.cx, 8);  // rounding of each advance
  EXPECT_NEAR(2 * s.cy, l.cy, 2);
  EXPECT_GT(s.cy, 16);  // the line holds ascent and descent beyond the em
  EXPECT_NEAR(30, Extent(cell, u"M").cy, 2);
  LOGFONTW back = {};
  ASSERT_EQ(static_cast<int>(sizeof(back)), GetObjectW(cell, sizeof(back), &back));
  const LOGFONTW asked = Font("DejaVu Sans", 30);
  EXPECT_EQ(0, std::memcmp(&asked, &back, sizeof(back)));  // the LOGFONTW as given
  EXPECT_EQ(nullptr, CreateFontIndirectW(nullptr));
}

TEST_F(FontTest, WeightFromSemiboldUpDrawsBold) {
  // DejaVu Sans has a bold face of its own; WenQuanYi Micro Hei is emboldened.
  for (const char* face : {"DejaVu Sans", "WenQuanYi Micro Hei"}) {
    for (LONG weight : {FW_SEMIBOLD, FW_BOLD}) {
      HFONT regular = MakeFont(face, -20, FW_NORMAL);
      HFONT bold = MakeFont(face, -20, weight);
      HFONT almost = MakeFont(face, -20, FW_SEMIBOLD - 1);
      ASSERT_TRUE(regular && bold && almost);
      const std::u16string text = u"Heavy text 文字";
      EXPECT_GT(Extent(bold, text).cx, Extent(regular, text).cx) << face << " " << weight;
      EXPECT_EQ(Extent(almost, text).cx, Extent(regular, text).cx) << face;
    }
  }
}

TEST_F(FontTest, FacesAreFoundByNameAndUnknownNamesFallBack) {
  HFONT mono = MakeFont(kMonoFamily, -16);
  HFONT sans = MakeFont("DejaVu Sans", -16);
  HFONT unknown = MakeFont(kRenamedFamily, -16);
  ASSERT_TRUE(mono && sans && unknown);
  EXPECT_TRUE(Monospaced(mono));
  EXPECT_FALSE(Monospaced(sans));
  EXPECT_FALSE(Monospaced(unknown));  // fontconfig's choice for a name it does not know
  // Characters a Latin face lacks come from the system face.
  EXPECT_GT(Extent(mono, u"文").cx, 0);
}

TEST_F(FontTest, ExtentsCountWhatFitsAndEachPartialWidth) {
  HFONT font = MakeFont("DejaVu Sans", -16);
  ASSERT_NE(nullptr, SelectObject(dc, font));
  const std::u16string text = u"Wide iil W";
  const int n = static_cast<int>(text.size());
  std::vector<int> dx(n, -1);
  int fit = -1;
  SIZE size = {};
  ASSERT_TRUE(GetTextExtentExPointW(dc, text.c_str(), n, 1 << 20, &fit, dx.data(), &size));
  EXPECT_EQ(n, fit);
  EXPECT_EQ(size.cx, dx[n - 1]);
  int sum = 0;
  for (int i = 0; i < n; ++i) {
    SIZE one = {};
    ASSERT_TRUE(GetTextExtentExPointW(dc, text.c_str() + i, 1, 0, nullptr, nullptr, &one));
    sum += one.cx;
    EXPECT_EQ(sum, dx[i]) << i;
  }
  // Exactly the extent of four characters fits four; one pixel less fits three.
  for (int limit : {dx[3], dx[3] - 1}) {
    std::vector<int> part(n, -1);
    ASSERT_TRUE(GetTextExtentExPointW(dc, text.c_str(), n, limit, &fit, part.data(), &size));
    EXPECT_EQ(limit == dx[3] ? 4 : 3, fit);
    for (int i = 0; i < fit; ++i) EXPECT_EQ(dx[i], part[i]);
    EXPECT_EQ(-1, part[fit]);  // only the fitting ones are written
    EXPECT_EQ(dx[n - 1], size.cx);
  }
  EXPECT_TRUE(GetTextExtentExPointW(dc, u"", 0, 10, &fit, nullptr, &size));
  EXPECT_EQ(0, fit);
  EXPECT_EQ(0, size.cx);
  EXPECT_FALSE(
      GetTextExtentExPointW(reinterpret_cast<HDC>(font), text.c_str(), n, 0, nullptr, nullptr, &size));
}

// A copy of the packaged face whose family name is kRenamedFamily, under the device's root.
std::u16string RenamedFontFile() {
  std::ifstream in(kMonoFile, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_FALSE(bytes.empty()) << kMonoFile;
  const std::string from(kMonoFamily), to(kRenamedFamily);
  std::string from16, to16;  // the name table's UTF-16BE records
  for (size_t i = 0; i < from.size(); ++i) {
    from16 += std::string(1, '\0') + from[i];
    to16 += std::string(1, '\0') + to[i];
  }
  int replaced = 0;
  for (const auto& pair : {std::make_pair(from16, to16), std::make_pair(from, to)}) {
    for (size_t at = bytes.find(pair.first); at != std::string::npos; at = bytes.find(pair.first, at + 1)) {
      bytes.replace(at, pair.first.size(), pair.second);
      ++replaced;
    }
  }
  EXPECT_GT(replaced, 0);
  const std::string dir = wce::GetRootDir() + "/fonttest";
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  EXPECT_FALSE(error) << dir;
  std::ofstream(dir + "/Renamed.ttf", std::ios::binary) << bytes;
  return u"\\fonttest\\Renamed.ttf";
}

TEST_F(FontTest, AddedFontFilesAreFoundByTheirFamilyName) {
  const std::u16string path = RenamedFontFile();
  HFONT before = MakeFont(kRenamedFamily, -16);
  ASSERT_NE(nullptr, before);
  EXPECT_FALSE(Monospaced(before));
  ASSERT_EQ(1, AddFontResourceW(path.c_str()));
  HFONT added = MakeFont(kRenamedFamily, -16);
  ASSERT_NE(nullptr, added);
  EXPECT_TRUE(Monospaced(added));
  EXPECT_TRUE(RemoveFontResourceW(path.c_str()));
  EXPECT_FALSE(RemoveFontResourceW(path.c_str()));
  HFONT after = MakeFont(kRenamedFamily, -16);
  EXPECT_FALSE(Monospaced(after));
  EXPECT_TRUE(Monospaced(added));  // a font made meanwhile keeps its face
  // Not a font file.
  const std::string junk = wce::GetRootDir() + "/fonttest/junk.ttf";
  std::ofstream(junk, std::ios::binary) << "not a font";
  EXPECT_EQ(0, AddFontResourceW(u"\\fonttest\\junk.ttf"));
  EXPECT_EQ(0, AddFontResourceW(u"\\fonttest\\missing.ttf"));
  EXPECT_EQ(0, AddFontResourceW(nullptr));
}

}  // namespace
