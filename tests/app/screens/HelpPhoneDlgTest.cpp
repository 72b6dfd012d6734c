// The help and the phone pop-up: the help's pages step by step through the window, the help
// opened from the connection-state screen and ended by a phone attached or by a quit request, and
// the pop-up ended by the other programs' requests and by its close button, once for a double tap.
#include "tests/app/screens/ScreenFixture.h"

#include "app/AppWindowMessages.h"
#include "app/CHelpDlg.h"
#include "app/CMainDlg.h"
#include "app/CPhoneDlg.h"
#include "engine/CorvaneWindowMessages.h"
#include "platform/kernel/KernelHooks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// What the help shows: the selection, then Android pages 1 and 2, iPhone pages 1 and 2.
std::string Pages(CWceUiLayer* pDlg) {
  std::string s;
  for (LPCWSTR p :
       {u"container_help_sel", u"android_help_1", u"android_help_2", u"IOS_help_1", u"ios_help_2"}) {
    s += ScreenFixture::Shown(pDlg, p) ? '1' : '0';
  }
  return s;
}

const char kSelection[] = "10000";
const char kAndroid1[] = "01000";
const char kAndroid2[] = "00100";
const char kIos1[] = "00010";
const char kIos2[] = "00001";

// The dialog on top of the root body: a modal run appends its dialog last.
CWceUiDlg* TopDlg(CWceUiLayerCtrl* pCtrl) {
  return dynamic_cast<CWceUiDlg*>(pCtrl->RootLayer()->GetLastChild());
}

// A message that ends a dialog (nResult 0) or leaves it running.
struct EndCase {
  const char* m_pszName;
  const UINT* m_pMsg;
  LPARAM m_lParam;
  int m_nResult;
};

class DlgEndTest : public ScreenFixture {
 protected:
  template <size_t N>
  void ExpectEnds(LPCWSTR pClassName, const EndCase (&cases)[N]) {
    for (const EndCase& c : cases) {
      SCOPED_TRACE(c.m_pszName);
      CWceUiDlg* pDlg = Create<CWceUiDlg>(pClassName);
      ASSERT_NE(pDlg, nullptr);
      EXPECT_EQ(RunModal(pDlg, [&] { Send(*c.m_pMsg, c.m_lParam); }), c.m_nResult);
    }
  }
};

class HelpDlgTest : public DlgEndTest {};

struct HelpWalk {
  const char* m_pszName;
  std::vector<LPCWSTR> m_Clicks;
  std::vector<const char*> m_Pages;  // after each click; nullptr: the help has ended
};

TEST_F(HelpDlgTest, PagesFollowTheButtons) {
  const HelpWalk kWalks[] = {
      {"android forward and back",
       {u"btn_android", u"btn_ad_step1", u"btnExithelp", u"btnExithelp", u"btnExithelp"},
       {kAndroid1, kAndroid2, kAndroid1, kSelection, nullptr}},
      {"iphone forward and back",
       {u"btn_iphone", u"btn_ios_step1", u"btnExithelp", u"btnExithelp"},
       {kIos1, kIos2, kIos1, kSelection}},
      {"second iphone page at once",
       {u"btn_ios_step1", u"btnExithelp", u"btnExithelp"},
       {kIos2, kIos1, kSelection}},
      {"from one platform to the other",
       {u"btn_android", u"btn_ios_step1", u"btn_ad_step1"},
       {kAndroid1, kIos2, kAndroid2}},
      {"out at once", {u"btnExithelp"}, {nullptr}},
  };
  for (const HelpWalk& w : kWalks) {
    SCOPED_TRACE(w.m_pszName);
    CHelpDlg* pDlg = Create<CHelpDlg>(u"CHelpDlg");
    ASSERT_NE(pDlg, nullptr);
    const bool bEnds = w.m_Pages.back() == nullptr;
    const int nResult = RunModal(pDlg, [&] {
      EXPECT_EQ(Pages(pDlg), kSelection);
      for (size_t i = 0; i < w.m_Clicks.size(); ++i) {
        CWceUiLayer* pButton = Layer(pDlg, w.m_Clicks[i]);
        if (pButton == nullptr) pButton = Layer(pDlg, w.m_Clicks[i], u"container_help_sel");
        Click(pButton);
        if (w.m_Pages[i] == nullptr) {
          EXPECT_NE(pDlg->GetRunWay(), DLG_RUN_IN_MODAL) << i;
        } else {
          EXPECT_EQ(Pages(pDlg), w.m_Pages[i]) << i;
        }
      }
    });
    EXPECT_EQ(nResult, bEnds ? 0 : kLeftRunning);
  }
}

TEST_F(HelpDlgTest, EndsOnAPhoneAttachedAndOnAQuitRequest) {
  const EndCase kCases[] = {
      {"phone attached", &WMMSG_CORVANE_USB_OUT, 1, 0},
      {"phone gone", &WMMSG_CORVANE_USB_OUT, 0, kLeftRunning},
      {"quit request", &CORVANE_WM_EXIT, 0, 0},
      {"exit-help message", &MSG_EXIT_HELP_DLG, 0, kLeftRunning},
      {"connect step", &CORVAN_WM_CONNECT_STEP, 40, kLeftRunning},
  };
  ExpectEnds(u"CHelpDlg", kCases);
}

