// The ruler, the movable group and the picture scroll in dialogs written by the tests, through
// mouse messages into a real window on the test's clock: the ruler's drags, flicks and page moves
// and its posts, no move or page while a divisor is 0, the group's drag within its limit, and the
// picture that scrolls no further than its end and not at all once the finger is up.
#include "app/widgets/CWceResSrcoll.h"
#include "app/widgets/CWceRulingProgress.h"
#include "app/widgets/MovableContainer.h"
#include "tests/wceui/drawing/BitmapPeek.h"
#include "tests/wceui/widgets/WidgetDlgFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;
using Notes = std::vector<LPARAM>;

class RulerTest : public WidgetDlgFixture {
 protected:
  void SetUp() override {
    SetUpSized(200, 60);
    m_Watch = {kWceRulingProgressMsg};
  }
  // A ruler across the window's top: 10 px and 1 unit per tick over 0 ... 100.
  CWceRulingProgress* OpenRuler(int nPosition, int nPageCount = 4, const std::u16string& attrs = u"") {
    if (Open(u"<r type=\"CWceRulingProgress\" name=\"ruler\" style=\"ruler\"" + attrs + u"/>",
             u"<ruler><position rect=\"0,0,200,40\"/></ruler>") == nullptr) {
      return nullptr;
    }
    auto* p = FindAs<CWceRulingProgress>("ruler");
    p->SetScale(10, 1);
    p->SetRange(0, 100);
    p->SetPosition(nPosition);
    p->SetPageCount(nPageCount);
    return p;
  }
  // What the ruler posted, in order; each post names the ruler.
  Notes TakeNotes(CWceRulingProgress* pRuler) {
    Notes notes;
    for (const Post& p : m_Posts) {
      EXPECT_EQ(p.m_wParam, reinterpret_cast<WPARAM>(pRuler));
      notes.push_back(p.m_lParam);
    }
    m_Posts.clear();
    return notes;
  }
};

TEST_F(RulerTest, ADragMovesTheValueByTheTicksItPassesWithinTheRange) {
  struct Case {
    int m_nStart;
    int m_nX0, m_nX1;  // one move, then a slow release there
    int m_nEnd;
  } cases[] = {
      {50, 100, 70, 53},  // 30 px left: three ticks up
      {5, 50, 150, 0},    // 100 px right: ten down, held at the minimum
      {98, 150, 100, 100},
      {50, 100, 104, 50},  // less than a tick
  };
  for (const Case& c : cases) {
    CWceRulingProgress* p = OpenRuler(c.m_nStart);
    ASSERT_NE(p, nullptr);
    Press(WM_LBUTTONDOWN, c.m_nX0, 20);
    Press(WM_MOUSEMOVE, c.m_nX1, 20);
    EXPECT_EQ(p->GetPosition(), c.m_nEnd) << c.m_nStart << " " << c.m_nX0 << "->" << c.m_nX1;
    Pass(600);
    Press(WM_LBUTTONUP, c.m_nX1, 20);
    EXPECT_EQ(p->GetPosition(), c.m_nEnd);
    EXPECT_FALSE(p->IsPressed());
    EXPECT_EQ(p->GetPageMode(), CWceRulingProgress::kPageNone);
    EXPECT_EQ(TakeNotes(p), (Notes{kWceRulingPressed, kWceRulingMoved, kWceRulingReleased}));
    CloseDlg();
  }
  // The slow release applies its own last segment.
  CWceRulingProgress* p = OpenRuler(50);
  Press(WM_LBUTTONDOWN, 100, 20);
  Pass(600);
  Press(WM_LBUTTONUP, 80, 20);
  EXPECT_EQ(p->GetPosition(), 52);
  EXPECT_EQ(TakeNotes(p), (Notes{kWceRulingPressed, kWceRulingReleased}));
}

