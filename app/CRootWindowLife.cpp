#include "app/CRootWindowLife.h"

#include "app/AppWindowMessages.h"
#include "engine/CorvaneEngine.h"

#include "platform/user/user.h"
#include "services/CErrorLog.h"
#include "services/CorvaneConfig.h"

int CRootWindowLife::Start(HWND hwnd, PictureDrawCallback draw) {
  CErrorLog* errorLog = CErrorLog::GetInstance();
  errorLog->Load();
  g_nConnectCount = errorLog->ReadConnectCount();

  if (!g_CorvaneConfig.m_WindowParam.m_strWndTitle.IsEmpty()) {
    SetWindowTextW(hwnd, g_CorvaneConfig.m_WindowParam.m_strWndTitle);
  }
  g_CorvaneAppFlags.m_bWindowShown = IsWindowVisible(hwnd) ? 1 : 0;
  EngineLog("CeCorvane compile time  ( %s )  \r\n", __DATE__ " " __TIME__);

  int channels = g_CorvaneEngineSession.Init(hwnd, draw);
  g_CorvaneEngineSession.Start();

  SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
  SetWindowPos(hwnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
  return channels;
}

void CRootWindowLife::Shutdown() {
  StopEngine();
  RestoreUsbMassStorage();
  SaveLogs();
}

void CRootWindowLife::StopEngine() {
  g_CorvaneEngineSession.Stop();
  g_CorvaneEngineSession.Join();
  g_CorvaneEngineSession.Destroy();
  if (g_CorvaneConfig.m_bNotifyMsg != 0) PostMessageW(HWND_BROADCAST, N_WMMSG_CORVANE_QUIT_NOTIFY, 0, 0);
}

void CRootWindowLife::RestoreUsbMassStorage() {
  EnableUsbMassStorage();
}

void CRootWindowLife::SaveLogs() {
  CErrorLog* errorLog = CErrorLog::GetInstance();
  errorLog->Save();
  errorLog->WriteConnectCount(g_nConnectCount);
  CErrorLog::DestroyInstance();
}