class MainDlgHelpTest : public ScreenFixture {
 protected:
  // The connection-state screen with the help opened by its button; helpScript runs in the help.
  int RunMainWithHelp(
      std::function<void(CMainDlg*, CWceUiDlg*)> helpScript,
      std::function<void(CMainDlg*)> after = [](CMainDlg*) {}) {
    CMainDlg* pMain = Create<CMainDlg>(u"CMainDlg");
    EXPECT_NE(pMain, nullptr);
    return RunModal(pMain, [&, pMain] {
      InNextLoop([&, pMain] {
        CWceUiDlg* pHelp = TopDlg(Ctrl());
        ASSERT_NE(pHelp, nullptr);
        EXPECT_STREQ(WceWideToUtf8(pHelp->GetClassName()).c_str(), "CHelpDlg");
        m_bHelpRan = true;
        helpScript(pMain, pHelp);
        // A help left open would hold the screen's loop for ever.
        if (pHelp->GetRunWay() == DLG_RUN_IN_MODAL) {
          m_bHelpLeftOpen = true;
          pHelp->EndDialog(kLeftRunning);
        }
      });
      Click(Layer(pMain, u"btnhelp"));
      after(pMain);
    });
  }
  bool m_bHelpRan = false;
  bool m_bHelpLeftOpen = false;
};

TEST_F(MainDlgHelpTest, HelpRunsOverTheScreenAndIsDeletedAfter) {
  const int nLayers = Ctrl()->GetLayerCount();
  EXPECT_EQ(RunMainWithHelp(
                [&](CMainDlg* pMain, CWceUiDlg* pHelp) {
                  // The screen below takes no input while the help runs.
                  EXPECT_FALSE(pMain->IsLayerEnable());
                  Click(Layer(pHelp, u"btn_android", u"container_help_sel"));
                  EXPECT_EQ(Pages(pHelp), kAndroid1);
                  Click(Layer(pHelp, u"btnExithelp"));
                  Click(Layer(pHelp, u"btnExithelp"));
                },
                [&](CMainDlg* pMain) {
                  EXPECT_TRUE(pMain->IsLayerEnable());
                  EXPECT_EQ(TopDlg(Ctrl()), pMain);
                }),
            kLeftRunning);
  EXPECT_TRUE(m_bHelpRan);
  EXPECT_FALSE(m_bHelpLeftOpen);
  EXPECT_EQ(Ctrl()->GetLayerCount(), nLayers);
}

TEST_F(MainDlgHelpTest, APhoneAttachedClosesTheHelpAndTheScreenLinks) {
  EXPECT_EQ(RunMainWithHelp([&](CMainDlg*, CWceUiDlg*) { Send(WMMSG_CORVANE_USB_OUT, 1); },
                            [&](CMainDlg* pMain) {
                              Send(CORVAN_WM_CONNECT_STEP, 10);
                              EXPECT_EQ(pMain->GetState(), STATE_CORVANE_LINKING);
                            }),
            kLeftRunning);
  EXPECT_FALSE(m_bHelpLeftOpen);
}

TEST_F(MainDlgHelpTest, AQuitRequestWhileHelpIsOpenEndsBoth) {
  EXPECT_EQ(RunMainWithHelp([&](CMainDlg*, CWceUiDlg*) { Send(CORVANE_WM_EXIT, 0); },
                            [&](CMainDlg* pMain) { EXPECT_NE(pMain->GetRunWay(), DLG_RUN_IN_MODAL); }),
            0);
  EXPECT_TRUE(m_bHelpRan);
  EXPECT_FALSE(m_bHelpLeftOpen);
}

class PhoneDlgTest : public DlgEndTest {};

TEST_F(PhoneDlgTest, EndsOnTheHideAndQuitRequestsOnly) {
  const EndCase kCases[] = {
      {"hide request", &NMSG_CORVANE_VIDEO_DLG_HIDE, 0, 0},
      {"quit request", &CORVANE_WM_EXIT, 0, 0},
      {"connect step", &CORVAN_WM_CONNECT_STEP, 100, kLeftRunning},
      {"phone attached", &WMMSG_CORVANE_USB_OUT, 1, kLeftRunning},
      {"phone gone", &WMMSG_CORVANE_USB_OUT, 0, kLeftRunning},
  };
  ExpectEnds(u"CPhoneDlg", kCases);
}

TEST_F(PhoneDlgTest, CloseButtonEndsItOnceForADoubleTap) {
  // The first tap ends the pop-up; the second, 500 ms later, lands on the next pop-up and is
  // ignored; a tap a second after the first ends that one.
  CPhoneDlg* pFirst = Create<CPhoneDlg>(u"CPhoneDlg");
  EXPECT_EQ(RunModal(pFirst, [&] { Click(Layer(pFirst, u"btnclose")); }), 0);
  wce::AdvanceTick(500);
  CPhoneDlg* pSecond = Create<CPhoneDlg>(u"CPhoneDlg");
  EXPECT_EQ(RunModal(pSecond,
                     [&] {
                       Click(Layer(pSecond, u"btnclose"));
                       EXPECT_EQ(pSecond->GetRunWay(), DLG_RUN_IN_MODAL);
                       wce::AdvanceTick(500);
                       Click(Layer(pSecond, u"RADIO"));
                       EXPECT_EQ(pSecond->GetRunWay(), DLG_RUN_IN_MODAL);
                       wce::AdvanceTick(500);
                       Click(Layer(pSecond, u"btnclose"));
                     }),
            kLeftRunning);
  // The RADIO tap was accepted by the guard (it does nothing), so a close within its second is not.
  CPhoneDlg* pThird = Create<CPhoneDlg>(u"CPhoneDlg");
  EXPECT_EQ(RunModal(pThird,
                     [&] {
                       wce::AdvanceTick(500);
                       Click(Layer(pThird, u"btnclose"));
                     }),
            0);
}

}  // namespace
