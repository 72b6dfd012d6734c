// Installation of the USB stream driver kavlink: the copy to "\Windows", the client-driver and
// load-client keys, activation of "ADB1:", unloading, the first-start marker and the switch of
// the USB mass-storage client. All keys are under HKEY_LOCAL_MACHINE.
#pragma once

#include "platform/kernel/wcetypes.h"
#include "platform/registry/registry.h"

// The program's directory with its trailing "\" (buf: MAX_PATH characters).
void GetModuleDirectory(WCHAR* buf);
// The same as ANSI text, converted once and cached.
const char* GetModuleDirectoryA();

// 0, or -2 client-driver key, -3 its check, -4 load-client check, -5 activation failed,
// -6 "ADB1:" not listed after activation.
int LoadAdbDriver();
int SetupDriverRegistry();
int IsDeviceActive(LPCWSTR deviceName);
// For every phone vendor: "Drivers\USB\LoadClients\<vid>\0\Default\ADB_Class" "Dll" = the driver.
void RegisterKavlinkDriver();
int UnloadDriver(LPCWSTR deviceName);
int IsFirstStartDone();
int SetFirstStartDone();
void DisableUsbMassStorage();
void EnableUsbMassStorage();

int DeleteParentKey(LPCWSTR keyPath);
int CreateKeyPath(LPCWSTR keyPath, HKEY root);
int SetStringValue(LPCWSTR keyPath, LPCWSTR valueName, LPCWSTR text, HKEY root);

// The vendor table: 80 load-client key paths (one vendor twice), each with the value name "Dll".
struct KavlinkVendorKey {
  const WCHAR* m_pszKeyPath;
  const WCHAR* m_pszValueName;
};
extern const KavlinkVendorKey g_KavlinkVendorKeys[80];

namespace corvane {
// Tests: forget the cached ANSI program directory.
void ResetDriverInstall();
}  // namespace corvane
