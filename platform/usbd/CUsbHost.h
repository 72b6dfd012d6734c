// The host stack: keeps the attached devices, finds and loads the client driver registered for
// a device under "Drivers\USB\LoadClients", hands it the function table through its
// USBDeviceAttach, and tells it of the unplug with the close-device notification.
#pragma once

#include "platform/devmgr/CDriverLibrary.h"
#include "platform/usbd/CUsbDevice.h"

#include <map>
#include <memory>
#include <mutex>

namespace wce {

class CUsbHost {
 public:
  static CUsbHost& GetInstance();

  // The device's handle (its number) once attached; TRUE when a client driver took it. A device
  // that no client takes stays attached without one.
  BOOL AttachDevice(const std::shared_ptr<CUsbDevice>& device);
  // Transfers pending on it fail, then its client gets USB_CLOSE_DEVICE and is unloaded.
  void DetachDevice(const std::shared_ptr<CUsbDevice>& device);
  // Tests: detaches every device.
  void Reset();

  static LPCUSB_FUNCS GetFuncs();
  // The device behind a USB_HANDLE, nullptr once it is detached.
  std::shared_ptr<CUsbDevice> Find(USB_HANDLE handle);

 private:
  CUsbHost() = default;
  struct Attached {
    std::shared_ptr<CUsbDevice> m_pDevice;
    std::unique_ptr<CDriverLibrary> m_pClient;
  };
  BOOL LoadClient(uintptr_t id, Attached& slot);

  std::mutex m_Lock;
  uintptr_t m_nNextId = 1;
  std::map<uintptr_t, Attached> m_Devices;
};

}  // namespace wce