TEST_F(RulerTest, AFlickPagesOneTickEveryFiftyMsAndPostsEachStep) {
  struct Case {
    int m_nStart;
    int m_nX1;  // released here 300 ms after a press at 100
    int m_nPageMode;
    int m_nTarget;
  } cases[] = {
      {50, 180, CWceRulingProgress::kPageDown, 25},  // right: a page of 100 / 4 down
      {50, 20, CWceRulingProgress::kPageUp, 75},
      {10, 180, CWceRulingProgress::kPageDown, 0},  // less than a page left
      {90, 20, CWceRulingProgress::kPageUp, 100},
  };
  for (const Case& c : cases) {
    CWceRulingProgress* p = OpenRuler(c.m_nStart);
    ASSERT_NE(p, nullptr);
    Press(WM_LBUTTONDOWN, 100, 20);
    Pass(300);
    Press(WM_LBUTTONUP, c.m_nX1, 20);
    EXPECT_EQ(p->GetPageMode(), c.m_nPageMode) << c.m_nStart << "->" << c.m_nTarget;
    EXPECT_EQ(p->GetTarget(), c.m_nTarget);
    EXPECT_EQ(p->GetPosition(), c.m_nStart);
    EXPECT_EQ(TakeNotes(p), Notes{kWceRulingPressed});
    // One tick per 50 ms step, each step posted, the last landing on the target.
    const int nSteps = std::abs(c.m_nTarget - c.m_nStart);
    const DWORD dwFirst = ::GetTickCount();
    Pass(50 * static_cast<DWORD>(nSteps) + 200);
    EXPECT_EQ(p->GetPosition(), c.m_nTarget);
    EXPECT_EQ(p->GetPageMode(), CWceRulingProgress::kPageNone);
    const std::vector<DWORD> ticks = PostTicks(kWceRulingProgressMsg, dwFirst);
    ASSERT_EQ(static_cast<int>(ticks.size()), nSteps);
    for (size_t i = 1; i < ticks.size(); ++i) EXPECT_EQ(ticks[i] - ticks[i - 1], 50u) << i;
    EXPECT_EQ(TakeNotes(p), Notes(static_cast<size_t>(nSteps), kWceRulingMoved));
    CloseDlg();
  }
}

TEST_F(RulerTest, NoFlickIsAPlainRelease) {
  struct Case {
    const char* m_pszWhat;
    int m_nPageCount;
    DWORD m_dwHeld;
    int m_nX1;
    int m_nEnd;
  } cases[] = {
      {"50 px is not enough", 4, 300, 150, 45},
      {"held 500 ms", 4, 500, 180, 42},
      {"one page", 1, 300, 180, 42},
  };
  for (const Case& c : cases) {
    CWceRulingProgress* p = OpenRuler(50, c.m_nPageCount);
    ASSERT_NE(p, nullptr);
    Press(WM_LBUTTONDOWN, 100, 20);
    Pass(c.m_dwHeld);
    Press(WM_LBUTTONUP, c.m_nX1, 20);
    EXPECT_EQ(p->GetPageMode(), CWceRulingProgress::kPageNone) << c.m_pszWhat;
    Pass(300);
    // The flick's distance is not applied by a flick; a plain release applies it.
    const BOOL bPlain = c.m_dwHeld >= 500 || c.m_nPageCount <= 1;
    EXPECT_EQ(p->GetPosition(), bPlain ? c.m_nEnd : 50) << c.m_pszWhat;
    CloseDlg();
  }
}

