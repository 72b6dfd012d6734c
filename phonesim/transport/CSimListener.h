#pragma once
// The listening TCP socket on which the phone waits for its host, the way
// adbd waits on its TCP port.
#include <cstdint>
#include <string>

namespace phonesim {

class CSimListener {
 public:
  CSimListener() = default;
  ~CSimListener();
  CSimListener(const CSimListener&) = delete;
  CSimListener& operator=(const CSimListener&) = delete;

  // port 0 takes an ephemeral port. false (and *error) on failure.
  bool Listen(const std::string& address, uint16_t port, std::string* error);
  void Close();
  int Fd() const { return m_nFd; }
  uint16_t Port() const { return m_nPort; }
  // Waits up to timeout_ms for a connection; -1 when none (or closed).
  int Accept(int timeout_ms);

 private:
  int m_nFd = -1;
  uint16_t m_nPort = 0;
};

}  // namespace phonesim
