// Each fault does what it says: a table of faults, each driven by a raw host.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <functional>

#include <unistd.h>

#include "phonesim/services/CEchoEndpoint.h"
#include "tests/phonesim/PhoneSimFixture.h"

using namespace phonesim;
using namespace phonesim_test;

namespace {

const char kAmStart[] = "shell:am start -n com.velto.corvane/com.velto.corvane.CorvaneActivity";

struct SFaultCase {
  const char* name;
  std::vector<std::string> faults;
  std::function<void(PhoneSimFixture&, CRawAdbHost&, CPhoneSim&)> check;
};

bool Reconnects(CRawAdbHost& host, CPhoneSim& sim) {
  host.Close();
  SRawPacket answer;
  return host.Connect(sim.Port()) && host.Handshake(4096, &answer) && answer.cmd == kCNXN;
}

const SFaultCase kCases[] = {
    {"drop at a named step, then re-plug",
     {std::string("drop@open:") + kAmStart},
     [](PhoneSimFixture&, CRawAdbHost& host, CPhoneSim& sim) {
       SRawPacket p;
       ASSERT_TRUE(host.Send(kOPEN, 1, 0, std::string(kAmStart) + '\0'));
       EXPECT_TRUE(host.WaitClosed(2000));
       EXPECT_TRUE(sim.Record().WaitFor(
           [&] {
             for (const auto& e : sim.Record().Events())
               if (e == "disconnected: fault") return true;
             return false;
           },
           2000));
       EXPECT_TRUE(Reconnects(host, sim));
       EXPECT_EQ(sim.Connections(), 2);
     }},
    {"drop after N bytes from the host",
     {"drop-after-rx=40"},
     [](PhoneSimFixture&, CRawAdbHost& host, CPhoneSim&) {
       // CNXN took 31 bytes; the OPEN reaches byte 40 inside its header.
       SRawPacket p;
       ASSERT_TRUE(host.Send(kOPEN, 1, 0, std::string("shell:ps\0", 9)));
       EXPECT_FALSE(host.Recv(&p, 500));
       EXPECT_TRUE(host.WaitClosed(2000));
     }},
    {"drop after N bytes to the host",
     {"drop-after-tx=30"},
     [](PhoneSimFixture&, CRawAdbHost&, CPhoneSim&) {}},  // checked by the handshake itself below
    {"bad magic",
     {"bad-magic@open:shell:ps"},
     [](PhoneSimFixture&, CRawAdbHost& host, CPhoneSim&) {
       SRawPacket p;
       ASSERT_TRUE(host.Send(kOPEN, 1, 0, std::string("shell:ps\0", 9)));
       ASSERT_TRUE(host.Recv(&p));
       EXPECT_NE(p.magic, ~p.cmd);
     }},
    {"header announcing 5000 bytes",
     {"oversize@open:shell:ps"},
     [](PhoneSimFixture&, CRawAdbHost& host, CPhoneSim&) {
       SRawPacket p;
       ASSERT_TRUE(host.Send(kOPEN, 1, 0, std::string("shell:ps\0", 9)));
       ASSERT_TRUE(host.RecvUntil(kWRTE, &p));
       EXPECT_EQ(p.len, 5000u);
       EXPECT_EQ(p.data.size(), 5000u);
     }},
    {"WRTE to a stale id",
     {"stale-wrte@open:shell:ps#2"},
     [](PhoneSimFixture& f, CRawAdbHost& host, CPhoneSim&) {
       EXPECT_NE(f.Shell_(31, "shell:ps"), "");
       SRawPacket p;
       ASSERT_TRUE(host.Send(kOPEN, 32, 0, std::string("shell:ps\0", 9)));
       ASSERT_TRUE(host.RecvUntil(kWRTE, &p));
       EXPECT_EQ(p.arg1, 31u);
       EXPECT_EQ(p.Text(), "stale");
     }},
    {"silent service",
     {"silent=shell:am start"},
     [](PhoneSimFixture& f, CRawAdbHost& host, CPhoneSim&) {
       SRawPacket p;
       ASSERT_TRUE(host.Send(kOPEN, 1, 0, std::string(kAmStart) + '\0'));
       EXPECT_FALSE(host.Recv(&p, 300));
       EXPECT_EQ(f.Shell_(2, "shell:getprop ro.build.version.sdk"), "23\r\n");
     }},
    {"a stream deaf to the host's close",
     {"deaf-close=tcp:9000"},
     [](PhoneSimFixture& f, CRawAdbHost& host, CPhoneSim& sim) {
       sim.Endpoints().Register(9000, [] { return std::make_shared<CEchoEndpoint>(); });
       SRawPacket okay, p;
       ASSERT_TRUE(host.Open(1, "tcp:9000", &okay));
       ASSERT_EQ(okay.cmd, kOKAY);
       ASSERT_TRUE(host.Send(kCLSE, 1, okay.arg0));
       // The stream still lives: it echoes what comes after the close.
       ASSERT_TRUE(host.Send(kWRTE, 1, okay.arg0, "after"));
       std::vector<SRawPacket> skipped;
       ASSERT_TRUE(host.RecvUntil(kWRTE, &p, 2000, &skipped));
       EXPECT_EQ(p.Text(), "after");
       for (const SRawPacket& s : skipped) EXPECT_NE(s.cmd, kCLSE);
       // Other services still answer their close.
       EXPECT_EQ(f.Shell_(2, "shell:getprop ro.build.version.sdk"), "23\r\n");
     }},
    {"slow delivery",
     {"slow=5:40"},
     [](PhoneSimFixture&, CRawAdbHost& host, CPhoneSim&) {
       // Five bytes, then 40 ms: the answer's first 50 bytes (OKAY, then the WRTE) take at
       // least nine of those pauses, however late the test reads them.
       const auto start = std::chrono::steady_clock::now();
       ASSERT_TRUE(host.Send(kOPEN, 1, 0, std::string("shell:getprop ro.build.version.sdk\0", 35)));
       size_t got = 0;
       while (got < 50) {
         std::vector<uint8_t> some = host.RecvSome(4096, 2000);
         ASSERT_FALSE(some.empty()) << "after " << got << " bytes";
         got += some.size();
       }
       EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(9 * 40));
     }},
    {"split delivery",
     {"split=7"},
     [](PhoneSimFixture& f, CRawAdbHost&, CPhoneSim&) {
       EXPECT_EQ(f.Shell_(1, "shell:getprop ro.build.version.sdk"), "23\r\n");
     }},
    {"unplug through the API, then re-plug",
     {},
     [](PhoneSimFixture&, CRawAdbHost& host, CPhoneSim& sim) {
       sim.Unplug();
       EXPECT_TRUE(host.WaitClosed(2000));
       EXPECT_TRUE(Reconnects(host, sim));
     }},
    // Long enough that the connection made at once below always falls inside it.
    {"re-plug waits out the unplugged time",
     {"drop@connected", "replug-delay=5000"},
     [](PhoneSimFixture&, CRawAdbHost& host, CPhoneSim& sim) {
       // The handshake below was cut at "connected"; a connection at once is refused.
       host.Close();
       ASSERT_TRUE(host.Connect(sim.Port()));
       EXPECT_TRUE(host.WaitClosed(1000));
       EXPECT_TRUE(sim.Record().WaitFor(
           [&] {
             for (const auto& e : sim.Record().Events())
               if (e == "connection refused while unplugged") return true;
             return false;
           },
           1000));
       // After the unplugged time the phone is back.
       bool back = false;
       for (int i = 0; i < 200 && !back; ++i) {
         back = Reconnects(host, sim);
         if (!back) usleep(100000);
       }
       EXPECT_TRUE(back);
     }},
};

