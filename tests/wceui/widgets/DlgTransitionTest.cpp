// A dialog's "in" and "out" transitions as DoModal plays them through the real window, at both
// depths on the manual clock: a dialog whose style file names them, opened over a parent dialog.
// Every frame the window paints is checked on the screen against the transition's rule (which
// strip of the old and of the new picture shows), each frame's start against its length less the
// ticks its work and paint took, and the refusals of Play by their lines.
#include "tests/wceui/drawing/PixelRules.h"
#include "tests/wceui/animate/AniRules.h"
#include "tests/wceui/widgets/WidgetDlgFixture.h"
#include "wceui/animate/CWceUiGoAni.h"
#include "platform/kernel/KernelHooks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// The ticks each frame of a CWorkingGoAni takes, and how many of its transitions ended.
DWORD g_dwAniWork = 0;
int g_nAniEnds = 0;

}  // namespace

// A slide-out whose frames take g_dwAniWork ticks each, named by style files as any kind is.
class CWorkingGoAni : public CWceUiGoAni {
 public:
  CWorkingGoAni() { SetClassName(WCEUI_CLASS_NAME(CWorkingGoAni)); }
  BOOL Play(CWceUiGenericBitmap* pMixedBitmap, CWceUiGenericBitmap* pFromBitmap,
            CWceUiGenericBitmap* pToBitmap, int nCurFrame, DWORD* lpPlayTime) override {
    wce::AdvanceTick(g_dwAniWork);
    return CWceUiGoAni::Play(pMixedBitmap, pFromBitmap, pToBitmap, nCurFrame, lpPlayTime);
  }
  void End() override { ++g_nAniEnds; }
};

WCEUI_DYNCREATE_BEGIN(CWorkingGoAni, CWceUiGoAni)
WCEUI_DYNCREATE_END(CWorkingGoAni)

namespace {

using Lines = std::vector<std::string>;
using Screen = std::vector<DWORD>;

constexpr int kW = 20;
constexpr int kH = 8;
// The dialog on top, in window coordinates.
constexpr RECT kChildRect = {3, 1, 15, 7};
constexpr char16_t kChildDlgPath[] = u"\\SDMMC\\CECorvane\\Wnd\\child.dlg.xml";
constexpr char16_t kChildStylePath[] = u"\\SDMMC\\CECorvane\\Wnd\\child.style.xml";

// The real window of these tests. It notes each frame a transition paints (a paint outside the
// paint pipeline): the tick, and the screen as the frame before left it. A frame's paint can be
// given a cost in ticks, and a hook can act on it.
class CFrameWnd : public CWceUiRealWnd {
 public:
  struct Frame {
    DWORD m_dwTick;
    Screen m_Before;
  };

  void OnPaint(HDC hdc, const RECT& rcPaint) override {
    m_bInPaint = true;
    CWceUiRealWnd::OnPaint(hdc, rcPaint);
    m_bInPaint = false;
  }
  BOOL OnWndBmpReady(CWceUiGenericBitmap* pWndBmp) override {
    if (!m_bInPaint) {
      m_Frames.push_back({::GetTickCount(), ScreenPixels()});
      if (m_fnOnFrame) m_fnOnFrame(m_Frames.size() - 1);
      wce::AdvanceTick(m_dwPaintCost);
    }
    return CWceUiRealWnd::OnWndBmpReady(pWndBmp);
  }

  std::vector<Frame> m_Frames;
  DWORD m_dwPaintCost = 0;
  std::function<void(size_t nFrame)> m_fnOnFrame;

 private:
  bool m_bInPaint = false;
};

// The dialog that opens over the parent: by default it ends as soon as it is initialised, so
// DoModal plays its "in" and then its "out" with nothing painted between.
class CTransitionDlg : public CWceUiDlg {
 public:
  void OnInitDialog() override {
    if (m_fnOnInitDialog) {
      m_fnOnInitDialog();
    } else {
      EndDialog(7);
    }
  }
  void OnLButtonDownNoHit(UINT, int x, int y) override {
    m_Lines.push_back("nohit " + std::to_string(x) + " " + std::to_string(y));
    if (m_fnOnNoHit) m_fnOnNoHit();
  }
  LRESULT OnMessage(UINT nMsg, WPARAM wParam, LPARAM) override {
    if (m_fnOnMessage) m_fnOnMessage(nMsg, wParam);
    return 0;
  }

