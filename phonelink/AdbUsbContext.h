// The USB side of the link: the device "ADB1:" with the generation of each open, the monitor and
// the reader of its connections, the events they wait on and the reader's one packet block.
#pragma once

#include "phonelink/AdbPacket.h"

#include "platform/kernel/kernel.h"

#include <atomic>
#include <cstdint>

class AdbUsbContext {
 public:
  AdbUsbContext() = default;
  AdbUsbContext(const AdbUsbContext&) = delete;
  AdbUsbContext& operator=(const AdbUsbContext&) = delete;

  // StartUsb: the lock (once), the events and the read block; false when one could not be made.
  bool Create();
  // usb_close, once the monitor and the reader have ended: the read block and the events go.
  void Release();

  // The device of this generation, or INVALID_HANDLE_VALUE once it was closed or replaced.
  HANDLE DeviceOf(uint32_t generation);
  // The device as it is now (the writer), INVALID_HANDLE_VALUE before the first start.
  HANDLE Device();
  // Closes the device once, whoever comes first; with a generation only that device.
  void CloseDevice(bool anyGeneration, uint32_t generation = 0);

  // Made by the first Create and kept for the process: the writer still reads the device under it
  // after usb_close, until Corvane_Adb_Close stops the writer.
  CRITICAL_SECTION m_cs;
  std::atomic<bool> m_bLockMade{false};
  // Under m_cs: the open "ADB1:", and how many times the monitor opened it, so that a reader ends
  // with its own device and never closes a newer one.
  HANDLE m_hDevice = INVALID_HANDLE_VALUE;
  uint32_t m_nGeneration = 0;
  // Set under m_cs by usb_close, cleared by Create; the monitor reads it under m_cs before it opens.
  std::atomic<uint8_t> m_bStop{0};
  // Made by Create and freed by Release; used by the reader of the moment only.
  AdbPacket* m_pReadBlock = nullptr;
  // Replaced by the monitor (the reader) and by StartUsb (the monitor); joined and cleared by
  // usb_close; read for their priority by setUsbThreadPriority.
  HANDLE m_hReader = nullptr;
  HANDLE m_hMonitor = nullptr;
  // Made by Create, closed by Release. The reader sets m_hReaderEnded at its end; the driver sets
  // the named m_hUsbOut; usb_close sets m_hMonitorStop; the monitor waits on all three.
  HANDLE m_hReaderEnded = nullptr;
  HANDLE m_hUsbOut = nullptr;  // "EVENT_ADB_USB_OUT"
  HANDLE m_hUsbIn = nullptr;   // "EVENT_ADB_USB_IN", opened to share the driver's, never waited on
  HANDLE m_hMonitorStop = nullptr;
};
