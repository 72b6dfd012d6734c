// Requests of the head unit's other programs, posted through corvane-post over the shared bus,
// act only while the configuration's customer notify switch is on; without it the program hides
// itself when told that the phone asked for it.
#include "tests/app/program/ProgramHostE2E.h"

#include <string>
#include <vector>

namespace {

using e2e::kLoadSlackMs;
using e2e::kQuitMs;
using e2e::kReplyMs;
using e2e::Occurrences;
using e2e::ProgramHostE2E;
using e2e::SPhoneLog;

const uint32_t kTouch = 0x00068001;
const uint32_t kFrameRate = 0x0001800C;
const int kCommandChannel = 0;
const int kTouchChannel = 5;

struct SRequest {
  const char* m_pszName;
  std::vector<std::string> m_Post;  // corvane-post's NAME WPARAM LPARAM
  uint32_t m_nType;                 // what the phone receives when the request acts
  int m_nChannel;
  const char* m_pszFields;
};

const SRequest kRequests[] = {
    {"hard key", {"NMSG_CORVANE_HW_KEY", "4", "0"}, 0x00068008, kTouchChannel, "keycode: 4"},
    {"module on", {"NMSG_CORVANE_MODULE_CONTROL", "3", "1"}, 0x00018028, kCommandChannel, ""},
    {"encoder pause", {"INNER_NMSG_PAUSE_VIDEO", "0", "0"}, 0x0001800A, kCommandChannel, ""},
};

class ProgramHostRequests : public ProgramHostE2E, public ::testing::WithParamInterface<bool> {
 protected:
  // Every message another program posted to the window before now has been handled, and what the
  // window posted to itself for them too: a message is written as the window starts on it, so the
  // second ping, sent once the first is written, comes after those posts.
  bool PingOverTheBus() { return PingOverTheBusOnce() && Ping(); }
  bool PingOverTheBusOnce() {
    const std::string n = std::to_string(++m_nBusPings);
    return Post({"PROGRAM_E2E_PING", "0", n, "--window", "WND_CORVANE"}) == 0 &&
           ReadUntil("msg PROGRAM_E2E_PING 0 " + n, kReplyMs);
  }

  int m_nBusPings = 0;
};

TEST_P(ProgramHostRequests, ActOnlyWithTheNotifySwitch) {
  const bool notify = GetParam();
  if (notify) e2e::WriteNotifyConfig(m_Dir);
  WriteShell();
  ASSERT_NO_FATAL_FAILURE(Connect());
  // Touches go out once the phone reported itself in the foreground.
  ASSERT_TRUE(Seen("msg MESSAGE_CMD_REV 0 65563") || ReadUntil("msg MESSAGE_CMD_REV 0 65563", kReplyMs));

  for (const SRequest& r : kRequests) {
    std::vector<std::string> args = r.m_Post;
    args.insert(args.end(), {"--window", "WND_CORVANE"});
    ASSERT_EQ(Post(args), 0) << r.m_pszName;
  }
  ASSERT_EQ(Post({"N_WMMSG_CORVANE_SHOWHIDE_NOTIFY", "0", "0"}), 0);
  ASSERT_TRUE(PingOverTheBus());
  // What the window sends after the requests, on both of their channels: once the phone has it,
  // whatever a request sent before it has arrived too.
  ASSERT_TRUE(Send("touch down 100 100"));
  ASSERT_TRUE(Send("touch up 100 100"));
  ASSERT_TRUE(Send("msg INNER_MSG_FRAME_RATE_CHANGE 0 7"));
  SPhoneLog log;
  ASSERT_TRUE(WaitForLog(
      [](const SPhoneLog& l) { return l.Rx(kTouch, kTouchChannel).size() >= 2 && !l.Rx(kFrameRate).empty(); },
      kReplyMs, &log));
  for (const SRequest& r : kRequests) {
    const std::vector<e2e::SAppRx> got = log.Rx(r.m_nType, r.m_nChannel);
    EXPECT_EQ(got.size(), notify ? 1u : 0u) << r.m_pszName;
    if (notify && !got.empty() && *r.m_pszFields != '\0') {
      EXPECT_EQ(got[0].m_strFields, r.m_pszFields) << r.m_pszName;
    }
  }
  // Without the switch the program hides itself on the phone's request; with it the others do.
  EXPECT_EQ(Count("msg NMSG_CORVANE_SHOWHIDE 0 2"), notify ? 0u : 1u);

  // OK from another program ends the projection and gives the screen to the shell; without the
  // switch it is not acted on and the program goes on.
  ASSERT_EQ(Post({"WM_COMMAND", "1", "0", "--window", "WND_CORVANE"}), 0);
  if (notify) {
    EXPECT_EQ(m_Engine.Wait(kQuitMs + kLoadSlackMs), 0);
    EXPECT_EQ(Occurrences(EngineLog(), "CreateProcess \\Windows\\Explorer.exe : process "), 1u);
    ExpectEveryChannelClosed();
    ExpectLogsWritten();
  } else {
    ASSERT_TRUE(PingOverTheBus());
    EXPECT_EQ(Quit(), 0);
    EXPECT_EQ(Occurrences(EngineLog(), "CreateProcess \\Windows\\Explorer.exe"), 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(NotifySwitch, ProgramHostRequests, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& i) {
                           return std::string(i.param ? "On" : "Off");
                         });

}  // namespace
