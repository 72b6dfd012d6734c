#include "bench/CBareTouchRoad.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
const size_t kHeaderSize = 24;
const int kPollMs = 100;

int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

bool SendAll(int fd, const uint8_t* p, size_t n) {
  while (n > 0) {
    const ssize_t sent = send(fd, p, n, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    p += sent;
    n -= static_cast<size_t>(sent);
  }
  return true;
}

bool RecvAll(int fd, uint8_t* p, size_t n) {
  while (n > 0) {
    const ssize_t got = recv(fd, p, n, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    p += got;
    n -= static_cast<size_t>(got);
  }
  return true;
}
}  // namespace

void CBareTouchRoad::Event::Set() {
  {
    std::lock_guard<std::mutex> lock(m_Lock);
    m_bSet = true;
  }
  m_Cv.notify_one();
}

bool CBareTouchRoad::Event::Wait(const std::atomic<bool>& stop) {
  std::unique_lock<std::mutex> lock(m_Lock);
  m_Cv.wait(lock, [&] { return m_bSet || stop.load(); });
  m_bSet = false;
  return !stop.load();
}

void CBareTouchRoad::Event::Wake() {
  std::lock_guard<std::mutex> lock(m_Lock);
  m_Cv.notify_all();
}

CBareTouchRoad::CBareTouchRoad(size_t payload) : m_nPayload(payload), m_Packet(kHeaderSize + payload, 0x5A) {}

CBareTouchRoad::~CBareTouchRoad() {
  Stop();
}

bool CBareTouchRoad::Start(std::string* error) {
  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof(addr);
  if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
      listen(listener, 1) != 0 || getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    if (listener >= 0) close(listener);
    *error = "no loopback listener";
    return false;
  }
  m_nWriteFd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (m_nWriteFd < 0 || connect(m_nWriteFd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
    close(listener);
    *error = "no loopback connection";
    return false;
  }
  m_nReadFd = accept(listener, nullptr, nullptr);
  close(listener);
  if (m_nReadFd < 0) {
    *error = "no loopback connection accepted";
    return false;
  }
  // As the USB backend sets its socket: every write goes out at once.
  const int one = 1;
  setsockopt(m_nWriteFd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
  m_bStop = false;
  m_Window = std::thread(&CBareTouchRoad::WindowThread, this);
  m_Writer = std::thread(&CBareTouchRoad::WriterThread, this);
  m_Phone = std::thread(&CBareTouchRoad::PhoneThread, this);
  return true;
}

double CBareTouchRoad::Pass(double* toWindowUs) {
  uint64_t before;
  {
    std::lock_guard<std::mutex> lock(m_DoneLock);
    before = m_nDone;
  }
  const int64_t t0 = NowNs();
  m_Post.Set();
  std::unique_lock<std::mutex> lock(m_DoneLock);
  if (!m_DoneCv.wait_for(lock, std::chrono::seconds(1), [&] { return m_nDone > before; })) return -1;
  if (toWindowUs != nullptr) *toWindowUs = static_cast<double>(m_nWindowNs.load() - t0) / 1000.0;
  return static_cast<double>(m_nReadNs - t0) / 1000.0;
}

void CBareTouchRoad::Stop() {
  m_bStop = true;
  m_Post.Wake();
  m_Queued.Wake();
  if (m_nReadFd >= 0) shutdown(m_nReadFd, SHUT_RDWR);
  if (m_nWriteFd >= 0) shutdown(m_nWriteFd, SHUT_RDWR);
  for (std::thread* t : {&m_Window, &m_Writer, &m_Phone}) {
    if (t->joinable()) t->join();
  }
  for (int* fd : {&m_nReadFd, &m_nWriteFd}) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
  }
}

void CBareTouchRoad::WindowThread() {
  while (m_Post.Wait(m_bStop)) {
    m_nWindowNs = NowNs();
    m_Queued.Set();
  }
}

void CBareTouchRoad::WriterThread() {
  while (m_Queued.Wait(m_bStop)) {
    if (!SendAll(m_nWriteFd, m_Packet.data(), kHeaderSize)) break;
    if (!SendAll(m_nWriteFd, m_Packet.data() + kHeaderSize, m_nPayload)) break;
  }
}

void CBareTouchRoad::PhoneThread() {
  std::vector<uint8_t> in(m_Packet.size());
  while (!m_bStop) {
    pollfd p{m_nReadFd, POLLIN, 0};
    const int ready = poll(&p, 1, kPollMs);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) break;
    if (ready == 0) continue;
    if (!RecvAll(m_nReadFd, in.data(), kHeaderSize) ||
        !RecvAll(m_nReadFd, in.data() + kHeaderSize, m_nPayload))
      break;
    const int64_t now = NowNs();
    {
      std::lock_guard<std::mutex> lock(m_DoneLock);
      ++m_nDone;
      m_nReadNs = now;
    }
    m_DoneCv.notify_one();
  }
}
