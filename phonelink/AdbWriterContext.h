// The writer of the link: the queue of packets waiting to go out onto "ADB1:", its lock, the
// event that wakes the writer thread and the thread itself.
#pragma once

#include "phonelink/AdbPacket.h"

#include "platform/kernel/kernel.h"

#include <atomic>
#include <cstddef>
#include <vector>

// The packets waiting to go out, oldest first: a ring of block pointers that grows when full and
// never shrinks, so that queueing costs no allocation once the link runs.
class AdbPacketQueue {
 public:
  bool Empty() const { return m_nCount == 0; }
  void Push(AdbPacket* p);
  AdbPacket* Pop();

 private:
  void Grow();

  std::vector<AdbPacket*> m_Slots;
  size_t m_nHead = 0;
  size_t m_nCount = 0;
};

class AdbWriterContext {
 public:
  AdbWriterContext() = default;
  AdbWriterContext(const AdbWriterContext&) = delete;
  AdbWriterContext& operator=(const AdbWriterContext&) = delete;

  // Made by StartWriter and deleted by StopWriter once the thread has ended; m_bLockMade says
  // whether it is there, for the senders that queue from any thread.
  CRITICAL_SECTION m_cs;
  std::atomic<bool> m_bLockMade{false};
  // Under m_cs: filled by any sender, drained by the writer thread, emptied by the monitor at USB
  // out; it owns every block in it.
  AdbPacketQueue m_Queue;
  // "EVENT_USB_WRITE": made by the first StartWriter, closed by StopWriter; set by each sender.
  HANDLE m_hEvent = nullptr;
  // Started by StartWriter, joined and cleared by StopWriter (the thread of Init and Close).
  HANDLE m_hThread = nullptr;
  // Set by StopWriter, cleared by StartWriter; polled by the writer thread and the senders.
  std::atomic<uint8_t> m_bStop{0};
};
