// The dragged scroll layer in a dialog, through mouse messages into the real window on the manual
// clock: the 20-pixel threshold between a click and a drag, the fling distance by the time since
// the finger last turned, the ease-out frames on the timer and in blocking mode, the spring back
// from the overscroll, the thumb length and its place on the track.
#include "tests/wceui/widgets/WidgetDlgFixture.h"
#include "wceui/widgets/CWceUiScrollLayer.h"
#include "platform/kernel/KernelHooks.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// A scroll layer that counts what it is told and can act while a fling frame is drawn.
class CScrollProbe : public CWceUiScrollLayer {
 public:
  void OnScrollEnd() override { ++m_nScrollEnds; }
  void OnDragEnd() override { ++m_nDragEnds; }
  void OnClick() override { ++m_nClicks; }
  void OnScrollChanged() override {
    if (m_fnOnChanged) m_fnOnChanged();
  }
  void SetFlingPeriod(DWORD dwMs) { m_dwFlingPeriodMs = dwMs; }

  int m_nScrollEnds = 0;
  int m_nDragEnds = 0;
  int m_nClicks = 0;
  std::function<void()> m_fnOnChanged;
};

}  // namespace

WCEUI_DYNCREATE_BEGIN(CScrollProbe, CWceUiScrollLayer)
WCEUI_DYNCREATE_END(CScrollProbe)

