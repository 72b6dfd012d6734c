// Window animations set up from a style file's `animate` children, their refusals (the parameter
// check, bad frames and directions, bad attributes), the random directions and the list of
// animation classes.
#include "wceui/animate/CWceUiBarnAni.h"
#include "wceui/animate/CWceUiBlendAni.h"
#include "wceui/animate/CWceUiComeAni.h"
#include "wceui/animate/CWceUiGoAni.h"
#include "wceui/animate/CWceUiSliderAni.h"

#include "platform/kernel/wcestr.h"
#include "tests/wceui/drawing/BitmapPeek.h"
#include "tests/wceui/resfiles/WceUiResFixture.h"
#include "wceui/base/WceUiGeometry.h"
#include "wceui/styles/CFhStyleFile.h"
#include "wceui/resfiles/WceUiBitmapFiles.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

const char16_t kStylePath[] = u"\\SDMMC\\CECorvane\\Wnd\\main.style.xml";

class WndAnimateSetup : public WceUiResFixture {
 protected:
  void LoadAnimates(const std::u16string& animates) {
    WceUiPutTextFile(kStylePath, u"<root><style><a/></style><animate>" + animates + u"</animate></root>");
    ASSERT_TRUE(m_File.LoadStyleFile(kStylePath));
    ClearLog();
  }
  std::unique_ptr<CWceUiWndAnimate> Get(const char16_t* pName) {
    return std::unique_ptr<CWceUiWndAnimate>(m_File.GetWndAnimate(pName));
  }
  static std::unique_ptr<CWceUiGenericBitmap> Bitmap(int nBits, int w, int h) {
    std::unique_ptr<CWceUiGenericBitmap> p(WceUiCreateBitmapObject(nBits));
    EXPECT_TRUE(p->CreateDIB(w, h));
    return p;
  }

  CFhStyleFile m_File;
};

TEST_F(WndAnimateSetup, EveryKindReadsItsAttributes) {
  LoadAnimates(
      u"<Wipe type=\"CWceUiBarnAni\" frame-count=\"8\" rect=\"10,20,300,200\" direction=\"Mid-UD\" "
      u"frame-length=\"40\"/>"
      u"<Fade type=\"CWceUiBlendAni\" frame-count=\"6\" frame-length=\"20\" direction=\"sideways\"/>"
      u"<Push type=\"CWceUiSliderAni\" direction=\"up\"/>"
      u"<In type=\"CWceUiComeAni\" direction=\"ud-mid\"/>"
      u"<Out type=\"CWceUiGoAni\" direction=\"MID-LR\" frame-length=\"1\"/>"
      u"<Bare type=\"CWceUiComeAni\"/>");
  const RECT kLarge = {-kWceUiLargeCoord, -kWceUiLargeCoord, kWceUiLargeCoord, kWceUiLargeCoord};
  const struct {
    const char16_t* m_pszName;
    const char16_t* m_pszClass;
    int m_nFrames;
    RECT m_rcRc;
    UINT m_nDirection;
    int m_nFrameLength;
  } cases[] = {
      {u"Wipe", u"CWceUiBarnAni", 8, {10, 20, 310, 220}, kWceUiAniMidUd, 40},
      // The cross-fade has no direction: the attribute is not read.
      {u"Fade", u"CWceUiBlendAni", 6, kLarge, kWceUiAniRight, 20},
      {u"Push", u"CWceUiSliderAni", 12, kLarge, kWceUiSliderUp, 33},
      {u"In", u"CWceUiComeAni", 12, kLarge, kWceUiAniUdMid, 33},
      {u"Out", u"CWceUiGoAni", 12, kLarge, kWceUiAniMidLr, 1},
      {u"Bare", u"CWceUiComeAni", 12, kLarge, kWceUiAniRight, 33},
  };
  for (const auto& c : cases) {
    std::unique_ptr<CWceUiWndAnimate> p = Get(c.m_pszName);
    ASSERT_NE(p, nullptr) << WceWideToUtf8(c.m_pszName);
    EXPECT_EQ(std::u16string(p->GetClassName()), c.m_pszClass);
    EXPECT_TRUE(p->IsKindOf(u"CWceUiWndAnimate"));
    EXPECT_EQ(std::u16string(p->GetName()), c.m_pszName);
    EXPECT_EQ(p->GetFrameCount(), c.m_nFrames) << WceWideToUtf8(c.m_pszName);
    RECT rc;
    p->GetRect(&rc);
    EXPECT_TRUE(EqualRect(&rc, &c.m_rcRc)) << WceWideToUtf8(c.m_pszName);
    EXPECT_EQ(p->GetDirection(), c.m_nDirection) << WceWideToUtf8(c.m_pszName);
    EXPECT_EQ(p->GetFrameLength(), c.m_nFrameLength) << WceWideToUtf8(c.m_pszName);
    EXPECT_TRUE(p->IsEnabled());
  }
  EXPECT_EQ(Messages(), std::vector<std::string>{});
}

