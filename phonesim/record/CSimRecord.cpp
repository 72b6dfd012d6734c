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

CSimRecord::CSimRecord() : m_start(std::chrono::steady_clock::now()) {}

CSimRecord::~CSimRecord() {
  CloseLog();
}

bool CSimRecord::OpenLog(const std::string& path) {
  std::lock_guard<std::mutex> g(m_lock);
  if (m_log != nullptr) std::fclose(m_log);
  m_log = std::fopen(path.c_str(), "a");
  return m_log != nullptr;
}

void CSimRecord::CloseLog() {
  std::lock_guard<std::mutex> g(m_lock);
  if (m_log != nullptr) std::fclose(m_log);
  m_log = nullptr;
}

void CSimRecord::Clear() {
  std::lock_guard<std::mutex> g(m_lock);
  m_packets.clear();
  m_shell.clear();
  m_pushes.clear();
  m_streams.clear();
  m_violations.clear();
  m_events.clear();
}

int64_t CSimRecord::NowUs() const {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - m_start)
      .count();
}

void CSimRecord::WriteLine(const std::string& line) {
  if (m_log == nullptr) return;
  std::fprintf(m_log, "%012lld %s\n", static_cast<long long>(NowUs()), line.c_str());
  std::fflush(m_log);
}

void CSimRecord::Packet(bool from_host, const CAdbPacket& p) {
  SPacketRecord r;
  r.time_us = NowUs();
  r.from_host = from_host;
  r.command = p.command;
  r.arg0 = p.arg0;
  r.arg1 = p.arg1;
  r.data_length = p.data_length;
  r.data_check = p.data_check;
  r.magic = p.magic;
  r.payload = p.payload;
  char head[160];
  std::snprintf(head, sizeof head, "%s %s arg0=0x%08x arg1=0x%08x len=%u check=0x%08x magic=0x%08x%s \"",
                from_host ? "RX" : "TX", CAdbPacket::CommandName(p.command).c_str(), p.arg0, p.arg1,
                p.data_length, p.data_check, p.magic, p.MagicOk() ? "" : "(bad)");
  std::lock_guard<std::mutex> g(m_lock);
  WriteLine(head + EscapeBytes(p.payload.data(), p.payload.size(), kLogPayloadBytes) + "\"");
  m_packets.push_back(std::move(r));
  ++m_gen;
  m_changed.notify_all();
}

void CSimRecord::Shell(const std::string& command) {
  std::lock_guard<std::mutex> g(m_lock);
  WriteLine("SHELL " + EscapeBytes(reinterpret_cast<const uint8_t*>(command.data()), command.size(), 4096));
  m_shell.push_back(command);
  ++m_gen;
  m_changed.notify_all();
}

void CSimRecord::Push(const SPushRecord& r) {
  char buf[96];
  std::snprintf(buf, sizeof buf, " mode=0%o mtime=%u size=%llu ", r.mode, r.mtime,
                static_cast<unsigned long long>(r.size));
  std::lock_guard<std::mutex> g(m_lock);
  WriteLine("PUSH " + r.path + buf + (r.ok ? "OKAY" : "FAIL " + r.fail));
  m_pushes.push_back(r);
  ++m_gen;
  m_changed.notify_all();
}

SStreamRecord* CSimRecord::FindStream(uint32_t device_id) {
  // Newest first: device ids are never reused within a run, but a Clear()
  // may leave an old id behind in a long test.
  for (auto it = m_streams.rbegin(); it != m_streams.rend(); ++it)
    if (it->device_id == device_id) return &*it;
  return nullptr;
}

void CSimRecord::StreamOpened(uint32_t device_id, uint32_t host_id, const std::string& service) {
  std::lock_guard<std::mutex> g(m_lock);
  SStreamRecord r;
  r.device_id = device_id;
  r.host_id = host_id;
  r.service = service;
  m_streams.push_back(r);
  WriteLine("STREAM-OPEN dev=" + std::to_string(device_id) + " host=" + std::to_string(host_id) +
            " service=\"" +
            EscapeBytes(reinterpret_cast<const uint8_t*>(service.data()), service.size(), 256) + "\"");
  ++m_gen;
  m_changed.notify_all();
}

void CSimRecord::StreamBytes(uint32_t device_id, bool from_host, size_t n) {
  std::lock_guard<std::mutex> g(m_lock);
  SStreamRecord* s = FindStream(device_id);
  if (s == nullptr) return;
  (from_host ? s->bytes_from_host : s->bytes_to_host) += n;
  ++m_gen;
  m_changed.notify_all();
}

void CSimRecord::StreamClosed(uint32_t device_id) {
  std::lock_guard<std::mutex> g(m_lock);
  SStreamRecord* s = FindStream(device_id);
  if (s == nullptr || s->closed) return;
  s->closed = true;
  WriteLine("STREAM-CLOSE dev=" + std::to_string(device_id) + " host=" + std::to_string(s->host_id) +
            " service=\"" + s->service + "\" from_host=" + std::to_string(s->bytes_from_host) +
            " to_host=" + std::to_string(s->bytes_to_host));
  ++m_gen;
  m_changed.notify_all();
}

void CSimRecord::Violation(const std::string& what) {
  std::lock_guard<std::mutex> g(m_lock);
  WriteLine("VIOLATION " + what);
  m_violations.push_back(what);
  ++m_gen;
  m_changed.notify_all();
}

void CSimRecord::Event(const std::string& what) {
  std::lock_guard<std::mutex> g(m_lock);
  WriteLine("EVENT " + what);
  m_events.push_back(what);
  ++m_gen;
  m_changed.notify_all();
}

std::vector<SPacketRecord> CSimRecord::Packets() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_packets;
}
std::vector<std::string> CSimRecord::ShellCommands() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_shell;
}
std::vector<SPushRecord> CSimRecord::Pushes() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_pushes;
}
std::vector<SStreamRecord> CSimRecord::Streams() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_streams;
}
std::vector<std::string> CSimRecord::Violations() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_violations;
}
std::vector<std::string> CSimRecord::Events() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_events;
}

bool CSimRecord::WaitFor(const std::function<bool()>& pred, int timeout_ms) const {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    uint64_t gen;
    {
      std::lock_guard<std::mutex> g(m_lock);
      gen = m_gen;
    }
    // pred reads the record through the accessors, so it runs unlocked;
    // the generation taken before it closes the gap to the wait below.
    if (pred()) return true;
    std::unique_lock<std::mutex> g(m_lock);
    if (std::chrono::steady_clock::now() >= deadline) return false;
    m_changed.wait_until(g, deadline, [&] { return m_gen != gen; });
  }
}

}  // namespace phonesim
