// The link's life cycle: initialised, the phone's presence and connection, the callers inside the
// interface, the USB threads' priority and the link lock.
#pragma once

#include "platform/kernel/kernel.h"

#include <atomic>
#include <cstdint>
#include <mutex>

struct AdbKeyNode;

class AdbLinkLife {
 public:
  AdbLinkLife() = default;
  ~AdbLinkLife();
  AdbLinkLife(const AdbLinkLife&) = delete;
  AdbLinkLife& operator=(const AdbLinkLife&) = delete;

  // Set at the end of Corvane_Adb_Init and cleared by Corvane_Adb_Close, both under the link lock;
  // polled by every caller and by the USB threads.
  std::atomic<uint8_t> m_bInitialised{0};
  // The phone's CNXN arrived on this USB connection: set by the reader, cleared by the reader at
  // its end and by the monitor; Corvane_Adb_IsConnected reads it.
  std::atomic<uint8_t> m_bConnected{0};
  // A phone is attached and "ADB1:" is open: written by the monitor (and Close), polled by all.
  std::atomic<uint8_t> m_bUsbUp{0};
  // Callers inside the interface (LinkCall); Close waits for them before freeing.
  std::atomic<int32_t> m_nCallers{0};
  // Counts USB outs (monitor); a service call that saw it move lost the phone on the way.
  std::atomic<uint32_t> m_nUsbOuts{0};
  // Of the monitor, reader and writer; -1 until set by a caller or by Init.
  std::atomic<int32_t> m_nThreadPriority{-1};
  // The next key to offer the phone: moved by the reader at AUTH, cleared by the reader at CNXN
  // and by the monitor at USB out, so each connection starts with the first key.
  std::atomic<AdbKeyNode*> m_pKeyCursor{nullptr};

  // The program is ending (Corvane_Adb_BeginClose, and Close itself): every wait of a caller ends
  // and every try answers as if the phone were unplugged. Cleared by Corvane_Adb_Init under the
  // link lock, so a new link starts open.
  std::atomic<uint8_t> m_bClosing{0};
  void BeginClosing();
  void EndClosing();
  // A phone is there for a caller to keep trying: attached, the link running, not closing.
  bool PhoneReachable() const { return m_bUsbUp && m_bInitialised && !m_bClosing; }
  // Waits for event up to ms; WAIT_TIMEOUT as soon as the link is closing, whatever the event.
  DWORD WaitOrClosing(HANDLE event, DWORD ms);
  // A pause between a caller's tries; false when the link is closing (at once, or during it).
  bool Pause(DWORD ms);

  // The link lock serialises Corvane_Adb_Init and Corvane_Adb_Close: two threads racing to start
  // or end the link see one start. It is made once, on first use, and lives as long as this.
  CRITICAL_SECTION* LinkLock();

 private:
  // Manual reset, signalled while m_bClosing is set; made once, on first use, like the lock.
  HANDLE ClosingEvent();

  std::once_flag m_ClosingOnce;
  HANDLE m_hClosing = nullptr;  // written inside the once
  std::once_flag m_LinkLockOnce;
  bool m_bLinkLockMade = false;  // written inside the once, read by the destructor
  CRITICAL_SECTION m_csLinkLock;
};
