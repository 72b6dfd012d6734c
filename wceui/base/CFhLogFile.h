// The framework's log file: "<directory>\<program file name>.log", UTF-16 with its byte-order mark.
// The logger writes to the debug output only, so the file is opened and stays empty of lines.
#pragma once

#include "platform/kernel/wcetypes.h"

class CFhLogFile {
 public:
  CFhLogFile() = default;
  ~CFhLogFile();
  CFhLogFile(const CFhLogFile&) = delete;
  CFhLogFile& operator=(const CFhLogFile&) = delete;

  // Closes an open file first; creates the directory and the file as needed. 0 leaves it closed.
  BOOL Open(LPCWSTR pDir);
  void Close();
  BOOL IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE; }
  LPCWSTR GetPath() const { return m_szPath; }

 private:
  HANDLE m_hFile = INVALID_HANDLE_VALUE;
  WCHAR m_szPath[MAX_PATH] = {};
};
