#include "phonesim/record/CSimRecord.h"

namespace phonesim {

namespace {
constexpr size_t kLogPayloadBytes = 48;
}

std::string EscapeBytes(const uint8_t* data, size_t len, size_t max) {
  std::string out;
  size_t n = len < max ? len : max;
  for (size_t i = 0; i < n; ++i) {
    uint8_t c = data[i];
    if (c >= 0x20 && c < 0x7f && c != '\\' && c != '"') {
      out += static_cast<char>(c);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", c);
      out += buf;
    }
  }
  if (len > n) out += "...";
  return out;
}

CSimRecord::CSimRecord() : m_Start(std::chrono::steady_clock::now()) {}

CSimRecord::~CSimRecord() {
  CloseLog();
}

bool CSimRecord::OpenLog(const std::string& path) {
  std::lock_guard<std::mutex> g(m_Lock);
  if (m_pLog != nullptr) std::fclose(m_pLog);
  m_pLog = std::fopen(path.c_str(), "a");
  return m_pLog != nullptr;
}

void CSimRecord::CloseLog() {
  std::lock_guard<std::mutex> g(m_Lock);
  if (m_pLog != nullptr) std::fclose(m_pLog);
  m_pLog = nullptr;
}

void CSimRecord::Clear() {
  std::lock_guard<std::mutex> g(m_Lock);
  m_Packets.clear();
  m_Shell.clear();
  m_Pushes.clear();
  m_Streams.clear();
  m_Violations.clear();
  m_Events.clear();
}

int64_t CSimRecord::NowUs() const {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - m_Start)
      .count();
}

void CSimRecord::WriteLine(const std::string& line) {
  if (m_pLog == nullptr) return;
  std::fprintf(m_pLog, "%012lld %s\n", static_cast<long long>(NowUs()), line.c_str());
  std::fflush(m_pLog);
}

void CSimRecord::Packet(bool from_host, const CAdbPacket& p) {
  SPacketRecord r;
  r.m_nTimeUs = NowUs();
  r.m_bFromHost = from_host;
  r.m_nCommand = p.m_nCommand;
  r.m_nArg0 = p.m_nArg0;
  r.m_nArg1 = p.m_nArg1;
  r.m_nDataLength = p.m_nDataLength;
  r.m_nDataCheck = p.m_nDataCheck;
  r.m_nMagic = p.m_nMagic;
  r.m_Payload = p.m_Payload;
  char head[160];
  std::snprintf(head, sizeof head, "%s %s arg0=0x%08x arg1=0x%08x len=%u check=0x%08x magic=0x%08x%s \"",
                from_host ? "RX" : "TX", CAdbPacket::CommandName(p.m_nCommand).c_str(), p.m_nArg0, p.m_nArg1,
                p.m_nDataLength, p.m_nDataCheck, p.m_nMagic, p.MagicOk() ? "" : "(bad)");
  std::lock_guard<std::mutex> g(m_Lock);
  WriteLine(head + EscapeBytes(p.m_Payload.data(), p.m_Payload.size(), kLogPayloadBytes) + "\"");
  m_Packets.push_back(std::move(r));
  ++m_nGen;
  m_Changed.notify_all();
}

void CSimRecord::Shell(const std::string& command) {
  std::lock_guard<std::mutex> g(m_Lock);
  WriteLine("SHELL " + EscapeBytes(reinterpret_cast<const uint8_t*>(command.data()), command.size(), 4096));
  m_Shell.push_back(command);
  ++m_nGen;
  m_Changed.notify_all();
}

void CSimRecord::Push(const SPushRecord& r) {
  char buf[96];
  std::snprintf(buf, sizeof buf, " mode=0%o mtime=%u size=%llu ", r.m_nMode, r.m_nMtime,
                static_cast<unsigned long long>(r.m_nSize));
  std::lock_guard<std::mutex> g(m_Lock);
  WriteLine("PUSH " + r.m_strPath + buf + (r.m_bOk ? "OKAY" : "FAIL " + r.m_strFail));
  m_Pushes.push_back(r);
  ++m_nGen;
  m_Changed.notify_all();
}