TEST_F(WndAnimateSetup, BadElementsAreRefused) {
  LoadAnimates(
      u"<NoType frame-count=\"3\"/>"
      u"<Unknown type=\"CWceUiNoSuchAni\"/>"
      u"<Bitmap type=\"CWceUi32Bitmap\"/>"
      u"<ZeroLength type=\"CWceUiBarnAni\" frame-length=\"0\"/>"
      u"<FadeZero type=\"CWceUiBlendAni\" frame-length=\"0\"/>"
      u"<BadRect type=\"CWceUiGoAni\" rect=\"1,2\"/>"
      u"<InMidLr type=\"CWceUiComeAni\" direction=\"mid-lr\"/>"
      u"<OutLrMid type=\"CWceUiGoAni\" direction=\"lr-mid\"/>"
      u"<PushMid type=\"CWceUiSliderAni\" direction=\"lr-mid\"/>");
  const struct {
    const char16_t* m_pszName;
    std::vector<std::string> m_Messages;
  } cases[] = {
      {u"Missing",
       {"error: Can not load Missing element  in style file", "error: Can not load animate item Missing"}},
      {u"NoType", {"error: Load animate NoType failed, can not find type attribute"}},
      {u"Unknown",
       {"error: can not create class:CWceUiNoSuchAni, check WCEUI_DYNCREATE_BEGIN/ WCEUI_DYNCREATE_END",
        "error: Load animate Unknown failed, can not create object from type: CWceUiNoSuchAni"}},
      {u"Bitmap",
       {"error: Load animate Bitmap failed, the type CWceUi32Bitmap is not a kind of CWceUiWndAnimate"}},
      {u"ZeroLength",
       {"error: CWceUiBarnAni::Init, the frame-length 0 is not valid",
        "error: Load animate ZeroLength failed, call pNewAnimate->Init failed"}},
      {u"FadeZero",
       {"error: CWceUiBlendAni::Init, the frame-length 0 is not valid",
        "error: Load animate FadeZero failed, call pNewAnimate->Init failed"}},
      {u"BadRect",
       {"error: CWceUiWndAnimate::Init, Convert 1,2 to RECT failed",
        "error: In CWceUiGoAni::Init, CWceUiWndAnimate::Init return FALSE",
        "error: Load animate BadRect failed, call pNewAnimate->Init failed"}},
      {u"InMidLr",
       {"error: CWceUiComeAni::Init, the direction mid-lr is not valid",
        "error: Load animate InMidLr failed, call pNewAnimate->Init failed"}},
      {u"OutLrMid",
       {"error: CWceUiGoAni::Init, the direction lr-mid is not valid",
        "error: Load animate OutLrMid failed, call pNewAnimate->Init failed"}},
      {u"PushMid",
       {"error: CWceUiSliderAni::Init, the direction lr-mid is not valid",
        "error: Load animate PushMid failed, call pNewAnimate->Init failed"}},
  };
  for (const auto& c : cases) {
    ClearLog();
    EXPECT_EQ(Get(c.m_pszName), nullptr) << WceWideToUtf8(c.m_pszName);
    EXPECT_EQ(Messages(), c.m_Messages) << WceWideToUtf8(c.m_pszName);
  }
}

TEST_F(WndAnimateSetup, AFileNotLoadedGivesNoAnimation) {
  EXPECT_EQ(Get(u"Wipe"), nullptr);
  EXPECT_EQ(Messages(), std::vector<std::string>{
                            "error: CFhStyleFile::GetWndAnimate failed, the xml file is not loaded"});
}

