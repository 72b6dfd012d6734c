// The application's widgets in a dialog of a real window, on the test's clock: the loading
// animation looping over its frames, the resource progress running once and posting its end, and
// the check buttons' clicks.
#include "app/AppWindowMessages.h"
#include "app/widgets/CWceCheckBtn.h"
#include "app/widgets/CWceLoading.h"
#include "app/widgets/CWceResProgress.h"
#include "app/widgets/CWceTimerChkBtn.h"
#include "tests/wceui/drawing/BitmapPeek.h"
#include "tests/wceui/widgets/WidgetDlgFixture.h"
#include "wceui/drawing/WceUiDib.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;
using Ticks = std::vector<DWORD>;

// The colour of frame n (from 1): every frame its own.
DWORD FrameColour(int n) {
  return 0x00102030u + static_cast<DWORD>(n) * 0x00010203u;
}

// An 8x8 frame picture of one colour and its bitmap conf "<stem>.conf", with per-pixel alpha (an
// opaque alpha byte) when bAlpha.
void PutFrame(const std::u16string& stem, DWORD dwColour, bool bAlpha) {
  constexpr int kSide = 8;
  const DWORD dwPixel = dwColour | (bAlpha ? 0xFF000000u : 0u);
  WceUiResFixture::PutResBitmapConf(
      stem, kSide, kSide, [dwPixel](int, int) { return dwPixel; }, bAlpha);
}

std::u16string Wide(const std::string& s) {
  return WceUtf8ToWide(s);
}

// The attributes of an animation of "count" frames, nNames of them named "<prefix>1<suffix>" ...;
// a frame number in missing gets no name.
std::u16string FrameAttrs(const std::string& count, int nNames, const std::string& prefix,
                          const std::string& suffix = ".conf", const std::set<int>& missing = {}) {
  std::u16string attrs = u" res_count=\"" + Wide(count) + u"\"";
  for (int i = 1; i <= nNames; ++i) {
    if (missing.count(i) == 0) {
      attrs += u" res_name_" + Wide(std::to_string(i)) + u"=\"" + Wide(prefix + std::to_string(i) + suffix) +
               u"\"";
    }
  }
  return attrs;
}

// The animation sits at 2,2 and is 6x4: its 8x8 frames reach past it.
constexpr char16_t kAnimStyles[] = u"<anim><position rect=\"2,2,6,4\"/></anim>";
constexpr int kInsideX = 7, kInsideY = 5;    // the layer's last pixel
constexpr int kOutsideX = 8, kOutsideY = 5;  // the frame's, not the layer's

class AppWidgetsTest : public WidgetDlgFixture {
 protected:
  void SetUp() override {
    WidgetDlgFixture::SetUp();
    // The window layer forgot every registered message.
    RegisterAppWindowMessages();
    m_Watch = {WCEUI_RESPRO_END};
  }
  template <class T>
  T* OpenOne(const char16_t* pType, const std::u16string& attrs, const std::u16string& styles = kAnimStyles) {
    if (Open(u"<a type=\"" + std::u16string(pType) + u"\" name=\"anim\" style=\"anim\"" + attrs + u"/>",
             styles) == nullptr) {
      return nullptr;
    }
    return static_cast<T*>(Find("anim"));
  }
  // The debug lines (the application's own, without the framework's stamp) that hold the text.
  int CountLines(const std::string& text) {
    int n = 0;
    for (const std::string& line : Log()) n += line.find(text) != std::string::npos ? 1 : 0;
    return n;
  }
};

