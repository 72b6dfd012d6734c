// The projection engine's connection shapes and life cycle end to end: helper files, a phone
// without the app, the app dying while USB stays, unplug and re-plug, and quitting in every state.
#include "tests/app/EngineSimE2E.h"

#include <unistd.h>

#include <fstream>
#include <ostream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using e2e::EngineE2E;
using e2e::EngineSimE2E;
using e2e::SPhoneLog;

const char kConnected[] = "msg CORVAN_WM_CONNECT_STEP 0 100";

// ---- connection shapes ----

struct SShape {
  const char* m_pszName;
  std::vector<std::string> m_PhoneOptions;
  std::vector<std::string> m_RemoveFiles;  // helper stand-ins taken out of --dir
  std::vector<std::string> m_AddFiles;     // relative paths made in --dir (directories on the way)
  const char* m_pszReport;                 // a CORVAN_WM_MSG line expected, or null for none
  bool m_bReachesConnected;
  const char* m_pszLastStep;  // the last progress line when it stops short
};

void PrintTo(const SShape& s, std::ostream* os) {
  *os << s.m_pszName;
}

class EngineShape : public EngineE2E, public ::testing::WithParamInterface<SShape> {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(EngineE2E::SetUp());
    m_EngineErr = m_Root / "engine.log";
  }
};

// The sequencer logs its count each time it comes round to wait for the next attempt.
const char kAttemptEnded[] = "############################  g_nConnectCount ";

