#pragma once
// The head unit's side of the six projection channels for tests, on the raw
// ADB host: opens "tcp:PORT" streams, acknowledges every WRTE, keeps each
// channel's bytes, and cuts them into packages with its own reading of the
// two frame headers (not the phone's).
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tests/phonesim/CRawAdbHost.h"

namespace phonesim_test {

constexpr uint16_t kPorts[6] = {7240, 8240, 9240, 9241, 9242, 9340};

struct SPackage {
  uint32_t length = 0;
  uint32_t timestamp = 0;
  uint32_t type = 0;
  std::vector<uint8_t> header;  // the raw header bytes
  std::vector<uint8_t> payload;
  std::vector<uint8_t> Bytes() const {
    std::vector<uint8_t> b = header;
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
  }
};

class CProjectionHost {
 public:
  explicit CProjectionHost(CRawAdbHost* host) : m_host(host) {}

  // Opens the six channels with fresh local ids; true when all six got OKAY.
  bool OpenAll(int timeout_ms = 3000);
  // Opens one channel; returns the phone's answer command (OKAY or CLSE).
  uint32_t OpenChannel(int c, int timeout_ms = 3000);
  // Runs a shell command on its own stream while the channels go on.
  std::string Shell(const std::string& command, int timeout_ms = 3000);
  bool Write(int c, const std::vector<uint8_t>& bytes);
  // The next whole package of channel c.
  bool Next(int c, SPackage* p, int timeout_ms = 3000);
  // The next n bytes of channel c as they came, whatever their headers say.
  bool Take(int c, size_t n, std::vector<uint8_t>* out, int timeout_ms = 3000);
  // The next package of channel c of this type; others are skipped.
  bool NextOfType(int c, uint32_t type, SPackage* p, int timeout_ms = 3000);
  // True when the phone closed channel c.
  bool WaitClosed(int c, int timeout_ms = 3000);
  bool Closed(int c) const { return m_remote[c] == 0; }
  // Handles one packet from the phone; false on timeout.
  bool Pump(int timeout_ms);

 private:
  CRawAdbHost* m_host;
  uint32_t m_base = 0;
  uint32_t m_local[6] = {};
  uint32_t m_remote[6] = {};
  bool m_answered[6] = {};
  std::vector<uint8_t> m_rx[6];
  uint32_t m_next_local = 1;
  // Shell streams: local id -> output; done when closed.
  std::map<uint32_t, std::string> m_shell_out;
  std::map<uint32_t, bool> m_shell_done;
  std::map<uint32_t, uint32_t> m_shell_remote;
};

std::vector<uint8_t> Bytes(std::initializer_list<int> b);

}  // namespace phonesim_test