TEST_F(AppWidgetsTest, LoadingLoopsOverItsFramesEvery300MsUntilStopped) {
  for (int i = 1; i <= 4; ++i) PutFrame(u"l" + Wide(std::to_string(i)) + u".32a", FrameColour(i), true);
  const std::u16string attrs = FrameAttrs("4", 4, "l", ".32a.conf");
  auto* pLoading = OpenOne<CWceLoading>(u"CWceLoading", attrs);
  ASSERT_NE(pLoading, nullptr);
  EXPECT_EQ(pLoading->GetFrameCount(), 4);
  const DWORD dwBehind = Pixel(kOutsideX, kOutsideY);

  pLoading->Start();
  EXPECT_TRUE(pLoading->IsRunning());
  const int expected[] = {0, 1, 2, 3, 0, 1, 2};
  for (int nStep = 0; nStep < 7; ++nStep) {
    if (nStep > 0) {
      Pass(299);
      EXPECT_EQ(pLoading->GetCurFrame(), expected[nStep - 1]) << nStep;
      Pass(1);
    }
    EXPECT_EQ(pLoading->GetCurFrame(), expected[nStep]) << nStep;
    // The frame, blended at the layer's corner, cut at the layer's edge.
    EXPECT_EQ(Pixel(kInsideX, kInsideY), FrameColour(expected[nStep] + 1)) << nStep;
    EXPECT_EQ(Pixel(kOutsideX, kOutsideY), dwBehind) << nStep;
  }

  // Starting it again while it runs changes nothing: the next frame still comes on time.
  Pass(200);
  pLoading->Start();
  Pass(100);
  EXPECT_EQ(pLoading->GetCurFrame(), 3);

  pLoading->Stop();
  EXPECT_FALSE(pLoading->IsRunning());
  Pass(900);
  EXPECT_EQ(pLoading->GetCurFrame(), 3);
  // Presses on it are swallowed: it takes no capture and the dialog hears nothing.
  m_Lines.clear();
  Press(WM_LBUTTONDOWN, 3, 3);
  Press(WM_LBUTTONUP, 3, 3);
  EXPECT_TRUE(m_Lines.empty());
  EXPECT_EQ(m_pWnd->GetCaptureLayer(), nullptr);
}

TEST_F(AppWidgetsTest, LoadingFrameCounts) {
  for (int i = 1; i <= 12; ++i) PutFrame(u"l" + Wide(std::to_string(i)) + u".32a", FrameColour(i), true);
  struct Case {
    const char* m_pszWhat;
    std::u16string m_strAttrs;
    int m_nCount;
    std::vector<int> m_Frames;  // the frame index after each 300 ms
    std::vector<bool> m_Drawn;  // whether that frame shows a picture
  } cases[] = {
      {"no res_count", u"", 0, {0, 0}, {false, false}},
      {"a negative count", FrameAttrs("-3", 2, "l", ".32a.conf"), 0, {0, 0}, {false, false}},
      // More frames than holders: the loop goes over the ten held ones.
      {"twelve frames", FrameAttrs("12", 12, "l", ".32a.conf"), 10, {1, 2, 3, 4, 5, 6, 7, 8, 9, 0}, {}},
      {"a frame without a name",
       FrameAttrs("3", 3, "l", ".32a.conf", {2}),
       3,
       {1, 2, 0},
       {false, true, true}},
  };
  for (const Case& c : cases) {
    auto* pLoading = OpenOne<CWceLoading>(u"CWceLoading", c.m_strAttrs);
    ASSERT_NE(pLoading, nullptr) << c.m_pszWhat;
    EXPECT_EQ(pLoading->GetFrameCount(), c.m_nCount) << c.m_pszWhat;
    const DWORD dwBehind = Pixel(kOutsideX, kOutsideY);
    pLoading->Start();
    for (size_t n = 0; n < c.m_Frames.size(); ++n) {
      Pass(300);
      EXPECT_EQ(pLoading->GetCurFrame(), c.m_Frames[n]) << c.m_pszWhat << " " << n;
      if (n < c.m_Drawn.size()) {
        const DWORD dwWant = c.m_Drawn[n] ? FrameColour(c.m_Frames[n] + 1) : dwBehind;
        EXPECT_EQ(Pixel(kInsideX, kInsideY), dwWant) << c.m_pszWhat << " " << n;
      }
    }
    Ctrl()->DeleteLayer(m_pDlg);
    m_pDlg = nullptr;
  }
}

