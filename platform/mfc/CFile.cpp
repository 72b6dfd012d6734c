#include "platform/mfc/CFile.h"

#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"

CFile::~CFile() {
  Close();
}

BOOL CFile::Open(LPCWSTR fileName, UINT openFlags) {
  Close();
  if (!fileName) return FALSE;
  DWORD access = 0;
  switch (openFlags & 3u) {
    case modeRead:
      access = GENERIC_READ;
      break;
    case modeWrite:
      access = GENERIC_WRITE;
      break;
    default:
      access = GENERIC_READ | GENERIC_WRITE;
      break;
  }
  DWORD disposition = OPEN_EXISTING;
  if (openFlags & modeCreate) disposition = (openFlags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
  HANDLE h = CreateFileW(fileName, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE || h == nullptr) return FALSE;
  m_hFile = h;
  SetFilePath(fileName);
  return TRUE;
}

void CFile::Close() {
  if (m_hFile) {
    CloseHandle(m_hFile);
    m_hFile = nullptr;
  }
}

UINT CFile::Read(void* buf, UINT count) {
  if (!m_hFile || !buf || count == 0) return 0;
  DWORD got = 0;
  if (!ReadFile(m_hFile, buf, count, &got, nullptr)) return 0;
  return got;
}

BOOL CFile::Write(const void* buf, UINT count) {
  if (!m_hFile) return FALSE;
  if (count == 0) return TRUE;
  if (!buf) return FALSE;
  DWORD put = 0;
  return WriteFile(m_hFile, buf, count, &put, nullptr) && put == count;
}

ULONGLONG CFile::Seek(LONGLONG offset, UINT from) {
  if (!m_hFile) return static_cast<ULONGLONG>(-1);
  LONG high = static_cast<LONG>(offset >> 32);
  DWORD low = SetFilePointer(m_hFile, static_cast<LONG>(offset & 0xFFFFFFFF), &high, from);
  if (low == INVALID_SET_FILE_POINTER && GetLastError() != ERROR_SUCCESS) return static_cast<ULONGLONG>(-1);
  return (static_cast<ULONGLONG>(static_cast<DWORD>(high)) << 32) | low;
}

ULONGLONG CFile::GetPosition() const {
  if (!m_hFile) return 0;
  LONG high = 0;
  DWORD low = SetFilePointer(m_hFile, 0, &high, FILE_CURRENT);
  return (static_cast<ULONGLONG>(static_cast<DWORD>(high)) << 32) | low;
}

ULONGLONG CFile::GetLength() const {
  if (!m_hFile) return 0;
  DWORD high = 0;
  DWORD low = GetFileSize(m_hFile, &high);
  return (static_cast<ULONGLONG>(high) << 32) | low;
}
