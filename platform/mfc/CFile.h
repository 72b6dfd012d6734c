// CFile: binary file access of the MFC class library over the platform's file calls (so paths
// are device paths under the root view). Failures are return values; nothing throws.
#pragma once

#include "platform/kernel/wcetypes.h"
#include "platform/mfc/CString.h"

class CFile {
 public:
  enum OpenFlags : UINT {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareDenyNone = 0x0040,
    modeNoTruncate = 0x1000,  // with modeCreate: open an existing file as it is
    typeText = 0x4000,
    typeBinary = 0x8000,
    modeCreate = 0x10000,  // create, or truncate an existing file unless modeNoTruncate
  };
  enum SeekPosition : UINT { begin = 0, current = 1, end = 2 };

  CFile() = default;
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;
  virtual ~CFile();

  virtual BOOL Open(LPCWSTR fileName, UINT openFlags);
  virtual void Close();
  // Bytes read; 0 at the end of the file or on failure.
  virtual UINT Read(void* buf, UINT count);
  // FALSE when not every byte was written.
  virtual BOOL Write(const void* buf, UINT count);
  // New position from the start, or (ULONGLONG)-1 on failure.
  virtual ULONGLONG Seek(LONGLONG offset, UINT from);
  ULONGLONG GetPosition() const;
  ULONGLONG GetLength() const;
  void SeekToBegin() { Seek(0, begin); }
  ULONGLONG SeekToEnd() { return Seek(0, end); }

  virtual void SetFilePath(LPCWSTR newName) { m_strFileName = newName; }
  const CString& GetFilePath() const { return m_strFileName; }
  bool IsOpen() const { return m_hFile != nullptr; }

 protected:
  HANDLE m_hFile = nullptr;
  CString m_strFileName;
};