class PhoneSimFaultTest : public PhoneSimFixture, public ::testing::WithParamInterface<SFaultCase> {};

TEST_P(PhoneSimFaultTest, DoesWhatItSays) {
  const SFaultCase& c = GetParam();
  m_options.m_Faults = c.faults;
  StartSim();
  ASSERT_TRUE(m_host.Connect(m_sim.Port()));
  SRawPacket answer;
  bool cut_tx = !c.faults.empty() && c.faults[0] == "drop-after-tx=30";
  bool cut_at_connected = !c.faults.empty() && c.faults[0] == "drop@connected";
  if (cut_tx) {
    // Only 30 of the CNXN answer's bytes arrive, then the cable is out.
    ASSERT_TRUE(m_host.Send(kCNXN, 0x01000000, 4096, std::string("host::\0", 7)));
    EXPECT_FALSE(m_host.Recv(&answer, 1000));
    EXPECT_TRUE(m_sim.Record().WaitFor(
        [&] {
          for (const auto& e : m_sim.Record().Events())
            if (e == "disconnected: drop-after-tx") return true;
          return false;
        },
        2000));
    EXPECT_EQ(m_sim.Record().Packets().back().m_bFromHost, false);
    return;
  }
  ASSERT_TRUE(m_host.Handshake(4096, &answer));
  ASSERT_EQ(answer.cmd, kCNXN);
  if (cut_at_connected) {
    EXPECT_TRUE(m_host.WaitClosed(2000));
  }
  c.check(*this, m_host, m_sim);
}

