// Client driver registration, kept in the registry where the host stack looks for it.
#include "platform/kernel/kernel.h"
#include "platform/kernel/wcestr.h"
#include "platform/registry/registry.h"
#include "platform/usbd/usbdi.h"

#include <string>

namespace {

const char16_t kClientDrivers[] = u"Drivers\\USB\\ClientDrivers\\";
const char16_t kLoadClients[] = u"Drivers\\USB\\LoadClients\\";

// "Default" when nothing is known, else the known leading numbers joined by "_".
std::u16string Group(DWORD a, DWORD b, DWORD c) {
  std::u16string g;
  for (DWORD v : {a, b, c}) {
    if (v == USB_NO_INFO) break;
    if (!g.empty()) g += u"_";
    g += WceUtf8ToWide(std::to_string(v));
  }
  return g.empty() ? u"Default" : g;
}

std::u16string SettingsPath(LPCUSB_DRIVER_SETTINGS s) {
  return std::u16string(kLoadClients) + Group(s->dwVendorId, s->dwProductId, s->dwReleaseNumber) + u"\\" +
         Group(s->dwDeviceClass, s->dwDeviceSubClass, s->dwDeviceProtocol) + u"\\" +
         Group(s->dwInterfaceClass, s->dwInterfaceSubClass, s->dwInterfaceProtocol);
}

bool ValidId(LPCWSTR id) {
  return id && *id && !wcschr(id, u'\\');
}

}  // namespace

BOOL RegisterClientDriverID(LPCWSTR uniqueDriverId) {
  if (!ValidId(uniqueDriverId)) return FALSE;
  const std::u16string path = std::u16string(kClientDrivers) + uniqueDriverId;
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return FALSE;
  RegCloseKey(key);
  return TRUE;
}

BOOL UnRegisterClientDriverID(LPCWSTR uniqueDriverId) {
  if (!ValidId(uniqueDriverId)) return FALSE;
  const std::u16string path = std::u16string(kClientDrivers) + uniqueDriverId;
  return RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str()) == ERROR_SUCCESS;
}

BOOL RegisterClientSettings(LPCWSTR driverLibFile, LPCWSTR uniqueDriverId, LPCWSTR,
                            LPCUSB_DRIVER_SETTINGS settings) {
  if (!driverLibFile || !*driverLibFile || !ValidId(uniqueDriverId) || !settings ||
      settings->dwCount < sizeof(USB_DRIVER_SETTINGS))
    return FALSE;
  const std::u16string path = SettingsPath(settings) + u"\\" + uniqueDriverId;
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return FALSE;
  const DWORD cb = static_cast<DWORD>((wcslen(driverLibFile) + 1) * sizeof(WCHAR));
  const LONG rc = RegSetValueExW(key, u"DLL", 0, REG_SZ, reinterpret_cast<const BYTE*>(driverLibFile), cb);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

BOOL UnRegisterClientSettings(LPCWSTR uniqueDriverId, LPCWSTR, LPCUSB_DRIVER_SETTINGS settings) {
  if (!ValidId(uniqueDriverId) || !settings) return FALSE;
  const std::u16string path = SettingsPath(settings) + u"\\" + uniqueDriverId;
  return RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str()) == ERROR_SUCCESS;
}
