// The phone link's state, its start and its end.
#include "CorvaneAdb.h"

#include "AdbKeys.h"
#include "AdbSession.h"
#include "CAdbPushFile.h"
#include "LinkCall.h"
#include "LinkLog.h"

#include <kernel/filesys.h>

#include "DriverInstall.h"

#include <string>

namespace {
const int32_t kPorts[kAdbChannelCount] = {7240, 8240, 9240, 9241, 9242, 9340};
const uint32_t kRingSizes[kAdbChannelCount] = {65536, 4718592, 1572864, 786432, 393216, 65536};
const int kDefaultPriority = 251;
// Every wait of a caller ends at once when its event is set; the longest sleep is 200 ms.
const DWORD kCallerDrainMs = 600;

struct ChannelTableInit {
  ChannelTableInit() {
    for (int c = 0; c < kAdbChannelCount; ++c) {
      g_adb.channels[c].local_id = c - 5;
      g_adb.channels[c].remote_id = -1;
      g_adb.channels[c].event = nullptr;
      g_adb.channels[c].port = kPorts[c];
      g_adb.channels[c].buffer = nullptr;
    }
  }
};

// The program's directory with its trailing "\", as narrow text.
std::string ProgramDirectory() {
  const char* dir = GetModuleDirectoryA();
  return dir ? dir : "";
}

// Wakes every caller that waits inside the link and waits until all have left. The events
// are set again on each pass: a caller may reset its event just after the flags were cleared.
bool WaitForCallers() {
  const DWORD start = GetTickCount();
  while (g_adb.callers > 0) {
    for (HANDLE h : {g_adb.ev_helper_running, g_adb.ev_sync_opened, g_adb.ev_push_done, g_adb.ev_app_start,
                     g_adb.ev_ls, g_adb.ev_getprop}) {
      if (h) SetEvent(h);
    }
    for (AdbChannel& ch : g_adb.channels) {
      if (ch.event) SetEvent(ch.event);
    }
    CAdbPushFile::Vtim().WakeWaiters();
    CAdbPushFile::Jar().WakeWaiters();
    if (GetTickCount() - start > kCallerDrainMs) return false;
    Sleep(2);
  }
  return true;
}

void CloseEvent(HANDLE* h) {
  if (*h) CloseHandle(*h);
  *h = nullptr;
}
}  // namespace

CorvaneAdbSession g_adb;
static ChannelTableInit g_channelTableInit;

int Corvane_Adb_Init() {
  LinkLog("[@@] velto::corvane compile time  ( %s )  \r\n", __DATE__ " " __TIME__);
  int driver = LoadAdbDriver();
  if (driver != 0) {
    LinkLog("[@@] LoadAdbDriver  Error %d \n", driver);
    return driver;
  }
  if (g_adb.initialised) {
    // Called once per process; a second call leaves the running link as it is.
    LinkLog("[@@] velto::corvane   Corvane_Adb_Init Error  multi-call  \r\n");
    return 0;
  }
  InitializeCriticalSection(&g_adb.link_lock);
  g_adb.link_lock_made = true;
  LoadKeys(ProgramDirectory().c_str());

  for (int c = 0; c < kAdbChannelCount; ++c) {
    CircleBuff* buffer = new CircleBuff();
    if (!buffer->Init(kRingSizes[c], static_cast<uint8_t>(c))) {
      buffer->Free();
      delete buffer;
      buffer = nullptr;
    }
    g_adb.channels[c].buffer = buffer;
  }

  g_adb.ev_helper_running = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  g_adb.ev_sync_opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  g_adb.ev_push_done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  g_adb.ev_app_start = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  g_adb.ev_ls = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  g_adb.ev_list_update = CreateEventW(nullptr, FALSE, TRUE, u"EVENTLISTUPDATE");
  for (AdbChannel& ch : g_adb.channels) ch.event = CreateEventW(nullptr, FALSE, FALSE, nullptr);

  g_adb.requests.Init();
  g_adb.shell_window.Refill();
  InitPushFiles();

  g_adb.initialised = 1;
  if (g_adb.thread_priority == -1) g_adb.thread_priority = kDefaultPriority;
  StartWriter(g_adb.thread_priority);
  StartUsb();
  return 0;
}

