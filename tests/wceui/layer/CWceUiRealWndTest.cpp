// The UI real window on the headless display: mouse messages hit layers through containers and
// past hidden ones, the capture, layer timers by their window timer ids, registered messages
// (handlers that delete layers during the fan-out, a nested modal run among them), painting
// checked by the screen's pixels at both depths, and the input filter after a transition.
#include "tests/wceui/layer/UiRealWndFixture.h"
#include "wceui/core/CRealDlg.h"
#include "wceui/drawing/CWceUiGenericBitmap.h"
#include "wceui/resfiles/WceUiBitmapFiles.h"
#include "wceui/animate/CWceUiWndAnimate.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/user/UserHooks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

WCEUI_DYNCREATE_BEGIN(CProbeLayer, CWceUiLayer)
WCEUI_DYNCREATE_END(CProbeLayer)

namespace {

using Lines = std::vector<std::string>;

using UiRealWnd = UiRealWndFixture;

TEST_F(UiRealWnd, MouseMessagesHitTheFrontMostShownInputLayer) {
  CProbeLayer* pBack = AddProbe(m_pTop, RECT{0, 0, 40, 20}, u"back");
  CWceUiLayer* pBox = Ctrl()->CreateLayerFromElem(m_pTop, u"CWceUiLayer", u"box");
  const RECT rcBox = {10, 0, 30, 20};
  pBox->GetStyle()->SetPosition(&rcBox, 0);
  pBox->SetLayerContainer(TRUE);
  AddProbe(pBox, RECT{10, 0, 20, 10}, u"a");
  AddProbe(pBox, RECT{15, 5, 25, 15}, u"b");
  CProbeLayer* pHidden = AddProbe(m_pTop, RECT{30, 0, 40, 20}, u"hidden");
  pHidden->ShowLayer(FALSE);
  ASSERT_NE(pBack, nullptr);

  struct Case {
    UINT m_nMsg;
    int m_nX, m_nY;
    const char* m_pszExpected;  // "" when nobody is hit
  } cases[] = {
      {WM_LBUTTONDOWN, 10, 0, "a down 10 0"},           // left and top inclusive
      {WM_LBUTTONUP, 17, 7, "b up 17 7"},               // the later sibling is in front
      {WM_MOUSEMOVE, 24, 14, "b move 24 14"},           // b reaches 25,15 only
      {WM_LBUTTONDBLCLK, 25, 15, "back dblclk 25 15"},  // the container itself takes nothing
      {WM_LBUTTONDOWN, 35, 5, "back down 35 5"},        // a hidden layer is passed by
  };
  for (const Case& c : cases) {
    m_Lines.clear();
    Mouse(c.m_nMsg, c.m_nX, c.m_nY);
    Pump();
    EXPECT_EQ(m_Lines, Lines{c.m_pszExpected}) << c.m_nX << "," << c.m_nY;
  }

  // A hidden container hides its children from the hit test too.
  pBox->ShowLayer(FALSE);
  m_Lines.clear();
  Click(12, 2);
  EXPECT_EQ(m_Lines, (Lines{"back down 12 2", "back up 12 2"}));
}

TEST_F(UiRealWnd, KeysGoToTheTopDialogAndPressesOutsideEveryLayerReachNobody) {
  // A second dialog over the first: the last child of the root body.
  auto* pTopProbe = new CProbeLayer;
  pTopProbe->SetLayerCtrl(Ctrl());
  Ctrl()->InitLayerInfo(pTopProbe, u"dlg2");
  const RECT rcDlg = {0, 0, 5, 5};
  pTopProbe->MoveLayer(&rcDlg, FALSE);
  Ctrl()->RootLayer()->AppendChild(pTopProbe);
  pTopProbe->m_pLines = &m_Lines;
  ::SetFocus(Hwnd());
  ASSERT_TRUE(wce::InjectKey(WM_KEYDOWN, 'K', ::GetTickCount()));
  ASSERT_TRUE(wce::InjectKey(WM_KEYUP, 'K', ::GetTickCount()));
  Mouse(WM_LBUTTONDOWN, 30, 10);
  Mouse(WM_LBUTTONUP, 30, 10);
  Pump();
  EXPECT_EQ(m_Lines, (Lines{"dlg2 keydown 75 0", "dlg2 keyup 75 0"}));
  Ctrl()->DeleteLayer(pTopProbe);
}

TEST_F(UiRealWnd, CaptureTakesEveryPressUntilItEnds) {
  CProbeLayer* pA = AddProbe(m_pTop, RECT{0, 0, 10, 10}, u"a");
  AddProbe(m_pTop, RECT{20, 0, 30, 10}, u"b");

  EXPECT_EQ(m_pWnd->SetCapture(pA), nullptr);
  EXPECT_EQ(::GetCapture(), Hwnd());
  Click(25, 5);
  EXPECT_EQ(m_Lines, (Lines{"a down 25 5", "a up 25 5"}));

  // The holder that takes it again still hears of the loss, once.
  m_Lines.clear();
  EXPECT_EQ(m_pWnd->SetCapture(pA), pA);
  EXPECT_EQ(m_Lines, Lines{"a losecapture 0 0"});

  // Another window takes USER's capture: the layer loses it and the hit test is back to normal.
  const RECT rcOther = {0, 0, 5, 5};
  CRealWnd other;
  ASSERT_TRUE(other.Create(WS_POPUP, &rcOther, nullptr));
  m_Lines.clear();
  ::SetCapture(other.GetSafeHwnd());
  EXPECT_EQ(m_Lines, Lines{"a losecapture 0 0"});
  EXPECT_EQ(m_pWnd->GetCaptureLayer(), nullptr);
  ::ReleaseCapture();
  m_Lines.clear();
  Click(25, 5);
  EXPECT_EQ(m_Lines, (Lines{"b down 25 5", "b up 25 5"}));

  // Released by its holder: no loss is told, USER's capture is given back.
  m_pWnd->SetCapture(pA);
  m_Lines.clear();
  pA->ReleaseCapture();
  EXPECT_EQ(m_pWnd->GetCaptureLayer(), nullptr);
  EXPECT_EQ(::GetCapture(), nullptr);
  EXPECT_TRUE(m_Lines.empty());

  // The framework's cancel message ends a capture, telling the holder.
  m_pWnd->SetCapture(pA);
  m_Lines.clear();
  m_pWnd->IgnoreMsgBeforeTime(0);
  Pump();
  EXPECT_EQ(m_Lines, Lines{"a losecapture 0 0"});
  EXPECT_EQ(m_pWnd->GetCaptureLayer(), nullptr);
  EXPECT_EQ(::GetCapture(), nullptr);
}

TEST_F(UiRealWnd, LayerTimersReachTheirLayerByTheWindowTimerId) {
  CProbeLayer* pA = AddProbe(m_pTop, RECT{0, 0, 10, 10}, u"a");
  CProbeLayer* pGone = AddProbe(m_pTop, RECT{0, 0, 10, 10}, u"gone");
  pA->SetTimer(7, 100);
  // The layer's timer is a window timer under its composed id.
  const UINT nId = WceUiLayerTimerId(pA->GetLayerId(), 7);
  EXPECT_EQ(nId, (pA->GetLayerId() & 0xFFFF) | (7u << 16));
  EXPECT_TRUE(m_pWnd->KillTimer(nId));
  EXPECT_FALSE(m_pWnd->KillTimer(nId));
  const UINT nGoneId = WceUiLayerTimerId(pGone->GetLayerId(), 3);
  Ctrl()->DeleteLayer(pGone);

  struct Case {
    UINT m_nId;
    Lines m_Expected;
  } cases[] = {
      {nId, {"a timer 7 0"}},
      {WceUiLayerTimerId(pA->GetLayerId(), 0xFFFF), {"a timer 65535 0"}},
      {7u << 16, {}},  // low 16 bits 0: no layer's
      {nGoneId, {}},   // its layer was deleted
  };
  // Set again, it fires when the clock reaches its elapse, and reaches the layer by its id.
  pA->SetTimer(7, 100);
  wce::AdvanceTick(99);
  Pump();
  EXPECT_TRUE(m_Lines.empty());
  wce::AdvanceTick(1);
  Pump();
  EXPECT_EQ(m_Lines, Lines{"a timer 7 0"});
  pA->KillTimer(7);
  wce::AdvanceTick(100);
  m_Lines.clear();
  Pump();
  EXPECT_TRUE(m_Lines.empty());

  for (const Case& c : cases) {
    m_Lines.clear();
    ::SendMessageW(Hwnd(), WM_TIMER, c.m_nId, 0);
    EXPECT_EQ(m_Lines, c.m_Expected) << std::hex << c.m_nId;
  }
}

TEST_F(UiRealWnd, RegisteredMessagesFanOutInRegistrationOrder) {
  const UINT nMsg = ::RegisterWindowMessageW(u"UiRealWndTest.Fan");
  CProbeLayer* pA = AddProbe(m_pTop, RECT{0, 0, 1, 1}, u"a");
  CProbeLayer* pB = AddProbe(m_pTop, RECT{0, 0, 1, 1}, u"b");
  pB->RegisterMsg(nMsg);
  pA->RegisterMsg(nMsg);
  pA->RegisterMsg(nMsg);  // once per layer
  pA->m_nResult = 11;
  pB->m_nResult = 22;
  EXPECT_EQ(::SendMessageW(Hwnd(), nMsg, 5, 0), 11);
  EXPECT_EQ(m_Lines, (Lines{"b message 5 0", "a message 5 0"}));

  // A message nobody registered goes to USER's default.
  m_Lines.clear();
  EXPECT_EQ(::SendMessageW(Hwnd(), WM_USER + 77, 0, 0), 0);
  EXPECT_TRUE(m_Lines.empty());

  ClearLog();
  m_pWnd->UnRegisterMsg(WM_USER + 77, pA);
  m_pWnd->UnRegisterMsg(nMsg, m_pTop);
  EXPECT_EQ(CountMessages("CWceUiRealWnd::UnRegisterMsg failed, nMsg " + std::to_string(WM_USER + 77) +
                          " is not registered"),
            1);
  EXPECT_EQ(CountMessages("CWceUiRealWnd::UnRegisterMsg failed, can not find the layer"), 1);
  // Deleting the layers unregisters them, leaving the map empty for the window's destructor.
  Ctrl()->DeleteLayer(pA);
  Ctrl()->DeleteLayer(pB);
  EXPECT_EQ(::SendMessageW(Hwnd(), nMsg, 5, 0), 0);
}

TEST_F(UiRealWnd, AWindowThatEndsWhileItsRootBodyIsRegisteredUnregistersItFromALiveMap) {
  const UINT nMsgA = ::RegisterWindowMessageW(u"UiRealWndTest.EndA");
  const UINT nMsgB = ::RegisterWindowMessageW(u"UiRealWndTest.EndB");
  auto pWnd = std::make_unique<CWceUiRealWnd>();
  const RECT rc = {0, 0, 10, 10};
  ASSERT_TRUE(pWnd->Create(WS_POPUP, &rc, nullptr));
  // The controller deletes the root body as the window ends: the body's registrations are the
  // ones still in the map then.
  CWceUiLayer* pBody = pWnd->GetLayerCtrl()->RootLayer();
  pBody->RegisterMsg(nMsgA);
  pBody->RegisterMsg(nMsgB);
  ::DestroyWindow(pWnd->GetSafeHwnd());
  ClearLog();
  pWnd.reset();
  EXPECT_EQ(CountMessages("UnRegisterMsg failed"), 0);
}

TEST_F(UiRealWnd, AHandlerThatDeletesLayersDoesNotBreakTheFanOut) {
  const UINT nMsg = ::RegisterWindowMessageW(u"UiRealWndTest.Delete");
  const UINT nDeleteMsg = WM_USER + 40;
  struct Case {
    const char* m_pszWhat;
    bool m_bNested;  // the deletion happens inside a nested modal run
  } cases[] = {{"directly", false}, {"in a nested modal run", true}};
  for (const Case& c : cases) {
    CProbeLayer* pFirst = AddProbe(m_pTop, RECT{0, 0, 1, 1}, u"first");
    CProbeLayer* pVictim1 = AddProbe(m_pTop, RECT{0, 0, 1, 1}, u"victim1");
    CProbeLayer* pVictim2 = AddProbe(m_pTop, RECT{0, 0, 1, 1}, u"victim2");
    CProbeLayer* pLast = AddProbe(m_pTop, RECT{0, 0, 1, 1}, u"last");
    for (CProbeLayer* p : {pFirst, pVictim1, pVictim2, pLast}) p->RegisterMsg(nMsg);
    pLast->m_nResult = 9;
    auto deleteVictims = [&] {
      Ctrl()->DeleteLayer(pVictim1);
      Ctrl()->DeleteLayer(pVictim2);
    };
    CRealDlg inner;
    // The inner run's loop dispatches the request to delete; the handler then ends the run.
    pFirst->RegisterMsg(nDeleteMsg);
    pFirst->m_fnOnMessage = [&](UINT nGot) -> LRESULT {
      if (nGot == nDeleteMsg) {
        deleteVictims();
        inner.EndDialog(1);
        return 0;
      }
      if (!c.m_bNested) {
        deleteVictims();
        return 0;
      }
      const RECT rcInner = {0, 0, 10, 10};
      m_pWnd->PostMessage(nDeleteMsg, 0, 0);
      EXPECT_EQ(inner.DoModal(WS_POPUP | WS_VISIBLE, &rcInner, Hwnd()), 1);
      return 0;
    };
    m_Lines.clear();
    EXPECT_EQ(::SendMessageW(Hwnd(), nMsg, 3, 0), 9) << c.m_pszWhat;
    const Lines expected = c.m_bNested ? Lines{"first message 3 0", "first message 0 0", "last message 3 0"}
                                       : Lines{"first message 3 0", "last message 3 0"};
    EXPECT_EQ(m_Lines, expected) << c.m_pszWhat;
    Ctrl()->DeleteLayer(pFirst);
    Ctrl()->DeleteLayer(pLast);
  }
}

// Pixels of the screen after painting, at both depths.
class UiRealWndPaint : public UiRealWndFixture, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override { SetUpWindow(GetParam()); }

