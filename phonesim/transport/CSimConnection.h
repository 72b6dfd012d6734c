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
  bool Dropped() const { return m_dropped.load(); }
  uint64_t BytesIn() const { return m_rx.load(); }
  uint64_t BytesOut() const { return m_tx.load(); }
  // Why the connection ended ("host closed", "drop-after-rx", ...).
  const char* DropReason() const { return m_reason.load(); }
  void SetDropReason(const char* why);

 private:
  bool SendRaw(const uint8_t* p, size_t len);

  int m_fd;
  CFaultPlan* m_faults;
  std::mutex m_send_lock;
  std::atomic<bool> m_dropped{false};
  std::atomic<uint64_t> m_rx{0}, m_tx{0};
  uint64_t m_rx_limit = 0, m_tx_limit = 0;
  std::atomic<const char*> m_reason{"host closed"};
};

}  // namespace phonesim
