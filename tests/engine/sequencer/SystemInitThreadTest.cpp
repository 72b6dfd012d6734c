#include "tests/engine/sequencer/SequencerHarness.h"

#include "engine/CorvaneEngineSession.h"
#include "engine/CConnectProgress.h"
#include "engine/CorvaneAppFlags.h"
#include "engine/CorvaneChannelContext.h"
#include "engine/CorvaneWindowMessages.h"
#include "engine/SystemInitThread.h"

#include "services/CErrorLog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

using ::testing::ElementsAre;

namespace {

const std::vector<LPARAM> kAllSteps = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100};

std::vector<std::string> ErrorLines() {
  std::vector<std::string> lines;
  CErrorLog* log = CErrorLog::GetInstance();
  if (log->GetLineCount() == 0) return lines;
  lines.push_back(log->GetFirstLine());
  while (!log->IsAtEnd()) {
    std::string line = log->GetNextLine();
    if (line.empty()) break;
    lines.push_back(line);
  }
  return lines;
}

bool Contains(const std::vector<uint8_t>& hay, const std::vector<uint8_t>& needle) {
  return std::search(hay.begin(), hay.end(), needle.begin(), needle.end()) != hay.end();
}

// Calls of the phone link that make up the steps (waits and queries left out).
std::vector<std::string> StepCalls() {
  std::vector<std::string> out;
  for (const std::string& c : fakeadb::Calls()) {
    if (c == "Init" || c == "Close" || c.rfind("SetUsbThreadPriority", 0) == 0) continue;
    out.push_back(c);
  }
  return out;
}

}  // namespace

TEST(SystemInitThread, ConnectsStepByStepAndArmsTheStatisticsTimer) {
  SequencerHarness h;
  h.TouchFile("vtsc16");
  h.TouchFile("vtim.jar");
  h.AnswerPhone(true, true);
  h.Start();
  h.PlugIn();
  ASSERT_TRUE(h.PumpUntil([&] { return h.TimerFired(TIMER_ID_SEND_INFO_MD); }));

  EXPECT_EQ(h.Progress(), kAllSteps);
  EXPECT_THAT(StepCalls(), ElementsAre("StartPhoneApp", "KillVtsc", "SetPushDir \\SDMMC\\CECorvane",
                                       "StartVtsc", "PushVtim \\SDMMC\\CECorvane", "TcpConnect"));
  // Version, description, statistics, the pre-encoder command, encoder settings, encoder start.
  EXPECT_THAT(fakeadb::WrittenCommandTypes(0),
              ElementsAre(0x00018001u, 0x00018003u, 0x00018027u, 0x00018056u, 0x00018007u, 0x00018009u));
  // Encoder settings for the 800 x 480 screen at the default 10 frames a second.
  EXPECT_TRUE(Contains(fakeadb::Written(0), {0x00, 0x08, 0x00, 0x00, 0x00, 0x01, 0x80, 0x07,  //
                                             0x08, 0xA0, 0x06, 0x10, 0xE0, 0x03, 0x18, 0x0A}));
  EXPECT_TRUE(CConnectProgress::Instance()->IsVersionAnswered());
  EXPECT_TRUE(CConnectProgress::Instance()->IsEncoderReady());
  EXPECT_EQ(g_ConnectStatRecord.contotal, 1);
  EXPECT_EQ(g_ConnectStatRecord.consuccess, 1);
  EXPECT_EQ(g_ConnectStatRecord.confailed, 0);
  EXPECT_TRUE(h.Posted(CORVAN_WM_MSG).empty());
  EXPECT_TRUE(ErrorLines().empty());
  EXPECT_TRUE(h.Stop());
}

