// The connection-state screen's state for each message it follows: which container shows, the
// linking text with its percentage, which buttons show in which state, and the timers that settle
// the state after the phone's reports, on the manual tick.
#include "tests/app/screens/ScreenFixture.h"

#include "app/AppWindowMessages.h"
#include "app/CMainDlg.h"
#include "app/widgets/CWceLoading.h"
#include "app/widgets/CWceResProgress.h"
#include "engine/CorvaneEngineSession.h"
#include "engine/CorvaneAppFlags.h"
#include "engine/CorvaneFrame.h"
#include "engine/CorvaneWindowMessages.h"
#include "engine/DibBmp.h"

#include "services/CorvaneConfig.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

namespace {

const LPCWSTR kContainers[CORVANE_STATE_COUNT] = {
    u"USB_OUT",           u"container_NotExist", u"container_hidecorvane",
    u"container_Linking", u"container_Starting", u"corvane_video",
    u"container_calling"};

// One thing that happens to the screen: a registered message (its word, as the program registers
// it at start), or the picture surface getting its first picture.
struct Event {
  const UINT* m_pMsg;  // nullptr: a picture is ready
  LPARAM m_lParam;
};
Event UsbIn() {
  return {&WMMSG_CORVANE_USB_OUT, 1};
}
Event UsbOut() {
  return {&WMMSG_CORVANE_USB_OUT, 0};
}
Event Step(int nPercent) {
  return {&CORVAN_WM_CONNECT_STEP, nPercent};
}
Event Cmd(LPARAM nType) {
  return {&MESSAGE_CMD_REV, nType};
}
Event Calling(int bOn) {
  return {&INNER_MSG_CORVANE_CALLING_STATE, bOn};
}
Event SeqMsg(LPARAM nWhat) {
  return {&CORVAN_WM_MSG, nWhat};
}
Event FirstPicture() {
  return {&NMSG_CORVANE_GET_VIDEO_DATA, 0};
}
Event ProgressEnd() {
  return {&WCEUI_RESPRO_END, 0};
}
Event PictureReady() {
  return {nullptr, 0};
}

struct StateCase {
  const char* m_pszName;
  std::vector<Event> m_Events;
  int m_nState;
  int m_nProgress;
};

class MainDlgStateTest : public ScreenFixture {
 protected:
  void Apply(const Event& e) {
    if (e.m_pMsg == nullptr) {
      DibBmp::GetInstance().SetPictureBusy(1);
    } else {
      Send(*e.m_pMsg, e.m_lParam);
    }
  }
  void Apply(const std::vector<Event>& events) {
    for (const Event& e : events) Apply(e);
  }
  // The screen shows exactly the container of the state; leaving, help and the version only in
  // the waiting states.
  void ExpectShows(CMainDlg* pDlg, int nState) {
    EXPECT_EQ(pDlg->GetState(), nState);
    for (int i = 0; i < CORVANE_STATE_COUNT; ++i) {
      EXPECT_EQ(Shown(pDlg, kContainers[i]), i == nState) << "container " << i << " in state " << nState;
    }
    const bool bIdle = nState == STATE_CORVANE_USB_OUT || nState == STATE_CORVANE_NOT_EXIST;
    EXPECT_EQ(Shown(pDlg, u"btnclose"), bIdle) << "state " << nState;
    EXPECT_EQ(Shown(pDlg, u"btnhelp"), bIdle) << "state " << nState;
    EXPECT_EQ(Shown(pDlg, u"corvane_version"), bIdle) << "state " << nState;
  }
  int RunMain(std::function<void(CMainDlg*)> script) {
    CMainDlg* pDlg = Create<CMainDlg>(u"CMainDlg");
    EXPECT_NE(pDlg, nullptr);
    return RunModal(pDlg, [pDlg, script] { script(pDlg); });
  }
};

TEST_F(MainDlgStateTest, EachMessageShowsItsState) {
  const StateCase kCases[] = {
      {"linking", {UsbIn(), Step(40)}, STATE_CORVANE_LINKING, 40},
      {"hundred percent starts", {UsbIn(), Step(40), Step(100)}, STATE_CORVANE_STARTING, 100},
      {"over a hundred is a hundred", {UsbIn(), Step(120)}, STATE_CORVANE_STARTING, 100},
      {"a step without a phone", {Step(40)}, STATE_CORVANE_USB_OUT, 0},
      {"a late step after USB out", {UsbIn(), Step(40), UsbOut(), Step(50)}, STATE_CORVANE_USB_OUT, 0},
      {"encoder ready",
       {UsbIn(), Step(90), Cmd(MSG_CMD_VIDEO_ENCODER_INIT_DONE)},
       STATE_CORVANE_STARTING,
       90},
      {"first picture", {UsbIn(), Step(100), FirstPicture()}, STATE_CORVANE_VIDEO, 100},
      {"foreground with a picture",
       {UsbIn(), Step(100), PictureReady(), Cmd(MSG_CMD_PHONE_FOREGROUND)},
       STATE_CORVANE_VIDEO,
       100},
      {"foreground without a picture",
       {UsbIn(), Step(100), Cmd(MSG_CMD_PHONE_FOREGROUND)},
       STATE_CORVANE_STARTING,
       100},
      {"background",
       {UsbIn(), Step(100), FirstPicture(), Cmd(MSG_CMD_PHONE_BACKGROUND)},
       STATE_CORVANE_HIDE,
       100},
      {"background while linking",
       {UsbIn(), Step(60), Cmd(MSG_CMD_PHONE_BACKGROUND)},
       STATE_CORVANE_LINKING,
       60},
      {"background during a call",
       {UsbIn(), Step(100), FirstPicture(), Calling(1), Cmd(MSG_CMD_PHONE_BACKGROUND)},
       STATE_CORVANE_CALLING,
       100},
      {"background after USB out",
       {UsbIn(), Step(100), UsbOut(), Cmd(MSG_CMD_PHONE_BACKGROUND)},
       STATE_CORVANE_USB_OUT,
       0},
      {"a call starts", {UsbIn(), Step(100), FirstPicture(), Calling(1)}, STATE_CORVANE_CALLING, 100},
      {"a call ends", {UsbIn(), Step(100), FirstPicture(), Calling(1), Calling(0)}, STATE_CORVANE_HIDE, 100},
      {"a call end without a call", {UsbIn(), Step(30), Calling(0)}, STATE_CORVANE_LINKING, 30},
      {"a second call start",
       {UsbIn(), Step(100), Calling(1), FirstPicture(), Calling(1)},
       STATE_CORVANE_VIDEO,
       100},
      {"app missing", {UsbIn(), Step(20), SeqMsg(CORVAN_MSG_APP_MISSING)}, STATE_CORVANE_NOT_EXIST, 0},
      {"helper missing", {UsbIn(), Step(20), SeqMsg(CORVAN_MSG_HELPER_MISSING)}, STATE_CORVANE_LINKING, 20},
      {"USB out from the picture", {UsbIn(), Step(100), FirstPicture(), UsbOut()}, STATE_CORVANE_USB_OUT, 0},
      {"USB out during a call", {UsbIn(), Step(100), Calling(1), UsbOut()}, STATE_CORVANE_USB_OUT, 0},
      {"progress end shows nothing", {UsbIn(), Step(100), ProgressEnd()}, STATE_CORVANE_STARTING, 100},
  };
  for (const StateCase& c : kCases) {
    SCOPED_TRACE(c.m_pszName);
    g_CorvaneAppFlags.Reset();
    DibBmp::GetInstance().SetPictureBusy(0);
    RunMain([&](CMainDlg* pDlg) {
      Apply(c.m_Events);
      ExpectShows(pDlg, c.m_nState);
      EXPECT_EQ(pDlg->GetProgress(), c.m_nProgress);
    });
  }
}

TEST_F(MainDlgStateTest, TheFileLookHoldsUntilTheFirstMessage) {
  RunMain([&](CMainDlg* pDlg) {
    EXPECT_EQ(pDlg->GetState(), STATE_CORVANE_USB_OUT);
    // In the file only "USB_OUT" shows; the video container too would show if the state were
    // applied with every container at once.
    EXPECT_TRUE(Shown(pDlg, u"USB_OUT"));
    EXPECT_TRUE(Shown(pDlg, u"btnclose"));
    Apply({UsbIn(), Step(10)});
    ExpectShows(pDlg, STATE_CORVANE_LINKING);
  });
}

TEST_F(MainDlgStateTest, LinkingTextCarriesThePercentage) {
  RunMain([&](CMainDlg* pDlg) {
    CWceUiLayer* pText = Layer(pDlg, u"USB_LINKING", u"container_Linking");
    Apply({UsbIn(), Step(10)});
    EXPECT_EQ(Text(pText), "Linking... 10 %");
    Apply(Step(70));
    EXPECT_EQ(Text(pText), "Linking... 70 %");
    // At a hundred the screen starts; the text is not written again.
    Apply(Step(100));
    EXPECT_EQ(Text(pText), "Linking... 70 %");
  });
}

TEST_F(MainDlgStateTest, SpinnerRunsWhileLinkingAndProgressOnceWhenStarting) {
  RunMain([&](CMainDlg* pDlg) {
    auto* pSpinner = dynamic_cast<CWceLoading*>(Layer(pDlg, u"LOADING", u"container_Linking"));
    auto* pProgress = dynamic_cast<CWceResProgress*>(Layer(pDlg, u"RESPROGRESS", u"container_Starting"));
    ASSERT_NE(pSpinner, nullptr);
    ASSERT_NE(pProgress, nullptr);
    Apply({UsbIn(), Step(30)});
    EXPECT_TRUE(pSpinner->IsRunning());
    EXPECT_FALSE(pProgress->IsRunning());
    Advance(kWceLoadingFrameMs);
    EXPECT_EQ(pSpinner->GetCurFrame(), 1);
    Apply(Step(100));
    EXPECT_FALSE(pSpinner->IsRunning());
    EXPECT_TRUE(pProgress->IsRunning());
    // Four frames, then the end is posted; the screen only notes it.
    // A window timer fires once per period however far the tick moves, so frame by frame.
    for (int i = 0; i < 3; ++i) Advance(kWceResProgressFrameMs);
    Advance(kWceResProgressFrameMs - 1);
    EXPECT_TRUE(pProgress->IsRunning());
    EXPECT_FALSE(pDlg->IsStartProgressEnded());
    Advance(1);
    EXPECT_FALSE(pProgress->IsRunning());
    EXPECT_TRUE(pDlg->IsStartProgressEnded());
    ExpectShows(pDlg, STATE_CORVANE_STARTING);
  });
}

TEST_F(MainDlgStateTest, UsbOutWhileWaitingForThePictureStopsTheWait) {
  RunMain([&](CMainDlg* pDlg) {
    Apply({UsbIn(), Step(100)});
    g_CorvaneAppFlags.m_bPhoneForeground = 1;
    Apply(UsbOut());
    Apply(UsbIn());
    Advance(3500);
    EXPECT_EQ(pDlg->GetState(), STATE_CORVANE_USB_OUT);
  });
}

TEST_F(MainDlgStateTest, PictureTimerShowsThePictureOnlyInTheForeground) {
  for (int bForeground : {0, 1}) {
    SCOPED_TRACE(bForeground);
    g_CorvaneAppFlags.Reset();
    RunMain([&](CMainDlg* pDlg) {
      Apply({UsbIn(), Step(100)});
      g_CorvaneAppFlags.m_bPhoneForeground = bForeground;
      Advance(3499);
      EXPECT_EQ(pDlg->GetState(), STATE_CORVANE_STARTING);
      Advance(1);
      ExpectShows(pDlg, bForeground ? STATE_CORVANE_VIDEO : STATE_CORVANE_STARTING);
    });
  }
}

TEST_F(MainDlgStateTest, AHundredAgainDoesNotRestartThePictureTimer) {
  RunMain([&](CMainDlg* pDlg) {
    Apply({UsbIn(), Step(100)});
    g_CorvaneAppFlags.m_bPhoneForeground = 1;
    Advance(3000);
    Apply(Step(100));
    Advance(500);
    EXPECT_EQ(pDlg->GetState(), STATE_CORVANE_VIDEO);
  });
}

TEST_F(MainDlgStateTest, EncoderReadyLetsTouchesStartASecondLater) {
  RunMain([&](CMainDlg*) {
    Apply({UsbIn(), Step(100), Cmd(MSG_CMD_VIDEO_ENCODER_INIT_DONE)});
    Advance(999);
    EXPECT_EQ(g_CorvaneAppFlags.m_bPhoneForeground, 0);
    Advance(1);
    EXPECT_EQ(g_CorvaneAppFlags.m_bPhoneForeground, 1);
  });
}

TEST_F(MainDlgStateTest, AnEncoderReportOfALostPhoneDoesNotMarkTheNextOne) {
  RunMain([&](CMainDlg*) {
    Apply({UsbIn(), Step(100), Cmd(MSG_CMD_VIDEO_ENCODER_INIT_DONE), UsbOut(), UsbIn()});
    Advance(5000);
    EXPECT_EQ(g_CorvaneAppFlags.m_bPhoneForeground, 0);
  });
}

TEST_F(MainDlgStateTest, ForegroundAndBackgroundSetTheForegroundFlag) {
  RunMain([&](CMainDlg*) {
    Apply({UsbIn(), Step(100), Cmd(MSG_CMD_PHONE_FOREGROUND)});
    EXPECT_EQ(g_CorvaneAppFlags.m_bPhoneForeground, 1);
    Apply({FirstPicture(), Cmd(MSG_CMD_PHONE_BACKGROUND)});
    EXPECT_EQ(g_CorvaneAppFlags.m_bPhoneForeground, 0);
    // The phone shows its own screen: the next picture shown must be a new one.
    EXPECT_EQ(DibBmp::GetInstance().IsPictureBusy(), 0);
  });
}

// A background report drops the picture only from a connection that reached 100 percent; an
// earlier one keeps the picture and what the screen shows.
TEST_F(MainDlgStateTest, BackgroundClearsThePictureOnlyAtAHundredPercent) {
  struct {
    const char* m_pszName;
    std::vector<Event> m_Events;
    int m_nState;  // after the background report
    int m_bPictureKept;
  } const kCases[] = {
      {"10", {UsbIn(), Step(10)}, STATE_CORVANE_LINKING, 1},
      {"60", {UsbIn(), Step(60)}, STATE_CORVANE_LINKING, 1},
      {"90", {UsbIn(), Step(90)}, STATE_CORVANE_LINKING, 1},
      {"99", {UsbIn(), Step(99)}, STATE_CORVANE_LINKING, 1},
      {"100", {UsbIn(), Step(100)}, STATE_CORVANE_HIDE, 0},
      {"over 100", {UsbIn(), Step(130)}, STATE_CORVANE_HIDE, 0},
      {"encoder ready at 90",
       {UsbIn(), Step(90), Cmd(MSG_CMD_VIDEO_ENCODER_INIT_DONE)},
       STATE_CORVANE_STARTING,
       1},
      {"100 after linking", {UsbIn(), Step(40), Step(100)}, STATE_CORVANE_HIDE, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.m_pszName);
    g_CorvaneAppFlags.Reset();
    DibBmp::GetInstance().SetPictureBusy(0);
    RunMain([&](CMainDlg* pDlg) {
      Apply(c.m_Events);
      // The root window marks the phone attached on the same message.
      g_CorvaneAppFlags.m_bUsbIn = 1;
      Apply(PictureReady());
      Apply(Cmd(MSG_CMD_PHONE_BACKGROUND));
      EXPECT_EQ(DibBmp::GetInstance().IsPictureBusy(), c.m_bPictureKept);
      EXPECT_EQ(g_CorvaneAppFlags.m_bPhoneForeground, 0);
      ExpectShows(pDlg, c.m_nState);
    });
  }
}

TEST_F(MainDlgStateTest, TheLogoGoesAfterASecond) {
  RunMain([&](CMainDlg* pDlg) {
    Advance(999);
    EXPECT_TRUE(Shown(pDlg, u"container_vtlogo"));
    Advance(1);
    EXPECT_FALSE(Shown(pDlg, u"container_vtlogo"));
  });
}

// The settle timer looks at the flags when it runs out, not at the report that armed it.
struct SettleCase {
  const char* m_pszName;
  std::vector<Event> m_Events;
  DWORD m_dwWait;  // the report's settle time
  std::function<void()> m_fnChange;
  int m_nState;
};

TEST_F(MainDlgStateTest, SettleTimerFollowsTheFlags) {
  const SettleCase kCases[] = {
      {"a picture came after the foreground report",
       {UsbIn(), Step(100), Cmd(MSG_CMD_PHONE_FOREGROUND)},
       1500,
       [] { DibBmp::GetInstance().SetPictureBusy(1); },
       STATE_CORVANE_VIDEO},
      {"still no picture",
       {UsbIn(), Step(100), Cmd(MSG_CMD_PHONE_FOREGROUND)},
       1500,
       [] {},
       STATE_CORVANE_STARTING},
      {"the app is missing",
       {UsbIn(), Step(100), FirstPicture(), Cmd(MSG_CMD_PHONE_BACKGROUND)},
       2000,
       [] { g_CorvaneAppFlags.m_bAppInstalled = 0; },
       STATE_CORVANE_NOT_EXIST},
      {"a call began",
       {UsbIn(), Step(100), PictureReady(), Cmd(MSG_CMD_PHONE_FOREGROUND)},
       1500,
       [] {
         g_CorvaneAppFlags.m_bPhoneForeground = 0;
         g_CorvaneAppFlags.m_bCalling = 1;
       },
       STATE_CORVANE_CALLING},
      {"the phone went to the background",
       {UsbIn(), Step(100), PictureReady(), Cmd(MSG_CMD_PHONE_FOREGROUND)},
       1500,
       [] { g_CorvaneAppFlags.m_bPhoneForeground = 0; },
       STATE_CORVANE_HIDE},
      {"the phone is gone",
       {UsbIn(), Step(40), UsbOut(), FirstPicture()},
       2000,
       [] {},
       STATE_CORVANE_USB_OUT},
  };
  for (const SettleCase& c : kCases) {
    SCOPED_TRACE(c.m_pszName);
    g_CorvaneAppFlags.Reset();
    DibBmp::GetInstance().SetPictureBusy(0);
    RunMain([&](CMainDlg* pDlg) {
      Apply(c.m_Events);
      const int nBefore = pDlg->GetState();
      c.m_fnChange();
      Advance(c.m_dwWait - 1);
      EXPECT_EQ(pDlg->GetState(), nBefore);
      Advance(1);
      ExpectShows(pDlg, c.m_nState);
      if (c.m_nState == STATE_CORVANE_HIDE) {
        EXPECT_EQ(DibBmp::GetInstance().IsPictureBusy(), 0);
      }
    });
  }
}

TEST_F(MainDlgStateTest, QuitRequestEndsTheScreen) {
  EXPECT_EQ(RunMain([&](CMainDlg*) { Send(CORVANE_WM_EXIT, 0); }), 0);
}

TEST_F(MainDlgStateTest, NavigationWindowIsRaisedThreeTimes) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = DefWindowProcW;
  wc.lpszClassName = u"ScreensTestNavi";
  RegisterClassW(&wc);
  for (bool bNaviAlive : {true, false}) {
    SCOPED_TRACE(bNaviAlive);
    ClearLog();
    HWND hNavi = CreateWindowExW(0, u"ScreensTestNavi", u"navi", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr,
                                 nullptr, nullptr, nullptr);
    ASSERT_NE(hNavi, nullptr);
    if (!bNaviAlive) DestroyWindow(hNavi);
    RunMain([&](CMainDlg* pDlg) {
      pDlg->KeepNaviRaised(hNavi);
      const char kRaised[] = "SetWndToForground NOTOPMOST";
      Advance(1799);
      EXPECT_EQ(CountLogLines(kRaised), 0);
      for (int i = 1; i <= 4; ++i) {
        Advance(i == 1 ? 1 : 1800);
        EXPECT_EQ(CountLogLines(kRaised), bNaviAlive ? std::min(i, 3) : 0) << i;
      }
    });
    if (bNaviAlive) DestroyWindow(hNavi);
  }
}

