// The link state shared by the phone link's own files (not part of its interface).
#pragma once

#include "AdbPacket.h"
#include "AdbRequest.h"
#include "CorvaneAdb.h"
#include "CircleBuff.h"
#include "ShellWindow.h"

#include <kernel/kernel.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

struct AdbKeyNode;

constexpr int32_t ADB_FIRST_REQUEST_ID = 10000;

// Request kinds; the current-operation word also takes 1 (channel OPEN) and 2 (channel write),
// and 4, 5, 6 as the step of the single-image push.
enum AdbRequestKind : int32_t {
  ADB_KIND_PLAIN = 0,
  ADB_OP_CHANNEL_OPEN = 1,
  ADB_OP_CHANNEL_WRITE = 2,
  ADB_KIND_SYNC = 4,
  ADB_OP_IMAGE_SENDING = 5,
  ADB_KIND_PUSH_END = 6,
  ADB_KIND_CHMOD_VTSC = 7,
  ADB_KIND_RUN_VTSC = 8,
  ADB_KIND_VTIM = 9,
  ADB_KIND_PS_WATCH = 10,
  ADB_KIND_PS_KILL = 11,
  ADB_KIND_RELEASE = 13,
  ADB_KIND_SDK = 14,
  ADB_KIND_APP_START = 15,
  ADB_KIND_LS_JAR = 16,
};

struct AdbChannel {
  std::atomic<int32_t> local_id;
  std::atomic<int32_t> remote_id;
  HANDLE event;
  int32_t port;
  CircleBuff* buffer;
};

// Flags polled across threads are atomics: one thread writes, the others read.
struct CorvaneAdbSession {
  std::atomic<uint8_t> initialised{0};
  std::atomic<uint8_t> connected{0};
  std::atomic<uint8_t> usb_up{0};
  CRITICAL_SECTION link_lock;
  bool link_lock_made = false;
  std::atomic<int32_t> request_counter{ADB_FIRST_REQUEST_ID};
  std::atomic<int32_t> stale_channel{-1};
  std::atomic<int32_t> stale_request{-1};
  std::atomic<int32_t> thread_priority{-1};
  AdbChannel channels[kAdbChannelCount];
  AdbRequestList requests;
  std::atomic<int32_t> current_op{0};
  // Callers inside the interface (LinkCall); Close waits for them before freeing.
  std::atomic<int32_t> callers{0};
  // Counts USB outs; a service call that saw it move lost the phone on the way.
  std::atomic<uint32_t> usb_out_count{0};

  // Services (manual-reset events).
  HANDLE ev_helper_running = nullptr;
  HANDLE ev_sync_opened = nullptr;
  HANDLE ev_push_done = nullptr;
  HANDLE ev_app_start = nullptr;
  HANDLE ev_ls = nullptr;
  HANDLE ev_list_update = nullptr;  // "EVENTLISTUPDATE": made signalled, waited on by nobody
  HANDLE ev_getprop = nullptr;

  std::atomic<uint8_t> app_answered{0}, app_started{0};
  std::atomic<int32_t> android_level{-1};
  std::atomic<uint8_t> release_m{0}, release_444{0};
  std::atomic<uint8_t> helper_seen{0}, helper_wait{0};
  std::atomic<int32_t> rerun_counter{0};
  std::atomic<uint8_t> jar_present{0};
  ShellWindow shell_window;
  char helper_dir[MAX_PATH + 8] = {};
  char helper_path[MAX_PATH + 16] = {};

  AdbKeyNode* key_cursor = nullptr;

  // Single-image push (first helper); only the reader touches it while slices go out.
  std::vector<uint8_t> image;
  std::atomic<uint32_t> image_slice{255};
  std::atomic<int32_t> image_remote{-1};
  std::atomic<uint8_t> sync_opened{0};
};

extern CorvaneAdbSession g_adb;

// Packets (AdbDispatch.cpp)
int SendAdbPacket(AdbPacket* packet, bool track, int32_t kind);
int SendAdbOpen(const char* service, int32_t kind);
int SendAdbOkay(uint32_t localId, uint32_t remoteId);
int SendAdbConnect();
void DispatchAdbPacket(AdbPacket* packet);
// Stale-id filter: false for a packet of the previous USB connection that is to be skipped.
bool AcceptAdbPacket(const AdbPacket* packet);

// USB threads (UsbTransport.cpp, AdbWriter.cpp)
int StartUsb();
void usb_close();
void SetUsbState(uint8_t state);
void setUsbThreadPriority(int priority);
int StartWriter(int priority);
void StopWriter();
int QueuePacket(AdbPacket* packet);
void ClearQueue();
bool usb_write(const void* data, uint32_t length);

// Link (CorvaneAdb.cpp)
void ResetOnUsbOut();

// Channels (TcpChannels.cpp)
void OpenChannel(int channel);
int FindChannelByLocal(uint32_t localId);
void ResetRingBuffers();

// Shell answers (ShellServices.cpp): each returns true when it answered the packet itself.
void HandleShellAnswer(int32_t kind, const AdbPacket* packet);
void HandleHelperWatchClose();

// Pushes (FilePush.cpp)
int PushImage(const char* localPath);
void SendImageSlice(uint32_t localId, uint32_t remoteId);
void InitPushFiles();
void ApplyWriterPriority(int priority);
bool UsbThreadsRunning();
bool WriterRunning();
void ResetLinkStateForTests();
// Tests: called on the pushing thread when a push object's stream is open, before the wait for
// the transfer's end; set only while no push runs.
void SetPushOpenedHook(std::function<void(const char* name, int32_t localId)> hook);
