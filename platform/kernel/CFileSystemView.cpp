#include "platform/kernel/CFileSystemView.h"

#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/kernel/wcestr.h"

#include <cerrno>
#include <cstdlib>
#include <unistd.h>
#include <vector>

namespace {
const char16_t kDefaultModuleFileName[] = u"\\SDMMC\\CECorvane\\CECorvane.exe";
}

CFileSystemView& CFileSystemView::GetInstance() {
  static CFileSystemView* instance = new CFileSystemView();
  return *instance;
}

CFileSystemView::CFileSystemView() : m_strModuleFileName(kDefaultModuleFileName) {}

void CFileSystemView::SetRootDir(const std::string& hostDir) {
  std::lock_guard<std::mutex> lock(m_Lock);
  m_strRoot = hostDir;
}

std::string CFileSystemView::GetRootDir() {
  std::lock_guard<std::mutex> lock(m_Lock);
  if (m_strRoot.empty()) {
    const char* env = std::getenv("CORVANE_ROOT");
    if (env != nullptr && *env != 0) {
      m_strRoot = env;
    } else {
      // Fixed at first use, so a later change of the working directory does not move the root.
      char cwd[4096];
      m_strRoot = std::string(getcwd(cwd, sizeof cwd) ? cwd : ".") + "/corvane-root";
    }
  }
  return m_strRoot;
}

std::string CFileSystemView::HostPath(const std::u16string& cePath) {
  // CE paths are absolute from the device's root. ".." never climbs above the root, so no CE
  // path reaches a host file outside the view.
  std::vector<std::u16string> parts;
  std::u16string part;
  for (size_t i = 0; i <= cePath.size(); ++i) {
    WCHAR c = i < cePath.size() ? cePath[i] : u'\\';
    if (c != u'\\' && c != u'/') {
      part.push_back(c);
      continue;
    }
    if (part == u"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != u".") {
      parts.push_back(part);
    }
    part.clear();
  }
  std::string host = GetRootDir();
  while (host.size() > 1 && host.back() == '/') host.pop_back();
  for (const auto& p : parts) host += "/" + WceWideToUtf8(p);
  return host;
}

void CFileSystemView::SetModuleFileName(const std::u16string& cePath) {
  std::lock_guard<std::mutex> lock(m_Lock);
  m_strModuleFileName = cePath;
}

std::u16string CFileSystemView::GetModuleFileName() {
  std::lock_guard<std::mutex> lock(m_Lock);
  return m_strModuleFileName;
}

void CFileSystemView::SetHooks(const wce::StreamDeviceHooks& hooks) {
  std::lock_guard<std::mutex> lock(m_Lock);
  m_Hooks = hooks;
}

wce::StreamDeviceHooks CFileSystemView::GetHooks() {
  std::lock_guard<std::mutex> lock(m_Lock);
  return m_Hooks;
}

void CFileSystemView::Reset() {
  std::lock_guard<std::mutex> lock(m_Lock);
  m_strRoot.clear();
  m_strModuleFileName = kDefaultModuleFileName;
  m_Hooks = wce::StreamDeviceHooks();
}

DWORD CFileSystemView::ErrorFromErrno(int err) {
  switch (err) {
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EEXIST:
      return ERROR_ALREADY_EXISTS;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
    case ENOTEMPTY:
    case EBUSY:
      return ERROR_ACCESS_DENIED;
    case ENOSPC:
      return ERROR_DISK_FULL;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case EBADF:
      return ERROR_INVALID_HANDLE;
    case EINVAL:
    case ENAMETOOLONG:
      return ERROR_INVALID_PARAMETER;
    default:
      return ERROR_GEN_FAILURE;
  }
}