TEST_F(MainDlgStateTest, NoNavigationWithoutItsFile) {
  RunMain([&](CMainDlg*) {
    for (int i = 0; i < 4; ++i) Advance(1800);
  });
  EXPECT_EQ(CountLogLines("SetWndToForground NOTOPMOST"), 0);
}

TEST_F(MainDlgStateTest, RootWindowStaysTopmostForTheConfiguredTime) {
  for (BYTE bTopmost : {0, 1}) {
    SCOPED_TRACE(static_cast<int>(bTopmost));
    g_CorvaneConfig.m_WindowParam.m_bTopmost = bTopmost;
    g_CorvaneConfig.m_WindowParam.m_nExitTime = 2;
    RunMain([&](CMainDlg*) {
      auto IsTopmost = [&] { return (GetWindowLongW(Hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
      // Raised every 600 ms until two seconds have passed, then let go once for good.
      const bool kExpected[] = {true, true, true, false, false};
      for (bool bExpected : kExpected) {
        Advance(600);
        EXPECT_EQ(IsTopmost(), bTopmost && bExpected);
      }
    });
  }
}

TEST(MainDlgVersionLabel, DateWithoutYearTimeWithoutSeconds) {
  struct {
    const char* m_pszDate;
    const char* m_pszTime;
    const char16_t* m_pszExpected;
  } const kCases[] = {
      {"Mar 31 2026", "20:09:42", u"2.0.0.1 (Mar 31 20:09)"},
      // The compiler pads a day below ten with a blank.
      {"Jan  5 2027", "07:00:09", u"2.0.0.1 (Jan  5 07:00)"},
  };
  for (const auto& c : kCases) {
    WCHAR szText[64];
    CMainDlg::FormatVersionLabel(u"2.0.0.1", c.m_pszDate, c.m_pszTime, szText, 64);
    EXPECT_EQ(std::u16string(szText), c.m_pszExpected) << c.m_pszDate;
  }
}

TEST_F(MainDlgStateTest, VersionLabelShowsTheConfiguredVersion) {
  g_CorvaneConfig.m_strVersion = u"2.0.0.1";
  RunMain([&](CMainDlg* pDlg) {
    const std::string text = Text(Layer(pDlg, u"corvane_version"));
    EXPECT_EQ(text.rfind("2.0.0.1 (", 0), 0u) << text;
    EXPECT_EQ(text.back(), ')');
  });
}

}  // namespace
