// Font conf files: named fields over the system font's LOGFONT, the face name cut to 31 units.
#include "tests/wceui/core/WceUiTestRoot.h"
#include "tests/wceui/support/WceUiTestFiles.h"
#include "wceui/resfiles/CReadFontConfInfo.h"

#include <cstring>
#include <functional>

namespace {

class CReadFontConfInfoTest : public WceUiTestRoot {};

LOGFONTW SystemFont() {
  LOGFONTW lf;
  std::memset(&lf, 0, sizeof lf);
  GetObjectW(GetStockObject(SYSTEM_FONT), sizeof lf, &lf);
  return lf;
}

}  // namespace

TEST_F(CReadFontConfInfoTest, NamedFieldsOverTheSystemFont) {
  const struct {
    const char* m_pszName;
    std::u16string m_strText;
    std::function<void(LOGFONTW&)> m_fnExpect;
  } cases[] = {
      {"face name only", u"facename=WenQuanYi Micro Hei\r\n",
       [](LOGFONTW& lf) {
         std::memset(lf.lfFaceName, 0, sizeof lf.lfFaceName);
         std::memcpy(lf.lfFaceName, u"WenQuanYi Micro Hei", 19 * 2);
       }},
      {"every number",
       u"height=-24\nwidth=10\nescapement=900\norientation=450\nweight=700\nitalic=1\n"
       u"underline=1\nstrikeout=1\ncharset=134\noutprecision=3\nclipprecision=2\nquality=5\n"
       u"pitchandfamily=34\n",
       [](LOGFONTW& lf) {
         lf.lfHeight = -24;
         lf.lfWidth = 10;
         lf.lfEscapement = 900;
         lf.lfOrientation = 450;
         lf.lfWeight = 700;
         lf.lfItalic = lf.lfUnderline = lf.lfStrikeOut = 1;
         lf.lfCharSet = 134;
         lf.lfOutPrecision = 3;
         lf.lfClipPrecision = 2;
         lf.lfQuality = 5;
         lf.lfPitchAndFamily = 34;
       }},
      {"byte fields keep their low 8 bits", u"italic=257\ncharset=-1\n",
       [](LOGFONTW& lf) {
         lf.lfItalic = 1;
         lf.lfCharSet = 255;
       }},
      {"unknown keys ignored", u"Height=5\nsize=7\n", [](LOGFONTW&) {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.m_pszName);
    WceUiPutTextFile(u"\\res\\font\\f", c.m_strText);
    CReadFontConfInfo info;
    ASSERT_TRUE(info.LoadFontConfFile(u"\\res\\font\\f"));
    LOGFONTW expected = SystemFont();
    c.m_fnExpect(expected);
    LOGFONTW got;
    ASSERT_TRUE(info.GetLogFont(&got));
    EXPECT_EQ(std::memcmp(&got, &expected, sizeof got), 0);
  }
}

TEST_F(CReadFontConfInfoTest, LongFaceNameKeepsItsFirst31Units) {
  WceUiPutTextFile(u"\\f", u"facename=" + std::u16string(40, u'F') + u"\n");
  CReadFontConfInfo info;
  ASSERT_TRUE(info.LoadFontConfFile(u"\\f"));
  LOGFONTW lf;
  ASSERT_TRUE(info.GetLogFont(&lf));
  EXPECT_EQ(std::u16string(lf.lfFaceName), std::u16string(31, u'F'));
}

TEST_F(CReadFontConfInfoTest, AFileThatDoesNotLoadGivesNoFont) {
  WceUiPutTextFile(u"\\f", u"height=-24\n", WceUiTextForm::kUtf8);
  CReadFontConfInfo info;
  EXPECT_FALSE(info.LoadFontConfFile(u"\\f"));
  EXPECT_FALSE(info.IsLoaded());
  LOGFONTW lf;
  ClearLog();
  EXPECT_FALSE(info.GetLogFont(&lf));
  EXPECT_EQ(Messages(),
            std::vector<std::string>{"error: CReadFontConfInfo::GetLogFont,check(m_bLoaded)fail"});
  ClearLog();
  EXPECT_FALSE(info.LoadFontConfFile(u"\\missing"));
  std::vector<std::string> messages = Messages();
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.back(), "error: can not load file \\missing");
}
