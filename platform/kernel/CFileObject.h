// An open host file behind a kernel handle. The descriptor is closed when the last reference
// goes, so a ReadFile in flight on another thread keeps it valid after CloseHandle.
#pragma once

#include "platform/kernel/CKernelObject.h"

class CFileObject : public CKernelObject {
 public:
  explicit CFileObject(int fd);
  ~CFileObject() override;

  // Each returns false with the Windows error set through SetLastError.
  bool Read(void* buf, DWORD len, DWORD& done);
  bool Write(const void* buf, DWORD len, DWORD& done);
  // Returns the new position, or -1.
  int64_t Seek(int64_t distance, DWORD method);
  int64_t Size();
  bool SetEnd();
  bool Flush();

 private:
  const int m_nFd;
};
