// Style files: every group of a style, the overwrite order, bad values, the cache and animation
// lookups.
#include "tests/wceui/resfiles/WceUiResFixture.h"
#include "wceui/resfiles/CFhGlobals.h"
#include "wceui/base/WceUiGeometry.h"
#include "wceui/styles/CFhStyleFile.h"
#include "wceui/styles/CWceUiStyle.h"

#include <functional>

namespace {

const char16_t kStylePath[] = u"\\SDMMC\\CECorvane\\Wnd\\main.style.xml";

class CFhStyleFileTest : public WceUiResFixture {
 protected:
  // A style file whose `style` element holds the given children.
  void LoadStyles(const std::u16string& styles, const std::u16string& rest = u"") {
    WceUiPutTextFile(kStylePath, u"<?xml version=\"1.0\"?>\r\n<root><style>" + styles + u"</style>" + rest +
                                     u"</root>\r\n");
    ASSERT_TRUE(m_File.LoadStyleFile(kStylePath));
    ClearLog();
  }
  CWceUiStyle Style(const char16_t* pName) {
    CWceUiStyle style;
    EXPECT_TRUE(m_File.GetStyleData(pName, &style)) << WceWideToUtf8(pName);
    return style;
  }
  static RECT Rect(LONG l, LONG t, LONG r, LONG b) { return RECT{l, t, r, b}; }
  static bool Same(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
  }

  CFhStyleFile m_File;
};

}  // namespace

