#include "engine/CorvaneEngineSession.h"
#include "tests/engine/EngineTestSupport.h"

#include <gmock/gmock.h>

namespace {
using ::testing::ElementsAre;

class CorvaneCommandTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    fakeadb::SetAllConnected(true);
    m_pCmd = CorvaneCommand::GetInstance();
    ASSERT_NE(m_pCmd, nullptr);
  }
  CorvaneCommand* m_pCmd = nullptr;
};

TEST_F(CorvaneCommandTest, EveryCommandTypePostsItsMessages) {
  struct Case {
    uint32_t m_nType;
    std::vector<uint8_t> m_Payload;
    BYTE m_byNotify;
    std::vector<Posted> m_Posted;
  };
  const std::vector<uint8_t> modules = Pb().Int(1, 3)
                                           .Sub(2, Pb().Int(1, 3).Int(2, 1))
                                           .Sub(2, Pb().Int(1, 4).Int(2, 2))
                                           .Sub(2, Pb().Int(1, 7).Int(2, 9))
                                           .m_Bytes;
  const std::vector<Case> cases = {
      {0x00010002, Pb().Int(1, 1).m_Bytes, 0, {}},
      {0x00010004, Pb().Str(1, "android").Str(2, "board").m_Bytes, 0, {}},
      {0x00010006, Pb().Str(1, "00:11").Str(5, "uuid").Str(6, "name").Int(7, 1).m_Bytes, 0, {}},
      {0x00010008, Pb().Int(1, 1280).Int(2, 720).Int(3, 30).m_Bytes, 0, {{MESSAGE_CMD_REV, 0, 0x10008}}},
      {0x00010008, Pb().Int(1, 1280).Int(2, 720).Int(3, 0).m_Bytes, 0, {}},
      {0x0001000D, Pb().Int(1, 15).m_Bytes, 0, {}},
      {0x00010014, {}, 0, {{NMSG_RECORD, 0, 2}, {INNER_MSG_CORVANE_CALLING_STATE, 0, 1}}},
      {0x00010015, {}, 0, {{NMSG_RECORD, 0, 2}, {INNER_MSG_CORVANE_CALLING_STATE, 0, 1}}},
      {0x00010017, {}, 0, {{NMSG_RECORD, 0, 2}, {INNER_MSG_CORVANE_CALLING_STATE, 0, 1}}},
      {0x00010016, {}, 0, {{INNER_MSG_CORVANE_CALLING_STATE, 0, 0}}},
      {0x0001001B, {}, 0, {{MESSAGE_CMD_REV, 0, 0x1001B}}},
      {0x0001001C, {}, 0, {{MESSAGE_CMD_REV, 0, 0x1001C}}},
      {0x00010021, {}, 0, {{NMSG_CORVANE_QUIT, 0, 0}}},
      {0x00010021, {}, 1, {{N_WMMSG_CORVANE_SHOWHIDE_NOTIFY, 0, 0}}},
      {0x00010023, {}, 0, {{NMSG_RECORD, 0, 2}}},
      {0x00010024, {}, 0, {{NMSG_RECORD, 0, 1}}},
      {0x00010026, modules, 0, {}},
      {0x00010026,
       modules,
       1,
       {{N_WMMSG_CORVANE_MOULE_STATE, 3, 1},
        {N_WMMSG_CORVANE_MOULE_STATE, 4, 2},
        {N_WMMSG_CORVANE_MOULE_STATE, 7, 9}}},
      {0x00010051, {}, 0, {}},
      {0x00010099, {1, 2, 3}, 1, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.m_nType << " notify " << int(c.m_byNotify));
    g_CorvaneConfig.m_bNotifyMsg = c.m_byNotify;
    ClearBroadcasts();
    fakeadb::Feed(0, CmdFrame(c.m_nType, c.m_Payload));
    EXPECT_EQ(m_pCmd->receivePackageData(), 1);
    EXPECT_EQ(Broadcasts(), c.m_Posted);
    EXPECT_EQ(fakeadb::Buffered(0), 0u);
  }
}