TEST_P(EngineShape, ReportsAndProgressAsTheShapeRequires) {
  const SShape& s = GetParam();
  for (const std::string& f : s.m_RemoveFiles) fs::remove(m_Dir / f);
  for (const std::string& f : s.m_AddFiles) {
    fs::create_directories((m_Dir / f).parent_path());
    std::ofstream(m_Dir / f) << "helper";
  }
  ASSERT_NO_FATAL_FAILURE(StartPhone(s.m_PhoneOptions));
  ASSERT_NO_FATAL_FAILURE(StartEngine());
  if (s.m_pszReport) {
    ASSERT_TRUE(ReadUntil(s.m_pszReport, 20000)) << s.m_pszReport;
  }
  if (s.m_bReachesConnected) {
    ASSERT_TRUE(ReadUntil(kConnected, 20000));
    ASSERT_TRUE(ReadUntil("msg NMSG_CORVANE_GET_VIDEO_DATA 0 0", 10000));
  } else {
    // The attempt has ended once the sequencer waits again (its first count line is the first
    // attempt's start); the window has written every step posted before the ping.
    ASSERT_TRUE(WaitForEngineLog(kAttemptEnded, 2, 20000)) << EngineLog();
    ASSERT_TRUE(Ping());
    std::vector<std::string> steps = LinesStartingWith("msg CORVAN_WM_CONNECT_STEP ");
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.back(), s.m_pszLastStep);
  }
  if (!s.m_pszReport) {
    EXPECT_TRUE(LinesStartingWith("msg CORVAN_WM_MSG ").empty());
  }
  EXPECT_EQ(Quit(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, EngineShape,
    ::testing::Values(
        SShape{"AppNotInstalled",
               {"--app-missing", "com.velto.corvane"},
               {},
               {},
               "msg CORVAN_WM_MSG 0 2",
               false,
               "msg CORVAN_WM_CONNECT_STEP 0 20"},
        SShape{"FirstHelperMissing",
               {},
               {"vtsc16"},
               {},
               "msg CORVAN_WM_MSG 0 1",
               false,
               "msg CORVAN_WM_CONNECT_STEP 0 40"},
        SShape{"FirstHelperInItsDirectory", {}, {"vtsc16"}, {"vtsc/vtsc16"}, nullptr, true, nullptr},
        SShape{"SecondHelperMissing", {}, {"vtim.jar"}, {}, "msg CORVAN_WM_MSG 0 1", true, nullptr},
        SShape{"SecondHelperInItsDirectory", {}, {"vtim.jar"}, {"vtim/vtim.jar"}, nullptr, true, nullptr}),
    [](const ::testing::TestParamInfo<SShape>& i) { return std::string(i.param.m_pszName); });

// A phone whose command port never answers: neither the version nor the encoder settings are
// answered, and the sequence still goes through to 100 without pictures.
TEST_F(EngineE2E, NoVersionAndNoEncoderAnswerStillReach100) {
  ASSERT_NO_FATAL_FAILURE(StartPhone({"--fault", "silent=tcp:7240"}));
  ASSERT_NO_FATAL_FAILURE(StartEngine());
  ASSERT_TRUE(ReadUntil(kConnected, 20000));
  ReadFor(500);
  EXPECT_FALSE(Seen("msg MESSAGE_CMD_REV 0 65544"));  // no encoder report
  EXPECT_FALSE(Seen("msg NMSG_CORVANE_GET_VIDEO_DATA 0 0"));
  EXPECT_TRUE(Log().Rx(0x00018001).empty());
  EXPECT_EQ(Quit(), 0);
}

// ---- the app dying, unplug and re-plug ----

TEST_F(EngineSimE2E, AppDeathClosesTheChannelsOnceAndARePlugReconnectsWithNewIds) {
  ASSERT_NO_FATAL_FAILURE(StartSim());
  std::string error;
  ASSERT_TRUE(m_Sim.App().AddFault("app-death@picture:10", &error)) << error;
  ASSERT_NO_FATAL_FAILURE(StartEngine());
  ASSERT_TRUE(ReadUntil(kConnected, 20000));
  ASSERT_TRUE(ReadUntil("msg INNER_MSG_PHONE_CORVANE_EXIT 0 0", 20000));
  // The exit is handled as the phone going to the background.
  ASSERT_TRUE(ReadUntil("msg MESSAGE_CMD_REV 0 65564", 5000));
  // Told once, not once per idle pass of the video thread: each hold is answered from the top of
  // its loop, so between the two it made a whole pass with the channels down; the window has
  // written whatever was posted before the ping.
  ASSERT_TRUE(HoldVideo());
  ASSERT_TRUE(ReleaseVideo());
  ASSERT_TRUE(HoldVideo());
  ASSERT_TRUE(ReleaseVideo());
  ASSERT_TRUE(Ping());
  // Then the cable is pulled.
  m_Sim.Unplug();
  ASSERT_TRUE(ReadUntil("msg WMMSG_CORVANE_USB_OUT 0 0", 10000));
  EXPECT_EQ(Count("msg INNER_MSG_PHONE_CORVANE_EXIT 0 0"), 1u);
  SPhoneLog log = Log();
  EXPECT_EQ(log.CountEvent("app died"), 1u);
  // Every projection stream of the first connection was closed.
  size_t opened = 0, closed = 0;
  for (const std::string& l : log.m_Lines) {
    if (l.find("STREAM-OPEN") != std::string::npos && l.find("service=\"tcp:") != std::string::npos) ++opened;
    if (l.find("STREAM-CLOSE") != std::string::npos && l.find("service=\"tcp:") != std::string::npos)
      ++closed;
  }
  EXPECT_EQ(opened, 6u);
  EXPECT_EQ(closed, 6u);

  // The phone comes back: a second whole connection on new streams.
  ASSERT_TRUE(ReadUntil("msg WMMSG_CORVANE_USB_OUT 0 1", 15000));
  m_Lines.clear();
  ASSERT_TRUE(ReadUntil(kConnected, 20000));
  ASSERT_TRUE(ReadUntil("msg NMSG_CORVANE_GET_VIDEO_DATA 0 0", 10000));
  log = Log();
  std::vector<uint32_t> commandIds;
  for (const auto& o : log.m_Opens) {
    if (o.m_strService == "tcp:7240") commandIds.push_back(o.m_nDeviceId);
  }
  ASSERT_EQ(commandIds.size(), 2u);
  EXPECT_NE(commandIds[0], commandIds[1]);
  EXPECT_EQ(log.CountEvent("app started"), 2u);
  EXPECT_EQ(Count("msg INNER_MSG_PHONE_CORVANE_EXIT 0 0"), 0u);
  EXPECT_EQ(Quit(), 0);
}

// ---- quit in every state ----

enum class EState { NoPhone, Connecting, Connected, Unplugged, AppDead };

struct SQuit {
  const char* m_pszName;
  EState m_State;
};

void PrintTo(const SQuit& s, std::ostream* os) {
  *os << s.m_pszName;
}

class EngineQuit : public EngineE2E, public ::testing::WithParamInterface<SQuit> {};

TEST_P(EngineQuit, QuitEndsWithinThreeSeconds) {
  switch (GetParam().m_State) {
    case EState::NoPhone:
      m_nPort = 1;  // nothing listens there
      ASSERT_NO_FATAL_FAILURE(StartEngine());
      ASSERT_TRUE(Ping());
      break;
    case EState::Connecting:
      ASSERT_NO_FATAL_FAILURE(StartPhone());
      ASSERT_NO_FATAL_FAILURE(StartEngine());
      // Inside the encoder settings' wait.
      ASSERT_TRUE(ReadUntil("msg CORVAN_WM_CONNECT_STEP 0 90", 20000));
      break;
    case EState::Connected:
      ASSERT_NO_FATAL_FAILURE(Connect());
      break;
    case EState::Unplugged:
      ASSERT_NO_FATAL_FAILURE(Connect({"--app-fault", "unplug@picture:5", "--fault", "replug-delay=60000"}));
      ASSERT_TRUE(ReadUntil("msg WMMSG_CORVANE_USB_OUT 0 0", 10000));
      break;
    case EState::AppDead:
      ASSERT_NO_FATAL_FAILURE(Connect({"--app-fault", "app-death@picture:5"}));
      ASSERT_TRUE(ReadUntil("msg INNER_MSG_PHONE_CORVANE_EXIT 0 0", 10000));
      break;
  }
  // Within the engine's three seconds, and what a loaded machine adds.
  EXPECT_EQ(Quit(), 0);
  EXPECT_TRUE(fs::exists(m_Dir / "Connect.log"));
}

INSTANTIATE_TEST_SUITE_P(
    States, EngineQuit,
    ::testing::Values(SQuit{"NoPhone", EState::NoPhone}, SQuit{"Connecting", EState::Connecting},
                      SQuit{"Connected", EState::Connected}, SQuit{"Unplugged", EState::Unplugged},
                      SQuit{"AppDead", EState::AppDead}),
    [](const ::testing::TestParamInfo<SQuit>& i) { return std::string(i.param.m_pszName); });

}  // namespace