TEST_F(RulerTest, NothingMovesOrPagesWhileADivisorIsZeroAndNothingWhileDisabled) {
  struct Case {
    const char* m_pszWhat;
    int m_nSpacing, m_nValue, m_nPageCount;
    BOOL m_bDisabled;
    int m_nEnd;
    Notes m_Notes;
  } cases[] = {
      // A quick release 90 px right would page, and the move would move.
      {"no tick spacing", 0, 1, 4, FALSE, 50, {kWceRulingPressed, kWceRulingMoved}},
      {"no tick value", 10, 0, 4, FALSE, 50, {kWceRulingPressed, kWceRulingMoved}},
      // Without pages the release is a plain one: 60 px and then 30 px right.
      {"no pages", 10, 1, 0, FALSE, 41, {kWceRulingPressed, kWceRulingMoved, kWceRulingReleased}},
      {"disabled", 10, 1, 4, TRUE, 50, {}},
  };
  for (const Case& c : cases) {
    CWceRulingProgress* p = OpenRuler(50, c.m_nPageCount);
    ASSERT_NE(p, nullptr);
    p->SetScale(c.m_nSpacing, c.m_nValue);
    p->SetDisabled(c.m_bDisabled);
    Press(WM_LBUTTONDOWN, 100, 20);
    Press(WM_MOUSEMOVE, 160, 20);
    Pass(100);
    Press(WM_LBUTTONUP, 190, 20);
    Pass(2000);
    EXPECT_EQ(p->GetPosition(), c.m_nEnd) << c.m_pszWhat;
    EXPECT_EQ(p->GetPageMode(), CWceRulingProgress::kPageNone) << c.m_pszWhat;
    EXPECT_EQ(TakeNotes(p), c.m_Notes) << c.m_pszWhat;
    // And the scale draws without ticks.
    std::unique_ptr<CWceUiGenericBitmap> pBmp(m_pWnd->GetCurWndBmp());
    EXPECT_NE(pBmp, nullptr);
    CloseDlg();
  }
}

TEST_F(RulerTest, TheScaleDrawsTicksAroundThePositionUnderTheMark) {
  constexpr DWORD kBack = 0x000A0B0C, kShort = 0x00303132, kLong = 0x00505152, kMark = 0x00707172;
  // A 10x4 background copied; ticks of 1x6 and 1x10 and a 3x3 mark blended by their alpha.
  PutResBitmapConf(
      u"bk", 10, 4, [](int, int) { return kBack; }, false);
  PutResBitmapConf(
      u"s", 1, 6, [](int, int) { return 0xFF000000u | kShort; }, true);
  PutResBitmapConf(
      u"l", 1, 10, [](int, int) { return 0xFF000000u | kLong; }, true);
  PutResBitmapConf(
      u"m", 3, 3, [](int, int) { return 0xFF000000u | kMark; }, true);
  constexpr DWORD kNoTick = 0;
  struct Probe {
    int m_nX, m_nY;
    DWORD m_dwColour;  // kNoTick: neither tick
  };
  struct Case {
    int m_nValue, m_nPosition;
    std::vector<Probe> m_Probes;
  } cases[] = {
      // The tick of 50 under the mark at x 100, long as every fifth from the minimum; 51 right of
      // it, 49 left, 40 at the left edge.
      {1,
       50,
       {{100, 4, kLong},
        {100, 13, kLong},
        {110, 4, kShort},
        {110, 9, kShort},
        {110, 10, kNoTick},
        {105, 4, kNoTick},
        {150, 4, kLong},
        {0, 4, kLong},
        {90, 4, kShort}}},
      // 51 in steps of 2 lies half way between the ticks of 50 and 52.
      {2, 51, {{95, 4, kLong}, {105, 4, kShort}, {100, 4, kNoTick}}},
      // Nothing outside the range.
      {1, 0, {{100, 4, kLong}, {90, 4, kNoTick}, {110, 4, kShort}}},
      {1, 100, {{100, 4, kLong}, {110, 4, kNoTick}, {90, 4, kShort}}},
  };
  for (const Case& c : cases) {
    CWceRulingProgress* p = OpenRuler(
        c.m_nPosition, 4, u" linebk=\"bk.conf\" lines=\"s.conf\" lineh=\"l.conf\" linethumb=\"m.conf\"");
    ASSERT_NE(p, nullptr);
    p->SetScale(10, c.m_nValue);
    std::unique_ptr<CWceUiGenericBitmap> pBmp(m_pWnd->GetCurWndBmp());
    ASSERT_NE(pBmp, nullptr);
    auto at = [&](int x, int y) { return PeekPixel(pBmp.get(), x, y) & 0x00FFFFFFu; };
    for (const Probe& probe : c.m_Probes) {
      const DWORD dw = at(probe.m_nX, probe.m_nY);
      if (probe.m_dwColour == kNoTick) {
        EXPECT_TRUE(dw != kShort && dw != kLong)
            << c.m_nPosition << " at " << probe.m_nX << "," << probe.m_nY;
      } else {
        EXPECT_EQ(dw, probe.m_dwColour) << c.m_nPosition << " at " << probe.m_nX << "," << probe.m_nY;
      }
    }
    // The background along the top, the mark over it at the centre.
    EXPECT_EQ(at(0, 0), kBack);
    EXPECT_EQ(at(199, 3), kBack);
    EXPECT_EQ(at(100, 1), kMark);
    EXPECT_EQ(at(99, 0), kMark);
    EXPECT_EQ(at(98, 1), kBack);
    EXPECT_EQ(at(100, 3), kBack);
    CloseDlg();
  }
  // No range, no scale.
  CWceRulingProgress* p = OpenRuler(0, 4, u" linebk=\"bk.conf\"");
  p->SetRange(0, 0);
  std::unique_ptr<CWceUiGenericBitmap> pBmp(m_pWnd->GetCurWndBmp());
  EXPECT_NE(PeekPixel(pBmp.get(), 0, 0) & 0x00FFFFFFu, kBack);
}

