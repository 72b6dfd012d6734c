#include "phonesim/transport/CSimConnection.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace phonesim {

CSimConnection::CSimConnection(int fd, CFaultPlan* faults) : m_nFd(fd), m_pFaults(faults) {
  if (m_pFaults != nullptr) {
    m_nRxLimit = m_pFaults->TakeDropAfterRx();
    m_nTxLimit = m_pFaults->TakeDropAfterTx();
  }
}

CSimConnection::~CSimConnection() {
  Drop();
  ::close(m_nFd);
}

void CSimConnection::SetDropReason(const char* why) {
  const char* expected = "host closed";
  m_pReason.compare_exchange_strong(expected, why);
}

void CSimConnection::Drop() {
  if (m_bDropped.exchange(true)) return;
  // shutdown wakes a reader blocked in recv and a writer blocked in send;
  // the fd itself stays valid until the destructor.
  ::shutdown(m_nFd, SHUT_RDWR);
}

bool CSimConnection::WaitReadable(int timeout_ms) {
  if (m_bDropped) return true;
  pollfd p{m_nFd, POLLIN, 0};
  return poll(&p, 1, timeout_ms) > 0;
}

bool CSimConnection::RecvExact(void* buf, size_t len) {
  auto* p = static_cast<uint8_t*>(buf);
  size_t got = 0;
  while (got < len) {
    if (m_bDropped) return false;
    size_t want = len - got;
    if (m_nRxLimit != 0) {
      uint64_t left = m_nRxLimit > m_nRx ? m_nRxLimit - m_nRx : 0;
      if (left == 0) {
        SetDropReason("drop-after-rx");
        Drop();
        return false;
      }
      if (want > left) want = static_cast<size_t>(left);
    }
    ssize_t n = ::recv(m_nFd, p + got, want, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      Drop();
      return false;
    }
    got += static_cast<size_t>(n);
    m_nRx += static_cast<uint64_t>(n);
  }
  if (m_nRxLimit != 0 && m_nRx >= m_nRxLimit) {
    // The limit counts bytes the phone took in; the packet that reached
    // it is not handled, as if the cable went in the middle of it.
    SetDropReason("drop-after-rx");
    Drop();
    return false;
  }
  return true;
}

bool CSimConnection::SendRaw(const uint8_t* p, size_t len) {
  size_t done = 0;
  while (done < len) {
    if (m_bDropped) return false;
    ssize_t n = ::send(m_nFd, p + done, len - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      Drop();
      return false;
    }
    done += static_cast<size_t>(n);
    m_nTx += static_cast<uint64_t>(n);
  }
  return true;
}

bool CSimConnection::Send(const void* data, size_t len) {
  std::lock_guard<std::mutex> g(m_SendLock);
  const auto* p = static_cast<const uint8_t*>(data);
  bool cut = false;
  if (m_nTxLimit != 0) {
    uint64_t left = m_nTxLimit > m_nTx ? m_nTxLimit - m_nTx : 0;
    if (len >= left) {
      len = static_cast<size_t>(left);
      cut = true;
    }
  }
  SDelivery d = m_pFaults != nullptr ? m_pFaults->Delivery() : SDelivery{};
  bool ok = true;
  if (d.m_nChunk == 0) {
    ok = SendRaw(p, len);
  } else {
    for (size_t off = 0; ok && off < len; off += d.m_nChunk) {
      size_t n = len - off < d.m_nChunk ? len - off : d.m_nChunk;
      ok = SendRaw(p + off, n);
      // A pause between pieces keeps them in separate segments, so the
      // host really reads the packet in parts.
      std::this_thread::sleep_for(std::chrono::milliseconds(d.m_nPauseMs > 0 ? d.m_nPauseMs : 2));
    }
  }
  if (cut) {
    SetDropReason("drop-after-tx");
    Drop();
    return false;
  }
  return ok;
}

}  // namespace phonesim