namespace {

// Window timers run no faster than USER's minimum, so fling frames on the timer come that far apart.
constexpr DWORD kFrameMs = USER_TIMER_MINIMUM;

class ScrollLayerTest : public WidgetDlgFixture {
 protected:
  void SetUp() override { SetUpSized(200, 200); }
  // A 100 x 100 layer at the window's corner (or 100 x 50 for bWide).
  CScrollProbe* OpenList(int nAxis, int nMin, int nMax, BOOL bWide = FALSE) {
    const std::u16string rect = bWide ? u"0,0,100,50" : u"0,0,100,100";
    if (Open(u"<list type=\"CScrollProbe\" name=\"list\" style=\"list\"/>",
             u"<list><position rect=\"" + rect + u"\"/></list>") == nullptr) {
      return nullptr;
    }
    auto* p = FindAs<CScrollProbe>("list");
    p->SetScrollDirection(nAxis);
    p->SetScrollRange(nMin, nMax, FALSE);
    return p;
  }
  // Press at (50, y0), move to y1 and, ms later, release there; a vertical drag.
  void DragY(int y0, int y1, DWORD dwHoldMs) {
    Press(WM_LBUTTONDOWN, 50, y0);
    Press(WM_MOUSEMOVE, 50, y1);
    Pass(dwHoldMs);
    Press(WM_LBUTTONUP, 50, y1);
  }
};

TEST_F(ScrollLayerTest, AMoveUnderTwentyPixelsIsAClickAndFromTwentyADrag) {
  struct Case {
    int m_nAxis;
    int m_nDx, m_nDy;
    int m_nOffset;  // after the release
    int m_nClicks;
  } cases[] = {
      {kWceUiScrollAxisVertical, 0, -19, 0, 1},
      {kWceUiScrollAxisVertical, 0, -20, 20, 0},
      {kWceUiScrollAxisVertical, 0, -45, 45, 0},
      // Only the layer's axis counts.
      {kWceUiScrollAxisVertical, -60, -10, 0, 1},
      {kWceUiScrollAxisHorizontal, 0, -60, 0, 1},
      {kWceUiScrollAxisHorizontal, -30, 0, 30, 0},
  };
  for (const Case& c : cases) {
    CScrollProbe* p = OpenList(c.m_nAxis, 0, 1000);
    ASSERT_NE(p, nullptr);
    Press(WM_LBUTTONDOWN, 70, 80);
    Press(WM_MOUSEMOVE, 70 + c.m_nDx, 80 + c.m_nDy);
    EXPECT_EQ(p->IsDragging(), c.m_nClicks == 0) << c.m_nDx << "," << c.m_nDy;
    // Held past the fling time: the release only settles.
    Pass(450);
    Press(WM_LBUTTONUP, 70 + c.m_nDx, 80 + c.m_nDy);
    EXPECT_EQ(p->GetOffset(), c.m_nOffset) << c.m_nDx << "," << c.m_nDy;
    EXPECT_EQ(p->m_nClicks, c.m_nClicks) << c.m_nDx << "," << c.m_nDy;
    EXPECT_EQ(p->m_nDragEnds, 1 - c.m_nClicks) << c.m_nDx << "," << c.m_nDy;
    EXPECT_EQ(p->m_nScrollEnds, 1);
    EXPECT_FALSE(p->IsPressed());
    EXPECT_EQ(m_pWnd->GetCaptureLayer(), nullptr);
    CloseDlg();
  }
}

TEST_F(ScrollLayerTest, AReleaseFlingsByTheTimeSinceTheLastTurnOnTheTimer) {
  // Vertical base distance: twice the height, 200.
  struct Case {
    DWORD m_dwHeld;
    int m_nDistance;
  } cases[] = {{50, 400},  {99, 400},  {100, 200}, {150, 200}, {199, 200},
               {200, 100}, {399, 100}, {400, 0},   {450, 0}};
  for (const Case& c : cases) {
    CScrollProbe* p = OpenList(kWceUiScrollAxisVertical, 0, 10000);
    ASSERT_NE(p, nullptr);
    DragY(90, 60, c.m_dwHeld);
    ASSERT_EQ(p->GetOffset(), 30) << c.m_dwHeld;
    EXPECT_EQ(p->IsFlinging(), c.m_nDistance != 0) << c.m_dwHeld;
    Pass(15 * kFrameMs);
    EXPECT_EQ(p->GetOffset(), 30 + c.m_nDistance) << c.m_dwHeld;
    EXPECT_FALSE(p->IsFlinging());
    EXPECT_EQ(p->m_nScrollEnds, 1) << c.m_dwHeld;
    CloseDlg();
  }
}

TEST_F(ScrollLayerTest, TheFlingEasesOutOverFifteenFrames) {
  CScrollProbe* p = OpenList(kWceUiScrollAxisVertical, 0, 10000);
  ASSERT_NE(p, nullptr);
  DragY(90, 60, 150);
  // Over 200 px in 15 frames, a = 200 / 7²: frame 0 is a / 2 = 2, frame 6 is a × 7² / 2 = 100,
  // frame 13 is 200 − a / 2 = 197, frame 14 the whole way; the scroll ends with the last frame.
  struct Frame {
    DWORD m_dwFrames;  // timer expiries since the release
    int m_nOffset;
    int m_nScrollEnds;
  } frames[] = {{1, 32, 0}, {7, 130, 0}, {14, 227, 0}, {15, 230, 1}, {20, 230, 1}};
  DWORD dwDone = 0;
  for (const Frame& f : frames) {
    Pass((f.m_dwFrames - dwDone) * kFrameMs);
    dwDone = f.m_dwFrames;
    EXPECT_EQ(p->GetOffset(), f.m_nOffset) << f.m_dwFrames;
    EXPECT_EQ(p->m_nScrollEnds, f.m_nScrollEnds) << f.m_dwFrames;
  }
}

TEST_F(ScrollLayerTest, ThePointerTurnsAfterTwentyPixelsAndTheFlingFollowsIt) {
  struct Case {
    int m_nBack;    // pixels the finger moves back down
    int m_nOffset;  // in the end
  } cases[] = {
      // Turned: the fling time counts from the turn, 150 ms, and runs the base distance back.
      {25, 515 - 200},
      // Not turned: the time counts from the press, 450 ms, and nothing flings.
      {19, 521},
  };
  for (const Case& c : cases) {
    CScrollProbe* p = OpenList(kWceUiScrollAxisVertical, 0, 10000);
    ASSERT_NE(p, nullptr);
    p->ScrollBy(500, FALSE);
    Press(WM_LBUTTONDOWN, 50, 90);
    Press(WM_MOUSEMOVE, 50, 50);
    Pass(300);
    Press(WM_MOUSEMOVE, 50, 50 + c.m_nBack);
    Pass(150);
    Press(WM_LBUTTONUP, 50, 50 + c.m_nBack);
    Pass(15 * kFrameMs);
    EXPECT_EQ(p->GetOffset(), c.m_nOffset) << c.m_nBack;
    CloseDlg();
  }
}

TEST_F(ScrollLayerTest, TheOffsetNeverPassesTheEnds) {
  struct Case {
    int m_nOverscroll;
    int m_nStart;
    int m_nY0, m_nY1;
    int m_nDragged;  // while the finger is down
  } cases[] = {
      {0, 0, 50, 150, 0},                           // down at the top: nothing
      {0, 0, 95, 0, 50},                            // up past the end: the end
      {30, 0, 50, 150, -30},                        // the allowance, and no further
      {30, 0, 95, 0, 80},    {30, 40, 60, 75, 40},  // under the threshold
  };
  for (const Case& c : cases) {
    CScrollProbe* p = OpenList(kWceUiScrollAxisVertical, 0, 50);
    ASSERT_NE(p, nullptr);
    p->SetOverscroll(c.m_nOverscroll);
    p->ScrollBy(c.m_nStart, FALSE);
    Press(WM_LBUTTONDOWN, 50, c.m_nY0);
    Press(WM_MOUSEMOVE, 50, c.m_nY1);
    EXPECT_EQ(p->GetOffset(), c.m_nDragged) << c.m_nY0 << "->" << c.m_nY1;
    Pass(450);
    Press(WM_LBUTTONUP, 50, c.m_nY1);
    // What lies outside springs back to the nearer end over 15 frames, then the scroll ends.
    const BOOL bOutside = c.m_nDragged < 0 || c.m_nDragged > 50;
    EXPECT_EQ(p->IsFlinging(), bOutside);
    Pass(14 * kFrameMs);
    if (bOutside) {
      EXPECT_NE(p->GetOffset(), c.m_nDragged < 0 ? 0 : 50);
    }
    EXPECT_EQ(p->m_nScrollEnds, bOutside ? 0 : 1);
    Pass(kFrameMs);
    EXPECT_EQ(p->GetOffset(), c.m_nDragged < 0 ? 0 : (c.m_nDragged > 50 ? 50 : c.m_nDragged));
    EXPECT_EQ(p->m_nScrollEnds, 1);
    CloseDlg();
  }
}

TEST_F(ScrollLayerTest, AFlingStopsAtTheOverscrollBoundThenSettles) {
  CScrollProbe* p = OpenList(kWceUiScrollAxisVertical, 0, 100);
  ASSERT_NE(p, nullptr);
  p->SetOverscroll(30);
  p->ScrollBy(60, FALSE);
  // 400 px asked for, 40 allowed: to the bound at 130, then back to 100.
  DragY(90, 60, 50);
  Pass(15 * kFrameMs);
  EXPECT_EQ(p->GetOffset(), 130);
  EXPECT_EQ(p->m_nScrollEnds, 0);
  Pass(15 * kFrameMs);
  EXPECT_EQ(p->GetOffset(), 100);
  EXPECT_EQ(p->m_nScrollEnds, 1);
}

TEST_F(ScrollLayerTest, APressStopsAFlingAndALostCaptureSettles) {
  CScrollProbe* p = OpenList(kWceUiScrollAxisVertical, 0, 100);
  ASSERT_NE(p, nullptr);
  p->SetOverscroll(30);
  p->ScrollBy(50, FALSE);
  DragY(90, 60, 150);
  Pass(3 * kFrameMs);
  const int nCaught = p->GetOffset();
  EXPECT_GT(nCaught, 80);
  Press(WM_LBUTTONDOWN, 50, 90);
  EXPECT_FALSE(p->IsFlinging());
  Pass(20);
  EXPECT_EQ(p->GetOffset(), nCaught);
  // Dragged out past the end, then the window loses the capture: the press ends and springs back.
  Press(WM_MOUSEMOVE, 50, 20);
  EXPECT_EQ(p->GetOffset(), 130);
  ::ReleaseCapture();
  Pump();
  EXPECT_FALSE(p->IsPressed());
  Pass(15 * kFrameMs);
  EXPECT_EQ(p->GetOffset(), 100);
  EXPECT_EQ(p->m_nScrollEnds, 1);
}

TEST_F(ScrollLayerTest, ABlockingFlingFillsEachFrameToItsPeriod) {
  struct Case {
    DWORD m_dwFrameTakes;
    DWORD m_dwFlingTakes;
  } cases[] = {
      {0, 150},       // 15 pauses of 10 ms
      {3, 150},       // each frame and its pause make one period
      {12, 15 * 12},  // a slow frame is not paused after
  };
  for (const Case& c : cases) {
    CScrollProbe* p = OpenList(kWceUiScrollAxisVertical, 0, 10000);
    ASSERT_NE(p, nullptr);
    p->SetBlockingFling(TRUE);
    p->SetFlingPeriod(10);
    Press(WM_LBUTTONDOWN, 50, 90);
    Press(WM_MOUSEMOVE, 50, 60);
    Pass(150);
    BOOL bInFling = FALSE;
    p->m_fnOnChanged = [&] {
      if (bInFling) wce::AdvanceTick(c.m_dwFrameTakes);
    };
    bInFling = TRUE;
    const DWORD dwRelease = ::GetTickCount();
    Press(WM_LBUTTONUP, 50, 60);
    // All of it inside the release, on this thread.
    EXPECT_EQ(::GetTickCount() - dwRelease, c.m_dwFlingTakes) << c.m_dwFrameTakes;
    EXPECT_EQ(p->GetOffset(), 230) << c.m_dwFrameTakes;
    EXPECT_EQ(p->m_nScrollEnds, 1);
    EXPECT_FALSE(p->IsFlinging());
    CloseDlg();
  }
}

TEST_F(ScrollLayerTest, TheThumbIsToTheTrackAsTheViewToTheContent) {
  struct Case {
    int m_nAxis;
    BOOL m_bWide;  // 100 x 50 in place of 100 x 100
    int m_nMin, m_nMax;
    int m_nThumb;
  } cases[] = {
      {kWceUiScrollAxisVertical, FALSE, 0, 0, 0},      {kWceUiScrollAxisVertical, FALSE, 0, 100, 50},
      {kWceUiScrollAxisVertical, FALSE, 0, 300, 25},   {kWceUiScrollAxisVertical, FALSE, 0, 1, 99},
      {kWceUiScrollAxisVertical, FALSE, 0, 10000, 20},  // never shorter than 20
      {kWceUiScrollAxisVertical, FALSE, 50, 40, 0},     // no range
      {kWceUiScrollAxisVertical, FALSE, -100, 0, 0},    // nothing to scroll toward
      {kWceUiScrollAxisVertical, TRUE, 0, 50, 25},      // the height
      {kWceUiScrollAxisHorizontal, TRUE, 0, 100, 50},   // the width
  };
  for (const Case& c : cases) {
    CScrollProbe* p = OpenList(c.m_nAxis, c.m_nMin, c.m_nMax, c.m_bWide);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->GetThumbLength(), c.m_nThumb) << c.m_nMin << ".." << c.m_nMax;
    CloseDlg();
  }
}

