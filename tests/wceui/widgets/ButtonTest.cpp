// Buttons and containers in a dialog of a real window, driven by mouse messages on the test's
// clock: the repeat posts of a held button, clicks on release inside only, the styles of the three
// states, and containers handing presses to their parent and clicks to their owner.
#include "tests/wceui/widgets/WidgetDlgFixture.h"
#include "wceui/widgets/CWceUiButton.h"
#include "wceui/widgets/CWceUiContainer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;
using Ticks = std::vector<DWORD>;

// "ok" shows a colour for each state; "plain" names no down or focus style.
constexpr char16_t kButtons[] =
    u"<ok type=\"CWceUiButton\" name=\"ok\" style=\"up\" down.style=\"pushed\" focus.style=\"away\"/>"
    u"<plain type=\"CWceUiButton\" name=\"plain\" style=\"plain\"/>"
    u"<other type=\"CWceUiButton\" name=\"other\" style=\"other\"/>";
constexpr char16_t kButtonStyles[] =
    u"<up><position rect=\"2,2,10,6\"/><background color=\"0x000011\"/></up>"
    u"<pushed><background color=\"0x000022\"/></pushed>"
    u"<away><background color=\"0x000033\"/></away>"
    u"<plain><position rect=\"20,2,10,6\"/><background color=\"0x000044\"/></plain>"
    u"<other><position rect=\"20,12,10,6\"/></other>";

constexpr COLORREF kUp = RGB(0, 0, 0x11);
constexpr COLORREF kPushed = RGB(0, 0, 0x22);
constexpr COLORREF kAway = RGB(0, 0, 0x33);
constexpr COLORREF kPlain = RGB(0, 0, 0x44);

class ButtonTest : public WidgetDlgFixture {
 protected:
  void SetUp() override {
    WidgetDlgFixture::SetUp();
    ASSERT_NE(Open(kButtons, kButtonStyles), nullptr);
    m_pOk = static_cast<CWceUiButton*>(Find("ok"));
    m_pPlain = static_cast<CWceUiButton*>(Find("plain"));
    ASSERT_NE(m_pOk, nullptr);
    ASSERT_NE(m_pPlain, nullptr);
    m_Watch = {kWceUiButtonRepeatMsg};
  }
  static COLORREF Colour(CWceUiButton* p) { return p->GetStyle()->GetBgColorCtrl().GetColor(); }

  CWceUiButton* m_pOk = nullptr;
  CWceUiButton* m_pPlain = nullptr;
};

TEST_F(ButtonTest, CreatedByNameWithTheStylesOfItsElement) {
  EXPECT_TRUE(m_pOk->IsKindOf(u"CWceUiLayer"));
  EXPECT_EQ(std::u16string(m_pOk->GetNormalStyle()), u"up");
  EXPECT_EQ(std::u16string(m_pOk->GetDownStyle()), u"pushed");
  EXPECT_EQ(std::u16string(m_pOk->GetFocusStyle()), u"away");
  EXPECT_EQ(std::u16string(m_pPlain->GetDownStyle()), u"");
  EXPECT_EQ(m_pOk->GetButtonState(), kWceUiButtonNormal);
  EXPECT_EQ(Colour(m_pOk), kUp);
  EXPECT_EQ(m_pOk->GetPressTick(), 0u);
  EXPECT_EQ(m_pOk->GetClickTick(), 0u);
  CWceUiObject* pContainer = WceUiCreateObject(u"CWceUiContainer");
  ASSERT_NE(pContainer, nullptr);
  EXPECT_TRUE(pContainer->IsKindOf(u"CWceUiLayer"));
  delete pContainer;
}

