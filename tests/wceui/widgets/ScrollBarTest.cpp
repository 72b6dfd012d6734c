// Scroll bars built from a dialog file: the parts take their axis and role from the bar and their
// names, the thumb drags within its range and reports track and position to the bar's owner, the
// track pages or places the thumb, and a held arrow steps at once, after 500 ms and every 60 ms.
#include "tests/wceui/drawing/BitmapPeek.h"
#include "tests/wceui/widgets/WidgetDlgFixture.h"
#include "wceui/widgets/CWceUiScrBtn.h"
#include "wceui/widgets/CWceUiScrPage.h"
#include "wceui/widgets/CWceUiScrThumb.h"
#include "wceui/resfiles/CWceUiXmlDoc.h"
#include "wceui/widgets/CWceUiScroll.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using Lines = std::vector<std::string>;

constexpr char16_t kBars[] =
    u"<vbar type=\"CWceUiScroll\" name=\"vbar\" scroll-type=\"V\" style=\"vbar\">"
    u"<page type=\"CWceUiScrPage\" name=\"page\" style=\"vpage\"/>"
    u"<thumb type=\"CWceUiScrThumb\" name=\"thumb\" style=\"vthumb\" drag.style=\"vdrag\"/>"
    u"<up type=\"CWceUiScrBtn\" name=\"up\" style=\"vup\" down.style=\"vup_down\"/>"
    u"<down type=\"CWceUiScrBtn\" name=\"Down\" step=\"PAGE\" style=\"vdown\"/>"
    u"</vbar>"
    u"<hbar type=\"CWceUiScroll\" name=\"hbar\" scroll-type=\"h\" auto-hide=\"true\" style=\"hbar\">"
    u"<page type=\"CWceUiScrPage\" name=\"page\" click=\"pos\" style=\"hpage\"/>"
    u"<thumb type=\"CWceUiScrThumb\" name=\"thumb\" style=\"hthumb\"/>"
    u"<left type=\"CWceUiScrBtn\" name=\"left\" style=\"hleft\"/>"
    u"<right type=\"CWceUiScrBtn\" name=\"right\" step=\"line\" style=\"hright\"/>"
    u"</hbar>"
    u"<nobar type=\"CWceUiScroll\" name=\"nobar\"><thumb type=\"CWceUiScrThumb\" name=\"thumb\"/></nobar>";

// A vertical bar down the right edge, a horizontal one along the bottom.
constexpr char16_t kBarStyles[] =
    u"<vbar><position rect=\"180,0,20,200\"/></vbar>"
    u"<hbar><position rect=\"0,180,180,20\"/></hbar>"
    u"<vpage><position rect=\"180,20,20,160\"/></vpage>"
    u"<vthumb><position rect=\"180,40,20,30\"/></vthumb>"
    u"<vdrag><position rect=\"0,0,5,5\"/><background color=\"0x00FF00\"/></vdrag>"
    u"<vup><position rect=\"180,0,20,20\"/></vup>"
    u"<vup_down><position rect=\"180,0,20,20\"/><background color=\"0x0000FF\"/></vup_down>"
    u"<vdown><position rect=\"180,180,20,20\"/></vdown>"
    u"<hpage><position rect=\"20,180,140,20\"/></hpage>"
    u"<hthumb><position rect=\"40,180,30,20\"/></hthumb>"
    u"<hleft><position rect=\"0,180,20,20\"/></hleft>"
    u"<hright><position rect=\"160,180,20,20\"/></hright>";

class ScrollBarTest : public WidgetDlgFixture {
 protected:
  void SetUp() override {
    SetUpSized(200, 200);
    ASSERT_NE(Open(kBars, kBarStyles), nullptr);
  }
  RECT WindowRect(CWceUiLayer* p) {
    RECT rc;
    p->GetWindowRect(&rc);
    return rc;
  }
};

