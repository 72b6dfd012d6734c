#include "platform/kernel/CFileObject.h"

#include "platform/kernel/CFileSystemView.h"
#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

CFileObject::CFileObject(int fd) : CKernelObject(Type::File), m_nFd(fd) {}

CFileObject::~CFileObject() {
  ::close(m_nFd);
}

bool CFileObject::Read(void* buf, DWORD len, DWORD& done) {
  done = 0;
  while (done < len) {
    ssize_t n = ::read(m_nFd, static_cast<char*>(buf) + done, len - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      SetLastError(CFileSystemView::ErrorFromErrno(errno));
      return false;
    }
    if (n == 0) break;  // end of file: success with fewer bytes
    done += static_cast<DWORD>(n);
  }
  return true;
}

bool CFileObject::Write(const void* buf, DWORD len, DWORD& done) {
  done = 0;
  while (done < len) {
    ssize_t n = ::write(m_nFd, static_cast<const char*>(buf) + done, len - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      SetLastError(n < 0 ? CFileSystemView::ErrorFromErrno(errno) : ERROR_GEN_FAILURE);
      return false;
    }
    done += static_cast<DWORD>(n);
  }
  return true;
}

int64_t CFileObject::Seek(int64_t distance, DWORD method) {
  int whence = method == FILE_BEGIN     ? SEEK_SET
               : method == FILE_CURRENT ? SEEK_CUR
               : method == FILE_END     ? SEEK_END
                                        : -1;
  if (whence < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  off_t pos = ::lseek(m_nFd, static_cast<off_t>(distance), whence);
  if (pos < 0) {
    // Windows refuses a move before the start with ERROR_NEGATIVE_SEEK; lseek gives EINVAL.
    SetLastError(errno == EINVAL ? ERROR_NEGATIVE_SEEK : CFileSystemView::ErrorFromErrno(errno));
    return -1;
  }
  return pos;
}

int64_t CFileObject::Size() {
  struct stat st;
  if (::fstat(m_nFd, &st) != 0) {
    SetLastError(CFileSystemView::ErrorFromErrno(errno));
    return -1;
  }
  return st.st_size;
}

bool CFileObject::SetEnd() {
  off_t pos = ::lseek(m_nFd, 0, SEEK_CUR);
  if (pos < 0 || ::ftruncate(m_nFd, pos) != 0) {
    SetLastError(CFileSystemView::ErrorFromErrno(errno));
    return false;
  }
  return true;
}

bool CFileObject::Flush() {
  if (::fsync(m_nFd) != 0 && errno != EINVAL) {
    SetLastError(CFileSystemView::ErrorFromErrno(errno));
    return false;
  }
  return true;
}