TEST_F(CorvaneCommandTest, StateEffects) {
  ASSERT_EQ(g_nVideoWidth, 800);  // the screen's size until the phone reports its own
  ASSERT_EQ(g_nVideoHeight, 480);
  fakeadb::Feed(0, CmdFrame(0x00010002, Pb().Int(1, 0).m_Bytes));
  fakeadb::Feed(0, CmdFrame(0x0001000D, Pb().Int(1, 15).m_Bytes));
  fakeadb::Feed(0, CmdFrame(0x00010008, Pb().Int(1, 1280).Int(2, 0).Int(3, 30).m_Bytes));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(m_pCmd->receivePackageData(), 1);
  EXPECT_EQ(CConnectProgress::Instance()->IsVersionAnswered(), 1);
  EXPECT_EQ(CConnectProgress::Instance()->IsEncoderReady(), 0);
  EXPECT_EQ(g_nPhoneFrameRate, 15);
  EXPECT_EQ(g_nVideoWidth, 800);  // a zero height changes nothing

  // Negative sizes would scale touches and size the decode by a negative number: refused like 0.
  const std::vector<std::vector<uint8_t>> refused = {
      Pb().Int(1, -1280).Int(2, 720).Int(3, 30).m_Bytes,
      Pb().Int(1, 1280).Int(2, -720).Int(3, 30).m_Bytes,
      {0x08},  // cut off: nothing read
  };
  for (const auto& payload : refused) {
    fakeadb::Feed(0, CmdFrame(0x00010008, payload));
    EXPECT_EQ(m_pCmd->receivePackageData(), 1);
    EXPECT_EQ(g_nVideoWidth, 800);
    EXPECT_EQ(CConnectProgress::Instance()->IsEncoderReady(), 0);
  }
  EXPECT_TRUE(Logged("MSG_CMD_VIDEO_ENCODER_INIT_DONE--ERROR  (width: -1280, height: 720, framerate: 30 )"));
  EXPECT_TRUE(Logged("MSG_CMD_VIDEO_ENCODER_INIT_DONE--ERROR  (width: 1280, height: -720, framerate: 30 )"));
  fakeadb::Feed(0, CmdFrame(0x00010008, Pb().Int(1, 1280).Int(2, 720).Int(3, 30).m_Bytes));
  EXPECT_EQ(m_pCmd->receivePackageData(), 1);
  EXPECT_EQ(g_nVideoWidth, 1280);
  EXPECT_EQ(g_nVideoHeight, 720);
  EXPECT_EQ(CConnectProgress::Instance()->IsEncoderReady(), 1);
}

TEST_F(CorvaneCommandTest, FeatureQueryIsAnsweredWithTheFeatureListEachTime) {
  Pb list;
  list.Int(1, 7);
  const std::pair<const char*, int> features[] = {
      {"VOICE_MIC", 1}, {"VOICE_WAKEUP", 0},      {"BLUETOOTH_AUTO_PAIR", 0},    {"BLUETOOTH_INTERNAL_UI", 0},
      {"FOCUS_UI", 0},  {"MEDIA_SAMPLE_RATE", 0}, {"AUDIO_TRANSMISSION_MODE", 1}};
  for (const auto& f : features) list.Sub(2, Pb().Str(1, f.first).Int(2, f.second));
  std::vector<uint8_t> reply = CmdFrame(0x00018052, list.m_Bytes);
  std::vector<uint8_t> header(reply.begin(), reply.begin() + 8);
  std::vector<uint8_t> payload(reply.begin() + 8, reply.end());

  fakeadb::Feed(0, CmdFrame(0x00010051, {}));
  fakeadb::Feed(0, CmdFrame(0x00010051, {}));
  EXPECT_EQ(m_pCmd->receivePackageData(), 1);
  EXPECT_EQ(m_pCmd->receivePackageData(), 1);
  EXPECT_THAT(fakeadb::Writes(0), ElementsAre(header, payload, header, payload));
}