  std::function<void()> m_fnOnInitDialog;
  std::function<void(UINT, WPARAM)> m_fnOnMessage;
  std::function<void()> m_fnOnNoHit;
  Lines m_Lines;
};

// Every pixel of both pictures differs, at both depths: red names the column, green the row and
// blue the picture (0 the parent, 1 the dialog on top).
COLORREF Colour(int pic, int x, int y) {
  return RGB(8 * x + 4, 8 * y + 4, pic == 0 ? 40 : 200);
}

std::u16string Num(int n) {
  return WceUtf8ToWide(std::to_string(n));
}

// One layer a pixel over rc, each with its own style; the text of the layers and of their styles.
void PixelLayers(int pic, const RECT& rc, std::u16string* pLayers, std::u16string* pStyles) {
  for (int y = rc.top; y < rc.bottom; ++y) {
    for (int x = rc.left; x < rc.right; ++x) {
      const std::u16string name = u"p" + Num(pic) + u"_" + Num(x) + u"_" + Num(y);
      const COLORREF cr = Colour(pic, x, y);
      char hex[16];
      std::snprintf(hex, sizeof hex, "0x%02X%02X%02X", static_cast<unsigned>(cr & 0xFF),
                    static_cast<unsigned>((cr >> 8) & 0xFF), static_cast<unsigned>((cr >> 16) & 0xFF));
      *pLayers += u"<l type=\"CWceUiLayer\" style=\"" + name + u"\"/>";
      *pStyles += u"<" + name + u"><position rect=\"" + Num(x) + u"," + Num(y) +
                  u",1,1\"/><background color=\"" + WceUtf8ToWide(hex) + u"\"/></" + name + u">";
    }
  }
}

// One transition of a table: its element in the style file and the rule it is checked by.
struct Transition {
  const char16_t* m_pszClass;
  const char16_t* m_pszDirection;  // nullptr: the cross-fade's none
  UINT m_nDirection;
  int m_nFrames;
  int m_nLength;
  const char16_t* m_pszRect;  // nullptr: the whole window
  RECT m_rcWork;              // the rectangle clipped to the window

