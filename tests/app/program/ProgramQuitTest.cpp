// How CECorvane ends: the orderly quit from the console or another program, the close from outside
// that hands the screen to the shell, and the quit from every screen state, also with a phone that
// never answers the head unit's CLSE. What the phone saw, the program's files and the task bar's
// window on the bus are the truth.
#include "tests/app/program/ProgramHostE2E.h"

#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using e2e::kQuitMs;
using e2e::kReplyMs;
using e2e::Occurrences;
using e2e::ProgramHostE2E;
using e2e::ReadText;
using e2e::SLayers;

// How the program is asked to end in order.
enum class EQuitBy { Console, PostToWindow, Broadcast };

// A program that has not ended by then hangs; how long its quit took is read from its own clock.
constexpr int kHangMs = 60000;

class ProgramQuitE2E : public ProgramHostE2E {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(ProgramHostE2E::SetUp());
    m_bLogTicks = true;
  }

  // Status 0, and within the program's three seconds from the request's arrival to the end of its
  // shutdown, on its own clock: what the machine's load adds before the request reaches it and
  // after its last line (the process's exit, a sanitizer's leak check) is not the quit's. The
  // wall-clock figure is the fault campaign's.
  void ExpectEndedWithinItsBound(int status) {
    EXPECT_EQ(status, 0);
    uint32_t asked = 0, ended = 0;
    ASSERT_TRUE(LogTick("CECorvane: end asked by ", &asked)) << EngineLog();
    ASSERT_TRUE(LogTick("CECorvane: ended", &ended)) << EngineLog();
    EXPECT_LE(ended - asked, static_cast<uint32_t>(kQuitMs)) << EngineLog();
  }
};

struct SOrderlyQuit {
  const char* m_pszName;
  EQuitBy m_By;
};

class ProgramOrderlyQuit : public ProgramQuitE2E, public ::testing::WithParamInterface<SOrderlyQuit> {};

TEST_P(ProgramOrderlyQuit, ClosesEveryChannelWritesItsLogsAndPutsMassStorageBack) {
  WriteMassStorageSwitchedOff();
  ASSERT_NO_FATAL_FAILURE(StartTaskBar());
  ASSERT_NO_FATAL_FAILURE(Connect());
  ASSERT_TRUE(TaskBarShownIs(false));

  switch (GetParam().m_By) {
    case EQuitBy::Console:
      ExpectEndedWithinItsBound(Quit(kHangMs));
      break;
    case EQuitBy::PostToWindow:
      ASSERT_EQ(Post({"NMSG_CORVANE_QUIT", "0", "0", "--window", "WND_CORVANE"}), 0);
      ExpectEndedWithinItsBound(m_Engine.Wait(kHangMs));
      break;
    case EQuitBy::Broadcast:
      ASSERT_EQ(Post({"NMSG_CORVANE_QUIT", "0", "0"}), 0);
      ExpectEndedWithinItsBound(m_Engine.Wait(kHangMs));
      break;
  }
  ExpectEveryChannelClosed();
  ExpectLogsWritten();
  EXPECT_TRUE(MassStorageSwitchedOn());
  EXPECT_TRUE(TaskBarShownIs(true));
  // An orderly quit is not a close from outside: the shell is not started.
  EXPECT_EQ(Occurrences(EngineLog(), "CreateProcess \\Windows\\Explorer.exe"), 0u);
}

INSTANTIATE_TEST_SUITE_P(Requests, ProgramOrderlyQuit,
                         ::testing::Values(SOrderlyQuit{"Console", EQuitBy::Console},
                                           SOrderlyQuit{"QuitMessageToTheWindow", EQuitBy::PostToWindow},
                                           SOrderlyQuit{"QuitMessageBroadcast", EQuitBy::Broadcast}),
                         [](const ::testing::TestParamInfo<SOrderlyQuit>& i) {
                           return std::string(i.param.m_pszName);
                         });

struct SCloseFromOutside {
  const char* m_pszName;
  const char* m_pszMessage;  // as corvane-post takes it
  bool m_bShellThere;
};

class ProgramCloseFromOutside : public ProgramQuitE2E,
                                public ::testing::WithParamInterface<SCloseFromOutside> {};

