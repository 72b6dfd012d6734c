// The device manager's calls, over the one CDeviceManager of the process.
#include "platform/devmgr/devmgr.h"
#include "platform/devmgr/DevMgrHooks.h"

#include "platform/devmgr/CDeviceManager.h"
#include "platform/kernel/kernel.h"

HANDLE ActivateDevice(LPCWSTR deviceKey, DWORD) {
  return wce::CDeviceManager::GetInstance().Activate(deviceKey);
}

HANDLE ActivateDeviceEx(LPCWSTR deviceKey, const REGINI* regEntries, DWORD entryCount, LPVOID) {
  // Extra values for the Active key are not supported; nothing in the system passes any.
  if (regEntries && entryCount) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return wce::CDeviceManager::GetInstance().Activate(deviceKey);
}

BOOL DeactivateDevice(HANDLE device) {
  return wce::CDeviceManager::GetInstance().Deactivate(device);
}

HANDLE FindFirstDevice(DeviceSearchType searchType, LPCVOID searchParam, PDEVMGR_DEVICE_INFORMATION info) {
  return wce::CDeviceManager::GetInstance().FindFirst(searchType, searchParam, info);
}

BOOL FindNextDevice(HANDLE search, PDEVMGR_DEVICE_INFORMATION info) {
  return wce::CDeviceManager::GetInstance().FindNext(search, info);
}

BOOL FindClose(HANDLE search) {
  return wce::CDeviceManager::GetInstance().FindClose(search);
}

BOOL DeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                     LPDWORD returned, LPOVERLAPPED) {
  return wce::CDeviceManager::GetInstance().IoControl(device, code, in, inSize, out, outSize, returned);
}

namespace wce {
void ResetDeviceManager() {
  CDeviceManager::GetInstance().Reset();
}
}  // namespace wce