TEST_F(AppWidgetsTest, ResProgressRunsOncePerStartAndPostsItsEnd) {
  for (int i = 1; i <= 20; ++i) PutFrame(u"p" + Wide(std::to_string(i)), FrameColour(i), false);
  const DWORD dwBg = 0x00405060;
  PutFrame(u"bg", dwBg, false);
  // Twenty frames against sixteen holders: the last four are empty but take their time. The
  // layer's own background picture shows for the last two frames and while it is not running.
  auto* pProgress = OpenOne<CWceResProgress>(
      u"CWceResProgress", FrameAttrs("20", 20, "p"),
      u"<anim><position rect=\"2,2,6,4\"/><background><pic id=\"bg.conf\"/></background></anim>");
  ASSERT_NE(pProgress, nullptr);
  EXPECT_EQ(pProgress->GetFrameCount(), 20);
  EXPECT_FALSE(pProgress->IsAlpha());
  const DWORD dwBehind = Pixel(kOutsideX, kOutsideY);
  EXPECT_EQ(Pixel(kInsideX, kInsideY), FrameColour(1));

  for (int nRun = 0; nRun < 2; ++nRun) {
    m_Posts.clear();
    const DWORD dwStart = ::GetTickCount();
    pProgress->Start();
    EXPECT_TRUE(pProgress->IsRunning());
    struct Check {
      DWORD m_dwAt;  // since the start
      int m_nFrame;
      DWORD m_dwInside;  // 1: the frame's own colour
    } checks[] = {
        {0, 0, 1},
        {65, 1, 1},
        {64 + 65 * 15, 15, 1},
        {65 * 16, 16, dwBehind},  // no picture of its own, no background yet
        {65 * 17 + 64, 17, dwBehind},
        {65 * 18, 18, dwBg},
        {65 * 19, 19, dwBg},
    };
    DWORD dwNow = 0;
    for (const Check& k : checks) {
      Pass(k.m_dwAt - dwNow);
      dwNow = k.m_dwAt;
      EXPECT_EQ(pProgress->GetCurFrame(), k.m_nFrame) << k.m_dwAt;
      // Copied at the layer's corner, cut at its edge.
      EXPECT_EQ(Pixel(kInsideX, kInsideY), k.m_dwInside == 1 ? FrameColour(k.m_nFrame + 1) : k.m_dwInside)
          << k.m_dwAt;
      EXPECT_EQ(Pixel(kOutsideX, kOutsideY), dwBehind) << k.m_dwAt;
      // Starting it while it runs changes nothing.
      pProgress->Start();
    }
    Pass(1300 - dwNow + 500);
    EXPECT_EQ(PostTicks(WCEUI_RESPRO_END, dwStart), Ticks{1300}) << nRun;
    ASSERT_EQ(m_Posts.size(), 1u);
    EXPECT_EQ(m_Posts[0].m_wParam, 0u);
    EXPECT_EQ(m_Posts[0].m_lParam, 0);
    EXPECT_FALSE(pProgress->IsRunning());
    EXPECT_EQ(pProgress->GetCurFrame(), 0);
  }
}

TEST_F(AppWidgetsTest, ResProgressOfNoFramesEndsOnItsFirstTickAndDrawsNothing) {
  auto* pProgress = OpenOne<CWceResProgress>(u"CWceResProgress", u"");
  ASSERT_NE(pProgress, nullptr);
  const DWORD dwBehind = Pixel(kInsideX, kInsideY);
  const DWORD dwStart = ::GetTickCount();
  pProgress->Start();
  Pass(500);
  EXPECT_EQ(PostTicks(WCEUI_RESPRO_END, dwStart), Ticks{65});
  EXPECT_FALSE(pProgress->IsRunning());
  EXPECT_EQ(pProgress->GetCurFrame(), 0);
  EXPECT_EQ(Pixel(kInsideX, kInsideY), dwBehind);
}

