// A held registry key: create or open, read and write strings, delete sub keys, close. Every
// result is 1 for success and 0 for failure.
#pragma once

#include "platform/kernel/wcetypes.h"
#include "platform/registry/registry.h"

#include <vector>

class CRegKeyWrapper {
 public:
  CRegKeyWrapper() = default;
  virtual ~CRegKeyWrapper();
  CRegKeyWrapper(const CRegKeyWrapper&) = delete;
  CRegKeyWrapper& operator=(const CRegKeyWrapper&) = delete;

  int Create(HKEY root, LPCWSTR path);
  int Open(HKEY root, LPCWSTR path, REGSAM access);
  // Characters read (without the terminator) when the value is REG_SZ and fits in cch
  // characters with its terminator; else 0.
  int QueryString(LPCWSTR name, LPWSTR buf, DWORD cch);
  // REG_SZ with its terminating zero, so that any reader finds a terminated string.
  int SetString(LPCWSTR name, LPCWSTR text, DWORD cch);
  int DeleteSubKey(LPCWSTR sub);
  int Close();
  HKEY Key() const { return m_hKey; }

 private:
  HKEY m_hKey = nullptr;
  DWORD m_dwSize = 0;
  std::vector<BYTE> m_Buffer;
};