TEST_F(CFhStyleFileTest, EveryGroupOfAStyle) {
  PutResText(u"color\\wceui.color", u"sky=0080FF\r\n0x=102030\r\n");
  LoadStyles(
      u"<pos><Position rect=\"1,2,30,40\" WAY=\"relative\"/></pos>"
      u"<posbare><position way=\"relative\"/></posbare>"
      u"<poswin><position rect=\"5,5,10,10\" way=\"parent\"/></poswin>"
      u"<layout><layout visibility=\"TRUE\" disability=\"true\" container=\"yes\"/></layout>"
      u"<hidden><layout visibility=\"false\"/></hidden>"
      u"<text><text res-id=\"hello\" color=\"0xFF0000\"><font id=\"title.font\"/></text></text>"
      u"<textid><text color=\"sky\"><font/></text></textid>"
      u"<short><text color=\"0x\"/></short>"
      u"<dt0><text><drawtext/></text></dt0>"
      u"<dt36><text><drawtext valign=\"center\"/></text></dt36>"
      u"<dt37><text><drawtext align=\"center\" valign=\"center\" multiline=\"false\"/></text></dt37>"
      u"<dt42><text><drawtext align=\"right\" valign=\"bottom\" multiline=\"true\" "
      u"rect=\"0,0,8,9\"/></text></dt42>"
      u"<bgt><background color=\"Transparent\"/></bgt>"
      u"<bgv><background color=\"0x00FF00\"/></bgv>"
      u"<bgid><background color=\"sky\"/></bgid>"
      u"<alpha><filters><alpha enabled=\"true\" opacity=\"255\"/></filters></alpha>"
      u"<alphaoff><filters><alpha opacity=\"7\"/></filters></alphaoff>"
      u"<mixv><filters><mixcolor enabled=\"true\" opacity=\"9\" color=\"0x0000FF\"/></filters></mixv>"
      u"<mixid><filters><mixcolor enabled=\"true\" color=\"sky\"/></filters></mixid>"
      u"<mixnone><filters><mixcolor enabled=\"true\" opacity=\"3\"/></filters></mixnone>"
      u"<adv><adv-properties no-draw=\"true\" no-input=\"false\"/></adv>");
  const struct {
    const char16_t* m_pszName;
    std::vector<WceUiStyleHas> m_Has;
    std::function<void(CWceUiStyle&)> m_fnCheck;
  } cases[] = {
      {u"pos",
       {kStyleHasPosition},
       [](CWceUiStyle& s) {
         RECT rc;
         EXPECT_EQ(s.GetPosition(&rc), WCEUI_POSITION_RELATIVE);
         EXPECT_TRUE(Same(rc, Rect(1, 2, 31, 42)));
       }},
      {u"posbare",
       {kStyleHasPosition},
       [](CWceUiStyle& s) {
         RECT rc;
         EXPECT_EQ(s.GetPosition(&rc), WCEUI_POSITION_RELATIVE);
         EXPECT_TRUE(Same(rc, Rect(0, 0, 0, 0)));
       }},
      {u"poswin",
       {kStyleHasPosition},
       [](CWceUiStyle& s) {
         RECT rc;
         EXPECT_EQ(s.GetPosition(&rc), WCEUI_POSITION_WINDOW);
         EXPECT_TRUE(Same(rc, Rect(5, 5, 15, 15)));
       }},
      {u"layout",
       {kStyleHasShow, kStyleHasEnable, kStyleHasContainer},
       [](CWceUiStyle& s) {
         EXPECT_TRUE(s.GetShow());
         EXPECT_FALSE(s.GetEnable());
         EXPECT_FALSE(s.GetContainer());
       }},
      {u"hidden",
       {kStyleHasShow},
       [](CWceUiStyle& s) {
         EXPECT_FALSE(s.GetShow());
         EXPECT_TRUE(s.GetEnable());
       }},
      {u"text",
       {kStyleHasTextID, kStyleHasTextColor, kStyleHasFont},
       [](CWceUiStyle& s) {
         EXPECT_EQ(std::u16string(s.GetTextResID()), u"hello");
         EXPECT_EQ(s.GetTextColor(), RGB(255, 0, 0));
         EXPECT_EQ(s.GetFontCtrl().GetKind(), kWceUiResById);
         EXPECT_EQ(std::u16string(s.GetFontCtrl().GetFontResID()), u"title.font");
       }},
      {u"textid",
       {kStyleHasTextColor, kStyleHasFont},
       [](CWceUiStyle& s) {
         EXPECT_EQ(std::u16string(s.GetTextColorCtrl().GetColorResID()), u"sky");
         EXPECT_EQ(s.GetTextColor(), RGB(0, 128, 255));
         EXPECT_EQ(s.GetFontCtrl().GetKind(), kWceUiResOwn);
       }},
      {u"short",
       {kStyleHasTextColor},
       [](CWceUiStyle& s) {
         EXPECT_EQ(s.GetTextColorCtrl().GetKind(), kWceUiResById);
         EXPECT_EQ(s.GetTextColor(), RGB(16, 32, 48));
       }},
      {u"dt0",
       {kStyleHasDrawText},
       [](CWceUiStyle& s) {
         EXPECT_EQ(s.GetDrawTextCtrl().GetFormat(), 0u);
         RECT rc;
         s.GetDrawTextCtrl().GetRect(&rc);
         EXPECT_TRUE(IsRectLarge(&rc));
       }},
      {u"dt36", {kStyleHasDrawText}, [](CWceUiStyle& s) { EXPECT_EQ(s.GetDrawTextCtrl().GetFormat(), 36u); }},
      {u"dt37", {kStyleHasDrawText}, [](CWceUiStyle& s) { EXPECT_EQ(s.GetDrawTextCtrl().GetFormat(), 37u); }},
      {u"dt42",
       {kStyleHasDrawText},
       [](CWceUiStyle& s) {
         EXPECT_EQ(s.GetDrawTextCtrl().GetFormat(), 42u);
         RECT rc;
         s.GetDrawTextCtrl().GetRect(&rc);
         EXPECT_TRUE(Same(rc, Rect(0, 0, 8, 9)));
       }},
      {u"bgt",
       {kStyleHasBgColor},
       [](CWceUiStyle& s) {
         EXPECT_TRUE(s.GetBgColorCtrl().IsHasBgColor());
         EXPECT_TRUE(s.GetBgColorCtrl().IsTransparent());
       }},
      {u"bgv",
       {kStyleHasBgColor},
       [](CWceUiStyle& s) {
         EXPECT_FALSE(s.GetBgColorCtrl().IsTransparent());
         EXPECT_EQ(s.GetBgColorCtrl().GetColor(), RGB(0, 255, 0));
       }},
      {u"bgid",
       {kStyleHasBgColor},
       [](CWceUiStyle& s) { EXPECT_EQ(s.GetBgColorCtrl().GetColor(), RGB(0, 128, 255)); }},
      {u"alpha",
       {kStyleHasAlphaFilter},
       [](CWceUiStyle& s) {
         int nOpacity = -2;
         EXPECT_TRUE(s.GetAlphaFilterCtrl().GetFilter(&nOpacity));
         EXPECT_EQ(nOpacity, 255);
       }},
      {u"alphaoff",
       {kStyleHasAlphaFilter},
       [](CWceUiStyle& s) {
         int nOpacity = -2;
         EXPECT_FALSE(s.GetAlphaFilterCtrl().GetFilter(&nOpacity));
         EXPECT_EQ(nOpacity, -2);
       }},
      {u"mixv",
       {kStyleHasMixColorFilter},
       [](CWceUiStyle& s) {
         COLORREF cr = 0;
         int nOpacity = 0;
         EXPECT_TRUE(s.GetMixColorFilterCtrl().GetFilter(&cr, &nOpacity));
         EXPECT_EQ(cr, RGB(0, 0, 255));
         EXPECT_EQ(nOpacity, 9);
       }},
      {u"mixid",
       {kStyleHasMixColorFilter},
       [](CWceUiStyle& s) {
         COLORREF cr = 0;
         int nOpacity = -2;
         EXPECT_TRUE(s.GetMixColorFilterCtrl().GetFilter(&cr, &nOpacity));
         EXPECT_EQ(cr, RGB(0, 128, 255));
         EXPECT_EQ(nOpacity, 0);
       }},
      {u"mixnone",
       {kStyleHasMixColorFilter},
       [](CWceUiStyle& s) {
         COLORREF cr = 1;
         int nOpacity = 0;
         EXPECT_TRUE(s.GetMixColorFilterCtrl().GetFilter(&cr, &nOpacity));
         EXPECT_EQ(cr, RGB(0, 0, 0));
         EXPECT_EQ(nOpacity, 3);
       }},
      {u"adv",
       {kStyleHasNoDraw, kStyleHasNoInput},
       [](CWceUiStyle& s) {
         EXPECT_TRUE(s.GetNoDraw());
         EXPECT_FALSE(s.GetNoInput());
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(WceWideToUtf8(c.m_pszName));
    CWceUiStyle style = Style(c.m_pszName);
    for (int i = 0; i < kStyleHasCount; ++i) {
      bool bExpected = false;
      for (WceUiStyleHas h : c.m_Has) bExpected |= h == i;
      EXPECT_EQ(style.GetHas(static_cast<WceUiStyleHas>(i)), bExpected ? TRUE : FALSE) << "flag " << i;
    }
    c.m_fnCheck(style);
  }
  EXPECT_TRUE(Messages().empty());
}

TEST_F(CFhStyleFileTest, BackgroundItems) {
  LoadStyles(
      u"<bg><background color=\"0x010203\">"
      u"<item/>"
      u"<pic name=\"first\" id=\"btn/up.conf\" common-index=\"3\" align=\"left\" valign=\"top\"/>"
      u"<x src-rect=\"1,1,4,4\" dst-rect=\"10,20,30,40\" align=\"right\" valign=\"bottom\" zoom=\"TRUE\"/>"
      u"<y align=\"middle\" valign=\"center\"/>"
      u"</background></bg>"
      u"<plain><background color=\"0x010203\"></background></plain>");
  CWceUiStyle style = Style(u"bg");
  EXPECT_TRUE(style.GetHas(kStyleHasBgItems));
  CWceUiBgItemCtrl& items = style.GetBgItemCtrl();
  ASSERT_EQ(items.GetCount(), 4);
  const struct {
    UINT m_nAlign;
    BOOL m_bZoom;
    int m_nCommonIndex;
  } expect[] = {{5, FALSE, 0}, {0, FALSE, 3}, {10, TRUE, 0}, {5, FALSE, 0}};
  int i = 0;
  for (CWceUiBgItem* p = items.GetHead(); p != nullptr; p = items.GetNext(p), ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(p->GetAlign(), expect[i].m_nAlign);
    EXPECT_EQ(p->GetZoom(), expect[i].m_bZoom);
    EXPECT_EQ(p->GetCommonIndex(), expect[i].m_nCommonIndex);
  }
  CWceUiBgItem* pFirst = items.GetByName(u"first");
  ASSERT_NE(pFirst, nullptr);
  EXPECT_EQ(std::u16string(pFirst->GetBitmapResID()), u"btn/up.conf");
  EXPECT_EQ(items.GetByName(u"First"), nullptr);
  RECT rc;
  items.GetHead()->GetSrcRect(&rc);
  EXPECT_TRUE(IsRectLarge(&rc));
  CWceUiBgItem* pThird = items.GetNext(pFirst);
  pThird->GetSrcRect(&rc);
  EXPECT_TRUE(Same(rc, Rect(1, 1, 5, 5)));
  pThird->GetDstRect(&rc);
  EXPECT_TRUE(Same(rc, Rect(10, 20, 40, 60)));
  EXPECT_EQ(Messages(),
            std::vector<std::string>{"error: can not load style bg, middle is not valid for align"});

  CWceUiStyle plain = Style(u"plain");
  EXPECT_FALSE(plain.GetHas(kStyleHasBgItems));
  EXPECT_EQ(plain.GetBgItemCtrl().GetCount(), 0);
}

TEST_F(CFhStyleFileTest, BadValuesFailTheWholeStyle) {
  LoadStyles(
      u"<op256><filters><alpha enabled=\"true\" opacity=\"256\"/></filters></op256>"
      u"<opneg><filters><mixcolor opacity=\"-1\"/></filters></opneg>"
      u"<dtrect><text><drawtext rect=\"1,2,3\"/></text></dtrect>"
      u"<src><background><i src-rect=\"a,b,c,d\"/></background></src>"
      u"<dst><background><i dst-rect=\"1,2\"/></background></dst>"
      u"<pos><position rect=\"x\"/></pos>"
      u"<missing overwrite=\"nothere\"/>"
      u"<self overwrite=\"self\"/>"
      u"<early overwrite=\"late\"/>"
      u"<late/>");
  const struct {
    const char16_t* m_pszName;
    std::vector<std::string> m_Messages;
  } cases[] = {
      {u"op256",
       {"error: can not load style op256, 256 is not valid alpha value", "error: can not load style op256"}},
      {u"opneg",
       {"error: can not load style opneg, -1 is not valid alpha value", "error: can not load style opneg"}},
      {u"dtrect",
       {"error: can not load style dtrect, 1,2,3 is not a valid rect", "error: can not load style dtrect"}},
      {u"src",
       {"error: can not load style src, a,b,c,d is not a valid rect", "error: can not load style src"}},
      {u"dst", {"error: can not load style dst, 1,2 is not a valid rect", "error: can not load style dst"}},
      {u"pos", {"error: can not load style pos, x is not a valid rect", "error: can not load style pos"}},
      {u"missing", {"error: overwrite: can not find style nothere", "error: can not load style missing"}},
      {u"self",
       {"error: style self can not overwrite self, not right order", "error: can not load style self"}},
      {u"early",
       {"error: style early can not overwrite late, not right order", "error: can not load style early"}},
      {u"absent", {"error: Load style absent failed, can not find"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(WceWideToUtf8(c.m_pszName));
    ClearLog();
    CWceUiStyle style;
    EXPECT_FALSE(m_File.GetStyleData(c.m_pszName, &style));
    EXPECT_EQ(Messages(), c.m_Messages);
  }
  EXPECT_EQ(m_File.GetCachedStyleCount(), 0);
  // Nothing was cached: the next request reads the element again, and fails again.
  ClearLog();
  CWceUiStyle style;
  EXPECT_FALSE(m_File.GetStyleData(u"op256", &style));
  EXPECT_EQ(Messages().size(), 2u);
}

TEST_F(CFhStyleFileTest, OverwriteKeepsWhatTheLaterStyleDoesNotGive) {
  LoadStyles(
      u"<base><position rect=\"0,0,100,50\"/><text res-id=\"base\" color=\"0x112233\"/>"
      u"<background><a name=\"a\"/></background></base>"
      u"<child overwrite=\"base\"><text res-id=\"child\"/><layout visibility=\"false\"/></child>"
      u"<grandchild overwrite=\"child\"><position rect=\"1,1,2,2\"/><background><b "
      u"name=\"b\"/><c/></background>"
      u"</grandchild>");
  CWceUiStyle grand = Style(u"grandchild");
  RECT rc;
  grand.GetPosition(&rc);
  EXPECT_TRUE(Same(rc, Rect(1, 1, 3, 3)));
  EXPECT_EQ(std::u16string(grand.GetTextResID()), u"child");
  EXPECT_EQ(grand.GetTextColor(), RGB(0x11, 0x22, 0x33));
  EXPECT_FALSE(grand.GetShow());
  EXPECT_EQ(grand.GetBgItemCtrl().GetCount(), 2);
  EXPECT_NE(grand.GetBgItemCtrl().GetByName(u"b"), nullptr);
  EXPECT_TRUE(grand.GetHas(kStyleHasTextColor));
  EXPECT_TRUE(grand.GetHas(kStyleHasShow));
  // Every style of the chain landed in the cache.
  EXPECT_EQ(m_File.GetCachedStyleCount(), 3);

  CWceUiStyle child = Style(u"child");
  child.GetPosition(&rc);
  EXPECT_TRUE(Same(rc, Rect(0, 0, 100, 50)));
  EXPECT_EQ(child.GetBgItemCtrl().GetCount(), 1);
  // Callers get copies: changing one leaves the cached style as it was.
  child.SetTextResID(u"changed");
  EXPECT_EQ(std::u16string(Style(u"child").GetTextResID()), u"child");
  EXPECT_TRUE(Messages().empty());
}

TEST_F(CFhStyleFileTest, AnOverwriteChainEndsAtItsDepthLimit) {
  auto chain = [](int nLength) {
    std::u16string text = u"<s0><text res-id=\"root\"/></s0>";
    for (int i = 1; i < nLength; ++i) {
      text += u"<s" + WceUtf8ToWide(std::to_string(i)) + u" overwrite=\"s" +
              WceUtf8ToWide(std::to_string(i - 1)) + u"\"/>";
    }
    return text;
  };
  LoadStyles(chain(CFhStyleFile::kMaxOverwriteDepth + 1));
  EXPECT_EQ(std::u16string(Style(u"s64").GetTextResID()), u"root");

  LoadStyles(chain(CFhStyleFile::kMaxOverwriteDepth + 2));
  CWceUiStyle style;
  EXPECT_FALSE(m_File.GetStyleData(u"s65", &style));
  EXPECT_EQ(CountMessages("can not overwrite s0, more than 64 styles deep"), 1);
}

TEST_F(CFhStyleFileTest, StyleNamesCountLetterCase) {
  LoadStyles(u"<Btn><layout container=\"true\"/></Btn>");
  EXPECT_EQ(m_File.GetStyleNameIndex(u"Btn"), 0);
  EXPECT_EQ(m_File.GetStyleNameIndex(u"btn"), -1);
  EXPECT_EQ(m_File.GetStyleNameIndex(u""), -1);
  CWceUiStyle style;
  EXPECT_FALSE(m_File.GetStyleData(u"btn", &style));
  EXPECT_TRUE(Style(u"Btn").GetContainer());
}

TEST_F(CFhStyleFileTest, LoadingAgainEmptiesTheCacheAndAFileWithoutStylesLoads) {
  LoadStyles(u"<a/>");
  Style(u"a");
  EXPECT_EQ(m_File.GetCachedStyleCount(), 1);
  WceUiPutTextFile(kStylePath, u"<root><animate/></root>");
  EXPECT_TRUE(m_File.LoadStyleFile(kStylePath));
  EXPECT_EQ(m_File.GetCachedStyleCount(), 0);
  EXPECT_EQ(m_File.GetStyleNameIndex(u"a"), -1);

  ClearLog();
  EXPECT_FALSE(m_File.LoadStyleFile(u"\\SDMMC\\CECorvane\\Wnd\\none.xml"));
  EXPECT_FALSE(m_File.IsLoaded());
  EXPECT_EQ(
      CountMessages("CFhStyleFile::LoadStyleFile load xml file \\SDMMC\\CECorvane\\Wnd\\none.xml failed"), 1);
  CWceUiStyle style;
  EXPECT_FALSE(m_File.GetStyleData(u"a", &style));
}

TEST_F(CFhStyleFileTest, AnimationLookups) {
  LoadStyles(u"<a/>", u"<animate><Slide type=\"CWceUiSlideAnimate\"/></animate>");
  EXPECT_NE(m_File.GetAnimateElem(u"slide"), nullptr);
  EXPECT_TRUE(m_File.DoesHaveAnimate(u"Slide"));
  EXPECT_FALSE(m_File.DoesHaveAnimate(u"Fade"));
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(m_File.GetAnimateElem(u"Fade"), nullptr);
  EXPECT_EQ(Messages(), std::vector<std::string>{"error: Can not load Fade element  in style file"});

  LoadStyles(u"<a/>");
  EXPECT_FALSE(m_File.DoesHaveAnimate(u"Slide"));
  EXPECT_EQ(m_File.GetAnimateElem(u"Slide"), nullptr);
  EXPECT_EQ(Messages(), std::vector<std::string>{"error: Can not load animate element in style file"});
}
