// The root window's engine life, its touches, the requests of other programs, the shown flag and
// the picture painted from the video thread, each through the real window.
#include "tests/app/ui/AppMainWndFixture.h"

#include "engine/CorvaneEngineSession.h"
#include "engine/CorvaneEngineSession.h"
#include "engine/CorvaneFrame.h"
#include "proto/CorvaneTouchActionProto.pb.h"
#include "tests/app/screens/ScreenFixture.h"

#include "platform/audio/audio.h"
#include "platform/audio/AudioHooks.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/user/UserHooks.h"
#include "wceui/core/CWceUiDlg.h"
#include "wceui/core/CWceUiLayerCtrl.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

using ::testing::ElementsAreArray;

namespace {

// Another program's window: it sees what the root window sends or broadcasts to every window.
LRESULT OtherProgramWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_FONTCHANGE) wce::DebugPrint("other program: fonts changed\n");
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND CreateOtherProgramWindow() {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = OtherProgramWndProc;
  wc.lpszClassName = u"AppTestOtherProgram";
  RegisterClassW(&wc);
  return CreateWindowExW(0, u"AppTestOtherProgram", u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                         nullptr);
}

class AppMainWndTest : public AppMainWndFixture {};

TEST_F(AppMainWndTest, InitDialogStartsTheEngineRunsTheScreenAndShutsDownInOrder) {
  g_CorvaneConfig.m_bNotifyMsg = 1;
  g_CorvaneConfig.m_WindowParam.m_strWndTitle = u"Corvane";
  CreateOtherProgramWindow();
  CProbeAppMainWnd wnd;
  HWND seenWnd = nullptr;
  wnd.m_fnOnScreen = [&](CProbeAppMainWnd& w) {
    seenWnd = w.GetSafeHwnd();
    EXPECT_EQ(g_CorvaneChannelContext.m_hMainWnd.load(), seenWnd);
    WCHAR title[32] = {};
    GetWindowTextW(seenWnd, title, 32);
    EXPECT_EQ(std::u16string(title), u"Corvane");
    EXPECT_EQ(g_CorvaneAppFlags.m_bWindowShown.load(), 1);
  };

  EXPECT_EQ(Run(wnd), 0);

  ASSERT_NE(seenWnd, nullptr);
  EXPECT_FALSE(IsWindow(seenWnd));
  // No font beside the program here: both font steps fail and are logged, the run goes on.
  EXPECT_THAT(
      LinesOf({"AddFontResource Error", "other program: fonts changed", "CeCorvane compile time",
               "adb SetUsbThreadPriority 250", "adb Init", "screen runs", "adb TcpDisconnect 6",
               "WaitFor SysInit Thread Exit", "ALL Tcp Thread Exit", "adb Close", "broadcast quit notify",
               "RemoveFontResource Error"}),
      ElementsAreArray({"AddFontResource Error", "other program: fonts changed", "CeCorvane compile time",
                        "adb SetUsbThreadPriority 250", "adb Init", "screen runs", "adb TcpDisconnect 6",
                        "WaitFor SysInit Thread Exit", "ALL Tcp Thread Exit", "adb Close",
                        "broadcast quit notify", "RemoveFontResource Error"}));
  EXPECT_TRUE(std::filesystem::exists(wce::HostPath(u"\\SDMMC\\CECorvane\\Error.log")));
}

struct LevelCase {
  DWORD m_dwBefore, m_dwAfter;
};

class AppMainWndLevel : public AppMainWndFixture, public ::testing::WithParamInterface<LevelCase> {};

TEST_P(AppMainWndLevel, ALowOutputLevelIsRaisedAtStart) {
  wce::ResetWaveOut();
  waveOutMessage(nullptr, WODM_SET_OUTPUT_LEVEL, GetParam().m_dwBefore, 0);
  CProbeAppMainWnd wnd;
  DWORD during = 0;
  wnd.m_fnOnScreen = [&](CProbeAppMainWnd&) {
    during = waveOutMessage(nullptr, WODM_GET_OUTPUT_LEVEL, 0, 0);
  };
  EXPECT_EQ(Run(wnd), 0);
  EXPECT_EQ(during, GetParam().m_dwAfter);
  wce::ResetWaveOut();
}

