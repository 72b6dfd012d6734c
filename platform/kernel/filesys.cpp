#include "platform/kernel/filesys.h"

#include "platform/kernel/CFileObject.h"
#include "platform/kernel/CFileSystemView.h"
#include "platform/kernel/CHandleTable.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

CFileSystemView& View() {
  return CFileSystemView::GetInstance();
}

std::shared_ptr<CFileObject> LookupFile(HANDLE h) {
  return CHandleTable::GetInstance().LookupAs<CFileObject>(h, CKernelObject::Type::File);
}

// "ADB1:", "ADE1:": a stream device name, never a file under the root.
bool IsDeviceName(LPCWSTR name) {
  size_t n = wcslen(name);
  return n >= 2 && name[n - 1] == u':' && wcschr(name, u'\\') == nullptr && wcschr(name, u'/') == nullptr;
}

bool ParentExists(const std::string& hostPath) {
  size_t slash = hostPath.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return true;
  struct stat st;
  return ::stat(hostPath.substr(0, slash).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// ENOENT means a missing file when its directory is there, else a missing path.
DWORD ErrorForPath(int err, const std::string& hostPath) {
  if (err == ENOENT) return ParentExists(hostPath) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
  return CFileSystemView::ErrorFromErrno(err);
}

bool Fail(DWORD err) {
  SetLastError(err);
  return false;
}

int OpenNoIntr(const char* path, int flags, mode_t mode) {
  int fd;
  do {
    fd = ::open(path, flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

bool CopyHostFile(const std::string& from, const std::string& to, bool failIfExists) {
  int in = OpenNoIntr(from.c_str(), O_RDONLY, 0);
  if (in < 0) return Fail(ErrorForPath(errno, from));
  struct stat src;
  if (::fstat(in, &src) != 0 || S_ISDIR(src.st_mode)) {
    ::close(in);
    return Fail(ERROR_ACCESS_DENIED);
  }
  struct stat dst;
  if (::stat(to.c_str(), &dst) == 0 && dst.st_dev == src.st_dev && dst.st_ino == src.st_ino) {
    // Truncating the target would destroy the source before a byte is read.
    ::close(in);
    return Fail(failIfExists ? ERROR_FILE_EXISTS : ERROR_SHARING_VIOLATION);
  }
  int out =
      OpenNoIntr(to.c_str(), O_WRONLY | O_CREAT | (failIfExists ? O_EXCL : O_TRUNC), src.st_mode & 0777);
  if (out < 0) {
    int err = errno;
    ::close(in);
    return Fail(err == EEXIST ? ERROR_FILE_EXISTS : ErrorForPath(err, to));
  }
  char buf[65536];
  DWORD err = ERROR_SUCCESS;
  for (;;) {
    ssize_t n = ::read(in, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      err = CFileSystemView::ErrorFromErrno(errno);
      break;
    }
    if (n == 0) break;
    for (ssize_t done = 0; done < n;) {
      ssize_t w = ::write(out, buf + done, n - done);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        err = w < 0 ? CFileSystemView::ErrorFromErrno(errno) : ERROR_GEN_FAILURE;
        break;
      }
      done += w;
    }
    if (err != ERROR_SUCCESS) break;
  }
  ::close(in);
  if (::close(out) != 0 && err == ERROR_SUCCESS) err = CFileSystemView::ErrorFromErrno(errno);
  if (err != ERROR_SUCCESS) {
    ::unlink(to.c_str());  // no half copy is left behind as if it were the file
    return Fail(err);
  }
  return true;
}

}  // namespace

HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share, SECURITY_ATTRIBUTES*, DWORD disposition, DWORD,
                   HANDLE) {
  if (name == nullptr || *name == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  wce::StreamDeviceHooks hooks = View().GetHooks();
  if (hooks.m_pfnOpen != nullptr) {
    HANDLE device = hooks.m_pfnOpen(name, access, share);
    if (device != nullptr) return device;
  }
  if (IsDeviceName(name)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  int flags = (access & GENERIC_WRITE) ? ((access & GENERIC_READ) ? O_RDWR : O_WRONLY) : O_RDONLY;
  switch (disposition) {
    case CREATE_NEW:
      flags |= O_CREAT | O_EXCL;
      break;
    case CREATE_ALWAYS:
      flags |= O_CREAT | O_TRUNC;
      break;
    case OPEN_EXISTING:
      break;
    case OPEN_ALWAYS:
      flags |= O_CREAT;
      break;
    case TRUNCATE_EXISTING:
      if (!(access & GENERIC_WRITE)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
      }
      flags |= O_TRUNC;
      break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return INVALID_HANDLE_VALUE;
  }
  std::string path = View().HostPath(name);
  struct stat st;
  bool existed = ::stat(path.c_str(), &st) == 0;
  if (existed && S_ISDIR(st.st_mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  int fd = OpenNoIntr(path.c_str(), flags, 0666);
  if (fd < 0) {
    SetLastError(errno == EEXIST ? ERROR_FILE_EXISTS : ErrorForPath(errno, path));
    return INVALID_HANDLE_VALUE;
  }
  HANDLE h = CHandleTable::GetInstance().Insert(std::make_shared<CFileObject>(fd));
  bool reportsExisting = existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS);
  SetLastError(reportsExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return h;
}

// Kernel file handles are served here; any other handle is the device manager's when it has
// hooked in (its read and write have no "not mine" answer, so they are asked last).
BOOL ReadFile(HANDLE h, LPVOID buf, DWORD len, LPDWORD read, LPOVERLAPPED) {
  DWORD done = 0;
  if (read != nullptr) *read = 0;
  if (buf == nullptr && len > 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (auto file = LookupFile(h)) {
    bool ok = file->Read(buf, len, done);
    if (read != nullptr) *read = done;
    return ok ? TRUE : FALSE;
  }
  wce::StreamDeviceHooks hooks = View().GetHooks();
  if (hooks.m_pfnRead != nullptr) return hooks.m_pfnRead(h, buf, len, read != nullptr ? read : &done);
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}

BOOL WriteFile(HANDLE h, LPCVOID buf, DWORD len, LPDWORD written, LPOVERLAPPED) {
  DWORD done = 0;
  if (written != nullptr) *written = 0;
  if (buf == nullptr && len > 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (auto file = LookupFile(h)) {
    bool ok = file->Write(buf, len, done);
    if (written != nullptr) *written = done;
    return ok ? TRUE : FALSE;
  }
  wce::StreamDeviceHooks hooks = View().GetHooks();
  if (hooks.m_pfnWrite != nullptr) return hooks.m_pfnWrite(h, buf, len, written != nullptr ? written : &done);
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}

DWORD SetFilePointer(HANDLE h, LONG distance, PLONG distanceHigh, DWORD method) {
  auto file = LookupFile(h);
  if (!file) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_SET_FILE_POINTER;
  }
  // Without the high word the distance is a signed 32-bit move.
  int64_t move =
      distanceHigh != nullptr
          ? static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*distanceHigh)) << 32) |
                                 static_cast<uint32_t>(distance))
          : distance;
  int64_t pos = file->Seek(move, method);
  if (pos < 0) return INVALID_SET_FILE_POINTER;
  if (distanceHigh != nullptr) *distanceHigh = static_cast<LONG>(pos >> 32);
  SetLastError(ERROR_SUCCESS);  // tells a position of 0xFFFFFFFF from failure
  return static_cast<DWORD>(pos);
}

DWORD GetFileSize(HANDLE h, LPDWORD high) {
  auto file = LookupFile(h);
  if (!file) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_FILE_SIZE;
  }
  int64_t size = file->Size();
  if (size < 0) return INVALID_FILE_SIZE;
  if (high != nullptr) *high = static_cast<DWORD>(static_cast<uint64_t>(size) >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(size);
}

BOOL SetEndOfFile(HANDLE h) {
  auto file = LookupFile(h);
  if (!file) return Fail(ERROR_INVALID_HANDLE);
  return file->SetEnd() ? TRUE : FALSE;
}

BOOL FlushFileBuffers(HANDLE h) {
  auto file = LookupFile(h);
  if (!file) return Fail(ERROR_INVALID_HANDLE);
  return file->Flush() ? TRUE : FALSE;
}

BOOL CopyFileW(LPCWSTR from, LPCWSTR to, BOOL failIfExists) {
  if (from == nullptr || to == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  return CopyHostFile(View().HostPath(from), View().HostPath(to), failIfExists != FALSE) ? TRUE : FALSE;
}

BOOL DeleteFileW(LPCWSTR name) {
  if (name == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  std::string path = View().HostPath(name);
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return Fail(ErrorForPath(errno, path));
  if (S_ISDIR(st.st_mode)) return Fail(ERROR_ACCESS_DENIED);
  if (::unlink(path.c_str()) != 0) return Fail(ErrorForPath(errno, path));
  return TRUE;
}

BOOL MoveFileW(LPCWSTR from, LPCWSTR to) {
  if (from == nullptr || to == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  std::string src = View().HostPath(from);
  std::string dst = View().HostPath(to);
  struct stat st;
  if (::lstat(src.c_str(), &st) != 0) return Fail(ErrorForPath(errno, src));
  // MoveFile never replaces: rename(2) would.
  if (::lstat(dst.c_str(), &st) == 0) return Fail(ERROR_ALREADY_EXISTS);
  if (::rename(src.c_str(), dst.c_str()) != 0) return Fail(ErrorForPath(errno, dst));
  return TRUE;
}

BOOL CreateDirectoryW(LPCWSTR name, SECURITY_ATTRIBUTES*) {
  if (name == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  std::string path = View().HostPath(name);
  if (::mkdir(path.c_str(), 0777) != 0)
    return Fail(errno == ENOENT ? ERROR_PATH_NOT_FOUND : CFileSystemView::ErrorFromErrno(errno));
  return TRUE;
}

DWORD GetFileAttributesW(LPCWSTR name) {
  if (name == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_FILE_ATTRIBUTES;
  }
  std::string path = View().HostPath(name);
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    SetLastError(ErrorForPath(errno, path));
    return INVALID_FILE_ATTRIBUTES;
  }
  if (S_ISDIR(st.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
  return (st.st_mode & S_IWUSR) ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY;
}

FILE* _wfopen(LPCWSTR name, LPCWSTR mode) {
  if (name == nullptr || mode == nullptr) {
    errno = EINVAL;
    return nullptr;
  }
  // The C library's modes are ASCII; an encoding suffix (",ccs=...") is not passed on.
  std::string narrowMode;
  for (const WCHAR* m = mode; *m != 0 && *m != u','; ++m) {
    if (*m < 0x80) narrowMode.push_back(static_cast<char>(*m));
  }
  return std::fopen(View().HostPath(name).c_str(), narrowMode.c_str());
}

DWORD GetModuleFileNameW(HMODULE, LPWSTR buf, DWORD cch) {
  if (buf == nullptr || cch == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::u16string path = View().GetModuleFileName();
  if (path.size() >= cch) {
    path.copy(buf, cch - 1);
    buf[cch - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return cch;
  }
  path.copy(buf, path.size());
  buf[path.size()] = 0;
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(path.size());
}

namespace wce {

std::u16string ProgramDirectory() {
  WCHAR path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return std::u16string();
  const std::u16string name(path, n);
  const size_t slash = name.find_last_of(u'\\');
  return slash == std::u16string::npos ? std::u16string() : name.substr(0, slash + 1);
}

void SetStreamDeviceHooks(const StreamDeviceHooks& hooks) {
  View().SetHooks(hooks);
}

void SetRootDir(const std::string& hostDir) {
  View().SetRootDir(hostDir);
}

std::string GetRootDir() {
  return View().GetRootDir();
}

std::string HostPath(LPCWSTR cePath) {
  return View().HostPath(cePath != nullptr ? std::u16string(cePath) : std::u16string());
}

std::string HostPath(const std::u16string& cePath) {
  return View().HostPath(cePath);
}

void SetModuleFileName(const std::u16string& cePath) {
  View().SetModuleFileName(cePath);
}

void ResetFileSystemView() {
  View().Reset();
}

bool CreateOwnerOnlyFile(const std::string& hostPath, const void* data, size_t size) {
  int fd = OpenNoIntr(hostPath.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
  if (fd < 0) return false;
  // The mode given at creation passes through the umask; the owner-only bits must hold whatever it is.
  ::fchmod(fd, 0600);
  const char* bytes = static_cast<const char*>(data);
  size_t done = 0;
  while (done < size) {
    ssize_t n = ::write(fd, bytes + done, size - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  ::close(fd);
  return done == size;
}

bool SetEnvironmentValue(const char* name, const std::string& value) {
  return ::setenv(name, value.c_str(), 1) == 0;
}
}  // namespace wce