TEST_F(ScrollBarTest, ThePartsTakeTheirAxisFromTheBarAndTheirRoleFromTheirName) {
  auto* pV = FindAs<CWceUiScroll>("vbar");
  auto* pH = FindAs<CWceUiScroll>("hbar");
  auto* pNone = FindAs<CWceUiScroll>("nobar");
  ASSERT_TRUE(pV != nullptr && pH != nullptr && pNone != nullptr);
  EXPECT_EQ(pV->GetScrollType(), kWceUiScrollVertical);
  EXPECT_EQ(pH->GetScrollType(), kWceUiScrollHorizontal);
  EXPECT_TRUE(pH->IsAutoHide());
  EXPECT_FALSE(pV->IsAutoHide());
  // A bar without an axis is reported and stays without one.
  EXPECT_EQ(pNone->GetScrollType(), kWceUiScrollNone);
  EXPECT_EQ(CountMessages("scroll-type of nobar must be H or V"), 1);
  EXPECT_TRUE(pV->IsContainer());
  EXPECT_EQ(pV->GetThumb(), FindAs<CWceUiScrThumb>("vbar/thumb"));
  EXPECT_EQ(pH->GetPage(), FindAs<CWceUiScrPage>("hbar/page"));
  EXPECT_EQ(pV->GetThumb()->GetDirection(), kWceUiScrollVertical);
  EXPECT_EQ(pH->GetThumb()->GetDirection(), kWceUiScrollHorizontal);
  EXPECT_EQ(pNone->GetThumb()->GetDirection(), kWceUiScrollNone);
  EXPECT_EQ(pV->GetPage()->GetClickMode(), kWceUiScrPageStep);
  EXPECT_EQ(pH->GetPage()->GetClickMode(), kWceUiScrPageJump);

  struct Case {
    const char* m_pszPath;
    int m_nRole;
    int m_nStep;
  } cases[] = {
      {"vbar/up", kWceUiScrollRoleUp, kWceUiScrollStepLine},
      {"vbar/Down", kWceUiScrollRoleDown, kWceUiScrollStepPage},
      {"hbar/left", kWceUiScrollRoleLeft, kWceUiScrollStepLine},
      {"hbar/right", kWceUiScrollRoleRight, kWceUiScrollStepLine},
  };
  for (const Case& c : cases) {
    auto* p = FindAs<CWceUiScrBtn>(c.m_pszPath);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->GetRole(), c.m_nRole) << WidgetNarrow(p->GetName());
    EXPECT_EQ(p->GetStep(), c.m_nStep) << WidgetNarrow(p->GetName());
  }
}

TEST_F(ScrollBarTest, ADraggedThumbStaysInItsRangeAndReportsTrackAndPosition) {
  auto* pThumb = FindAs<CWceUiScrThumb>("vbar/thumb");
  pThumb->SetYRange(20, 150);
  Press(WM_LBUTTONDOWN, 190, 50);
  EXPECT_TRUE(pThumb->IsDragging());
  struct Move {
    DWORD m_dwAfter;  // ms after the previous step
    int m_nX, m_nY;
    int m_nTop;
    Lines m_Notes;
  } moves[] = {
      // The drag style does not move the thumb; a vertical thumb ignores x.
      {0, 230, 80, 70, {"vtrack vbar"}},    {50, 190, 90, 80, {}},   // within 100 ms of the last report
      {50, 190, 95, 85, {"vtrack vbar"}},   {100, 190, 95, 85, {}},  // nowhere new
      {10, 190, 199, 150, {"vtrack vbar"}},                          // the range's end
      {100, 190, 0, 20, {"vtrack vbar"}},                            // and the other
  };
  for (const Move& m : moves) {
    Pass(m.m_dwAfter);
    m_Lines.clear();
    Press(WM_MOUSEMOVE, m.m_nX, m.m_nY);
    const RECT rc = WindowRect(pThumb);
    EXPECT_EQ(rc.top, m.m_nTop) << m.m_nY;
    EXPECT_EQ(rc.left, 180) << m.m_nY;
    EXPECT_EQ(rc.bottom - rc.top, 30) << m.m_nY;
    EXPECT_EQ(m_Lines, m.m_Notes) << m.m_nY;
  }
  // The release always reports where the thumb came to rest, at once.
  m_Lines.clear();
  Press(WM_LBUTTONUP, 190, 30);
  EXPECT_EQ(m_Lines, Lines{"vposition vbar"});
  // The release point moves it on by the last segment.
  EXPECT_EQ(WindowRect(pThumb).top, 50);
  EXPECT_FALSE(pThumb->IsDragging());
  EXPECT_EQ(m_pWnd->GetCaptureLayer(), nullptr);

  // A horizontal thumb does not follow the finger up.
  auto* pH = FindAs<CWceUiScrThumb>("hbar/thumb");
  Pass(1);
  Press(WM_LBUTTONDOWN, 50, 190);
  Press(WM_MOUSEMOVE, 50, 150);
  EXPECT_EQ(WindowRect(pH).left, 40);
  EXPECT_EQ(WindowRect(pH).top, 180);
  // A lost capture ends the drag without a report.
  m_Lines.clear();
  ::ReleaseCapture();
  Pump();
  EXPECT_FALSE(pH->IsDragging());
  EXPECT_TRUE(m_Lines.empty());
}

