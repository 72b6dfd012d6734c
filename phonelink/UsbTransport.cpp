// The USB side of the link: the monitor that finds the phone on "ADB1:", the reader of one
// USB connection, the USB state broadcast and the raw write.
//
// Shutdown order: the stop flag (under the lock) and the monitor's stop event first, so the
// monitor opens nothing more; then the device is closed once, which ends the reader's pending
// read; then both threads are joined; only then is anything they use released.
#include "phonelink/AdbSession.h"
#include "phonelink/CorvaneAdb.h"
#include "phonelink/LinkLog.h"

#include "platform/devmgr/devmgr.h"
#include "platform/kernel/CsLock.h"
#include "platform/kernel/filesys.h"
#include "platform/user/user.h"

namespace {
const DWORD IOCTL_ADB_GET_DEVICE_IN = 0x220594;
// A payload that is skipped is still read off the stream so that the next header starts in
// step; beyond this much the stream is taken as lost.
const uint32_t kMaxSkippedPayload = 1024 * 1024;

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

bool ReadExact(HANDLE h, void* buffer, uint32_t length) {
  DWORD got = 0;
  // The driver completes a read or gives up on the phone: a short read is a failed read.
  return ReadFile(h, buffer, length, &got, nullptr) && got == length;
}

bool SkipPayload(HANDLE h, AdbPacket* block, uint32_t length) {
  if (length > kMaxSkippedPayload) return false;
  while (length > 0) {
    uint32_t piece = length > ADB_MAX_PAYLOAD ? ADB_MAX_PAYLOAD : length;
    if (!ReadExact(h, block->m_Data, piece)) return false;
    length -= piece;
  }
  return true;
}

DWORD UsbReadThread(LPVOID param) {
  const uint32_t generation = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(param));
  AdbUsbContext& usb = g_adb.m_Usb;
  g_adb.m_Channels.ResetRingBuffers();
  DWORD tick = GetTickCount();
  AdbPacket* block = usb.m_pReadBlock;
  for (;;) {
    HANDLE h = usb.DeviceOf(generation);
    if (h == INVALID_HANDLE_VALUE) break;
    block->Clear();
    uint8_t header[ADB_HEADER_SIZE];
    if (!ReadExact(h, header, ADB_HEADER_SIZE)) break;
    block->DecodeHeader(header);
    if (!block->MagicOk()) {
      Sleep(10);
      if (g_adb.m_Life.m_bUsbUp) PostMessageW(HWND_BROADCAST, UsbErrorMessage(), 0, 0);
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
    if (block->data_length > 0 && !ReadExact(h, block->m_Data, block->data_length)) break;
    if (usb.DeviceOf(generation) != INVALID_HANDLE_VALUE) DispatchAdbPacket(block);
    // At its raised priority the reader must leave the receive threads some time.
    if (GetTickCount() - tick > 50) {
      Sleep(1);
      tick = GetTickCount();
    }
  }
  for (AdbChannel& ch : g_adb.m_Channels) ch.m_nRemoteId = -1;
  usb.CloseDevice(false, generation);
  SetEvent(usb.m_hReaderEnded);
  g_adb.m_Life.m_bConnected = 0;
  return 0;
}

void LogTcpStillConnected() {
  if (!g_adb.m_Channels.AnyOpen()) return;
  AdbChannelTable& c = g_adb.m_Channels;
  LinkLog("[@@] USB OUT but Tcp Connected (1=%d 2=%d 3=%d  4=%d 5=%d 6=%d )  \n", c[0].m_nRemoteId.load(),
          c[1].m_nRemoteId.load(), c[2].m_nRemoteId.load(), c[3].m_nRemoteId.load(), c[4].m_nRemoteId.load(),
          c[5].m_nRemoteId.load());
}

// Under the USB lock, unless the link is stopping: "ADB1:" opened as the device of a new
// generation. INVALID_HANDLE_VALUE when stopping (*stop set) or when it did not open.
HANDLE OpenDevice(bool* stop, uint32_t* generation) {
  AdbUsbContext& usb = g_adb.m_Usb;
  CsLock lock(&usb.m_cs);
  *stop = usb.m_bStop != 0;
  if (*stop) return INVALID_HANDLE_VALUE;
  HANDLE h = CreateFileW(u"ADB1:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    usb.m_hDevice = h;
    *generation = ++usb.m_nGeneration;
  }
  return h;
}

DWORD UsbMonitorThread(LPVOID) {
  AdbUsbContext& usb = g_adb.m_Usb;
  ResetEvent(usb.m_hUsbOut);
  for (;;) {
    if (WaitForSingleObject(usb.m_hMonitorStop, 1000) == WAIT_OBJECT_0) break;
    const HANDLE waits[3] = {usb.m_hUsbOut, usb.m_hReaderEnded, usb.m_hMonitorStop};
    DWORD w = WaitForMultipleObjects(3, waits, FALSE, INFINITE);
    if (w == WAIT_OBJECT_0 + 2 || w == WAIT_FAILED) break;
    if (w == WAIT_OBJECT_0) {
      LinkLog("[@@===]CorvaneAdb Get USB Out  \n");
      usb.CloseDevice(true);
      SetUsbState(0);
      ResetOnUsbOut();
      Sleep(10);
    }
    LogTcpStillConnected();

    bool stopping = false;
    uint32_t generation = 0;
    HANDLE h = OpenDevice(&stopping, &generation);
    if (stopping) break;
    if (h == INVALID_HANDLE_VALUE) {
      if (g_adb.m_Life.m_bUsbUp) LinkLog("[@@===] CreateFile Error 0X%x \n", GetLastError());
      SetUsbState(0);
      continue;
    }

    DWORD present = 0;
    DWORD returned = 0;
    // The driver answers the word and reports failure all the same.
    DeviceIoControl(h, IOCTL_ADB_GET_DEVICE_IN, nullptr, 0, &present, sizeof(present), &returned, nullptr);
    bool stop = false;
    {
      CsLock lock(&usb.m_cs);
      stop = usb.m_bStop != 0;
    }
    if ((present != 0 ? 1 : 0) != g_adb.m_Life.m_bUsbUp)
      LinkLog("[@@===] CorvaneAdb Get Usb 0X%x \n", present);
    SetUsbState(present != 0 ? 1 : 0);
    if (stop) break;
    if (present != 1) {
      g_adb.m_Life.m_bConnected = 0;
      usb.CloseDevice(false, generation);
      continue;
    }
    ResetEvent(usb.m_hReaderEnded);
    if (usb.m_hReader) {
      WaitForSingleObject(usb.m_hReader, INFINITE);
      CloseHandle(usb.m_hReader);
      usb.m_hReader = nullptr;
    }
    usb.m_hReader =
        CreateThread(nullptr, 0, UsbReadThread, reinterpret_cast<LPVOID>(static_cast<uintptr_t>(generation)),
                     CREATE_SUSPENDED, nullptr);
    if (!usb.m_hReader) {
      SetEvent(usb.m_hReaderEnded);
      usb.CloseDevice(false, generation);
      continue;
    }
    if (g_adb.m_Life.m_nThreadPriority != -1)
      CeSetThreadPriority(usb.m_hReader, g_adb.m_Life.m_nThreadPriority);
    ResumeThread(usb.m_hReader);
    SendAdbConnect();
  }
  return 0;
}
}  // namespace