TEST_F(CorvaneCommandTest, ReadStepWaitsForWholePackagesAndGrowsExactly) {
  EXPECT_EQ(m_pCmd->GetMaxRevLen(), 2048u);
  std::vector<uint8_t> big(3000, 0x55);
  std::vector<uint8_t> frame = CmdFrame(0x00010099, big);
  fakeadb::Feed(0, std::vector<uint8_t>(frame.begin(), frame.begin() + 5));
  EXPECT_EQ(m_pCmd->receivePackageData(), 0);  // no whole header yet
  fakeadb::Feed(0, std::vector<uint8_t>(frame.begin() + 5, frame.begin() + 100));
  EXPECT_EQ(m_pCmd->receivePackageData(), 0);  // header taken, payload pending
  EXPECT_EQ(m_pCmd->GetMaxRevLen(), 3000u);
  fakeadb::Feed(0, std::vector<uint8_t>(frame.begin() + 100, frame.end()));
  EXPECT_EQ(m_pCmd->receivePackageData(), 1);
  fakeadb::Feed(0, CmdFrame(0x00010099, std::vector<uint8_t>(2500, 1)));
  EXPECT_EQ(m_pCmd->receivePackageData(), 1);
  EXPECT_EQ(m_pCmd->GetMaxRevLen(), 3000u);
  // Reserved bytes have no effect; a closed channel reads nothing.
  fakeadb::Feed(0, CmdFrame(0x0001001B, {}, 0x12, 0x34));
  fakeadb::SetChannelConnected(0, false);
  EXPECT_EQ(m_pCmd->receivePackageData(), 0);
  fakeadb::SetChannelConnected(0, true);
  ClearBroadcasts();
  EXPECT_EQ(m_pCmd->receivePackageData(), 1);
  EXPECT_THAT(Broadcasts(), ElementsAre(Posted{MESSAGE_CMD_REV, 0, 0x1001B}));
}

TEST_F(CorvaneCommandTest, PackagesThatCannotBeHeldAreSkippedAndFramingHolds) {
  struct Case {
    const char* m_pszName;
    uint32_t m_nLength;
    bool m_bFailGrowth;
    const char* m_pszLog;
  } cases[] = {
      {"over the limit", 51201, false, "Command receivePackageData Error packageDataSize=51201"},
      {"failed growth", 4000, true, "ReSize Command Rev Buffer Error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.m_pszName);
    CorvaneCommand::DestroyInstance();
    CSingleInstanceBase::OpenAll();
    m_pCmd = CorvaneCommand::GetInstance();
    CPackageBuffer::SetFailGrowth(c.m_bFailGrowth);
    ClearBroadcasts();
    // A foreground report whose bytes must not be acted on, then a background report.
    std::vector<uint8_t> body(c.m_nLength, 0x08);
    std::vector<uint8_t> frame = {static_cast<uint8_t>(c.m_nLength >> 8),
                                  static_cast<uint8_t>(c.m_nLength),
                                  0,
                                  0,
                                  0x00,
                                  0x01,
                                  0x00,
                                  0x1B};
    fakeadb::Feed(0, frame);
    fakeadb::Feed(0, std::vector<uint8_t>(body.begin(), body.begin() + 1000));
    EXPECT_EQ(m_pCmd->receivePackageData(), 0);
    fakeadb::Feed(0, std::vector<uint8_t>(body.begin() + 1000, body.end()));
    fakeadb::Feed(0, CmdFrame(0x0001001C, {}));
    EXPECT_EQ(m_pCmd->receivePackageData(), 1);
    EXPECT_THAT(Broadcasts(), ElementsAre(Posted{MESSAGE_CMD_REV, 0, 0x1001C}));
    EXPECT_EQ(m_pCmd->GetMaxRevLen(), 2048u);  // the old buffer stays
    EXPECT_TRUE(Logged(c.m_pszLog));
    CPackageBuffer::SetFailGrowth(false);
  }
}

TEST_F(CorvaneCommandTest, MessagesGoToTheTargetWindowOnceSet) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = DefWindowProcW;
  wc.lpszClassName = u"EngineTestWnd";
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowExW(0, u"EngineTestWnd", u"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(hwnd, nullptr);
  m_pCmd->SetTargetWindow(hwnd);
  fakeadb::Feed(0, CmdFrame(0x0001001B, {}));
  fakeadb::Feed(0, CmdFrame(0x00010021, {}));
  EXPECT_EQ(m_pCmd->receivePackageData(), 1);
  EXPECT_EQ(m_pCmd->receivePackageData(), 1);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, hwnd, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, MESSAGE_CMD_REV);
  EXPECT_EQ(msg.lParam, 0x1001B);
  // The phone's hide-or-quit request is a broadcast whatever the target.
  EXPECT_THAT(Broadcasts(), ElementsAre(Posted{NMSG_CORVANE_QUIT, 0, 0}));
  DestroyWindow(hwnd);
}
}  // namespace