INSTANTIATE_TEST_SUITE_P(Levels, AppMainWndLevel,
                         ::testing::Values(LevelCase{0, 17}, LevelCase{30, 47}, LevelCase{37, 54},
                                           LevelCase{38, 38}, LevelCase{40, 40}));

TEST_F(AppMainWndTest, TheProgramsScreenRunsThePhonePopUpAndEndsOnAQuitRequest) {
  PutScreenFiles();
  const UINT probe = RegisterWindowMessageW(u"APP_TEST_TOP_DIALOG");
  CProbeAppMainWnd wnd;
  wnd.m_bRealScreen = true;
  // The dialogs under the root layer and the class of the top one, at each probe.
  std::vector<std::string> seen;
  wnd.m_fnOnMessage = [&](UINT msg) {
    if (msg != probe) return;
    CWceUiLayer* pRoot = wnd.GetLayerCtrl()->RootLayer();
    CWceUiLayer* pTop = pRoot->GetLastChild();
    seen.push_back(std::to_string(pRoot->GetChildCount()) + " " +
                   (pTop != nullptr && pTop->IsKindOf(u"CPhoneDlg")  ? "phone"
                    : pTop != nullptr && pTop->IsKindOf(u"CMainDlg") ? "main"
                                                                     : "other"));
  };
  wnd.m_fnOnScreen = [&](CProbeAppMainWnd& w) {
    const HWND hwnd = w.GetSafeHwnd();
    // Another program's requests, taken in order by the screen's loop and the pop-up's.
    PostMessageW(hwnd, probe, 0, 0);
    PostMessageW(hwnd, NMSG_CORVANE_VIDEO_DLG_SHOW, 0, 0);
    PostMessageW(hwnd, probe, 0, 0);
    PostMessageW(hwnd, NMSG_CORVANE_VIDEO_DLG_SHOW, 0, 0);
    PostMessageW(hwnd, probe, 0, 0);
    PostMessageW(hwnd, NMSG_CORVANE_VIDEO_DLG_HIDE, 0, 0);
    PostMessageW(hwnd, probe, 0, 0);
    PostMessageW(hwnd, NMSG_CORVANE_QUIT, 0, 0);
  };

  EXPECT_EQ(Run(wnd), 0);

  // A second request while the pop-up runs opens no second one.
  EXPECT_EQ(seen, (std::vector<std::string>{"1 main", "2 phone", "2 phone", "1 main"}));
  EXPECT_EQ(Count(Log(), "can not create class"), 0);
  EXPECT_EQ(Count(LinesAfter("NMSG_CORVANE_PCODE_QUIT"), "adb Close"), 1);
}

TEST_F(AppMainWndTest, APhoneThatNeverClosesItsChannelsDoesNotHoldTheQuit) {
  CProbeAppMainWnd wnd;
  // From the screen's end on, the phone answers no CLSE: every close leaves channel 0 open. The
  // count bounds the test itself when the shutdown would wait for ever.
  int reopened = 0;
  wnd.m_fnOnScreen = [&](CProbeAppMainWnd&) {
    fakeadb::SetCallHook([&](const std::string& call) {
      wce::DebugPrint("adb %s\n", call.c_str());
      if (call == "TcpDisconnect 6" && ++reopened < 100) fakeadb::SetChannelConnected(0, true);
    });
  };

  EXPECT_EQ(Run(wnd), 0);

  const std::vector<std::string> after = LinesAfter("screen runs");
  EXPECT_EQ(Count(after, "adb TcpDisconnect 6"), 1 + CorvaneEngineSession::kCloseChannelTries);
  EXPECT_EQ(Count(after, "ADB TCP channels still open 0X1"), 1);
  EXPECT_EQ(Count(after, "adb Close"), 1);
}