INSTANTIATE_TEST_SUITE_P(Faults, PhoneSimFaultTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<SFaultCase>& info) {
                           std::string n;
                           for (const char* p = info.param.name; *p; ++p)
                             n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                           return n;
                         });

// The lies a phone can tell in ADB packets. Each fires when the host writes on an echo stream:
// the lie is the first packet after that WRTE, and then the phone goes on (the OKAY and the
// echo follow). The words are read byte by byte by the raw host, never by the phone's codec.
uint32_t ByteSum(const std::string& s) {
  uint32_t sum = 0;
  for (unsigned char c : s) sum += c;
  return sum;
}

enum class EIds { Stream, Unopened, Connect };

struct SLieCase {
  const char* rule;
  uint32_t cmd;
  // The echo stream's ids; a device id never given with host id 2, never opened; or a CNXN's
  // version 0x01000000 and the phone's maximum, 262144 by default.
  EIds ids;
  std::string payload;
  uint32_t check_extra;  // added to the payload's byte sum in the check word
};

// The phone anew with one lie planned, online with a host that announced 4096 bytes, and the
// host's stream 1 open to an echo endpoint on tcp:9000 (*okay: the phone's answer).
class AdbLieTest : public PhoneSimFixture {
 protected:
  void OpenEchoUnder(const std::string& rule, SRawPacket* okay) {
    m_host.Close();
    m_sim.Stop();
    m_options.m_Faults = {rule};
    StartSim();
    m_sim.Endpoints().Register(9000, [] { return std::make_shared<CEchoEndpoint>(); });
    ConnectOnline(4096);
    ASSERT_TRUE(m_host.Open(1, "tcp:9000", okay));
    ASSERT_EQ(okay->cmd, kOKAY);
  }
};

TEST_F(AdbLieTest, AdbLiesComeOnceAndThePhoneGoesOn) {
  const std::string banner_start = "device::";
  const SLieCase cases[] = {
      // The host's CNXN announced 4096: one byte more than may come.
      {"over-max@wrte:tcp:9000", kWRTE, EIds::Stream, std::string(4097, 'M'), 0},
      {"bad-check@wrte:tcp:9000", kWRTE, EIds::Stream, "check", 1},
      {"bad-command@wrte:tcp:9000", 0x58585858, EIds::Stream, "", 0},
      {"unopened-wrte@wrte:tcp:9000", kWRTE, EIds::Unopened, "unopened", 0},
      {"unopened-okay@wrte:tcp:9000", kOKAY, EIds::Unopened, "", 0},
      {"second-cnxn@wrte:tcp:9000", kCNXN, EIds::Connect, "", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rule);
    SRawPacket okay, lie, p;
    ASSERT_NO_FATAL_FAILURE(OpenEchoUnder(c.rule, &okay));
    ASSERT_TRUE(m_host.Send(kWRTE, 1, okay.arg0, "ping"));
    ASSERT_TRUE(m_host.Recv(&lie));
    EXPECT_EQ(lie.cmd, c.cmd);
    EXPECT_EQ(lie.magic, ~c.cmd);
    if (c.ids == EIds::Stream) {
      EXPECT_EQ(lie.arg0, okay.arg0);
      EXPECT_EQ(lie.arg1, 1u);
    } else if (c.ids == EIds::Unopened) {
      EXPECT_NE(lie.arg0, okay.arg0);
      EXPECT_NE(lie.arg0, 0u);
      EXPECT_EQ(lie.arg1, 2u);
    } else {
      EXPECT_EQ(lie.arg0, 0x01000000u);
      EXPECT_EQ(lie.arg1, 262144u);
    }
    if (c.cmd == kCNXN) {
      // The same CNXN as the first, with the phone's banner.
      EXPECT_EQ(lie.Text().compare(0, banner_start.size(), banner_start), 0) << lie.Text();
    } else {
      EXPECT_EQ(lie.len, c.payload.size());
      EXPECT_EQ(lie.Text(), c.payload);
    }
    EXPECT_EQ(lie.check, ByteSum(lie.Text()) + c.check_extra);
    // The phone goes on: the WRTE is acknowledged and echoed.
    ASSERT_TRUE(m_host.Recv(&p));
    EXPECT_EQ(p.cmd, kOKAY);
    ASSERT_TRUE(m_host.RecvUntil(kWRTE, &p));
    EXPECT_EQ(p.Text(), "ping");
    std::vector<std::string> events = m_sim.Record().Events();
    EXPECT_NE(std::find(events.begin(), events.end(), std::string("fault ") + c.rule + " at wrte:tcp:9000"),
              events.end());
  }
}