  DWORD Pixel(COLORREF cr) const { return ScreenValue(cr, GetParam()); }
  std::vector<DWORD> Screen() {
    int nBitsPixel = 0;
    std::vector<DWORD> out = ScreenPixels(&nBitsPixel);
    EXPECT_EQ(nBitsPixel, GetParam());
    return out;
  }
  static COLORREF ColumnColour(int x) { return RGB(6 * x, 255 - 6 * x, 40 + 4 * x); }
};

TEST_P(UiRealWndPaint, TheTreeIsDrawnAndOnlyThePaintRectangleCopied) {
  // One layer a column, every column a different colour, and a block in front.
  for (int x = 0; x < kScreenW; ++x) {
    CWceUiLayer* p = AddProbe(m_pTop, RECT{x, 0, x + 1, kScreenH}, nullptr);
    p->GetStyle()->GetBgColorCtrl().SetColor(ColumnColour(x));
  }
  CProbeLayer* pBlock = AddProbe(m_pTop, RECT{5, 3, 12, 9}, u"block");
  pBlock->GetStyle()->GetBgColorCtrl().SetColor(RGB(0, 0, 255));
  // Invalidations raised while the tree draws are dropped.
  pBlock->m_fnOnDraw = [&] { pBlock->InvalidateRect(nullptr); };
  ::InvalidateRect(Hwnd(), nullptr, FALSE);
  ASSERT_TRUE(::UpdateWindow(Hwnd()));
  RECT rcLeft = {};
  EXPECT_FALSE(::GetUpdateRect(Hwnd(), &rcLeft, FALSE));

  std::vector<DWORD> expected;
  for (int y = 0; y < kScreenH; ++y) {
    for (int x = 0; x < kScreenW; ++x) {
      const bool bBlock = x >= 5 && x < 12 && y >= 3 && y < 9;
      expected.push_back(Pixel(bBlock ? RGB(0, 0, 255) : ColumnColour(x)));
    }
  }
  EXPECT_EQ(Screen(), expected);

  // A window bitmap that is kept off the screen leaves the screen alone: change the block without
  // painting it, then paint one rectangle; only that rectangle changes on the screen.
  pBlock->m_fnOnDraw = nullptr;
  pBlock->GetStyle()->GetBgColorCtrl().SetColor(RGB(255, 0, 0));
  m_pWnd->EnableInvalidate(FALSE);
  const RECT rcPart = {6, 4, 8, 5};
  HDC hdc = ::GetDC(Hwnd());
  m_pWnd->OnPaint(hdc, rcPart);
  ::ReleaseDC(Hwnd(), hdc);
  m_pWnd->EnableInvalidate(TRUE);
  for (int x = 6; x < 8; ++x) expected[4 * kScreenW + x] = Pixel(RGB(255, 0, 0));
  EXPECT_EQ(Screen(), expected);
}