TEST_F(AppMainWndTest, APhoneThatLetTheLinksCloseWaitRunOutIsNotAskedAgain) {
  CProbeAppMainWnd wnd;
  // The phone answers no CLSE and the link's close waits its whole time for it, as the real link
  // does: another try would wait as long again and break the quit's three seconds.
  wnd.m_fnOnScreen = [&](CProbeAppMainWnd&) {
    fakeadb::SetCallHook([&](const std::string& call) {
      wce::DebugPrint("adb %s\n", call.c_str());
      if (call == "TcpDisconnect 6") {
        Sleep(CorvaneEngineSession::kLinkCloseWaitMs);
        fakeadb::SetChannelConnected(0, true);
      }
    });
  };

  EXPECT_EQ(Run(wnd), 0);

  const std::vector<std::string> after = LinesAfter("screen runs");
  EXPECT_EQ(Count(after, "adb TcpDisconnect 6"), 1);
  EXPECT_EQ(Count(after, "ADB TCP channels still open 0X1"), 1);
  EXPECT_EQ(Count(after, "adb Close"), 1);
}

// A touch frame written to channel 5: action, x, y.
struct Touch {
  int m_nAction, m_nX, m_nY;
  bool operator==(const Touch& o) const {
    return m_nAction == o.m_nAction && m_nX == o.m_nX && m_nY == o.m_nY;
  }
};

std::ostream& operator<<(std::ostream& os, const Touch& t) {
  return os << "{" << t.m_nAction << ", " << t.m_nX << ", " << t.m_nY << "}";
}

std::vector<Touch> TouchesSent() {
  std::vector<Touch> out;
  for (const std::vector<uint8_t>& w : fakeadb::Writes(5)) {
    com::velto::corvane::protobuf::CorvaneTouchAction action;
    if (w.size() < 8 || !action.ParseFromArray(w.data() + 8, static_cast<int>(w.size() - 8))) {
      ADD_FAILURE() << "not a touch frame";
      continue;
    }
    out.push_back({action.action(), action.x(), action.y()});
  }
  return out;
}

struct TouchCase {
  const char* m_pszName;
  int m_nClientW, m_nClientH;
  int m_nVideoW, m_nVideoH;
  bool m_bForeground;
  POINT m_ptDown, m_ptMove, m_ptUp;
  std::vector<Touch> m_Sent;
};

const TouchCase kTouchCases[] = {
    {"scaled to the phone",
     800,
     480,
     1280,
     720,
     true,
     {400, 240},
     {799, 479},
     {799, 479},
     {{0, 640, 360}, {2, 1278, 718}, {1, 1278, 718}}},
    {"a captured drag leaving the window is clamped",
     800,
     480,
     1280,
     720,
     true,
     {10, 10},
     {-20, 500},
     {900, -5},
     {{0, 16, 15}, {2, 0, 719}, {1, 1279, 0}}},
    {"a phone taller than wide",
     800,
     480,
     720,
     1280,
     true,
     {1, 1},
     {400, 240},
     {0, 479},
     {{0, 0, 2}, {2, 360, 640}, {1, 0, 1277}}},
    {"the phone app in the background", 800, 480, 1280, 720, false, {400, 240}, {401, 241}, {401, 241}, {}},
    {"no video size announced", 800, 480, 0, 0, true, {400, 240}, {401, 241}, {401, 241}, {}},
    {"an empty client area", 0, 0, 1280, 720, true, {0, 0}, {1, 1}, {1, 1}, {}},
};

class AppMainWndTouch : public AppMainWndFixture, public ::testing::WithParamInterface<TouchCase> {};

