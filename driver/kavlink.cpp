// The ADB stream driver: one phone at a time, its bulk IN and OUT pipes offered as "ADB1:".
#include "driver/kavlink.h"

#include "platform/kernel/kernel.h"
#include "platform/kernel/wcestr.h"
#include "platform/registry/registry.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

const int kTransfers = 8;
const DWORD kWaitMs = 1000;
const DWORD kReadFlags = USB_IN_TRANSFER | USB_SHORT_TRANSFER_OK;    // 0x280
const DWORD kWriteFlags = USB_OUT_TRANSFER | USB_SHORT_TRANSFER_OK;  // 0x200
const BYTE kAdbClass = 0xFF;
const BYTE kAdbSubClass = 0x42;
const BYTE kAdbProtocol = 0x01;
const WCHAR kClientKey[] = u"Drivers\\USB\\ClientDrivers\\ADB_Class";
const WCHAR kDeviceName[] = u"ADB1:";

std::atomic<BOOL> g_bADBDeviceIn{FALSE};
std::atomic<BOOL> g_bDebugMSG{FALSE};

// Guards what attach, detach, Init, Deinit, Open and Close set up and tear down: the device and
// its endpoints, the named events, the pipes and the driver lock. The host stack attaches and
// detaches on its own thread while the main program opens and closes. Reads and writes do not
// take it: they find the device through g_bADBDeviceIn and hold their place in g_nInFlight.
std::mutex g_stateLock;

USB_HANDLE g_hDevice = nullptr;
LPCUSB_FUNCS g_lpUsbFuncs = nullptr;
USB_INTERFACE_DESCRIPTOR g_interface{};
// Copies: the host's descriptors go away with the device.
USB_ENDPOINT_DESCRIPTOR g_edpRead{};
USB_ENDPOINT_DESCRIPTOR g_edpWrite{};
bool g_bHaveRead = false;
bool g_bHaveWrite = false;
DWORD g_dwPacketSize = 0;

std::atomic<USB_PIPE> usbPipeRead{nullptr};
std::atomic<USB_PIPE> usbPipeWrite{nullptr};

CRITICAL_SECTION g_csLock;
bool g_bLockCreated = false;

HANDLE g_hReadEvents[kTransfers] = {};
HANDLE g_hWriteEvents[kTransfers] = {};
BYTE* g_pReadBuffers[kTransfers] = {};
DWORD g_dwReadBufferSize = 0;
HANDLE g_hEventRead = nullptr;

HANDLE g_hUsbOut = nullptr;
HANDLE g_hUsbIn = nullptr;

HANDLE g_hDebugEvent = nullptr;
HANDLE g_hDebugThread = nullptr;
HANDLE g_hDebugStop = nullptr;  // private: a set of the shared named event may be taken by another waiter
std::atomic<bool> g_bDebugRun{false};

// Reads and writes inside the driver. Detach and close release nothing until it is back to 0.
std::atomic<LONG> g_nInFlight{0};
std::atomic<bool> g_bClosing{false};

void SignalTransferEvents() {
  if (g_hEventRead) SetEvent(g_hEventRead);
  for (int i = 0; i < kTransfers; ++i) {
    if (g_hReadEvents[i]) SetEvent(g_hReadEvents[i]);
    if (g_hWriteEvents[i]) SetEvent(g_hWriteEvents[i]);
  }
}

// Callers have made every blocked call's loop end (device gone or closing); keep waking them
// until the last has left, since a read resets its events before each batch.
void WaitCallsInFlight() {
  for (int n = 0; g_nInFlight.load() != 0; ++n) {
    if (n % 10 == 0) SignalTransferEvents();
    Sleep(1);
  }
}

// Holds a place among the calls in flight for one read or write.
struct CallInFlight {
  CallInFlight() { g_nInFlight.fetch_add(1); }
  ~CallInFlight() { g_nInFlight.fetch_sub(1); }
};

bool DeviceUsable(USB_PIPE pipe) {
  return g_bADBDeviceIn.load() && !g_bClosing.load() && pipe != nullptr;
}

DWORD SetEventOnCompletion(LPVOID param) {
  SetEvent(static_cast<HANDLE>(param));
  return 0;
}

