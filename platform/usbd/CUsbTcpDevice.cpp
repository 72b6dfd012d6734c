#include "platform/usbd/CUsbTcpDevice.h"

#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace wce {

CUsbTcpDevice::CUsbTcpDevice(int fd, const DeviceSpec& desc) : CUsbDevice(desc), m_nFd(fd) {}

CUsbTcpDevice::~CUsbTcpDevice() {
  if (m_nFd >= 0) close(m_nFd);
}

void CUsbTcpDevice::Shutdown() {
  shutdown(m_nFd, SHUT_RDWR);
}

DWORD CUsbTcpDevice::SendOut(BYTE, const BYTE* data, DWORD length, DWORD* error) {
  std::lock_guard<std::mutex> lock(m_SendLock);
  DWORD sent = 0;
  while (sent < length) {
    const ssize_t n = send(m_nFd, data + sent, length - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      *error = USB_DEVICE_NOT_RESPONDING_ERROR;
      return sent;
    }
    sent += static_cast<DWORD>(n);
  }
  *error = USB_NO_ERROR;
  return sent;
}

}  // namespace wce
