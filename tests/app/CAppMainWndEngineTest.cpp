#include "app/AppWindowMessages.h"
#include "app/CAppMainWndEngine.h"

#include "engine/CorvaneEngineSession.h"
#include "engine/CConnectProgress.h"
#include "app/CScreenStandIn.h"
#include "engine/CSingleInstance.h"
#include "engine/CorvaneAppFlags.h"
#include "engine/CorvaneChannelContext.h"
#include "engine/CorvaneCommand.h"
#include "engine/CorvaneFrame.h"
#include "engine/CorvaneWindowMessages.h"
#include "engine/DibBmp.h"
#include "tests/engine/FakeAdb.h"
#include "tests/engine/WindowPump.h"
#include "engine/SystemInitThread.h"

#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/user/user.h"
#include "platform/user/UserHooks.h"
#include "services/CErrorLog.h"
#include "services/CorvaneConfig.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <vector>

using ::testing::ElementsAre;

namespace {

struct Seen {
  UINT m_nMsg;
  WPARAM m_wParam;
  LPARAM m_lParam;
};

CAppMainWndEngine* g_pEngine = nullptr;
std::vector<Seen> g_seen;
std::mutex g_broadcastLock;
std::vector<Seen> g_broadcasts;

// The window procedure as the engine program has it.
LRESULT TestWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg >= 0xC000 || msg == WM_TIMER) g_seen.push_back({msg, wParam, lParam});
  if (g_pEngine && g_pEngine->HandleWindowMessage(msg, wParam, lParam)) return 0;
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

class AppMainWndEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fakeadb::Reset();
    fakeadb::SetChannelConnected(0, true);
    fakeadb::SetChannelConnected(5, true);
    ResetCorvaneConfig();
    // Each test is an engine life of its own, also where none is started.
    ResetEngineForTests();
    CErrorLog::GetInstance()->Clear();
    g_nConnectCount = 0;
    g_nVideoWidth = 1280;
    g_nVideoHeight = 720;
    g_nPhoneFrameRate = 0;
    ResetEvent(g_hEventInit);
    static bool registered = false;
    if (!registered) {
      WNDCLASSW wc = {};
      wc.lpfnWndProc = TestWndProc;
      wc.lpszClassName = u"AppEngineTestWnd";
      RegisterClassW(&wc);
      registered = true;
    }
    g_seen.clear();
    {
      std::lock_guard<std::mutex> hold(g_broadcastLock);
      g_broadcasts.clear();
    }
    wce::SetBroadcastTap([](UINT msg, WPARAM w, LPARAM l) {
      std::lock_guard<std::mutex> hold(g_broadcastLock);
      g_broadcasts.push_back({msg, w, l});
    });
    m_hwnd = CreateWindowExW(0, u"AppEngineTestWnd", u"", WS_POPUP | WS_VISIBLE, 0, 0, 800, 480, nullptr,
                             nullptr, nullptr, nullptr);
    m_Engine.Attach(m_hwnd);
    g_pEngine = &m_Engine;
  }
  void TearDown() override {
    wce::SetBroadcastTap(nullptr);
    DestroyWindow(m_hwnd);
    g_pEngine = nullptr;
  }

  // Delivers what is queued for the window (posts and timers that are due).
  void Pump() { testpump::Pump(); }
  bool PumpUntil(const std::function<bool()>& pred) { return testpump::PumpUntil(pred, 10000); }
  void Send(UINT msg, WPARAM wParam, LPARAM lParam) {
    PostMessageW(m_hwnd, msg, wParam, lParam);
    Pump();
  }
  bool SawTimer(UINT_PTR id) const {
    for (const Seen& s : g_seen) {
      if (s.m_nMsg == WM_TIMER && s.m_wParam == id) return true;
    }
    return false;
  }
  std::vector<Seen> SeenOf(UINT msg) const {
    std::vector<Seen> out;
    for (const Seen& s : g_seen) {
      if (s.m_nMsg == msg) out.push_back(s);
    }
    return out;
  }

  HWND m_hwnd = nullptr;
  CAppMainWndEngine m_Engine;
};

