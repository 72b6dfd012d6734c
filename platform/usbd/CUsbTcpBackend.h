// The default backend of the host stack: the phone's ADB device side is reached at
// tcp:HOST:PORT (the environment variable CORVANE_PHONE). A connection is a plug, the peer
// closing is an unplug, and the connection is tried again every second, which is a re-plug.
#pragma once

#include "platform/usbd/CUsbTcpDevice.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace wce {

class CUsbTcpBackend {
 public:
  static CUsbTcpBackend& GetInstance();
  ~CUsbTcpBackend();

  // "tcp:HOST:PORT"; FALSE (and a log line) for anything else or when already running. Every
  // connection attaches a device with the descriptors of desc.
  BOOL Start(const std::string& address, const CUsbDevice::DeviceSpec& desc);
  // Start(getenv("CORVANE_PHONE"), desc); FALSE when the variable is not set.
  BOOL StartFromEnvironment(const CUsbDevice::DeviceSpec& desc);
  // Unplugs the device (if any) and ends the connection thread.
  void Stop();
  bool IsRunning() const;

  static bool ParseAddress(const std::string& address, std::string* host, uint16_t* port);

 private:
  CUsbTcpBackend() = default;
  void Run(std::string host, uint16_t port, CUsbDevice::DeviceSpec desc);
  int Connect(const std::string& host, uint16_t port);
  // Sleeps up to ms; false when Stop came meanwhile.
  bool Pause(int ms);

  mutable std::mutex m_Lock;
  std::condition_variable m_Wake;
  bool m_bStop = false;
  std::thread m_Thread;
};

}  // namespace wce