TEST_F(AppWidgetsTest, ResProgressBlendsFramesStoredWithAlpha) {
  struct Case {
    std::u16string m_strAttrs;
    BOOL m_bAlpha;
  } cases[] = {
      {u" res_count=\"2\" res_name_1=\"a.conf\" res_name_2=\"b.32a.conf\"", 1},
      {u" res_count=\"2\" res_name_1=\"a.conf\" res_name_2=\"b.565a.conf\"", 1},
      {u" res_count=\"2\" res_name_1=\"a.32a.conf\" res_name_2=\"b.conf\"", 0},    // the last name decides
      {u" res_count=\"2\" res_name_1=\"a.32a.conf\"", 1},                          // the last name present
      {u" res_count=\"2\"", 0},                                                    // no name to look at
      {u" res_count=\"20\" res_name_1=\"a.conf\" res_name_20=\"t.32a.conf\"", 1},  // past the holders
  };
  for (const Case& c : cases) {
    ClearLog();
    auto* pProgress = OpenOne<CWceResProgress>(u"CWceResProgress", c.m_strAttrs);
    ASSERT_NE(pProgress, nullptr);
    EXPECT_EQ(pProgress->IsAlpha(), c.m_bAlpha) << WidgetNarrow(c.m_strAttrs.c_str());
    EXPECT_EQ(CountLines("ResProgress Alpha (1)"), c.m_bAlpha ? 1 : 0) << WidgetNarrow(c.m_strAttrs.c_str());
    Ctrl()->DeleteLayer(m_pDlg);
    m_pDlg = nullptr;
  }
  // A blended frame shows over what lies behind.
  PutFrame(u"f1.32a", FrameColour(1), true);
  auto* pProgress =
      OpenOne<CWceResProgress>(u"CWceResProgress", u" res_count=\"1\" res_name_1=\"f1.32a.conf\"");
  ASSERT_NE(pProgress, nullptr);
  pProgress->Start();
  EXPECT_EQ(Pixel(kInsideX, kInsideY), FrameColour(1));
}

// Both check buttons keep their look; "down.style" would give them a pressed one.
constexpr char16_t kCheckStyles[] =
    u"<btn><position rect=\"2,2,10,6\"/><background color=\"0x000011\"/></btn>"
    u"<pushed><background color=\"0x000022\"/></pushed>";

TEST_F(AppWidgetsTest, CheckButtonsClickOnReleaseInsideOnly) {
  enum End { kUpAt, kOtherWindowCaptures };
  struct Case {
    const char16_t* m_pszType;
    End m_End;
    int m_nX, m_nY;
    Lines m_Clicks;
  } cases[] = {
      {u"CWceCheckBtn", kUpAt, 11, 7, {"click b"}},
      {u"CWceCheckBtn", kUpAt, 12, 7, {}},
      {u"CWceCheckBtn", kOtherWindowCaptures, 0, 0, {}},
      {u"CWceTimerChkBtn", kUpAt, 2, 2, {"click b"}},
      {u"CWceTimerChkBtn", kUpAt, 30, 4, {}},
      {u"CWceTimerChkBtn", kOtherWindowCaptures, 0, 0, {}},
  };
  const RECT rcOther = {0, 0, 5, 5};
  CRealWnd other;
  ASSERT_TRUE(other.Create(WS_POPUP, &rcOther, nullptr));
  for (const Case& c : cases) {
    const std::string what =
        WidgetNarrow(c.m_pszType) + " " + std::to_string(c.m_nX) + "," + std::to_string(c.m_nY);
    ASSERT_NE(Open(u"<b type=\"" + std::u16string(c.m_pszType) +
                       u"\" name=\"b\" style=\"btn\" down.style=\"pushed\"/>",
                   kCheckStyles),
              nullptr);
    auto* pButton = static_cast<CWceUiButton*>(Find("b"));
    m_Lines.clear();
    const DWORD dwStart = ::GetTickCount();
    Press(WM_LBUTTONDOWN, 4, 4);
    EXPECT_TRUE(pButton->IsMouseDown()) << what;
    EXPECT_EQ(pButton->GetPressTick(), dwStart) << what;
    EXPECT_EQ(pButton->GetStyle()->GetBgColorCtrl().GetColor(), RGB(0, 0, 0x11)) << what;
    Pass(500);
    if (c.m_End == kUpAt) {
      Press(WM_LBUTTONUP, c.m_nX, c.m_nY);
    } else {
      ::SetCapture(other.GetSafeHwnd());
      ::ReleaseCapture();
    }
    EXPECT_EQ(m_Lines, c.m_Clicks) << what;
    EXPECT_EQ(pButton->GetClickTick(), c.m_Clicks.empty() ? dwStart : dwStart + 500) << what;
    EXPECT_FALSE(pButton->IsMouseDown()) << what;
    EXPECT_EQ(m_pWnd->GetCaptureLayer(), nullptr) << what;
    EXPECT_EQ(pButton->GetStyle()->GetBgColorCtrl().GetColor(), RGB(0, 0, 0x11)) << what;
    // Nothing comes later: no repeat, no long press.
    Pass(2000);
    EXPECT_EQ(m_Lines, c.m_Clicks) << what;
    EXPECT_TRUE(m_Posts.empty()) << what;
    Ctrl()->DeleteLayer(m_pDlg);
    m_pDlg = nullptr;
  }
}

