#include "wceui/base/CFhLogFile.h"

#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/wcestr.h"
#include "wceui/base/FhPath.h"

#include <string>

namespace {
const BYTE kUtf16Bom[2] = {0xFF, 0xFE};
}

CFhLogFile::~CFhLogFile() {
  Close();
}

void CFhLogFile::Close() {
  if (m_hFile != INVALID_HANDLE_VALUE) CloseHandle(m_hFile);
  m_hFile = INVALID_HANDLE_VALUE;
}

BOOL CFhLogFile::Open(LPCWSTR pDir) {
  Close();
  if (pDir == nullptr || pDir[0] == 0) return FALSE;
  WCHAR szModule[MAX_PATH];
  DWORD nModule = GetModuleFileNameW(nullptr, szModule, MAX_PATH);
  if (nModule == 0 || nModule >= MAX_PATH) return FALSE;
  const WCHAR* pName = szModule;
  for (const WCHAR* p = szModule; *p != 0; ++p) {
    if (FhIsPathSeparator(*p)) pName = p + 1;
  }
  std::u16string dir = pDir;
  std::u16string path = dir;
  if (!FhIsPathSeparator(path.back())) path += u'\\';
  path += pName;
  path += u".log";
  if (path.size() >= MAX_PATH) return FALSE;
  wcscpy(m_szPath, path.c_str());
  if (!FhCreateDirectory(dir.c_str())) return FALSE;

  m_hFile = CreateFileW(m_szPath, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                        nullptr);
  if (m_hFile == INVALID_HANDLE_VALUE) return FALSE;
  DWORD nSize = GetFileSize(m_hFile, nullptr);
  BOOL bOk = FALSE;
  if (nSize == INVALID_FILE_SIZE) {
    bOk = FALSE;
  } else if (nSize > 0) {
    bOk = SetFilePointer(m_hFile, 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER;
  } else {
    DWORD nWritten = 0;
    bOk =
        WriteFile(m_hFile, kUtf16Bom, sizeof(kUtf16Bom), &nWritten, nullptr) && nWritten == sizeof(kUtf16Bom);
  }
  if (!bOk) Close();
  return bOk;
}
