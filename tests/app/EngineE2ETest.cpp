// corvane-engine against the simulated phone, both as programs: the engine's standard output
// and the phone's record are the truth.
#include "tests/app/EngineE2E.h"

#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using e2e::EngineE2E;
using e2e::ReadText;

TEST_F(EngineE2E, ConnectsShowsPicturesTakesTouchesAndQuitsInOrder) {
  ASSERT_NO_FATAL_FAILURE(StartPhone());
  ASSERT_NO_FATAL_FAILURE(StartEngine());
  ASSERT_TRUE(ReadUntil("msg CORVAN_WM_CONNECT_STEP 0 100", 30000));
  // Once pictures run the phone reports itself in the foreground (0x0001001B) and the first
  // shown picture is announced, in either order.
  ASSERT_TRUE(Seen("msg MESSAGE_CMD_REV 0 65563") || ReadUntil("msg MESSAGE_CMD_REV 0 65563", 15000));
  ASSERT_TRUE(Seen("msg NMSG_CORVANE_GET_VIDEO_DATA 0 0") ||
              ReadUntil("msg NMSG_CORVANE_GET_VIDEO_DATA 0 0", 15000));

  std::vector<std::string> steps;
  for (const std::string& l : m_Lines) {
    if (l.rfind("msg CORVAN_WM_CONNECT_STEP ", 0) == 0) steps.push_back(l.substr(27));
  }
  EXPECT_EQ(steps, (std::vector<std::string>{"0 10", "0 20", "0 30", "0 40", "0 50", "0 60", "0 70", "0 80",
                                             "0 90", "0 100"}));
  EXPECT_EQ(m_Lines.front(), "msg WMMSG_CORVANE_USB_OUT 0 1");

  // The foreground report has been handled: touches go out.
  fs::path log = m_State / "phonesim.log";
  m_Engine.Write("touch down 400 240\ntouch move 410 250\ntouch up 410 250\n");
  ASSERT_TRUE(WaitForLogText("app rx ch5 0x00068001 len 8 action: 1 x: 410 y: 250", 10000));

  m_Engine.Write("quit\n");
  EXPECT_EQ(m_Engine.Wait(20000), 0);

  // What the phone received on the command channel, in order.
  std::string text = ReadText(log);
  std::vector<size_t> at;
  for (const char* type :
       {"app rx ch0 0x00018001", "app rx ch0 0x00018003", "app rx ch0 0x00018027", "app rx ch0 0x00018056",
        "app rx ch0 0x00018007 len 8 width: 800 height: 480 frameRate: 10", "app rx ch0 0x00018009"}) {
    at.push_back(text.find(type));
    EXPECT_NE(at.back(), std::string::npos) << type;
  }
  for (size_t i = 1; i < at.size(); ++i) EXPECT_LT(at[i - 1], at[i]);
  EXPECT_NE(text.find("app rx ch5 0x00068001 len 8 action: 0 x: 400 y: 240"), std::string::npos);
  EXPECT_NE(text.find("app rx ch5 0x00068001 len 8 action: 2 x: 410 y: 250"), std::string::npos);
  // The connect counter was saved at the orderly end.
  EXPECT_TRUE(fs::exists(m_Dir / "Connect.log"));
  StopPhone();
}

TEST_F(EngineE2E, SigtermIsAnOrderlyQuitEvenWithoutAPhone) {
  m_nPort = 1;  // nothing listens there: the engine waits for USB
  ASSERT_NO_FATAL_FAILURE(StartEngine());
  // The window answers once the program runs its message loop, with the signals taken by a
  // thread of their own.
  ASSERT_TRUE(Ping());
  m_Engine.Signal(SIGTERM);
  EXPECT_EQ(m_Engine.Wait(20000), 0);
  EXPECT_TRUE(fs::exists(m_Dir / "Connect.log"));
}

}  // namespace
