// The engine shut down in every phase of a connection: the sequencer is held inside the link call
// of the phase until the shutdown has told it to quit, so the shutdown meets the phase for sure.
// Afterwards no single instance lives any more, every one is closed, and the messages that come
// late (the queue's rest, a frame-rate request, a hard key, the statistics timer) make none again.
#include "app/AppWindowMessages.h"
#include "app/CAppMainWndEngine.h"

#include "engine/CorvaneEngineSession.h"
#include "engine/CConnectProgress.h"
#include "engine/CSingleInstance.h"
#include "engine/CorvaneFrame.h"
#include "engine/CorvaneAppFlags.h"
#include "engine/CorvaneChannelContext.h"
#include "engine/CorvaneWindowMessages.h"
#include "tests/engine/FakeAdb.h"
#include "tests/engine/WindowPump.h"
#include "engine/SystemInitThread.h"

#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/user/user.h"
#include "services/CErrorLog.h"
#include "services/CorvaneConfig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

CAppMainWndEngine* s_pEngine = nullptr;
// The statistics timer has reached the window (timers come after every posted message).
bool s_bStatisticsTimerSeen = false;

LRESULT PhaseWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_TIMER && wParam == TIMER_ID_SEND_INFO_MD) s_bStatisticsTimerSeen = true;
  if (s_pEngine && s_pEngine->HandleWindowMessage(msg, wParam, lParam)) return 0;
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// Where the sequencer is held: inside the first link call of that name, or inside the head
// unit's write of the command whose type is given. Neither: the connection runs through to the
// pictures and the shutdown meets it there.
struct PhaseCase {
  const char* m_pszName;
  const char* m_pszCall;
  uint32_t m_nWriteType;
};

const PhaseCase kPhases[] = {
    {"waiting for a phone", nullptr, 0},
    {"starting the phone app", "StartPhoneApp", 0},
    {"starting the first helper", "StartVtsc", 0},
    {"pushing the second helper", "PushVtim", 0},
    {"opening the channels", "TcpConnect", 0},
    {"asking the protocol version", nullptr, MSG_HU_PROTOCOL_VERSION},
    {"sending the encoder settings", nullptr, MSG_HU_VIDEO_ENCODER_INIT},
    {"projecting", nullptr, 0},
};

bool StartsWith(const std::string& s, const char* prefix) {
  return s.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

class EngineShutdownPhase : public ::testing::TestWithParam<PhaseCase> {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/corvane-phase-XXXXXX";
    m_strRoot = mkdtemp(tmpl);
    wce::SetRootDir(m_strRoot);
    wce::SetModuleFileName(u"\\CECorvane.exe");
    // Both helpers are there, so the sequencer passes every step.
    std::ofstream(m_strRoot + "/vtsc16") << "x";
    std::ofstream(m_strRoot + "/vtim.jar") << "x";
    fakeadb::Reset();
    ResetCorvaneConfig();
    g_CorvaneConfig.m_bNotifyMsg = 1;
    ResetEngineForTests();
    static bool registered = false;
    if (!registered) {
      WNDCLASSW wc = {};
      wc.lpfnWndProc = PhaseWndProc;
      wc.lpszClassName = u"EnginePhaseTestWnd";
      RegisterClassW(&wc);
      registered = true;
    }
    m_hwnd = CreateWindowExW(0, u"EnginePhaseTestWnd", u"", WS_POPUP | WS_VISIBLE, 0, 0, 800, 480, nullptr,
                             nullptr, nullptr, nullptr);
    s_pEngine = &m_Engine;
  }

  void TearDown() override {
    fakeadb::SetCallHook(nullptr);
    fakeadb::SetWriteHook(nullptr);
    DestroyWindow(m_hwnd);
    s_pEngine = nullptr;
    ResetEngineForTests();
    std::error_code ec;
    std::filesystem::remove_all(m_strRoot, ec);
  }

  // On the sequencer thread: marks the phase reached and holds there until the shutdown has
  // asked the sequencer to quit (bounded, so a broken shutdown fails instead of hanging).
  void HoldHere() {
    if (m_bReached.exchange(true)) return;
    for (int i = 0; i < 20000 && !g_CorvaneChannelContext.m_bSysInitQuit.load(); ++i) Sleep(1);
  }

  bool PumpUntil(const std::function<bool()>& pred) { return testpump::PumpUntil(pred, 20000); }

  std::string m_strRoot;
  HWND m_hwnd = nullptr;
  CAppMainWndEngine m_Engine;
  std::atomic<bool> m_bReached{false};
};

TEST_P(EngineShutdownPhase, NoSingleInstanceOutlivesTheShutdownOrIsMadeAgain) {
  const PhaseCase& phase = GetParam();
  const bool projecting = std::string(phase.m_pszName) == "projecting";
  if (phase.m_pszCall) {
    fakeadb::SetCallHook([this, &phase](const std::string& call) {
      if (StartsWith(call, phase.m_pszCall)) HoldHere();
    });
  }
  // The phone answers; a held write is answered only once the shutdown let it go.
  fakeadb::SetWriteHook([this, &phase](int channel, const std::vector<uint8_t>& bytes) {
    if (phase.m_nWriteType && fakeadb::CommandType(channel, bytes) == phase.m_nWriteType) HoldHere();
    fakeadb::AnswerWrite(channel, bytes, true, true);
  });

  ASSERT_EQ(m_Engine.Start(m_hwnd), 1);
  if (phase.m_pszCall || phase.m_nWriteType || projecting) {
    PostMessageW(m_hwnd, WMMSG_CORVANE_USB_OUT, 0, 1);
    if (projecting) {
      // The encoder started: the connection is through.
      ASSERT_TRUE(PumpUntil([] {
        const std::vector<uint32_t> types = fakeadb::WrittenCommandTypes(0);
        return std::find(types.begin(), types.end(), MSG_HU_VIDEO_ENCODER_START) != types.end();
      }));
    } else {
      ASSERT_TRUE(PumpUntil([this] { return m_bReached.load(); }));
    }
  } else {
    // No phone: the sequencer's first pass counts and then waits for one.
    ASSERT_TRUE(PumpUntil([] { return g_nConnectCount.load() == 1; }));
  }

  m_Engine.Shutdown();

  // What the threads posted before they ended, and requests that come after the end.
  g_CorvaneAppFlags.m_bUsbIn = 1;
  PostMessageW(m_hwnd, INNER_MSG_FRAME_RATE_CHANGE, 0, 3);
  PostMessageW(m_hwnd, NMSG_CORVANE_HW_KEY, 0x11, 0);
  s_bStatisticsTimerSeen = false;
  SetTimer(m_hwnd, TIMER_ID_SEND_INFO_MD, 1, nullptr);
  // The window takes the timer (and kills it) only after every message posted before it.
  ASSERT_TRUE(PumpUntil([] { return s_bStatisticsTimerSeen; }));

  int storages = 0;
  for (CSingleInstanceBase* s = CSingleInstanceBase::First(); s != nullptr; s = s->Next()) {
    SCOPED_TRACE(s->Name());
    EXPECT_FALSE(s->HasInstance());
    EXPECT_TRUE(s->IsClosed());
    ++storages;
  }
  EXPECT_EQ(storages, 7);
}

INSTANTIATE_TEST_SUITE_P(EveryPhase, EngineShutdownPhase, ::testing::ValuesIn(kPhases),
                         [](const ::testing::TestParamInfo<PhaseCase>& info) {
                           std::string name;
                           for (const char* p = info.param.m_pszName; *p; ++p) {
                             if (*p != ' ') name += *p;
                           }
                           return name;
                         });

}  // namespace
