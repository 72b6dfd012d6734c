#include "app/CEngineConsole.h"

#include "platform/user/user.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

struct ParseCase {
  const char* m_pszLine;
  CEngineConsole::Kind m_Kind;
  UINT m_nTouchMsg;
  int m_nX, m_nY;
  const char* m_pszName;
  WPARAM m_wParam;  // also a clock move's milliseconds
  LPARAM m_lParam;
  const char* m_pszFile;
};

class EngineConsoleParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(EngineConsoleParse, ReadsOneCommandALine) {
  const ParseCase& c = GetParam();
  CEngineConsole::Command cmd = CEngineConsole::Parse(c.m_pszLine);
  ASSERT_EQ(cmd.m_Kind, c.m_Kind) << c.m_pszLine;
  if (c.m_Kind == CEngineConsole::kTouch) {
    EXPECT_EQ(cmd.m_nTouchMsg, c.m_nTouchMsg);
    EXPECT_EQ(cmd.m_nX, c.m_nX);
    EXPECT_EQ(cmd.m_nY, c.m_nY);
  }
  if (c.m_Kind == CEngineConsole::kMsg) {
    EXPECT_EQ(cmd.m_strName, c.m_pszName);
    EXPECT_EQ(cmd.m_wParam, c.m_wParam);
    EXPECT_EQ(cmd.m_lParam, c.m_lParam);
  }
  if (c.m_Kind == CEngineConsole::kDump) {
    EXPECT_EQ(cmd.m_strFile, c.m_pszFile);
  }
  if (c.m_Kind == CEngineConsole::kMoveClock) {
    EXPECT_EQ(cmd.m_dwMs, c.m_wParam);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, EngineConsoleParse,
    ::testing::Values(
        ParseCase{"touch down 400 240", CEngineConsole::kTouch, WM_LBUTTONDOWN, 400, 240, "", 0, 0, ""},
        ParseCase{"touch move 0 0", CEngineConsole::kTouch, WM_MOUSEMOVE, 0, 0, "", 0, 0, ""},
        ParseCase{"  touch up 799 479  ", CEngineConsole::kTouch, WM_LBUTTONUP, 799, 479, "", 0, 0, ""},
        ParseCase{"touch down -1 5", CEngineConsole::kBad, 0, 0, 0, "", 0, 0, ""},
        ParseCase{"touch down 70000 5", CEngineConsole::kBad, 0, 0, 0, "", 0, 0, ""},
        ParseCase{"touch press 1 5", CEngineConsole::kBad, 0, 0, 0, "", 0, 0, ""},
        ParseCase{"touch down 1", CEngineConsole::kBad, 0, 0, 0, "", 0, 0, ""},
        ParseCase{"msg NMSG_CORVANE_HW_KEY 21 0", CEngineConsole::kMsg, 0, 0, 0, "NMSG_CORVANE_HW_KEY", 21, 0,
                  ""},
        ParseCase{"msg NMSG_CORVANE_SHOWHIDE 0 -1", CEngineConsole::kMsg, 0, 0, 0, "NMSG_CORVANE_SHOWHIDE", 0,
                  -1, ""},
        ParseCase{"msg NMSG_CORVANE_SHOWHIDE 0x1 1", CEngineConsole::kBad, 0, 0, 0, "", 0, 0, ""},
        ParseCase{"msg NMSG_CORVANE_SHOWHIDE 1", CEngineConsole::kBad, 0, 0, 0, "", 0, 0, ""},
        ParseCase{"dump /tmp/a.bmp", CEngineConsole::kDump, 0, 0, 0, "", 0, 0, "/tmp/a.bmp"},
        ParseCase{"dump", CEngineConsole::kBad, 0, 0, 0, "", 0, 0, ""},
        ParseCase{"screen /tmp/s.bmp", CEngineConsole::kScreen, 0, 0, 0, "", 0, 0, "/tmp/s.bmp"},
        ParseCase{"screen", CEngineConsole::kBad, 0, 0, 0, "", 0, 0, ""},
        ParseCase{"screen a b", CEngineConsole::kBad, 0, 0, 0, "", 0, 0, ""},
        ParseCase{"layers", CEngineConsole::kLayers, 0, 0, 0, "", 0, 0, ""},
        ParseCase{"layers all", CEngineConsole::kBad, 0, 0, 0, "", 0, 0, ""},
        ParseCase{"quit", CEngineConsole::kQuit, 0, 0, 0, "", 0, 0, ""},
        ParseCase{"quit now", CEngineConsole::kBad, 0, 0, 0, "", 0, 0, ""},
        ParseCase{"hold video", CEngineConsole::kHoldVideo, 0, 0, 0, "", 0, 0, ""},
        ParseCase{" release  video ", CEngineConsole::kReleaseVideo, 0, 0, 0, "", 0, 0, ""},
        ParseCase{"hold audio", CEngineConsole::kBad, 0, 0, 0, "", 0, 0, ""},
        ParseCase{"hold", CEngineConsole::kBad, 0, 0, 0, "", 0, 0, ""},
        ParseCase{"release video now", CEngineConsole::kBad, 0, 0, 0, "", 0, 0, ""},
        ParseCase{"clock hold", CEngineConsole::kHoldClock, 0, 0, 0, "", 0, 0, ""},
        ParseCase{"clock move 211", CEngineConsole::kMoveClock, 0, 0, 0, "", 211, 0, ""},
        ParseCase{"clock move 60000", CEngineConsole::kMoveClock, 0, 0, 0, "", 60000, 0, ""},
        ParseCase{"clock move 60001", CEngineConsole::kBad, 0, 0, 0, "", 0, 0, ""},
        ParseCase{"clock move -5", CEngineConsole::kBad, 0, 0, 0, "", 0, 0, ""},
        ParseCase{"clock move", CEngineConsole::kBad, 0, 0, 0, "", 0, 0, ""},
        ParseCase{" clock  run ", CEngineConsole::kRunClock, 0, 0, 0, "", 0, 0, ""},
        ParseCase{"clock stop", CEngineConsole::kBad, 0, 0, 0, "", 0, 0, ""},
        ParseCase{"", CEngineConsole::kEmpty, 0, 0, 0, "", 0, 0, ""},
        ParseCase{"hello", CEngineConsole::kBad, 0, 0, 0, "", 0, 0, ""}));

std::string ReadAll(FILE* f) {
  std::fflush(f);
  std::rewind(f);
  std::string out;
  char buf[256];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0) out.append(buf, n);
  return out;
}

TEST(EngineConsole, WritesEachRegisteredMessageOnceInDecimal) {
  FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  CEngineConsole console(f);
  UINT showHide = RegisterWindowMessageW(u"NMSG_CORVANE_SHOWHIDE");
  UINT ttsState = RegisterWindowMessageW(u"N_WMMSG_CORVANE_TTS_STATE");
  console.OnBroadcast(ttsState, 2, 1);         // posted to everyone: written now
  console.OnWindowMessage(showHide, 0, 2);     // posted to the main window alone
  console.OnWindowMessage(ttsState, 2, 1);     // the broadcast arriving: not again
  console.OnWindowMessage(WM_TIMER, 1365, 0);  // not a registered message
  console.OnWindowMessage(ttsState, 2, 2);     // a second one, posted to the window only
  EXPECT_EQ(ReadAll(f),
            "msg N_WMMSG_CORVANE_TTS_STATE 2 1\n"
            "msg NMSG_CORVANE_SHOWHIDE 0 2\n"
            "msg N_WMMSG_CORVANE_TTS_STATE 2 2\n");
  std::fclose(f);
}

}  // namespace