  std::u16string Element(const char16_t* pName) const {
    std::u16string e = u"<" + std::u16string(pName) + u" type=\"" + m_pszClass + u"\" frame-count=\"" +
                       Num(m_nFrames) + u"\" frame-length=\"" + Num(m_nLength) + u"\"";
    if (m_pszDirection != nullptr) e += u" direction=\"" + std::u16string(m_pszDirection) + u"\"";
    if (m_pszRect != nullptr) e += u" rect=\"" + std::u16string(m_pszRect) + u"\"";
    return e + u"/>";
  }
};

constexpr RECT kWhole = {0, 0, kW, kH};

class DlgTransition : public WidgetDlgFixture, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    m_nBitsPixel = GetParam();
    SetUpSized(kW, kH);
    g_dwAniWork = 0;
    g_nAniEnds = 0;
    std::u16string layers;
    std::u16string styles;
    PixelLayers(0, kWhole, &layers, &styles);
    ASSERT_NE(Open(layers, styles), nullptr);
    ::UpdateWindow(Hwnd());
    ASSERT_EQ(ScreenPixels(), Picture(false)) << "the parent as the test draws it";
  }
  void TearDown() override {
    if (m_pChild != nullptr) Ctrl()->DeleteLayer(m_pChild);
    m_pChild = nullptr;
    WidgetDlgFixture::TearDown();
  }
  std::unique_ptr<CWceUiRealWnd> MakeWindow() override { return std::make_unique<CFrameWnd>(); }
  CFrameWnd* Wnd() { return static_cast<CFrameWnd*>(m_pWnd.get()); }

  // The dialog on top, its style file naming animates; nullptr when Init refuses it.
  CTransitionDlg* Child(const std::u16string& animates) {
    if (m_pChild != nullptr) Ctrl()->DeleteLayer(m_pChild);
    std::u16string layers;
    std::u16string styles;
    PixelLayers(1, kChildRect, &layers, &styles);
    const std::u16string rect = Num(kChildRect.left) + u"," + Num(kChildRect.top) + u"," +
                                Num(kChildRect.right - kChildRect.left) + u"," +
                                Num(kChildRect.bottom - kChildRect.top);
    WceUiPutTextFile(kChildDlgPath,
                     u"<dialog><body name=\"child\" style=\"child\">" + layers + u"</body></dialog>");
    WceUiPutTextFile(kChildStylePath, u"<root><style><child><position rect=\"" + rect +
                                          u"\"/><layout container=\"true\"/></child>" + styles +
                                          u"</style><animate>" + animates + u"</animate></root>");
    m_pChild = new CTransitionDlg;
    m_pChild->SetLayerCtrl(Ctrl());
    if (!m_pChild->Init(kChildDlgPath, kChildStylePath)) return nullptr;
    return m_pChild;
  }

  DWORD Value(int pic, int x, int y) const { return ScreenValue(Colour(pic, x, y), GetParam()); }
  // The parent alone, or with the dialog on top.
  DWORD PictureAt(bool bWithChild, int x, int y) const {
    const bool bChild = bWithChild && x >= kChildRect.left && x < kChildRect.right && y >= kChildRect.top &&
                        y < kChildRect.bottom;
    return Value(bChild ? 1 : 0, x, y);
  }
  Screen Picture(bool bWithChild) const {
    Screen s;
    for (int y = 0; y < kH; ++y) {
      for (int x = 0; x < kW; ++x) s.push_back(PictureAt(bWithChild, x, y));
    }
    return s;
  }
  // Frame n of the transition from one picture to the other, by its rule: outside the working
  // rectangle the old picture; the last frame the new one inside it.
  Screen Frame(const Transition& t, bool bIn, int n) const {
    // The test's slide-out moves as the slide-out does.
    const std::u16string cls =
        t.m_pszClass == std::u16string(u"CWorkingGoAni") ? u"CWceUiGoAni" : t.m_pszClass;
    const AniCase* pCase = t.m_pszDirection != nullptr ? FindAniCase(cls, t.m_nDirection) : nullptr;
    EXPECT_TRUE(pCase != nullptr || t.m_pszDirection == nullptr);
    const RECT& r = t.m_rcWork;
    Screen s;
    for (int y = 0; y < kH; ++y) {
      for (int x = 0; x < kW; ++x) {
        const DWORD dwOld = PictureAt(!bIn, x, y);
        const DWORD dwNew = PictureAt(bIn, x, y);
        const bool bInside = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
        if (!bInside) {
          s.push_back(dwOld);
        } else if (n + 1 == t.m_nFrames) {
          s.push_back(dwNew);
        } else if (pCase == nullptr) {
          const int nAlpha = 255 / t.m_nFrames * (n + 1);
          s.push_back(GetParam() == 16
                          ? RefBlend565(static_cast<WORD>(dwOld), static_cast<WORD>(dwNew), nAlpha)
                          : RefBlend32(dwOld, dwNew, nAlpha));
        } else {
          const AniPixel src = AniFramePixel(*pCase, r, n, t.m_nFrames, x, y);
          s.push_back(PictureAt(src.m_Pic == kAniNew ? bIn : !bIn, src.m_nX, src.m_nY));
        }
      }
    }
    return s;
  }
  // The ticks of the noted frames, counted from dwStart.
  std::vector<DWORD> FrameTicks(DWORD dwStart) {
    std::vector<DWORD> ticks;
    for (const CFrameWnd::Frame& f : Wnd()->m_Frames) ticks.push_back(f.m_dwTick - dwStart);
    return ticks;
  }

  CTransitionDlg* m_pChild = nullptr;
};

