// The resource caches: sharing by id, release, reloading after the last release, the leak report,
// bitmap conf files and the start-up call.
#include "tests/wceui/resfiles/WceUiResFixture.h"
#include "tools/mkpack/CPackWriter.h"
#include "wceui/resfiles/CFhGlobals.h"
#include "wceui/resfiles/CFhBitmapResLoader.h"
#include "wceui/resfiles/CFhColorResLoader.h"
#include "wceui/resfiles/CFhFontResLoader.h"
#include "wceui/resfiles/CReadBitmapConfInfo.h"
#include "wceui/drawing/CWceUiColor.h"
#include "wceui/drawing/CWceUiFont.h"
#include "wceui/drawing/CWceUiGenericBitmap.h"

#include <cstring>

namespace {

class WceUiResCacheTest : public WceUiResFixture {
 protected:
  // The bitmap "btn.conf", the font "f.font" and the colour "red".
  static void PutOneOfEach() {
    PutResText(u"bitmap\\btn.conf", u"src=btn.bmp\r\n");
    PutResBmp(u"bitmap\\btn.bmp", 1);
    PutResText(u"font\\f.font", u"height=20\r\n");
    PutResText(u"color\\wceui.color", u"red=0xFF0000\r\n");
  }
};

CFhBitmapResLoader* Bitmaps() {
  return WceUiGetGlobals()->GetBitmapResLoader();
}

}  // namespace

