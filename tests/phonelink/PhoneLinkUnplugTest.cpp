// The phone pulled at each step of a connection, stale packets of the old connection, a bad
// magic and an oversize header, against the simulated phone.
#include "tests/phonelink/PhoneLinkE2E.h"

#include <future>

namespace linktest {
namespace {

struct UnplugCase {
  const char* m_pszStep;             // phonesim step at which the cable goes
  std::function<void()> m_fnAction;  // what the link is doing then
};

TEST_F(PhoneLinkE2E, UnplugAtEachStepResetsAndReplugWorks) {
  StartPhone();
  m_Sim.Shell().SetChildProcess("vtsc", "vtsy");
  m_Sim.Shell().SetProp("ro.build.version.release", "6.0.1");
  m_Sim.Shell().SetProp("ro.build.version.sdk", "23");
  WriteFile(m_Root / "prog" / "vtsc23", std::string(6000, 'x'));
  WriteFile(m_Root / "prog" / "vtim", std::string(5000, 'v'));
  WriteFile(m_Root / "prog" / "vtim.jar", std::string(300, 'j'));
  Corvane_Adb_SetPushDir("\\prog");
  StartLink();
  const UnplugCase cases[] = {
      {"connected", [] {}},
      {"sync:DATA", [] { EXPECT_EQ(Corvane_Adb_StartVtsc(), -13); }},
      {"shell:chmod 777 /data/local/tmp/vtsc", [] { EXPECT_EQ(Corvane_Adb_StartVtsc(), -13); }},
      {"sync:SEND", [] { EXPECT_LT(Corvane_Adb_PushVtim("\\prog"), 0); }},
      {"open:tcp:9240", [] { Corvane_Adb_TcpConnect(); }},
      {"wrte:tcp:7240", [] { Corvane_Adb_TcpWrite(0, "ping", 4); }},
      {"cnxn", [] {}},  // the next connection's CNXN: the phone goes before it answers
  };
  for (const UnplugCase& c : cases) {
    SCOPED_TRACE(c.m_pszStep);
    const bool atConnect = std::string(c.m_pszStep).find(':') == std::string::npos;
    if (!atConnect) Corvane_Adb_TcpConnect();
    const int connectionsBefore = m_Sim.Connections();
    const size_t broadcastsBefore = UsbOut().size();
    // A step of the connection itself is reached by pulling the cable once first.
    const int drops = atConnect ? 2 : 1;
    ASSERT_TRUE(m_Sim.AddFault(std::string("drop@") + c.m_pszStep));
    if (atConnect) m_Sim.Unplug();
    c.m_fnAction();
    // Out, then in again: the broadcasts alternate and end with the phone in.
    ASSERT_TRUE(WaitUntil(
        [&] {
          return m_Sim.Connections() >= connectionsBefore + drops && Corvane_Adb_IsConnected() == 1 &&
                 UsbOut().size() >= broadcastsBefore + 2 * drops;
        },
        10000));
    std::vector<int> out = UsbOut();
    for (size_t i = 0; i < out.size(); ++i) EXPECT_EQ(out[i], i % 2 == 0 ? 1 : 0) << i;
    for (int w : UsbOutWParams()) EXPECT_EQ(w, 0);
    EXPECT_TRUE(Logged("[@@===]CorvaneAdb Get USB Out"));
    // After the re-plug the link works again.
    m_Sim.ClearFaults();
    m_Sim.Shell().SetAppInstalled("com.velto.corvane", true);
    EXPECT_EQ(Corvane_Adb_StartPhoneApp(), 0);
  }
  EXPECT_TRUE(m_Sim.Record().Violations().empty());
}

TEST_F(PhoneLinkE2E, StalePacketsOfTheOldConnectionAreSkipped) {
  StartPhone();
  StartLink();
  m_Sim.Shell().SetAppInstalled("com.velto.corvane", true);
  EXPECT_EQ(Corvane_Adb_StartPhoneApp(), 0);  // request 10000
  EXPECT_EQ(Corvane_Adb_StartPhoneApp(), 0);  // request 10001
  Corvane_Adb_TcpConnect();                   // channels 1 ... 6
  ASSERT_EQ(g_adb.m_Tracker.m_nCounter, 10002);
  // After the re-plug the phone writes to ids of the old connection, and to one never used.
  ASSERT_TRUE(m_Sim.AddFault("stale-wrte=10001@connected"));
  ASSERT_TRUE(m_Sim.AddFault("stale-wrte=6@connected"));
  ASSERT_TRUE(m_Sim.AddFault("stale-wrte=20000@connected"));
  m_Sim.Unplug();
  ASSERT_TRUE(WaitUntil([this] { return UsbOut().size() >= 3; }, 8000));
  ASSERT_TRUE(WaitConnected());
  ASSERT_TRUE(WaitUntil([&] { return !FromHost(kOkay, 0).empty() && Logged("(local_ID=6)"); }, 3000));
  EXPECT_EQ(Corvane_Adb_StartPhoneApp(), 0);
  auto packets = m_Sim.Record().Packets();
  size_t second = 0;
  for (size_t i = 0, n = 0; i < packets.size(); ++i) {
    if (packets[i].m_bFromHost && packets[i].m_nCommand == kCnxn && ++n == 2) second = i;
  }
  ASSERT_GT(second, 0u);
  std::vector<uint32_t> answered;
  for (auto& p : FromHost(kOkay, second)) answered.push_back(p.m_nArg0);
  EXPECT_EQ(std::count(answered.begin(), answered.end(), 20000u), 1) << "a current id is answered";
  EXPECT_EQ(std::count(answered.begin(), answered.end(), 10001u), 0) << "an old request id is skipped";
  EXPECT_EQ(std::count(answered.begin(), answered.end(), 6u), 0) << "an old channel id is skipped";
  EXPECT_TRUE(Logged(
      "[@@] last connected data   [(len=5) (local_ID=6)]   [ Invalid_Tcp_ID=6 ,Invalid_Local_ID=10001]"));
  EXPECT_TRUE(Logged("[@@] last connected data   [(len=5) (local_ID=10001)]"));
}

TEST_F(PhoneLinkE2E, BadMagicEndsTheReaderAndTheMonitorReconnects) {
  StartPhone();
  StartLink();
  Corvane_Adb_TcpConnect();
  ASSERT_TRUE(m_Sim.AddFault("bad-magic@wrte:tcp:7240"));
  ASSERT_EQ(Corvane_Adb_TcpWrite(0, "ping", 4), 1);
  ASSERT_TRUE(WaitUntil([this] { return UsbErrors() == 1; }, 3000));
  // The reader posts the error before it leaves its loop and closes the channels.
  EXPECT_TRUE(WaitUntil([] { return Corvane_Adb_IsChannelConnected(0) == 0; }, 3000))
      << "all channels closed with the reader";
  ASSERT_TRUE(WaitUntil([this] { return FromHost(kCnxn).size() == 2; }, 5000)) << "a new CNXN";
  ASSERT_TRUE(WaitConnected());
  m_Sim.Shell().SetAppInstalled("com.velto.corvane", true);
  EXPECT_EQ(Corvane_Adb_StartPhoneApp(), 0);
}

TEST_F(PhoneLinkE2E, OversizeHeaderIsLoggedAndSkipped) {
  StartPhone();
  StartLink();
  Corvane_Adb_TcpConnect();
  ASSERT_TRUE(m_Sim.AddFault("oversize@wrte:tcp:7240"));
  ASSERT_EQ(Corvane_Adb_TcpWrite(0, "ping", 4), 1);
  uint8_t got[4];
  EXPECT_EQ(Corvane_Adb_TcpRead_CMD(got, 4), 4) << "the stream goes on after the skipped packet";
  EXPECT_EQ(0, std::memcmp(got, "ping", 4));
  EXPECT_TRUE(Logged("[@@] size=5000"));
  EXPECT_EQ(Corvane_Adb_GetChannelDataSize(0), 0) << "nothing of the oversize payload was kept";
  EXPECT_EQ(UsbErrors(), 0u);
  EXPECT_EQ(FromHost(kCnxn).size(), 1u);
}

}  // namespace
}  // namespace linktest