TEST_P(DlgTransition, InAndOutShowEveryFrameOfTheirRuleOnTheScreen) {
  const struct {
    Transition m_In;
    Transition m_Out;
  } cases[] = {
      // Moving strips over the whole window.
      {{u"CWceUiComeAni", u"left", kWceUiAniLeft, 5, 33, nullptr, kWhole},
       {u"CWceUiGoAni", u"right", kWceUiAniRight, 4, 20, nullptr, kWhole}},
      // Rows, and rectangles inside and partly outside the window: outside them the frames keep
      // the old picture.
      {{u"CWceUiSliderAni", u"up", kWceUiSliderUp, 4, 40, u"2,1,13,6", {2, 1, 15, 7}},
       {u"CWceUiBarnAni", u"mid-lr", kWceUiAniMidLr, 5, 25, u"-3,2,40,40", {0, 2, kW, kH}}},
      // A cross-fade, then halves that enter from both edges.
      {{u"CWceUiBlendAni", nullptr, 0, 4, 30, nullptr, kWhole},
       {u"CWceUiComeAni", u"ud-mid", kWceUiAniUdMid, 3, 33, u"1,0,17,7", {1, 0, 18, 7}}},
  };
  for (const auto& c : cases) {
    const std::string what = WidgetNarrow(c.m_In.m_pszClass) + " then " + WidgetNarrow(c.m_Out.m_pszClass);
    CTransitionDlg* pChild = Child(c.m_In.Element(u"in") + c.m_Out.Element(u"out"));
    ASSERT_NE(pChild, nullptr) << what;
    Wnd()->m_Frames.clear();
    ClearLog();
    const DWORD dwStart = ::GetTickCount();
    EXPECT_EQ(pChild->DoModal(), 7) << what;

    // What the screen showed before each painted frame: the parent, each frame of the "in", then
    // each of the "out" but its last, which the screen shows at the end.
    std::vector<Screen> expected = {Picture(false)};
    std::vector<DWORD> ticks;
    for (int n = 0; n < c.m_In.m_nFrames; ++n) {
      expected.push_back(Frame(c.m_In, true, n));
      ticks.push_back(static_cast<DWORD>(n * c.m_In.m_nLength));
    }
    const DWORD dwOutStart = static_cast<DWORD>(c.m_In.m_nFrames * c.m_In.m_nLength);
    for (int n = 0; n < c.m_Out.m_nFrames; ++n) {
      if (n + 1 < c.m_Out.m_nFrames) expected.push_back(Frame(c.m_Out, false, n));
      ticks.push_back(dwOutStart + static_cast<DWORD>(n * c.m_Out.m_nLength));
    }
    ASSERT_EQ(Wnd()->m_Frames.size(), expected.size()) << what;
    for (size_t k = 0; k < expected.size(); ++k) {
      EXPECT_EQ(Wnd()->m_Frames[k].m_Before, expected[k]) << what << ", before frame " << k;
    }
    EXPECT_EQ(ScreenPixels(), Frame(c.m_Out, false, c.m_Out.m_nFrames - 1)) << what;
    // Each frame stays its length, and DoModal returns when the last one's length is over.
    EXPECT_EQ(FrameTicks(dwStart), ticks) << what;
    EXPECT_EQ(::GetTickCount() - dwStart,
              dwOutStart + static_cast<DWORD>(c.m_Out.m_nFrames * c.m_Out.m_nLength))
        << what;
    EXPECT_TRUE(Messages().empty()) << what << ": " << (Messages().empty() ? "" : Messages().front());
    // Once painted, the window shows the parent alone again.
    ::UpdateWindow(Hwnd());
    EXPECT_EQ(ScreenPixels(), Picture(false)) << what;
  }
}

TEST_P(DlgTransition, AFrameStaysItsLengthLessTheTicksItsWorkAndPaintTook) {
  const struct {
    DWORD m_dwWork;
    DWORD m_dwPaint;
    int m_nLength;
    DWORD m_dwPeriod;  // from one frame's start to the next
  } cases[] = {
      {0, 0, 33, 33},   {10, 0, 33, 33},  {0, 10, 33, 33},
      {20, 13, 33, 33}, {30, 13, 33, 43},  // work and paint took longer than the frame: no wait
      {50, 0, 33, 50},  {0, 40, 33, 40},
  };
  for (const auto& c : cases) {
    const std::string what =
        std::to_string(c.m_dwWork) + "+" + std::to_string(c.m_dwPaint) + " of " + std::to_string(c.m_nLength);
    const Transition in = {u"CWorkingGoAni", u"left", kWceUiAniLeft, 4, c.m_nLength, nullptr, kWhole};
    CTransitionDlg* pChild = Child(in.Element(u"in"));
    ASSERT_NE(pChild, nullptr) << what;
    g_dwAniWork = c.m_dwWork;
    g_nAniEnds = 0;
    Wnd()->m_dwPaintCost = c.m_dwPaint;
    Wnd()->m_Frames.clear();
    const DWORD dwStart = ::GetTickCount();
    EXPECT_EQ(pChild->DoModal(), 7) << what;
    // A frame is painted once its work is done.
    std::vector<DWORD> ticks;
    for (DWORD n = 0; n < 4; ++n) ticks.push_back(n * c.m_dwPeriod + c.m_dwWork);
    EXPECT_EQ(FrameTicks(dwStart), ticks) << what;
    EXPECT_EQ(::GetTickCount() - dwStart, 4 * c.m_dwPeriod) << what;
    EXPECT_EQ(g_nAniEnds, 1) << what;
    EXPECT_EQ(ScreenPixels(), Frame(in, true, 3)) << what;
  }
}