TEST(SystemInitThread, MissingVersionAndEncoderAnswersDoNotStopTheSequence) {
  SequencerHarness h;
  h.TouchFile("vtsc16");
  h.TouchFile("vtim.jar");
  h.Start();
  h.PlugIn();
  ASSERT_TRUE(h.PumpUntil([&] { return h.TimerFired(TIMER_ID_SEND_INFO_MD); }));
  EXPECT_EQ(h.Progress(), kAllSteps);
  EXPECT_THAT(fakeadb::WrittenCommandTypes(0),
              ElementsAre(0x00018001u, 0x00018003u, 0x00018027u, 0x00018056u, 0x00018007u, 0x00018009u));
  EXPECT_FALSE(CConnectProgress::Instance()->IsVersionAnswered());
  EXPECT_FALSE(CConnectProgress::Instance()->IsEncoderReady());
}

TEST(SystemInitThread, AppNotInstalledEndsTheAttemptWithItsReport) {
  SequencerHarness h;
  h.TouchFile("vtsc16");
  fakeadb::GetScript().m_StartPhoneAppResults = {-14};
  h.Start();
  h.PlugIn();
  ASSERT_TRUE(h.PumpUntil([&] { return !h.Posted(CORVAN_WM_MSG).empty(); }));
  ASSERT_TRUE(h.Stop());

  std::vector<PostedMsg> msgs = h.Posted(CORVAN_WM_MSG);
  ASSERT_EQ(msgs.size(), 1u);
  EXPECT_EQ(msgs[0].m_wParam, 0u);
  EXPECT_EQ(msgs[0].m_lParam, 2);
  EXPECT_EQ(g_CorvaneAppFlags.m_bAppInstalled.load(), 0);
  EXPECT_THAT(h.Progress(), ElementsAre(10, 20));
  EXPECT_THAT(StepCalls(), ElementsAre("StartPhoneApp"));
  EXPECT_THAT(ErrorLines(), ElementsAre(CErrorLog::kLineAppNotInstalled));
}

TEST(SystemInitThread, PhoneAppStartIsRetriedOnceAfterATimeOut) {
  SequencerHarness h;  // no helper files: the attempt ends at the first helper
  fakeadb::GetScript().m_StartPhoneAppResults = {-13, -14};
  h.Start();
  h.PlugIn();
  ASSERT_TRUE(h.PumpUntil([&] { return !h.Posted(CORVAN_WM_MSG).empty(); }));
  ASSERT_TRUE(h.Stop());
  EXPECT_EQ(fakeadb::CountCalls("StartPhoneApp"), 2);
  EXPECT_EQ(h.Posted(CORVAN_WM_MSG)[0].m_lParam, 2);
}

TEST(SystemInitThread, UsbOutMidStepEndsTheAttemptAndIsLoggedOnTheNextPass) {
  SequencerHarness h;
  h.TouchFile("vtsc16");
  h.TouchFile("vtim.jar");
  fakeadb::SetCallHook([](const std::string& call) {
    if (call == "StartVtsc") g_CorvaneAppFlags.m_bUsbIn = 0;
  });
  h.Start();
  h.PlugIn();
  ASSERT_TRUE(h.PumpUntil([&] { return CErrorLog::GetInstance()->GetLineCount() > 0; }));
  ASSERT_TRUE(h.Stop());
  EXPECT_THAT(h.Progress(), ElementsAre(10, 20, 30, 40));
  EXPECT_EQ(fakeadb::CountCalls("TcpConnect"), 0);
  EXPECT_EQ(fakeadb::CountCalls("PushVtim \\SDMMC\\CECorvane"), 0);
  EXPECT_THAT(ErrorLines(), ElementsAre(CErrorLog::kLineUsbLost));
}

struct HelperCase {
  const char* m_pszName;
  std::vector<std::string> m_Files;
  std::vector<std::string> m_Dirs;
  const char* m_pszPushDir;  // nullptr: the first helper is missing
  const char* m_pszVtimDir;  // nullptr: the second helper is missing
};

class SystemInitThreadHelpers : public ::testing::TestWithParam<HelperCase> {};