TEST_F(WceUiResCacheTest, BitmapsAreSharedByIdAndReadAgainAfterTheLastRelease) {
  PutResText(u"bitmap\\btn.conf", u"src=..\\img\\btn.bmp\r\n");
  PutResBmp(u"img\\btn.bmp", 3);

  CWceUiGenericBitmap* pFirst = WceUiGetBitmap(u"btn.conf");
  ASSERT_NE(pFirst, nullptr);
  EXPECT_EQ(pFirst->GetWidth(), 3);
  // A new picture on disk does not reach an id that is still held.
  PutResBmp(u"img\\btn.bmp", 5);
  CWceUiGenericBitmap* pSecond = WceUiGetBitmap(u"btn.conf");
  EXPECT_EQ(pSecond, pFirst);
  EXPECT_EQ(Bitmaps()->GetRefCount(u"btn.conf"), 2);

  WceUiReleaseBitmap(pFirst);
  EXPECT_EQ(Bitmaps()->GetRefCount(u"btn.conf"), 1);
  EXPECT_EQ(pSecond->GetWidth(), 3);
  WceUiReleaseBitmap(pSecond);
  EXPECT_EQ(Bitmaps()->GetCount(), 0);

  CWceUiGenericBitmap* pAgain = WceUiGetBitmap(u"btn.conf");
  ASSERT_NE(pAgain, nullptr);
  EXPECT_EQ(pAgain->GetWidth(), 5);
  WceUiReleaseBitmap(pAgain);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(WceUiResCacheTest, SlashesInIdsAreBackslashes) {
  PutResText(u"bitmap\\sub\\btn.conf", u"src=btn.bmp\r\n");
  PutResBmp(u"bitmap\\sub\\btn.bmp", 2);
  CWceUiGenericBitmap* pSlash = WceUiGetBitmap(u"sub/btn.conf");
  CWceUiGenericBitmap* pBackslash = WceUiGetBitmap(u"sub\\btn.conf");
  ASSERT_NE(pSlash, nullptr);
  EXPECT_EQ(pSlash, pBackslash);
  EXPECT_EQ(Bitmaps()->GetRefCount(u"sub\\btn.conf"), 2);
  WceUiReleaseBitmap(pSlash);
  WceUiReleaseBitmap(pBackslash);
}

TEST_F(WceUiResCacheTest, IdsLongerThan259UnitsAreRefusedNotCut) {
  std::u16string id259(259 - 5, u'a');
  id259 += u".conf";
  const struct {
    const char* m_pszName;
    std::u16string m_strId;
    bool m_bRefused;
  } cases[] = {
      {"259 units", id259, false},
      {"260 units", id259 + u"x", true},
      {"300 units", std::u16string(300, u'b'), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.m_pszName);
    ClearLog();
    EXPECT_EQ(WceUiGetBitmap(c.m_strId.c_str()), nullptr);
    EXPECT_EQ(WceUiGetFont(c.m_strId.c_str()), nullptr);
    int nRefused = CountMessages("units is longer than 259");
    EXPECT_EQ(nRefused, c.m_bRefused ? 2 : 0);
  }
  ClearLog();
  std::u16string longId = std::u16string(300, u'c');
  EXPECT_EQ(WceUiGetBitmap(longId.c_str()), nullptr);
  EXPECT_EQ(Messages(),
            std::vector<std::string>{"error:   ::WceUiGetBitmap, the id of 300 units is longer than 259"});
  EXPECT_EQ(Bitmaps()->GetCount(), 0);
}

TEST_F(WceUiResCacheTest, BitmapConfFiles) {
  PutResBmp(u"bitmap\\pic.bmp", 2);
  const COLORREF kNoTrans = CReadBitmapConfInfo::kNone;
  const struct {
    const char* m_pszName;
    std::u16string m_strText;
    bool m_bLoads;
    COLORREF m_crTrans;
    DWORD m_dwAlpha;
    bool m_bPerPixel;
    const char* m_pszMessage;  // a message the failure logs, or nullptr
  } cases[] = {
      {"src only", u"src=pic.bmp\r\n", true, kNoTrans, kNoTrans, false, nullptr},
      {"no src", u"tc=0xFF0000\r\n", false, 0, 0, false, "failed no src item"},
      {"tc and ca false", u"src=pic.bmp\r\ntc=FALSE\r\nca=false\r\n", true, kNoTrans, kNoTrans, false,
       nullptr},
      {"tc with 0x", u"src=pic.bmp\r\ntc=0xFF0000\r\n", true, RGB(255, 0, 0), kNoTrans, false, nullptr},
      {"tc without 0x", u"src=pic.bmp\r\ntc=00FF80\r\n", true, RGB(0, 255, 128), kNoTrans, false, nullptr},
      {"ca 255", u"src=pic.bmp\r\nca=255\r\n", true, kNoTrans, 255, false, nullptr},
      {"ca 256", u"src=pic.bmp\r\nca=256\r\n", false, 0, 0, false, "invalid ca in "},
      {"ca negative", u"src=pic.bmp\r\nca=-1\r\n", false, 0, 0, false, "invalid ca in "},
      {"pa true", u"src=pic.bmp\r\npa=True\r\n", true, kNoTrans, kNoTrans, true, nullptr},
      {"pa true, src not .bmp", u"src=pic.BMP.png\r\npa=true\r\n", false, 0, 0, false, nullptr},
      {"pa other", u"src=pic.bmp\r\npa=yes\r\n", true, kNoTrans, kNoTrans, false, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.m_pszName);
    ClearLog();
    PutResText(u"bitmap\\pic.conf", c.m_strText);
    CReadBitmapConfInfo info;
    std::u16string confPath = std::u16string(kResDir) + u"bitmap\\pic.conf";
    ASSERT_EQ(info.LoadBitmapConfFile(confPath.c_str()), c.m_bLoads ? TRUE : FALSE);
    if (c.m_pszMessage != nullptr) {
      EXPECT_EQ(CountMessages(c.m_pszMessage), 1);
    }
    if (!c.m_bLoads) {
      EXPECT_FALSE(info.IsLoaded());
      EXPECT_EQ(FhLoadBitmapFromConfFile(confPath.c_str()), nullptr);
      continue;
    }
    EXPECT_EQ(std::u16string(info.GetBitmapFullPath()), std::u16string(kResDir) + u"bitmap\\pic.bmp");
    EXPECT_EQ(info.HasPerPixelAlpha(), c.m_bPerPixel ? TRUE : FALSE);
    EXPECT_EQ(std::u16string(info.GetAlphaFullPath()),
              c.m_bPerPixel ? std::u16string(kResDir) + u"bitmap\\pic.alpha" : u"");
    COLORREF crTrans = kNoTrans;
    EXPECT_EQ(info.GetTransColor(&crTrans), c.m_crTrans != kNoTrans ? TRUE : FALSE);
    EXPECT_EQ(crTrans, c.m_crTrans);
    DWORD nAlpha = kNoTrans;
    EXPECT_EQ(info.GetConstantAlpha(&nAlpha), c.m_dwAlpha != kNoTrans ? TRUE : FALSE);
    EXPECT_EQ(nAlpha, c.m_dwAlpha);

    // A 32-bit picture has no alpha plane: the per-pixel case stops at the loader.
    if (c.m_bPerPixel) continue;
    CWceUiGenericBitmap* pBitmap = FhLoadBitmapFromConfFile(confPath.c_str());
    ASSERT_NE(pBitmap, nullptr);
    COLORREF crBitmapTrans = kNoTrans;
    EXPECT_EQ(pBitmap->GetTransColor(&crBitmapTrans), c.m_crTrans != kNoTrans ? TRUE : FALSE);
    if (c.m_crTrans != kNoTrans) {
      EXPECT_EQ(crBitmapTrans, c.m_crTrans);
    }
    int nBitmapAlpha = -1;
    EXPECT_EQ(pBitmap->GetConstantAlpha(&nBitmapAlpha), c.m_dwAlpha != kNoTrans ? TRUE : FALSE);
    if (c.m_dwAlpha != kNoTrans) {
      EXPECT_EQ(nBitmapAlpha, static_cast<int>(c.m_dwAlpha));
    }
    delete pBitmap;
  }
}

TEST_F(WceUiResCacheTest, AFailedLoadCachesNothingAndIsTriedAgain) {
  EXPECT_EQ(WceUiGetBitmap(u"late.conf"), nullptr);
  EXPECT_EQ(CountMessages("load file \\SDMMC\\CECorvane\\Res\\bitmap\\late.conf failed"), 1);
  EXPECT_EQ(Bitmaps()->GetCount(), 0);
  PutResText(u"bitmap\\late.conf", u"src=late.bmp\r\n");
  EXPECT_EQ(WceUiGetBitmap(u"late.conf"), nullptr);
  EXPECT_EQ(CountMessages("WceUiLoadBmpFromFile \\SDMMC\\CECorvane\\Res\\bitmap\\late.bmp failed"), 1);
  PutResBmp(u"bitmap\\late.bmp", 1);
  CWceUiGenericBitmap* pBitmap = WceUiGetBitmap(u"late.conf");
  ASSERT_NE(pBitmap, nullptr);
  WceUiReleaseBitmap(pBitmap);
}

TEST_F(WceUiResCacheTest, ReleasingWhatNoEntryHoldsChangesNothing) {
  PutOneOfEach();
  CWceUiGenericBitmap* pBitmap = WceUiGetBitmap(u"btn.conf");
  CWceUiFont* pFont = WceUiGetFont(u"f.font");
  CWceUiColor* pColor = WceUiGetColor(u"red");
  ASSERT_TRUE(pBitmap != nullptr && pFont != nullptr && pColor != nullptr);
  ClearLog();

  CWceUiGenericBitmap* pStranger = FhLoadBitmapFromConfFile(u"\\SDMMC\\CECorvane\\Res\\bitmap\\btn.conf");
  CWceUiFont strangerFont;
  CWceUiColor strangerColor;
  WceUiReleaseBitmap(pStranger);
  WceUiReleaseFont(&strangerFont);
  WceUiReleaseColor(&strangerColor);
  EXPECT_EQ(Messages(), (std::vector<std::string>{
                            "error: call WceUiReleaseBitmap Release but pWceUiBitmap not found",
                            "error: call WceUiReleaseFont Release but pWceUiFont not found",
                            "error: call WceUiReleaseColor Release but pWceUiColor not found",
                        }));
  EXPECT_EQ(Bitmaps()->GetRefCount(u"btn.conf"), 1);
  EXPECT_EQ(WceUiGetGlobals()->GetFontResLoader()->GetRefCount(u"f.font"), 1);
  EXPECT_EQ(WceUiGetGlobals()->GetColorResLoader()->GetRefCount(u"red"), 1);
  delete pStranger;
  WceUiReleaseBitmap(pBitmap);
  WceUiReleaseFont(pFont);
  WceUiReleaseColor(pColor);
}

TEST_F(WceUiResCacheTest, TheLeakReportNamesEveryHeldIdWithItsCount) {
  PutOneOfEach();
  WceUiGetBitmap(u"btn.conf");
  WceUiGetBitmap(u"btn.conf");
  WceUiGetFont(u"f.font");
  for (int i = 0; i < 3; ++i) WceUiGetColor(u"red");
  ClearLog();
  WceUiGetGlobals()->GetBitmapResLoader()->ReleaseAll();
  WceUiGetGlobals()->GetFontResLoader()->ReleaseAll();
  WceUiGetGlobals()->GetColorResLoader()->ReleaseAll();
  EXPECT_EQ(Messages(),
            (std::vector<std::string>{
                "error: btn.conf is not released, reference count is 2. call WceUiReleaseBitmap to release",
                "error: f.font is not released, reference count is 1. call WceUiReleaseFont to release",
                "error: red is not released, reference count is 3. call WceUiReleaseColor to release",
            }));
  EXPECT_EQ(Bitmaps()->GetCount(), 0);
  ClearLog();
  Bitmaps()->ReleaseAll();
  EXPECT_TRUE(Messages().empty());
}

TEST_F(WceUiResCacheTest, FontsAreSharedAndCarryTheirConfFile) {
  PutResText(u"font\\title.font", u"height=-30\r\nweight=700\r\n");
  CWceUiFont* pFont = WceUiGetFont(u"title.font");
  ASSERT_NE(pFont, nullptr);
  EXPECT_EQ(WceUiGetFont(u"title.font"), pFont);
  LOGFONTW lf;
  ASSERT_TRUE(pFont->GetLogFont(&lf));
  EXPECT_EQ(lf.lfHeight, -30);
  EXPECT_EQ(lf.lfWeight, 700);
  WceUiReleaseFont(pFont);
  WceUiReleaseFont(pFont);
  EXPECT_EQ(WceUiGetGlobals()->GetFontResLoader()->GetCount(), 0);
}

TEST_F(WceUiResCacheTest, ColoursComeFromOneColourFileReadOnFirstUse) {
  EXPECT_EQ(WceUiGetColor(u"red"), nullptr);
  EXPECT_EQ(CountMessages("load file \\SDMMC\\CECorvane\\Res\\color\\wceui.color failed"), 1);
  PutResText(u"color\\wceui.color", u"red = 0xFF0000\r\nsky=0080FF\r\n");
  const struct {
    const char16_t* m_pszId;
    bool m_bFound;
    COLORREF m_crCr;
  } cases[] = {{u"red", true, RGB(255, 0, 0)},
               {u"sky", true, RGB(0, 128, 255)},
               {u"Red", false, 0},
               {u"none", false, 0}};
  for (const auto& c : cases) {
    CWceUiColor* pColor = WceUiGetColor(c.m_pszId);
    ASSERT_EQ(pColor != nullptr, c.m_bFound);
    if (pColor == nullptr) continue;
    EXPECT_EQ(pColor->GetColor(), c.m_crCr);
    EXPECT_EQ(WceUiGetColor(c.m_pszId), pColor);
    WceUiReleaseColor(pColor);
    WceUiReleaseColor(pColor);
  }
  EXPECT_EQ(WceUiGetGlobals()->GetColorResLoader()->GetCount(), 0);
}

TEST_F(WceUiResCacheTest, NothingLoadsWithoutAResourceDirectory) {
  WceUiGetGlobals()->Reset();
  PutResText(u"bitmap\\btn.conf", u"src=btn.bmp\r\n");
  ClearLog();
  EXPECT_EQ(WceUiGetBitmap(u"btn.conf"), nullptr);
  EXPECT_EQ(WceUiGetFont(u"f.font"), nullptr);
  EXPECT_EQ(WceUiGetColor(u"red"), nullptr);
  EXPECT_EQ(CountMessages("please set the resource directory use WceUiInit or WceUiChangeResDir"), 3);
}

TEST_F(WceUiResCacheTest, InitFailsOnTheFirstMissingArgumentAndStoresNothing) {
  const struct {
    const char* m_pszName;
    HINSTANCE m_hInstance;
    const char16_t* m_pszWndDir;
    const char16_t* m_pszResDir;
    const char16_t* m_pszLang;
    const char* m_pszCheck;
  } cases[] = {
      {"instance", nullptr, nullptr, u"R", u"L", "WceUiInit,check(NULL != hInstance)fail"},
      {"window dir", Instance(), nullptr, nullptr, u"L", "WceUiInit,check(NULL != pWndDir)fail"},
      {"resource dir", Instance(), u"W", nullptr, u"L", "WceUiInit,check(NULL != pResDir)fail"},
      {"language", Instance(), u"W", u"R", nullptr, "WceUiInit,check(NULL != pLangFilePath)fail"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.m_pszName);
    WceUiGetGlobals()->Reset();
    ClearLog();
    EXPECT_FALSE(WceUiInit(c.m_hInstance, c.m_pszWndDir, c.m_pszResDir, c.m_pszLang, FALSE));
    EXPECT_EQ(Messages(), std::vector<std::string>{std::string("error: ") + c.m_pszCheck});
    CFhGlobalData* pData = WceUiGetGlobals()->GetGlobalData();
    EXPECT_EQ(pData->GetInstance(), nullptr);
    EXPECT_EQ(std::u16string(pData->GetWndDir()), u"");
    EXPECT_EQ(std::u16string(pData->GetResDir()), u"");
  }
}

TEST_F(WceUiResCacheTest, InitStoresAbsoluteDirectoriesEvenWithoutALanguageFile) {
  WceUiGetGlobals()->Reset();
  EXPECT_TRUE(WceUiInit(Instance(), u"Wnd\\", u"\\Res", u"missing.ini", FALSE));
  EXPECT_EQ(WceUiGetInstanceHandle(), Instance());
  EXPECT_EQ(std::u16string(WceUiGetGlobals()->GetGlobalData()->GetWndDir()), u"\\SDMMC\\CECorvane\\Wnd\\");
  EXPECT_EQ(std::u16string(WceUiGetGlobals()->GetGlobalData()->GetResDir()), u"\\Res\\");
  WceUiSetPackPassword(u"pw");
  EXPECT_EQ(std::u16string(WceUiGetPackPassword()), u"pw");
}

TEST_F(WceUiResCacheTest, TheResourceDirectoryMayBeAPack) {
  PutResBmp(u"scratch.bmp", 6);
  const struct {
    std::u16string m_strName;
    std::string m_strBytes;
  } items[] = {
      {u"bitmap\\btn.conf", WceUiTextBytes(u"src=btn.bmp\r\ntc=0x010203\r\n")},
      {u"bitmap\\btn.bmp", Bytes(std::u16string(kResDir) + u"scratch.bmp")},
      {u"font\\f.font", WceUiTextBytes(u"height=21\r\n")},
      {u"color\\wceui.color", WceUiTextBytes(u"red=0xFF0000\r\n")},
  };
  CPackWriter writer;
  std::string error;
  std::string pack;
  for (const auto& item : items)
    ASSERT_TRUE(writer.AddItem(item.m_strName, item.m_strBytes, &error)) << error;
  ASSERT_TRUE(writer.Build(u"pw", &pack, &error)) << error;
  WceUiPutFile(u"\\SDMMC\\CECorvane\\ui.pack", pack);
  ASSERT_TRUE(WceUiInit(Instance(), u"Wnd", u"ui.pack", u"ui.pack\\lang.ini", FALSE));
  WceUiSetPackPassword(u"pw");

  CWceUiGenericBitmap* pBitmap = WceUiGetBitmap(u"btn.conf");
  ASSERT_NE(pBitmap, nullptr);
  EXPECT_EQ(pBitmap->GetWidth(), 6);
  COLORREF crTrans = 0;
  EXPECT_TRUE(pBitmap->GetTransColor(&crTrans));
  EXPECT_EQ(crTrans, RGB(1, 2, 3));
  CWceUiFont* pFont = WceUiGetFont(u"f.font");
  ASSERT_NE(pFont, nullptr);
  LOGFONTW lf;
  pFont->GetLogFont(&lf);
  EXPECT_EQ(lf.lfHeight, 21);
  CWceUiColor* pColor = WceUiGetColor(u"red");
  ASSERT_NE(pColor, nullptr);
  EXPECT_EQ(pColor->GetColor(), RGB(255, 0, 0));
  WceUiReleaseBitmap(pBitmap);
  WceUiReleaseFont(pFont);
  WceUiReleaseColor(pColor);
}
