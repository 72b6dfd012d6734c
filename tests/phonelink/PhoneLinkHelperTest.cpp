// The first helper: which file goes to the phone for which Android version, the exact stream
// of OPENs and sync bytes the phone sees, the failures, and the kill of a running helper.
#include "tests/phonelink/PhoneLinkE2E.h"

namespace linktest {
namespace {

struct HelperCase {
  const char* m_pszRelease;  // as getprop prints it, without the line end
  const char* m_pszSdk;
  const char* m_pszLocalFile;  // the file expected to be pushed; nullptr when none
  size_t m_nSize;              // its size; 0 with a file name: the file is missing
  int m_nResult;               // expected result; 1 for "started"
};

// The sync image the phone must receive: SEND, DATA, DONE with a zero time, 8 zero bytes.
std::vector<uint8_t> HelperImage(const std::string& file) {
  std::vector<uint8_t> v = Bytes("SEND", 4);
  const std::string path = "/data/local/tmp/vtsc,33206";
  PutLe32(&v, static_cast<uint32_t>(path.size()));
  v.insert(v.end(), path.begin(), path.end());
  v.insert(v.end(), {'D', 'A', 'T', 'A'});
  PutLe32(&v, static_cast<uint32_t>(file.size()));
  v.insert(v.end(), file.begin(), file.end());
  v.insert(v.end(), {'D', 'O', 'N', 'E'});
  PutLe32(&v, 0);
  v.insert(v.end(), 8, 0);
  return v;
}

std::vector<uint32_t> SliceSizes(size_t imageLength) {
  std::vector<uint32_t> out;
  size_t i = 0;
  for (; i + 4096 <= imageLength; i += 4096) out.push_back(4096);
  out.push_back(static_cast<uint32_t>(imageLength - i));
  return out;
}

TEST_F(PhoneLinkE2E, HelperFileAndCommandsByAndroidVersion) {
  StartPhone();
  StartLink();
  m_Sim.Shell().SetChildProcess("vtsc", "vtsy");
  Corvane_Adb_SetPushDir("\\prog");
  const HelperCase cases[] = {
      {"6.0.1", "23", "vtsc23", 5000, 1},
      {"M", "22", "vtsc23", 8192 - 58, 1},  // exactly two slices and an empty last one
      {"5.1.1", "22", "vtsc21", 100, 1},
      {"4.4.4", "19", "vtsc19_01", 4096 - 58, 1},
      {"4.4.2", "19", "vtsc19", 4096, 1},
      {"7.0", "24", nullptr, 0, -15},
      {"1.0", "0", nullptr, 0, -8},
      {"4.1.2", "16", "vtsc16", 0, -10},
  };
  char fill = 'a';
  for (const HelperCase& c : cases) {
    SCOPED_TRACE(std::string(c.m_pszRelease) + "/" + c.m_pszSdk);
    std::string file;
    for (size_t i = 0; i < c.m_nSize; ++i) file.push_back(static_cast<char>(fill + i % 7));
    ++fill;
    for (auto& e : fs::directory_iterator(m_Root / "prog")) {
      if (e.path().filename().string().rfind("vtsc", 0) == 0) fs::remove(e.path());
    }
    if (c.m_pszLocalFile && c.m_nSize) WriteFile(m_Root / "prog" / c.m_pszLocalFile, file);
    m_Sim.Shell().SetProp("ro.build.version.release", c.m_pszRelease);
    m_Sim.Shell().SetProp("ro.build.version.sdk", c.m_pszSdk);
    const size_t from = PacketCount();
    const size_t pushesBefore = m_Sim.Record().Pushes().size();

    int result = Corvane_Adb_StartVtsc();
    if (c.m_nResult == 1) {
      EXPECT_GE(result, 1);
      EXPECT_LE(result, 22);
    } else {
      EXPECT_EQ(result, c.m_nResult);
    }
    std::vector<std::string> expected = {"shell:getprop ro.build.version.release\n",
                                         "shell:getprop ro.build.version.sdk\n"};
    if (c.m_nResult == 1) {
      expected.insert(expected.end(), {"sync:", "shell:chmod 777 /data/local/tmp/vtsc",
                                       "shell:/data/local/tmp/vtsc", "shell:ps"});
    }
    EXPECT_EQ(Opens(from), expected);
    if (c.m_nResult != 1) {
      EXPECT_EQ(m_Sim.Record().Pushes().size(), pushesBefore) << "nothing pushed";
      continue;
    }
    // The sync stream as the phone saw it: the image, one slice per OKAY.
    uint32_t syncId = 0;
    for (auto& s : m_Sim.Record().Streams()) {
      if (s.m_strService == "sync:") syncId = s.m_nDeviceId;
    }
    std::vector<uint8_t> image;
    std::vector<uint32_t> slices;
    for (auto& p : FromHost(kWrte, from)) {
      if (p.m_nArg1 != syncId) continue;
      image.insert(image.end(), p.m_Payload.begin(), p.m_Payload.end());
      slices.push_back(p.m_nDataLength);
    }
    std::vector<uint8_t> want = HelperImage(file);
    EXPECT_EQ(want.size(), c.m_nSize + 58);
    EXPECT_TRUE(image == want) << "image of " << image.size() << " bytes";
    EXPECT_EQ(slices, SliceSizes(want.size()));
    auto pushes = m_Sim.Record().Pushes();
    ASSERT_EQ(pushes.size(), pushesBefore + 1);
    EXPECT_EQ(pushes.back().m_strPath, "/data/local/tmp/vtsc");
    EXPECT_EQ(pushes.back().m_nMode & 0777, 0666u);
    EXPECT_TRUE(pushes.back().m_bOk) << pushes.back().m_strFail;
    std::string onPhone;
    ASSERT_TRUE(m_Sim.Fs().Resolve("/data/local/tmp/vtsc", &onPhone));
    EXPECT_EQ(ReadFile(onPhone), file);
  }
  EXPECT_TRUE(m_Sim.Record().Violations().empty());
}

TEST_F(PhoneLinkE2E, HelperStartGivesMinus7WhenGetpropIsNotAnswered) {
  StartPhone();
  StartLink();
  Corvane_Adb_SetPushDir("\\prog");
  phonesim::SShellRule silent;
  silent.m_strPattern = "getprop ro.build.version.release";
  silent.m_bSilent = true;
  m_Sim.Shell().SetRule(silent);
  EXPECT_EQ(Corvane_Adb_StartVtsc(), -7);
  EXPECT_TRUE(Logged("[@@] getprop  version.release timeout"));
  EXPECT_EQ(Opens(), std::vector<std::string>{"shell:getprop ro.build.version.release\n"});
}

// A listing in the toolbox layout; the helper's line is the second.
const char kListing[] =
    "USER      PID   PPID  VSIZE  RSS   WCHAN              PC  NAME\r\n"
    "root      1     0     9001   701   ffffffff 0000000000000000 S /init\r\n"
    "shell     4321  1     9321   1021  ffffffff 0000000000000000 S /data/local/tmp/vtsc\r\n"
    "u0_a87    5005  190   9005   705   ffffffff 0000000000000000 S com.velto.corvane\r\n";

TEST_F(PhoneLinkE2E, KillVtscFindsThePidWhereverTheListingIsSplit) {
  StartPhone();
  StartLink();
  const std::string listing = kListing;
  const size_t lineStart = listing.find("shell ");
  const size_t lineEnd = listing.find("\r\n", lineStart) + 2;
  int kills = 0;
  for (size_t split = lineStart; split <= lineEnd; ++split) {
    SCOPED_TRACE("split at " + std::to_string(split));
    phonesim::SShellRule rule;
    rule.m_strPattern = "ps";
    rule.m_bReplace = true;
    rule.m_strText = listing;
    rule.m_Splits = {split};
    m_Sim.Shell().SetRule(rule);
    EXPECT_EQ(Corvane_Adb_KillVtsc(), 0);
    ++kills;
    ASSERT_TRUE(WaitUntil(
        [&] {
          int n = 0;
          for (auto& c : m_Sim.Record().ShellCommands()) n += c.rfind("kill", 0) == 0;
          return n >= kills;
        },
        3000));
  }
  for (auto& c : m_Sim.Record().ShellCommands()) {
    if (c.rfind("kill", 0) == 0) {
      EXPECT_EQ(c, "kill -9 4321");
    }
  }
}

}  // namespace
}  // namespace linktest