int Corvane_Adb_Close() {
  usb_close();
  if (!g_adb.initialised) return kAdbNotInitialised;
  g_adb.initialised = 0;
  g_adb.usb_up = 0;
  if (!WaitForCallers()) {
    // A caller is still inside: what it may touch is left allocated rather than freed under it.
    LinkLog("[@@] Corvane_Adb_Close  callers left=%d \n", g_adb.callers.load());
    StopWriter();
    return 0;
  }
  for (AdbChannel& ch : g_adb.channels) {
    CircleBuff* buffer = ch.buffer;
    ch.buffer = nullptr;
    if (buffer) {
      buffer->Free();
      delete buffer;
    }
  }
  LinkLog("[@@] Corvane_Adb_Close  0X%x \n", 0u);
  if (g_adb.link_lock_made) DeleteCriticalSection(&g_adb.link_lock);
  g_adb.link_lock_made = false;
  g_adb.requests.Destroy();
  StopWriter();
  CloseEvent(&g_adb.ev_helper_running);
  CloseEvent(&g_adb.ev_sync_opened);
  CloseEvent(&g_adb.ev_push_done);
  CloseEvent(&g_adb.ev_app_start);
  CloseEvent(&g_adb.ev_ls);
  CloseEvent(&g_adb.ev_list_update);
  CloseEvent(&g_adb.ev_getprop);
  for (AdbChannel& ch : g_adb.channels) {
    CloseEvent(&ch.event);
    ch.remote_id = -1;
  }
  FreeKeys();
  g_adb.key_cursor = nullptr;
  CAdbPushFile::Vtim().Reset();
  CAdbPushFile::Jar().Reset();
  std::vector<uint8_t>().swap(g_adb.image);
  // Nothing runs any more: the link is as before its start (ids keep growing for the process).
  g_adb.connected = 0;
  g_adb.usb_up = 0;
  return 0;
}

BYTE Corvane_Adb_IsConnected() {
  if (!g_adb.link_lock_made) return g_adb.connected;
  EnterCriticalSection(&g_adb.link_lock);
  BYTE connected = g_adb.connected;
  LeaveCriticalSection(&g_adb.link_lock);
  return connected;
}

int Corvane_Adb_SetTcpDataNotifyEvent(int channel, HANDLE event) {
  if (channel < 0 || channel >= kAdbChannelCount) return kAdbFileMissing;
  LinkCall call;
  if (call.Open() && g_adb.channels[channel].buffer) g_adb.channels[channel].buffer->SetDataEvent(event);
  return 0;
}

void Corvane_Adb_SetUsbThreadPriority(int priority) {
  setUsbThreadPriority(priority);
  ApplyWriterPriority(priority);
}

void ResetOnUsbOut() {
  ++g_adb.usb_out_count;
  if (g_adb.ev_helper_running) SetEvent(g_adb.ev_helper_running);
  g_adb.requests.Clear();
  ClearQueue();
  g_adb.shell_window.Refill();
  int32_t counter = g_adb.request_counter;
  if (counter > ADB_FIRST_REQUEST_ID) g_adb.stale_request = counter - 1;
  g_adb.stale_channel = g_adb.channels[5].local_id.load();
  g_adb.app_answered = 0;
  g_adb.app_started = 0;
  g_adb.key_cursor = nullptr;
}

void ResetLinkStateForTests() {
  if (g_adb.initialised) return;
  g_adb.request_counter = ADB_FIRST_REQUEST_ID;
  g_adb.stale_channel = -1;
  g_adb.stale_request = -1;
  g_adb.thread_priority = -1;
  g_adb.current_op = 0;
  for (int c = 0; c < kAdbChannelCount; ++c) {
    g_adb.channels[c].local_id = c - 5;
    g_adb.channels[c].remote_id = -1;
  }
  ResetPublicKeyIndex();
  SetPushOpenedHook(nullptr);
}