TEST_P(SystemInitThreadHelpers, FindsTheHelperFilesBesideTheProgram) {
  const HelperCase& c = GetParam();
  SequencerHarness h;
  for (const std::string& f : c.m_Files) h.TouchFile(f);
  for (const std::string& d : c.m_Dirs) h.MakeDir(d);
  h.Start();
  h.PlugIn();
  if (!c.m_pszPushDir) {
    ASSERT_TRUE(h.PumpUntil([&] { return !h.Posted(CORVAN_WM_MSG).empty(); }));
    ASSERT_TRUE(h.Stop());
    EXPECT_EQ(h.Posted(CORVAN_WM_MSG)[0].m_lParam, 1);
    EXPECT_THAT(h.Progress(), ElementsAre(10, 20, 30, 40));
    EXPECT_EQ(fakeadb::CountCalls("StartVtsc"), 0);
    return;
  }
  ASSERT_TRUE(h.PumpUntil([&] { return h.TimerFired(TIMER_ID_SEND_INFO_MD); }));
  ASSERT_TRUE(h.Stop());
  EXPECT_EQ(fakeadb::CountCalls(std::string("SetPushDir ") + c.m_pszPushDir), 1);
  EXPECT_EQ(h.Progress(), kAllSteps);
  if (c.m_pszVtimDir) {
    EXPECT_EQ(fakeadb::CountCalls(std::string("PushVtim ") + c.m_pszVtimDir), 1);
    EXPECT_TRUE(h.Posted(CORVAN_WM_MSG).empty());
  } else {
    ASSERT_EQ(h.Posted(CORVAN_WM_MSG).size(), 1u);
    EXPECT_EQ(h.Posted(CORVAN_WM_MSG)[0].m_lParam, 1);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, SystemInitThreadHelpers,
    ::testing::Values(
        HelperCase{
            "FilesBesideTheProgram", {"vtsc16", "vtim.jar"}, {}, "\\SDMMC\\CECorvane", "\\SDMMC\\CECorvane"},
        HelperCase{"HelperDirectories",
                   {},
                   {"vtsc", "vtim"},
                   "\\SDMMC\\CECorvane\\vtsc",
                   "\\SDMMC\\CECorvane\\vtim"},
        HelperCase{"SecondHelperMissingGoesOn", {"vtsc16"}, {}, "\\SDMMC\\CECorvane", nullptr},
        HelperCase{"FirstHelperMissingEnds", {"vtim.jar"}, {}, nullptr, nullptr}),
    [](const ::testing::TestParamInfo<HelperCase>& info) { return std::string(info.param.m_pszName); });

TEST(SystemInitThread, FirstHelperTimeOutsAreTriedThreeTimesThenReconnect) {
  SequencerHarness h;
  h.TouchFile("vtsc16");
  h.TouchFile("vtim.jar");
  fakeadb::GetScript().m_StartVtscResults = {-7, -9, -8};
  h.Start();
  h.PlugIn();
  // The failure re-arms the sequencer itself; its second attempt then connects.
  ASSERT_TRUE(h.PumpUntil([&] { return h.TimerFired(TIMER_ID_SEND_INFO_MD); }));
  ASSERT_TRUE(h.Stop());
  EXPECT_EQ(fakeadb::CountCalls("StartVtsc"), 4);
  EXPECT_THAT(ErrorLines(), ElementsAre(CErrorLog::kLineVtscFailed));
  std::vector<LPARAM> expected = {10, 20, 30, 40};
  expected.insert(expected.end(), kAllSteps.begin(), kAllSteps.end());
  EXPECT_EQ(h.Progress(), expected);
}

TEST(SystemInitThread, AndroidLevelAboveTheFirstHelperCountsAsStarted) {
  SequencerHarness h;
  h.TouchFile("vtsc16");
  h.TouchFile("vtim.jar");
  fakeadb::GetScript().m_StartVtscResults = {-15};
  h.Start();
  h.PlugIn();
  ASSERT_TRUE(h.PumpUntil([&] { return h.TimerFired(TIMER_ID_SEND_INFO_MD); }));
  EXPECT_EQ(fakeadb::CountCalls("StartVtsc"), 1);
  EXPECT_EQ(h.Progress(), kAllSteps);
  EXPECT_TRUE(ErrorLines().empty());
}

TEST(SystemInitThread, ReconnectClosesTheOpenChannelsFirst) {
  SequencerHarness h;
  for (int c = 0; c < 6; ++c) fakeadb::SetChannelConnected(c, true);
  fakeadb::GetScript().m_StartPhoneAppResults = {-14};
  g_CorvaneAppFlags.m_bUsbIn = 1;
  h.Start();
  h.Reconnect();
  ASSERT_TRUE(h.PumpUntil([&] { return !h.Posted(CORVAN_WM_MSG).empty(); }));
  ASSERT_TRUE(h.Stop());
  EXPECT_THAT(StepCalls(), ElementsAre("TcpDisconnect 6", "StartPhoneApp"));
}

TEST(SystemInitThread, NoConnectionLogsTheAuthorisationFailureOncePerUsbOut) {
  SequencerHarness h;
  fakeadb::SetConnected(false);
  h.Start();
  for (int round = 0; round < 2; ++round) {
    h.PlugIn();
    ASSERT_TRUE(h.PumpUntil([&] { return h.Progress().size() == static_cast<size_t>(round + 1); }));
    g_CorvaneAppFlags.m_bUsbIn = 0;  // the phone goes before it ever answered
    ASSERT_TRUE(h.PumpUntil([] { return g_bAuthFailLogged.load() == 1; }));
    // The wait for the phone has seen USB out: the sequencer is back at the top of its loop.
    ASSERT_TRUE(h.PumpUntil([&] { return g_nConnectCount.load() == round + 2; }));
  }
  EXPECT_THAT(ErrorLines(), ElementsAre(CErrorLog::kLineAuthFailed));
  // A USB out clears the mark (the root window does): the next failure is logged again.
  g_bAuthFailLogged = 0;
  h.PlugIn();
  ASSERT_TRUE(h.PumpUntil([&] { return h.Progress().size() == 3u; }));
  g_CorvaneAppFlags.m_bUsbIn = 0;
  ASSERT_TRUE(h.PumpUntil([] { return CErrorLog::GetInstance()->GetLineCount() == 2; }));
  ASSERT_TRUE(h.Stop());
}

TEST(SystemInitThread, QuitEndsTheWaitForAPhoneAtItsAuthorisationPrompt) {
  SequencerHarness h;
  fakeadb::SetConnected(false);  // USB stays in, CNXN never comes
  h.Start();
  h.PlugIn();
  ASSERT_TRUE(h.PumpUntil([&] { return h.Progress().size() == 1u; }));
  EXPECT_TRUE(h.Stop());
  EXPECT_EQ(fakeadb::CountCalls("StartPhoneApp"), 0);
  // Leaving is not an authorisation failure.
  EXPECT_EQ(g_bAuthFailLogged.load(), 0);
  EXPECT_THAT(ErrorLines(), ElementsAre());
}

TEST(SystemInitThread, StatisticsSentMarkCountsTheNextWakeUpOnceMore) {
  SequencerHarness h;
  h.TouchFile("vtsc16");
  h.TouchFile("vtim.jar");
  h.Start();
  h.PlugIn();
  ASSERT_TRUE(h.PumpUntil([&] { return h.TimerFired(TIMER_ID_SEND_INFO_MD); }));
  // What the statistics timer does once the statistics went out.
  g_nConnectCount = 0;
  g_bStatisticsSent = 1;
  h.Reconnect();
  ASSERT_TRUE(h.PumpUntil([&] { return h.Progress().size() == 20u; }));
  ASSERT_TRUE(h.PumpUntil([&] { return h.Posted(WM_TIMER).size() == 2u; }));
  EXPECT_EQ(g_ConnectStatRecord.contotal, 1);
  EXPECT_EQ(g_ConnectStatRecord.confailed, 0);
}
