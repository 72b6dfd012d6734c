// The device manager's state: active stream devices, open device handles and device searches.
// A handle is freed only when no call on it is in flight; a device is unloaded only when no
// handle on it is left.
#pragma once

#include "platform/devmgr/CDriverLibrary.h"
#include "platform/devmgr/devmgr.h"

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace wce {

class CDeviceManager {
 public:
  static CDeviceManager& GetInstance();

  HANDLE Activate(LPCWSTR deviceKey);
  BOOL Deactivate(HANDLE device);
  HANDLE FindFirst(DeviceSearchType type, LPCVOID param, PDEVMGR_DEVICE_INFORMATION info);
  BOOL FindNext(HANDLE search, PDEVMGR_DEVICE_INFORMATION info);
  BOOL FindClose(HANDLE search);

  // The stream hooks of the kernel's file calls.
  HANDLE Open(LPCWSTR name, DWORD access, DWORD share);
  BOOL Read(HANDLE h, LPVOID buf, DWORD len, LPDWORD read);
  BOOL Write(HANDLE h, LPCVOID buf, DWORD len, LPDWORD written);
  BOOL IoControl(HANDLE h, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize, LPDWORD returned);
  BOOL Close(HANDLE h);

  void Reset();

 private:
  struct Device {
    DWORD m_dwActiveIndex = 0;       // NN of "Drivers\Active\NN"
    std::u16string m_strLegacyName;  // "ADB1:"
    std::u16string m_strKey;         // the driver key
    std::u16string m_strActiveKey;   // "Drivers\Active\NN"
    CDriverLibrary m_Library;
    DWORD_PTR m_nContext = 0;
    PFN_DEVICE_DEINIT m_pfnDeinit = nullptr;
    PFN_DEVICE_OPEN m_pfnOpen = nullptr;
    PFN_DEVICE_PRECLOSE m_pfnPreClose = nullptr;
    PFN_DEVICE_CLOSE m_pfnClose = nullptr;
    PFN_DEVICE_READ m_pfnRead = nullptr;
    PFN_DEVICE_WRITE m_pfnWrite = nullptr;
    PFN_DEVICE_IOCONTROL m_pfnIoControl = nullptr;
  };
  struct OpenFile {
    std::shared_ptr<Device> m_pDevice;
    DWORD_PTR m_nContext = 0;
    int m_nInFlight = 0;
    bool m_bClosing = false;
  };
  struct Search {
    std::vector<DEVMGR_DEVICE_INFORMATION> m_Found;
    size_t m_nNext = 0;
  };

  CDeviceManager();
  // Takes a call slot on an open handle; nullptr when the handle is not ours or is closing.
  OpenFile* Enter(HANDLE h);
  void Leave(OpenFile* f);
  BOOL CloseFile(OpenFile* f);
  void Fill(const Device& d, HANDLE h, PDEVMGR_DEVICE_INFORMATION info) const;

  std::mutex m_Lock;
  std::condition_variable m_Left;
  std::map<Device*, std::shared_ptr<Device>> m_Devices;
  std::set<OpenFile*> m_Files;
  std::map<Search*, std::unique_ptr<Search>> m_Searches;
};

}  // namespace wce
