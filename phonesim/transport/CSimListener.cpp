#include "phonesim/transport/CSimListener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace phonesim {

CSimListener::~CSimListener() {
  Close();
}

bool CSimListener::Listen(const std::string& address, uint16_t port, std::string* error) {
  Close();
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  if (inet_pton(AF_INET, address.c_str(), &sa.sin_addr) != 1) {
    if (error) *error = "not an IPv4 address: " + address;
    return false;
  }
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    if (error) *error = std::string("socket: ") + std::strerror(errno);
    return false;
  }
  int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  if (bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || listen(fd, 4) != 0) {
    if (error) *error = "bind/listen " + address + ":" + std::to_string(port) + ": " + std::strerror(errno);
    ::close(fd);
    return false;
  }
  socklen_t len = sizeof sa;
  getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
  m_nPort = ntohs(sa.sin_port);
  m_nFd = fd;
  return true;
}

void CSimListener::Close() {
  if (m_nFd >= 0) ::close(m_nFd);
  m_nFd = -1;
}

int CSimListener::Accept(int timeout_ms) {
  if (m_nFd < 0) return -1;
  pollfd p{m_nFd, POLLIN, 0};
  if (poll(&p, 1, timeout_ms) <= 0) return -1;
  int fd = accept4(m_nFd, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) return -1;
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return fd;
}

}  // namespace phonesim
