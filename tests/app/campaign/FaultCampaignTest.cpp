// The fault campaign: one long-lived head unit program against the simulated phone, with faults
// (unplug, app death, bad packets, stalls) injected at seeded random moments, during projection
// and part-way through connections. After every point the program must project again, on its own
// or after a re-plug; at the end it must quit in order, and its connect counter and error lines
// must agree with what the phone saw. It runs against corvane-engine and against CECorvane, whose
// screen must end in the state the last fault calls for.
//
// CORVANE_CAMPAIGN_SEED and CORVANE_CAMPAIGN_POINTS choose the run; a failure prints both so the
// run can be replayed.
#include "tests/app/EngineSimE2E.h"
#include "tests/app/program/ProgramSimE2E.h"

#include "phonesim/app/CAppProtocol.h"
#include "phonesim_pb/CorvaneConStatisticProto.pb.h"
#include "phonesim_pb/CorvaneStatisticsInfoProto.pb.h"

#include <iconv.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

namespace fs = std::filesystem;

namespace {

using e2e::Clock;
using e2e::MsLeft;
using e2e::ReadText;

constexpr uint32_t kTouchType = 0x00068001;
const char kProgress100[] = "msg CORVAN_WM_CONNECT_STEP 0 100";
const char kShown[] = "msg NMSG_CORVANE_GET_VIDEO_DATA 0 0";
const char kAppMissing[] = "msg CORVAN_WM_MSG 0 2";

// Upper bounds of the waits; a reconnection takes a few seconds (the USB backend retries every
// second, the sequencer sleeps and waits for answers), so these leave a wide margin.
constexpr int kReconnectMs = 40000;
constexpr int kProbeMs = 4000;

uint32_t EnvNumber(const char* name, uint32_t fallback) {
  const char* v = std::getenv(name);
  if (v == nullptr || *v == '\0') return fallback;
  return static_cast<uint32_t>(std::strtoul(v, nullptr, 0));
}

// The error lines the head unit may add, as the phone receives them: UTF-8 without the CR LF.
const std::set<std::string>& KnownErrorTexts() {
  static const std::set<std::string> texts = {"连接中手动断开 ",   "VTSC 启动失败 ", "ADB Forward 失败 ",
                                              "手机端未安装程序 ", "授权失败 ",      "无视频数据 "};
  return texts;
}

// UTF-8 to the head unit's ANSI code page (GBK), through the C library's converter.
std::string ToGbk(const std::string& utf8) {
  iconv_t cd = iconv_open("GBK", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string();
  std::string in = utf8;
  std::string out(in.size() * 2 + 8, '\0');
  char* src = in.data();
  size_t srcLeft = in.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1)) return std::string();
  out.resize(out.size() - dstLeft);
  return out;
}

struct SPoint {
  int m_nIndex = 0;
  bool m_bMidConnection = false;  // injected part-way through a connection started by an unplug
  int m_nDelayMs = 0;             // after the point's start (or after the unplug)
  std::string m_strKind;          // "unplug", "app-death", "bad:...", "stall:..."
  int m_nStallMs = 0;

  std::string Text() const {
    std::ostringstream s;
    s << "point " << m_nIndex << " " << m_strKind << (m_bMidConnection ? " mid-connection" : " projecting")
      << " at +" << m_nDelayMs << " ms";
    if (m_nStallMs > 0) s << " for " << m_nStallMs << " ms";
    return s.str();
  }
};

// The program under test is the fixture's: the engine's (corvane-engine) or the real program's
// (CECorvane, whose screen is also looked at). The real program's campaign in the suite is shorter.
template <class Fixture>
class FaultCampaign : public Fixture {
 protected:
  static constexpr bool kRealProgram = std::is_base_of_v<e2e::ProgramE2E, Fixture>;

