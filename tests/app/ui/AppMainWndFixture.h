// The real root window on the headless display, run modally on the test thread with the engine
// against the fake phone link. The connection-state screen is the test's own: a hook that runs in
// its place inside the window's initialisation, where the engine is up, and pumps the window's
// messages itself. The debug output, the link's calls ("adb NAME") and the messages broadcast to
// other programs are one ordered list of lines.
#pragma once

#include "app/CAppMainWnd.h"

#include "app/AppWindowMessages.h"
#include "engine/CorvaneEngineSession.h"
#include "engine/CConnectProgress.h"
#include "engine/CorvaneAppFlags.h"
#include "engine/CorvaneChannelContext.h"
#include "engine/CorvaneCommand.h"
#include "engine/CorvaneWindowMessages.h"
#include "engine/DibBmp.h"
#include "engine/SystemInitThread.h"
#include "tests/engine/FakeAdb.h"
#include "tests/engine/WindowPump.h"
#include "tests/wceui/resfiles/WceUiResFixture.h"

#include "platform/gdi/gdi.h"
#include "platform/gdi/GdiHooks.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/user/user.h"
#include "platform/user/UserHooks.h"
#include "services/CorvaneConfig.h"

#include <functional>
#include <string>
#include <vector>

// How many of the lines contain the text (the engine's debug lines carry no stamp).
inline int CountLinesWith(const std::vector<std::string>& lines, const std::string& text) {
  int n = 0;
  for (const std::string& line : lines) n += line.find(text) != std::string::npos ? 1 : 0;
  return n;
}

class CProbeAppMainWnd : public CAppMainWnd {
 public:
  using CAppMainWnd::RunDialogByName;
  // Runs where the connection-state screen would; none: the screen ends at once.
  std::function<void(CProbeAppMainWnd& wnd)> m_fnOnScreen;
  // The program's own screen runs after the hook.
  bool m_bRealScreen = false;
  // Runs once the program's own screen has ended, before the engine's shutdown.
  std::function<void(CProbeAppMainWnd& wnd)> m_fnAfterScreen;
  // Sees every message that reaches the window's default handling, before the window does.
  std::function<void(UINT msg)> m_fnOnMessage;

  LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (m_fnOnMessage) m_fnOnMessage(msg);
    return CAppMainWnd::DefWindowProc(msg, wParam, lParam);
  }

 protected:
  void RunConnectionScreen() override {
    wce::DebugPrint("screen runs\n");
    if (m_fnOnScreen) m_fnOnScreen(*this);
    if (m_bRealScreen) CAppMainWnd::RunConnectionScreen();
    if (m_fnAfterScreen) m_fnAfterScreen(*this);
  }
};

class AppMainWndFixture : public WceUiResFixture {
 protected:
  static constexpr int kScreenW = 800;
  static constexpr int kScreenH = 480;

  void SetUp() override {
    wce::ResetUser();
    ASSERT_TRUE(wce::SetDisplayDriver("headless"));
    ASSERT_TRUE(wce::SetScreen(kScreenW, kScreenH, 32));
    // USER forgot every registered message: the same names are registered again.
    RegisterEngineWindowMessages();
    RegisterAppWindowMessages();
    WceUiResFixture::SetUp();
    // The engine's timers and the sequencer's waits run on the real clock.
    wce::SetTickSource(nullptr);
    fakeadb::Reset();
    fakeadb::SetChannelConnected(0, true);
    fakeadb::SetChannelConnected(5, true);
    fakeadb::SetCallHook([](const std::string& call) { wce::DebugPrint("adb %s\n", call.c_str()); });
    ResetCorvaneConfig();
    ResetEngineForTests();
    g_nVideoWidth = 1280;
    g_nVideoHeight = 720;
    g_nPhoneFrameRate = 0;
    wce::SetBroadcastTap([](UINT msg, WPARAM, LPARAM) {
      if (msg == N_WMMSG_CORVANE_QUIT_NOTIFY) wce::DebugPrint("broadcast quit notify\n");
    });
  }

  void TearDown() override {
    wce::SetBroadcastTap(nullptr);
    fakeadb::SetCallHook(nullptr);
    fakeadb::SetWriteHook(nullptr);
    // The close from outside leaves its WM_QUIT for the program's own loop.
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    ResetEngineForTests();
    wce::ResetUser();
    WceUiResFixture::TearDown();
  }

  int Run(CProbeAppMainWnd& wnd, int width = kScreenW, int height = kScreenH) {
    const RECT rc = {0, 0, width, height};
    return wnd.DoModal(WS_POPUP | WS_VISIBLE, &rc, nullptr);
  }

  static void Pump() { testpump::Pump(); }
  static bool PumpUntil(const std::function<bool()>& pred) { return testpump::PumpUntil(pred, 20000); }

  // The lines that contain one of the keys, each given as its key, in their order.
  std::vector<std::string> LinesOf(const std::vector<std::string>& keys) {
    std::vector<std::string> out;
    for (const std::string& line : Log()) {
      for (const std::string& key : keys) {
        if (line.find(key) != std::string::npos) {
          out.push_back(key);
          break;
        }
      }
    }
    return out;
  }
  // Lines after the first one that contains `from`.
  std::vector<std::string> LinesAfter(const std::string& from) {
    std::vector<std::string> all = Log();
    std::vector<std::string> out;
    bool seen = false;
    for (const std::string& line : all) {
      if (seen) out.push_back(line);
      if (!seen && line.find(from) != std::string::npos) seen = true;
    }
    return out;
  }
  static int Count(const std::vector<std::string>& lines, const std::string& text) {
    return CountLinesWith(lines, text);
  }
};
