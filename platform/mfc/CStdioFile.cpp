#include "platform/mfc/CStdioFile.h"

#include "platform/kernel/wcestr.h"

BOOL CStdioFile::WriteString(LPCWSTR text) {
  if (!text) return FALSE;
  return Write(text, static_cast<UINT>(wcslen(text) * sizeof(WCHAR)));
}
