#include "tests/phonesim/app/CProjectionHost.h"

#include <chrono>
#include <cstdio>

namespace phonesim_test {

namespace {

using Clock = std::chrono::steady_clock;

int Left(Clock::time_point until) {
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
  return ms > 0 ? static_cast<int>(ms) : 0;
}

uint32_t Be(const uint8_t* p, int n) {
  uint32_t v = 0;
  for (int i = 0; i < n; ++i) v = (v << 8) | p[i];
  return v;
}

}  // namespace

std::vector<uint8_t> Bytes(std::initializer_list<int> b) {
  std::vector<uint8_t> v;
  for (int x : b) v.push_back(static_cast<uint8_t>(x));
  return v;
}

uint32_t CProjectionHost::OpenChannel(int c, int timeout_ms) {
  m_local[c] = m_next_local++;
  m_remote[c] = 0;
  m_answered[c] = false;
  m_rx[c].clear();
  char service[16];
  std::snprintf(service, sizeof service, "tcp:%04d", kPorts[c]);
  if (!m_host->Send(kOPEN, m_local[c], 0, std::string(service) + std::string(1, '\0'))) return 0;
  auto until = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!m_answered[c])
    if (Left(until) == 0 || !Pump(Left(until))) return 0;
  return m_remote[c] != 0 ? kOKAY : kCLSE;
}

bool CProjectionHost::OpenAll(int timeout_ms) {
  for (int c = 0; c < 6; ++c)
    if (OpenChannel(c, timeout_ms) != kOKAY) return false;
  return true;
}

std::string CProjectionHost::Shell(const std::string& command, int timeout_ms) {
  uint32_t local = 1000 + m_next_local++;
  m_shell_out[local].clear();
  m_shell_done[local] = false;
  if (!m_host->Send(kOPEN, local, 0, "shell:" + command + std::string(1, '\0'))) return "(no send)";
  auto until = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!m_shell_done[local])
    if (Left(until) == 0 || !Pump(Left(until))) return "(timeout)";
  return m_shell_out[local];
}

bool CProjectionHost::Write(int c, const std::vector<uint8_t>& bytes) {
  return m_remote[c] != 0 &&
         m_host->Send(kWRTE, m_local[c], m_remote[c], std::string(bytes.begin(), bytes.end()));
}

bool CProjectionHost::Pump(int timeout_ms) {
  SRawPacket p;
  if (!m_host->Recv(&p, timeout_ms)) return false;
  auto shell = m_shell_done.find(p.arg1);
  if (shell != m_shell_done.end()) {
    if (p.cmd == kOKAY) m_shell_remote[p.arg1] = p.arg0;
    if (p.cmd == kWRTE) {
      m_shell_out[p.arg1].append(p.data.begin(), p.data.end());
      m_host->Send(kOKAY, p.arg1, p.arg0);
    }
    if (p.cmd == kCLSE) shell->second = true;
    return true;
  }
  for (int c = 0; c < 6; ++c) {
    if (m_local[c] != p.arg1) continue;
    if (p.cmd == kOKAY && !m_answered[c]) {
      m_answered[c] = true;
      m_remote[c] = p.arg0;
    } else if (p.cmd == kCLSE) {
      m_answered[c] = true;
      m_remote[c] = 0;
    } else if (p.cmd == kWRTE && m_remote[c] == p.arg0) {
      m_rx[c].insert(m_rx[c].end(), p.data.begin(), p.data.end());
      m_host->Send(kOKAY, m_local[c], m_remote[c]);
    }
  }
  return true;
}

bool CProjectionHost::Next(int c, SPackage* p, int timeout_ms) {
  size_t head = (c == 0 || c == 5) ? 8 : 12;
  auto until = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    std::vector<uint8_t>& b = m_rx[c];
    if (b.size() >= head) {
      uint32_t len = head == 8 ? Be(b.data(), 2) : Be(b.data(), 4);
      if (b.size() >= head + len) {
        p->length = len;
        p->timestamp = head == 8 ? 0 : Be(b.data() + 4, 4);
        p->type = Be(b.data() + head - 4, 4);
        p->header.assign(b.begin(), b.begin() + static_cast<long>(head));
        p->payload.assign(b.begin() + static_cast<long>(head), b.begin() + static_cast<long>(head + len));
        b.erase(b.begin(), b.begin() + static_cast<long>(head + len));
        return true;
      }
    }
    if (Left(until) == 0 || !Pump(Left(until))) return false;
  }
}

bool CProjectionHost::Take(int c, size_t n, std::vector<uint8_t>* out, int timeout_ms) {
  auto until = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (m_rx[c].size() < n)
    if (Left(until) == 0 || !Pump(Left(until))) return false;
  out->assign(m_rx[c].begin(), m_rx[c].begin() + static_cast<long>(n));
  m_rx[c].erase(m_rx[c].begin(), m_rx[c].begin() + static_cast<long>(n));
  return true;
}

bool CProjectionHost::NextOfType(int c, uint32_t type, SPackage* p, int timeout_ms) {
  auto until = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (Next(c, p, Left(until)))
    if (p->type == type) return true;
  return false;
}

bool CProjectionHost::WaitClosed(int c, int timeout_ms) {
  auto until = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (m_remote[c] != 0)
    if (Left(until) == 0 || !Pump(Left(until))) return false;
  return true;
}

}  // namespace phonesim_test
