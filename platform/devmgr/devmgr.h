// The device manager: stream drivers activated from their registry key and reached through
// CreateFileW("ADB1:"), ReadFile, WriteFile, DeviceIoControl and CloseHandle.
//
// A driver key holds "Prefix" (three letters, "ADB"), "Dll" (the driver's library, a CE path or a
// file name in "\Windows") and optionally "Index" (REG_DWORD, else the first free one from 1).
// An active device is listed under "Drivers\Active\NN" with "Name" = its legacy name ("ADB1:"),
// "Key" = the driver key and "Hnd" = the low word of its handle.
#pragma once

#include "platform/kernel/filesys.h"
#include "platform/kernel/wcetypes.h"

// ---- what a stream driver exports, "<Prefix>_<Entry>" ("ADB_Init", ...)
typedef DWORD_PTR (*PFN_DEVICE_INIT)(LPCWSTR activeKey, LPCVOID busContext);  // 0: refused
typedef BOOL (*PFN_DEVICE_DEINIT)(DWORD_PTR deviceContext);
typedef DWORD_PTR (*PFN_DEVICE_OPEN)(DWORD_PTR deviceContext, DWORD access, DWORD share);  // 0: refused
typedef BOOL (*PFN_DEVICE_PRECLOSE)(DWORD_PTR openContext);  // optional: wake blocked calls
typedef BOOL (*PFN_DEVICE_CLOSE)(DWORD_PTR openContext);
typedef DWORD (*PFN_DEVICE_READ)(DWORD_PTR openContext, LPVOID buffer, DWORD count);  // (DWORD)-1: error
typedef DWORD (*PFN_DEVICE_WRITE)(DWORD_PTR openContext, LPCVOID buffer, DWORD count);
typedef DWORD (*PFN_DEVICE_SEEK)(DWORD_PTR openContext, LONG amount, WORD type);
typedef BOOL (*PFN_DEVICE_IOCONTROL)(DWORD_PTR openContext, DWORD code, PBYTE in, DWORD inSize, PBYTE out,
                                     DWORD outSize, PDWORD returned);
typedef void (*PFN_DEVICE_POWER)(DWORD_PTR deviceContext);

// ---- control codes
#define FILE_DEVICE_UNKNOWN 0x00000022u
#define METHOD_BUFFERED 0
#define FILE_ANY_ACCESS 0
#define CTL_CODE(type, function, method, access) \
  (((type) << 16) | ((access) << 14) | ((function) << 2) | (method))

// ---- activation. ActivateDevice returns NULL when the device could not be activated.
HANDLE ActivateDevice(LPCWSTR deviceKey, DWORD clientInfo);
struct REGINI;
HANDLE ActivateDeviceEx(LPCWSTR deviceKey, const REGINI* regEntries, DWORD entryCount, LPVOID clientInfo);
// Closes every handle still open on the device, calls its Deinit and removes its Active key.
BOOL DeactivateDevice(HANDLE device);

// ---- finding active devices
enum DeviceSearchType {
  DeviceSearchByLegacyName,  // parameter: "ADB1:" or a pattern with * and ?
  DeviceSearchByDeviceName,  // parameter: "ADB1" or "$device\ADB1", patterns allowed
  DeviceSearchByBusName,
  DeviceSearchByGuid,
  DeviceSearchByParent
};
struct DEVMGR_DEVICE_INFORMATION {
  DWORD dwSize;
  HANDLE hDevice;
  HANDLE hParentDevice;
  WCHAR szLegacyName[6];
  WCHAR szDeviceKey[MAX_PATH];
  WCHAR szDeviceName[MAX_PATH];
  WCHAR szBusName[MAX_PATH];
};
typedef DEVMGR_DEVICE_INFORMATION* PDEVMGR_DEVICE_INFORMATION;
// INVALID_HANDLE_VALUE (last error ERROR_NO_MORE_ITEMS) when nothing matches.
HANDLE FindFirstDevice(DeviceSearchType searchType, LPCVOID searchParam, PDEVMGR_DEVICE_INFORMATION info);
BOOL FindNextDevice(HANDLE search, PDEVMGR_DEVICE_INFORMATION info);
// Closes a device search handle.
BOOL FindClose(HANDLE search);

// ---- device I/O (ReadFile, WriteFile and CloseHandle reach the driver through the kernel)
BOOL DeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                     LPDWORD returned, LPOVERLAPPED overlapped);