// A header that announces more than follows: the host's reader is mid-packet for good, so the
// phone says nothing more on the connection and leaves it open.
TEST_F(AdbLieTest, AdbLiesThatCutAPacketLeaveTheConnectionOpenAndSilent) {
  const struct {
    const char* rule;
    std::vector<uint8_t> length;  // little-endian
    std::string body;             // what follows the header
  } cases[] = {
      {"cut-short@wrte:tcp:9000", {100, 0, 0, 0}, std::string(50, 'C')},
      {"cut-short=9@wrte:tcp:9000", {9, 0, 0, 0}, std::string(4, 'C')},
      {"huge-length@wrte:tcp:9000", {0xFF, 0xFF, 0xFF, 0x7F}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rule);
    SRawPacket okay;
    ASSERT_NO_FATAL_FAILURE(OpenEchoUnder(c.rule, &okay));
    ASSERT_TRUE(m_host.Send(kWRTE, 1, okay.arg0, "ping"));
    std::vector<uint8_t> got;
    while (got.size() < 24 + c.body.size()) {
      std::vector<uint8_t> some = m_host.RecvSome(4096, 2000);
      ASSERT_FALSE(some.empty()) << "after " << got.size() << " bytes";
      got.insert(got.end(), some.begin(), some.end());
    }
    ASSERT_EQ(got.size(), 24 + c.body.size());
    EXPECT_EQ(std::vector<uint8_t>(got.begin(), got.begin() + 4), (std::vector<uint8_t>{'W', 'R', 'T', 'E'}));
    EXPECT_EQ(got[4], okay.arg0 & 0xFF);
    EXPECT_EQ(got[8], 1);
    EXPECT_EQ(std::vector<uint8_t>(got.begin() + 12, got.begin() + 16), c.length);
    // The magic of WRTE, 0xBAABADA8.
    EXPECT_EQ(std::vector<uint8_t>(got.begin() + 20, got.begin() + 24),
              (std::vector<uint8_t>{0xA8, 0xAD, 0xAB, 0xBA}));
    EXPECT_EQ(std::string(got.begin() + 24, got.end()), c.body);
    // The OKAY of the host's WRTE is held back, and once the phone has said so no byte came.
    ASSERT_TRUE(m_sim.Record().WaitFor(
        [&] {
          for (const auto& e : m_sim.Record().Events())
            if (e == "muted: OKAY not sent") return true;
          return false;
        },
        2000));
    EXPECT_TRUE(m_host.RecvSome(1, 0).empty());
    EXPECT_TRUE(m_sim.Online());
  }
}

// With authentication on, a token of a lying length comes before the real one of 20 bytes.
TEST_F(PhoneSimFixture, AdbLiesInTheAuthTokenComeBeforeTheRealToken) {
  const struct {
    const char* rule;
    size_t length;
  } cases[] = {{"auth-token=0@cnxn", 0}, {"auth-token=65536@cnxn", 65536}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rule);
    m_host.Close();
    m_sim.Stop();
    m_options.m_bAuth = true;
    m_options.m_Faults = {c.rule};
    StartSim();
    ASSERT_TRUE(m_host.Connect(m_sim.Port()));
    SRawPacket lie, token;
    ASSERT_TRUE(m_host.Handshake(4096, &lie));
    EXPECT_EQ(lie.cmd, kAUTH);
    EXPECT_EQ(lie.arg0, 1u);  // a token
    EXPECT_EQ(lie.len, c.length);
    EXPECT_EQ(lie.Text(), std::string(c.length, 'T'));
    ASSERT_TRUE(m_host.Recv(&token));
    EXPECT_EQ(token.cmd, kAUTH);
    EXPECT_EQ(token.arg0, 1u);
    EXPECT_EQ(token.len, 20u);
  }
}

TEST_F(PhoneSimFixture, FaultTextsAreCheckedWhenAdded) {
  struct {
    const char* rule;
    bool ok;
  } cases[] = {
      {"drop@cnxn", true},
      {"drop@sync:DATA#3", true},
      {"drop-after-rx=100", true},
      {"slow=10:5", true},
      {"stale-wrte=7@open:", true},
      {"drop", false},
      {"drop-after-rx=x", false},
      {"silent", false},
      {"deaf-close=tcp:", true},
      {"deaf-close", false},
      {"deaf-close=tcp:@cnxn", false},
      {"slow=10", false},
      {"explode@cnxn", false},
      {"split=0", false},
      {"drop@cnxn#0", false},
      {"auth-token=0@cnxn", true},
      {"auth-token@cnxn", false},
      {"auth-token=2000000@cnxn", false},
      {"cut-short=1@connected", false},
      {"cut-short@connected", true},
      {"huge-length=5@connected", false},
      {"over-max", false},
  };
  for (const auto& c : cases) EXPECT_EQ(m_sim.AddFault(c.rule), c.ok) << c.rule;
}

}  // namespace