struct ScaleCase {
  int m_nVideoW, m_nVideoH, m_nX, m_nY, m_nOutX, m_nOutY;
};

class TouchScaling : public AppMainWndEngineTest, public ::testing::WithParamInterface<ScaleCase> {};

TEST_P(TouchScaling, ScalesByTheVideoSizeOverTheClientSize) {
  const ScaleCase& c = GetParam();
  g_nVideoWidth = c.m_nVideoW;
  g_nVideoHeight = c.m_nVideoH;
  int x = -1;
  int y = -1;
  ASSERT_TRUE(m_Engine.ScalePoint(c.m_nX, c.m_nY, &x, &y));
  EXPECT_EQ(x, c.m_nOutX);
  EXPECT_EQ(y, c.m_nOutY);
}

INSTANTIATE_TEST_SUITE_P(
    Points, TouchScaling,
    ::testing::Values(ScaleCase{1280, 720, 400, 240, 640, 360}, ScaleCase{1280, 720, 799, 479, 1278, 718},
                      ScaleCase{1280, 720, 0, 0, 0, 0}, ScaleCase{800, 480, 123, 456, 123, 456},
                      ScaleCase{720, 1280, 1, 1, 0, 2},
                      // A captured drag beyond the window: the nearest edge.
                      ScaleCase{1280, 720, -20, 500, 0, 719}, ScaleCase{1280, 720, 900, -5, 1279, 0},
                      ScaleCase{1280, 720, -70000, 70000, 0, 719}));

TEST_F(AppMainWndEngineTest, NoTouchIsScaledBeforeThePhoneAnnouncedItsVideoSize) {
  g_nVideoWidth = 0;
  g_nVideoHeight = 0;
  int x = -1;
  int y = -1;
  EXPECT_FALSE(m_Engine.ScalePoint(10, 10, &x, &y));
  g_CorvaneAppFlags.m_bPhoneForeground = 1;
  EXPECT_TRUE(m_Engine.OnLButtonDown(10, 10));
  EXPECT_TRUE(fakeadb::Written(5).empty());
}

TEST_F(AppMainWndEngineTest, APressInTheForegroundIsOneTouchFrameOnChannel5) {
  g_CorvaneAppFlags.m_bPhoneForeground = 1;
  EXPECT_TRUE(m_Engine.OnLButtonDown(400, 240));
  // CorvaneTouchAction {action 0, x 640, y 360} behind its header, type 0x00068001.
  EXPECT_EQ(fakeadb::Written(5), std::vector<uint8_t>({0x00, 0x08, 0x00, 0x00, 0x00, 0x06, 0x80, 0x01,  //
                                                       0x08, 0x00, 0x10, 0x80, 0x05, 0x18, 0xE8, 0x02}));
  EXPECT_TRUE(m_Engine.OnMouseMove(400, 240));
  EXPECT_TRUE(m_Engine.OnLButtonUp(400, 240));
  EXPECT_THAT(fakeadb::WrittenCommandTypes(5), ElementsAre(0x00068001u, 0x00068001u, 0x00068001u));
  std::vector<uint8_t> bytes = fakeadb::Written(5);
  // The actions in order: down 0, move 2, up 1 (the byte after the first field tag 08).
  EXPECT_EQ(bytes[9], 0x00);
  EXPECT_EQ(bytes[16 + 9], 0x02);
  EXPECT_EQ(bytes[32 + 9], 0x01);
}

TEST_F(AppMainWndEngineTest, ASecondPressWithoutReleaseIsDroppedWhole) {
  g_CorvaneAppFlags.m_bPhoneForeground = 1;
  EXPECT_TRUE(m_Engine.OnLButtonDown(10, 10));
  EXPECT_FALSE(m_Engine.OnLButtonDown(20, 20));
  EXPECT_EQ(fakeadb::WrittenCommandTypes(5).size(), 1u);
}

