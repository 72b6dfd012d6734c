// The six TCP channels against the simulated phone: the retry passes, the close, and the
// blocking reads.
#include "tests/phonelink/PhoneLinkE2E.h"

#include <future>
#include <thread>

namespace linktest {
namespace {

std::string TcpService(int c) {
  char text[16];
  std::snprintf(text, sizeof(text), "tcp:%04d", kPorts[c]);
  return text;
}

void RegisterEcho(phonesim::CPhoneSim& sim, uint16_t port) {
  sim.Endpoints().Register(port, [] { return std::make_shared<phonesim::CEchoEndpoint>(); });
}

TEST_F(PhoneLinkE2E, TcpConnectRestartsTheAppWhileNothingListens) {
  for (uint16_t port : kPorts) m_Sim.Endpoints().Unregister(port);
  StartPhone();
  StartLink();
  // The phone app comes up with its ports once it is started.
  std::thread app([this] {
    if (m_Sim.Record().WaitFor(
            [this] {
              for (auto& c : m_Sim.Record().ShellCommands()) {
                if (c.rfind("am start", 0) == 0) return true;
              }
              return false;
            },
            5000)) {
      for (uint16_t port : kPorts) RegisterEcho(m_Sim, port);
    }
  });
  const size_t from = PacketCount();
  Corvane_Adb_TcpConnect();
  app.join();
  for (int c = 0; c < 6; ++c) EXPECT_EQ(Corvane_Adb_IsChannelConnected(c), 1) << c;
  std::vector<std::string> expected;
  for (int c = 0; c < 6; ++c) expected.push_back(TcpService(c));
  expected.push_back(kAppStart);
  for (int c = 0; c < 6; ++c) expected.push_back(TcpService(c));
  EXPECT_EQ(Opens(from), expected);
  // Retries reuse the channel's local id; the app start is a request of its own.
  auto opens = FromHost(kOpen, from);
  ASSERT_EQ(opens.size(), 13u);
  for (int c = 0; c < 6; ++c) {
    EXPECT_EQ(opens[c].m_nArg0, static_cast<uint32_t>(c + 1));
    EXPECT_EQ(opens[7 + c].m_nArg0, static_cast<uint32_t>(c + 1));
  }
  EXPECT_GE(opens[6].m_nArg0, 10000u);
}

TEST_F(PhoneLinkE2E, TcpConnectReopensOnlyTheCommandChannel) {
  m_Sim.Endpoints().Unregister(kPorts[0]);
  StartPhone();
  StartLink();
  std::thread app([this] {
    auto thirdTry = [this] {
      int n = 0;
      for (auto& p : FromHost(kOpen)) n += PayloadText(p) == "tcp:7240";
      return n >= 3;
    };
    if (m_Sim.Record().WaitFor(thirdTry, 5000)) RegisterEcho(m_Sim, kPorts[0]);
  });
  Corvane_Adb_TcpConnect();
  app.join();
  for (int c = 0; c < 6; ++c) EXPECT_EQ(Corvane_Adb_IsChannelConnected(c), 1) << c;
  std::vector<std::string> opens = Opens();
  EXPECT_EQ(std::count(opens.begin(), opens.end(), std::string(kAppStart)), 0)
      << "the app listens: no restart";
  EXPECT_EQ(std::count(opens.begin(), opens.end(), TcpService(1)), 1);
  for (auto& p : FromHost(kOpen)) {
    if (PayloadText(p) == "tcp:7240") {
      EXPECT_EQ(p.m_nArg0, 1u);
    }
  }
}

TEST_F(PhoneLinkE2E, TcpDisconnectClosesAndWaitsForAllChannels) {
  StartPhone();
  StartLink();
  Corvane_Adb_TcpConnect();
  int32_t local[6], remote[6];
  for (int c = 0; c < 6; ++c) {
    local[c] = g_adb.m_Channels[c].m_nLocalId;
    remote[c] = g_adb.m_Channels[c].m_nRemoteId;
  }
  // One channel: one CLSE, and the wait for all six gives up with the others still open.
  size_t from = PacketCount();
  EXPECT_EQ(Corvane_Adb_TcpDisconnect(2), 0);
  auto closes = FromHost(kClse, from);
  ASSERT_EQ(closes.size(), 1u);
  EXPECT_EQ(closes[0].m_nArg0, static_cast<uint32_t>(local[2]));
  EXPECT_EQ(closes[0].m_nArg1, static_cast<uint32_t>(remote[2]));
  EXPECT_EQ(Corvane_Adb_IsChannelConnected(2), 0);
  EXPECT_EQ(Corvane_Adb_IsChannelConnected(3), 1);
  // All: a CLSE for each of the six, a closed one with remote id -1.
  from = PacketCount();
  EXPECT_EQ(Corvane_Adb_TcpDisconnect(6), 0);
  closes = FromHost(kClse, from);
  ASSERT_EQ(closes.size(), 6u);
  for (int c = 0; c < 6; ++c) {
    EXPECT_EQ(closes[c].m_nArg0, static_cast<uint32_t>(local[c]));
    EXPECT_EQ(closes[c].m_nArg1, c == 2 ? 0xFFFFFFFFu : static_cast<uint32_t>(remote[c]));
    EXPECT_EQ(Corvane_Adb_IsChannelConnected(c), 0);
  }
  // USB down: nothing is sent.
  m_Sim.Unplug();
  ASSERT_TRUE(WaitUntil([this] { return UsbOut().size() >= 2; }, 5000));
  from = PacketCount();
  EXPECT_EQ(Corvane_Adb_TcpDisconnect(6), 0);
  EXPECT_TRUE(FromHost(kClse, from).empty());
}

TEST_F(PhoneLinkE2E, ReadsBlockUntilTheCountWaitsAndEndOnUsbLoss) {
  StartPhone();
  StartLink();
  Corvane_Adb_TcpConnect();
  uint8_t got[12] = {};
  auto cmd = std::async(std::launch::async, [&] { return Corvane_Adb_TcpRead_CMD(got, 12); });
  // Five bytes are not enough: the read keeps waiting.
  ASSERT_EQ(Corvane_Adb_TcpWrite(0, "01234", 5), 1);
  ASSERT_TRUE(WaitUntil([] { return Corvane_Adb_GetChannelDataSize(0) == 5; }, 3000));
  EXPECT_EQ(cmd.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
  ASSERT_EQ(Corvane_Adb_TcpWrite(0, "56789AB", 7), 1);
  ASSERT_EQ(cmd.wait_for(std::chrono::seconds(3)), std::future_status::ready);
  EXPECT_EQ(cmd.get(), 12);
  EXPECT_EQ(0, std::memcmp(got, "0123456789AB", 12));
  EXPECT_EQ(Corvane_Adb_GetChannelDataSize(0), 0);

  // Reads of every channel return 0 when the phone goes away meanwhile.
  using Reader = int (*)(uint8_t*, int);
  const Reader readers[] = {Corvane_Adb_TcpRead_CMD, Corvane_Adb_TcpRead_Video, Corvane_Adb_TcpRead_Media,
                            Corvane_Adb_TcpRead_TTS, Corvane_Adb_TcpRead_VR};
  std::vector<std::future<int>> pending;
  uint8_t buffers[5][12];
  for (int c = 0; c < 5; ++c) {
    pending.push_back(std::async(std::launch::async, [&, c] { return readers[c](buffers[c], 12); }));
  }
  Sleep(20);
  m_Sim.Unplug();
  for (int c = 0; c < 5; ++c) {
    ASSERT_EQ(pending[c].wait_for(std::chrono::seconds(5)), std::future_status::ready) << c;
    EXPECT_EQ(pending[c].get(), 0) << c;
  }
  uint8_t big[1];
  EXPECT_EQ(Corvane_Adb_TcpRead_Video(big, 7000000), 0);
  EXPECT_TRUE(Logged("[@@] Corvane_Adb_TcpRead_Video  Buff Flood=7000000"));
}

}  // namespace
}  // namespace linktest