TEST_P(AppMainWndTouch, MouseInputThroughTheWindowBecomesPhoneTouches) {
  const TouchCase& c = GetParam();
  CProbeAppMainWnd wnd;
  bool pressedBetween = false;
  wnd.m_fnOnScreen = [&](CProbeAppMainWnd& w) {
    g_nVideoWidth = c.m_nVideoW;
    g_nVideoHeight = c.m_nVideoH;
    // The screen marks the phone app in the foreground on the phone's report.
    g_CorvaneAppFlags.m_bPhoneForeground = c.m_bForeground ? 1 : 0;
    fakeadb::ClearWrites();
    const HWND hwnd = w.GetSafeHwnd();
    PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(c.m_ptDown.x, c.m_ptDown.y));
    PostMessageW(hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(c.m_ptMove.x, c.m_ptMove.y));
    Pump();
    pressedBetween = w.IsPressed();
    PostMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(c.m_ptUp.x, c.m_ptUp.y));
    Pump();
    EXPECT_FALSE(w.IsPressed());
  };

  EXPECT_EQ(Run(wnd, c.m_nClientW, c.m_nClientH), 0);

  // Presses are tracked whether or not anything goes to the phone.
  EXPECT_TRUE(pressedBetween);
  EXPECT_THAT(TouchesSent(), ElementsAreArray(c.m_Sent));
}

INSTANTIATE_TEST_SUITE_P(Cases, AppMainWndTouch, ::testing::ValuesIn(kTouchCases));

TEST_F(AppMainWndTest, TouchesGoToThePhoneOnlyWhileTheScreenHasItsAppInTheForeground) {
  PutScreenFiles();
  CProbeAppMainWnd wnd;
  wnd.m_bRealScreen = true;
  wnd.m_fnOnScreen = [&](CProbeAppMainWnd& w) {
    const HWND hwnd = w.GetSafeHwnd();
    fakeadb::ClearWrites();
    // The phone's reports reach the screen as the command receiver posts them.
    const LPARAM kPoint = MAKELPARAM(40, 24);
    PostMessageW(hwnd, MESSAGE_CMD_REV, 0, MSG_CMD_PHONE_FOREGROUND);
    PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, kPoint);
    PostMessageW(hwnd, WM_LBUTTONUP, 0, kPoint);
    PostMessageW(hwnd, MESSAGE_CMD_REV, 0, MSG_CMD_PHONE_BACKGROUND);
    PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, kPoint);
    PostMessageW(hwnd, WM_LBUTTONUP, 0, kPoint);
    PostMessageW(hwnd, NMSG_CORVANE_QUIT, 0, 0);
  };

  EXPECT_EQ(Run(wnd), 0);

  // The client rectangle read at initialisation (800 x 480) is the divisor.
  EXPECT_THAT(TouchesSent(), ElementsAreArray({Touch{0, 64, 36}, Touch{1, 64, 36}}));
}

// A request of another program, and the command it makes on the phone's channels (0: none).
struct HostCase {
  const char* m_pszName;
  const char* m_pszMessage;
  WPARAM m_wParam;
  LPARAM m_lParam;
  int m_nChannel;
  uint32_t m_nType;
};

const HostCase kHostCases[] = {
    {"hard key", "NMSG_CORVANE_HW_KEY", 0x11, 0, 5, MSG_CTRL_HARD_KEY},
    {"module 3 off", "NMSG_CORVANE_MODULE_CONTROL", 3, 2, 0, MSG_HU_MODULE_STATUS},
    {"module 4 on", "NMSG_CORVANE_MODULE_CONTROL", 4, 1, 0, MSG_HU_MODULE_STATUS},
    {"module 5 is no module", "NMSG_CORVANE_MODULE_CONTROL", 5, 1, 0, 0},
    {"module 3 status 3 is no status", "NMSG_CORVANE_MODULE_CONTROL", 3, 3, 0, 0},
    {"pause the encoder", "INNER_NMSG_PAUSE_VIDEO", 0, 0, 0, MSG_HU_VIDEO_ENCODER_PAUSE},
    {"volume", "NMSG_CORVANE_SETVOLUME", 5, 5, 0, 0},
};

class AppMainWndHost : public AppMainWndFixture,
                       public ::testing::WithParamInterface<std::tuple<HostCase, bool>> {};

