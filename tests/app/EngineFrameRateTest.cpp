// The frame-rate loop, the missing version and encoder answers, and the first helper by Android
// level, end to end: corvane-engine against phonesim. The frame-rate request is written here from
// the wire format: command header 00 02 00 00 00 01 80 0C, then CorvaneVideoFrameRate {frameRate}
// = 08 RATE; a command's header and payload go out as two writes on the command stream.
#include "tests/app/EngineE2E.h"

#include <turbojpeg.h>

#include <fstream>
#include <ostream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using e2e::CmdHeader;
using e2e::EngineE2E;
using e2e::Occurrences;
using e2e::SPhoneLog;
using Bytes = std::vector<uint8_t>;

const char kConnected[] = "msg CORVAN_WM_CONNECT_STEP 0 100";
const char kShown[] = "msg NMSG_CORVANE_GET_VIDEO_DATA 0 0";
const char kAskThree[] = "msg INNER_MSG_FRAME_RATE_CHANGE 0 3";
const char kAskTen[] = "msg INNER_MSG_FRAME_RATE_CHANGE 0 10";
const char kForeground[] = "msg MESSAGE_CMD_REV 0 65563";

// Whether the head unit wrote the command's header and then its payload on the command stream.
bool WroteCommand(const SPhoneLog& log, uint32_t type, const Bytes& payload) {
  uint32_t host = 0;
  for (const auto& o : log.m_Opens) {
    if (o.m_strService == "tcp:7240") host = o.m_nHostId;
  }
  const Bytes header = CmdHeader(type, payload.size());
  bool afterHeader = false;
  for (const auto& p : log.m_Packets) {
    if (!p.m_bFromHost || p.m_strCommand != "WRTE" || p.m_nArg0 != host || p.m_bTruncated) continue;
    if (afterHeader && p.m_Payload == payload) return true;
    afterHeader = p.m_Payload == header;
  }
  return false;
}

// The frame-rate requests the phone received, as their rates.
std::vector<int> RequestedRates(const SPhoneLog& log) {
  std::vector<int> rates;
  for (const auto& r : log.Rx(0x0001800C, 0)) rates.push_back(r.m_Payload.size() == 2 ? r.m_Payload[1] : -1);
  return rates;
}

class EngineFrameRate : public EngineE2E {
 protected:
  void SetUp() override {
    EngineE2E::SetUp();
    m_EngineErr = m_Root / "engine.log";
  }

  // Starts both with the engine's clock held from before its video thread's first wait (the
  // thread starts parked when asked early, once the connection has begun), so that no wait of it
  // lasts on the engine's clock more than what the test moves the clock by: a loaded machine
  // makes no gap. The clock runs again before the quit, whose own waits read it.
  void StartOnHeldClock(const std::vector<std::string>& phoneOptions,
                        const std::vector<std::string>& engineOptions = {}) {
    ASSERT_NO_FATAL_FAILURE(StartPhone(phoneOptions));
    ASSERT_NO_FATAL_FAILURE(StartEngine(engineOptions));
    ASSERT_TRUE(HoldVideo()) << "the video thread never started";
    ASSERT_TRUE(HoldClock());
    ASSERT_TRUE(ReleaseVideo());
  }

  int QuitOnRunningClock() { return RunClock() ? Quit() : -1; }
};

// ---- the backlog: more than 256 KiB waiting in the video buffer ----

// The picture's side, and the head unit's screen: a picture of the announced size goes out as it
// is, while one of another size is scaled and encoded again by the phone first, a long gap in
// which no heartbeat goes out either, and the head unit rightly asks for 10 frames a second.
const int kPictureSide = 3584;
// The engine's backlog limit.
const uint32_t kBacklogLimit = 262144;

// A picture of about 200 KiB (a smooth gradient at quality 5): the receiver holds one, one alone
// (with the heartbeats of the second before the next) never is a backlog, and two are. So a
// backlog comes only from a hold, never from a picture that arrived whole before its header was
// read.
void WriteLargePicture(const fs::path& file) {
  const int w = kPictureSide, h = kPictureSide;
  std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
      p[0] = static_cast<uint8_t>(x * 255 / w);
      p[1] = static_cast<uint8_t>(y * 255 / h);
      p[2] = 128;
    }
  }
  tjhandle t = tjInitCompress();
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  ASSERT_EQ(tjCompress2(t, rgb.data(), w, 0, h, TJPF_RGB, &jpeg, &size, TJSAMP_420, 5, 0), 0);
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(jpeg), static_cast<std::streamsize>(size));
  tjFree(jpeg);
  tjDestroy(t);
  // Held by the receiver (at most 614400 bytes); a second's heartbeats (12 bytes each, ten a
  // second) and more leave one under the backlog limit, and two are over it.
  ASSERT_LT(size, 614400u);
  ASSERT_LT(size + 4096, kBacklogLimit);
  ASSERT_GT(size * 2, kBacklogLimit);
}