TEST_F(ScrollBarTest, TheTrackPagesTowardThePressOrPlacesTheThumb) {
  FindAs<CWceUiScrThumb>("hbar/thumb")->SetXRange(20, 130);
  struct Case {
    int m_nX, m_nY;
    Lines m_Notes;
    int m_nHThumbLeft;
  } cases[] = {
      {190, 150, {"vpagedown vbar"}, 40},  {190, 30, {"vpageup vbar"}, 40},
      {120, 190, {"hposition hbar"}, 120}, {150, 190, {"hposition hbar"}, 130},  // within the thumb's range
      {25, 190, {"hposition hbar"}, 25},
  };
  for (const Case& c : cases) {
    m_Lines.clear();
    Press(WM_LBUTTONDOWN, c.m_nX, c.m_nY);
    Press(WM_LBUTTONUP, c.m_nX, c.m_nY);
    EXPECT_EQ(m_Lines, c.m_Notes) << c.m_nX << "," << c.m_nY;
    EXPECT_EQ(WindowRect(Find("hbar/thumb")).left, c.m_nHThumbLeft) << c.m_nX;
    Pass(1);
  }
  // The track's own handler leaves a press on the thumb to the thumb, and a press off the track.
  m_Lines.clear();
  auto* pPage = FindAs<CWceUiScrPage>("vbar/page");
  pPage->OnLButtonDown(0, 190, 50);
  pPage->OnLButtonDown(0, 100, 100);
  EXPECT_TRUE(m_Lines.empty());
}

TEST_F(ScrollBarTest, AHeldArrowStepsAtOnceAfterHalfASecondAndThenEverySixtyMs) {
  struct Case {
    int m_nX, m_nY;
    DWORD m_dwHeld;
    const char* m_pszNote;
    int m_nSteps;
  } cases[] = {
      {190, 10, 400, "vlineup vbar", 1}, {190, 10, 500, "vlineup vbar", 2},
      {190, 10, 620, "vlineup vbar", 4}, {190, 190, 560, "vpagedown vbar", 3},
      {10, 190, 0, "hlineleft hbar", 1}, {170, 190, 0, "hlineright hbar", 1},
  };
  for (const Case& c : cases) {
    m_Lines.clear();
    Press(WM_LBUTTONDOWN, c.m_nX, c.m_nY);
    Pass(c.m_dwHeld);
    Press(WM_LBUTTONUP, c.m_nX, c.m_nY);
    Pass(200);  // nothing after the release
    EXPECT_EQ(m_Lines, Lines(c.m_nSteps, c.m_pszNote)) << c.m_pszNote << " " << c.m_dwHeld;
  }
  // The down style shows while held, and the capture's loss ends the press.
  auto* pUp = FindAs<CWceUiScrBtn>("vbar/up");
  Press(WM_LBUTTONDOWN, 190, 10);
  EXPECT_TRUE(pUp->IsPressed());
  EXPECT_TRUE(pUp->GetStyle()->GetBgColorCtrl().IsHasBgColor());
  ::ReleaseCapture();
  Pump();
  EXPECT_FALSE(pUp->IsPressed());
  m_Lines.clear();
  Pass(600);
  EXPECT_TRUE(m_Lines.empty());
}

