#include "platform/usbd/CUsbHost.h"

#include "platform/kernel/kernel.h"
#include "platform/kernel/wcestr.h"
#include "platform/registry/registry.h"

#include <string>
#include <vector>

namespace wce {

namespace {

LPCUSB_DEVICE FnGetDeviceInfo(USB_HANDLE device) {
  std::shared_ptr<CUsbDevice> dev = CUsbHost::GetInstance().Find(device);
  return dev ? dev->GetDeviceInfo() : nullptr;
}
BOOL FnRegisterNotificationRoutine(USB_HANDLE device, LPDEVICE_NOTIFY_ROUTINE routine, LPVOID param) {
  std::shared_ptr<CUsbDevice> dev = CUsbHost::GetInstance().Find(device);
  return dev ? dev->RegisterNotification(routine, param) : FALSE;
}
BOOL FnUnRegisterNotificationRoutine(USB_HANDLE device, LPDEVICE_NOTIFY_ROUTINE routine, LPVOID param) {
  std::shared_ptr<CUsbDevice> dev = CUsbHost::GetInstance().Find(device);
  return dev ? dev->UnRegisterNotification(routine, param) : FALSE;
}
USB_PIPE FnOpenPipe(USB_HANDLE device, LPCUSB_ENDPOINT_DESCRIPTOR endpoint) {
  std::shared_ptr<CUsbDevice> dev = CUsbHost::GetInstance().Find(device);
  return dev ? dev->OpenPipe(endpoint) : nullptr;
}
BOOL FnClosePipe(USB_PIPE pipe) {
  return CUsbDevice::ClosePipe(static_cast<CUsbPipe*>(pipe));
}
USB_TRANSFER FnIssueBulkTransfer(USB_PIPE pipe, LPTRANSFER_NOTIFY_ROUTINE notify, LPVOID param, DWORD flags,
                                 DWORD size, LPVOID data, ULONG) {
  return CUsbDevice::IssueBulkTransfer(static_cast<CUsbPipe*>(pipe), notify, param, flags, size, data);
}
BOOL FnIsTransferComplete(USB_TRANSFER t) {
  return CUsbDevice::IsTransferComplete(static_cast<CUsbTransfer*>(t));
}
BOOL FnGetTransferStatus(USB_TRANSFER t, LPDWORD bytes, LPDWORD error) {
  return CUsbDevice::GetTransferStatus(static_cast<CUsbTransfer*>(t), bytes, error);
}
BOOL FnAbortTransfer(USB_TRANSFER t, DWORD) {
  return CUsbDevice::AbortTransfer(static_cast<CUsbTransfer*>(t));
}
BOOL FnCloseTransfer(USB_TRANSFER t) {
  return CUsbDevice::CloseTransfer(static_cast<CUsbTransfer*>(t));
}

const USB_FUNCS g_funcs = {
    sizeof(USB_FUNCS),
    FnGetDeviceInfo,
    FnRegisterNotificationRoutine,
    FnUnRegisterNotificationRoutine,
    FnOpenPipe,
    FnClosePipe,
    FnIssueBulkTransfer,
    FnIsTransferComplete,
    FnGetTransferStatus,
    FnAbortTransfer,
    FnCloseTransfer,
};

// The groups a device is looked up by, most specific first, "Default" last.
std::vector<std::u16string> Groups(DWORD a, DWORD b, DWORD c) {
  auto n = [](DWORD v) { return WceUtf8ToWide(std::to_string(v)); };
  return {n(a) + u"_" + n(b) + u"_" + n(c), n(a) + u"_" + n(b), n(a), u"Default"};
}

std::u16string ReadString(HKEY key, LPCWSTR name) {
  WCHAR buf[MAX_PATH + 1] = {};
  DWORD type = 0;
  DWORD cb = sizeof(buf) - sizeof(WCHAR);
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(buf), &cb) != ERROR_SUCCESS ||
      type != REG_SZ)
    return u"";
  buf[cb / sizeof(WCHAR)] = 0;
  return buf;
}

}  // namespace

CUsbHost& CUsbHost::GetInstance() {
  static CUsbHost host;
  return host;
}

LPCUSB_FUNCS CUsbHost::GetFuncs() {
  return &g_funcs;
}

std::shared_ptr<CUsbDevice> CUsbHost::Find(USB_HANDLE handle) {
  std::lock_guard<std::mutex> lock(m_Lock);
  auto it = m_Devices.find(reinterpret_cast<uintptr_t>(handle));
  return it == m_Devices.end() ? nullptr : it->second.m_pDevice;
}