// A count below 1 is reported and kept; the animation then refuses to start.
TEST_F(WndAnimateSetup, AFrameCountOfZeroIsKeptAndRefusedAtStart) {
  LoadAnimates(u"<Zero type=\"CWceUiGoAni\" frame-count=\"0\"/>");
  std::unique_ptr<CWceUiWndAnimate> p = Get(u"Zero");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(0, p->GetFrameCount());
  EXPECT_EQ(Messages(), std::vector<std::string>{"error: CWceUiWndAnimate::Init,check(nFrameCount > 0)fail"});
  std::unique_ptr<CWceUiGenericBitmap> a = Bitmap(32, 4, 4), b = Bitmap(32, 4, 4), c = Bitmap(32, 4, 4);
  ClearLog();
  EXPECT_FALSE(p->ReStart(a.get(), b.get(), c.get()));
  EXPECT_EQ(Messages(),
            (std::vector<std::string>{
                "error: In CWceUiWndAnimate::CheckParameter, GetFrameCount() must equal or more than 1",
                "error: In CWceUiWndAnimate::ReStart, CheckParameter failed"}));
}

TEST_F(WndAnimateSetup, ParameterCheckRefusals) {
  std::unique_ptr<CWceUiGenericBitmap> mixed = Bitmap(16, 6, 4), from = Bitmap(16, 6, 4),
                                       to = Bitmap(16, 6, 4);
  std::unique_ptr<CWceUiGenericBitmap> narrow = Bitmap(16, 5, 4);
  std::unique_ptr<CWceUiGenericBitmap> empty(WceUiCreateBitmapObject(16));
  const RECT kMissing = {6, 0, 20, 4};  // touches the right edge, shares no pixel
  const struct {
    const char* m_pszWhat;
    CWceUiGenericBitmap* m_pMixed;
    CWceUiGenericBitmap* m_pFrom;
    CWceUiGenericBitmap* m_pTo;
    bool m_bMissRect;
    std::string m_strMessage;
  } cases[] = {
      {"no mixed", nullptr, from.get(), to.get(), false, "check(NULL != pMixedBitmap)fail"},
      {"no from", mixed.get(), nullptr, to.get(), false, "check(NULL != pFromBitmap)fail"},
      {"no to", mixed.get(), from.get(), nullptr, false, "check(NULL != pToBitmap)fail"},
      {"to empty", mixed.get(), from.get(), empty.get(), false, "check(pToBitmap->IsLoaded())fail"},
      {"mixed narrow", narrow.get(), from.get(), to.get(), false,
       "In CWceUiWndAnimate::CheckParameter, the size of pMixedBitmap is not equal pFromBitmap"},
      {"to narrow", mixed.get(), from.get(), narrow.get(), false,
       "In CWceUiWndAnimate::CheckParameter, the size of pFromBitmap is not equal pToBitmap"},
      {"rect misses", mixed.get(), from.get(), to.get(), true,
       "In CWceUiWndAnimate::CheckParameter, there is no IntersectRect in m_rcAnimate and rcWndBitmap"},
  };
  for (const char16_t* pClass :
       {u"CWceUiBarnAni", u"CWceUiBlendAni", u"CWceUiSliderAni", u"CWceUiComeAni", u"CWceUiGoAni"}) {
    for (const auto& c : cases) {
      std::unique_ptr<CWceUiWndAnimate> p(static_cast<CWceUiWndAnimate*>(WceUiCreateObject(pClass)));
      if (c.m_bMissRect) p->SetRect(kMissing);
      ClearLog();
      EXPECT_FALSE(p->ReStart(c.m_pMixed, c.m_pFrom, c.m_pTo)) << c.m_pszWhat;
      EXPECT_EQ(1, CountMessages(c.m_strMessage)) << c.m_pszWhat;
      EXPECT_EQ(1, CountMessages("In CWceUiWndAnimate::ReStart, CheckParameter failed")) << c.m_pszWhat;
      ClearLog();
      DWORD dwLength = 0;
      EXPECT_FALSE(p->Play(c.m_pMixed, c.m_pFrom, c.m_pTo, 0, &dwLength)) << c.m_pszWhat;
      EXPECT_EQ(1, CountMessages(WceWideToUtf8(pClass) + "::Play failed, CheckParameter return FALSE"))
          << c.m_pszWhat;
    }
  }
}

