#include "devmgr/CDriverLibrary.h"

#include "kernel/filesys.h"
#include "kernel/kernel.h"
#include "kernel/wcestr.h"

#include <dlfcn.h>

namespace wce {

CDriverLibrary::~CDriverLibrary() { Unload(); }

std::string CDriverLibrary::HostPathOf(LPCWSTR dllValue) {
  std::u16string path = dllValue ? dllValue : u"";
  if (path.find(u'\\') == std::u16string::npos && path.find(u'/') == std::u16string::npos)
    path = u"\\Windows\\" + path;
  return HostPath(path);
}

BOOL CDriverLibrary::Load(LPCWSTR dllValue) {
  Unload();
  if (!dllValue || !*dllValue) return FALSE;
  const std::string host = HostPathOf(dllValue);
  // RTLD_NOW: a driver that needs a symbol the platform lacks fails here, not in the middle of
  // a transfer.
  m_handle = dlopen(host.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!m_handle) {
    const char* why = dlerror();
    NKDbgPrintfW(u"DEVICE!LoadDriver: cannot load %s (%hs)\r\n", dllValue, why ? why : "");
    return FALSE;
  }
  return TRUE;
}

void CDriverLibrary::Unload() {
  if (m_handle) dlclose(m_handle);
  m_handle = nullptr;
}

void* CDriverLibrary::GetProc(const char* name) const {
  return m_handle ? dlsym(m_handle, name) : nullptr;
}

}  // namespace wce