TEST_P(UiRealWndPaint, PaintWndCopiesAWholeClientSizeBitmapOnly) {
  std::unique_ptr<CWceUiGenericBitmap> pBmp(m_pWnd->GetCurWndBmp());
  ASSERT_NE(pBmp, nullptr);
  EXPECT_EQ(pBmp->GetBitsPixel(), GetParam());
  ASSERT_TRUE(pBmp->FillColor(RGB(10, 200, 30), nullptr));
  EXPECT_TRUE(m_pWnd->PaintWnd(pBmp.get()));
  EXPECT_EQ(Screen(), std::vector<DWORD>(kScreenW * kScreenH, Pixel(RGB(10, 200, 30))));

  ClearLog();
  std::unique_ptr<CWceUiGenericBitmap> pSmall(WceUiCreateBitmapObject(GetParam()));
  ASSERT_TRUE(pSmall->CreateDIB(kScreenW - 1, kScreenH));
  EXPECT_FALSE(m_pWnd->PaintWnd(pSmall.get()));
  EXPECT_EQ(CountMessages("CWceUiRealWnd::PaintWnd failed, the size of pWndBmp is not match the window size"),
            1);
}

TEST_P(UiRealWndPaint, AWindowOfNoSizeDrawsAndCopiesNothing) {
  CWceUiRealWnd empty;
  const RECT rcEmpty = {3, 3, 3, 3};
  ASSERT_TRUE(empty.Create(WS_POPUP | WS_VISIBLE, &rcEmpty, nullptr));
  CWceUiLayer* pDlg = new CWceUiLayer;
  pDlg->SetLayerCtrl(empty.GetLayerCtrl());
  empty.GetLayerCtrl()->InitLayerInfo(pDlg, u"dlg");
  empty.GetLayerCtrl()->RootLayer()->AppendChild(pDlg);
  pDlg->GetStyle()->GetBgColorCtrl().SetColor(RGB(1, 2, 3));
  HDC hdc = ::GetDC(empty.GetSafeHwnd());
  empty.OnPaint(hdc, RECT{0, 0, 5, 5});
  ::ReleaseDC(empty.GetSafeHwnd(), hdc);
  ClearLog();
  EXPECT_EQ(empty.GetCurWndBmp(), nullptr);
  EXPECT_EQ(CountMessages("CWceUiRealWnd::GetCurWndBmp, CreateDIB failed"), 1);
  EXPECT_FALSE(empty.Apply(nullptr));
  empty.GetLayerCtrl()->DeleteLayer(pDlg);
  ::DestroyWindow(empty.GetSafeHwnd());
}