TEST_P(DlgTransition, TransitionsPlayWhereTheStyleFileNamesThemAndNotOverADisabledDialog) {
  const Transition in = {u"CWceUiComeAni", u"down", kWceUiAniDown, 3, 33, nullptr, kWhole};
  const Transition out = {u"CWceUiGoAni", u"up", kWceUiAniUp, 2, 33, nullptr, kWhole};
  const struct {
    const char* m_pszWhat;
    std::u16string m_strAnimates;
    bool m_bParentDisabled;
    size_t m_nFrames;
  } cases[] = {
      {"in and out", in.Element(u"in") + out.Element(u"out"), false, 5},
      {"in alone", in.Element(u"in"), false, 3},
      {"out alone", out.Element(u"out"), false, 2},
      {"names of other transitions", in.Element(u"enter") + out.Element(u"leave"), false, 0},
      {"over a disabled dialog", in.Element(u"in") + out.Element(u"out"), true, 0},
  };
  for (const auto& c : cases) {
    CTransitionDlg* pChild = Child(c.m_strAnimates);
    ASSERT_NE(pChild, nullptr) << c.m_pszWhat;
    m_pDlg->EnableLayer(c.m_bParentDisabled ? FALSE : TRUE, FALSE);
    Wnd()->m_Frames.clear();
    ClearLog();
    const DWORD dwStart = ::GetTickCount();
    EXPECT_EQ(pChild->DoModal(), 7) << c.m_pszWhat;
    EXPECT_EQ(Wnd()->m_Frames.size(), c.m_nFrames) << c.m_pszWhat;
    EXPECT_EQ(::GetTickCount() - dwStart, 33 * c.m_nFrames) << c.m_pszWhat;
    // A missing transition is no failure.
    EXPECT_TRUE(Messages().empty()) << c.m_pszWhat << ": " << (Messages().empty() ? "" : Messages().front());
    // The dialog below is given back as it was.
    EXPECT_EQ(m_pDlg->IsLayerEnable(), c.m_bParentDisabled ? FALSE : TRUE) << c.m_pszWhat;
  }
}

// Input queued while the "in" blocked the thread is dropped; input given after it is not.
TEST_P(DlgTransition, InputQueuedBeforeTheInTransitionEndsIsDropped) {
  const Transition in = {u"CWceUiBarnAni", u"right", kWceUiAniRight, 3, 33, nullptr, kWhole};
  CTransitionDlg* pChild = Child(in.Element(u"in"));
  ASSERT_NE(pChild, nullptr);
  const UINT kGoOnMsg = WM_USER + 71;
  pChild->RegisterMsg(kGoOnMsg);
  // The loop takes posts before input: the post gives the second press once the transition is
  // over, and the first press that reaches the dialog ends it.
  pChild->m_fnOnInitDialog = [] {};
  pChild->m_fnOnMessage = [&](UINT, WPARAM) {
    wce::AdvanceTick(1);
    Mouse(WM_LBUTTONDOWN, 18, 0);
  };
  pChild->m_fnOnNoHit = [&] { pChild->EndDialog(7); };
  // Both on the parent's area, where the dialog on top takes presses that hit no layer.
  Mouse(WM_LBUTTONDOWN, 1, 1);
  m_pWnd->PostMessage(kGoOnMsg, 0, 0);
  EXPECT_EQ(pChild->DoModal(), 7);
  EXPECT_EQ(pChild->m_Lines, Lines{"nohit 18 0"});
}

