// The registry in memory, its open handles and its file. One instance for the process; every
// operation takes the one lock, so callers on any thread see whole changes, and the file is
// written under the same lock after each change.
#pragma once

#include "platform/registry/CRegistryKey.h"
#include "platform/registry/CRegistryText.h"

#include "platform/kernel/wcetypes.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CRegistryStore {
 public:
  static CRegistryStore& GetInstance();

  LONG CreateKey(HKEY key, LPCWSTR subKey, PHKEY result, LPDWORD disposition);
  LONG OpenKey(HKEY key, LPCWSTR subKey, PHKEY result);
  LONG CloseKey(HKEY key);
  LONG QueryValue(HKEY key, LPCWSTR name, LPDWORD type, LPBYTE data, LPDWORD cbData);
  LONG SetValue(HKEY key, LPCWSTR name, DWORD type, const BYTE* data, DWORD cbData);
  LONG DeleteValue(HKEY key, LPCWSTR name);
  LONG DeleteKey(HKEY key, LPCWSTR subKey);
  LONG EnumKey(HKEY key, DWORD index, LPWSTR name, LPDWORD cchName);
  LONG EnumValue(HKEY key, DWORD index, LPWSTR name, LPDWORD cchName, LPDWORD type, LPBYTE data,
                 LPDWORD cbData);
  LONG QueryInfo(HKEY key, LPDWORD subKeys, LPDWORD maxSubKeyLen, LPDWORD values, LPDWORD maxValueNameLen,
                 LPDWORD maxValueLen);

  void Reload();
  void Reset();
  std::string Dump();

 private:
  CRegistryStore();

  void ClearLocked();
  void EnsureLoadedLocked();
  void SaveLocked();
  std::vector<CRegistryRoot> RootsLocked();
  LONG ResolveLocked(HKEY key, std::shared_ptr<CRegistryKey>& out);
  HKEY NewHandleLocked(const std::shared_ptr<CRegistryKey>& key);

  std::mutex m_Mutex;
  bool m_bLoaded = false;
  std::string m_strHostPath;  // the file that the registry in memory was loaded from and is saved to
  std::shared_ptr<CRegistryKey> m_pLocalMachine;
  std::shared_ptr<CRegistryKey> m_pCurrentUser;
  std::map<uintptr_t, std::shared_ptr<CRegistryKey>> m_Handles;
  uintptr_t m_nNextHandle = 0x1000;
};
