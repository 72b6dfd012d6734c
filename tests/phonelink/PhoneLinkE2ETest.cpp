// The link's first connection, channels, pushes and app start against the simulated phone.
#include "tests/phonelink/PhoneLinkE2E.h"

namespace linktest {
namespace {

TEST_F(PhoneLinkE2E, FirstConnectSendsTheExactCnxn) {
  StartPhone();
  StartLink();
  auto packets = m_Sim.Record().Packets();
  ASSERT_FALSE(packets.empty());
  const SPacketRecord& first = packets.front();
  ASSERT_TRUE(first.m_bFromHost);
  EXPECT_EQ(first.m_nCommand, 0x4E584E43u);
  EXPECT_EQ(first.m_nArg0, 0x01000000u);
  EXPECT_EQ(first.m_nArg1, 4096u);
  EXPECT_EQ(first.m_nDataLength, 7u);
  EXPECT_EQ(first.m_nDataCheck, 0x232u);
  EXPECT_EQ(first.m_nMagic, 0xB1A7B1BCu);
  EXPECT_EQ(first.m_Payload, Bytes("host::", 7));
  EXPECT_EQ(UsbOut(), std::vector<int>{1}) << "USB in is broadcast once";
  // The link's list event is made signalled at Init; nobody waits on it.
  HANDLE list = OpenEventW(EVENT_ALL_ACCESS, FALSE, u"EVENTLISTUPDATE");
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(WaitForSingleObject(list, 0), WAIT_OBJECT_0);
  CloseHandle(list);
}

TEST_F(PhoneLinkE2E, SixChannelsOpenAndCarryDataBothWays) {
  StartPhone();
  StartLink();
  Corvane_Adb_TcpConnect();
  for (int c = 0; c < 6; ++c) EXPECT_EQ(Corvane_Adb_IsChannelConnected(c), 1) << c;
  auto opens = FromHost(kOpen);
  ASSERT_EQ(opens.size(), 6u);
  const char* services[6] = {"tcp:7240", "tcp:8240", "tcp:9240", "tcp:9241", "tcp:9242", "tcp:9340"};
  for (int c = 0; c < 6; ++c) {
    EXPECT_EQ(opens[c].m_nArg0, static_cast<uint32_t>(c + 1));
    EXPECT_EQ(opens[c].m_Payload, Bytes(services[c], 9));
  }
  // The echo endpoints send every byte back through the ring buffers.
  const char hello[] = "0123456789AB";
  for (int c = 0; c < 5; ++c) ASSERT_EQ(Corvane_Adb_TcpWrite(c, hello, 12), 1);
  uint8_t got[12];
  EXPECT_EQ(Corvane_Adb_TcpRead_CMD(got, 12), 12);
  EXPECT_EQ(0, std::memcmp(got, hello, 12));
  EXPECT_EQ(Corvane_Adb_TcpRead_Video(got, 12), 12);
  EXPECT_EQ(Corvane_Adb_TcpRead_Media(got, 12), 12);
  EXPECT_EQ(Corvane_Adb_TcpRead_TTS(got, 12), 12);
  EXPECT_EQ(Corvane_Adb_TcpRead_VR(got, 12), 12);
  EXPECT_EQ(0, std::memcmp(got, hello, 12));

  EXPECT_EQ(Corvane_Adb_TcpDisconnect(6), 0);
  for (int c = 0; c < 6; ++c) EXPECT_EQ(Corvane_Adb_IsChannelConnected(c), 0) << c;
  Corvane_Adb_TcpConnect();
  opens = FromHost(kOpen);
  ASSERT_GE(opens.size(), 12u);
  for (int c = 0; c < 6; ++c) EXPECT_EQ(opens[6 + c].m_nArg0, static_cast<uint32_t>(7 + c));
}

TEST_F(PhoneLinkE2E, UnplugBroadcastsAndReplugReconnects) {
  StartPhone();
  StartLink();
  Corvane_Adb_TcpConnect();
  m_Sim.Unplug();
  ASSERT_TRUE(WaitUntil([this] { return UsbOut().size() >= 2; }, 5000));
  EXPECT_EQ(UsbOut()[1], 0);
  EXPECT_EQ(Corvane_Adb_IsChannelConnected(0), 0);
  ASSERT_TRUE(WaitUntil([] { return Corvane_Adb_IsConnected() == 1; }, 8000)) << "re-plug";
  EXPECT_EQ(UsbOut().back(), 1);
}

TEST_F(PhoneLinkE2E, PushOfVtimWithAndWithoutTheJar) {
  StartPhone();
  StartLink();
  std::string vtim(10000, 'v'), jar(300, 'j');
  { std::ofstream(m_Root / "prog" / "vtim", std::ios::binary) << vtim; }
  { std::ofstream(m_Root / "prog" / "vtim.jar", std::ios::binary) << jar; }
  EXPECT_EQ(Corvane_Adb_PushVtim("\\prog"), 0);
  auto pushes = m_Sim.Record().Pushes();
  ASSERT_EQ(pushes.size(), 2u);
  EXPECT_EQ(pushes[0].m_strPath, "/data/local/tmp/vtim");
  EXPECT_EQ(pushes[0].m_nSize, 10000u);
  EXPECT_EQ(pushes[0].m_nMtime, 0x55AE13B4u);
  EXPECT_EQ(pushes[1].m_strPath, "/data/local/tmp/vtim.jar");
  EXPECT_EQ(pushes[1].m_nMtime, 0x55AE13B8u);
  // Now the jar is on the phone: only "vtim" goes again.
  EXPECT_EQ(Corvane_Adb_PushVtim("\\prog"), 0);
  EXPECT_EQ(m_Sim.Record().Pushes().size(), 3u);
  fs::remove(m_Root / "prog" / "vtim");
  EXPECT_EQ(Corvane_Adb_PushVtim("\\prog"), -10);
}

// The phone closes a push's "sync:" stream as soon as it reads QUIT, which the reader sends on the
// OKAY of the last slice: the CLSE can be handled before the pushing caller reaches its wait for
// the transfer's end. Each push here is held at that point until the phone has the host's answer
// to its CLSE, so the wait always comes after it.
TEST_F(PhoneLinkE2E, PushEndsWhenThePhoneClosedItsStreamBeforeTheWait) {
  StartPhone();
  StartLink();
  WriteFile(m_Root / "prog" / "vtim", std::string(10000, 'v'));
  WriteFile(m_Root / "prog" / "vtim.jar", std::string(300, 'j'));
  std::vector<std::string> held;
  bool allClosed = true;
  SetPushOpenedHook([&](const char* name, int32_t localId) {
    held.push_back(name);
    allClosed = allClosed && m_Sim.Record().WaitFor(
                                 [&] {
                                   for (auto& p : FromHost(kClse)) {
                                     if (p.m_nArg0 == static_cast<uint32_t>(localId)) return true;
                                   }
                                   return false;
                                 },
                                 5000);
  });
  struct Call {
    std::vector<std::string> m_Pushed;  // the jar goes only while the phone lacks it
    size_t m_nRecorded;
  };
  const Call calls[] = {{{"vtim", "vtim.jar"}, 2}, {{"vtim"}, 3}, {{"vtim"}, 4}};
  for (size_t i = 0; i < sizeof(calls) / sizeof(calls[0]); ++i) {
    held.clear();
    EXPECT_EQ(Corvane_Adb_PushVtim("\\prog"), 0) << "call " << i;
    EXPECT_TRUE(allClosed) << "call " << i << ": the phone did not close a stream";
    EXPECT_EQ(held, calls[i].m_Pushed) << "call " << i;
    auto pushes = m_Sim.Record().Pushes();
    ASSERT_EQ(pushes.size(), calls[i].m_nRecorded) << "call " << i;
    for (auto& p : pushes) EXPECT_TRUE(p.m_bOk) << p.m_strPath << ": " << p.m_strFail;
  }
  SetPushOpenedHook(nullptr);
}

TEST_F(PhoneLinkE2E, AppStartAnswers) {
  StartPhone();
  StartLink();
  m_Sim.Shell().SetAppInstalled("com.velto.corvane", true);
  EXPECT_EQ(Corvane_Adb_StartPhoneApp(), 0);
  m_Sim.Shell().SetAppInstalled("com.velto.corvane", false);
  EXPECT_EQ(Corvane_Adb_StartPhoneApp(), -14);
  EXPECT_EQ(Corvane_Adb_Shell("push x y"), 0);
}

}  // namespace
}  // namespace linktest