TEST_F(ButtonTest, AHeldButtonRepeatsAfter1500MsThenEvery200AndClicksOnceOnRelease) {
  struct Case {
    DWORD m_dwHold;
    Ticks m_Repeats;
  } cases[] = {
      {100, {}},      {1499, {}},           {1500, {1500}},
      {1600, {1500}}, {1800, {1500, 1700}}, {2100, {1500, 1700, 1900, 2100}},
  };
  for (const Case& c : cases) {
    m_Posts.clear();
    m_Lines.clear();
    const DWORD dwStart = ::GetTickCount();
    Press(WM_LBUTTONDOWN, 4, 4);
    EXPECT_EQ(m_pOk->GetPressTick(), dwStart);
    Pass(c.m_dwHold);
    Press(WM_LBUTTONUP, 5, 5);
    EXPECT_EQ(PostTicks(kWceUiButtonRepeatMsg, dwStart), c.m_Repeats) << c.m_dwHold;
    for (const Post& p : m_Posts) {
      EXPECT_EQ(p.m_wParam, reinterpret_cast<WPARAM>(m_pOk));
      EXPECT_EQ(p.m_lParam, 0);
    }
    EXPECT_EQ(m_Lines, Lines{"click ok"}) << c.m_dwHold;
    EXPECT_EQ(m_pOk->GetClickTick(), dwStart + c.m_dwHold);
    // Released, it repeats no more.
    m_Posts.clear();
    Pass(2000);
    EXPECT_TRUE(m_Posts.empty()) << c.m_dwHold;
  }
}

TEST_F(ButtonTest, APressEndsWithAClickOnlyWhenReleasedInside) {
  enum End { kUpAt, kOtherWindowCaptures, kCaptureCancelled, kOtherLayerCaptures };
  struct Case {
    const char* m_pszWhat;
    End m_End;
    int m_nX, m_nY;
    Lines m_Clicks;
  } cases[] = {
      {"up inside", kUpAt, 11, 7, {"click ok"}},  // "ok" covers 2..11 x 2..7
      {"up at the top-left corner", kUpAt, 2, 2, {"click ok"}},
      {"up just right of it", kUpAt, 12, 4, {}},
      {"up just below it", kUpAt, 4, 8, {}},
      {"up over another button", kUpAt, 22, 4, {}},
      {"another window takes the capture", kOtherWindowCaptures, 0, 0, {}},
      {"the window cancels the capture", kCaptureCancelled, 0, 0, {}},
      {"another layer takes the capture", kOtherLayerCaptures, 0, 0, {}},
  };
  const RECT rcOther = {0, 0, 5, 5};
  CRealWnd other;
  ASSERT_TRUE(other.Create(WS_POPUP, &rcOther, nullptr));
  for (const Case& c : cases) {
    m_Lines.clear();
    m_Posts.clear();
    Press(WM_LBUTTONDOWN, 4, 4);
    ASSERT_EQ(m_pWnd->GetCaptureLayer(), m_pOk) << c.m_pszWhat;
    switch (c.m_End) {
      case kUpAt:
        Press(WM_LBUTTONUP, c.m_nX, c.m_nY);
        break;
      case kOtherWindowCaptures:
        ::SetCapture(other.GetSafeHwnd());
        ::ReleaseCapture();
        break;
      case kCaptureCancelled:
        m_pWnd->IgnoreMsgBeforeTime(0);
        PumpWatching();
        break;
      case kOtherLayerCaptures:
        Find("other")->SetCapture();
        break;
    }
    EXPECT_EQ(m_Lines, c.m_Clicks) << c.m_pszWhat;
    EXPECT_FALSE(m_pOk->IsMouseDown()) << c.m_pszWhat;
    EXPECT_EQ(m_pOk->GetButtonState(), kWceUiButtonNormal) << c.m_pszWhat;
    EXPECT_EQ(Colour(m_pOk), kUp) << c.m_pszWhat;
    if (c.m_End == kOtherLayerCaptures) {
      // The new holder keeps the capture the button gave up.
      EXPECT_EQ(m_pWnd->GetCaptureLayer(), Find("other"));
      EXPECT_EQ(::GetCapture(), Hwnd());
      Find("other")->ReleaseCapture();
    }
    EXPECT_EQ(m_pWnd->GetCaptureLayer(), nullptr) << c.m_pszWhat;
    // No stuck press: the repeat ended with it, and a later release clicks nothing.
    Pass(1600);
    EXPECT_TRUE(m_Posts.empty()) << c.m_pszWhat;
    if (c.m_Clicks.empty()) {
      Press(WM_LBUTTONUP, 4, 4);
      EXPECT_TRUE(m_Lines.empty()) << c.m_pszWhat;
    }
  }
}

