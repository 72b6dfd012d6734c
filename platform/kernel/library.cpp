#include "platform/kernel/library.h"

#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/kernel/wcestr.h"

#include <dlfcn.h>
#include <unistd.h>

namespace {

std::string HostLibraryPath(const std::u16string& name) {
  if (name.find(u'\\') != std::u16string::npos || name.find(u'/') != std::u16string::npos)
    return wce::HostPath(name);
  const std::string inWindows = wce::HostPath(u"\\Windows\\" + name);
  // Not in "\Windows": the host's search path finds it, or nothing does.
  return ::access(inWindows.c_str(), F_OK) == 0 ? inWindows : WceWideToUtf8(name);
}

}  // namespace

HMODULE LoadLibraryW(LPCWSTR fileName) {
  if (fileName == nullptr || *fileName == 0) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  const std::string path = HostLibraryPath(fileName);
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    // A missing file is the caller's everyday question; one that is there and does not load is
    // worth the loader's reason.
    const char* why = dlerror();
    if (::access(path.c_str(), F_OK) == 0)
      NKDbgPrintfW(u"LoadLibraryW: cannot load %s (%hs)\r\n", fileName, why ? why : "");
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  SetLastError(ERROR_SUCCESS);
  return reinterpret_cast<HMODULE>(handle);
}

FARPROC GetProcAddressW(HMODULE module, LPCWSTR procName) {
  if (module == nullptr || procName == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  void* proc = dlsym(reinterpret_cast<void*>(module), WceWideToUtf8(procName).c_str());
  if (proc == nullptr) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(proc);
}

BOOL FreeLibrary(HMODULE module) {
  if (module == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return dlclose(reinterpret_cast<void*>(module)) == 0 ? TRUE : FALSE;
}
