// The USB side of the link: the monitor that finds the phone on "ADB1:", the reader of one
// USB connection, the USB state broadcast and the raw write.
//
// Shutdown order: the stop flag (under the lock) and the monitor's stop event first, so the
// monitor opens nothing more; then the device is closed once, which ends the reader's pending
// read; then both threads are joined; only then is anything they use released.
#include "phonelink/AdbSession.h"
#include "phonelink/CorvaneAdb.h"
#include "phonelink/LinkLog.h"
#include "phonelink/LinkHandle.h"

#include "platform/devmgr/devmgr.h"
#include "platform/kernel/filesys.h"
#include "platform/user/user.h"

namespace {
const DWORD IOCTL_ADB_GET_DEVICE_IN = 0x220594;
// A payload that is skipped is still read off the stream so that the next header starts in
// step; beyond this much the stream is taken as lost.
const uint32_t kMaxSkippedPayload = 1024 * 1024;

struct UsbContext {
  CRITICAL_SECTION lock;
  std::atomic<bool> lockMade{false};
  HANDLE device = INVALID_HANDLE_VALUE;  // guarded by lock
  uint32_t generation = 0;               // of the open device; guarded by lock
  AdbPacket* readBlock = nullptr;
  HANDLE reader = nullptr;
  HANDLE monitor = nullptr;
  HANDLE readerEnded = nullptr;
  HANDLE usbOut = nullptr;
  HANDLE usbIn = nullptr;
  HANDLE monitorStop = nullptr;
  std::atomic<uint8_t> stop{0};
};
UsbContext g_usb;

UINT UsbOutMessage() {
  static const UINT msg = RegisterWindowMessageW(u"WMMSG_CORVANE_USB_OUT");
  return msg;
}
UINT UsbErrorMessage() {
  static const UINT msg = RegisterWindowMessageW(u"WMMSG_CORVANE_USB_ERROR");
  return msg;
}
// Registered before any thread runs, as the static initialisers of the system do.
const UINT g_registerAtStart = (UsbOutMessage(), UsbErrorMessage());

// The device of this generation, or INVALID_HANDLE_VALUE once it was closed or replaced.
HANDLE DeviceOf(uint32_t generation) {
  EnterCriticalSection(&g_usb.lock);
  HANDLE h = g_usb.generation == generation ? g_usb.device : INVALID_HANDLE_VALUE;
  LeaveCriticalSection(&g_usb.lock);
  return h;
}

// Closes the device once, whoever comes first; with a generation only that device.
void CloseDevice(bool anyGeneration, uint32_t generation = 0) {
  EnterCriticalSection(&g_usb.lock);
  HANDLE h = INVALID_HANDLE_VALUE;
  if (anyGeneration || g_usb.generation == generation) {
    h = g_usb.device;
    g_usb.device = INVALID_HANDLE_VALUE;
  }
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  LeaveCriticalSection(&g_usb.lock);
}

bool ReadExact(HANDLE h, void* buffer, uint32_t length) {
  DWORD got = 0;
  // The driver completes a read or gives up on the phone: a short read is a failed read.
  return ReadFile(h, buffer, length, &got, nullptr) && got == length;
}

bool SkipPayload(HANDLE h, AdbPacket* block, uint32_t length) {
  if (length > kMaxSkippedPayload) return false;
  while (length > 0) {
    uint32_t piece = length > ADB_MAX_PAYLOAD ? ADB_MAX_PAYLOAD : length;
    if (!ReadExact(h, block->data, piece)) return false;
    length -= piece;
  }
  return true;
}

DWORD UsbReadThread(LPVOID param) {
  const uint32_t generation = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(param));
  g_adb.m_channels.ResetRingBuffers();
  DWORD tick = GetTickCount();
  AdbPacket* block = g_usb.readBlock;
  for (;;) {
    HANDLE h = DeviceOf(generation);
    if (h == INVALID_HANDLE_VALUE) break;
    block->Clear();
    uint8_t header[ADB_HEADER_SIZE];
    if (!ReadExact(h, header, ADB_HEADER_SIZE)) break;
    block->DecodeHeader(header);
    if (!block->MagicOk()) {
      Sleep(10);
      if (g_adb.m_life.m_bUsbUp) PostMessageW(HWND_BROADCAST, UsbErrorMessage(), 0, 0);
      break;
    }
    if (!AcceptAdbPacket(block)) {
      if (!SkipPayload(h, block, block->data_length)) break;
      continue;
    }
    if (block->data_length > ADB_MAX_PAYLOAD) {
      LinkLog("[@@] size=%d \r\n", block->data_length);
      if (!SkipPayload(h, block, block->data_length)) break;
      continue;
    }
    if (block->data_length > 0 && !ReadExact(h, block->data, block->data_length)) break;
    if (DeviceOf(generation) != INVALID_HANDLE_VALUE) DispatchAdbPacket(block);
    // At its raised priority the reader must leave the receive threads some time.
    if (GetTickCount() - tick > 50) {
      Sleep(1);
      tick = GetTickCount();
    }
  }
  for (AdbChannel& ch : g_adb.m_channels) ch.m_nRemoteId = -1;
  CloseDevice(false, generation);
  SetEvent(g_usb.readerEnded);
  g_adb.m_life.m_bConnected = 0;
  return 0;
}