TEST_F(AppMainWndEngineTest, OutsideTheForegroundPressesAreTrackedButNothingIsSent) {
  EXPECT_FALSE(m_Engine.OnMouseMove(5, 5));  // no press: not even the layers get it
  EXPECT_TRUE(m_Engine.OnLButtonDown(5, 5));
  EXPECT_TRUE(m_Engine.IsPressed());
  EXPECT_TRUE(m_Engine.OnMouseMove(6, 6));
  EXPECT_TRUE(m_Engine.OnLButtonUp(6, 6));
  EXPECT_FALSE(m_Engine.IsPressed());
  EXPECT_TRUE(fakeadb::Written(5).empty());
}

TEST_F(AppMainWndEngineTest, TheShownFlagFollowsTheWindowWhoeverShowsOrHidesIt) {
  ShowWindow(m_hwnd, SW_HIDE);
  EXPECT_EQ(g_CorvaneAppFlags.m_bWindowShown.load(), 0);
  // A second start of the program raises this window without a message of its own.
  ShowWindow(m_hwnd, SW_SHOW);
  EXPECT_EQ(g_CorvaneAppFlags.m_bWindowShown.load(), 1);
}

TEST_F(AppMainWndEngineTest, UsbInWakesTheSequencerAfter200Ms) {
  Send(WMMSG_CORVANE_USB_OUT, 0, 1);
  EXPECT_EQ(g_CorvaneAppFlags.m_bUsbIn.load(), 1);
  ASSERT_TRUE(PumpUntil([&] { return SawTimer(TIMER_ID_USB_IN); }));
  EXPECT_EQ(WaitForSingleObject(g_hEventInit, 0), WAIT_OBJECT_0);
}

TEST_F(AppMainWndEngineTest, UsbOutClearsTheFlagsAndStopsTheRecording) {
  g_CorvaneAppFlags.m_bUsbIn = 1;
  g_CorvaneAppFlags.m_bPhoneForeground = 1;
  g_CorvaneAppFlags.m_bCalling = 1;
  g_bAuthFailLogged = 1;
  Send(NMSG_RECORD, 0, 1);
  EXPECT_TRUE(m_Engine.IsRecording());
  Send(WMMSG_CORVANE_USB_OUT, 0, 0);
  EXPECT_EQ(g_CorvaneAppFlags.m_bUsbIn.load(), 0);
  EXPECT_EQ(g_CorvaneAppFlags.m_bPhoneForeground.load(), 0);
  EXPECT_EQ(g_CorvaneAppFlags.m_bCalling.load(), 0);
  EXPECT_EQ(g_bAuthFailLogged.load(), 0);
  // The recording stop posted to itself, then handled.
  std::vector<Seen> records = SeenOf(NMSG_RECORD);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].m_lParam, 2);
  EXPECT_FALSE(m_Engine.IsRecording());
  EXPECT_TRUE(PumpUntil([&] { return SawTimer(TIMER_ID_REPAINT); }));
}

TEST_F(AppMainWndEngineTest, EncoderReadyLetsTouchesStartAfterASecond) {
  Send(MESSAGE_CMD_REV, 0, 0x00010008);
  EXPECT_EQ(g_CorvaneAppFlags.m_bPhoneForeground.load(), 0);
  ASSERT_TRUE(PumpUntil([&] { return SawTimer(TIMER_ID_ENCODER_FOREGROUND); }));
  EXPECT_EQ(g_CorvaneAppFlags.m_bPhoneForeground.load(), 1);
  Send(MESSAGE_CMD_REV, 0, 0x0001001C);
  EXPECT_EQ(g_CorvaneAppFlags.m_bPhoneForeground.load(), 0);
  Send(MESSAGE_CMD_REV, 0, 0x0001001B);
  EXPECT_EQ(g_CorvaneAppFlags.m_bPhoneForeground.load(), 1);
}