TEST_P(AppMainWndHost, RequestsOfOtherProgramsActOnlyWithTheNotifyFlag) {
  const HostCase& c = std::get<0>(GetParam());
  const bool notify = std::get<1>(GetParam());
  g_CorvaneConfig.m_bNotifyMsg = notify ? 1 : 0;
  CProbeAppMainWnd wnd;
  std::vector<uint32_t> types0, types5;
  wnd.m_fnOnScreen = [&](CProbeAppMainWnd& w) {
    fakeadb::ClearWrites();
    PostMessageW(w.GetSafeHwnd(), RegisterWindowMessageW(WceUtf8ToWide(c.m_pszMessage).c_str()), c.m_wParam,
                 c.m_lParam);
    Pump();
    types0 = fakeadb::WrittenCommandTypes(0);
    types5 = fakeadb::WrittenCommandTypes(5);
  };

  EXPECT_EQ(Run(wnd), 0);

  std::vector<uint32_t> expected;
  if (notify && c.m_nType != 0) expected.push_back(c.m_nType);
  EXPECT_EQ(c.m_nChannel == 5 ? types5 : types0, expected);
  EXPECT_TRUE((c.m_nChannel == 5 ? types0 : types5).empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, AppMainWndHost,
                         ::testing::Combine(::testing::ValuesIn(kHostCases), ::testing::Bool()));

// A dialog that ends with 7 on the test's own message, after everything posted before it. The
// number is asked each time: the tests' USER forgets registered messages between tests.
UINT EndProbeMsg() {
  return RegisterWindowMessageW(u"APP_TEST_END_PROBE");
}
const int kProbeEndedItself = 7;

class CEndProbeDlg : public CWceUiDlg {
 public:
  void OnInitDialog() override { RegisterMsg(EndProbeMsg()); }
  LRESULT OnMessage(UINT nMsg, WPARAM, LPARAM) override {
    if (nMsg == EndProbeMsg()) EndDialog(kProbeEndedItself);
    return 0;
  }
};

}  // namespace

WCEUI_DYNCREATE_BEGIN(CEndProbeDlg, CWceUiDlg)
WCEUI_DYNCREATE_END(CEndProbeDlg)

