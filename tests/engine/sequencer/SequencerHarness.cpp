#include "tests/engine/sequencer/SequencerHarness.h"

#include "tests/engine/WindowPump.h"

#include "engine/CorvaneEngineSession.h"
#include "engine/CConnectProgress.h"
#include "engine/CSingleInstance.h"
#include "engine/CorvaneAppFlags.h"
#include "engine/CorvaneChannelContext.h"
#include "engine/CorvaneWindowMessages.h"
#include "engine/SystemInitThread.h"

#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "services/CErrorLog.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

std::vector<PostedMsg> g_received;

LRESULT RecordProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg >= 0xC000 || msg == WM_TIMER) g_received.push_back({msg, wParam, lParam});
  if (msg == WM_TIMER) KillTimer(hwnd, wParam);
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

SequencerHarness::SequencerHarness() {
  char tmpl[] = "/tmp/corvane-seq-XXXXXX";
  m_strRoot = mkdtemp(tmpl);
  wce::SetRootDir(m_strRoot);
  wce::SetModuleFileName(u"\\SDMMC\\CECorvane\\CECorvane.exe");
  m_strProgramDir = m_strRoot + "/SDMMC/CECorvane";
  std::filesystem::create_directories(m_strProgramDir);

  fakeadb::Reset();
  // Each harness is an engine life of its own.
  ResetEngineForTests();
  CErrorLog::GetInstance()->Clear();
  g_nConnectCount = 0;
  ResetEvent(g_hEventInit);
  ResetEvent(g_hEventReconnect);

  static bool registered = false;
  if (!registered) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = RecordProc;
    wc.lpszClassName = u"SequencerTestWnd";
    RegisterClassW(&wc);
    registered = true;
  }
  g_received.clear();
  m_hwnd = CreateWindowExW(0, u"SequencerTestWnd", u"", WS_POPUP, 0, 0, 800, 480, nullptr, nullptr, nullptr,
                           nullptr);
}

SequencerHarness::~SequencerHarness() {
  Stop();
  fakeadb::SetCallHook(nullptr);
  fakeadb::SetWriteHook(nullptr);
  DestroyWindow(m_hwnd);
  std::error_code ec;
  std::filesystem::remove_all(m_strRoot, ec);
}

void SequencerHarness::TouchFile(const std::string& name) {
  std::ofstream(m_strProgramDir + "/" + name) << "x";
}

void SequencerHarness::MakeDir(const std::string& name) {
  std::filesystem::create_directories(m_strProgramDir + "/" + name);
}

void SequencerHarness::AnswerPhone(bool version, bool encoder) {
  fakeadb::AnswerPhone(version, encoder);
}

void SequencerHarness::Start() {
  CreateChannelObjects(m_hwnd);
  m_hThread = CreateThread(nullptr, 0, SystemInitThread, &g_CorvaneAppFlags, 0, nullptr);
}

void SequencerHarness::PlugIn() {
  g_CorvaneAppFlags.m_bUsbIn = 1;
  SetEvent(g_hEventInit);
}

void SequencerHarness::Reconnect() {
  SetEvent(g_hEventReconnect);
}

bool SequencerHarness::PumpUntil(const std::function<bool()>& pred) {
  return testpump::PumpUntil(pred, 20000);
}

bool SequencerHarness::Stop() {
  if (!m_hThread) return true;
  g_CorvaneChannelContext.m_bSysInitQuit = 1;
  SetEvent(g_hEventInit);
  SetEvent(g_hEventReconnect);
  bool ended = WaitForSingleObject(m_hThread, 10000) == WAIT_OBJECT_0;
  if (!ended) return false;
  CloseHandle(m_hThread);
  m_hThread = nullptr;
  StopRevThreads();
  // What the sequencer posted before it ended.
  testpump::Pump();
  return true;
}

std::vector<PostedMsg> SequencerHarness::Posted(UINT msg) const {
  std::vector<PostedMsg> out;
  for (const PostedMsg& m : g_received) {
    if (m.m_nMsg == msg) out.push_back(m);
  }
  return out;
}

std::vector<LPARAM> SequencerHarness::Progress() const {
  std::vector<LPARAM> out;
  for (const PostedMsg& m : Posted(CORVAN_WM_CONNECT_STEP)) out.push_back(m.m_lParam);
  return out;
}

bool SequencerHarness::TimerFired(UINT_PTR id) const {
  for (const PostedMsg& m : Posted(WM_TIMER)) {
    if (m.m_wParam == id) return true;
  }
  return false;
}