int StartUsb() {
  AdbUsbContext& usb = g_adb.m_Usb;
  if (!usb.Create()) return 0;
  if (!usb.m_hMonitor) {
    usb.m_hMonitor = CreateThread(nullptr, 0, UsbMonitorThread, nullptr, CREATE_SUSPENDED, nullptr);
    if (!usb.m_hMonitor) return 0;
    if (g_adb.m_Life.m_nThreadPriority != -1)
      CeSetThreadPriority(usb.m_hMonitor, g_adb.m_Life.m_nThreadPriority);
    ResumeThread(usb.m_hMonitor);
  }
  return 1;
}

void usb_close() {
  AdbUsbContext& usb = g_adb.m_Usb;
  LinkLog("[@@] usb_close  0X%x \n", 0u);
  if (!usb.m_bLockMade) {
    LinkLog("[@@]usb_close Return 0X%x \n", 0u);
    return;
  }
  {
    CsLock lock(&usb.m_cs);
    usb.m_bStop = 1;
  }
  if (usb.m_hMonitorStop) SetEvent(usb.m_hMonitorStop);
  usb.CloseDevice(true);
  if (usb.m_hMonitor) {
    WaitForSingleObject(usb.m_hMonitor, INFINITE);
    CloseHandle(usb.m_hMonitor);
    usb.m_hMonitor = nullptr;
  }
  // The monitor may have opened the device between the first close and its stop check.
  usb.CloseDevice(true);
  LinkLog("[@@] usb_close WaitFor Read Thread Exit 0X%x \n", 0u);
  if (usb.m_hReader) {
    // Closing the device ends the reader's pending read; there is no safe way to kill it.
    if (WaitForSingleObject(usb.m_hReader, 1200) != WAIT_OBJECT_0) {
      LinkLog("[@@] usb_close Read Thread still running 0X%x \n", GetLastError());
      WaitForSingleObject(usb.m_hReader, INFINITE);
    }
    CloseHandle(usb.m_hReader);
    usb.m_hReader = nullptr;
  }
  // The USB lock stays: the writer still reads the device under it until Corvane_Adb_Close stops
  // the writer after this.
  usb.Release();
  LinkLog("[@@]usb_close Return 0X%x \n", 0u);
}

void SetUsbState(uint8_t state) {
  if (state == g_adb.m_Life.m_bUsbUp) return;
  g_adb.m_Life.m_bUsbUp = state;
  PostMessageW(HWND_BROADCAST, UsbOutMessage(), 0, state);
}

void setUsbThreadPriority(int priority) {
  g_adb.m_Life.m_nThreadPriority = priority;
  LinkLog("[@@]setUsbThreadPriority  %d \n", priority);
  if (priority == -1) return;
  AdbUsbContext& usb = g_adb.m_Usb;
  if (usb.m_hMonitor) CeSetThreadPriority(usb.m_hMonitor, priority);
  if (usb.m_hReader) CeSetThreadPriority(usb.m_hReader, priority);
}

bool usb_write(const void* data, uint32_t length) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  uint32_t done = 0;
  int idle = 0;
  while (done < length) {
    if (!g_adb.m_Life.m_bUsbUp) return false;
    HANDLE h = g_adb.m_Usb.Device();
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
  return g_adb.m_Usb.m_hMonitor != nullptr || g_adb.m_Usb.m_hReader != nullptr || WriterRunning();
}