SStreamRecord* CSimRecord::FindStream(uint32_t device_id) {
  // Newest first: device ids are never reused within a run, but a Clear()
  // may leave an old id behind in a long test.
  for (auto it = m_Streams.rbegin(); it != m_Streams.rend(); ++it)
    if (it->m_nDeviceId == device_id) return &*it;
  return nullptr;
}

void CSimRecord::StreamOpened(uint32_t device_id, uint32_t host_id, const std::string& service) {
  std::lock_guard<std::mutex> g(m_Lock);
  SStreamRecord r;
  r.m_nDeviceId = device_id;
  r.m_nHostId = host_id;
  r.m_strService = service;
  m_Streams.push_back(r);
  WriteLine("STREAM-OPEN dev=" + std::to_string(device_id) + " host=" + std::to_string(host_id) +
            " service=\"" +
            EscapeBytes(reinterpret_cast<const uint8_t*>(service.data()), service.size(), 256) + "\"");
  ++m_nGen;
  m_Changed.notify_all();
}

void CSimRecord::StreamBytes(uint32_t device_id, bool from_host, size_t n) {
  std::lock_guard<std::mutex> g(m_Lock);
  SStreamRecord* s = FindStream(device_id);
  if (s == nullptr) return;
  (from_host ? s->m_nBytesFromHost : s->m_nBytesToHost) += n;
  ++m_nGen;
  m_Changed.notify_all();
}

void CSimRecord::StreamClosed(uint32_t device_id) {
  std::lock_guard<std::mutex> g(m_Lock);
  SStreamRecord* s = FindStream(device_id);
  if (s == nullptr || s->m_bClosed) return;
  s->m_bClosed = true;
  WriteLine("STREAM-CLOSE dev=" + std::to_string(device_id) + " host=" + std::to_string(s->m_nHostId) +
            " service=\"" + s->m_strService + "\" from_host=" + std::to_string(s->m_nBytesFromHost) +
            " to_host=" + std::to_string(s->m_nBytesToHost));
  ++m_nGen;
  m_Changed.notify_all();
}

void CSimRecord::Violation(const std::string& what) {
  std::lock_guard<std::mutex> g(m_Lock);
  WriteLine("VIOLATION " + what);
  m_Violations.push_back(what);
  ++m_nGen;
  m_Changed.notify_all();
}

void CSimRecord::Event(const std::string& what) {
  std::lock_guard<std::mutex> g(m_Lock);
  WriteLine("EVENT " + what);
  m_Events.push_back(what);
  ++m_nGen;
  m_Changed.notify_all();
}

std::vector<SPacketRecord> CSimRecord::Packets() const {
  std::lock_guard<std::mutex> g(m_Lock);
  return m_Packets;
}
std::vector<std::string> CSimRecord::ShellCommands() const {
  std::lock_guard<std::mutex> g(m_Lock);
  return m_Shell;
}
std::vector<SPushRecord> CSimRecord::Pushes() const {
  std::lock_guard<std::mutex> g(m_Lock);
  return m_Pushes;
}
std::vector<SStreamRecord> CSimRecord::Streams() const {
  std::lock_guard<std::mutex> g(m_Lock);
  return m_Streams;
}
std::vector<std::string> CSimRecord::Violations() const {
  std::lock_guard<std::mutex> g(m_Lock);
  return m_Violations;
}
std::vector<std::string> CSimRecord::Events() const {
  std::lock_guard<std::mutex> g(m_Lock);
  return m_Events;
}

bool CSimRecord::WaitFor(const std::function<bool()>& pred, int timeout_ms) const {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    uint64_t gen;
    {
      std::lock_guard<std::mutex> g(m_Lock);
      gen = m_nGen;
    }
    // pred reads the record through the accessors, so it runs unlocked;
    // the generation taken before it closes the gap to the wait below.
    if (pred()) return true;
    std::unique_lock<std::mutex> g(m_Lock);
    if (std::chrono::steady_clock::now() >= deadline) return false;
    m_Changed.wait_until(g, deadline, [&] { return m_nGen != gen; });
  }
}

}  // namespace phonesim
