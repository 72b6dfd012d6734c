#include "phonelink/CRegKeyWrapper.h"

CRegKeyWrapper::~CRegKeyWrapper() {
  Close();
}

int CRegKeyWrapper::Create(HKEY root, LPCWSTR path) {
  Close();
  DWORD disposition = 0;
  return RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_hKey, &disposition) ==
                 ERROR_SUCCESS
             ? 1
             : 0;
}

int CRegKeyWrapper::Open(HKEY root, LPCWSTR path, REGSAM access) {
  Close();
  return RegOpenKeyExW(root, path, 0, access, &m_hKey) == ERROR_SUCCESS ? 1 : 0;
}

int CRegKeyWrapper::QueryString(LPCWSTR name, LPWSTR buf, DWORD cch) {
  if (!m_hKey || !buf || cch == 0) return 0;
  DWORD type = 0;
  m_dwSize = cch * sizeof(WCHAR);
  if (RegQueryValueExW(m_hKey, name, nullptr, &type, reinterpret_cast<LPBYTE>(buf), &m_dwSize) !=
          ERROR_SUCCESS ||
      type != REG_SZ)
    return 0;
  DWORD chars = m_dwSize / sizeof(WCHAR);
  if (chars > 0 && buf[chars - 1] == 0) --chars;
  if (chars >= cch) return 0;  // no room left for the terminator
  buf[chars] = 0;
  return static_cast<int>(chars);
}

int CRegKeyWrapper::SetString(LPCWSTR name, LPCWSTR text, DWORD cch) {
  if (!m_hKey || !text) return 0;
  m_Buffer.assign(reinterpret_cast<const BYTE*>(text), reinterpret_cast<const BYTE*>(text + cch));
  m_Buffer.push_back(0);
  m_Buffer.push_back(0);
  return RegSetValueExW(m_hKey, name, 0, REG_SZ, m_Buffer.data(), static_cast<DWORD>(m_Buffer.size())) ==
                 ERROR_SUCCESS
             ? 1
             : 0;
}

int CRegKeyWrapper::DeleteSubKey(LPCWSTR sub) {
  if (!m_hKey) return 0;
  return RegDeleteKeyW(m_hKey, sub) == ERROR_SUCCESS ? 1 : 0;
}

int CRegKeyWrapper::Close() {
  m_Buffer.clear();
  m_dwSize = 0;
  if (!m_hKey) return 1;
  const LONG rc = RegCloseKey(m_hKey);
  m_hKey = nullptr;
  return rc == ERROR_SUCCESS ? 1 : 0;
}
