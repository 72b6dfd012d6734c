#include "phonelink/DriverInstall.h"

#include "phonelink/CRegKeyWrapper.h"
#include "phonelink/CorvaneAdb.h"
#include "platform/devmgr/devmgr.h"
#include "platform/kernel/codepage.h"
#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/kernel/wcestr.h"

#include <mutex>
#include <string>

#define VENDOR(vid) \
  { u"Drivers\\USB\\LoadClients\\" #vid "\\0\\Default\\ADB_Class", u"Dll" }
// Phone makers' USB vendor ids, in decimal; 10007 is listed twice.
const KavlinkVendorKey g_KavlinkVendorKeys[80] = {
    VENDOR(10007), VENDOR(10007), VENDOR(10013), VENDOR(1008),  VENDOR(1020),  VENDOR(10294), VENDOR(1032),
    VENDOR(1033),  VENDOR(1044),  VENDOR(10518), VENDOR(10623), VENDOR(10665), VENDOR(10724), VENDOR(10825),
    VENDOR(1105),  VENDOR(1137),  VENDOR(1154),  VENDOR(1161),  VENDOR(1207),  VENDOR(1221),  VENDOR(1242),
    VENDOR(1245),  VENDOR(1256),  VENDOR(1282),  VENDOR(1329),  VENDOR(1356),  VENDOR(1478),  VENDOR(1662),
    VENDOR(16700), VENDOR(2334),  VENDOR(2352),  VENDOR(2389),  VENDOR(2821),  VENDOR(2996),  VENDOR(3118),
    VENDOR(32903), VENDOR(3504),  VENDOR(3705),  VENDOR(3725),  VENDOR(3868),  VENDOR(4046),  VENDOR(4100),
    VENDOR(4251),  VENDOR(4265),  VENDOR(4633),  VENDOR(4817),  VENDOR(5730),  VENDOR(57408), VENDOR(5845),
    VENDOR(6127),  VENDOR(6353),  VENDOR(6473),  VENDOR(6565),  VENDOR(6610),  VENDOR(7054),  VENDOR(7099),
    VENDOR(7433),  VENDOR(7493),  VENDOR(7501),  VENDOR(7569),  VENDOR(7580),  VENDOR(7813),  VENDOR(7871),
    VENDOR(7994),  VENDOR(8019),  VENDOR(8198),  VENDOR(8222),  VENDOR(8320),  VENDOR(8470),  VENDOR(8711),
    VENDOR(8759),  VENDOR(8791),  VENDOR(8888),  VENDOR(8921),  VENDOR(8980),  VENDOR(9024),  VENDOR(9248),
    VENDOR(9443),  VENDOR(9699),  VENDOR(11379),
};
#undef VENDOR

namespace {

const WCHAR kDriverFile[] = u"kavlink.dll";
const WCHAR kWindowsCopy[] = u"\\Windows\\kavlink.dll";
const WCHAR kClientDrivers[] = u"Drivers\\USB\\ClientDrivers";
const WCHAR kAdbClass[] = u"Drivers\\USB\\ClientDrivers\\ADB_Class";
const WCHAR kLoadClientGroup[] = u"Drivers\\USB\\LoadClients\\Default\\Default\\255_66_1";
const WCHAR kLoadClient[] = u"Drivers\\USB\\LoadClients\\Default\\Default\\255_66_1\\ADB_Class";
const WCHAR kActive[] = u"Drivers\\Active";
const WCHAR kDeviceName[] = u"ADB1:";
const WCHAR kOem[] = u"OEM";
const WCHAR kFirstStart[] = u"VTCorvane";
const DWORD kFirstStartValue = 100;
// The checks read the driver path into this many characters, terminator included.
const DWORD kCheckChars = 64;
// Deeper than any key of the USB tree; ends a walk over a cycle-free but runaway tree.
const int kMaxWalkDepth = 32;

// The program directory as ANSI text, converted once. It belongs to this library, not to the
// link's session: the engine and the application install the driver without the link.
struct AnsiDirCache {
  std::mutex m_Lock;
  bool m_bCached = false;  // under m_Lock
  std::string m_strText;   // under m_Lock; its buffer stays put until the next reset
};
AnsiDirCache g_dirA;

std::u16string DriverPath() {
  WCHAR dir[MAX_PATH];
  GetModuleDirectory(dir);
  return std::u16string(dir) + kDriverFile;
}

void DeleteKey(LPCWSTR path) {
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, path);
}

bool KeyExists(LPCWSTR path) {
  CRegKeyWrapper key;
  return key.Open(HKEY_LOCAL_MACHINE, path, KEY_READ) == 1;
}

int CheckDll(LPCWSTR path) {
  CRegKeyWrapper key;
  WCHAR value[kCheckChars];
  return key.Open(HKEY_LOCAL_MACHINE, path, KEY_READ) && key.QueryString(u"Dll", value, kCheckChars) > 0;
}

void SwitchDll(const std::u16string& path, LPCWSTR from, LPCWSTR to, int depth) {
  CRegKeyWrapper key;
  if (!key.Open(HKEY_LOCAL_MACHINE, path.c_str(), KEY_READ)) {
    NKDbgPrintfW(u"Can't Open The Key!\n");
    return;
  }
  for (DWORD i = 0;; ++i) {
    WCHAR name[MAX_PATH];
    DWORD cch = MAX_PATH;
    if (RegEnumValueW(key.Key(), i, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    if (_wcsicmp(name, u"Dll") != 0) continue;
    CRegKeyWrapper value;
    if (!value.Open(HKEY_LOCAL_MACHINE, path.c_str(), KEY_ALL_ACCESS)) {
      NKDbgPrintfW(u"OpenKey Error ( %s ) \n", path.c_str());
      continue;
    }
    WCHAR text[MAX_PATH];
    if (value.QueryString(name, text, MAX_PATH) > 0 && _wcsicmp(text, from) == 0) {
      if (!value.SetString(name, to, static_cast<DWORD>(wcslen(to))))
        NKDbgPrintfW(u"RegSetValueEx Error ( %s )(%s) \n", path.c_str(), name);
    }
  }
  if (depth >= kMaxWalkDepth) return;
  for (DWORD i = 0;; ++i) {
    WCHAR sub[MAX_PATH];
    DWORD cch = MAX_PATH;
    if (RegEnumKeyExW(key.Key(), i, sub, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    SwitchDll(path + u"\\" + sub, from, to, depth + 1);
  }
}

}  // namespace

void GetModuleDirectory(WCHAR* buf) {
  const std::u16string dir = wce::ProgramDirectory();
  dir.copy(buf, dir.size());
  buf[dir.size()] = 0;
}

const char* GetModuleDirectoryA() {
  std::lock_guard<std::mutex> lock(g_dirA.m_Lock);
  if (!g_dirA.m_bCached) {
    WCHAR dir[MAX_PATH];
    GetModuleDirectory(dir);
    char narrow[MAX_PATH * 2] = {};
    if (WideCharToMultiByte(CP_ACP, 0, dir, -1, narrow, sizeof(narrow), nullptr, nullptr) == 0) narrow[0] = 0;
    g_dirA.m_strText = narrow;
    g_dirA.m_bCached = true;
  }
  return g_dirA.m_strText.c_str();
}

int SetupDriverRegistry() {
  DeleteKey(u"Drivers\\USB\\ClientDrivers\\PL_Class");
  DeleteKey(u"Drivers\\USB\\ClientDrivers\\Kavlink");
  DeleteKey(kLoadClientGroup);
  {
    CRegKeyWrapper drivers;
    if (drivers.Open(HKEY_LOCAL_MACHINE, kClientDrivers, KEY_ALL_ACCESS)) {
      drivers.DeleteSubKey(u"PL_Class");
      drivers.DeleteSubKey(u"PLA_Class");
      drivers.DeleteSubKey(u"Adb");
    }
  }
  const std::u16string path = DriverPath();
  const DWORD cch = static_cast<DWORD>(path.size());
  {
    CRegKeyWrapper adb;
    adb.Create(HKEY_LOCAL_MACHINE, kAdbClass);
    if (!adb.Open(HKEY_LOCAL_MACHINE, kAdbClass, KEY_ALL_ACCESS)) return kAdbRegistryClassFailed;
    adb.SetString(u"Prefix", u"ADB", 3);
    adb.SetString(u"DLL", path.c_str(), cch);
  }
  DeleteKey(kLoadClientGroup);
  {
    CRegKeyWrapper client;
    if (client.Create(HKEY_LOCAL_MACHINE, kLoadClient)) client.SetString(u"Dll", path.c_str(), cch);
  }
  if (KeyExists(u"Drivers\\USB\\LoadClients\\Default\\Default\\Default\\PL_Class"))
    DeleteKey(u"Drivers\\USB\\LoadClients\\Default\\Default\\Default\\PL_Class");
  if (!CheckDll(kAdbClass)) return kAdbRegistryDllFailed;
  if (!CheckDll(kLoadClient)) return kAdbRegistryClientFailed;
  return 0;
}

int IsDeviceActive(LPCWSTR deviceName) {
  CRegKeyWrapper active;
  if (!active.Open(HKEY_LOCAL_MACHINE, kActive, KEY_READ)) {
    NKDbgPrintfW(u"Open Key Error\n");
    return 0;
  }
  for (DWORD i = 0;; ++i) {
    WCHAR sub[MAX_PATH];
    DWORD cch = MAX_PATH;
    if (RegEnumKeyExW(active.Key(), i, sub, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    WCHAR path[MAX_PATH * 2];
    swprintf(path, MAX_PATH * 2, u"%s\\%s", kActive, sub);
    CRegKeyWrapper device;
    WCHAR name[32];
    if (device.Open(HKEY_LOCAL_MACHINE, path, KEY_READ) && device.QueryString(u"Name", name, 32) > 0 &&
        _wcsicmp(name, deviceName) == 0)
      return 1;
  }
  return 0;
}

int LoadAdbDriver() {
  WCHAR dir[MAX_PATH];
  GetModuleDirectory(dir);
  const std::u16string source = std::u16string(dir) + kDriverFile;
  CreateDirectoryW(u"\\Windows", nullptr);
  CopyFileW(source.c_str(), kWindowsCopy, FALSE);
  const int setup = SetupDriverRegistry();
  if (setup != 0) return setup;
  if (IsDeviceActive(kDeviceName)) return 0;
  const HANDLE device = ActivateDevice(kAdbClass, 0);
  if (device == nullptr || device == INVALID_HANDLE_VALUE) return kAdbDriverNotActivated;
  return IsDeviceActive(kDeviceName) ? 0 : -6;
}

int DeleteParentKey(LPCWSTR keyPath) {
  std::u16string path = keyPath;
  const size_t slash = path.rfind(u'\\');
  if (slash != std::u16string::npos) path.resize(slash);
  return RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str()) == ERROR_SUCCESS ? 1 : 0;
}

int CreateKeyPath(LPCWSTR keyPath, HKEY root) {
  CRegKeyWrapper key;
  if (key.Open(root, keyPath, KEY_READ)) return 1;
  const std::u16string path = keyPath;
  int ok = 1;
  for (size_t slash = path.find(u'\\');; slash = path.find(u'\\', slash + 1)) {
    const std::u16string prefix = slash == std::u16string::npos ? path : path.substr(0, slash);
    if (!key.Create(root, prefix.c_str())) {
      NKDbgPrintfW(u"!!!!!!! Create Key Error (%s) \n", prefix.c_str());
      ok = 0;
    }
    key.Close();
    if (slash == std::u16string::npos) break;
  }
  return ok;
}

int SetStringValue(LPCWSTR keyPath, LPCWSTR valueName, LPCWSTR text, HKEY root) {
  CRegKeyWrapper key;
  if (!key.Open(root, keyPath, KEY_ALL_ACCESS)) return 0;
  return key.SetString(valueName, text, static_cast<DWORD>(wcslen(text)));
}

void RegisterKavlinkDriver() {
  const std::u16string path = DriverPath();
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
    NKDbgPrintfW(u"!!!!!!!!!!!!!!!Get adb driver Error (%s) \r\n", path.c_str());
  for (const KavlinkVendorKey& v : g_KavlinkVendorKeys) {
    DeleteParentKey(v.m_pszKeyPath);
    CreateKeyPath(v.m_pszKeyPath, HKEY_LOCAL_MACHINE);
    SetStringValue(v.m_pszKeyPath, v.m_pszValueName, path.c_str(), HKEY_LOCAL_MACHINE);
  }
}

int UnloadDriver(LPCWSTR deviceName) {
  if (!deviceName || !*deviceName) {
    NKDbgPrintfW(u"!!!!!!!!!!!!!!! UnloadDriver Key NULL %d \r\n", 0);
    return 0;
  }
  const size_t len = wcslen(deviceName);
  const DeviceSearchType by =
      deviceName[len - 1] == u':' ? DeviceSearchByLegacyName : DeviceSearchByDeviceName;
  DEVMGR_DEVICE_INFORMATION info{};
  info.dwSize = sizeof(info);
  const HANDLE search = FindFirstDevice(by, deviceName, &info);
  if (search == INVALID_HANDLE_VALUE || search == nullptr) return 0;
  const int unloaded = DeactivateDevice(info.hDevice) ? 1 : 0;
  FindClose(search);
  return unloaded;
}

int IsFirstStartDone() {
  CRegKeyWrapper key;
  if (!key.Open(HKEY_LOCAL_MACHINE, kOem, KEY_READ)) {
    NKDbgPrintfW(u" RegOpenKeyEx Error  %s )\n", kOem);
    return 0;
  }
  DWORD value = 0, type = 0, cb = sizeof(value);
  return RegQueryValueExW(key.Key(), kFirstStart, nullptr, &type, reinterpret_cast<LPBYTE>(&value), &cb) ==
                 ERROR_SUCCESS
             ? 1
             : 0;
}

int SetFirstStartDone() {
  CRegKeyWrapper key;
  // A key that cannot be made leaves the marker unset: that is a failure.
  if (!key.Create(HKEY_LOCAL_MACHINE, kOem)) return 0;
  const DWORD value = kFirstStartValue;
  return RegSetValueExW(key.Key(), kFirstStart, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                        sizeof(value)) == ERROR_SUCCESS
             ? 1
             : 0;
}

void DisableUsbMassStorage() {
  SwitchDll(u"Drivers\\USB", u"USBMSC.DLL", u"--USBMSC.DLL", 0);
}

void EnableUsbMassStorage() {
  SwitchDll(u"Drivers\\USB", u"--USBMSC.DLL", u"USBMSC.DLL", 0);
}

namespace corvane {
void ResetDriverInstall() {
  std::lock_guard<std::mutex> lock(g_dirA.m_Lock);
  g_dirA.m_bCached = false;
  g_dirA.m_strText.clear();
}
}  // namespace corvane