TEST_P(ProgramCloseFromOutside, ShutsDownInOrderAndStartsTheShell) {
  const SCloseFromOutside& c = GetParam();
  if (c.m_bShellThere) WriteShell();
  WriteMassStorageSwitchedOff();
  ASSERT_NO_FATAL_FAILURE(StartTaskBar());
  ASSERT_NO_FATAL_FAILURE(Connect());

  ASSERT_EQ(Post({c.m_pszMessage, "0", "0", "--window", "WND_CORVANE"}), 0);
  ExpectEndedWithinItsBound(m_Engine.Wait(kHangMs));
  const std::string log = EngineLog();
  if (c.m_bShellThere) {
    EXPECT_EQ(Occurrences(log, "CreateProcess \\Windows\\Explorer.exe : process "), 1u) << log;
  } else {
    // As on a head unit without it: the start fails, and the program still ends in order.
    EXPECT_EQ(Occurrences(log, "CreateProcess \\Windows\\Explorer.exe: no such program"), 1u) << log;
  }
  ExpectEveryChannelClosed();
  ExpectLogsWritten();
  EXPECT_TRUE(MassStorageSwitchedOn());
  EXPECT_TRUE(TaskBarShownIs(true));
}

INSTANTIATE_TEST_SUITE_P(Messages, ProgramCloseFromOutside,
                         ::testing::Values(SCloseFromOutside{"ByName", "WM_CLOSE", true},
                                           SCloseFromOutside{"ByNumber", "0x10", true},
                                           SCloseFromOutside{"ByDecimalNumber", "16", true},
                                           SCloseFromOutside{"WithoutTheShell", "WM_CLOSE", false}),
                         [](const ::testing::TestParamInfo<SCloseFromOutside>& i) {
                           return std::string(i.param.m_pszName);
                         });

// ---- the quit from every state of the screen ----

enum class EScreen { Waiting, AppMissing, Linking, Starting, Video, Background, Calling, Help, PhoneDialog };

struct SQuitFrom {
  const char* m_pszName;
  EScreen m_Screen;
  bool m_bDeafPhone;  // the phone never answers the head unit's CLSE
  EQuitBy m_By;
};

class ProgramQuitFromEveryState : public ProgramQuitE2E, public ::testing::WithParamInterface<SQuitFrom> {
 protected:
  // Brings the screen into the case's state; the phone, when there is one, ignores every CLSE of
  // a projection stream for a deaf case.
  void Reach(const SQuitFrom& c) {
    std::vector<std::string> phone;
    if (c.m_bDeafPhone) phone = {"--fault", "deaf-close=tcp:"};
    std::string container;
    switch (c.m_Screen) {
      case EScreen::Waiting:
      case EScreen::Help:
        // No phone is started: the program waits for one.
        ASSERT_NO_FATAL_FAILURE(StartProgram());
        container = "USB_OUT";
        break;
      case EScreen::AppMissing:
        phone.insert(phone.end(), {"--app-missing", "com.velto.corvane"});
        ASSERT_NO_FATAL_FAILURE(StartPhone(phone));
        ASSERT_NO_FATAL_FAILURE(StartProgram());
        container = "container_NotExist";
        break;
      case EScreen::Linking:
        // The projection ports never answer their OPEN: the connection waits for them at 50 %.
        phone.insert(phone.end(), {"--fault", "silent=tcp:"});
        ASSERT_NO_FATAL_FAILURE(StartPhone(phone));
        ASSERT_NO_FATAL_FAILURE(StartProgram());
        ASSERT_TRUE(ReadUntil("msg CORVAN_WM_CONNECT_STEP 0 50", kStateMs));
        // The sequencer is inside the link's opening of the channels, which tries for seconds.
        ASSERT_TRUE(WaitForEngineLog("[@@] TcpConnect ID", 1, kStateMs));
        container = "container_Linking";
        break;
      case EScreen::Starting:
        // Through to 100 % without a projection port: no picture and no foreground report ever
        // come, and the screen waits for them.
        phone.insert(phone.end(), {"--fault", "silent=tcp:"});
        ASSERT_NO_FATAL_FAILURE(StartPhone(phone));
        ASSERT_NO_FATAL_FAILURE(StartProgram());
        ASSERT_TRUE(ReadUntil("msg CORVAN_WM_CONNECT_STEP 0 100", kStateMs));
        container = "container_Starting";
        break;
      case EScreen::Video:
      case EScreen::PhoneDialog:
        ASSERT_NO_FATAL_FAILURE(Connect(phone));
        container = "corvane_video";
        break;
      case EScreen::Background:
      case EScreen::Calling: {
        // The phone's reports once the picture is shown.
        phonesim::SPhoneSimOptions options;
        if (c.m_bDeafPhone) options.m_Faults = {"deaf-close=tcp:"};
        ASSERT_NO_FATAL_FAILURE(StartSim(options));
        ASSERT_NO_FATAL_FAILURE(StartProgram());
        ASSERT_TRUE(ReadUntil("msg NMSG_CORVANE_GET_VIDEO_DATA 0 0", kStateMs));
        ASSERT_TRUE(WaitForLayers([](const SLayers& l) { return l.Shown("corvane_video"); }, kReplyMs));
        // A phone app in the background, in a call as well, sends no pictures: none brings the
        // video state back.
        std::vector<std::string> reports = {"background"};
        if (c.m_Screen == EScreen::Calling) reports.push_back("call-begin");
        for (const std::string& report : reports) {
          std::string error;
          ASSERT_TRUE(m_Sim.App().Inject(report, &error)) << error;
        }
        container = c.m_Screen == EScreen::Calling ? "container_calling" : "container_hidecorvane";
        break;
      }
    }
    SLayers screen;
    ASSERT_TRUE(WaitForLayers([&](const SLayers& l) { return l.Shown(container); }, kStateMs, &screen))
        << "the screen never showed " << container;
    if (c.m_Screen == EScreen::Help) {
      ASSERT_TRUE(TapHelpButton());
      ASSERT_TRUE(WaitForDialog("CHelpDlg"));
    } else if (c.m_Screen == EScreen::PhoneDialog) {
      ASSERT_EQ(Post({"NMSG_CORVANE_VIDEO_DLG_SHOW", "0", "0", "--window", "WND_CORVANE"}), 0);
      ASSERT_TRUE(WaitForDialog("CPhoneDlg"));
    }
  }