// ---- the movable group ----

class MovableContainerTest : public WidgetDlgFixture {
 protected:
  void SetUp() override { SetUpSized(200, 300); }
  int Top(const char* pPath) {
    RECT rc;
    Find(pPath)->GetWindowRect(&rc);
    return rc.top;
  }
};

TEST_F(MovableContainerTest, TheChildrenFollowTheFingerUpToTheLimitAndBack) {
  ASSERT_NE(Open(u"<g type=\"MovableContainer\" name=\"g\" style=\"g\" maxmov=\"120\">"
                 u"<a type=\"CWceUiLayer\" name=\"a\" style=\"a\"/>"
                 u"<b type=\"CWceUiButton\" name=\"b\" style=\"b\"/></g>",
                 u"<g><position rect=\"0,0,200,300\"/></g><a><position rect=\"10,100,50,20\"/></a>"
                 u"<b><position rect=\"60,150,50,20\"/></b>"),
            nullptr);
  auto* pGroup = FindAs<MovableContainer>("g");
  EXPECT_EQ(pGroup->GetMaxOffset(), 120);
  struct Step {
    UINT m_nMsg;
    int m_nY;
    int m_nOffset;
  } steps[] = {
      {WM_LBUTTONDOWN, 280, 0},   // the places are taken
      {WM_MOUSEMOVE, 180, 100},   // 100 px up
      {WM_MOUSEMOVE, 80, 120},    // 200 px up, held at the limit
      {WM_MOUSEMOVE, 130, 70},    // 50 back down
      {WM_LBUTTONUP, 130, 70},    // where the finger left it
      {WM_MOUSEMOVE, 299, 70},    // the finger is up
      {WM_LBUTTONDOWN, 200, 70},  // a new press from there
      {WM_LBUTTONUP, 290, 0},     // never below the places
  };
  for (const Step& s : steps) {
    Press(s.m_nMsg, 190, s.m_nY);
    EXPECT_EQ(pGroup->GetOffset(), s.m_nOffset) << s.m_nMsg << " " << s.m_nY;
    EXPECT_EQ(Top("g/a"), 100 - s.m_nOffset);
    EXPECT_EQ(Top("g/b"), 150 - s.m_nOffset);
  }
  // A child's click goes on to the group's owner.
  Pass(1);
  m_Lines.clear();
  Press(WM_LBUTTONDOWN, 70, 155);
  Press(WM_LBUTTONUP, 70, 155);
  EXPECT_EQ(m_Lines, Lines{"click b"});
}

// ---- the picture scroll ----

// Row r of picture n: every row of every picture its own colour.
DWORD RowColour(int n, int r) {
  return 0x00010000u * static_cast<DWORD>(n) + static_cast<DWORD>(r);
}

// A 20-pixel wide picture of nHeight rows and its conf "<stem>.conf".
void PutPicture(const std::u16string& stem, int n, int nHeight) {
  WceUiResFixture::PutResBitmapConf(
      stem, 20, nHeight, [n](int, int y) { return RowColour(n, y); }, false);
}