void LogTcpStillConnected() {
  if (!g_adb.m_channels.AnyOpen()) return;
  AdbChannelTable& c = g_adb.m_channels;
  LinkLog("[@@] USB OUT but Tcp Connected (1=%d 2=%d 3=%d  4=%d 5=%d 6=%d )  \n", c[0].m_nRemoteId.load(),
          c[1].m_nRemoteId.load(), c[2].m_nRemoteId.load(), c[3].m_nRemoteId.load(), c[4].m_nRemoteId.load(),
          c[5].m_nRemoteId.load());
}

DWORD UsbMonitorThread(LPVOID) {
  ResetEvent(g_usb.usbOut);
  for (;;) {
    if (WaitForSingleObject(g_usb.monitorStop, 1000) == WAIT_OBJECT_0) break;
    const HANDLE waits[3] = {g_usb.usbOut, g_usb.readerEnded, g_usb.monitorStop};
    DWORD w = WaitForMultipleObjects(3, waits, FALSE, INFINITE);
    if (w == WAIT_OBJECT_0 + 2 || w == WAIT_FAILED) break;
    if (w == WAIT_OBJECT_0) {
      LinkLog("[@@===]CorvaneAdb Get USB Out  \n");
      CloseDevice(true);
      SetUsbState(0);
      ResetOnUsbOut();
      Sleep(10);
    }
    LogTcpStillConnected();

    EnterCriticalSection(&g_usb.lock);
    if (g_usb.stop) {
      LeaveCriticalSection(&g_usb.lock);
      break;
    }
    HANDLE h = CreateFileW(u"ADB1:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    uint32_t generation = 0;
    if (h != INVALID_HANDLE_VALUE) {
      g_usb.device = h;
      generation = ++g_usb.generation;
    }
    LeaveCriticalSection(&g_usb.lock);
    if (h == INVALID_HANDLE_VALUE) {
      if (g_adb.m_life.m_bUsbUp) LinkLog("[@@===] CreateFile Error 0X%x \n", GetLastError());
      SetUsbState(0);
      continue;
    }

    DWORD present = 0;
    DWORD returned = 0;
    // The driver answers the word and reports failure all the same.
    DeviceIoControl(h, IOCTL_ADB_GET_DEVICE_IN, nullptr, 0, &present, sizeof(present), &returned, nullptr);
    EnterCriticalSection(&g_usb.lock);
    bool stop = g_usb.stop != 0;
    LeaveCriticalSection(&g_usb.lock);
    if ((present != 0 ? 1 : 0) != g_adb.m_life.m_bUsbUp)
      LinkLog("[@@===] CorvaneAdb Get Usb 0X%x \n", present);
    SetUsbState(present != 0 ? 1 : 0);
    if (stop) break;
    if (present != 1) {
      g_adb.m_life.m_bConnected = 0;
      CloseDevice(false, generation);
      continue;
    }
    ResetEvent(g_usb.readerEnded);
    if (g_usb.reader) {
      WaitForSingleObject(g_usb.reader, INFINITE);
      CloseHandle(g_usb.reader);
      g_usb.reader = nullptr;
    }
    g_usb.reader =
        CreateThread(nullptr, 0, UsbReadThread, reinterpret_cast<LPVOID>(static_cast<uintptr_t>(generation)),
                     CREATE_SUSPENDED, nullptr);
    if (!g_usb.reader) {
      SetEvent(g_usb.readerEnded);
      CloseDevice(false, generation);
      continue;
    }
    if (g_adb.m_life.m_nThreadPriority != -1)
      CeSetThreadPriority(g_usb.reader, g_adb.m_life.m_nThreadPriority);
    ResumeThread(g_usb.reader);
    SendAdbConnect();
  }
  return 0;
}
}  // namespace

