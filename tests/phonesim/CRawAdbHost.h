#pragma once
// A tiny ADB host for tests, written apart from the phone's own codec: it
// builds and reads the 24-byte headers byte by byte, so a fault in the
// phone's codec shows instead of being mirrored.
#include <cstdint>
#include <string>
#include <vector>

namespace phonesim_test {

constexpr uint32_t kCNXN = 0x4e584e43;
constexpr uint32_t kAUTH = 0x48545541;
constexpr uint32_t kOPEN = 0x4e45504f;
constexpr uint32_t kOKAY = 0x59414b4f;
constexpr uint32_t kCLSE = 0x45534c43;
constexpr uint32_t kWRTE = 0x45545257;

struct SRawPacket {
  uint32_t cmd = 0, arg0 = 0, arg1 = 0, len = 0, check = 0, magic = 0;
  std::vector<uint8_t> data;
  std::string Text() const { return std::string(data.begin(), data.end()); }
};

std::vector<uint8_t> RawPacketBytes(uint32_t cmd, uint32_t arg0, uint32_t arg1, const std::string& data);

class CRawAdbHost {
 public:
  ~CRawAdbHost();
  bool Connect(uint16_t port, int timeout_ms = 2000);
  void Close();
  bool SendBytes(const std::vector<uint8_t>& bytes);
  bool Send(uint32_t cmd, uint32_t arg0, uint32_t arg1, const std::string& data = "");
  // Reads one packet; false on timeout or a closed connection.
  bool Recv(SRawPacket* p, int timeout_ms = 2000);
  // Reads packets until one with cmd arrives (others are kept in skipped).
  bool RecvUntil(uint32_t cmd, SRawPacket* p, int timeout_ms = 2000,
                 std::vector<SRawPacket>* skipped = nullptr);
  // Bytes of one read (at most max); empty on timeout or close.
  std::vector<uint8_t> RecvSome(size_t max, int timeout_ms);
  // True when the phone closed the connection within the time.
  bool WaitClosed(int timeout_ms);
  // CNXN with the given maximum; returns the phone's answer (CNXN or AUTH).
  bool Handshake(uint32_t max_payload, SRawPacket* answer);
  // Opens a service with host id local; returns the phone's first answer.
  bool Open(uint32_t local, const std::string& service, SRawPacket* answer);
  // Collects WRTE payloads of one stream, answering each with OKAY, until CLSE.
  bool ReadStreamToClose(uint32_t local, std::string* out, int timeout_ms = 3000,
                         std::vector<SRawPacket>* writes = nullptr);

 private:
  bool RecvExact(uint8_t* p, size_t n, int timeout_ms);
  int m_fd = -1;
};

}  // namespace phonesim_test