TEST_F(AppMainWndEngineTest, CallingStateFollowsThePhone) {
  Send(INNER_MSG_CORVANE_CALLING_STATE, 0, 1);
  EXPECT_EQ(g_CorvaneAppFlags.m_bCalling.load(), 1);
  Send(INNER_MSG_CORVANE_CALLING_STATE, 0, 0);
  EXPECT_EQ(g_CorvaneAppFlags.m_bCalling.load(), 0);
}

struct RateCase {
  int m_nPhoneRate;
  LPARAM m_nRequested;
  bool m_bSent;
};

class FrameRateChange : public AppMainWndEngineTest, public ::testing::WithParamInterface<RateCase> {};

TEST_P(FrameRateChange, AsksThePhoneUnlessItRunsAtThatRateAlready) {
  g_nPhoneFrameRate = GetParam().m_nPhoneRate;
  Send(INNER_MSG_FRAME_RATE_CHANGE, 0, GetParam().m_nRequested);
  if (GetParam().m_bSent) {
    EXPECT_THAT(fakeadb::WrittenCommandTypes(0), ElementsAre(0x0001800Cu));
  } else {
    EXPECT_TRUE(fakeadb::Written(0).empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Rates, FrameRateChange,
                         ::testing::Values(RateCase{10, 10, false}, RateCase{3, 3, false},
                                           RateCase{10, 3, true}, RateCase{0, 10, true}));

TEST_F(AppMainWndEngineTest, WithTheNotifyFlagClearHostRequestsDoNothingAndShowHideNotifyHides) {
  Send(NMSG_CORVANE_HW_KEY, 21, 0);
  Send(NMSG_CORVANE_MODULE_CONTROL, 3, 1);
  Send(INNER_NMSG_PAUSE_VIDEO, 0, 0);
  EXPECT_TRUE(fakeadb::Written(0).empty());
  EXPECT_TRUE(fakeadb::Written(5).empty());
  Send(N_WMMSG_CORVANE_SHOWHIDE_NOTIFY, 0, 0);
  Pump();
  std::vector<Seen> showHide = SeenOf(NMSG_CORVANE_SHOWHIDE);
  ASSERT_EQ(showHide.size(), 1u);
  EXPECT_EQ(showHide[0].m_lParam, 2);
  EXPECT_EQ(g_CorvaneAppFlags.m_bWindowShown.load(), 0);
  EXPECT_FALSE(IsWindowVisible(m_hwnd));
}

TEST_F(AppMainWndEngineTest, WithTheNotifyFlagSetHostRequestsReachThePhone) {
  g_CorvaneConfig.m_bNotifyMsg = 1;
  Send(NMSG_CORVANE_MODULE_CONTROL, 3, 2);
  Send(NMSG_CORVANE_MODULE_CONTROL, 5, 1);  // not a module this program controls
  Send(NMSG_CORVANE_MODULE_CONTROL, 4, 3);  // not a status
  Send(INNER_NMSG_PAUSE_VIDEO, 0, 0);
  Send(NMSG_CORVANE_SETVOLUME, 7, 7);
  Send(N_WMMSG_CORVANE_SHOWHIDE_NOTIFY, 0, 0);
  EXPECT_THAT(fakeadb::WrittenCommandTypes(0), ElementsAre(0x00018028u, 0x0001800Au));
  // CorvaneModuleStatusList {cnt 1, moduleStatus {moduleID 3, statusID 0}}.
  EXPECT_EQ(fakeadb::Written(0), std::vector<uint8_t>({0x00, 0x08, 0x00, 0x00, 0x00, 0x01, 0x80, 0x28,  //
                                                       0x08, 0x01, 0x12, 0x04, 0x08, 0x03, 0x10, 0x00,  //
                                                       0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x80, 0x0A}));
  Send(NMSG_CORVANE_HW_KEY, 21, 0);
  EXPECT_THAT(fakeadb::WrittenCommandTypes(5), ElementsAre(0x00068008u));
  EXPECT_TRUE(SeenOf(NMSG_CORVANE_SHOWHIDE).empty());
}

struct ShowHideCase {
  LPARAM m_lParam;
  int m_nShown;
};

class ShowHide : public AppMainWndEngineTest, public ::testing::WithParamInterface<ShowHideCase> {};

TEST_P(ShowHide, ShowsOrHidesTheWindow) {
  ShowWindow(m_hwnd, SW_HIDE);
  g_CorvaneAppFlags.m_bWindowShown = 7;  // "no change" stays visible as such
  Send(NMSG_CORVANE_SHOWHIDE, 0, GetParam().m_lParam);
  EXPECT_EQ(g_CorvaneAppFlags.m_bWindowShown.load(), GetParam().m_nShown);
}

INSTANTIATE_TEST_SUITE_P(Values, ShowHide,
                         ::testing::Values(ShowHideCase{1, 1}, ShowHideCase{0, 0}, ShowHideCase{2, 0},
                                           ShowHideCase{5, 7}));

TEST_F(AppMainWndEngineTest, QuitRequestEndsTheScreenAndIsNotDeliveredFurther) {
  EXPECT_FALSE(m_Engine.OnMessage(NMSG_CORVANE_QUIT, 0, 0));
  EXPECT_FALSE(m_Engine.IsExitRequested());
  Pump();
  EXPECT_TRUE(m_Engine.IsExitRequested());
}

TEST_F(AppMainWndEngineTest, PhoneExitClosesTheChannelsAndReportsTheBackground) {
  g_CorvaneAppFlags.m_bPhoneForeground = 1;
  Send(INNER_MSG_PHONE_CORVANE_EXIT, 0, 0);
  Pump();
  EXPECT_EQ(fakeadb::CountCalls("TcpDisconnect 6"), 1);
  std::vector<Seen> rev = SeenOf(MESSAGE_CMD_REV);
  ASSERT_EQ(rev.size(), 1u);
  EXPECT_EQ(rev[0].m_lParam, 0x0001001C);
  EXPECT_EQ(g_CorvaneAppFlags.m_bPhoneForeground.load(), 0);
}

// The engine program keeps the screen's percentage in the screen's place: a background report
// drops the picture only from a connection that reached 100 percent.
TEST_F(AppMainWndEngineTest, BackgroundClearsThePictureOnlyAtAHundredPercent) {
  struct {
    const char* m_pszName;
    std::vector<std::pair<UINT*, LPARAM>> m_Before;  // messages before the picture and the report
    int m_bPictureKept;
  } const kCases[] = {
      {"linking", {{&WMMSG_CORVANE_USB_OUT, 1}, {&CORVAN_WM_CONNECT_STEP, 50}}, 1},
      {"99", {{&WMMSG_CORVANE_USB_OUT, 1}, {&CORVAN_WM_CONNECT_STEP, 99}}, 1},
      {"100", {{&WMMSG_CORVANE_USB_OUT, 1}, {&CORVAN_WM_CONNECT_STEP, 100}}, 0},
      {"over 100", {{&WMMSG_CORVANE_USB_OUT, 1}, {&CORVAN_WM_CONNECT_STEP, 120}}, 0},
      {"a step without a phone", {{&CORVAN_WM_CONNECT_STEP, 100}, {&WMMSG_CORVANE_USB_OUT, 1}}, 1},
      {"USB out starts again",
       {{&WMMSG_CORVANE_USB_OUT, 1},
        {&CORVAN_WM_CONNECT_STEP, 100},
        {&WMMSG_CORVANE_USB_OUT, 0},
        {&WMMSG_CORVANE_USB_OUT, 1},
        {&CORVAN_WM_CONNECT_STEP, 30}},
       1},
      {"the app is missing",
       {{&WMMSG_CORVANE_USB_OUT, 1},
        {&CORVAN_WM_CONNECT_STEP, 100},
        {&CORVAN_WM_MSG, CORVAN_MSG_APP_MISSING}},
       1},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.m_pszName);
    CScreenStandIn screen;
    screen.Attach(m_hwnd);
    g_CorvaneAppFlags.Reset();
    for (const auto& m : c.m_Before) {
      // The root window's share first, as the window procedure hands them on.
      m_Engine.OnMessage(*m.first, 0, m.second);
      screen.OnMessage(*m.first, 0, m.second);
    }
    DibBmp::GetInstance().SetPictureBusy(1);
    screen.OnMessage(MESSAGE_CMD_REV, 0, MSG_CMD_PHONE_BACKGROUND);
    EXPECT_EQ(DibBmp::GetInstance().IsPictureBusy(), c.m_bPictureKept);
    EXPECT_EQ(g_CorvaneAppFlags.m_bPhoneForeground.load(), 0);
  }
  DibBmp::GetInstance().SetPictureBusy(0);
  KillTimer(m_hwnd, TIMER_ID_USB_IN);
  KillTimer(m_hwnd, TIMER_ID_REPAINT);
}

TEST_F(AppMainWndEngineTest, StatisticsTimerSendsAndClearsWhileTheFlagsSayUsbIn) {
  g_CorvaneAppFlags.m_bUsbIn = 1;
  g_nConnectCount = 3;
  g_ConnectStatRecord.contotal = 3;
  g_ConnectStatRecord.consuccess = 1;
  g_ConnectStatRecord.confailed = 2;
  g_ConnectStatRecord.contime = 1500;
  SetTimer(m_hwnd, TIMER_ID_SEND_INFO_MD, 10, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return SawTimer(TIMER_ID_SEND_INFO_MD); }));
  EXPECT_THAT(fakeadb::WrittenCommandTypes(0), ElementsAre(0x00018060u));
  EXPECT_EQ(CErrorLog::GetInstance()->GetLineCount(), 0);
  EXPECT_EQ(g_nConnectCount, 0);
  EXPECT_EQ(g_ConnectStatRecord.contotal, 0);
  EXPECT_EQ(g_bStatisticsSent.load(), 1);
}