// Waits for one transfer's event; on a timeout goes on waiting while the device is still there.
bool WaitTransfer(HANDLE ev) {
  for (;;) {
    const DWORD r = WaitForSingleObject(ev, kWaitMs);
    if (r == WAIT_OBJECT_0) return true;
    if (r != WAIT_TIMEOUT || !g_bADBDeviceIn.load() || g_bClosing.load()) return false;
  }
}

// Issues up to eight transfers of one packet each and collects them in order. For a read the
// bytes go through the driver's buffers into out; for a write they come from the caller.
DWORD TransferChunk(bool in, BYTE* data, DWORD n) {
  HANDLE* events = in ? g_hReadEvents : g_hWriteEvents;
  const USB_PIPE pipe = in ? usbPipeRead.load() : usbPipeWrite.load();
  USB_TRANSFER transfers[kTransfers] = {};
  DWORD lengths[kTransfers] = {};
  int issued = 0;
  bool failed = false;
  // Only the events of the transfers about to be issued are waited on: a set left on another from
  // a wake-up is cleared before that one is used.
  const DWORD packet = g_dwPacketSize != 0 ? g_dwPacketSize : 1;
  const DWORD needed = (n + packet - 1) / packet;
  for (DWORD i = 0; i < needed && i < static_cast<DWORD>(kTransfers); ++i) ResetEvent(events[i]);

  EnterCriticalSection(&g_csLock);
  DWORD remaining = n;
  for (int i = 0; i < kTransfers && remaining > 0; ++i) {
    lengths[i] = remaining < g_dwPacketSize ? remaining : g_dwPacketSize;
    LPVOID buffer = in ? static_cast<LPVOID>(g_pReadBuffers[i]) : static_cast<LPVOID>(data + (n - remaining));
    transfers[i] = g_lpUsbFuncs->lpIssueBulkTransfer(pipe, SetEventOnCompletion, events[i],
                                                     in ? kReadFlags : kWriteFlags, lengths[i], buffer, 0);
    if (!transfers[i]) {
      failed = true;
      break;
    }
    ++issued;
    remaining -= lengths[i];
  }
  LeaveCriticalSection(&g_csLock);

  DWORD done = 0;
  if (failed && !in) Sleep(1);
  for (int i = 0; i < issued && !failed; ++i) {
    if (!WaitTransfer(events[i])) break;
    DWORD bytes = 0, error = USB_NO_ERROR;
    if (g_lpUsbFuncs->lpIsTransferComplete(transfers[i]) &&
        g_lpUsbFuncs->lpGetTransferStatus(transfers[i], &bytes, &error) && error == USB_NO_ERROR) {
      if (bytes > lengths[i]) bytes = lengths[i];
      if (in) memcpy(data + done, g_pReadBuffers[i], bytes);
      done += bytes;
    }
    g_lpUsbFuncs->lpCloseTransfer(transfers[i]);
    transfers[i] = nullptr;
    if (done >= n || !g_bADBDeviceIn.load() || g_bClosing.load()) break;
  }
  for (int i = 0; i < issued; ++i)
    if (transfers[i]) g_lpUsbFuncs->lpCloseTransfer(transfers[i]);
  if (failed) return 0;
  if (!in && g_bDebugMSG)
    NKDbgPrintfW(u"[@@@@@@@] ADB_Write  Complete  dwHasSend=0x%x     Count=0x%x  \r\n", done, n);
  return done;
}

void CreateTransferResources(DWORD packetSize) {
  if (!g_hEventRead) g_hEventRead = CreateEventW(nullptr, FALSE, FALSE, u"EVENT_READ");
  for (int i = 0; i < kTransfers; ++i) {
    if (!g_hReadEvents[i]) g_hReadEvents[i] = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!g_hWriteEvents[i]) g_hWriteEvents[i] = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    // A read transfer is at most one packet: the buffers follow the device's packet size.
    if (g_pReadBuffers[i] && g_dwReadBufferSize != packetSize) {
      free(g_pReadBuffers[i]);
      g_pReadBuffers[i] = nullptr;
    }
    if (!g_pReadBuffers[i]) g_pReadBuffers[i] = static_cast<BYTE*>(malloc(packetSize));
  }
  g_dwReadBufferSize = packetSize;
}