class ResScrollTest : public WidgetDlgFixture {
 protected:
  void SetUp() override { SetUpSized(40, 500); }
  CWceResSrcoll* OpenPicture(const std::u16string& attrs) {
    if (Open(u"<p type=\"CWceResSrcoll\" name=\"pic\" style=\"pic\"" + attrs + u"/>",
             u"<pic><position rect=\"0,0,20,480\"/></pic>") == nullptr) {
      return nullptr;
    }
    return FindAs<CWceResSrcoll>("pic");
  }
};

TEST_F(ResScrollTest, ThePictureScrollsToItsEndAndNotOnceTheFingerIsUp) {
  PutPicture(u"p1", 1, 300);
  PutPicture(u"p2", 2, 500);
  CWceResSrcoll* p = OpenPicture(u" res_count=\"2\" res_name_1=\"p1.conf\" res_name_2=\"p2.conf\"");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->GetPictureHeight(), 800);
  EXPECT_EQ(p->GetScrollDirection(), kWceUiScrollAxisVertical);
  EXPECT_EQ(p->GetScrollMax(), 800);
  EXPECT_FALSE(p->IsAlpha());
  // The picture from its top: the first bitmap, then the second under it.
  EXPECT_EQ(Pixel(5, 0), RowColour(1, 0));
  EXPECT_EQ(Pixel(5, 299), RowColour(1, 299));
  EXPECT_EQ(Pixel(5, 300), RowColour(2, 0));
  EXPECT_EQ(Pixel(5, 479), RowColour(2, 179));

  Press(WM_LBUTTONDOWN, 10, 450);
  Press(WM_MOUSEMOVE, 10, 250);
  EXPECT_EQ(p->GetScrollPos(), 200);
  Press(WM_MOUSEMOVE, 10, 50);
  // 400 px up in all: held at 800 - 480.
  EXPECT_EQ(p->GetScrollPos(), 320);
  EXPECT_EQ(Pixel(5, 0), RowColour(2, 20));
  EXPECT_EQ(Pixel(5, 479), RowColour(2, 499));
  // Right of the layer the window shows no picture.
  EXPECT_NE(Pixel(25, 0), RowColour(2, 20));
  Pass(500);
  Press(WM_LBUTTONUP, 10, 50);
  // A hover move after the release scrolls nothing (a move queued with the release is dropped).
  Pass(1);
  Press(WM_MOUSEMOVE, 10, 400);
  EXPECT_EQ(p->GetScrollPos(), 320);
  Pass(1);
  Press(WM_LBUTTONDOWN, 10, 100);
  Press(WM_MOUSEMOVE, 10, 250);
  EXPECT_EQ(p->GetScrollPos(), 170);
  Press(WM_MOUSEMOVE, 10, 499);
  EXPECT_EQ(p->GetScrollPos(), 0);
  EXPECT_EQ(Pixel(5, 300), RowColour(2, 0));
}

TEST_F(ResScrollTest, TheCountIsBoundedAndAShortPictureDoesNotScroll) {
  struct Case {
    std::u16string m_strAttrs;
    int m_nCount;
    int m_nHeight;
    BOOL m_bAlpha;
  } cases[] = {
      {u" res_count=\"12\" res_name_1=\"p1.conf\" res_name_2=\"p2.conf\"", 8, 200, FALSE},
      {u" res_count=\"2\" res_name_1=\"p1.conf\" res_name_2=\"p2.32a.conf\"", 2, 100, TRUE},
      {u"", 0, 0, FALSE},
  };
  PutPicture(u"p1", 1, 100);
  PutPicture(u"p2", 2, 100);
  for (const Case& c : cases) {
    CWceResSrcoll* p = OpenPicture(c.m_strAttrs);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->GetBitmapCount(), c.m_nCount);
    EXPECT_EQ(p->GetPictureHeight(), c.m_nHeight);
    EXPECT_EQ(p->IsAlpha(), c.m_bAlpha);
    Press(WM_LBUTTONDOWN, 10, 450);
    Press(WM_MOUSEMOVE, 10, 50);
    EXPECT_EQ(p->GetScrollPos(), 0);
    Pass(500);
    Press(WM_LBUTTONUP, 10, 50);
    CloseDlg();
  }
}

}  // namespace
