// Holders of resources by id (bitmaps, fonts, colours, texts) and the language they follow: nothing
// loads when an id is set, the first use loads, an equal id keeps what is loaded, a missing
// resource gives the fallback and is tried again.
#include "tests/wceui/resfiles/WceUiResFixture.h"
#include "wceui/resfiles/CFhGlobals.h"
#include "wceui/resfiles/CFhBitmapResLoader.h"
#include "wceui/resfiles/CFhColorResLoader.h"
#include "wceui/resfiles/CFhFontResLoader.h"
#include "wceui/resfiles/CFhLanguage.h"
#include "wceui/drawing/CWceUiFont.h"
#include "wceui/styles/CWceUiFontCtrl.h"
#include "wceui/drawing/CWceUiGenericBitmap.h"
#include "wceui/resfiles/CWceUiLoadBitmap.h"
#include "wceui/resfiles/CWceUiLoadColor.h"
#include "wceui/resfiles/CWceUiLoadString.h"

#include <memory>

namespace {

class WceUiResHolderTest : public WceUiResFixture {};

LONG BitmapRefs(const char16_t* pId) {
  return WceUiGetGlobals()->GetBitmapResLoader()->GetRefCount(pId);
}

CFhLanguage* Language() {
  return WceUiGetGlobals()->GetLanguage();
}

}  // namespace