TEST_F(ScrollLayerTest, TheThumbRunsTheTrackFromTheRangesMinimum) {
  // A range from 100 to 300 in a track of 100: the thumb is 33 long and runs 67 pixels.
  CScrollProbe* p = OpenList(kWceUiScrollAxisVertical, 100, 300);
  ASSERT_NE(p, nullptr);
  ASSERT_EQ(p->GetThumbLength(), 33);
  // The new range pulled the offset up to its minimum.
  EXPECT_EQ(p->GetOffset(), 100);
  struct Step {
    int m_nDelta;
    int m_nOffset;
    int m_nThumbPos;
  } steps[] = {{100, 200, 33}, {100, 300, 67}, {50, 300, 67}, {-200, 100, 0}, {-10, 100, 0}};
  for (const Step& s : steps) {
    p->ScrollBy(s.m_nDelta, TRUE);
    EXPECT_EQ(p->GetOffset(), s.m_nOffset);
    EXPECT_EQ(p->GetThumbPos(), s.m_nThumbPos) << s.m_nOffset;
  }
  // A range that shrinks below the offset pulls it down to the new end.
  p->ScrollBy(200, FALSE);
  p->SetScrollRange(0, 150, FALSE);
  EXPECT_EQ(p->GetOffset(), 150);
}

}  // namespace
