#include "tests/phonesim/CRawAdbHost.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace phonesim_test {

namespace {
void Put(std::vector<uint8_t>* v, uint32_t x) {
  v->push_back(x & 0xff);
  v->push_back((x >> 8) & 0xff);
  v->push_back((x >> 16) & 0xff);
  v->push_back((x >> 24) & 0xff);
}
uint32_t Get(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24);
}
}  // namespace

std::vector<uint8_t> RawPacketBytes(uint32_t cmd, uint32_t arg0, uint32_t arg1, const std::string& data) {
  std::vector<uint8_t> v;
  uint32_t sum = 0;
  for (unsigned char c : data) sum += c;
  Put(&v, cmd);
  Put(&v, arg0);
  Put(&v, arg1);
  Put(&v, static_cast<uint32_t>(data.size()));
  Put(&v, sum);
  Put(&v, ~cmd);
  v.insert(v.end(), data.begin(), data.end());
  return v;
}

CRawAdbHost::~CRawAdbHost() {
  Close();
}

bool CRawAdbHost::Connect(uint16_t port, int timeout_ms) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  do {
    Close();
    m_fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(m_fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0) {
      int one = 1;
      setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      return true;
    }
    usleep(20000);
  } while (std::chrono::steady_clock::now() < until);
  Close();
  return false;
}

void CRawAdbHost::Close() {
  if (m_fd >= 0) close(m_fd);
  m_fd = -1;
}

bool CRawAdbHost::SendBytes(const std::vector<uint8_t>& b) {
  size_t done = 0;
  while (done < b.size()) {
    ssize_t n = send(m_fd, b.data() + done, b.size() - done, MSG_NOSIGNAL);
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool CRawAdbHost::Send(uint32_t cmd, uint32_t arg0, uint32_t arg1, const std::string& data) {
  return SendBytes(RawPacketBytes(cmd, arg0, arg1, data));
}

bool CRawAdbHost::RecvExact(uint8_t* p, size_t n, int timeout_ms) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  size_t got = 0;
  while (got < n) {
    int left = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now())
            .count());
    if (left <= 0) return false;
    pollfd pf{m_fd, POLLIN, 0};
    if (poll(&pf, 1, left) <= 0) return false;
    ssize_t r = recv(m_fd, p + got, n - got, 0);
    if (r <= 0) return false;
    got += static_cast<size_t>(r);
  }
  return true;
}

bool CRawAdbHost::Recv(SRawPacket* p, int timeout_ms) {
  uint8_t h[24];
  if (m_fd < 0 || !RecvExact(h, 24, timeout_ms)) return false;
  p->cmd = Get(h);
  p->arg0 = Get(h + 4);
  p->arg1 = Get(h + 8);
  p->len = Get(h + 12);
  p->check = Get(h + 16);
  p->magic = Get(h + 20);
  if (p->len > 1024 * 1024) return false;
  p->data.assign(p->len, 0);
  return p->len == 0 || RecvExact(p->data.data(), p->len, timeout_ms);
}

bool CRawAdbHost::RecvUntil(uint32_t cmd, SRawPacket* p, int timeout_ms, std::vector<SRawPacket>* skipped) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (std::chrono::steady_clock::now() < until) {
    int left = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now())
            .count());
    if (!Recv(p, left > 0 ? left : 1)) return false;
    if (p->cmd == cmd) return true;
    if (skipped) skipped->push_back(*p);
  }
  return false;
}

std::vector<uint8_t> CRawAdbHost::RecvSome(size_t max, int timeout_ms) {
  std::vector<uint8_t> out(max);
  pollfd pf{m_fd, POLLIN, 0};
  if (m_fd < 0 || poll(&pf, 1, timeout_ms) <= 0) return {};
  ssize_t r = recv(m_fd, out.data(), max, 0);
  out.resize(r > 0 ? static_cast<size_t>(r) : 0);
  return out;
}

bool CRawAdbHost::WaitClosed(int timeout_ms) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  uint8_t buf[4096];
  while (std::chrono::steady_clock::now() < until) {
    pollfd pf{m_fd, POLLIN, 0};
    if (poll(&pf, 1, 20) <= 0) continue;
    ssize_t r = recv(m_fd, buf, sizeof buf, 0);
    if (r <= 0) return true;
  }
  return false;
}

bool CRawAdbHost::Handshake(uint32_t max_payload, SRawPacket* answer) {
  std::string banner("host::\0", 7);
  return Send(kCNXN, 0x01000000, max_payload, banner) && Recv(answer);
}

bool CRawAdbHost::Open(uint32_t local, const std::string& service, SRawPacket* answer) {
  return Send(kOPEN, local, 0, service + std::string(1, '\0')) && Recv(answer);
}

bool CRawAdbHost::ReadStreamToClose(uint32_t local, std::string* out, int timeout_ms,
                                    std::vector<SRawPacket>* writes) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  SRawPacket p;
  while (std::chrono::steady_clock::now() < until) {
    if (!Recv(&p, timeout_ms)) return false;
    if (p.arg1 != local) continue;
    if (p.cmd == kWRTE) {
      out->append(p.data.begin(), p.data.end());
      if (writes) writes->push_back(p);
      Send(kOKAY, local, p.arg0);
    } else if (p.cmd == kCLSE) {
      return true;
    }
  }
  return false;
}

}  // namespace phonesim_test