  bool WaitForDialog(const std::string& dialog) {
    return WaitForLayers(
        [&](const SLayers& l) {
          const std::vector<std::string> dialogs = l.Dialogs();
          return !dialogs.empty() && dialogs.back() == dialog;
        },
        kReplyMs);
  }

  // A state comes with the phone's connection, which may take a while on a loaded machine.
  static constexpr int kStateMs = 30000;
};

TEST_P(ProgramQuitFromEveryState, EndsWithinItsBoundAndGivesTheScreenBack) {
  const SQuitFrom& c = GetParam();
  ASSERT_NO_FATAL_FAILURE(StartTaskBar());
  ASSERT_NO_FATAL_FAILURE(Reach(c));
  ASSERT_TRUE(TaskBarShownIs(false));

  // Within the program's three seconds, from every state: while linking too, as the link's calls
  // end at once on a quit, and with a phone that answers no close.
  if (c.m_By == EQuitBy::Console) {
    ExpectEndedWithinItsBound(Quit(kHangMs));
  } else {
    ASSERT_EQ(Post({"NMSG_CORVANE_QUIT", "0", "0", "--window", "WND_CORVANE"}), 0);
    ExpectEndedWithinItsBound(m_Engine.Wait(kHangMs));
  }
  ExpectLogsWritten();
  EXPECT_TRUE(TaskBarShownIs(true));
  if (c.m_bDeafPhone) {
    // The head unit asked for every close; the phone answered none, and the quit went on.
    ExpectEveryChannelClosed();
  }
}

// Every state once with the console's quit; the states with open projection streams again with
// the other programs' quit message and a phone that leaves every close unanswered.
INSTANTIATE_TEST_SUITE_P(
    States, ProgramQuitFromEveryState,
    ::testing::Values(SQuitFrom{"Waiting", EScreen::Waiting, false, EQuitBy::Console},
                      SQuitFrom{"AppMissing", EScreen::AppMissing, false, EQuitBy::Console},
                      SQuitFrom{"Linking", EScreen::Linking, false, EQuitBy::Console},
                      SQuitFrom{"Starting", EScreen::Starting, false, EQuitBy::Console},
                      SQuitFrom{"Video", EScreen::Video, false, EQuitBy::Console},
                      SQuitFrom{"Background", EScreen::Background, false, EQuitBy::Console},
                      SQuitFrom{"Calling", EScreen::Calling, false, EQuitBy::Console},
                      SQuitFrom{"Help", EScreen::Help, false, EQuitBy::Console},
                      SQuitFrom{"PhoneDialog", EScreen::PhoneDialog, false, EQuitBy::Console},
                      SQuitFrom{"VideoDeafPhone", EScreen::Video, true, EQuitBy::PostToWindow},
                      SQuitFrom{"BackgroundDeafPhone", EScreen::Background, true, EQuitBy::PostToWindow},
                      SQuitFrom{"CallingDeafPhone", EScreen::Calling, true, EQuitBy::PostToWindow},
                      SQuitFrom{"PhoneDialogDeafPhone", EScreen::PhoneDialog, true, EQuitBy::PostToWindow}),
    [](const ::testing::TestParamInfo<SQuitFrom>& i) { return std::string(i.param.m_pszName); });

}  // namespace