BOOL CUsbHost::LoadClient(uintptr_t id, Attached& slot) {
  LPCUSB_DEVICE info = slot.m_pDevice->GetDeviceInfo();
  const USB_DEVICE_DESCRIPTOR& d = info->Descriptor;
  const auto vendors = Groups(d.idVendor, d.idProduct, d.bcdDevice);
  const auto classes = Groups(d.bDeviceClass, d.bDeviceSubClass, d.bDeviceProtocol);
  LPCUSB_CONFIGURATION config = info->lpActiveConfig;
  for (DWORD i = 0; config && i < config->dwNumInterfaces; ++i) {
    LPCUSB_INTERFACE itf = &config->lpInterfaces[i];
    const auto ifGroups = Groups(itf->Descriptor.bInterfaceClass, itf->Descriptor.bInterfaceSubClass,
                                 itf->Descriptor.bInterfaceProtocol);
    for (const auto& v : vendors) {
      for (const auto& c : classes) {
        for (const auto& f : ifGroups) {
          const std::u16string path = u"Drivers\\USB\\LoadClients\\" + v + u"\\" + c + u"\\" + f;
          HKEY group = nullptr;
          if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &group) != ERROR_SUCCESS) continue;
          for (DWORD k = 0;; ++k) {
            WCHAR name[MAX_PATH];
            DWORD cch = MAX_PATH;
            if (RegEnumKeyExW(group, k, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
              break;
            HKEY client = nullptr;
            if (RegOpenKeyExW(group, name, 0, KEY_READ, &client) != ERROR_SUCCESS) continue;
            const std::u16string dll = ReadString(client, u"DLL");
            RegCloseKey(client);
            auto lib = std::make_unique<CDriverLibrary>();
            if (dll.empty() || !lib->Load(dll.c_str())) continue;
            auto attach = reinterpret_cast<LPUSB_DEVICE_ATTACH>(lib->GetProc(USB_DEVICE_ATTACH_PROC));
            if (!attach) continue;
            BOOL accept = FALSE;
            const BOOL taken = attach(reinterpret_cast<USB_HANDLE>(id), &g_funcs, itf, name, &accept);
            if (taken && accept) {
              RegCloseKey(group);
              slot.m_pClient = std::move(lib);
              return TRUE;
            }
          }
          RegCloseKey(group);
        }
      }
    }
  }
  return FALSE;
}

BOOL CUsbHost::AttachDevice(const std::shared_ptr<CUsbDevice>& device) {
  if (!device) return FALSE;
  uintptr_t id;
  {
    std::lock_guard<std::mutex> lock(m_Lock);
    id = m_nNextId++;
    m_Devices[id].m_pDevice = device;
  }
  // The client runs without the host's lock: it calls back through the function table.
  Attached slot;
  slot.m_pDevice = device;
  const BOOL taken = LoadClient(id, slot);
  if (!taken)
    NKDbgPrintfW(u"USBD: no client driver for device %04x:%04x\r\n",
                 device->GetDeviceInfo()->Descriptor.idVendor, device->GetDeviceInfo()->Descriptor.idProduct);
  std::lock_guard<std::mutex> lock(m_Lock);
  auto it = m_Devices.find(id);
  if (it != m_Devices.end()) it->second.m_pClient = std::move(slot.m_pClient);
  return taken;
}

void CUsbHost::DetachDevice(const std::shared_ptr<CUsbDevice>& device) {
  Attached gone;
  {
    std::lock_guard<std::mutex> lock(m_Lock);
    for (auto it = m_Devices.begin(); it != m_Devices.end(); ++it) {
      if (it->second.m_pDevice == device) {
        gone = std::move(it->second);
        m_Devices.erase(it);
        break;
      }
    }
  }
  if (!gone.m_pDevice) return;
  gone.m_pDevice->MarkGone();
  gone.m_pDevice->NotifyClose();
  // gone.client unloads here; the device manager may still hold the same library.
}

void CUsbHost::Reset() {
  std::vector<std::shared_ptr<CUsbDevice>> all;
  {
    std::lock_guard<std::mutex> lock(m_Lock);
    for (auto& [id, slot] : m_Devices) all.push_back(slot.m_pDevice);
  }
  for (auto& dev : all) DetachDevice(dev);
}

}  // namespace wce
