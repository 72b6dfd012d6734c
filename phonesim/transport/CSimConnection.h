#pragma once
// One host connection: the byte stream that stands for the USB cable.
// Counts bytes both ways and carries the transport faults: a drop after N
// bytes, and slow or split delivery of what the device writes.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "phonesim/scenario/CFaultPlan.h"

namespace phonesim {

class CSimConnection {
 public:
  CSimConnection(int fd, CFaultPlan* faults);  // takes the fd
  ~CSimConnection();
  CSimConnection(const CSimConnection&) = delete;
  CSimConnection& operator=(const CSimConnection&) = delete;

  // Reads exactly len bytes; false when the peer is gone, the connection was
  // dropped or the rx byte limit was reached.
  bool RecvExact(void* buf, size_t len);
  // Waits up to timeout_ms for bytes to read; false on timeout. A closed
  // peer counts as readable (the next read then fails).
  bool WaitReadable(int timeout_ms);
  // Writes all bytes (in pieces when split/slow delivery is on); false once dropped.
  bool Send(const void* data, size_t len);
  // Pulls the cable: both directions end at once. Safe from any thread.
  void Drop();
  bool Dropped() const { return m_bDropped.load(); }
  uint64_t BytesIn() const { return m_nRx.load(); }
  uint64_t BytesOut() const { return m_nTx.load(); }
  // Why the connection ended ("host closed", "drop-after-rx", ...).
  const char* DropReason() const { return m_pReason.load(); }
  void SetDropReason(const char* why);

 private:
  bool SendRaw(const uint8_t* p, size_t len);

  int m_nFd;
  CFaultPlan* m_pFaults;
  std::mutex m_SendLock;
  std::atomic<bool> m_bDropped{false};
  std::atomic<uint64_t> m_nRx{0}, m_nTx{0};
  uint64_t m_nRxLimit = 0, m_nTxLimit = 0;
  std::atomic<const char*> m_pReason{"host closed"};
};

}  // namespace phonesim