namespace {

class AppMainWndOk : public AppMainWndFixture, public ::testing::WithParamInterface<bool> {};

TEST_P(AppMainWndOk, OkFromAnotherProgramEndsTheScreenAndStartsTheShellOnlyWithTheNotifyFlag) {
  const bool notify = GetParam();
  g_CorvaneConfig.m_bNotifyMsg = notify ? 1 : 0;
  // The screen is a dialog made by its class name from its files in the window directory.
  WceUiPutTextFile(u"\\SDMMC\\CECorvane\\Wnd\\CEndProbeDlg.dlg.xml",
                   u"<dialog><body name=\"probe\" windowrect=\"0,0,800,480\"></body></dialog>");
  WceUiPutTextFile(u"\\SDMMC\\CECorvane\\Wnd\\CEndProbeDlg.style.xml", u"<root><style></style></root>");
  CProbeAppMainWnd wnd;
  int screenResult = 0;
  bool quitPosted = false;
  wnd.m_fnOnScreen = [&](CProbeAppMainWnd& w) {
    PostMessageW(w.GetSafeHwnd(), WM_COMMAND, 1, 0);
    PostMessageW(w.GetSafeHwnd(), EndProbeMsg(), 0, 0);
    screenResult = w.RunDialogByName(u"CEndProbeDlg", nullptr);
    MSG msg;
    quitPosted = PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != 0;
  };

  EXPECT_EQ(Run(wnd), 0);

  if (notify) {
    EXPECT_EQ(screenResult, 0);
    EXPECT_TRUE(quitPosted);
    EXPECT_EQ(Count(Log(), "CreateProcess \\Windows\\Explorer.exe"), 1);
  } else {
    EXPECT_EQ(screenResult, kProbeEndedItself);
    EXPECT_FALSE(quitPosted);
    EXPECT_EQ(Count(Log(), "CreateProcess"), 0);
  }
  // The shutdown ran after the screen either way.
  EXPECT_EQ(Count(LinesAfter("screen runs"), "adb Close"), 1);
}

INSTANTIATE_TEST_SUITE_P(NotifyFlag, AppMainWndOk, ::testing::Bool());

// WM_CLOSE from another program while dialogs run over the connection screen: every dialog
// ends, the head unit's shell starts, WM_QUIT is left for the program's own loop and the engine
// shuts down after the screen, as at any other end.
struct CloseOverCase {
  const char* m_pszName;
  std::vector<std::string> m_Opens;  // "help" (its button on the screen) or "phone" (the request)
  const char* m_pszDialogs;          // the dialogs under the root layer when the close comes
};

void PrintTo(const CloseOverCase& c, std::ostream* os) {
  *os << c.m_pszName;
}

const CloseOverCase kCloseOverCases[] = {
    {"Help", {"help"}, "CMainDlg CHelpDlg"},
    {"PhonePopUp", {"phone"}, "CMainDlg CPhoneDlg"},
    {"PhonePopUpOverHelp", {"help", "phone"}, "CMainDlg CHelpDlg CPhoneDlg"},
};

class AppMainWndCloseOver : public AppMainWndFixture, public ::testing::WithParamInterface<CloseOverCase> {};

TEST_P(AppMainWndCloseOver, EveryDialogEndsTheShellStartsAndTheEngineShutsDown) {
  PutScreenFiles();
  const UINT probe = RegisterWindowMessageW(u"APP_TEST_DIALOGS");
  CProbeAppMainWnd wnd;
  wnd.m_bRealScreen = true;
  std::vector<std::string> seen;
  wnd.m_fnOnMessage = [&](UINT msg) {
    if (msg != probe) return;
    std::string names;
    CWceUiLayer* pRoot = wnd.GetLayerCtrl()->RootLayer();
    for (CWceUiLayer* p = pRoot->GetFirstChild(); p != nullptr; p = pRoot->NextChild(p)) {
      if (!p->IsKindOf(u"CWceUiDlg")) continue;
      names += (names.empty() ? "" : " ") + WceWideToUtf8(p->GetClassName());
    }
    seen.push_back(names);
  };
  int nLayersAtStart = -1;
  wnd.m_fnOnScreen = [&](CProbeAppMainWnd& w) {
    const HWND hwnd = w.GetSafeHwnd();
    nLayersAtStart = w.GetLayerCtrl()->GetLayerCount();
    for (const std::string& open : GetParam().m_Opens) {
      if (open == "help") {
        // The help button of the screen's file, at (0, 44) and 15 x 15.
        PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(7, 51));
        PostMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(7, 51));
      } else {
        PostMessageW(hwnd, NMSG_CORVANE_VIDEO_DLG_SHOW, 0, 0);
      }
    }
    PostMessageW(hwnd, probe, 0, 0);
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
    // Reached only by a dialog that the close left running; the quit request then ends it, so
    // that the test comes back.
    PostMessageW(hwnd, probe, 0, 0);
    PostMessageW(hwnd, CORVANE_WM_EXIT, 0, 0);
  };
  int nLayersAfter = -1;
  bool quitLeft = false;
  wnd.m_fnAfterScreen = [&](CProbeAppMainWnd& w) {
    nLayersAfter = w.GetLayerCtrl()->GetLayerCount();
    MSG m;
    quitLeft = PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != 0;
  };

  EXPECT_EQ(Run(wnd), 0);

  EXPECT_EQ(seen, std::vector<std::string>{GetParam().m_pszDialogs});
  EXPECT_EQ(Count(Log(), "can not create class"), 0);
  // The shell once, from the close; then the screen's end runs the engine's shutdown.
  EXPECT_EQ(Count(Log(), "CreateProcess \\Windows\\Explorer.exe"), 1);
  EXPECT_EQ(Count(LinesAfter("CreateProcess \\Windows\\Explorer.exe"), "adb Close"), 1);
  EXPECT_EQ(Count(LinesAfter("CreateProcess \\Windows\\Explorer.exe"), "WaitFor SysInit Thread Exit"), 1);
  // Every dialog was deleted after its run; the quit waits for the program's own loop.
  EXPECT_EQ(nLayersAfter, nLayersAtStart);
  EXPECT_TRUE(quitLeft);
}

