// The phone link's state, its start and its end.
#include "phonelink/CorvaneAdb.h"

#include "phonelink/AdbKeys.h"
#include "phonelink/AdbSession.h"
#include "phonelink/LinkCall.h"
#include "phonelink/LinkLog.h"

#include "platform/kernel/CsLock.h"
#include "platform/kernel/filesys.h"
#include "platform/kernel/KernelHooks.h"

#include "phonelink/DriverInstall.h"

#include <string>

namespace {
const int kDefaultPriority = 251;
// Every wait of a caller ends at once when its event or the closing event is set.
const DWORD kCallerDrainMs = 600;

// The program's directory with its trailing "\", as narrow text.
std::string ProgramDirectory() {
  const char* dir = GetModuleDirectoryA();
  return dir ? dir : "";
}

// Wakes every caller that waits inside the link and waits until all have left. The events
// are set again on each pass: a caller may reset its event just after the flags were cleared.
bool WaitForCallers() {
  const DWORD start = GetTickCount();
  while (g_adb.m_Life.m_nCallers > 0) {
    g_adb.m_Shell.WakeWaiters();
    g_adb.m_Push.WakeWaiters();
    for (AdbChannel& ch : g_adb.m_Channels) {
      if (ch.m_hEvent) SetEvent(ch.m_hEvent);
    }
    if (GetTickCount() - start > kCallerDrainMs) return false;
    Sleep(2);
  }
  return true;
}
}  // namespace

CorvaneAdbSession g_adb;

int Corvane_Adb_Init() {
  CsLock hold(g_adb.m_Life.LinkLock());
  LinkLog("[@@] velto::corvane compile time  ( %s )  \r\n", __DATE__ " " __TIME__);
  int driver = LoadAdbDriver();
  if (driver != 0) {
    LinkLog("[@@] LoadAdbDriver  Error %d \n", driver);
    return driver;
  }
  if (g_adb.m_Life.m_bInitialised) {
    // Called once per process; a second call leaves the running link as it is.
    LinkLog("[@@] velto::corvane   Corvane_Adb_Init Error  multi-call  \r\n");
    return 0;
  }
  LoadKeys(ProgramDirectory().c_str());
  g_adb.m_Channels.Create();
  g_adb.m_Shell.CreateEvents();
  g_adb.m_Push.Create();
  g_adb.m_Tracker.m_Requests.Init();
  g_adb.m_Shell.m_Window.Refill();

  g_adb.m_Life.EndClosing();
  g_adb.m_Life.m_bInitialised = 1;
  if (g_adb.m_Life.m_nThreadPriority == -1) g_adb.m_Life.m_nThreadPriority = kDefaultPriority;
  StartWriter(g_adb.m_Life.m_nThreadPriority);
  StartUsb();
  return 0;
}

int Corvane_Adb_Close() {
  CsLock hold(g_adb.m_Life.LinkLock());
  usb_close();
  if (!g_adb.m_Life.m_bInitialised) return kAdbNotInitialised;
  g_adb.m_Life.m_bInitialised = 0;
  g_adb.m_Life.m_bUsbUp = 0;
  g_adb.m_Life.BeginClosing();
  if (!WaitForCallers()) {
    // A caller is still inside: what it may touch is left allocated rather than freed under it.
    LinkLog("[@@] Corvane_Adb_Close  callers left=%d \n", g_adb.m_Life.m_nCallers.load());
    StopWriter();
    return 0;
  }
  g_adb.m_Channels.FreeBuffers();
  LinkLog("[@@] Corvane_Adb_Close  0X%x \n", 0u);
  g_adb.m_Tracker.m_Requests.Destroy();
  StopWriter();
  g_adb.m_Shell.CloseEvents();
  g_adb.m_Push.Release();
  g_adb.m_Channels.CloseEvents();
  FreeKeys();
  g_adb.m_Life.m_pKeyCursor = nullptr;
  // Nothing runs any more: the link is as before its start (ids keep growing for the process).
  g_adb.m_Life.m_bConnected = 0;
  g_adb.m_Life.m_bUsbUp = 0;
  return 0;
}

void Corvane_Adb_BeginClose() {
  g_adb.m_Life.BeginClosing();
}

BYTE Corvane_Adb_IsConnected() {
  return g_adb.m_Life.m_bConnected;
}

int Corvane_Adb_SetTcpDataNotifyEvent(int channel, HANDLE event) {
  if (channel < 0 || channel >= kAdbChannelCount) return kAdbFileMissing;
  LinkCall call;
  if (call.Open() && g_adb.m_Channels[channel].m_pBuffer)
    g_adb.m_Channels[channel].m_pBuffer->SetDataEvent(event);
  return 0;
}

void Corvane_Adb_SetUsbThreadPriority(int priority) {
  setUsbThreadPriority(priority);
  ApplyWriterPriority(priority);
}

void ResetOnUsbOut() {
  ++g_adb.m_Life.m_nUsbOuts;
  if (g_adb.m_Shell.m_hHelperRunning) SetEvent(g_adb.m_Shell.m_hHelperRunning);
  g_adb.m_Tracker.m_Requests.Clear();
  ClearQueue();
  g_adb.m_Shell.m_Window.Refill();
  g_adb.m_Tracker.MarkStale(g_adb.m_Channels[kAdbChannelCount - 1].m_nLocalId);
  g_adb.m_Shell.m_bAppAnswered = 0;
  g_adb.m_Shell.m_bAppStarted = 0;
  g_adb.m_Life.m_pKeyCursor = nullptr;
}

void ResetLinkStateForTests() {
  if (g_adb.m_Life.m_bInitialised) return;
  g_adb.m_Tracker.ResetIds();
  g_adb.m_Life.m_nThreadPriority = -1;
  g_adb.m_Channels.ResetIds();
  FreeKeys();
  ResetPublicKeyIndex();
  SetPushOpenedHook(nullptr);
  // The program directory is read again, for a test that moved the program.
  corvane::ResetDriverInstall();
}
