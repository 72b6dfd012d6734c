// A phone reached over TCP (the ADB device side listening on a port): one connected socket is
// one attached device with the descriptors the plugging code gives (the phone's ADB interface);
// OUT transfers are sent on the socket.
#pragma once

#include "platform/usbd/CUsbDevice.h"

#include <mutex>

namespace wce {

class CUsbTcpDevice : public CUsbDevice {
 public:
  static const BYTE kEndpointIn = 0x81;
  static const BYTE kEndpointOut = 0x02;

  CUsbTcpDevice(int fd, const DeviceSpec& desc);
  ~CUsbTcpDevice() override;
  int Fd() const { return m_nFd; }
  // Wakes a blocked send; the socket itself is closed with the device.
  void Shutdown();

 protected:
  DWORD SendOut(BYTE endpoint, const BYTE* data, DWORD length, DWORD* error) override;

 private:
  int m_nFd;
  std::mutex m_SendLock;
};

}  // namespace wce
