#include "engine/SystemInitThread.h"

#include "engine/CorvaneEngineSession.h"
#include "engine/CConnectProgress.h"
#include "engine/CorvaneAppFlags.h"
#include "engine/CorvaneChannelContext.h"
#include "engine/CorvaneHolder.h"
#include "engine/DibBmp.h"
#include "engine/CorvanePicture.h"
#include "engine/CorvaneSendData.h"
#include "engine/CorvaneWindowMessages.h"
#include "engine/EngineLog.h"
#include "engine/HuInfo.h"

#include "phonelink/CorvaneAdb.h"
#include "platform/kernel/codepage.h"
#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "services/CErrorLog.h"
#include "services/ProgramDir.h"
#include "platform/user/user.h"

#include <cstring>

namespace {

const int kHelperMissing = 255;
// The video thread waits 300 ms at most for data; the drain wakes it at once.
const DWORD kDrainWaitMs = 1000;

bool UsbIn() {
  return g_CorvaneAppFlags.m_bUsbIn.load() != 0;
}
bool Quitting() {
  return g_CorvaneChannelContext.m_bSysInitQuit.load() != 0;
}

// An attempt stops at its next step once the phone is gone or the program quits: the quit joins
// this thread and must not wait for the rest of a connection. Only the phone's going breaks an
// attempt off.
bool AttemptStops(bool* brokenOff) {
  if (Quitting()) return true;
  if (UsbIn()) return false;
  *brokenOff = true;
  return true;
}

void PostStep(int percent) {
  PostMessageW(g_CorvaneChannelContext.m_hMainWnd.load(), CORVAN_WM_CONNECT_STEP, 0, percent);
}

void PostMsg(LPARAM what) {
  PostMessageW(g_CorvaneChannelContext.m_hMainWnd.load(), CORVAN_WM_MSG, 0, what);
}

bool FileExists(const CString& path) {
  return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

// The phone link takes narrow paths in the system code page; a path that does not fit the
// link's 260 bytes is refused rather than cut.
bool ToNarrowPath(const CString& path, char* out, int outSize) {
  int n = WideCharToMultiByte(CP_ACP, 0, path, -1, out, outSize, nullptr, nullptr);
  if (n <= 0) {
    out[0] = '\0';
    return false;
  }
  return true;
}

}  // namespace

int GetChannelConnectMask() {
  int mask = 0;
  for (int c = 0; c < kAdbChannelCount; ++c) {
    if (Corvane_Adb_IsChannelConnected(c)) mask |= 1 << c;
  }
  return mask;
}

int IsAllChannelConnected() {
  return GetChannelConnectMask() == (1 << kAdbChannelCount) - 1;
}

int WaitDeviceActive(CorvaneHolder* /*holder*/) {
  DWORD waited = 0;
  // A phone held at its authorisation prompt never sends CNXN: quitting must end the wait too.
  while (!Corvane_Adb_IsConnected()) {
    if (!UsbIn() || Quitting()) return 0;
    Sleep(500);
    waited += 500;
    if (waited % 4000 == 0) EngineLog("####### WaitDeviceActive %d \n", static_cast<int>(waited));
  }
  return 1;
}

int LaunchPhoneApp(CorvaneHolder* /*holder*/) {
  int r = Corvane_Adb_StartPhoneApp();
  if (r == kAdbNoAnswer) {
    EngineLog("####### Corvane_Adb_StartPhoneApp Get Result time Out ReStart \n");
    r = Corvane_Adb_StartPhoneApp();
  }
  return r;
}

int StartVTSC(CorvaneHolder* /*holder*/) {
  CString dir = GetProgramDir();
  CString pushDir;
  if (FileExists(dir + u"\\vtsc16")) {
    pushDir = dir;
  } else if (FileExists(dir + u"\\vtsc")) {
    pushDir = dir + u"\\vtsc";
  } else {
    return kHelperMissing;
  }
  char narrow[260];
  if (!ToNarrowPath(pushDir, narrow, sizeof(narrow))) return kHelperMissing;

  int r = 0;
  for (int i = 0; i < 3; ++i) {
    Corvane_Adb_KillVtsc();
    Sleep(80);
    Corvane_Adb_SetPushDir(narrow);
    r = Corvane_Adb_StartVtsc();
    EngineLog("####### Corvane_Adb_StartVtsc() Return %d \n", r);
    if (r != kAdbGetpropTimeout && r != kAdbLevelBelowOne && r != kAdbHelperNotRunning) break;
    Sleep(100);
    if (Quitting()) break;
    if (!UsbIn()) {
      EngineLog("!!!!!!! StartVTSC Get UsbOut :%d \n", i);
      break;
    }
  }
  if (r == -15) r = 1;  // the phone's Android level needs no first helper
  Sleep(100);
  return r;
}

int StartVTIM(CorvaneHolder* /*holder*/) {
  CString dir = GetProgramDir();
  CString source;
  if (FileExists(dir + u"\\vtim.jar")) {
    source = dir;
  } else if (FileExists(dir + u"\\vtim")) {
    source = dir + u"\\vtim";
  } else {
    return kHelperMissing;
  }
  char narrow[260];
  if (!ToNarrowPath(source, narrow, sizeof(narrow))) return kHelperMissing;
  return Corvane_Adb_PushVtim(narrow);
}

int DisConnectTcp(CorvaneHolder* /*holder*/) {
  int mask = GetChannelConnectMask();
  EngineLog("!!!!!!! DisConnectTcp 0X%x \n", mask);
  if (mask == 0) return 1;
  Corvane_Adb_TcpDisconnect(kAdbAllChannels);
  mask = GetChannelConnectMask();
  for (int i = 0; i < 3 && mask != 0; ++i) {
    EngineLog("!!!!!!! WaitFor ADB TCP Disconnect 0X%x \n", mask);
    Sleep(350);
    mask = GetChannelConnectMask();
    if (mask != 0) Corvane_Adb_TcpDisconnect(kAdbAllChannels);
  }
  return mask == 0 ? 1 : 0;
}

int ReConnnectTcp(CorvaneHolder* holder) {
  DisConnectTcp(holder);
  Corvane_Adb_TcpConnect();
  int all = 0;
  for (int i = 0; i < 20 && !Quitting(); ++i) {
    all = IsAllChannelConnected();
    if (all) break;
    Sleep(20);
  }
  if (!all && !Quitting()) {
    Sleep(100);
    EngineLog("!!!!!!! Corvane_Adb_TcpConnect Error 0X%x \n", GetChannelConnectMask());
    if (Corvane_Adb_IsConnected()) Corvane_Adb_TcpConnect();
  }
  all = IsAllChannelConnected();
  EngineLog("####### ReConnnectTcp  IsConnect=%d   DeviceActive %d  \n", all, Corvane_Adb_IsConnected());
  return all;
}

int GetVersion(CorvaneHolder* holder, DWORD timeoutMs) {
  if (holder && holder->GetSender()) holder->GetSender()->SendProtocolVersion(1, 0);
  CConnectProgress* progress = CConnectProgress::Instance();
  for (DWORD waited = 0; waited < timeoutMs && !Quitting(); waited += 50) {
    if (progress->IsVersionAnswered()) return 1;
    Sleep(50);
  }
  if (progress->IsVersionAnswered()) return 1;
  EngineLog("!!!!!!! Get Version Error 0X%x \n", 3);
  return 0;
}

int cmdVideoEncoderInit(CorvaneHolder* holder, DWORD waitMs) {
  int width = GetSystemMetrics(SM_CXSCREEN);
  int height = GetSystemMetrics(SM_CYSCREEN);
  if (holder && holder->GetSender()) {
    holder->GetSender()->SendCmd56();
    holder->GetSender()->SendVideoEncoderInit(width, height, g_nRequestFrameRate);
  }
  EngineLog("!!!!!!! cmdVideoEncoderInit   \xEF\xBC\x88WD=%d  HT=%d\xEF\xBC\x89 %d \n", width, height,
            g_nRequestFrameRate);
  Sleep(waitMs);
  if (CConnectProgress::Instance()->IsEncoderReady()) return 1;
  EngineLog("!!!!!!! Get EncoderInit Error 0X%x \n", 3);
  return 0;
}

int cmdVideoEncoderStart(CorvaneHolder* holder) {
  if (holder && holder->GetSender()) holder->GetSender()->SendVideoEncoderStart();
  EngineLog("!!!!!!! cmdVideoEncoderStart %d \n", 100);
  return 1;
}

DWORD SystemInitThread(LPVOID param) {
  CorvaneHolder* holder = CorvaneHolder::GetInstance();
  if (!param || !holder) {
    EngineLog("!!!!!!! SystemInitThread Param Error   pRWnd=0X%x   pCorvane=0X%x  \n", LogHex(param),
              LogHex(holder));
  }
  CErrorLog* errorLog = CErrorLog::GetInstance();
  bool brokenOff = false;
  const HANDLE events[2] = {g_hEventInit, g_hEventReconnect};

  while (!Quitting()) {
    ++g_nConnectCount;
    EngineLog("############################  g_nConnectCount %d  %d   \n", g_nConnectCount.load(),
              g_bStatisticsSent.load());
    if (brokenOff) {
      errorLog->AddLine(CErrorLog::kLineUsbLost);
      brokenOff = false;
    }

    DWORD woke = WaitForMultipleObjects(2, events, FALSE, INFINITE);
    if (Quitting()) break;
    if (woke != WAIT_OBJECT_0 && woke != WAIT_OBJECT_0 + 1) {
      // Both handles are created before the thread; a failed wait only happens while the events
      // are being closed, so do not spin on it.
      Sleep(200);
      continue;
    }
    const bool reconnect = woke == WAIT_OBJECT_0 + 1;

    if (g_bStatisticsSent.exchange(0)) ++g_nConnectCount;
    const DWORD startTick = GetTickCount();

    // Attempt body; every "break" ends the attempt.
    do {
      DibBmp::GetInstance().SetPictureBusy(0);
      PostStep(10);
      if (reconnect) DisConnectTcp(holder);
      Sleep(reconnect ? 800 : 500);

      if (!WaitDeviceActive(holder)) {
        // The line is for a phone that went away unanswered; a quit during the wait is no failure.
        if (!Quitting() && !g_bAuthFailLogged.exchange(1)) errorLog->AddLine(CErrorLog::kLineAuthFailed);
        break;
      }

      g_CorvaneAppFlags.m_bAppInstalled = 1;
      PostStep(20);
      EngineLog("############################  Start Connect %d  ############################ %d   \n",
                Corvane_Adb_IsConnected(), g_nConnectCount.load());

      // Every attempt starts its receivers at a header. The voice-recognition receiver shares
      // the TTS thread and is reset with it.
      ResetChannelReceivers();

      if (LaunchPhoneApp(holder) == kAdbAppMissing) {
        g_CorvaneAppFlags.m_bAppInstalled = 0;
        errorLog->AddLine(CErrorLog::kLineAppNotInstalled);
        PostMsg(CORVAN_MSG_APP_MISSING);
        break;
      }

      PostStep(30);
      Sleep(0);
      if (AttemptStops(&brokenOff)) break;

      int vtsc = StartVTSC(holder);
      PostStep(40);
      Sleep(0);
      if (vtsc < 0) {
        EngineLog("!!!!!!! Corvane_Adb_StartVtsc ERROR %d \n", vtsc);
        if (vtsc != kAdbHelperNotNeeded) {
          SetEvent(g_hEventReconnect);
          errorLog->AddLine(CErrorLog::kLineVtscFailed);
          break;
        }
      }
      if (vtsc == kHelperMissing) {
        PostMsg(CORVAN_MSG_HELPER_MISSING);
        break;
      }

      if (AttemptStops(&brokenOff)) break;
      if (StartVTIM(holder) == kHelperMissing) PostMsg(CORVAN_MSG_HELPER_MISSING);
      PostStep(50);
      Sleep(0);
      if (AttemptStops(&brokenOff)) break;

      if (!ReConnnectTcp(holder) && UsbIn() && !Quitting()) errorLog->AddLine(CErrorLog::kLineForwardFailed);
      if (Quitting()) break;

      PostStep(60);
      Sleep(10);
      RevThread();
      CConnectProgress::Instance()->Clear();

      PostStep(70);
      GetVersion(holder, 1000);
      if (AttemptStops(&brokenOff)) break;
      PostStep(80);
      Sleep(10);
      SendHuDeviceInfo(holder);
      SendHuStatisticsInfo(holder, g_nConnectCount, startTick);

      if (AttemptStops(&brokenOff)) break;
      PostStep(90);
      Sleep(10);
      DrainVideoChannel(kDrainWaitMs);
      cmdVideoEncoderInit(holder, 700);
      cmdVideoEncoderStart(holder);
      PostStep(100);

      g_ConnectStatRecord.contime = static_cast<int32_t>(GetTickCount() - startTick);
      g_ConnectStatRecord.contotal = g_nConnectCount;
      g_ConnectStatRecord.consuccess = 1;
      g_ConnectStatRecord.confailed = g_nConnectCount - 1;
      SetTimer(g_CorvaneChannelContext.m_hMainWnd.load(), TIMER_ID_SEND_INFO_MD, 600, nullptr);
      EngineLog("=============================  End Connect %d  ============================= \n",
                g_nConnectCount.load());
    } while (false);
  }

  CConnectProgress::Free();
  CorvaneHolder::DestroyInstance();
  EngineLog("!!!!!!! SystemInitThread Exit 0X%x \n", 1);
  return 0;
}