void ReleaseTransferResources() {
  if (g_hEventRead) CloseHandle(g_hEventRead);
  g_hEventRead = nullptr;
  for (int i = 0; i < kTransfers; ++i) {
    if (g_hReadEvents[i]) CloseHandle(g_hReadEvents[i]);
    if (g_hWriteEvents[i]) CloseHandle(g_hWriteEvents[i]);
    free(g_pReadBuffers[i]);
    g_hReadEvents[i] = g_hWriteEvents[i] = nullptr;
    g_pReadBuffers[i] = nullptr;
  }
  g_dwReadBufferSize = 0;
}

bool IsDeviceListed() {
  HKEY active = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Drivers\\Active", 0, KEY_READ, &active) != ERROR_SUCCESS)
    return false;
  bool found = false;
  for (DWORD i = 0; !found; ++i) {
    WCHAR sub[MAX_PATH];
    DWORD cch = MAX_PATH;
    if (RegEnumKeyExW(active, i, sub, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    HKEY key = nullptr;
    if (RegOpenKeyExW(active, sub, 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
    WCHAR name[33] = {};
    DWORD cb = 32 * sizeof(WCHAR);
    DWORD type = 0;
    if (RegQueryValueExW(key, u"Name", nullptr, &type, reinterpret_cast<LPBYTE>(name), &cb) ==
            ERROR_SUCCESS &&
        type == REG_SZ) {
      name[cb / sizeof(WCHAR)] = 0;
      found = _wcsicmp(name, kDeviceName) == 0;
    }
    RegCloseKey(key);
  }
  RegCloseKey(active);
  return found;
}

BOOL DeviceNotify(LPVOID, DWORD code, LPDWORD*, LPDWORD*, LPDWORD*, LPDWORD*) {
  if (code != USB_CLOSE_DEVICE) return FALSE;
  std::lock_guard<std::mutex> state(g_stateLock);
  g_bADBDeviceIn.store(FALSE);
  if (g_hUsbOut) SetEvent(g_hUsbOut);
  SignalTransferEvents();
  Sleep(1);
  WaitCallsInFlight();
  ReleaseTransferResources();
  g_interface = {};
  g_bHaveRead = g_bHaveWrite = false;
  if (g_bDebugMSG) NKDbgPrintfW(u"[@@@@@@@] kavlink   USB_CLOSE_DEVICE \r\n");
  return TRUE;
}

// Selects the ADB interface of the active configuration and keeps the device. FALSE leaves the
// driver as it was (another driver may take the device).
bool TakeDevice(USB_HANDLE device, LPCUSB_FUNCS funcs, LPCUSB_CONFIGURATION config, BOOL* acceptControl) {
  std::lock_guard<std::mutex> state(g_stateLock);
  // One phone at a time: a second one must not take the first one's pipes and buffers.
  if (g_bADBDeviceIn.load()) return false;

  LPCUSB_INTERFACE selected = nullptr;
  for (DWORD i = 0; i < config->dwNumInterfaces && !selected; ++i) {
    const USB_INTERFACE_DESCRIPTOR& d = config->lpInterfaces[i].Descriptor;
    if (d.bInterfaceClass == kAdbClass && d.bInterfaceSubClass == kAdbSubClass &&
        d.bInterfaceProtocol == kAdbProtocol)
      selected = &config->lpInterfaces[i];
  }
  if (!selected) return false;  // another driver may take the device

  USB_ENDPOINT_DESCRIPTOR edpIn{}, edpOut{};
  bool haveIn = false, haveOut = false;
  for (DWORD e = 0; e < selected->Descriptor.bNumEndpoints && selected->lpEndpoints; ++e) {
    const USB_ENDPOINT_DESCRIPTOR& d = selected->lpEndpoints[e].Descriptor;
    if (d.bEndpointAddress & USB_ENDPOINT_DIRECTION_MASK) {
      edpIn = d;
      haveIn = true;
    } else {
      edpOut = d;
      haveOut = true;
    }
    if (g_bDebugMSG)
      NKDbgPrintfW(u"[@@@@@@@] endpoint 0x%x wMaxPacketSize=%d\r\n", d.bEndpointAddress, d.wMaxPacketSize);
  }
  // A packet size of 0 would make every transfer empty and a read spin.
  if (!haveIn || !haveOut || edpIn.wMaxPacketSize == 0) return false;

  if (acceptControl) *acceptControl = TRUE;
  g_hDevice = device;
  g_lpUsbFuncs = funcs;
  g_interface = selected->Descriptor;
  g_edpRead = edpIn;
  g_edpWrite = edpOut;
  g_bHaveRead = g_bHaveWrite = true;
  g_dwPacketSize = edpIn.wMaxPacketSize;
  CreateTransferResources(g_dwPacketSize);
  funcs->lpRegisterNotificationRoutine(device, DeviceNotify, nullptr);
  g_bADBDeviceIn.store(TRUE);
  if (g_hUsbOut && g_hUsbIn) SetEvent(g_hUsbIn);
  return true;
}

DWORD DebugThread(LPVOID) {
  const HANDLE waits[2] = {g_hDebugStop, g_hDebugEvent};
  while (g_bDebugRun.load()) {
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) break;
    if (!g_bDebugRun.load()) break;
    const DWORD data = GetEventData(g_hDebugEvent);
    g_bDebugMSG.store(data != 0);
    NKDbgPrintfW(u"[@@@@@@@] Debug message ::  %d  \r\n", static_cast<int>(data));
  }
  return 0;
}

// The library's attach and detach, run when the loader maps and unmaps it.
struct LibraryEntry {
  LibraryEntry() {
    if (g_hDebugEvent) CloseHandle(g_hDebugEvent);
    g_hDebugEvent = CreateEventW(nullptr, FALSE, FALSE, ADB_EVENT_DEBUG_MSG);
    if (!g_hDebugThread) {
      g_hDebugStop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
      g_bDebugRun.store(true);
      g_hDebugThread = CreateThread(nullptr, 0, DebugThread, nullptr, 0, nullptr);
    }
  }
  ~LibraryEntry() {
    if (g_hDebugThread) {
      // The named event is set as well, so a program that waits on it with us learns that the
      // driver is going; the private stop event is what ends our thread, since another waiter may
      // take the set of the shared auto-reset event first. The stop is set first: a thread woken
      // by both takes the stop and leaves the named set for the others.
      // The thread runs this library's code: it must have left before the library is unmapped,
      // so the wait has no time limit (a timed-out wait would unmap code under a running thread);
      // the stop event, which its only wait includes, always wakes it at once.
      g_bDebugRun.store(false);
      SetEvent(g_hDebugStop);
      SetEvent(g_hDebugEvent);
      WaitForSingleObject(g_hDebugThread, INFINITE);
      CloseHandle(g_hDebugThread);
      CloseHandle(g_hDebugEvent);
      CloseHandle(g_hDebugStop);
      g_hDebugThread = nullptr;
      g_hDebugEvent = nullptr;
      g_hDebugStop = nullptr;
    }
    if (g_bDebugMSG) NKDbgPrintfW(u"[@@@@@@@] kavlink   DllMain End  ::   %d \r\n", 0);
  }
};
LibraryEntry g_entry;

}  // namespace

DWORD_PTR ADB_Init(LPCWSTR, LPCVOID) {
  NKDbgPrintfW(u"[@@@@@@@] Kavlink   ::   0x%08x \r\n", 1u);
  std::lock_guard<std::mutex> state(g_stateLock);
  if (g_hUsbOut) CloseHandle(g_hUsbOut);
  if (g_hUsbIn) CloseHandle(g_hUsbIn);
  g_hUsbOut = CreateEventW(nullptr, FALSE, FALSE, ADB_EVENT_USB_OUT);
  g_hUsbIn = CreateEventW(nullptr, FALSE, FALSE, ADB_EVENT_USB_IN);
  SetEventData(g_hUsbIn, 255);
  return 1;
}

BOOL ADB_Deinit(DWORD_PTR) {
  std::lock_guard<std::mutex> state(g_stateLock);
  if (g_hUsbOut) CloseHandle(g_hUsbOut);
  if (g_hUsbIn) CloseHandle(g_hUsbIn);
  g_hUsbOut = g_hUsbIn = nullptr;
  return TRUE;
}

DWORD_PTR ADB_Open(DWORD_PTR deviceContext, DWORD, DWORD) {
  std::lock_guard<std::mutex> state(g_stateLock);
  if (g_bHaveRead && g_bHaveWrite && g_lpUsbFuncs) {
    if (!usbPipeRead.load()) usbPipeRead.store(g_lpUsbFuncs->lpOpenPipe(g_hDevice, &g_edpRead));
    if (!usbPipeWrite.load()) usbPipeWrite.store(g_lpUsbFuncs->lpOpenPipe(g_hDevice, &g_edpWrite));
  }
  if (usbPipeRead.load() && usbPipeWrite.load()) {
    if (!g_bLockCreated) {
      InitializeCriticalSection(&g_csLock);
      g_bLockCreated = true;
    }
    NKDbgPrintfW(u"[@@@@@@@]  #######   ADB_Open :  usbPipeRead=0x%x   usbPipeWrite=0X%x  \r\n",
                 static_cast<unsigned>(reinterpret_cast<uintptr_t>(usbPipeRead.load())),
                 static_cast<unsigned>(reinterpret_cast<uintptr_t>(usbPipeWrite.load())));
    return deviceContext;
  }
  NKDbgPrintfW(u"[@@@@@@@] ADB_Open Error usbedpRead 0x%x  usbedpWrite=0x%x  \r\n",
               static_cast<unsigned>(g_bHaveRead ? g_edpRead.bEndpointAddress : 0),
               static_cast<unsigned>(g_bHaveWrite ? g_edpWrite.bEndpointAddress : 0));
  return 0;
}

BOOL ADB_Close(DWORD_PTR openContext) {
  NKDbgPrintfW(u"[@@@@@@@] ADB_Close(%x  %x)\r\n", static_cast<unsigned>(openContext), 0u);
  // Under the state lock: a detach must not release the transfer events while they are signalled
  // here. Reads and writes never take it, so the wait for them ends.
  std::lock_guard<std::mutex> state(g_stateLock);
  // Blocked reads and writes see the flag, leave, and only then go the lock and the pipes.
  g_bClosing.store(true);
  SignalTransferEvents();
  WaitCallsInFlight();
  if (g_bLockCreated) {
    DeleteCriticalSection(&g_csLock);
    g_bLockCreated = false;
  }
  LPCUSB_FUNCS funcs = g_lpUsbFuncs;
  if (USB_PIPE pipe = usbPipeRead.exchange(nullptr)) {
    if (funcs) funcs->lpClosePipe(pipe);
  }
  if (USB_PIPE pipe = usbPipeWrite.exchange(nullptr)) {
    if (funcs) funcs->lpClosePipe(pipe);
  }
  g_bClosing.store(false);
  return TRUE;
}

void ADB_PowerDown(DWORD_PTR) {}
void ADB_PowerUp(DWORD_PTR) {}

DWORD ADB_Seek(DWORD_PTR, LONG, WORD) {
  SetLastError(50);  // ERROR_NOT_SUPPORTED
  return static_cast<DWORD>(-1);
}

DWORD ADB_Read(DWORD_PTR openContext, LPVOID buffer, DWORD count) {
  CallInFlight call;
  if (!g_bADBDeviceIn.load() || !buffer || !g_lpUsbFuncs || !DeviceUsable(usbPipeRead.load()) ||
      !g_bLockCreated)
    return 0;
  if (g_bDebugMSG)
    NKDbgPrintfW(u"[@@@@@@@] ADB_Read ------- (0X%x)  (0X%x)\r\n", static_cast<unsigned>(openContext), count);
  if (count > ADB_MAX_TRANSFER) count = ADB_MAX_TRANSFER;
  BYTE* out = static_cast<BYTE*>(buffer);
  DWORD done = 0;
  while (done < count && DeviceUsable(usbPipeRead.load())) {
    const DWORD batch = kTransfers * g_dwPacketSize;
    const DWORD got = TransferChunk(true, out + done, count - done < batch ? count - done : batch);
    // A batch that brought nothing (failed transfers, stalled pipe) ends the call: the caller
    // decides whether to read again.
    if (got == 0) break;
    done += got;
  }
  return done;
}

DWORD ADB_Write(DWORD_PTR openContext, LPCVOID buffer, DWORD count) {
  CallInFlight call;
  if (!g_bADBDeviceIn.load() || !buffer || !g_lpUsbFuncs || !DeviceUsable(usbPipeWrite.load()) ||
      !g_bLockCreated)
    return 0;
  if (g_bDebugMSG)
    NKDbgPrintfW(u"[@@@@@@@] ADB_Write ------- (0X%x)  (0X%x)\r\n", static_cast<unsigned>(openContext),
                 count);
  if (count > ADB_MAX_TRANSFER) count = ADB_MAX_TRANSFER;
  BYTE* in = const_cast<BYTE*>(static_cast<const BYTE*>(buffer));  // OUT transfers only read it
  DWORD done = 0;
  while (done < count && DeviceUsable(usbPipeWrite.load())) {
    const DWORD wrote =
        TransferChunk(false, in + done, count - done < g_dwPacketSize ? count - done : g_dwPacketSize);
    if (wrote == 0) {
      // A stalled pipe: return what went out and let the caller's retry rule act.
      Sleep(10);
      break;
    }
    done += wrote;
  }
  if (g_bDebugMSG)
    NKDbgPrintfW(
        u"[@@@@@@@] ADB_Write end (dwdValid=0X%x)  (Count=0X%x) (g_bADBDeviceIn=%d)  (usbPipeWrite=%d)   "
        u"\r\n",
        done, count, static_cast<int>(g_bADBDeviceIn.load()), usbPipeWrite.load() ? 1 : 0);
  return done;
}

BOOL ADB_IOControl(DWORD_PTR, DWORD code, PBYTE in, DWORD inSize, PBYTE out, DWORD outSize, PDWORD returned) {
  if (code == IOCTL_ADB_GET_DEVICE_IN) {
    if (out && outSize >= sizeof(DWORD)) {
      const DWORD present = g_bADBDeviceIn.load() ? 1 : 0;
      memcpy(out, &present, sizeof(present));
      if (returned) *returned = sizeof(present);
    }
  } else if (code == IOCTL_ADB_SETDEBUG_MSG) {
    if (in && inSize >= sizeof(DWORD)) {
      DWORD word = 0;
      memcpy(&word, in, sizeof(word));
      g_bDebugMSG.store(word != 0);
      if (word) NKDbgPrintfW(u"[@@@@@@@]      IOCTL_ADB_SETDEBUG_MSG :  g_bDebugMSG=0x%x   \r\n", 1u);
    }
  }
  // Every code, served or not, reports failure; callers read the output buffer.
  SetLastError(1);
  return FALSE;
}

BOOL USBDeviceAttach(USB_HANDLE device, LPCUSB_FUNCS funcs, LPCUSB_INTERFACE, LPCWSTR uniqueDriverId,
                     BOOL* acceptControl) {
  if (acceptControl) *acceptControl = FALSE;
  if (!device || !funcs) return FALSE;
  LPCUSB_DEVICE info = funcs->lpGetDeviceInfo(device);
  if (!info || !info->lpActiveConfig) return FALSE;
  LPCUSB_CONFIGURATION config = info->lpActiveConfig;
  if (g_bDebugMSG) {
    NKDbgPrintfW(u"[@@@@@@@] USBDeviceAttach (0x%x) (%s) wTotalLength=%d bNumInterfaces=%d\r\n",
                 static_cast<unsigned>(reinterpret_cast<uintptr_t>(device)),
                 uniqueDriverId ? uniqueDriverId : u"", config->Descriptor.wTotalLength,
                 config->Descriptor.bNumInterfaces);
  }
  if (!TakeDevice(device, funcs, config, acceptControl)) return FALSE;

  // Without the state lock: activating "ADB1:" runs ADB_Init, which takes it.
  if (!IsDeviceListed()) {
    ActivateDevice(kClientKey, 0);
    if (!IsDeviceListed()) NKDbgPrintfW(u"[@@@@@@@] %s not active after ActivateDevice\r\n", kDeviceName);
  }
  return TRUE;
}

BOOL USBInstallDriver(LPCWSTR driverLibFile) {
  USB_DRIVER_SETTINGS settings{};
  settings.dwCount = sizeof(USB_DRIVER_SETTINGS);
  settings.dwVendorId = USB_NO_INFO;
  settings.dwProductId = USB_NO_INFO;
  settings.dwReleaseNumber = USB_NO_INFO;
  settings.dwDeviceClass = USB_NO_INFO;
  settings.dwDeviceSubClass = USB_NO_INFO;
  settings.dwDeviceProtocol = USB_NO_INFO;
  settings.dwInterfaceClass = kAdbClass;
  settings.dwInterfaceSubClass = kAdbSubClass;
  settings.dwInterfaceProtocol = kAdbProtocol;
  if (!RegisterClientDriverID(u"Kavlink")) return FALSE;
  return RegisterClientSettings(driverLibFile, u"Kavlink", nullptr, &settings);
}

BOOL USBUnInstallDriver() {
  NKDbgPrintfW(u"[@@@@@@@] kavlink   USBUnInstallDriver   ::   %d \r\n", 1);
  return TRUE;
}
