#include "platform/registry/registry.h"
#include "platform/registry/RegistryHooks.h"

#include "platform/registry/CRegistryStore.h"

LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD, LPWSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES,
                     PHKEY result, LPDWORD disposition) {
  return CRegistryStore::GetInstance().CreateKey(key, subKey, result, disposition);
}

LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD, REGSAM, PHKEY result) {
  return CRegistryStore::GetInstance().OpenKey(key, subKey, result);
}

LONG RegCloseKey(HKEY key) {
  return CRegistryStore::GetInstance().CloseKey(key);
}

LONG RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD cbData) {
  return CRegistryStore::GetInstance().QueryValue(key, name, type, data, cbData);
}

LONG RegSetValueExW(HKEY key, LPCWSTR name, DWORD, DWORD type, const BYTE* data, DWORD cbData) {
  return CRegistryStore::GetInstance().SetValue(key, name, type, data, cbData);
}

LONG RegDeleteValueW(HKEY key, LPCWSTR name) {
  return CRegistryStore::GetInstance().DeleteValue(key, name);
}

LONG RegDeleteKeyW(HKEY key, LPCWSTR subKey) {
  return CRegistryStore::GetInstance().DeleteKey(key, subKey);
}

LONG RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD cchName, LPDWORD, LPWSTR keyClass,
                   LPDWORD cchClass, PFILETIME lastWrite) {
  const LONG rc = CRegistryStore::GetInstance().EnumKey(key, index, name, cchName);
  if (rc == ERROR_SUCCESS) {
    // Keys carry neither a class nor a write time.
    if (keyClass != nullptr && cchClass != nullptr && *cchClass > 0) keyClass[0] = 0;
    if (cchClass != nullptr) *cchClass = 0;
    if (lastWrite != nullptr) *lastWrite = FILETIME{0, 0};
  }
  return rc;
}

LONG RegEnumValueW(HKEY key, DWORD index, LPWSTR name, LPDWORD cchName, LPDWORD, LPDWORD type, LPBYTE data,
                   LPDWORD cbData) {
  return CRegistryStore::GetInstance().EnumValue(key, index, name, cchName, type, data, cbData);
}

LONG RegQueryInfoKeyW(HKEY key, LPWSTR keyClass, LPDWORD cchClass, LPDWORD, LPDWORD subKeys,
                      LPDWORD maxSubKeyLen, LPDWORD maxClassLen, LPDWORD values, LPDWORD maxValueNameLen,
                      LPDWORD maxValueLen, LPDWORD securityDescriptor, PFILETIME lastWrite) {
  const LONG rc = CRegistryStore::GetInstance().QueryInfo(key, subKeys, maxSubKeyLen, values, maxValueNameLen,
                                                          maxValueLen);
  if (rc == ERROR_SUCCESS) {
    if (keyClass != nullptr && cchClass != nullptr && *cchClass > 0) keyClass[0] = 0;
    if (cchClass != nullptr) *cchClass = 0;
    if (maxClassLen != nullptr) *maxClassLen = 0;
    if (securityDescriptor != nullptr) *securityDescriptor = 0;
    if (lastWrite != nullptr) *lastWrite = FILETIME{0, 0};
  }
  return rc;
}

namespace wce {

std::u16string RegistryCePath() {
  return u"\\Registry\\registry.txt";
}

void ReloadRegistry() {
  CRegistryStore::GetInstance().Reload();
}

void ResetRegistry() {
  CRegistryStore::GetInstance().Reset();
}

std::string DumpRegistry() {
  return CRegistryStore::GetInstance().Dump();
}

}  // namespace wce
