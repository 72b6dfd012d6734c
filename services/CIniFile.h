// CIniFile: the UTF-16LE text file of the INI functions, read one line at a time. Files carry no
// byte-order mark; lines end with CR LF, and a line is everything up to the next LF.
#pragma once

#include "platform/kernel/wcetypes.h"
#include "platform/mfc/CStdioFile.h"
#include "platform/mfc/CString.h"

class CIniFile : public CStdioFile {
 public:
  CIniFile() = default;
  ~CIniFile() override;

  void SetFilePath(LPCWSTR newName) override;
  // The next line without its LF (a CR before it stays); false only at the end of the file, so an
  // empty line in the middle is a line like any other.
  bool ReadLine(CString& line);
  // The line's UTF-16 units followed by one LF.
  BOOL WriteLine(const CString& line);
};

// The value of `key` in `section`, or `def` when the file, section or key is missing. At most
// size - 1 characters and a NUL go into `buffer`; returns the characters copied.
DWORD ReadIniString(LPCWSTR section, LPCWSTR key, LPCWSTR def, LPWSTR buffer, DWORD size, LPCWSTR path);
// Sets key = value in section and rewrites the file; 1 when rewritten, 0 when it could not be
// opened. A null value removes the key's line, a null key the whole section.
BOOL WriteIniString(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR path);