TEST_F(AppMainWndEngineTest, StatisticsTimerAfterUsbOutKeepsTheCounter) {
  g_nConnectCount = 3;
  SetTimer(m_hwnd, TIMER_ID_SEND_INFO_MD, 10, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return SawTimer(TIMER_ID_SEND_INFO_MD); }));
  EXPECT_TRUE(fakeadb::Written(0).empty());
  EXPECT_EQ(g_nConnectCount, 3);
  // No pictures came: the line waits in the error log for the next statistics.
  EXPECT_EQ(CErrorLog::GetInstance()->GetLineCount(), 1);
}

TEST(AppMainWndEngineLife, StartsAndShutsTheEngineDownInOrder) {
  char tmpl[] = "/tmp/corvane-app-XXXXXX";
  std::string root = mkdtemp(tmpl);
  wce::SetRootDir(root);
  wce::SetModuleFileName(u"\\CECorvane.exe");
  fakeadb::Reset();
  fakeadb::SetConnected(false);
  ResetCorvaneConfig();
  g_CorvaneConfig.m_bNotifyMsg = 1;
  ResetEngineForTests();
  std::ofstream(root + "/Connect.log") << "41";
  std::vector<Seen> broadcasts;
  wce::SetBroadcastTap([&](UINT msg, WPARAM w, LPARAM l) { broadcasts.push_back({msg, w, l}); });

  HWND hwnd = CreateWindowExW(0, u"AppEngineTestWnd", u"", WS_POPUP | WS_VISIBLE, 0, 0, 800, 480, nullptr,
                              nullptr, nullptr, nullptr);
  CAppMainWndEngine engine;
  g_pEngine = &engine;
  EXPECT_EQ(engine.Start(hwnd), 1);
  // Start loads 41; the sequencer's first pass counts one more and then waits for a phone.
  for (int i = 0; i < 500 && g_nConnectCount != 42; ++i) Sleep(10);
  EXPECT_EQ(g_nConnectCount, 42);
  EXPECT_EQ(g_CorvaneChannelContext.m_hMainWnd.load(), hwnd);
  engine.Shutdown();
  wce::SetBroadcastTap(nullptr);

  std::vector<std::string> calls = fakeadb::Calls();
  std::vector<std::string> expected = {"SetUsbThreadPriority 250", "Init", "TcpDisconnect 6", "Close"};
  std::vector<std::string> seen;
  for (const std::string& c : calls) {
    if (std::find(expected.begin(), expected.end(), c) != expected.end()) seen.push_back(c);
  }
  EXPECT_EQ(seen, expected);
  ASSERT_EQ(broadcasts.size(), 1u);
  EXPECT_EQ(broadcasts[0].m_nMsg, N_WMMSG_CORVANE_QUIT_NOTIFY);
  std::ifstream counter(root + "/Connect.log");
  int saved = -1;
  counter >> saved;
  EXPECT_EQ(saved, 42);  // the sequencer counted its pass
  EXPECT_EQ(g_hEventInit, nullptr);
  DestroyWindow(hwnd);
  g_pEngine = nullptr;
  ResetEngineForTests();
  std::error_code ec;
  std::filesystem::remove_all(root, ec);
}

