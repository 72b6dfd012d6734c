#include "platform/usbd/CUsbTcpBackend.h"

#include "platform/kernel/kernel.h"
#include "platform/usbd/CUsbHost.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace wce {

namespace {
const int kReplugMs = 1000;
const int kPollMs = 100;
// Bytes the host keeps for the driver before it stops reading and lets TCP hold the phone back.
const size_t kInboundLimit = 1u << 20;
}  // namespace

CUsbTcpBackend& CUsbTcpBackend::GetInstance() {
  static CUsbTcpBackend backend;
  return backend;
}

CUsbTcpBackend::~CUsbTcpBackend() {
  Stop();
}

bool CUsbTcpBackend::ParseAddress(const std::string& address, std::string* host, uint16_t* port) {
  if (address.compare(0, 4, "tcp:") != 0) return false;
  const std::string rest = address.substr(4);
  const size_t colon = rest.rfind(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 >= rest.size()) return false;
  const std::string portText = rest.substr(colon + 1);
  if (portText.size() > 5 || portText.find_first_not_of("0123456789") != std::string::npos) return false;
  const unsigned long p = std::strtoul(portText.c_str(), nullptr, 10);
  if (p == 0 || p > 65535) return false;
  *host = rest.substr(0, colon);
  *port = static_cast<uint16_t>(p);
  return true;
}

BOOL CUsbTcpBackend::Start(const std::string& address, const CUsbDevice::DeviceSpec& desc) {
  std::string host;
  uint16_t port = 0;
  if (!ParseAddress(address, &host, &port)) {
    NKDbgPrintfW(u"USBD: bad phone address \"%hs\" (tcp:HOST:PORT)\r\n", address.c_str());
    return FALSE;
  }
  std::lock_guard<std::mutex> lock(m_Lock);
  if (m_Thread.joinable()) return FALSE;
  m_bStop = false;
  m_Thread = std::thread(&CUsbTcpBackend::Run, this, host, port, desc);
  return TRUE;
}

BOOL CUsbTcpBackend::StartFromEnvironment(const CUsbDevice::DeviceSpec& desc) {
  const char* address = std::getenv("CORVANE_PHONE");
  if (!address || !*address) return FALSE;
  return Start(address, desc);
}

void CUsbTcpBackend::Stop() {
  std::thread t;
  {
    std::lock_guard<std::mutex> lock(m_Lock);
    m_bStop = true;
    m_Wake.notify_all();
    t = std::move(m_Thread);
  }
  if (t.joinable()) t.join();
}

bool CUsbTcpBackend::IsRunning() const {
  std::lock_guard<std::mutex> lock(m_Lock);
  return m_Thread.joinable() && !m_bStop;
}

bool CUsbTcpBackend::Pause(int ms) {
  std::unique_lock<std::mutex> lock(m_Lock);
  m_Wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_bStop; });
  return !m_bStop;
}

int CUsbTcpBackend::Connect(const std::string& host, uint16_t port) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return -1;
  int fd = -1;
  for (addrinfo* a = found; a && fd < 0; a = a->ai_next) {
    fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) continue;
    if (connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
      close(fd);
      fd = -1;
    }
  }
  freeaddrinfo(found);
  if (fd >= 0) {
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
  }
  return fd;
}

void CUsbTcpBackend::Run(std::string host, uint16_t port, CUsbDevice::DeviceSpec desc) {
  CUsbHost& usb = CUsbHost::GetInstance();
  do {
    const int fd = Connect(host, port);
    if (fd < 0) continue;
    auto device = std::make_shared<CUsbTcpDevice>(fd, desc);
    usb.AttachDevice(device);
    BYTE buf[16384];
    for (;;) {
      {
        std::lock_guard<std::mutex> lock(m_Lock);
        if (m_bStop) break;
      }
      if (device->PendingInBytes(CUsbTcpDevice::kEndpointIn) > kInboundLimit) {
        Pause(1);
        continue;
      }
      pollfd p{fd, POLLIN, 0};
      const int ready = poll(&p, 1, kPollMs);
      if (ready < 0 && errno == EINTR) continue;
      if (ready == 0) continue;
      if (ready < 0) break;
      const ssize_t n = recv(fd, buf, sizeof(buf), 0);
      if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      if (n <= 0) break;  // the phone closed: unplugged
      device->DeliverIn(CUsbTcpDevice::kEndpointIn, buf, static_cast<size_t>(n));
    }
    device->Shutdown();
    usb.DetachDevice(device);
  } while (Pause(kReplugMs));
}

}  // namespace wce