const char kFlushed[] = "!!!!!!!  Picture FlushData  len= ";

struct SBacklog {
  const char* m_pszName;
  // App injections. The phone's rate report (its answer to a request, or one of its own) is
  // followed by a foreground report: the head unit reads its command channel in order, so once it
  // shows the second foreground it knows the rate.
  std::vector<std::string> m_Injections;
  bool m_bAsksForThree;
};

void PrintTo(const SBacklog& s, std::ostream* os) {
  *os << s.m_pszName;
}

class EngineBacklog : public EngineFrameRate, public ::testing::WithParamInterface<SBacklog> {
 protected:
  // Holds the video receive thread while two whole pictures pile up behind it, then lets it go
  // and waits until it dropped them: the backlog is made here, not hoped for from a slow decode.
  void Backlog(int round) {
    ASSERT_TRUE(HoldVideo());
    // Held, the thread drops nothing: every drop so far came from an earlier hold.
    ASSERT_EQ(Occurrences(EngineLog(), kFlushed), static_cast<size_t>(round - 1)) << EngineLog();
    // A picture already recorded may have been read in part before the hold, and so may the next
    // one, whose first bytes can go out before it is recorded; the two after it come whole.
    const SPhoneLog now = Log();
    ASSERT_FALSE(now.m_Pictures.empty());
    const uint32_t last = now.m_Pictures.back().m_nFrame + 3;
    ASSERT_TRUE(WaitForLog([&](const SPhoneLog& l) { return e2e::PictureInRing(l, last); }, 30000))
        << "picture " << last << " never reached the head unit";
    ASSERT_TRUE(ReleaseVideo());
    ASSERT_TRUE(WaitForEngineLog(kFlushed, static_cast<size_t>(round), 30000)) << EngineLog();
    // The broadcast of a request was written before the flush's log line.
    ReadAvailable();
  }
};