TEST_F(WceUiResHolderTest, BitmapHolderLoadsOnFirstUseAndKeepsAnEqualId) {
  PutResText(u"bitmap\\a.conf", u"src=a.bmp\r\n");
  PutResText(u"bitmap\\b.conf", u"src=b.bmp\r\n");
  PutResBmp(u"bitmap\\a.bmp", 2);
  PutResBmp(u"bitmap\\b.bmp", 4);
  CWceUiLoadBitmap holder;
  holder.SetBitmapFromRes(u"a.conf");
  EXPECT_EQ(BitmapRefs(u"a.conf"), 0);
  CWceUiGenericBitmap* pA = holder.GetBitmap();
  ASSERT_NE(pA, nullptr);
  EXPECT_EQ(BitmapRefs(u"a.conf"), 1);

  holder.SetBitmapFromRes(u"A.CONF");
  EXPECT_EQ(holder.GetBitmap(), pA);
  EXPECT_EQ(BitmapRefs(u"a.conf"), 1);

  {
    CWceUiLoadBitmap copy(holder);
    EXPECT_EQ(copy.GetBitmap(), pA);
    EXPECT_EQ(BitmapRefs(u"a.conf"), 2);
  }
  EXPECT_EQ(BitmapRefs(u"a.conf"), 1);

  holder.SetBitmapFromRes(u"b.conf");
  EXPECT_EQ(BitmapRefs(u"a.conf"), 0);
  ASSERT_NE(holder.GetBitmap(), nullptr);
  EXPECT_EQ(holder.GetBitmap()->GetWidth(), 4);
  holder = holder;
  EXPECT_EQ(BitmapRefs(u"b.conf"), 1);
  holder.Clean();
  EXPECT_EQ(WceUiGetGlobals()->GetBitmapResLoader()->GetCount(), 0);
  EXPECT_EQ(holder.GetKind(), kWceUiResOwn);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(WceUiResHolderTest, BitmapHolderOwnsACopyOfAnAppBitmap) {
  PutResText(u"bitmap\\a.conf", u"src=a.bmp\r\n");
  PutResBmp(u"bitmap\\a.bmp", 3);
  std::unique_ptr<CWceUiGenericBitmap> pApp(
      FhLoadBitmapFromConfFile(u"\\SDMMC\\CECorvane\\Res\\bitmap\\a.conf"));
  ASSERT_NE(pApp, nullptr);
  CWceUiLoadBitmap holder;
  holder.SetBitmapFromApp(pApp.get());
  ASSERT_NE(holder.GetBitmap(), nullptr);
  EXPECT_NE(holder.GetBitmap(), pApp.get());
  EXPECT_EQ(holder.GetBitmap()->GetWidth(), 3);
  CWceUiLoadBitmap copy;
  copy = holder;
  ASSERT_NE(copy.GetBitmap(), nullptr);
  EXPECT_NE(copy.GetBitmap(), holder.GetBitmap());
  holder.SetBitmapFromApp(nullptr);
  EXPECT_EQ(holder.GetBitmap(), nullptr);
}

TEST_F(WceUiResHolderTest, BitmapHolderTriesAMissingIdAgain) {
  CWceUiLoadBitmap holder;
  holder.SetBitmapFromRes(u"late.conf");
  EXPECT_EQ(holder.GetBitmap(), nullptr);
  EXPECT_EQ(holder.GetBitmap(), nullptr);
  EXPECT_EQ(CountMessages("In CWceUiLoadBitmap::GetBitmap, load bitmap id late.conf failed"), 2);
  PutResText(u"bitmap\\late.conf", u"src=late.bmp\r\n");
  PutResBmp(u"bitmap\\late.bmp", 1);
  EXPECT_NE(holder.GetBitmap(), nullptr);
  EXPECT_EQ(BitmapRefs(u"late.conf"), 1);
}

TEST_F(WceUiResHolderTest, FontHolderFallsBackToTheSystemFontUntilItsFileExists) {
  LOGFONTW system;
  CWceUiFont::GetSystemLogFont(&system);
  CWceUiFontCtrl holder;
  holder.SetFontFromRes(u"title.font");
  EXPECT_EQ(WceUiGetGlobals()->GetFontResLoader()->GetCount(), 0);
  for (int i = 0; i < 2; ++i) EXPECT_NE(holder.GetFont(), nullptr);
  EXPECT_EQ(CountMessages("load font id title.font failed use default font"), 2);

  PutResText(u"font\\title.font", u"height=-40\r\n");
  ClearLog();
  HFONT hFont = holder.GetFont();
  EXPECT_NE(hFont, nullptr);
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(WceUiGetGlobals()->GetFontResLoader()->GetRefCount(u"title.font"), 1);
  LOGFONTW got;
  ASSERT_EQ(GetObjectW(hFont, sizeof got, &got), static_cast<int>(sizeof got));
  EXPECT_EQ(got.lfHeight, -40);

  holder.SetFontFromRes(u"TITLE.FONT");
  EXPECT_EQ(holder.GetFont(), hFont);
  CWceUiFontCtrl copy(holder);
  EXPECT_EQ(copy.GetFont(), hFont);
  EXPECT_EQ(WceUiGetGlobals()->GetFontResLoader()->GetRefCount(u"title.font"), 2);

  LOGFONTW own = system;
  own.lfHeight = 17;
  holder.SetLogFont(own);
  EXPECT_EQ(holder.GetKind(), kWceUiResOwn);
  EXPECT_EQ(WceUiGetGlobals()->GetFontResLoader()->GetRefCount(u"title.font"), 1);
  ASSERT_EQ(GetObjectW(holder.GetFont(), sizeof got, &got), static_cast<int>(sizeof got));
  EXPECT_EQ(got.lfHeight, 17);
  copy = holder;
  EXPECT_EQ(WceUiGetGlobals()->GetFontResLoader()->GetCount(), 0);
}

TEST_F(WceUiResHolderTest, FontValueKeepsItsHandleForAnEqualLogFont) {
  LOGFONTW lf;
  CWceUiFont::GetSystemLogFont(&lf);
  CWceUiFont font(lf);
  HFONT hFont = font.GetFont();
  ASSERT_NE(hFont, nullptr);
  // Units behind the face name's terminator are not part of the font.
  LOGFONTW same = lf;
  same.lfFaceName[LF_FACESIZE - 1] = u'x';
  font.SetLogFont(same);
  EXPECT_EQ(font.GetFont(), hFont);
  LOGFONTW bolder = lf;
  bolder.lfWeight += 100;
  font.SetLogFont(bolder);
  LOGFONTW got;
  ASSERT_EQ(GetObjectW(font.GetFont(), sizeof got, &got), static_cast<int>(sizeof got));
  EXPECT_EQ(got.lfWeight, bolder.lfWeight);
}

TEST_F(WceUiResHolderTest, ColourHolderByValueAndById) {
  PutResText(u"color\\wceui.color", u"red=0xFF0000\r\n");
  CWceUiLoadColor holder;
  EXPECT_EQ(holder.GetColor(), RGB(0, 0, 0));
  holder.SetColor(RGB(1, 2, 3));
  EXPECT_EQ(holder.GetColor(), RGB(1, 2, 3));

  holder.SetColorFromRes(u"red");
  EXPECT_EQ(WceUiGetGlobals()->GetColorResLoader()->GetCount(), 0);
  EXPECT_EQ(holder.GetColor(), RGB(255, 0, 0));
  holder.SetColorFromRes(u"RED");
  CWceUiLoadColor copy(holder);
  EXPECT_EQ(copy.GetColor(), RGB(255, 0, 0));
  EXPECT_EQ(WceUiGetGlobals()->GetColorResLoader()->GetRefCount(u"red"), 2);
  copy.SetColor(RGB(9, 9, 9));
  holder = copy;
  EXPECT_EQ(holder.GetColor(), RGB(9, 9, 9));
  EXPECT_EQ(WceUiGetGlobals()->GetColorResLoader()->GetCount(), 0);

  ClearLog();
  holder.SetColorFromRes(u"blue");
  EXPECT_EQ(holder.GetColor(), RGB(0, 0, 0));
  EXPECT_EQ(Messages(), std::vector<std::string>{"error: load color id blue failed, use black"});
}

TEST_F(WceUiResHolderTest, ColourValueMakesOneBrushPerColour) {
  CWceUiColor color(RGB(10, 20, 30));
  HBRUSH hBrush = color.GetBrush();
  ASSERT_NE(hBrush, nullptr);
  color.SetColor(RGB(10, 20, 30));
  EXPECT_EQ(color.GetBrush(), hBrush);
  color.SetColor(RGB(30, 20, 10));
  EXPECT_EQ(color.GetColor(), RGB(30, 20, 10));
  EXPECT_NE(color.GetBrush(), nullptr);
}

TEST_F(WceUiResHolderTest, TextsFollowTheLanguage) {
  PutResText(u"language\\lang.ini", u"[texts]\r\n; a comment\r\nhello=Hello\r\n");
  PutResText(u"language\\de.ini", u"hello=Hallo\r\nbye=Tschuess\r\n");
  ASSERT_TRUE(Language()->SetLanguage(u"Res\\language\\lang.ini", FALSE));
  CWceUiLoadString hello;
  CWceUiLoadString bye;
  hello.SetTextResID(u"hello");
  bye.SetTextResID(u"bye");
  EXPECT_EQ(std::u16string(hello.GetString()), u"Hello");
  ClearLog();
  for (int i = 0; i < 2; ++i) EXPECT_EQ(std::u16string(bye.GetString()), u"");
  EXPECT_EQ(Messages(), std::vector<std::string>{"error: LoadString bye failed"});

  ASSERT_TRUE(Language()->SetLanguage(u"Res\\language\\de.ini", FALSE));
  EXPECT_EQ(std::u16string(Language()->GetLanguagePath()), u"Res\\language\\de.ini");
  EXPECT_EQ(std::u16string(hello.GetString()), u"Hallo");
  EXPECT_EQ(std::u16string(bye.GetString()), u"Tschuess");

  // The same file read again after it changed.
  PutResText(u"language\\de.ini", u"hello=Guten Tag\r\n");
  ASSERT_TRUE(Language()->SetLanguage(u"Res\\language\\de.ini", FALSE));
  EXPECT_EQ(std::u16string(hello.GetString()), u"Guten Tag");

  ClearLog();
  EXPECT_FALSE(Language()->SetLanguage(u"Res\\language\\missing.ini", FALSE));
  EXPECT_EQ(Language()->GetString(u"hello"), nullptr);
  // The holders were not told: they keep the text they have until the next change.
  EXPECT_EQ(std::u16string(hello.GetString()), u"Guten Tag");
  CWceUiLoadString late;
  late.SetTextResID(u"hello");
  EXPECT_EQ(std::u16string(late.GetString()), u"");
  EXPECT_EQ(CountMessages("LoadString hello failed"), 1);
}

TEST_F(WceUiResHolderTest, EveryLivingTextHolderIsRegisteredOnce) {
  int nBase = Language()->GetLoadStringItemCount();
  {
    CWceUiLoadString a;
    a.SetTextResID(u"x");
    CWceUiLoadString b(a);
    EXPECT_EQ(std::u16string(b.GetTextResID()), u"x");
    CWceUiLoadString c;
    c = b;
    c = c;
    EXPECT_EQ(Language()->GetLoadStringItemCount(), nBase + 3);
  }
  EXPECT_EQ(Language()->GetLoadStringItemCount(), nBase);
  CWceUiLoadString empty;
  EXPECT_EQ(std::u16string(empty.GetString()), u"");
  EXPECT_TRUE(Messages().empty());
}

TEST_F(WceUiResHolderTest, InitLoadsTheLanguageWithItsEscapeFlag) {
  PutResText(u"language\\esc.ini", u"two=a\\nb\r\n");
  const struct {
    BOOL m_bEscape;
    std::u16string m_strText;
  } cases[] = {{FALSE, u"a\\nb"}, {TRUE, u"a\nb"}};
  for (const auto& c : cases) {
    ASSERT_TRUE(WceUiInit(Instance(), u"Wnd", u"Res", u"Res\\language\\esc.ini", c.m_bEscape));
    CWceUiLoadString two;
    two.SetTextResID(u"two");
    EXPECT_EQ(std::u16string(two.GetString()), c.m_strText);
  }
}