INSTANTIATE_TEST_SUITE_P(Dialogs, AppMainWndCloseOver, ::testing::ValuesIn(kCloseOverCases),
                         [](const ::testing::TestParamInfo<CloseOverCase>& info) {
                           return info.param.m_pszName;
                         });

// The head unit's other programs post the plain message 0x101E: wParam 1 keeps the projection
// above every other window, any other value lets other windows over it again.
TEST_F(AppMainWndTest, ThePlainTopmostMessageRaisesTheWindowAboveOthersOrLetsThemOver) {
  const UINT kTopmostMsg = 0x101E;
  const struct {
    WPARAM m_wParam;
    bool m_bTopmost;
  } kSteps[] = {{1, true}, {0, false}, {1, true},       {2, false},
                {1, true}, {1, true},  {0xFFFF, false}, {0, false}};
  CProbeAppMainWnd wnd;
  wnd.m_fnOnScreen = [&](CProbeAppMainWnd& w) {
    const HWND hwnd = w.GetSafeHwnd();
    const HWND other = CreateOtherProgramWindow();
    ASSERT_NE(other, nullptr);
    for (const auto& step : kSteps) {
      SCOPED_TRACE(step.m_wParam);
      PostMessageW(hwnd, kTopmostMsg, step.m_wParam, 0);
      Pump();
      EXPECT_EQ((GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, step.m_bTopmost);
      // Another program brings its window to the top of the plain windows.
      SetWindowPos(other, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
      EXPECT_EQ(GetWindow(hwnd, GW_HWNDFIRST), step.m_bTopmost ? hwnd : other);
    }
    DestroyWindow(other);
  };
  EXPECT_EQ(Run(wnd), 0);
}

TEST_F(AppMainWndTest, TheShownFlagIsTheWindowsOwnVisibility) {
  CProbeAppMainWnd wnd;
  wnd.m_fnOnScreen = [&](CProbeAppMainWnd& w) {
    const HWND hwnd = w.GetSafeHwnd();
    struct Step {
      const char* m_pszWhat;
      std::function<void()> m_fnAct;
    };
    const Step steps[] = {
        {"another program hides it", [&] { PostMessageW(hwnd, NMSG_CORVANE_SHOWHIDE, 0, 2); }},
        {"a second start raises it", [&] { ShowWindow(hwnd, SW_SHOW); }},
        {"another program hides it with 0", [&] { PostMessageW(hwnd, NMSG_CORVANE_SHOWHIDE, 0, 0); }},
        {"an unknown value changes nothing", [&] { PostMessageW(hwnd, NMSG_CORVANE_SHOWHIDE, 0, 7); }},
        {"another program shows it", [&] { PostMessageW(hwnd, NMSG_CORVANE_SHOWHIDE, 0, 1); }},
        {"hidden without a message", [&] { ShowWindow(hwnd, SW_HIDE); }},
        {"shown without a message", [&] { ShowWindow(hwnd, SW_SHOW); }},
    };
    for (const Step& s : steps) {
      SCOPED_TRACE(s.m_pszWhat);
      s.m_fnAct();
      Pump();
      EXPECT_EQ(g_CorvaneAppFlags.m_bWindowShown.load(), IsWindowVisible(hwnd) ? 1 : 0);
    }
    EXPECT_TRUE(IsWindowVisible(hwnd));
  };
  EXPECT_EQ(Run(wnd), 0);
}

// A picture whose every pixel differs from its neighbours and from black.
DWORD PictureColour(int x, int y) {
  return 0x800000u | (static_cast<DWORD>(x & 0xFF) << 8) | static_cast<DWORD>((x >> 8) * 64 + (y & 0x3F));
}

// The screen-size surface the decoder writes into, holding the picture.
void FillSurface(DibBmp& surface) {
  if (surface.GetBits() == nullptr) {
    ASSERT_NE(surface.CreateDibBmp(800, 480), nullptr);
  }
  const int w = surface.GetWidth();
  const int h = surface.GetHeight();
  for (int y = 0; y < h; ++y) {
    // Rows are bottom-up.
    auto* row =
        reinterpret_cast<DWORD*>(surface.GetBits() + static_cast<size_t>(h - 1 - y) * surface.GetStride());
    for (int x = 0; x < w; ++x) row[x] = PictureColour(x, y);
  }
}

// How many of the screen's pixels show the picture.
int PicturePixelsOnScreen() {
  BITMAP bm = {};
  if (!wce::GetScreenPixels(&bm)) return -1;
  int n = 0;
  for (int y = 0; y < bm.bmHeight; ++y) {
    const auto* row =
        reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(bm.bmBits) + y * bm.bmWidthBytes);
    for (int x = 0; x < bm.bmWidth; ++x) n += (row[x] & 0xFFFFFF) == PictureColour(x, y) ? 1 : 0;
  }
  return n;
}

struct DrawCase {
  const char* m_pszName;
  bool m_bUsbIn, m_bForeground, m_bShown;
  int m_nPictures;
  bool m_bPainted;
};

const DrawCase kDrawCases[] = {
    {"projecting", true, true, true, 6, true},
    {"the first pictures of a connection", true, true, true, 5, false},
    {"the phone app in the background", true, false, true, 9, false},
    {"no phone on USB", false, true, true, 9, false},
    {"the window hidden", true, true, false, 9, false},
};

class AppMainWndDraw : public AppMainWndFixture, public ::testing::WithParamInterface<DrawCase> {};

TEST_P(AppMainWndDraw, TheVideoThreadPaintsThePictureIntoTheWindowOnlyWhileProjecting) {
  const DrawCase& c = GetParam();
  CProbeAppMainWnd wnd;
  int before = -1;
  int after = -1;
  wnd.m_fnOnScreen = [&](CProbeAppMainWnd& w) {
    DibBmp& surface = DibBmp::GetInstance();
    FillSurface(surface);
    ASSERT_EQ(surface.GetWidth(), kScreenW);
    surface.SetPictureBusy(0);
    for (int i = 0; i < c.m_nPictures; ++i) surface.AddPictureCount();
    g_CorvaneAppFlags.m_bUsbIn = c.m_bUsbIn ? 1 : 0;
    g_CorvaneAppFlags.m_bPhoneForeground = c.m_bForeground ? 1 : 0;
    if (!c.m_bShown) ShowWindow(w.GetSafeHwnd(), SW_HIDE);
    UpdateWindow(w.GetSafeHwnd());
    before = PicturePixelsOnScreen();
    std::thread videoThread([&] { CAppMainWnd::DrawPictureCallback(&surface); });
    videoThread.join();
    after = PicturePixelsOnScreen();
  };

  EXPECT_EQ(Run(wnd), 0);

  EXPECT_LT(before, kScreenW * kScreenH / 100);
  EXPECT_EQ(after, c.m_bPainted ? kScreenW * kScreenH : before);
}

INSTANTIATE_TEST_SUITE_P(Cases, AppMainWndDraw, ::testing::ValuesIn(kDrawCases));

TEST_F(AppMainWndTest, UsbOutCoversTheLastPictureWithTheScreenAgain) {
  CProbeAppMainWnd wnd;
  int painted = -1;
  int afterUsbOut = -1;
  wnd.m_fnOnScreen = [&](CProbeAppMainWnd& w) {
    DibBmp& surface = DibBmp::GetInstance();
    FillSurface(surface);
    for (int i = 0; i < 6; ++i) surface.AddPictureCount();
    g_CorvaneAppFlags.m_bUsbIn = 1;
    g_CorvaneAppFlags.m_bPhoneForeground = 1;
    CAppMainWnd::DrawPictureCallback(&surface);
    painted = PicturePixelsOnScreen();
    PostMessageW(w.GetSafeHwnd(), WMMSG_CORVANE_USB_OUT, 0, 0);
    Pump();
    UpdateWindow(w.GetSafeHwnd());
    afterUsbOut = PicturePixelsOnScreen();
  };
  EXPECT_EQ(Run(wnd), 0);
  EXPECT_EQ(painted, kScreenW * kScreenH);
  EXPECT_LT(afterUsbOut, kScreenW * kScreenH / 100);
}

}  // namespace