  using Fixture::Count;
  using Fixture::EngineLog;
  using Fixture::m_Dir;
  using Fixture::m_Engine;
  using Fixture::m_EngineErr;
  using Fixture::m_Lines;
  using Fixture::m_Root;
  using Fixture::m_Sim;
  using Fixture::m_State;
  using Fixture::Quit;
  using Fixture::ReadFor;
  using Fixture::StartEngine;
  using Fixture::StartSim;
  using Fixture::WaitForEngineLog;

  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(Fixture::SetUp());
    m_nSeed = EnvNumber("CORVANE_CAMPAIGN_SEED", 20240611);
    m_nPoints = static_cast<int>(EnvNumber("CORVANE_CAMPAIGN_POINTS", kRealProgram ? 4 : 8));
    m_Rng.seed(m_nSeed);
    std::printf("campaign: %s, seed %u, %d points, root %s\n", kRealProgram ? "CECorvane" : "corvane-engine",
                m_nSeed, m_nPoints, m_Root.c_str());
    std::fflush(stdout);
    m_EngineErr = m_Root / "engine.err";
  }

  void TearDown() override {
    if (this->HasFailure()) {
      std::fprintf(stderr, "campaign: replay with CORVANE_CAMPAIGN_SEED=%u CORVANE_CAMPAIGN_POINTS=%d\n",
                   m_nSeed, m_nPoints);
      std::fprintf(stderr, "campaign: engine log %s, phone log %s\n", m_EngineErr.c_str(),
                   (m_State / "phonesim.log").c_str());
    }
    Fixture::TearDown();
  }

  int Rand(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_Rng); }

  // Reads the engine's output until `wanted` is among the lines from index `from` on.
  bool ReadUntilAfter(size_t from, const std::string& wanted, int ms) {
    for (size_t i = from; i < m_Lines.size(); ++i) {
      if (m_Lines[i] == wanted) return true;
    }
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    std::string line;
    while (MsLeft(end) > 0) {
      if (!m_Engine.ReadLine(&line, std::min(MsLeft(end), 200))) {
        if (!EngineRunning()) return false;
        continue;
      }
      m_Lines.push_back(line);
      if (line == wanted) return true;
    }
    return false;
  }

  // Keeps reading the engine's output while waiting, so that its pipe never fills.
  void Pause(int ms) { ReadFor(ms); }

  bool EngineRunning() {
    if (!m_Engine.Running()) return false;
    int status = m_Engine.Wait(0);
    if (status >= 0) {
      m_nEngineStatus = status;
      return false;
    }
    return true;
  }

  // The projection works: pictures reach the head unit and a touch reaches the phone's app.
  bool Projecting() {
    const size_t pictures = m_Sim.App().Pictures().size();
    const auto end = Clock::now() + std::chrono::milliseconds(kProbeMs);
    ++m_nProbe;
    const int x = 10 + static_cast<int>(m_nProbe % 700);
    const int y = 10 + static_cast<int>((m_nProbe / 700) % 400);
    const std::string seen = "action: 1 x: " + std::to_string(x) + " y: " + std::to_string(y);
    while (MsLeft(end) > 0 && EngineRunning()) {
      m_Engine.Write("touch down " + std::to_string(x) + " " + std::to_string(y) + "\ntouch up " +
                     std::to_string(x) + " " + std::to_string(y) + "\n");
      Pause(300);
      bool touched = false;
      for (const phonesim::SAppRxRecord& r : m_Sim.App().Received(kTouchType)) {
        if (r.m_strText == seen) touched = true;
      }
      if (touched && m_Sim.App().Pictures().size() > pictures) return true;
    }
    return false;
  }

  // A re-plug and a whole connection: progress 100 and a shown picture after it.
  bool Replug() {
    const size_t mark = m_Lines.size();
    m_Sim.Unplug();
    if (!ReadUntilAfter(mark, kProgress100, kReconnectMs)) return false;
    const size_t at100 = m_Lines.size();
    return ReadUntilAfter(at100 - 1, kShown, kReconnectMs);
  }

  // After a point: the engine projects on its own, or after the user's re-plug.
  void Recover(const SPoint& point) {
    m_Sim.ClearFaults();
    m_Sim.App().ClearFaults();
    ASSERT_TRUE(EngineRunning()) << point.Text() << ": the engine ended with status " << m_nEngineStatus;
    if (Projecting()) {
      ++m_nInPlace;
      return;
    }
    ++m_nReplugged;
    ASSERT_TRUE(Replug()) << point.Text() << ": no new connection within " << kReconnectMs << " ms";
    ASSERT_TRUE(Projecting()) << point.Text() << ": connected again but no pictures and touches";
  }

  SPoint NextPoint(int index) {
    SPoint p;
    p.m_nIndex = index;
    p.m_bMidConnection = Rand(0, 1) == 1;
    // A connection takes about three seconds from the unplug; the projecting case lands anywhere
    // in the pictures' first second and a half.
    p.m_nDelayMs = p.m_bMidConnection ? Rand(0, 3500) : Rand(0, 1500);
    static const std::vector<std::string> bad = {"bad:adb=bad-magic@wrte:tcp:8240",
                                                 "bad:adb=bad-magic@wrte:tcp:7240",
                                                 "bad:adb=oversize@wrte:tcp:8240",
                                                 "bad:adb=oversize@wrte:tcp:7240",
                                                 "bad:adb=stale-wrte@wrte:tcp:8240",
                                                 "bad:adb=bad-magic@wrte:shell",
                                                 "bad:app=unknown=0/0x00010099:16",
                                                 "bad:app=unknown=1/0x00020077:64",
                                                 "bad:app=oversize=0",
                                                 "bad:app=oversize=1",
                                                 "bad:app=oversize=2"};
    static const std::vector<std::string> stall = {
        "stall:slow=512:15", "stall:silent=tcp:", "stall:silent=shell", "stall:background", "stall:fps=1"};
    switch (Rand(0, 3)) {
      case 0:
        p.m_strKind = Rand(0, 1) == 0 ? "unplug" : "unplug:drop@open:tcp:";
        break;
      case 1:
        p.m_strKind = "app-death";
        break;
      case 2:
        p.m_strKind = bad[static_cast<size_t>(Rand(0, static_cast<int>(bad.size()) - 1))];
        break;
      default:
        p.m_strKind = stall[static_cast<size_t>(Rand(0, static_cast<int>(stall.size()) - 1))];
        p.m_nStallMs = Rand(200, 2500);
        break;
    }
    return p;
  }

  void Inject(const SPoint& p) {
    std::string error;
    const std::string& k = p.m_strKind;
    if (k == "unplug") {
      m_Sim.Unplug();
    } else if (k.rfind("unplug:", 0) == 0) {
      ASSERT_TRUE(m_Sim.AddFault(k.substr(7), &error)) << error;
    } else if (k == "app-death") {
      m_Sim.App().Die();
    } else if (k.rfind("bad:adb=", 0) == 0) {
      ASSERT_TRUE(m_Sim.AddFault(k.substr(8), &error)) << error;
    } else if (k.rfind("bad:app=", 0) == 0) {
      ASSERT_TRUE(m_Sim.App().Inject(k.substr(8), &error)) << error;
    } else if (k == "stall:background") {
      ASSERT_TRUE(m_Sim.App().Inject("background", &error)) << error;
      Pause(p.m_nStallMs);
      ASSERT_TRUE(m_Sim.App().Inject("foreground", &error)) << error;
    } else if (k == "stall:fps=1") {
      const int fps = m_Sim.App().FrameRate();
      m_Sim.App().SetFps(1);
      Pause(p.m_nStallMs);
      m_Sim.App().SetFps(fps > 0 ? fps : 0);
    } else if (k.rfind("stall:", 0) == 0) {
      ASSERT_TRUE(m_Sim.AddFault(k.substr(6), &error)) << error;
      Pause(p.m_nStallMs);
      m_Sim.ClearFaults();
    } else {
      FAIL() << "unknown kind " << k;
    }
  }

  // What the phone was told about the connect counter: each report's totals agree with the
  // statistics information of its own attempt, and every error line is one the head unit knows.
  void CheckReports() {
    std::vector<phonesim::SAppRxRecord> infos = m_Sim.App().Received(phonesim::HUMSG_STATISTICS);
    std::vector<phonesim::SAppRxRecord> reports = m_Sim.App().Received(phonesim::HUMSG_CONNECT_STATISTICS);
    EXPECT_FALSE(reports.empty());
    for (const phonesim::SAppRxRecord& r : reports) {
      phonesim::pb::CorvaneConnectStatistics report;
      ASSERT_TRUE(report.ParseFromArray(r.m_Payload.data(), static_cast<int>(r.m_Payload.size())))
          << r.m_strText;
      const phonesim::SAppRxRecord* info = nullptr;
      for (const phonesim::SAppRxRecord& i : infos) {
        if (i.m_nTimeUs <= r.m_nTimeUs) info = &i;
      }
      ASSERT_NE(info, nullptr) << "a report before any statistics information: " << r.m_strText;
      phonesim::pb::CorvaneStatisticsInfo stats;
      ASSERT_TRUE(stats.ParseFromArray(info->m_Payload.data(), static_cast<int>(info->m_Payload.size())))
          << info->m_strText;
      // No lower bound on connectCount: when the phone is re-plugged within 600 ms of progress 100,
      // the earlier connection's statistics timer resets the counter after the new attempt woke,
      // and that attempt then rightly reports 0.
      EXPECT_EQ(report.contotal(), stats.connectcount()) << r.m_strText << " after " << info->m_strText;
      EXPECT_EQ(report.consuccess(), 1) << r.m_strText;
      EXPECT_EQ(report.confailed(), report.contotal() - 1) << r.m_strText;
      int lines = 0;
      for (const std::string& e : report.error_type()) {
        if (e == " " && report.nerrorcount() == 0) continue;  // the placeholder of a report without lines
        EXPECT_EQ(KnownErrorTexts().count(e), 1u) << "unknown error line \"" << e << "\" in " << r.m_strText;
        ++lines;
      }
      EXPECT_EQ(report.nerrorcount(), lines) << r.m_strText;
    }
  }

  // The screen shows the state container `container` and no other dialog than the connection
  // screen.
  void ExpectScreen(const std::string& container) {
    e2e::SLayers screen;
    const bool shown = this->WaitForLayers(
        [&](const e2e::SLayers& l) {
          return l.Shown(container) && l.Dialogs() == std::vector<std::string>{"CMainDlg"};
        },
        kProbeMs, &screen);
    std::string seen;
    for (const e2e::SLayer& l : screen.m_Layers) seen += " " + l.m_strName;
    EXPECT_TRUE(shown) << "the screen does not show " << container << ":" << seen;
  }

  void Run() {
    ASSERT_NO_FATAL_FAILURE(StartSim());
    ASSERT_NO_FATAL_FAILURE(StartEngine());
    ASSERT_TRUE(ReadUntilAfter(0, kProgress100, kReconnectMs)) << "no first connection";
    ASSERT_TRUE(ReadUntilAfter(0, kShown, kReconnectMs)) << "no first picture";
    ASSERT_TRUE(Projecting()) << "the first connection does not project";

    for (int i = 0; i < m_nPoints; ++i) {
      const SPoint point = NextPoint(i);
      SCOPED_TRACE(point.Text());
      if (point.m_bMidConnection) m_Sim.Unplug();
      Pause(point.m_nDelayMs);
      ASSERT_NO_FATAL_FAILURE(Inject(point));
      // Let the fault play out before looking.
      Pause(1000);
      const int replugged = m_nReplugged;
      ASSERT_NO_FATAL_FAILURE(Recover(point));
      std::printf("campaign: %s: %s\n", point.Text().c_str(),
                  m_nReplugged > replugged ? "re-plugged" : "recovered");
      std::fflush(stdout);
    }

    // A fresh connection whose report reaches the phone: from then on the counter restarts.
    const size_t reportsBefore = m_Sim.App().Received(phonesim::HUMSG_CONNECT_STATISTICS).size();
    ASSERT_TRUE(Replug()) << "no final connection";
    ASSERT_TRUE(m_Sim.App().WaitFor(
        [&] { return m_Sim.App().Received(phonesim::HUMSG_CONNECT_STATISTICS).size() > reportsBefore; },
        10000))
        << "the final connection's statistics never reached the phone";

    // Then attempts that end at once because the phone app is missing: each counts one attempt and
    // adds one error line.
    m_Sim.Shell().SetAppInstalled(phonesim::APP_PACKAGE, false);
    const size_t logMark = EngineLog().size();
    const int missing = Rand(0, 3);
    for (int k = 0; k < missing; ++k) {
      const size_t mark = m_Lines.size();
      m_Sim.Unplug();
      ASSERT_TRUE(ReadUntilAfter(mark, kAppMissing, kReconnectMs))
          << "attempt " << k << " with the app missing";
    }
    // The sequencer counts an ended attempt when it comes round to wait for the next one, and logs
    // the count there: the last attempt is counted once its count shows.
    if (missing > 0) {
      const std::string counted = "g_nConnectCount " + std::to_string(missing + 1) + "  ";
      const size_t before = e2e::Occurrences(EngineLog().substr(0, logMark), counted);
      ASSERT_TRUE(WaitForEngineLog(counted, before + 1, kProbeMs)) << "the last attempt was not counted";
    }

    ASSERT_TRUE(EngineRunning()) << "the engine ended with status " << m_nEngineStatus;
    if constexpr (kRealProgram) {
      // The last fault decides the screen: the app missing on the phone, or the projection.
      ASSERT_NO_FATAL_FAILURE(ExpectScreen(missing > 0 ? "container_NotExist" : "corvane_video"));
    }
    EXPECT_EQ(Quit(), 0) << "quit did not end the engine in order within " << e2e::kQuitMs << " ms (and "
                         << e2e::kLoadSlackMs << " ms for the load)";

    CheckReports();

    // After the report the counter was 0 and marked as sent; the first later wake-up adds that mark
    // back, and every ended attempt adds one: none leaves 0, k attempts leave k + 1.
    const int expectedCount = missing == 0 ? 0 : missing + 1;
    const std::string expectedConnect = std::to_string(expectedCount) + std::string(1, '\0');
    EXPECT_EQ(ReadText(m_Dir / "Connect.log"), expectedConnect)
        << missing << " attempts with the app missing";
    std::string expectedErrors;
    for (int k = 0; k < missing; ++k) expectedErrors += ToGbk("手机端未安装程序 \r\n");
    EXPECT_EQ(ReadText(m_Dir / "Error.log"), expectedErrors);

    std::printf("campaign: seed %u, %d points: %d recovered in place, %d after a re-plug; %zu connections\n",
                m_nSeed, m_nPoints, m_nInPlace, m_nReplugged, Count(kProgress100));
  }

  std::mt19937 m_Rng;
  uint32_t m_nSeed = 0;
  int m_nPoints = 0;
  int m_nEngineStatus = -1;
  uint32_t m_nProbe = 0;
  int m_nInPlace = 0;
  int m_nReplugged = 0;
};

// Named by the program, so that a campaign of one of them can be chosen (tools/campaign.sh).
using EngineCampaign = FaultCampaign<e2e::EngineSimE2E>;
using ProgramCampaign = FaultCampaign<e2e::ProgramSimE2E>;

TEST_F(EngineCampaign, RecoversFromEveryFaultAndKeepsItsCountersConsistent) {
  Run();
}

TEST_F(ProgramCampaign, RecoversFromEveryFaultKeepsItsCountersConsistentAndShowsTheLastState) {
  Run();
}

}  // namespace
