// Everything asked of the phone's shell: the app start, the Android version, the first
// helper's push, start and watch, and the kill of an old helper. Each request is a tracked
// "shell:" stream; the handlers here run on the USB reader thread, set their flags first and
// their event last.
#include "AdbSession.h"
#include "CorvaneAdb.h"
#include "LinkCall.h"
#include "LinkLog.h"
#include "ShellAnswer.h"

#include <cstdio>
#include <cstring>

namespace {
const char kAppStart[] = "shell:am start -n com.velto.corvane/com.velto.corvane.CorvaneActivity";
const char kRunVtsc[] = "shell:/data/local/tmp/vtsc";
const int kMaxHelperStarts = 23;
}  // namespace

void HandleShellAnswer(int32_t kind, const AdbPacket* packet) {
  const uint8_t* text = packet->data;
  size_t length = packet->data_length;
  bool empty = ShellAnswer::IsEmptyLine(text, length);
  switch (kind) {
    case ADB_KIND_PS_WATCH:
      // With no helper start waiting the answer is left alone (the phone's stream then waits).
      if (!g_adb.helper_wait) return;
      if (ShellAnswer::HelperRunning(text, length)) {
        g_adb.helper_seen = 1;
        g_adb.helper_wait = 0;
        SetEvent(g_adb.ev_helper_running);
      }
      SendAdbOkay(packet->arg1, packet->arg0);
      break;
    case ADB_KIND_PS_KILL: {
      SendAdbOkay(packet->arg1, packet->arg0);
      g_adb.shell_window.Append(text, length);
      if (int pid = g_adb.shell_window.TakeHelperPid()) {
        char kill[64];
        std::snprintf(kill, sizeof(kill), "shell:kill -9 %d", pid);
        SendAdbOpen(kill, ADB_KIND_PLAIN);
      }
      break;
    }
    case ADB_KIND_RELEASE:
      SendAdbOkay(packet->arg1, packet->arg0);
      if (!g_adb.release_m && ShellAnswer::ReleaseStartsWithM(text, length)) g_adb.release_m = 1;
      if (!g_adb.release_444 && ShellAnswer::ReleaseIs444(text, length)) g_adb.release_444 = 1;
      if (!empty && g_adb.ev_getprop) SetEvent(g_adb.ev_getprop);
      break;
    case ADB_KIND_SDK:
      SendAdbOkay(packet->arg1, packet->arg0);
      if (!empty) {
        g_adb.android_level = ShellAnswer::SdkLevel(text, length);
        if (g_adb.ev_getprop) SetEvent(g_adb.ev_getprop);
      }
      break;
    case ADB_KIND_APP_START:
      if (!g_adb.app_answered) {
        g_adb.app_started = 1;
        g_adb.app_answered = 1;
      }
      SendAdbOkay(packet->arg1, packet->arg0);
      if (!empty && ShellAnswer::AppStartFailed(text, length)) g_adb.app_started = 0;
      break;
    case ADB_KIND_LS_JAR:
      SendAdbOkay(packet->arg1, packet->arg0);
      if (!empty) {
        g_adb.jar_present = ShellAnswer::JarPresent(text, length) ? 1 : 0;
        SetEvent(g_adb.ev_ls);
      }
      break;
    default:
      SendAdbOkay(packet->arg1, packet->arg0);
      break;
  }
}

void HandleHelperWatchClose() {
  if (g_adb.helper_seen) {
    SetEvent(g_adb.ev_helper_running);
    return;
  }
  int32_t reruns = ++g_adb.rerun_counter;
  if (reruns >= kMaxHelperStarts) {
    g_adb.rerun_counter = -1;
    SetEvent(g_adb.ev_helper_running);
    g_adb.current_op = 0;
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
  if (!call.Open()) return kAdbNoAnswer;
  ResetEvent(g_adb.ev_app_start);
  g_adb.app_answered = 0;
  g_adb.app_started = 0;
  SendAdbOpen(kAppStart, ADB_KIND_APP_START);
  WaitForSingleObject(g_adb.ev_app_start, 3500);
  if (!g_adb.app_answered) return kAdbNoAnswer;
  return g_adb.app_started ? 0 : kAdbAppMissing;
}

int Corvane_Adb_KillVtsc() {
  LinkCall call;
  if (!call.Open()) return 0;
  // Each listing is searched on its own: nothing of an earlier one may be found again.
  g_adb.shell_window.Refill();
  SendAdbOpen("shell:ps", ADB_KIND_PS_KILL);
  return 0;
}

void Corvane_Adb_SetPushDir(const char* directory) {
  if (!directory) directory = "";
  size_t length = std::strlen(directory);
  const char* slash = (length && directory[length - 1] == '\\') ? "" : "\\";
  std::snprintf(g_adb.helper_dir, sizeof(g_adb.helper_dir), "%.*s%svtsc", MAX_PATH - 8, directory, slash);
}

int Corvane_Adb_StartVtsc() {
  LinkCall call;
  if (!call.Open()) return kAdbNoAnswer;
  const uint32_t usbOuts = g_adb.usb_out_count;
  g_adb.release_444 = 0;
  g_adb.release_m = 0;
  g_adb.android_level = 0;
  if (!g_adb.ev_getprop) g_adb.ev_getprop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ResetEvent(g_adb.ev_getprop);

  SendAdbOpen("shell:getprop ro.build.version.release\n", ADB_KIND_RELEASE);
  if (WaitForSingleObject(g_adb.ev_getprop, 4000) != WAIT_OBJECT_0) {
    LinkLog("[@@] getprop  version.release timeout  \n");
    return kAdbGetpropTimeout;
  }
  if (!g_adb.usb_up) return kAdbNoAnswer;
  ResetEvent(g_adb.ev_getprop);
  SendAdbOpen("shell:getprop ro.build.version.sdk\n", ADB_KIND_SDK);
  if (WaitForSingleObject(g_adb.ev_getprop, 5000) != WAIT_OBJECT_0) {
    LinkLog("[@@] getprop  version.sdk timeout  \n");
    return kAdbGetpropTimeout;
  }
  if (!g_adb.usb_up) return kAdbNoAnswer;

  int level = g_adb.android_level;
  if (level == 22) level = g_adb.release_m ? 23 : 21;
  g_adb.android_level = level;
  if (level > 23) return kAdbHelperNotNeeded;
  if (level < 1) return kAdbLevelBelowOne;

  if (level == 19 && g_adb.release_444) {
    std::snprintf(g_adb.helper_path, sizeof(g_adb.helper_path), "%s19_01", g_adb.helper_dir);
  } else {
    std::snprintf(g_adb.helper_path, sizeof(g_adb.helper_path), "%s%02d", g_adb.helper_dir, level);
  }

  // The watch is armed before the push: the phone's answers to the chain that the push sets
  // off (chmod, start, "shell:ps") can come back before the push returns.
  g_adb.rerun_counter = 1;
  g_adb.helper_seen = 0;
  g_adb.helper_wait = 1;
  ResetEvent(g_adb.ev_helper_running);
  if (PushImage(g_adb.helper_path) == -1) {
    g_adb.helper_wait = 0;
    return kAdbFileMissing;
  }
  if (WaitForSingleObject(g_adb.ev_helper_running, 10000) != WAIT_OBJECT_0) return kAdbHelperNotRunning;
  // A USB out wakes this wait too; a helper never seen on a phone that went away is no success.
  if (!g_adb.helper_seen && (g_adb.usb_out_count != usbOuts || !g_adb.usb_up || !g_adb.initialised))
    return kAdbNoAnswer;
  return g_adb.rerun_counter;
}
