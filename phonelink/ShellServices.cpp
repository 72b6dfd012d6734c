// Everything asked of the phone's shell: the app start, the Android version, the first
// helper's push, start and watch, and the kill of an old helper. Each request is a tracked
// "shell:" stream; the handlers here run on the USB reader thread, set their flags first and
// their event last.
#include "phonelink/AdbSession.h"
#include "phonelink/CorvaneAdb.h"
#include "phonelink/LinkCall.h"
#include "phonelink/LinkLog.h"
#include "phonelink/ShellAnswer.h"

#include <cstdio>
#include <cstring>

namespace {
const char kRunVtsc[] = "shell:/data/local/tmp/vtsc";
const int kMaxHelperStarts = 23;
}  // namespace

void HandleShellAnswer(int32_t kind, const AdbPacket* packet) {
  const uint8_t* text = packet->m_Data;
  size_t length = packet->data_length;
  bool empty = ShellAnswer::IsEmptyLine(text, length);
  switch (kind) {
    case ADB_KIND_PS_WATCH:
      // With no helper start waiting the answer is left alone (the phone's stream then waits).
      if (!g_adb.m_Shell.m_bHelperWait) return;
      if (ShellAnswer::HelperRunning(text, length)) {
        g_adb.m_Shell.m_bHelperSeen = 1;
        g_adb.m_Shell.m_bHelperWait = 0;
        SetEvent(g_adb.m_Shell.m_hHelperRunning);
      }
      SendAdbOkay(packet->arg1, packet->arg0);
      break;
    case ADB_KIND_PS_KILL: {
      SendAdbOkay(packet->arg1, packet->arg0);
      g_adb.m_Shell.m_Window.Append(text, length);
      if (int pid = g_adb.m_Shell.m_Window.TakeHelperPid()) {
        char kill[64];
        std::snprintf(kill, sizeof(kill), "shell:kill -9 %d", pid);
        SendAdbOpen(kill, ADB_KIND_PLAIN);
      }
      break;
    }
    case ADB_KIND_RELEASE:
      SendAdbOkay(packet->arg1, packet->arg0);
      if (!g_adb.m_Shell.m_bReleaseM && ShellAnswer::ReleaseStartsWithM(text, length))
        g_adb.m_Shell.m_bReleaseM = 1;
      if (!g_adb.m_Shell.m_bRelease444 && ShellAnswer::ReleaseIs444(text, length))
        g_adb.m_Shell.m_bRelease444 = 1;
      if (HANDLE getprop = g_adb.m_Shell.m_hGetprop; !empty && getprop) SetEvent(getprop);
      break;
    case ADB_KIND_SDK:
      SendAdbOkay(packet->arg1, packet->arg0);
      if (!empty) {
        g_adb.m_Shell.m_nAndroidLevel = ShellAnswer::SdkLevel(text, length);
        if (HANDLE getprop = g_adb.m_Shell.m_hGetprop) SetEvent(getprop);
      }
      break;
    case ADB_KIND_APP_START:
      if (!g_adb.m_Shell.m_bAppAnswered) {
        g_adb.m_Shell.m_bAppStarted = 1;
        g_adb.m_Shell.m_bAppAnswered = 1;
      }
      SendAdbOkay(packet->arg1, packet->arg0);
      if (!empty && ShellAnswer::AppStartFailed(text, length)) g_adb.m_Shell.m_bAppStarted = 0;
      break;
    case ADB_KIND_LS_JAR:
      SendAdbOkay(packet->arg1, packet->arg0);
      if (!empty) {
        g_adb.m_Shell.m_bJarPresent = ShellAnswer::JarPresent(text, length) ? 1 : 0;
        SetEvent(g_adb.m_Shell.m_hLs);
      }
      break;
    default:
      SendAdbOkay(packet->arg1, packet->arg0);
      break;
  }
}

void HandleHelperWatchClose() {
  if (g_adb.m_Shell.m_bHelperSeen) {
    SetEvent(g_adb.m_Shell.m_hHelperRunning);
    return;
  }
  int32_t reruns = ++g_adb.m_Shell.m_nReruns;
  if (reruns >= kMaxHelperStarts) {
    g_adb.m_Shell.m_nReruns = -1;
    SetEvent(g_adb.m_Shell.m_hHelperRunning);
    g_adb.m_Tracker.m_nCurrentOp = 0;
  } else {
    SendAdbOpen(kRunVtsc, ADB_KIND_RUN_VTSC);
  }
}

int Corvane_Adb_Shell(const char* service) {
  if (!service || std::strncmp(service, "push", 4) == 0) return 0;
  LinkCall call;
  if (!call.Open()) return 0;
  return SendAdbOpen(service, ADB_KIND_PLAIN);
}

