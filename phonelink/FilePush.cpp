// The push of the helper programs: the first helper as one sync image written from the link
// state, the second helper and its archive through the two push objects.
#include "AdbSession.h"
#include "CAdbPushFile.h"
#include "CorvaneAdb.h"
#include "LinkCall.h"
#include "LinkLog.h"
#include "LocalFile.h"
#include "SyncImage.h"

#include <cstdio>
#include <cstring>
#include <functional>
#include <utility>

namespace {
const char kVtscHeader[] = "SEND    /data/local/tmp/vtsc,33206DATA";
const char kVtimHeader[] = "SEND    /data/local/tmp/vtim,33206DATA";
const char kJarHeader[] = "SEND    /data/local/tmp/vtim.jar,33206DATA";

std::function<void(const char*, int32_t)> g_pushOpenedHook;

// The phone that was there when the call began is still there: no USB out in between.
bool SamePhone(uint32_t usbOuts) {
  return g_adb.initialised && g_adb.usb_up && g_adb.usb_out_count == usbOuts;
}

// -10 missing file, -11 stream not opened, -12 transfer not ended; 0 pushed. The last slice
// queued is no proof: a phone lost meanwhile got part of the file at best.
int PushWithObject(CAdbPushFile& push, const char* directory, const char* name, uint32_t usbOuts) {
  push.Reset();
  if (!push.Load(directory, name)) return kAdbFileMissing;
  const int32_t localId = g_adb.request_counter;
  if (push.OpenSync(localId) != 0 || !SamePhone(usbOuts)) return kAdbSyncOpenFailed;
  if (g_pushOpenedHook) g_pushOpenedHook(name, localId);
  if (!push.WaitTransferEnd(5000)) return kAdbTransferTimeout;
  Sleep(100);
  if (!SamePhone(usbOuts)) return kAdbTransferTimeout;
  return 0;
}
}  // namespace

void SetPushOpenedHook(std::function<void(const char* name, int32_t localId)> hook) {
  g_pushOpenedHook = std::move(hook);
}

void InitPushFiles() {
  CAdbPushFile::Vtim().SetHeader(kVtimHeader, true);
  CAdbPushFile::Jar().SetHeader(kJarHeader, true);
}

int PushImage(const char* localPath) {
  std::vector<uint8_t> file;
  if (!ReadLocalFile(localPath, &file)) return -1;
  g_adb.image = SyncImage::Build(kVtscHeader, file.data(), static_cast<uint32_t>(file.size()), 0, 8);
  g_adb.image_slice = 0;
  ResetEvent(g_adb.ev_sync_opened);
  ResetEvent(g_adb.ev_push_done);
  for (int attempt = 0; attempt < 5; ++attempt) {
    // Cleared before the OPEN goes out: a fast phone's OKAY must not be wiped by us.
    g_adb.sync_opened = 0;
    SendAdbOpen("sync:", ADB_KIND_SYNC);
    WaitForSingleObject(g_adb.ev_sync_opened, 1800);
    if (g_adb.sync_opened || !g_adb.usb_up) break;
  }
  WaitForSingleObject(g_adb.ev_push_done, 500);
  return 0;
}

void SendImageSlice(uint32_t localId, uint32_t remoteId) {
  uint32_t index = g_adb.image_slice;
  if (index == CAdbPushFile::kAllSent) return;
  g_adb.current_op = ADB_OP_IMAGE_SENDING;
  uint32_t offset = 0, length = 0;
  bool last = true;
  if (!SyncImage::Slice(static_cast<uint32_t>(g_adb.image.size()), index, &offset, &length, &last)) return;
  AdbPacket* p = AdbPacket::Alloc();
  if (!p) return;
  p->command = ADB_CMD_WRTE;
  p->arg0 = localId;
  p->arg1 = remoteId;
  if (length) std::memcpy(p->data, g_adb.image.data() + offset, length);
  p->data_length = length;
  if (last) {
    g_adb.current_op = ADB_KIND_PUSH_END;
    g_adb.image_slice = CAdbPushFile::kAllSent;
    SetEvent(g_adb.ev_push_done);
  } else {
    g_adb.image_slice = index + 1;
  }
  SendAdbPacket(p, false, 0);
}

int Corvane_Adb_PushVtim(const char* directory) {
  LinkCall call;
  if (!call.Open()) return kAdbNotInitialised;
  const uint32_t usbOuts = g_adb.usb_out_count;
  SendAdbOpen("shell:mkdir /data/local/tmp/dalvik-cache", ADB_KIND_VTIM);

  char ls[256];
  std::snprintf(ls, sizeof(ls), "shell:ls %s", "/data/local/tmp/vtim.jar");
  g_adb.jar_present = 0;
  ResetEvent(g_adb.ev_ls);
  SendAdbOpen(ls, ADB_KIND_LS_JAR);
  bool jarPresent = false;
  if (WaitForSingleObject(g_adb.ev_ls, 600) != WAIT_OBJECT_0) {
    LinkLog("[@@] ls vtim.jar timeout   \n");
  } else {
    jarPresent = g_adb.jar_present != 0;
  }

  int result = PushWithObject(CAdbPushFile::Vtim(), directory, "vtim", usbOuts);
  if (result != 0) return result;
  if (!jarPresent) {
    result = PushWithObject(CAdbPushFile::Jar(), directory, "vtim.jar", usbOuts);
    if (result != 0) return result;
  }
  Sleep(80);
  SendAdbOpen("shell:chmod 777 /data/local/tmp/vtim", ADB_KIND_VTIM);
  SendAdbOpen("shell:chmod 777 /data/local/tmp/vtim.jar", ADB_KIND_VTIM);
  Sleep(100);
  SendAdbOpen("shell:/data/local/tmp/vtim", ADB_KIND_VTIM);
  return 0;
}
