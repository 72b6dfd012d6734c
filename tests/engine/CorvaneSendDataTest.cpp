#include "tests/engine/EngineTestSupport.h"

#include "engine/ConnectStatRecord.h"
#include "engine/CorvaneFeatureConfigTable.h"
#include "services/CErrorLog.h"

#include <gmock/gmock.h>

#include <atomic>
#include <thread>

namespace {
using ::testing::ElementsAre;

class CorvaneSendDataTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    fakeadb::SetAllConnected(true);
    m_pSender = CorvaneSendData::GetInstance();
    ASSERT_NE(m_pSender, nullptr);
  }
  // Header and payload of a command as the two writes the sender makes.
  static std::vector<std::vector<uint8_t>> TwoWrites(uint32_t type, const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> f = CmdFrame(type, payload);
    return {std::vector<uint8_t>(f.begin(), f.begin() + 8), std::vector<uint8_t>(f.begin() + 8, f.end())};
  }
  CorvaneSendData* m_pSender = nullptr;
};

TEST_F(CorvaneSendDataTest, CommandMessagesOnTheWire) {
  struct Case {
    const char* m_pszName;
    std::function<void(CorvaneSendData*)> m_fnSend;
    int m_nChannel;
    std::vector<std::vector<uint8_t>> m_Writes;
  };
  const BYTE modules[] = {3, 4};
  const BYTE states[] = {1, 2};
  HuStatisticsInfo stats;
  stats.cuid = "guid";
  stats.versionName = "1.0.0";
  stats.versionCode = 1001;
  stats.channel = "20322100";
  stats.connectCount = 3;
  stats.connectSuccessCount = 1;
  stats.connectTime = 1234;
  const std::vector<Case> cases = {
      {"version",
       [](CorvaneSendData* s) { s->SendProtocolVersion(1, 0); },
       0,
       {{0x00, 0x04, 0x00, 0x00, 0x00, 0x01, 0x80, 0x01}, {0x08, 0x01, 0x10, 0x00}}},
      {"encoder settings",
       [](CorvaneSendData* s) { s->SendVideoEncoderInit(800, 480, 10); },
       0,
       {{0x00, 0x08, 0x00, 0x00, 0x00, 0x01, 0x80, 0x07}, {0x08, 0xA0, 0x06, 0x10, 0xE0, 0x03, 0x18, 0x0A}}},
      {"encoder start",
       [](CorvaneSendData* s) { s->SendVideoEncoderStart(); },
       0,
       {{0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x80, 0x09}}},
      {"encoder pause",
       [](CorvaneSendData* s) { s->SendVideoEncoderPause(); },
       0,
       {{0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x80, 0x0A}}},
      {"before encoder settings",
       [](CorvaneSendData* s) { s->SendCmd56(); },
       0,
       {{0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x80, 0x56}}},
      {"frame rate",
       [](CorvaneSendData* s) { s->SendFrameRateChange(3); },
       0,
       {{0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x80, 0x0C}, {0x08, 0x03}}},
      {"touch",
       [](CorvaneSendData* s) { s->SendTouchAction(0, 100, 200); },
       5,
       {{0x00, 0x07, 0x00, 0x00, 0x00, 0x06, 0x80, 0x01, 0x08, 0x00, 0x10, 0x64, 0x18, 0xC8, 0x01}}},
      {"hard key",
       [](CorvaneSendData* s) { s->SendHardKey(5); },
       5,
       {{0x00, 0x02, 0x00, 0x00, 0x00, 0x06, 0x80, 0x08}, {0x08, 0x05}}},
      {"module status", [&](CorvaneSendData* s) { s->SendModuleStatusList(2, modules, states); }, 0,
       TwoWrites(0x00018028,
                 Pb().Int(1, 2).Sub(2, Pb().Int(1, 3).Int(2, 1)).Sub(2, Pb().Int(1, 4).Int(2, 2)).m_Bytes)},
      {"feature config",
       [](CorvaneSendData* s) { s->SendFeatureConfig(7, CorvaneFeatureConfigTable::Fill()); }, 0,
       TwoWrites(0x00018052, Pb().Int(1, 7)
                                 .Sub(2, Pb().Str(1, "VOICE_MIC").Int(2, 1))
                                 .Sub(2, Pb().Str(1, "VOICE_WAKEUP").Int(2, 0))
                                 .Sub(2, Pb().Str(1, "BLUETOOTH_AUTO_PAIR").Int(2, 0))
                                 .Sub(2, Pb().Str(1, "BLUETOOTH_INTERNAL_UI").Int(2, 0))
                                 .Sub(2, Pb().Str(1, "FOCUS_UI").Int(2, 0))
                                 .Sub(2, Pb().Str(1, "MEDIA_SAMPLE_RATE").Int(2, 0))
                                 .Sub(2, Pb().Str(1, "AUDIO_TRANSMISSION_MODE").Int(2, 1))
                                 .m_Bytes)},
      {"statistics", [&](CorvaneSendData* s) { s->SendCmd27(stats); }, 0,
       TwoWrites(0x00018027, Pb().Str(1, "guid")
                                 .Str(2, "1.0.0")
                                 .Int(3, 1001)
                                 .Str(4, "20322100")
                                 .Int(5, 3)
                                 .Int(6, 1)
                                 .Int(7, 1234)
                                 .Str(8, "")
                                 .m_Bytes)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.m_pszName);
    fakeadb::ClearWrites();
    c.m_fnSend(m_pSender);
    EXPECT_EQ(fakeadb::Writes(c.m_nChannel), c.m_Writes);
    for (int other = 0; other < 6; ++other)
      if (other != c.m_nChannel) {
        EXPECT_TRUE(fakeadb::Writes(other).empty());
      }
  }
}

