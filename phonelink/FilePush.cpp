// The push of the helper programs: the first helper as one sync image written from the link
// state, the second helper and its archive through the two push objects.
#include "phonelink/AdbSession.h"
#include "phonelink/CAdbPushFile.h"
#include "phonelink/CorvaneAdb.h"
#include "phonelink/LinkCall.h"
#include "phonelink/LinkLog.h"
#include "phonelink/LocalFile.h"
#include "phonelink/SyncImage.h"

#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <utility>

namespace {
const char kVtscHeader[] = "SEND    /data/local/tmp/vtsc,33206DATA";

std::function<void(const char*, int32_t)> g_pushOpenedHook;

// The phone that was there when the call began is still there: no USB out in between.
bool SamePhone(uint32_t usbOuts) {
  return g_adb.m_Life.PhoneReachable() && g_adb.m_Life.m_nUsbOuts == usbOuts;
}

// -10 missing file, -11 stream not opened, -12 transfer not ended; 0 pushed. The last slice
// queued is no proof: a phone lost meanwhile got part of the file at best.
int PushWithObject(CAdbPushFile& push, const char* directory, const char* name, uint32_t usbOuts) {
  push.Reset();
  if (!push.Load(directory, name)) return kAdbFileMissing;
  const int32_t localId = g_adb.m_Tracker.m_nCounter;
  if (push.OpenSync(localId) != 0 || !SamePhone(usbOuts)) return kAdbSyncOpenFailed;
  if (g_pushOpenedHook) g_pushOpenedHook(name, localId);
  if (!push.WaitTransferEnd(5000)) return kAdbTransferTimeout;
  if (!g_adb.m_Life.Pause(100) || !SamePhone(usbOuts)) return kAdbTransferTimeout;
  return 0;
}
}  // namespace

void SetPushOpenedHook(std::function<void(const char* name, int32_t localId)> hook) {
  g_pushOpenedHook = std::move(hook);
}

int PushImage(const char* localPath) {
  std::vector<uint8_t> file;
  if (!ReadLocalFile(localPath, &file)) return -1;
  AdbFilePushState& push = g_adb.m_Push;
  {
    std::lock_guard<std::mutex> hold(push.m_Lock);
    push.m_Image = SyncImage::Build(kVtscHeader, file.data(), static_cast<uint32_t>(file.size()), 0, 8);
    push.m_nSlice = 0;
  }
  ResetEvent(push.m_hSyncOpened);
  ResetEvent(push.m_hPushDone);
  for (int attempt = 0; attempt < 5; ++attempt) {
    // Cleared before the OPEN goes out: a fast phone's OKAY must not be wiped by us.
    push.m_bSyncOpened = 0;
    SendAdbOpen("sync:", ADB_KIND_SYNC);
    g_adb.m_Life.WaitOrClosing(push.m_hSyncOpened, 1800);
    if (push.m_bSyncOpened || !g_adb.m_Life.m_bUsbUp || g_adb.m_Life.m_bClosing) break;
  }
  g_adb.m_Life.WaitOrClosing(push.m_hPushDone, 500);
  return 0;
}

void SendImageSlice(uint32_t localId, uint32_t remoteId) {
  AdbFilePushState& push = g_adb.m_Push;
  std::lock_guard<std::mutex> hold(push.m_Lock);
  uint32_t index = push.m_nSlice;
  if (index == CAdbPushFile::kAllSent) return;
  g_adb.m_Tracker.m_nCurrentOp = ADB_OP_IMAGE_SENDING;
  uint32_t offset = 0, length = 0;
  bool last = true;
  if (!SyncImage::Slice(static_cast<uint32_t>(push.m_Image.size()), index, &offset, &length, &last)) return;
  AdbPacket* p = AdbPacket::Alloc();
  if (!p) return;
  p->command = ADB_CMD_WRTE;
  p->arg0 = localId;
  p->arg1 = remoteId;
  if (length) std::memcpy(p->m_Data, push.m_Image.data() + offset, length);
  p->data_length = length;
  if (last) {
    g_adb.m_Tracker.m_nCurrentOp = ADB_KIND_PUSH_END;
    push.m_nSlice = CAdbPushFile::kAllSent;
    SetEvent(push.m_hPushDone);
  } else {
    push.m_nSlice = index + 1;
  }
  SendAdbPacket(p, false, 0);
}

int Corvane_Adb_PushVtim(const char* directory) {
  LinkCall call;
  if (!call.Open()) return kAdbNotInitialised;
  if (g_adb.m_Life.m_bClosing) return kAdbSyncOpenFailed;
  const uint32_t usbOuts = g_adb.m_Life.m_nUsbOuts;
  SendAdbOpen("shell:mkdir /data/local/tmp/dalvik-cache", ADB_KIND_VTIM);

  char ls[256];
  std::snprintf(ls, sizeof(ls), "shell:ls %s", "/data/local/tmp/vtim.jar");
  g_adb.m_Shell.m_bJarPresent = 0;
  ResetEvent(g_adb.m_Shell.m_hLs);
  SendAdbOpen(ls, ADB_KIND_LS_JAR);
  bool jarPresent = false;
  if (g_adb.m_Life.WaitOrClosing(g_adb.m_Shell.m_hLs, 600) != WAIT_OBJECT_0) {
    LinkLog("[@@] ls vtim.jar timeout   \n");
  } else {
    jarPresent = g_adb.m_Shell.m_bJarPresent != 0;
  }

  int result = PushWithObject(CAdbPushFile::Vtim(), directory, "vtim", usbOuts);
  if (result != 0) return result;
  if (!jarPresent) {
    result = PushWithObject(CAdbPushFile::Jar(), directory, "vtim.jar", usbOuts);
    if (result != 0) return result;
  }
  if (!g_adb.m_Life.Pause(80)) return kAdbTransferTimeout;
  SendAdbOpen("shell:chmod 777 /data/local/tmp/vtim", ADB_KIND_VTIM);
  SendAdbOpen("shell:chmod 777 /data/local/tmp/vtim.jar", ADB_KIND_VTIM);
  if (!g_adb.m_Life.Pause(100)) return kAdbTransferTimeout;
  SendAdbOpen("shell:/data/local/tmp/vtim", ADB_KIND_VTIM);
  return 0;
}