int StartUsb() {
  if (!g_usb.lockMade) {
    InitializeCriticalSection(&g_usb.lock);
    g_usb.lockMade = true;
  }
  g_usb.stop = 0;
  if (!g_usb.readerEnded) g_usb.readerEnded = CreateEventW(nullptr, TRUE, TRUE, nullptr);
  if (!g_usb.usbOut) g_usb.usbOut = CreateEventW(nullptr, FALSE, FALSE, u"EVENT_ADB_USB_OUT");
  if (!g_usb.usbIn) g_usb.usbIn = CreateEventW(nullptr, FALSE, FALSE, u"EVENT_ADB_USB_IN");
  if (!g_usb.monitorStop) g_usb.monitorStop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!g_usb.readBlock) g_usb.readBlock = AdbPacket::Alloc();
  if (!g_usb.readerEnded || !g_usb.usbOut || !g_usb.monitorStop || !g_usb.readBlock) return 0;
  if (!g_usb.monitor) {
    g_usb.monitor = CreateThread(nullptr, 0, UsbMonitorThread, nullptr, CREATE_SUSPENDED, nullptr);
    if (!g_usb.monitor) return 0;
    if (g_adb.m_life.m_nThreadPriority != -1)
      CeSetThreadPriority(g_usb.monitor, g_adb.m_life.m_nThreadPriority);
    ResumeThread(g_usb.monitor);
  }
  return 1;
}

void usb_close() {
  LinkLog("[@@] usb_close  0X%x \n", 0u);
  if (!g_usb.lockMade) {
    LinkLog("[@@]usb_close Return 0X%x \n", 0u);
    return;
  }
  EnterCriticalSection(&g_usb.lock);
  g_usb.stop = 1;
  LeaveCriticalSection(&g_usb.lock);
  if (g_usb.monitorStop) SetEvent(g_usb.monitorStop);
  CloseDevice(true);
  if (g_usb.monitor) {
    WaitForSingleObject(g_usb.monitor, INFINITE);
    CloseHandle(g_usb.monitor);
    g_usb.monitor = nullptr;
  }
  // The monitor may have opened the device between the first close and its stop check.
  CloseDevice(true);
  LinkLog("[@@] usb_close WaitFor Read Thread Exit 0X%x \n", 0u);
  if (g_usb.reader) {
    // Closing the device ends the reader's pending read; there is no safe way to kill it.
    if (WaitForSingleObject(g_usb.reader, 1200) != WAIT_OBJECT_0) {
      LinkLog("[@@] usb_close Read Thread still running 0X%x \n", GetLastError());
      WaitForSingleObject(g_usb.reader, INFINITE);
    }
    CloseHandle(g_usb.reader);
    g_usb.reader = nullptr;
  }
  AdbPacket::Release(g_usb.readBlock);
  g_usb.readBlock = nullptr;
  for (HANDLE* h : {&g_usb.readerEnded, &g_usb.usbOut, &g_usb.usbIn, &g_usb.monitorStop}) CloseLinkHandle(h);
  // The USB lock stays for the process: the writer still reads the device under it until
  // Corvane_Adb_Close stops the writer after this.
  LinkLog("[@@]usb_close Return 0X%x \n", 0u);
}

void SetUsbState(uint8_t state) {
  if (state == g_adb.m_life.m_bUsbUp) return;
  g_adb.m_life.m_bUsbUp = state;
  PostMessageW(HWND_BROADCAST, UsbOutMessage(), 0, state);
}

void setUsbThreadPriority(int priority) {
  g_adb.m_life.m_nThreadPriority = priority;
  LinkLog("[@@]setUsbThreadPriority  %d \n", priority);
  if (priority == -1) return;
  if (g_usb.monitor) CeSetThreadPriority(g_usb.monitor, priority);
  if (g_usb.reader) CeSetThreadPriority(g_usb.reader, priority);
}

bool usb_write(const void* data, uint32_t length) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  uint32_t done = 0;
  int idle = 0;
  while (done < length) {
    if (!g_adb.m_life.m_bUsbUp) return false;
    HANDLE h = INVALID_HANDLE_VALUE;
    if (g_usb.lockMade) {
      EnterCriticalSection(&g_usb.lock);
      h = g_usb.device;
      LeaveCriticalSection(&g_usb.lock);
    }
    DWORD written = 0;
    if (h != INVALID_HANDLE_VALUE && WriteFile(h, p + done, length - done, &written, nullptr) &&
        written > 0) {
      done += written;
      idle = 0;
      continue;
    }
    if (++idle >= 50) {
      LinkLog("[@@] write usb Error (len=%d) (written=%d)  \n", length, done);
      return false;
    }
  }
  return true;
}

// Tests: whether any thread of the link (monitor, reader, writer) is still there.
bool UsbThreadsRunning() {
  return g_usb.monitor != nullptr || g_usb.reader != nullptr || WriterRunning();
}