TEST_F(ButtonTest, AButtonDisabledWhileHeldStopsAtItsNextRepeatWithoutAClick) {
  const DWORD dwStart = ::GetTickCount();
  Press(WM_LBUTTONDOWN, 4, 4);
  m_pOk->EnableLayer(FALSE);
  EXPECT_EQ(m_pWnd->GetCaptureLayer(), nullptr);
  Pass(3000);
  Press(WM_LBUTTONUP, 4, 4);
  EXPECT_TRUE(PostTicks(kWceUiButtonRepeatMsg, dwStart).empty());
  EXPECT_TRUE(m_Lines.empty());
  EXPECT_FALSE(m_pOk->IsMouseDown());
  EXPECT_EQ(m_pOk->GetButtonState(), kWceUiButtonNormal);
  EXPECT_EQ(Colour(m_pOk), kUp);
  // Enabled again, it works as before.
  m_pOk->EnableLayer(TRUE);
  Press(WM_LBUTTONDOWN, 4, 4);
  Press(WM_LBUTTONUP, 4, 4);
  EXPECT_EQ(m_Lines, Lines{"click ok"});
}

TEST_F(ButtonTest, StylesFollowTheStateWhilePressed) {
  struct Step {
    UINT m_nMsg;
    int m_nX, m_nY;
    int m_nState;
    COLORREF m_crOkColour;     // the button with all three styles
    COLORREF m_crPlainColour;  // the same finger on "plain", which names the normal style only
  } steps[] = {
      {WM_LBUTTONDOWN, 4, 4, kWceUiButtonDown, kPushed, kPlain},
      {WM_MOUSEMOVE, 5, 5, kWceUiButtonDown, kPushed, kPlain},
      {WM_MOUSEMOVE, 15, 5, kWceUiButtonFocus, kAway, kPlain},
      {WM_MOUSEMOVE, 16, 15, kWceUiButtonFocus, kAway, kPlain},
      {WM_MOUSEMOVE, 3, 3, kWceUiButtonDown, kPushed, kPlain},
      {WM_MOUSEMOVE, 30, 19, kWceUiButtonFocus, kAway, kPlain},
      {WM_LBUTTONUP, 30, 19, kWceUiButtonNormal, kUp, kPlain},
      {WM_MOUSEMOVE, 4, 4, kWceUiButtonNormal, kUp, kPlain},  // moves without a press change nothing
  };
  struct Target {
    CWceUiButton* m_pButton;
    int m_nDx;  // "plain" lies 18 pixels right of "ok"
    COLORREF Step::*m_pColour;
  } targets[] = {{m_pOk, 0, &Step::m_crOkColour}, {m_pPlain, 18, &Step::m_crPlainColour}};
  for (const Target& t : targets) {
    for (const Step& s : steps) {
      Press(s.m_nMsg, s.m_nX + t.m_nDx, s.m_nY);
      const std::string at = WidgetNarrow(t.m_pButton->GetName()) + " " + std::to_string(s.m_nMsg) + " " +
                             std::to_string(s.m_nX) + "," + std::to_string(s.m_nY);
      EXPECT_EQ(t.m_pButton->GetButtonState(), s.m_nState) << at;
      EXPECT_EQ(Colour(t.m_pButton), s.*(t.m_pColour)) << at;
    }
  }
}