// A transition that cannot play is one line of its reason and one of Play's; the dialog runs all
// the same, and shows once the window is painted.
TEST_P(DlgTransition, ATransitionThatCannotPlayIsReportedAndTheDialogRunsAllTheSame) {
  const Transition in = {u"CWceUiComeAni", u"left", kWceUiAniLeft, 3, 33, nullptr, kWhole};
  const Transition out = {u"CWceUiGoAni", u"up", kWceUiAniUp, 2, 33, nullptr, kWhole};
  const Transition working = {u"CWorkingGoAni", u"left", kWceUiAniLeft, 4, 33, nullptr, kWhole};
  const RECT rcNarrow = {0, 0, kW - 2, kH};
  const RECT rcNone = {0, 0, 0, 0};
  const struct {
    const char* m_pszWhat;
    std::u16string m_strAnimates;
    const RECT* m_pMoveTo;    // where the window goes before the "in" plays
    size_t m_nResizeAtFrame;  // the window loses a column while this frame is painted; 0: never
    size_t m_nFrames;
    Lines m_Lines;
  } cases[] = {
      {"an animation class nobody registered",
       u"<in type=\"CNoSuchAni\"/>" + out.Element(u"out"),
       nullptr,
       0,
       2,
       {"Load animate in failed, can not create object from type: CNoSuchAni"}},
      {"a rectangle outside the window",
       std::u16string(u"<in type=\"CWceUiComeAni\" rect=\"30,0,5,5\"/>") + out.Element(u"out"),
       nullptr,
       0,
       2,
       {"In CWceUiWndAnimate::CheckParameter, there is no IntersectRect in m_rcAnimate and rcWndBitmap",
        "In CWceUiRealWnd::Play, in pAnimate->ReStart failed"}},
      {"a window resized since the snapshot",
       in.Element(u"in"),
       &rcNarrow,
       0,
       0,
       {"In CWceUiRealWnd::Play, the size of pFromBitmap is not equal pWndBitmap"}},
      {"a window of no size",
       in.Element(u"in") + out.Element(u"out"),
       &rcNone,
       0,
       0,
       {"CWceUiRealWnd::CreateMixedBitmap, Can not create bitmap object, width = 0, height = 0",
        "In CWceUiRealWnd::Play, CreateMixedBitmap return NULL",
        "CWceUiRealWnd::Apply, GetCurWndBmp failed"}},
      {"a window resized during the transition",
       working.Element(u"in"),
       nullptr,
       1,
       2,
       {"CWceUiRealWnd::PaintWnd failed, the size of pWndBmp is not match the window size",
        "CWceUiRealWnd::Play failed, PaintWnd failed"}},
  };
  const UINT kShownMsg = WM_USER + 72;
  for (const auto& c : cases) {
    CTransitionDlg* pChild = Child(c.m_strAnimates);
    ASSERT_NE(pChild, nullptr) << c.m_pszWhat;
    pChild->RegisterMsg(kShownMsg);
    Screen shown;
    pChild->m_fnOnInitDialog = [&] {
      if (c.m_pMoveTo != nullptr) m_pWnd->MoveWindow(c.m_pMoveTo, TRUE);
      m_pWnd->PostMessage(kShownMsg, 0, 0);
    };
    pChild->m_fnOnMessage = [&](UINT, WPARAM) {
      ::UpdateWindow(Hwnd());
      shown = ScreenPixels();
      pChild->EndDialog(7);
    };
    Wnd()->m_fnOnFrame = [&](size_t nFrame) {
      if (c.m_nResizeAtFrame != 0 && nFrame == c.m_nResizeAtFrame) m_pWnd->MoveWindow(&rcNarrow, TRUE);
    };
    Wnd()->m_Frames.clear();
    g_nAniEnds = 0;
    ClearLog();
    EXPECT_EQ(pChild->DoModal(), 7) << c.m_pszWhat;
    EXPECT_EQ(Wnd()->m_Frames.size(), c.m_nFrames) << c.m_pszWhat;
    for (const std::string& line : c.m_Lines)
      EXPECT_EQ(CountMessages(line), 1) << c.m_pszWhat << ": " << line;
    // A transition that stopped is not told its end.
    EXPECT_EQ(g_nAniEnds, 0) << c.m_pszWhat;
    if (c.m_pMoveTo == nullptr && c.m_nResizeAtFrame == 0) {
      EXPECT_EQ(shown, Picture(true)) << c.m_pszWhat;
    }
    Wnd()->m_fnOnFrame = nullptr;
    m_pWnd->MoveWindow(&kWhole, TRUE);
  }
}

