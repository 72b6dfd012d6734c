#pragma once
// What the phone saw and did, in order: every packet both ways, shell
// commands, pushed files, per-stream byte counts, protocol violations and
// connection events. Each event also goes to a line-per-event log file.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "phonesim/adb/CAdbPacket.h"

namespace phonesim {

struct SPacketRecord {
  int64_t m_nTimeUs = 0;  // monotonic, from the start of the simulator
  bool m_bFromHost = false;
  uint32_t m_nCommand = 0, m_nArg0 = 0, m_nArg1 = 0, m_nDataLength = 0, m_nDataCheck = 0, m_nMagic = 0;
  std::vector<uint8_t> m_Payload;
};

struct SPushRecord {
  std::string m_strPath;
  uint32_t m_nMode = 0;
  uint32_t m_nMtime = 0;
  uint64_t m_nSize = 0;
  bool m_bOk = false;
  std::string m_strFail;  // FAIL text when !ok
};

struct SStreamRecord {
  uint32_t m_nDeviceId = 0;
  uint32_t m_nHostId = 0;
  std::string m_strService;
  uint64_t m_nBytesFromHost = 0;
  uint64_t m_nBytesToHost = 0;
  bool m_bClosed = false;
};

class CSimRecord {
 public:
  CSimRecord();
  ~CSimRecord();
  CSimRecord(const CSimRecord&) = delete;
  CSimRecord& operator=(const CSimRecord&) = delete;

  bool OpenLog(const std::string& path);  // appends; false when it cannot be opened
  void CloseLog();
  void Clear();

  int64_t NowUs() const;

  void Packet(bool from_host, const CAdbPacket& p);
  void Shell(const std::string& command);
  void Push(const SPushRecord& r);
  void StreamOpened(uint32_t device_id, uint32_t host_id, const std::string& service);
  void StreamBytes(uint32_t device_id, bool from_host, size_t n);
  void StreamClosed(uint32_t device_id);
  void Violation(const std::string& what);
  void Event(const std::string& what);  // connect, drop, fault, auth ...

  std::vector<SPacketRecord> Packets() const;
  std::vector<std::string> ShellCommands() const;
  std::vector<SPushRecord> Pushes() const;
  std::vector<SStreamRecord> Streams() const;
  std::vector<std::string> Violations() const;
  std::vector<std::string> Events() const;

  // Waits until pred() holds (checked again at every new event) or the
  // time runs out. pred may call the accessors above.
  bool WaitFor(const std::function<bool()>& pred, int timeout_ms) const;

 private:
  void WriteLine(const std::string& line);  // caller holds m_Lock
  SStreamRecord* FindStream(uint32_t device_id);

  mutable std::mutex m_Lock;
  mutable std::condition_variable m_Changed;
  uint64_t m_nGen = 0;
  std::chrono::steady_clock::time_point m_Start;
  FILE* m_pLog = nullptr;
  std::vector<SPacketRecord> m_Packets;
  std::vector<std::string> m_Shell;
  std::vector<SPushRecord> m_Pushes;
  std::vector<SStreamRecord> m_Streams;
  std::vector<std::string> m_Violations;
  std::vector<std::string> m_Events;
};

// Printable form of payload bytes for log lines: printable ASCII as is,
// everything else as \xNN, cut after max bytes with "...".
std::string EscapeBytes(const uint8_t* data, size_t len, size_t max);

}  // namespace phonesim
