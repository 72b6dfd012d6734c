#include "app/CEngineLifeCycle.h"

#include "engine/CorvaneEngineSession.h"
#include "engine/CSingleInstance.h"
#include "app/AppWindowMessages.h"
#include "engine/CorvaneAppFlags.h"
#include "engine/CorvaneChannelContext.h"
#include "engine/CorvaneSendData.h"
#include "engine/CorvaneWindowMessages.h"
#include "engine/EngineLog.h"
#include "engine/HuInfo.h"
#include "engine/SystemInitThread.h"

#include "phonelink/CorvaneAdb.h"
#include "phonelink/DriverInstall.h"
#include "platform/audio/audio.h"
#include "platform/kernel/kernel.h"
#include "platform/user/user.h"
#include "services/CErrorLog.h"
#include "services/CorvaneConfig.h"

namespace {

const int kUsbThreadPriority = 250;
// The highest output level that is raised at start, and the step it is raised by.
const DWORD kQuietOutputLevel = 37;
const DWORD kOutputLevelRaise = 17;

}  // namespace

int CEngineLifeCycle::Start(HWND hwnd, PictureDrawCallback draw) {
  // A new engine life: the single instances destroyed by the last shutdown may be made again.
  CSingleInstanceBase::OpenAll();
  CErrorLog* errorLog = CErrorLog::GetInstance();
  errorLog->Load();
  g_nConnectCount = errorLog->ReadConnectCount();

  g_CorvaneChannelContext.m_hMainWnd = hwnd;
  if (!g_CorvaneConfig.windowParam.strWndTitle.IsEmpty()) {
    SetWindowTextW(hwnd, g_CorvaneConfig.windowParam.strWndTitle);
  }
  g_CorvaneAppFlags.m_bWindowShown = IsWindowVisible(hwnd) ? 1 : 0;
  EngineLog("CeCorvane compile time  ( %s )  \r\n", __DATE__ " " __TIME__);

  SetFrameRateByPlatform();

  m_hSysInitThread = nullptr;
  Corvane_Adb_SetUsbThreadPriority(kUsbThreadPriority);
  Corvane_Adb_Init();
  int channels = CreateChannelObjects(hwnd);
  SetPictureDrawCallback(draw);
  // The head unit's amplifier starts too quiet for the phone's sound on some units: a low output
  // level is raised by a fixed step through the wave driver's private messages.
  const DWORD level = waveOutMessage(nullptr, WODM_GET_OUTPUT_LEVEL, 0, 0);
  if (level <= kQuietOutputLevel)
    waveOutMessage(nullptr, WODM_SET_OUTPUT_LEVEL, level + kOutputLevelRaise, 0);

  m_hSysInitThread = CreateThread(nullptr, 0, SystemInitThread, &g_CorvaneAppFlags, 0, nullptr);

  SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
  SetWindowPos(hwnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
  return channels;
}

void CEngineLifeCycle::Shutdown() {
  StopEngine();
  RestoreUsbMassStorage();
  SaveLogs();
}

void CEngineLifeCycle::StopEngine() {
  // First: a sequencer inside one of the link's long calls (the channels' opening, the app start,
  // a push) comes back at once and opens nothing more while the channels are being closed.
  Corvane_Adb_BeginClose();
  // Every channel closed before the threads that read them are stopped.
  CloseChannels();
  StopSequencer();
  StopRevThreads();
  EngineLog("!!!!!!! ALL Tcp Thread Exit 0X%x \n", 1);

  EngineLog("!!!!!!! Close audio  \n");
  EngineLog("!!!!!!! recClose   CloseTTS   CloseMusicPlay   0X%x \n", 1);
  // The sequencer and every receive thread are joined: nothing else sends.
  CorvaneSendData::DestroyInstance();
  Corvane_Adb_Close();

  if (g_CorvaneConfig.bNotifyMsg != 0) PostMessageW(HWND_BROADCAST, N_WMMSG_CORVANE_QUIT_NOTIFY, 0, 0);
}

void CEngineLifeCycle::RestoreUsbMassStorage() {
  EnableUsbMassStorage();
}

void CEngineLifeCycle::SaveLogs() {
  CErrorLog* errorLog = CErrorLog::GetInstance();
  errorLog->Save();
  errorLog->WriteConnectCount(g_nConnectCount);
  CErrorLog::DestroyInstance();
}

void CEngineLifeCycle::CloseChannels() {
  bool bUnanswered = SendChannelCloses();
  int mask = GetChannelConnectMask();
  for (int i = 0; i < kCloseChannelTries && mask != 0 && !bUnanswered; ++i) {
    EngineLog("!!!!!!! WaitFor ADB TCP Disconnect 0X%x \n", mask);
    Sleep(200);
    mask = GetChannelConnectMask();
    if (mask != 0) {
      bUnanswered = SendChannelCloses();
      mask = GetChannelConnectMask();
    }
  }
  // The link's close below drops whatever the phone left open; the quit must not wait for it.
  if (mask != 0) EngineLog("!!!!!!! ADB TCP channels still open 0X%x, shutting down without them \n", mask);
}

bool CEngineLifeCycle::SendChannelCloses() {
  // The link waits up to kLinkCloseWaitMs for the phone's answers before it returns. A phone that
  // let that wait run out does not answer CLSE at all: each further try would wait as long again,
  // and the whole quit must end within three seconds.
  const DWORD dwStart = GetTickCount();
  Corvane_Adb_TcpDisconnect(kAdbAllChannels);
  return GetTickCount() - dwStart >= kLinkCloseWaitMs;
}

void CEngineLifeCycle::StopSequencer() {
  g_CorvaneChannelContext.m_bSysInitQuit = 1;
  SetEvent(g_hEventInit);
  SetEvent(g_hEventReconnect);
  EngineLog("!!!!!!! WaitFor SysInit Thread Exit 0X%x \n", LogHex(m_hSysInitThread));
  if (m_hSysInitThread) {
    WaitForSingleObject(m_hSysInitThread, INFINITE);
    CloseHandle(m_hSysInitThread);
    m_hSysInitThread = nullptr;
  }
  if (g_hEventInit) CloseHandle(g_hEventInit);
  if (g_hEventReconnect) CloseHandle(g_hEventReconnect);
  g_hEventInit = nullptr;
  g_hEventReconnect = nullptr;
}