TEST_P(UiRealWndPaint, AChangeOfTheClientSizeRedrawsAtTheNewSizeWithoutFalseChecks) {
  CProbeLayer* pAll = AddProbe(m_pTop, RECT{0, 0, kScreenW, kScreenH}, u"all");
  pAll->GetStyle()->GetBgColorCtrl().SetColor(RGB(0, 255, 0));
  ::InvalidateRect(Hwnd(), nullptr, FALSE);
  ASSERT_TRUE(::UpdateWindow(Hwnd()));
  // Smaller, then back to full: each size change makes a window bitmap of the new size.
  struct Case {
    int m_nWidth, m_nHeight;
    COLORREF m_crCr;
  } cases[] = {{kScreenW / 2, kScreenH / 2, RGB(255, 0, 0)}, {kScreenW, kScreenH, RGB(0, 0, 255)}};
  for (const Case& c : cases) {
    ClearLog();
    pAll->GetStyle()->GetBgColorCtrl().SetColor(c.m_crCr);
    ASSERT_TRUE(m_pWnd->MoveWindow(0, 0, c.m_nWidth, c.m_nHeight, TRUE));
    ::InvalidateRect(Hwnd(), nullptr, FALSE);
    ASSERT_TRUE(::UpdateWindow(Hwnd()));
    const std::vector<DWORD> screen = Screen();
    ASSERT_EQ(screen.size(), static_cast<size_t>(kScreenW * kScreenH));
    std::vector<DWORD> shown;
    for (int y = 0; y < c.m_nHeight; ++y) {
      for (int x = 0; x < c.m_nWidth; ++x) shown.push_back(screen[y * kScreenW + x]);
    }
    EXPECT_EQ(shown, std::vector<DWORD>(shown.size(), Pixel(c.m_crCr))) << c.m_nWidth;
    EXPECT_EQ(CountMessages("check("), 0) << c.m_nWidth;
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, UiRealWndPaint, ::testing::Values(16, 32));

// A transition that does nothing to see: it only counts its calls.
class CCountingAni : public CWceUiWndAnimate {
 public:
  BOOL Play(CWceUiGenericBitmap*, CWceUiGenericBitmap*, CWceUiGenericBitmap*, int,
            DWORD* lpPlayTime) override {
    ++m_nFrames;
    *lpPlayTime = 0;
    return TRUE;
  }
  void End() override { ++m_nEnds; }
  int m_nFrames = 0;
  int m_nEnds = 0;
};

TEST_F(UiRealWnd, InputStampedBeforeTheEndOfATransitionIsDropped) {
  AddProbe(m_pTop, RECT{0, 0, 40, 20}, u"back");
  CCountingAni shortAni;
  shortAni.SetFrameCount(2);
  CCountingAni longAni;
  longAni.SetFrameCount(3);
  CCountingAni off;
  off.SetEnabled(FALSE);
  CWceUiWndAnimate* anims[] = {&shortAni, &off, &longAni};

  // Without a snapshot nothing plays.
  ClearLog();
  EXPECT_FALSE(m_pWnd->Play(anims, 3, TRUE));
  EXPECT_EQ(CountMessages("CWceUiRealWnd::Play failed, please make sure the previous Apply return TRUE"), 1);

  // A press queued while the transition blocked the thread, stamped before its end, is dropped;
  // one stamped after reaches the layer.
  ASSERT_TRUE(m_pWnd->Apply(nullptr));
  Mouse(WM_LBUTTONDOWN, 3, 4, ::GetTickCount());
  EXPECT_TRUE(m_pWnd->Play(anims, 3, TRUE));
  EXPECT_EQ(shortAni.m_nFrames, 2);
  EXPECT_EQ(longAni.m_nFrames, 3);
  EXPECT_EQ(off.m_nFrames, 0);
  EXPECT_EQ(shortAni.m_nEnds + longAni.m_nEnds, 2);
  wce::AdvanceTick(1);
  Mouse(WM_LBUTTONUP, 3, 4, ::GetTickCount());
  Pump();
  EXPECT_EQ(m_Lines, Lines{"back up 3 4"});

  // Only disabled animations: TRUE at once, and the queued input is still dropped.
  ASSERT_TRUE(m_pWnd->Apply(nullptr));
  Mouse(WM_LBUTTONDOWN, 3, 4, ::GetTickCount());
  CWceUiWndAnimate* offOnly[] = {&off};
  EXPECT_TRUE(m_pWnd->Play(offOnly, 1, TRUE));
  m_Lines.clear();
  Pump();
  EXPECT_TRUE(m_Lines.empty());

  // Without bIgnoreInput the press stays.
  ASSERT_TRUE(m_pWnd->Apply(nullptr));
  wce::AdvanceTick(1);
  Mouse(WM_LBUTTONDOWN, 3, 4, ::GetTickCount());
  EXPECT_TRUE(m_pWnd->Play(offOnly, 1, FALSE));
  Pump();
  EXPECT_EQ(m_Lines, Lines{"back down 3 4"});
}

TEST_F(UiRealWnd, CloseLeavesTheWindow) {
  ::SendMessageW(Hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(::IsWindow(Hwnd()));
}

}  // namespace