TEST_F(ScrollBarTest, APressOnAPartThatStillHoldsTheCaptureStartsAFreshPress) {
  // The release of the first press never came: the second press reaches the part through its
  // capture. It ends the first press and starts its own, which its release ends as usual.
  struct Case {
    const char* m_pszPath;
    int m_nX, m_nY;          // both presses
    int m_nXMove, m_nYMove;  // then a move and the release there
    Lines m_Notes;           // with a later tap on the vertical track at 190,150
    int m_nLeft, m_nTop;     // of the part afterwards
  } cases[] = {
      {"vbar/thumb", 190, 50, 190, 80, {"vtrack vbar", "vposition vbar", "vpagedown vbar"}, 180, 70},
      {"hbar/thumb", 50, 190, 70, 190, {"htrack hbar", "hposition hbar", "vpagedown vbar"}, 60, 180},
      {"vbar/up", 190, 10, 190, 12, {"vlineup vbar", "vlineup vbar", "vpagedown vbar"}, 180, 0},
      {"hbar/right", 170, 190, 171, 190, {"hlineright hbar", "hlineright hbar", "vpagedown vbar"}, 160, 180},
  };
  for (const Case& c : cases) {
    CloseDlg();
    ASSERT_NE(Open(kBars, kBarStyles), nullptr);
    CWceUiLayer* pPart = Find(c.m_pszPath);
    ASSERT_NE(pPart, nullptr) << c.m_pszPath;
    m_Lines.clear();
    Press(WM_LBUTTONDOWN, c.m_nX, c.m_nY);
    ASSERT_EQ(m_pWnd->GetCaptureLayer(), pPart) << c.m_pszPath;
    Press(WM_LBUTTONDOWN, c.m_nX, c.m_nY);
    Press(WM_MOUSEMOVE, c.m_nXMove, c.m_nYMove);
    Press(WM_LBUTTONUP, c.m_nXMove, c.m_nYMove);
    EXPECT_EQ(m_pWnd->GetCaptureLayer(), nullptr) << c.m_pszPath;
    Pass(600);  // a held arrow would step again by now
    Press(WM_LBUTTONDOWN, 190, 150);
    Press(WM_LBUTTONUP, 190, 150);
    EXPECT_EQ(m_Lines, c.m_Notes) << c.m_pszPath;
    const RECT rc = WindowRect(pPart);
    EXPECT_EQ(rc.left, c.m_nLeft) << c.m_pszPath;
    EXPECT_EQ(rc.top, c.m_nTop) << c.m_pszPath;
    if (auto* pThumb = dynamic_cast<CWceUiScrThumb*>(pPart)) {
      EXPECT_FALSE(pThumb->IsDragging()) << c.m_pszPath;
    }
    if (auto* pBtn = dynamic_cast<CWceUiScrBtn*>(pPart)) {
      EXPECT_FALSE(pBtn->IsPressed()) << c.m_pszPath;
    }
  }
}

TEST_F(ScrollBarTest, TheThumbsMiddleStretchesBetweenItsEnds) {
  constexpr DWORD kEnd1 = 0x00112233, kEnd2 = 0x00445566, kMiddle = 0x00778899;
  PutResBitmapConf(
      u"f1", 20, 4, [](int, int) { return kEnd1; }, false);
  PutResBitmapConf(
      u"f2", 20, 6, [](int, int) { return kEnd2; }, false);
  PutResBitmapConf(
      u"v", 20, 1, [](int, int) { return kMiddle; }, false);
  // The thumb at 180,40, 20x30: its ends 4 and 6 rows high, the middle stretched over the 20
  // rows between them whatever rectangle its style gave it.
  std::u16string styles(kBarStyles);
  const std::u16string plain = u"<vthumb><position rect=\"180,40,20,30\"/></vthumb>";
  styles.replace(styles.find(plain), plain.size(),
                 u"<vthumb><position rect=\"180,40,20,30\"/><background>"
                 u"<i name=\"fix_1\" id=\"f1.conf\" dst-rect=\"0,0,20,4\"/>"
                 u"<i name=\"fix_2\" id=\"f2.conf\" dst-rect=\"0,24,20,6\"/>"
                 u"<i name=\"var\" id=\"v.conf\" zoom=\"true\" dst-rect=\"0,0,20,30\"/>"
                 u"</background></vthumb>");
  CloseDlg();
  ASSERT_NE(Open(kBars, styles), nullptr);
  std::unique_ptr<CWceUiGenericBitmap> pBmp(m_pWnd->GetCurWndBmp());
  ASSERT_NE(pBmp, nullptr);
  struct Row {
    int m_nY;
    DWORD m_dwColour;
  } rows[] = {{40, kEnd1}, {43, kEnd1}, {44, kMiddle}, {63, kMiddle}, {64, kEnd2}, {69, kEnd2}};
  for (const Row& r : rows) {
    for (int x : {180, 199})
      EXPECT_EQ(PeekPixel(pBmp.get(), x, r.m_nY) & 0x00FFFFFFu, r.m_dwColour) << x << "," << r.m_nY;
  }
}

TEST_F(ScrollBarTest, AReadOnlyThumbIgnoresTheFinger) {
  auto* pThumb = FindAs<CWceUiScrThumb>("vbar/thumb");
  CWceUiXmlDoc doc;
  WceUiPutTextFile(u"\\SDMMC\\CECorvane\\Wnd\\ro.xml", u"<thumb readonly=\"TRUE\"/>");
  ASSERT_TRUE(doc.LoadXmlFile(u"\\SDMMC\\CECorvane\\Wnd\\ro.xml", FALSE));
  pThumb->SetProperties(doc.GetRootElem());
  EXPECT_TRUE(pThumb->IsReadOnly());
  Press(WM_LBUTTONDOWN, 190, 50);
  Press(WM_MOUSEMOVE, 190, 90);
  Press(WM_LBUTTONUP, 190, 90);
  EXPECT_EQ(WindowRect(pThumb).top, 40);
  EXPECT_TRUE(m_Lines.empty());
}

}  // namespace