// A phone that never answers holds the sequencer inside one of the link's long calls; the link
// lets it go only when told that the program is closing. The shutdown tells it before anything
// else, so it never sits out the call's own wait.
TEST(AppMainWndEngineLife, ShutdownTellsTheLinkFirstSoASequencerInsideItEndsAtOnce) {
  const DWORD kLinkWaitMs = 10000;  // longer than any wait of the real link's calls
  char tmpl[] = "/tmp/corvane-app-XXXXXX";
  std::string root = mkdtemp(tmpl);
  wce::SetRootDir(root);
  wce::SetModuleFileName(u"\\CECorvane.exe");
  fakeadb::Reset();
  ResetCorvaneConfig();
  ResetEngineForTests();
  HANDLE held = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE closing = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::atomic<bool> releasedByClose{false};
  fakeadb::SetCallHook([&](const std::string& call) {
    if (call == "BeginClose") SetEvent(closing);
    if (call != "StartPhoneApp" || WaitForSingleObject(held, 0) == WAIT_OBJECT_0) return;
    SetEvent(held);
    releasedByClose = WaitForSingleObject(closing, kLinkWaitMs) == WAIT_OBJECT_0;
  });

  HWND hwnd = CreateWindowExW(0, u"AppEngineTestWnd", u"", WS_POPUP | WS_VISIBLE, 0, 0, 800, 480, nullptr,
                              nullptr, nullptr, nullptr);
  CAppMainWndEngine engine;
  g_pEngine = &engine;
  EXPECT_EQ(engine.Start(hwnd), 1);
  g_CorvaneAppFlags.m_bUsbIn = 1;
  SetEvent(g_hEventInit);
  ASSERT_EQ(WaitForSingleObject(held, 20000), WAIT_OBJECT_0) << "the sequencer reached the app start";

  const DWORD start = GetTickCount();
  engine.Shutdown();
  EXPECT_LT(GetTickCount() - start, kLinkWaitMs);
  EXPECT_TRUE(releasedByClose);
  std::vector<std::string> order;
  for (const std::string& c : fakeadb::Calls()) {
    if (c == "BeginClose" || c == "TcpDisconnect 6" || c == "Close") order.push_back(c);
  }
  ASSERT_FALSE(order.empty());
  EXPECT_EQ(order.front(), "BeginClose");
  EXPECT_EQ(order.back(), "Close");

  fakeadb::SetCallHook(nullptr);
  CloseHandle(held);
  CloseHandle(closing);
  DestroyWindow(hwnd);
  g_pEngine = nullptr;
  g_CorvaneAppFlags.m_bUsbIn = 0;
  ResetEngineForTests();
  std::error_code ec;
  std::filesystem::remove_all(root, ec);
}

}  // namespace