int Corvane_Adb_StartPhoneApp() {
  LinkCall call;
  if (!call.Open() || g_adb.m_Life.m_bClosing) return kAdbNoAnswer;
  ResetEvent(g_adb.m_Shell.m_hAppStart);
  g_adb.m_Shell.m_bAppAnswered = 0;
  g_adb.m_Shell.m_bAppStarted = 0;
  SendAdbOpen(kAdbAppStartService, ADB_KIND_APP_START);
  g_adb.m_Life.WaitOrClosing(g_adb.m_Shell.m_hAppStart, 3500);
  if (!g_adb.m_Shell.m_bAppAnswered || g_adb.m_Life.m_bClosing) return kAdbNoAnswer;
  return g_adb.m_Shell.m_bAppStarted ? 0 : kAdbAppMissing;
}

int Corvane_Adb_KillVtsc() {
  LinkCall call;
  if (!call.Open()) return 0;
  // Each listing is searched on its own: nothing of an earlier one may be found again.
  g_adb.m_Shell.m_Window.Refill();
  SendAdbOpen("shell:ps", ADB_KIND_PS_KILL);
  return 0;
}

void Corvane_Adb_SetPushDir(const char* directory) {
  if (!directory) directory = "";
  size_t length = std::strlen(directory);
  const char* slash = (length && directory[length - 1] == '\\') ? "" : "\\";
  std::snprintf(g_adb.m_Shell.m_szHelperDir, sizeof(g_adb.m_Shell.m_szHelperDir), "%.*s%svtsc", MAX_PATH - 8,
                directory, slash);
}

int Corvane_Adb_StartVtsc() {
  LinkCall call;
  if (!call.Open() || g_adb.m_Life.m_bClosing) return kAdbNoAnswer;
  const uint32_t usbOuts = g_adb.m_Life.m_nUsbOuts;
  g_adb.m_Shell.m_bRelease444 = 0;
  g_adb.m_Shell.m_bReleaseM = 0;
  g_adb.m_Shell.m_nAndroidLevel = 0;
  const HANDLE getprop = g_adb.m_Shell.GetpropEvent();
  ResetEvent(getprop);

  SendAdbOpen("shell:getprop ro.build.version.release\n", ADB_KIND_RELEASE);
  if (g_adb.m_Life.WaitOrClosing(getprop, 4000) != WAIT_OBJECT_0) {
    if (g_adb.m_Life.m_bClosing) return kAdbNoAnswer;
    LinkLog("[@@] getprop  version.release timeout  \n");
    return kAdbGetpropTimeout;
  }
  if (!g_adb.m_Life.PhoneReachable()) return kAdbNoAnswer;
  ResetEvent(getprop);
  SendAdbOpen("shell:getprop ro.build.version.sdk\n", ADB_KIND_SDK);
  if (g_adb.m_Life.WaitOrClosing(getprop, 5000) != WAIT_OBJECT_0) {
    if (g_adb.m_Life.m_bClosing) return kAdbNoAnswer;
    LinkLog("[@@] getprop  version.sdk timeout  \n");
    return kAdbGetpropTimeout;
  }
  if (!g_adb.m_Life.PhoneReachable()) return kAdbNoAnswer;

  int level = g_adb.m_Shell.m_nAndroidLevel;
  if (level == 22) level = g_adb.m_Shell.m_bReleaseM ? 23 : 21;
  g_adb.m_Shell.m_nAndroidLevel = level;
  if (level > 23) return kAdbHelperNotNeeded;
  if (level < 1) return kAdbLevelBelowOne;

  if (level == 19 && g_adb.m_Shell.m_bRelease444) {
    std::snprintf(g_adb.m_Shell.m_szHelperPath, sizeof(g_adb.m_Shell.m_szHelperPath), "%s19_01",
                  g_adb.m_Shell.m_szHelperDir);
  } else {
    std::snprintf(g_adb.m_Shell.m_szHelperPath, sizeof(g_adb.m_Shell.m_szHelperPath), "%s%02d",
                  g_adb.m_Shell.m_szHelperDir, level);
  }

  // The watch is armed before the push: the phone's answers to the chain that the push sets
  // off (chmod, start, "shell:ps") can come back before the push returns.
  g_adb.m_Shell.m_nReruns = 1;
  g_adb.m_Shell.m_bHelperSeen = 0;
  g_adb.m_Shell.m_bHelperWait = 1;
  ResetEvent(g_adb.m_Shell.m_hHelperRunning);
  if (PushImage(g_adb.m_Shell.m_szHelperPath) == -1) {
    g_adb.m_Shell.m_bHelperWait = 0;
    return kAdbFileMissing;
  }
  if (g_adb.m_Life.WaitOrClosing(g_adb.m_Shell.m_hHelperRunning, 10000) != WAIT_OBJECT_0)
    return g_adb.m_Life.m_bClosing ? kAdbNoAnswer : kAdbHelperNotRunning;
  // A USB out wakes this wait too; a helper never seen on a phone that went away is no success.
  if (!g_adb.m_Shell.m_bHelperSeen && (g_adb.m_Life.m_nUsbOuts != usbOuts || !g_adb.m_Life.PhoneReachable()))
    return kAdbNoAnswer;
  return g_adb.m_Shell.m_nReruns;
}