TEST_F(WndAnimateSetup, PlayRefusesBadFramesAndDirections) {
  std::unique_ptr<CWceUiGenericBitmap> mixed = Bitmap(32, 6, 4), from = Bitmap(32, 6, 4),
                                       to = Bitmap(32, 6, 4);
  ASSERT_TRUE(mixed->FillColor(RGB(1, 2, 3), nullptr));
  ASSERT_TRUE(from->FillColor(RGB(4, 5, 6), nullptr));
  ASSERT_TRUE(to->FillColor(RGB(7, 8, 9), nullptr));
  const DWORD dwMixed = PeekPixel(mixed.get(), 0, 0);
  DWORD dwLength = 0;
  CWceUiComeAni come;
  come.SetFrameCount(3);
  EXPECT_FALSE(come.Play(mixed.get(), from.get(), to.get(), 3, &dwLength));
  EXPECT_EQ(1, CountMessages("check(nCurFrame < GetFrameCount())fail"));
  EXPECT_FALSE(come.Play(mixed.get(), from.get(), to.get(), 1, nullptr));
  EXPECT_EQ(1, CountMessages("check(NULL != lpPlayTime)fail"));
  const struct {
    const char16_t* m_pszClass;
    UINT m_nDirection;
  } bad[] = {
      {u"CWceUiBarnAni", 0}, {u"CWceUiBarnAni", 9}, {u"CWceUiSliderAni", 5}, {u"CWceUiComeAni", 6},
      {u"CWceUiComeAni", 8}, {u"CWceUiGoAni", 5},   {u"CWceUiGoAni", 7},
  };
  for (const auto& c : bad) {
    std::unique_ptr<CWceUiWndAnimate> p(static_cast<CWceUiWndAnimate*>(WceUiCreateObject(c.m_pszClass)));
    p->SetDirection(c.m_nDirection);
    ClearLog();
    // The last frame too: a bad direction never shows the new picture.
    EXPECT_FALSE(p->Play(mixed.get(), from.get(), to.get(), 11, &dwLength));
    EXPECT_EQ(Messages(), std::vector<std::string>{"error: " + WceWideToUtf8(c.m_pszClass) +
                                                   "::Play failed , direction " +
                                                   std::to_string(c.m_nDirection) + " is not valid"});
    EXPECT_EQ(dwMixed, PeekPixel(mixed.get(), 0, 0));
  }
}

TEST_F(WndAnimateSetup, RandomDirectionsComeFromTheKindsOwnSet) {
  const struct {
    const char16_t* m_pszClass;
    std::vector<UINT> m_Random;  // the direction for each random number 0, 1, ...
    UINT m_nModulo;
  } cases[] = {
      {u"CWceUiBarnAni", {1, 2, 3, 4, 5, 6, 7, 8}, 8},
      {u"CWceUiSliderAni", {1, 2, 3, 4}, 4},
      {u"CWceUiComeAni", {1, 2, 3, 4, 5, 7}, 6},
      {u"CWceUiGoAni", {1, 2, 3, 4, 6, 8}, 6},
  };
  for (const auto& c : cases) {
    std::unique_ptr<CWceUiWndAnimate> p(static_cast<CWceUiWndAnimate*>(WceUiCreateObject(c.m_pszClass)));
    for (unsigned seed = 1; seed <= 40; ++seed) {
      srand(seed);
      const unsigned r = static_cast<unsigned>(rand());
      srand(seed);
      p->SetRandomDirection();
      EXPECT_EQ(c.m_Random[r % c.m_nModulo], p->GetDirection()) << WceWideToUtf8(c.m_pszClass) << " " << r;
    }
  }
  CWceUiBlendAni fade;
  fade.SetRandomDirection();
  EXPECT_EQ(static_cast<UINT>(kWceUiAniRight), fade.GetDirection());
}

TEST_F(WndAnimateSetup, EveryKindIsListedOnce) {
  std::vector<std::u16string> names;
  for (int i = 0; i < WceUiGetAnimateClassCount(); ++i) names.push_back(WceUiGetAnimateClassName(i));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::u16string>{u"CWceUiBarnAni", u"CWceUiBlendAni", u"CWceUiComeAni",
                                                u"CWceUiGoAni", u"CWceUiSliderAni"}));
  WceUiAddAnimateClassName(u"CWceUiGoAni");
  EXPECT_EQ(5, WceUiGetAnimateClassCount());
  EXPECT_EQ(nullptr, WceUiGetAnimateClassName(5));
}

TEST_F(WndAnimateSetup, NamesKeepSixtyThreeCharacters) {
  CWceUiGoAni go;
  const std::u16string kLong(80, u'n');
  go.SetName(kLong.c_str());
  EXPECT_EQ(std::u16string(go.GetName()), kLong.substr(0, 63));
}

}  // namespace