TEST_P(EngineBacklog, DropsTheBacklogAndAsksForThreeOnlyWhileThePhoneIsNotAtThree) {
  const SBacklog& s = GetParam();
  fs::create_directories(m_Root / "pictures");
  ASSERT_NO_FATAL_FAILURE(WriteLargePicture(m_Root / "pictures" / "large.jpg"));
  // One picture a second; heartbeats fill the gaps between them.
  std::vector<std::string> phone = {"--pictures", (m_Root / "pictures").string(), "--fps", "1"};
  for (const std::string& f : s.m_Injections) {
    phone.push_back("--app-fault");
    phone.push_back(f);
  }
  ASSERT_NO_FATAL_FAILURE(StartOnHeldClock(
      phone, {"--screen", std::to_string(kPictureSide) + "x" + std::to_string(kPictureSide)}));
  ASSERT_TRUE(ReadUntil(kConnected, 20000));
  ASSERT_TRUE(ReadUntil(kForeground, 20000));
  if (!s.m_bAsksForThree) {
    ASSERT_TRUE(ReadUntilCount(kForeground, 2, 20000)) << "the phone's report of 3 was not read";
  }

  ASSERT_NO_FATAL_FAILURE(Backlog(1));
  if (s.m_bAsksForThree) {
    EXPECT_EQ(Count(kAskThree), 1u);
    // The phone answers 3; the head unit has read the answer once the foreground after it shows.
    ASSERT_TRUE(ReadUntilCount(kForeground, 2, 20000)) << "the phone's answer of 3 was not read";
  } else {
    EXPECT_EQ(Count(kAskThree), 0u);
  }
  // A second backlog with the phone at 3: dropped without asking.
  ASSERT_NO_FATAL_FAILURE(Backlog(2));
  EXPECT_EQ(Count(kAskThree), s.m_bAsksForThree ? 1u : 0u);
  EXPECT_NE(EngineLog().find("!!!!!!! FlushData End  circle="), std::string::npos);
  EXPECT_EQ(Occurrences(EngineLog(), "!!!!!!!  Picture FlushData Start \n"), 2u);
  // A backlog is no long wait for video data: no request for 10.
  EXPECT_EQ(Count(kAskTen), 0u);
  EXPECT_EQ(QuitOnRunningClock(), 0);

  const SPhoneLog phoneLog = Log();
  if (s.m_bAsksForThree) {
    EXPECT_EQ(RequestedRates(phoneLog), std::vector<int>{3});
    EXPECT_TRUE(WroteCommand(phoneLog, 0x0001800C, {0x08, 0x03}));
    EXPECT_EQ(phoneLog.CountEvent("app tx ch0 0x0001000D len 2 frameRate: 3"), 1u);
  } else {
    EXPECT_TRUE(RequestedRates(phoneLog).empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Backlog, EngineBacklog,
    ::testing::Values(
        SBacklog{"PhoneAtItsOwnRate", {"foreground@rate"}, true},
        // 300 KiB and more waiting with the phone's rate at 3: dropped, not asked.
        SBacklog{"PhoneReportedThree", {"frame-rate-report=3@foreground", "foreground@foreground"}, false}),
    [](const ::testing::TestParamInfo<SBacklog>& i) { return std::string(i.param.m_pszName); });

// ---- a wait for video data of more than 210 ms on the engine's clock ----

struct SGap {
  const char* m_pszName;
  std::vector<std::string> m_PhoneOptions;
  bool m_bReports;     // the phone reports a rate, then a foreground report (see SBacklog)
  uint32_t m_nWaitMs;  // how far the engine's clock moves during one wait of the video thread
  bool m_bAsksForTen;
};

void PrintTo(const SGap& s, std::ostream* os) {
  *os << s.m_pszName;
}

class EngineVideoGap : public EngineFrameRate, public ::testing::WithParamInterface<SGap> {
 protected:
  // One wait of the video thread lasts `ms` on the engine's clock: the thread, parked at the top
  // of its loop, is let go into its next wait, the held clock moves on, and the hold is answered
  // only once that wait ended and was judged; the ping has the window handle what it posted. A
  // move made while the thread was not inside a wait is seen by none, so a round may ask for
  // nothing whatever the rule; no round can make a wait longer than `ms`. With one picture a
  // second and a heartbeat every 100 ms the thread spends nearly all its time waiting, however
  // slowly a loaded machine decodes.
  void Round(uint32_t ms) {
    ASSERT_TRUE(ReleaseVideo());
    ASSERT_TRUE(Ping());
    ASSERT_TRUE(MoveClock(ms));
    ASSERT_TRUE(HoldVideo());
    ASSERT_TRUE(Ping());
  }
};

TEST_P(EngineVideoGap, AsksForTenOnceUnlessThePhoneIsAtTen) {
  const SGap& s = GetParam();
  ASSERT_NO_FATAL_FAILURE(StartOnHeldClock(s.m_PhoneOptions));
  ASSERT_TRUE(ReadUntil(kConnected, 20000));
  ASSERT_TRUE(ReadUntil(kShown, 10000));
  ASSERT_TRUE(ReadUntil(kForeground, 10000));
  // The long wait comes only once the head unit knows the phone's rate.
  if (s.m_bReports) {
    ASSERT_TRUE(ReadUntilCount(kForeground, 2, 10000)) << "the phone's report was not read";
  }
  ASSERT_TRUE(HoldVideo());
  // Nothing asked while the clock stood.
  EXPECT_EQ(Count(kAskTen), 0u);

  const size_t foregrounds = Count(kForeground);
  const int kRounds = s.m_bAsksForTen ? 50 : 3;
  for (int i = 0; i < kRounds && Count(kAskTen) == 0; ++i) ASSERT_NO_FATAL_FAILURE(Round(s.m_nWaitMs));
  if (s.m_bAsksForTen) {
    ASSERT_EQ(Count(kAskTen), 1u) << "no wait of " << s.m_nWaitMs << " ms asked for 10";
    // The phone answers 10, then reports the foreground: once that shows, the head unit knows
    // the rate, and a long wait after it asks for nothing.
    ASSERT_TRUE(ReadUntilCount(kForeground, foregrounds + 1, 10000))
        << "the phone's answer of 10 was not read";
    for (int i = 0; i < 3; ++i) ASSERT_NO_FATAL_FAILURE(Round(s.m_nWaitMs));
  }
  ASSERT_TRUE(ReleaseVideo());
  SPhoneLog log = Log();
  if (s.m_bAsksForTen) {
    EXPECT_EQ(Count(kAskTen), 1u);
    EXPECT_EQ(RequestedRates(log), std::vector<int>{10});
    EXPECT_TRUE(WroteCommand(log, 0x0001800C, {0x08, 0x0A}));
    EXPECT_EQ(log.CountEvent("app tx ch0 0x0001000D len 2 frameRate: 10"), 1u);
  } else {
    EXPECT_EQ(Count(kAskTen), 0u);
    EXPECT_TRUE(RequestedRates(log).empty());
  }
  EXPECT_EQ(Count(kAskThree), 0u);
  EXPECT_EQ(QuitOnRunningClock(), 0);
}

// The phone reports the foreground after it answers a rate request.
const char kForegroundAfterAnswer[] = "foreground@rate";

INSTANTIATE_TEST_SUITE_P(
    Gaps, EngineVideoGap,
    ::testing::Values(
        // The phone never reported a rate.
        SGap{
            "LongWaitWithoutReport", {"--fps", "1", "--app-fault", kForegroundAfterAnswer}, false, 250, true},
        SGap{"LongWaitAfterReportOfFive",
             {"--fps", "1", "--app-fault", "frame-rate-report=5@foreground", "--app-fault",
              "foreground@foreground", "--app-fault", kForegroundAfterAnswer},
             true,
             250,
             true},
        SGap{"LongWaitAfterReportOfTen",
             {"--fps", "1", "--app-fault", "frame-rate-report=10@foreground", "--app-fault",
              "foreground@foreground"},
             true,
             250,
             false},
        // A wait that lasts up to 210 ms is no gap, one that lasts a millisecond more is.
        SGap{"WaitOf210", {"--fps", "1"}, false, 210, false},
        SGap{"WaitOf211", {"--fps", "1", "--app-fault", kForegroundAfterAnswer}, false, 211, true}),
    [](const ::testing::TestParamInfo<SGap>& i) { return std::string(i.param.m_pszName); });

// ---- a version or encoder answer that never comes ----

struct SMissing {
  const char* m_pszName;
  const char* m_pszInjection;
  uint32_t m_nUnanswered;         // the phone's answer that never goes out
  const char* m_pszLogLine;       // the engine's log line for it
  const char* m_pszOtherLogLine;  // the line that must not be there
};

void PrintTo(const SMissing& s, std::ostream* os) {
  *os << s.m_pszName;
}

class EngineMissingAnswer : public EngineFrameRate, public ::testing::WithParamInterface<SMissing> {};

TEST_P(EngineMissingAnswer, IsLoggedAndTheConnectionGoesOnTo100) {
  const SMissing& s = GetParam();
  ASSERT_NO_FATAL_FAILURE(Connect({"--app-fault", s.m_pszInjection}));
  SPhoneLog log;
  ASSERT_TRUE(WaitForLog([](const SPhoneLog& l) { return !l.Rx(0x00018009).empty(); }, 5000, &log));
  const std::string engineLog = EngineLog();
  EXPECT_EQ(Occurrences(engineLog, s.m_pszLogLine), 1u) << engineLog;
  EXPECT_EQ(Occurrences(engineLog, s.m_pszOtherLogLine), 0u);

  // The phone got every step of the sequence and left only the one answer out.
  EXPECT_EQ(log.Rx(0x00018001, 0).size(), 1u);
  EXPECT_TRUE(WroteCommand(log, 0x00018001, {0x08, 0x01, 0x10, 0x00}));
  for (uint32_t type : {0x00018003u, 0x00018027u, 0x00018056u, 0x00018007u, 0x00018009u}) {
    EXPECT_EQ(log.Rx(type, 0).size(), 1u) << std::hex << type;
  }
  for (uint32_t type : {0x00010002u, 0x00010008u}) {
    size_t sent = 0;
    for (const auto& t : log.m_Tx) sent += t.m_nType == type;
    EXPECT_EQ(sent, type == s.m_nUnanswered ? 0u : 1u) << std::hex << type;
  }
  if (s.m_nUnanswered != 0x00010008) {
    EXPECT_TRUE(ReadUntil("msg MESSAGE_CMD_REV 0 65544", 5000));
  } else {
    // The phone never sent the report: nothing can have been posted for it.
    EXPECT_TRUE(Ping());
    EXPECT_FALSE(Seen("msg MESSAGE_CMD_REV 0 65544"));
  }
  // The channels stayed up: pictures are still shown and none of the six streams was closed.
  EXPECT_TRUE(Seen(kShown));
  for (const std::string& l : log.m_Lines) {
    EXPECT_FALSE(l.find("STREAM-CLOSE") != std::string::npos && l.find("service=\"tcp:") != std::string::npos)
        << l;
  }
  EXPECT_EQ(Quit(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, EngineMissingAnswer,
    ::testing::Values(SMissing{"NoVersionAnswer", "ignore=version", 0x00010002,
                               "!!!!!!! Get Version Error 0X3 \n", "!!!!!!! Get EncoderInit Error"},
                      SMissing{"NoEncoderAnswer", "ignore=settings", 0x00010008,
                               "!!!!!!! Get EncoderInit Error 0X3 \n", "!!!!!!! Get Version Error"}),
    [](const ::testing::TestParamInfo<SMissing>& i) { return std::string(i.param.m_pszName); });

// ---- the first helper by Android level ----

struct SHelper {
  const char* m_pszName;
  const char* m_pszSdk;
  const char* m_pszRelease;
  bool m_bInFolder;                  // the helpers in "vtsc/" (else beside the program, with "vtsc16")
  std::vector<std::string> m_Files;  // helper names made, each holding its own name
  const char* m_pszPushed;           // the helper that must reach the phone, or null when none may
};

void PrintTo(const SHelper& s, std::ostream* os) {
  *os << s.m_pszName;
}

class EngineFirstHelper : public EngineFrameRate, public ::testing::WithParamInterface<SHelper> {};

TEST_P(EngineFirstHelper, PushesTheHelperOfThePhonesLevel) {
  const SHelper& s = GetParam();
  if (s.m_bInFolder) fs::remove(m_Dir / "vtsc16");
  for (const std::string& f : s.m_Files) {
    fs::path file = s.m_bInFolder ? m_Dir / "vtsc" / f : m_Dir / f;
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "helper " << f << "\n";
  }
  ASSERT_NO_FATAL_FAILURE(StartPhone({"--prop", std::string("ro.build.version.sdk=") + s.m_pszSdk, "--prop",
                                      std::string("ro.build.version.release=") + s.m_pszRelease}));
  ASSERT_NO_FATAL_FAILURE(StartEngine());
  const fs::path onPhone = m_State / "fs" / "data" / "local" / "tmp" / "vtsc";
  if (s.m_pszPushed) {
    ASSERT_TRUE(ReadUntil(kConnected, 30000));
    ASSERT_TRUE(ReadUntil(kShown, 10000));
    EXPECT_EQ(e2e::ReadText(onPhone), std::string("helper ") + s.m_pszPushed + "\n");
    // Started and running on the phone: the sequence went on at once, without a new attempt.
    EXPECT_EQ(Count("msg CORVAN_WM_CONNECT_STEP 0 40"), 1u);
    EXPECT_NE(EngineLog().find("####### Corvane_Adb_StartVtsc() Return 1 \n"), std::string::npos);
  } else {
    // The helper of the level is missing: the start fails before any push and the sequencer
    // tries again and again, never past 40.
    ASSERT_TRUE(ReadUntil("msg CORVAN_WM_CONNECT_STEP 0 40", 20000));
    m_Lines.clear();
    ASSERT_TRUE(ReadUntil("msg CORVAN_WM_CONNECT_STEP 0 40", 20000));
    EXPECT_FALSE(Seen("msg CORVAN_WM_CONNECT_STEP 0 50"));
    EXPECT_FALSE(fs::exists(onPhone));
    EXPECT_NE(EngineLog().find("!!!!!!! Corvane_Adb_StartVtsc ERROR -10 \n"), std::string::npos);
  }
  EXPECT_EQ(Quit(), 0);
}

const std::vector<std::string> kAllHelpers = {"vtsc14",    "vtsc15", "vtsc16", "vtsc17", "vtsc18", "vtsc19",
                                              "vtsc19_01", "vtsc20", "vtsc21", "vtsc22", "vtsc23"};

INSTANTIATE_TEST_SUITE_P(
    Levels, EngineFirstHelper,
    ::testing::Values(
        SHelper{"Level19Release444InFolder", "19", "4.4.4", true, kAllHelpers, "vtsc19_01"},
        SHelper{"Level19Release444BesideTheProgram", "19", "4.4.4", false, {"vtsc19_01"}, "vtsc19_01"},
        SHelper{"Level19Release442", "19", "4.4.2", true, kAllHelpers, "vtsc19"},
        SHelper{"Level21", "21", "5.0.2", true, kAllHelpers, "vtsc21"},
        // Level 22 counts as 21, or as 23 for a release that starts with M.
        SHelper{"Level22", "22", "5.1.1", true, kAllHelpers, "vtsc21"},
        SHelper{"Level22ReleaseM", "22", "M", true, kAllHelpers, "vtsc23"},
        SHelper{"Level23", "23", "6.0.1", true, kAllHelpers, "vtsc23"},
        // Only "vtsc16" beside the program, as a level-16 set: a level-19 phone finds no helper.
        SHelper{"Level19WithOnlyTheLevel16Helper", "19", "4.4.4", false, {}, nullptr}),
    [](const ::testing::TestParamInfo<SHelper>& i) { return std::string(i.param.m_pszName); });

}  // namespace