TEST_F(CorvaneSendDataTest, HeadUnitInformationCarriesAll22Fields) {
  HuDeviceInfo info;
  BuildHuDeviceInfo(&info);  // no platform record here: the fixed values
  m_pSender->SendHuInfo(info);
  Pb expected;
  const char* texts[] = {"wince", "wince",   "wince",   "wince", "ARM7",
                         "ARM9",  "MTK3360", "800X480", "null",  "1"};
  for (int i = 0; i < 10; ++i) expected.Str(i + 1, texts[i]);
  for (int f = 11; f <= 20; ++f) expected.Str(f, "");
  expected.Int(21, 1).Str(22, "");
  EXPECT_EQ(fakeadb::Writes(0), TwoWrites(0x00018003, expected.m_Bytes));
}

TEST_F(CorvaneSendDataTest, ConnectStatisticsCarryTheErrorLines) {
  CErrorLog* log = CErrorLog::GetInstance();
  log->Clear();
  ConnectStatRecord record;
  record.contotal = 3;
  record.consuccess = 1;
  record.confailed = 2;
  record.contime = 4200;
  m_pSender->SendConnectStatistics(record, log);
  EXPECT_EQ(
      fakeadb::Writes(0),
      TwoWrites(0x00018060, Pb().Int(1, 3).Int(2, 1).Int(3, 2).Int(4, 4200).Int(5, 0).Str(6, " ").m_Bytes));

  fakeadb::ClearWrites();
  log->AddLine("VTSC fail \r\n");
  log->AddLine("ADB Forward fail \r\n");
  m_pSender->SendConnectStatistics(record, log);
  EXPECT_EQ(fakeadb::Writes(0), TwoWrites(0x00018060, Pb().Int(1, 3)
                                                          .Int(2, 1)
                                                          .Int(3, 2)
                                                          .Int(4, 4200)
                                                          .Int(5, 2)
                                                          .Str(6, "VTSC fail ")
                                                          .Str(6, "ADB Forward fail ")
                                                          .m_Bytes));

  // More lines than one payload buffer holds: the message is cut to what fits, never overrun.
  fakeadb::ClearWrites();
  for (int i = 0; i < 100; ++i) log->AddLine("a line of the error log that is long enough \r\n");
  m_pSender->SendConnectStatistics(record, log);
  auto writes = fakeadb::Writes(0);
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_LE(writes[1].size(), 1024u);
  EXPECT_EQ(writes[0][0] * 256 + writes[0][1], static_cast<int>(writes[1].size()));
  log->Clear();
}

TEST_F(CorvaneSendDataTest, ClosedChannelsGetNothing) {
  fakeadb::SetAllConnected(false);
  m_pSender->SendProtocolVersion(1, 0);
  m_pSender->SendTouchAction(1, 5, 5);
  m_pSender->SendHardKey(3);
  EXPECT_EQ(m_pSender->SendMicData(reinterpret_cast<const BYTE*>("ab"), 2, 7), 0);
  for (int c = 0; c < 6; ++c) EXPECT_TRUE(fakeadb::Writes(c).empty());
}

TEST_F(CorvaneSendDataTest, MicrophoneDataIsAStreamFrameOnChannel4) {
  const BYTE pcm[] = {1, 2, 3, 4};
  EXPECT_NE(m_pSender->SendMicData(pcm, 4, 0x01020304), 0);
  EXPECT_THAT(fakeadb::Writes(4),
              ElementsAre(std::vector<uint8_t>{0, 0, 0, 4, 1, 2, 3, 4, 0x00, 0x05, 0x80, 0x01},
                          std::vector<uint8_t>{1, 2, 3, 4}));
  std::vector<BYTE> tooLong(4097, 0);
  EXPECT_EQ(m_pSender->SendMicData(tooLong.data(), 4097, 0), 0);
}

TEST_F(CorvaneSendDataTest, AFailedMicrophoneSendReleasesTheLock) {
  fakeadb::SetChannelConnected(4, false);
  const BYTE pcm[] = {9};
  EXPECT_EQ(m_pSender->SendMicData(pcm, 1, 0), 0);
  // Another thread must get through; a kept lock would block it for good.
  std::atomic<bool> done{false};
  std::thread other([&] {
    m_pSender->SendVideoEncoderStart();
    done = true;
  });
  for (int i = 0; i < 500 && !done; ++i) Sleep(10);
  EXPECT_TRUE(done.load());
  if (!done) m_pSender->Unlock();  // let the thread end even when the lock was kept
  other.join();
  EXPECT_EQ(fakeadb::Writes(0).size(), 1u);
}

TEST_F(CorvaneSendDataTest, ASendWhileBusyLogsTheLockedLineAndCompletesAfter) {
  m_pSender->Lock();
  std::atomic<bool> done{false};
  std::thread other([&] {
    m_pSender->SendVideoEncoderStart();
    done = true;
  });
  for (int i = 0; i < 500 && !Logged("SendData CriticalSection Error Locked"); ++i) Sleep(10);
  EXPECT_TRUE(Logged("SendData CriticalSection Error Locked"));
  EXPECT_FALSE(done.load());
  m_pSender->Unlock();
  other.join();
  EXPECT_TRUE(done.load());
}
}  // namespace
