// CStdioFile: the MFC text-file class, as far as the system uses it. The system opens its text
// files in binary mode and writes UTF-16 units as they are, so WriteString adds no translation.
#pragma once

#include "platform/mfc/CFile.h"

class CStdioFile : public CFile {
 public:
  CStdioFile() = default;
  // Writes the text's UTF-16 units (no terminator, no line-end translation).
  virtual BOOL WriteString(LPCWSTR text);
};