TEST_F(ButtonTest, StyleSettersShowTheStyleOfTheCurrentStateAtOnce) {
  // Not pressed: a new down style is kept for later, a new normal style shows now.
  m_pOk->SetDownStyle(u"away");
  EXPECT_EQ(Colour(m_pOk), kUp);
  m_pOk->SetNormalStyle(u"pushed");
  EXPECT_EQ(Colour(m_pOk), kPushed);
  Press(WM_LBUTTONDOWN, 4, 4);
  EXPECT_EQ(Colour(m_pOk), kAway);
  m_pOk->SetDownStyle(u"up");
  EXPECT_EQ(Colour(m_pOk), kUp);
  Press(WM_LBUTTONUP, 4, 4);
  EXPECT_EQ(Colour(m_pOk), kPushed);

  // A state of no style of its own is kept without a change of look.
  m_pOk->SetButtonState(7);
  EXPECT_EQ(m_pOk->GetButtonState(), 7);
  EXPECT_EQ(Colour(m_pOk), kPushed);
  m_pOk->SetButtonState(kWceUiButtonFocus);
  EXPECT_EQ(Colour(m_pOk), kAway);

  // A name longer than the button keeps is cut.
  const std::u16string longName(80, u'n');
  m_pOk->SetFocusStyle(longName.c_str());
  EXPECT_EQ(std::u16string(m_pOk->GetFocusStyle()), longName.substr(0, CWceUiButton::kStyleNameChars));
}

// Two containers, one in the other, in the dialog; "b" in the inner one, "c" in a container
// directly under the root body.
constexpr char16_t kContainers[] =
    u"<group type=\"CWceUiContainer\" name=\"group\" style=\"group\">"
    u"<inner type=\"CWceUiContainer\" name=\"inner\" style=\"inner\">"
    u"<b type=\"CWceUiButton\" name=\"b\" style=\"b\"/></inner></group>";
constexpr char16_t kContainerStyles[] =
    u"<group><position rect=\"0,0,30,20\"/></group>"
    u"<inner><position rect=\"2,2,20,10\"/></inner>"
    u"<b><position rect=\"4,4,6,4\"/></b>";

using ContainerTest = WidgetDlgFixture;

TEST_F(ContainerTest, PressesGoUpToTheParentAndChildClicksToTheOwner) {
  ASSERT_NE(Open(kContainers, kContainerStyles), nullptr);
  struct Case {
    UINT m_nMsg;
    int m_nX, m_nY;
    Lines m_Lines;
  } cases[] = {
      {WM_LBUTTONDOWN, 15, 8, {"down 15 8"}},  // the inner container, through the outer one
      {WM_MOUSEMOVE, 25, 15, {"move 25 15"}},  // the outer container
      {WM_LBUTTONUP, 1, 1, {"up 1 1"}},
      {WM_LBUTTONDOWN, 35, 5, {}},  // no layer there: the dialog hears no press
      {WM_LBUTTONUP, 35, 5, {}},
      {WM_LBUTTONDOWN, 5, 5, {}},  // the button takes its own press
      {WM_LBUTTONUP, 6, 6, {"click b"}},
  };
  for (const Case& c : cases) {
    m_Lines.clear();
    Press(c.m_nMsg, c.m_nX, c.m_nY);
    EXPECT_EQ(m_Lines, c.m_Lines) << c.m_nMsg << " " << c.m_nX << "," << c.m_nY;
  }
}

TEST_F(ContainerTest, AContainerWithNoOwnerAboveItKeepsTheClick) {
  // Put under the root body where a dialog would be: it is its own owner.
  const RECT rc = {0, 0, 40, 20};
  auto* pGroup = new CWceUiContainer;
  pGroup->SetLayerCtrl(Ctrl());
  Ctrl()->InitLayerInfo(pGroup, u"top");
  pGroup->MoveLayer(&rc, FALSE);
  ASSERT_TRUE(Ctrl()->RootLayer()->AppendChild(pGroup));
  CWceUiLayer* pButton = Ctrl()->CreateLayerFromElem(pGroup, u"CWceUiButton", u"c");
  ASSERT_NE(pButton, nullptr);
  pButton->GetStyle()->SetPosition(&rc, 0);
  Press(WM_LBUTTONDOWN, 5, 5);
  EXPECT_EQ(m_pWnd->GetCaptureLayer(), pButton);
  Press(WM_LBUTTONUP, 5, 5);
  EXPECT_EQ(m_pWnd->GetCaptureLayer(), nullptr);
  Ctrl()->DeleteLayer(pGroup);
}

}  // namespace