TEST_F(AppWidgetsTest, TimerCheckButtonClicksOnceWhenHeld1100Ms) {
  ASSERT_NE(Open(u"<b type=\"CWceTimerChkBtn\" name=\"b\" style=\"btn\"/>", kCheckStyles), nullptr);
  auto* pButton = static_cast<CWceTimerChkBtn*>(Find("b"));
  struct Case {
    const char* m_pszWhat;
    DWORD m_dwLeaveAt;  // the finger moves off the button then; 0: it stays
    DWORD m_dwUpAt;
    int m_nXUp;
    DWORD m_dwClickAt;  // 0: no click
  } cases[] = {
      {"held 2 s", 0, 2000, 4, 1100},
      {"held exactly 1100 ms", 0, 1100, 4, 1100},
      {"released inside after 500 ms", 0, 500, 4, 500},
      {"left, then released inside", 300, 1500, 4, 1500},
      {"left and released outside", 300, 1500, 30, 0},
      {"moved inside only", 0, 1099, 11, 1099},
  };
  for (const Case& c : cases) {
    m_Lines.clear();
    ClearLog();
    const DWORD dwStart = ::GetTickCount();
    Press(WM_LBUTTONDOWN, 4, 4);
    Ticks clicks;
    for (DWORD t = 1; t <= c.m_dwUpAt; ++t) {
      Pass(1);
      if (t == c.m_dwLeaveAt) Press(WM_MOUSEMOVE, 30, 4);
      if (c.m_dwLeaveAt == 0 && t % 100 == 0) Press(WM_MOUSEMOVE, 5 + static_cast<int>(t / 100) % 6, 4);
      if (t == c.m_dwUpAt) Press(WM_LBUTTONUP, c.m_nXUp, 4);
      if (m_Lines.size() > clicks.size()) clicks.push_back(t);
    }
    Pass(1500);
    EXPECT_EQ(clicks, c.m_dwClickAt != 0 ? Ticks{c.m_dwClickAt} : Ticks{}) << c.m_pszWhat;
    EXPECT_EQ(m_Lines.size(), clicks.size()) << c.m_pszWhat;
    if (c.m_dwClickAt != 0) {
      EXPECT_EQ(pButton->GetClickTick(), dwStart + c.m_dwClickAt) << c.m_pszWhat;
    }
    EXPECT_FALSE(pButton->IsMouseDown()) << c.m_pszWhat;
    EXPECT_EQ(m_pWnd->GetCaptureLayer(), nullptr) << c.m_pszWhat;
    const bool bLongPress = c.m_dwLeaveAt == 0 && c.m_dwUpAt >= 1100;
    EXPECT_EQ(CountLines("!!!!!!! CWceTimerChkBtn::OnTimer (m_bMouseDown= 1)"), bLongPress ? 1 : 0)
        << c.m_pszWhat;
  }
}

TEST_F(AppWidgetsTest, TimerCheckButtonDisabledWhileHeldDoesNotClick) {
  ASSERT_NE(Open(u"<b type=\"CWceTimerChkBtn\" name=\"b\" style=\"btn\"/>", kCheckStyles), nullptr);
  auto* pButton = static_cast<CWceTimerChkBtn*>(Find("b"));
  Press(WM_LBUTTONDOWN, 4, 4);
  pButton->EnableLayer(FALSE);
  Pass(2000);
  Press(WM_LBUTTONUP, 4, 4);
  EXPECT_TRUE(m_Lines.empty());
  EXPECT_FALSE(pButton->IsMouseDown());
  EXPECT_EQ(m_pWnd->GetCaptureLayer(), nullptr);
}

}  // namespace
