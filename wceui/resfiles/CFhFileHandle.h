// A file handle closed on every path out of the scope that opened it.
#pragma once

#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"

class CFhFileHandle {
 public:
  // Opens an existing file for reading, sharing it for reading.
  explicit CFhFileHandle(LPCWSTR pPath)
      : m_hFile(CreateFileW(pPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~CFhFileHandle() {
    if (IsOpen()) CloseHandle(m_hFile);
  }
  CFhFileHandle(const CFhFileHandle&) = delete;
  CFhFileHandle& operator=(const CFhFileHandle&) = delete;

  bool IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return m_hFile; }
  // Reads exactly nLen bytes.
  bool ReadAll(void* pBuffer, DWORD nLen) const {
    DWORD nRead = 0;
    return ReadFile(m_hFile, pBuffer, nLen, &nRead, nullptr) && nRead == nLen;
  }

 private:
  HANDLE m_hFile;
};