// Play itself: a frame that fails ends the transition there, unpainted, untold and with the
// snapshot gone; the input queued meanwhile stays. Animations that are all disabled play nothing.
TEST_P(DlgTransition, PlayStopsAtAFailedFrameAndPlaysNoDisabledAnimation) {
  // Whether the filter drops the presses queued now, as the modal loop takes them.
  auto pressesDropped = [&] {
    MSG msg = {};
    bool bDropped = false;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_LBUTTONDOWN) bDropped = WceUiGetGlobals()->GetIgnoreMsg()->IsIgnore(&msg) != 0;
    }
    return bDropped;
  };
  CWorkingGoAni bad;
  bad.SetName(u"Bad");
  bad.SetFrameCount(3);
  bad.SetDirection(kWceUiAniLrMid);  // not one of the slide-out's
  CWceUiWndAnimate* pBad = &bad;
  ASSERT_TRUE(m_pWnd->Apply(nullptr));
  Mouse(WM_LBUTTONDOWN, 1, 1);
  ClearLog();
  const DWORD dwStart = ::GetTickCount();
  EXPECT_FALSE(m_pWnd->Play(&pBad, 1, TRUE));
  EXPECT_EQ(CountMessages("CWorkingGoAni::Play failed , direction 5 is not valid"), 1);
  EXPECT_EQ(CountMessages("CWceUiRealWnd::Play, Bad pAnimate->Play failed"), 1);
  EXPECT_TRUE(Wnd()->m_Frames.empty());
  EXPECT_EQ(g_nAniEnds, 0);
  EXPECT_EQ(::GetTickCount(), dwStart);
  EXPECT_EQ(ScreenPixels(), Picture(false));
  EXPECT_FALSE(pressesDropped());
  ClearLog();
  EXPECT_FALSE(m_pWnd->Play(&pBad, 1, TRUE));
  EXPECT_EQ(CountMessages("CWceUiRealWnd::Play failed, please make sure the previous Apply return TRUE"), 1);

  CWorkingGoAni off;
  off.SetEnabled(FALSE);
  CWceUiWndAnimate* pOff = &off;
  ASSERT_TRUE(m_pWnd->Apply(nullptr));
  Mouse(WM_LBUTTONDOWN, 1, 1);
  EXPECT_TRUE(m_pWnd->Play(&pOff, 1, TRUE));
  EXPECT_TRUE(Wnd()->m_Frames.empty());
  EXPECT_EQ(g_nAniEnds, 0);
  EXPECT_EQ(::GetTickCount(), dwStart);
  EXPECT_TRUE(pressesDropped());
}

// Several animations at once: the frames run to the longest one, and each frame stays the length
// of the first animation that still plays in it.
TEST_P(DlgTransition, AFrameOfSeveralAnimationsStaysTheLengthOfTheFirstThatPlays) {
  const Transition a = {u"CWorkingGoAni", u"left", kWceUiAniLeft, 2, 20, u"0,0,10,8", {0, 0, 10, kH}};
  const Transition b = {u"CWceUiComeAni", u"right", kWceUiAniRight, 4, 50, u"10,0,10,8", {10, 0, kW, kH}};
  CTransitionDlg* pChild = Child(a.Element(u"a") + b.Element(u"b"));
  ASSERT_NE(pChild, nullptr);
  std::unique_ptr<CWceUiWndAnimate> pA(pChild->GetWndAnimate(u"a"));
  std::unique_ptr<CWceUiWndAnimate> pB(pChild->GetWndAnimate(u"b"));
  ASSERT_NE(pA, nullptr);
  ASSERT_NE(pB, nullptr);
  CWceUiWndAnimate* anims[] = {pA.get(), pB.get()};
  ASSERT_TRUE(m_pWnd->Apply(nullptr));
  Ctrl()->RootLayer()->AppendChild(pChild);
  const DWORD dwStart = ::GetTickCount();
  EXPECT_TRUE(m_pWnd->Play(anims, 2, TRUE));
  Ctrl()->RootLayer()->RemoveTail();
  EXPECT_EQ(FrameTicks(dwStart), (std::vector<DWORD>{0, 20, 40, 90}));
  EXPECT_EQ(::GetTickCount() - dwStart, 140u);
  EXPECT_EQ(g_nAniEnds, 1);
  // Each half of the window shows its own animation's frames, the left one done after two.
  for (size_t k = 1; k < Wnd()->m_Frames.size(); ++k) {
    const Screen left = Frame(a, true, std::min<int>(static_cast<int>(k) - 1, 1));
    const Screen right = Frame(b, true, static_cast<int>(k) - 1);
    Screen expected(left);
    for (size_t i = 0; i < expected.size(); ++i) {
      if (static_cast<int>(i % kW) >= 10) expected[i] = right[i];
    }
    EXPECT_EQ(Wnd()->m_Frames[k].m_Before, expected) << "before frame " << k;
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, DlgTransition, ::testing::Values(16, 32));

}  // namespace
