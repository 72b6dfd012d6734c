#include "platform/devmgr/CDriverLibrary.h"

#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/kernel/library.h"
#include "platform/kernel/wcestr.h"

namespace wce {

CDriverLibrary::~CDriverLibrary() {
  Unload();
}

std::string CDriverLibrary::HostPathOf(LPCWSTR dllValue) {
  std::u16string path = dllValue ? dllValue : u"";
  if (path.find(u'\\') == std::u16string::npos && path.find(u'/') == std::u16string::npos)
    path = u"\\Windows\\" + path;
  return HostPath(path);
}

BOOL CDriverLibrary::Load(LPCWSTR dllValue) {
  Unload();
  if (!dllValue || !*dllValue) return FALSE;
  // The loader looks a bare file name up in "\Windows" as the target's does.
  m_hModule = LoadLibraryW(dllValue);
  if (!m_hModule) {
    NKDbgPrintfW(u"DEVICE!LoadDriver: cannot load %s\r\n", dllValue);
    return FALSE;
  }
  return TRUE;
}

void CDriverLibrary::Unload() {
  if (m_hModule) FreeLibrary(m_hModule);
  m_hModule = nullptr;
}

void* CDriverLibrary::GetProc(const char* name) const {
  return m_hModule ? reinterpret_cast<void*>(GetProcAddressW(m_hModule, WceUtf8ToWide(name).c_str()))
                   : nullptr;
}

}  // namespace wce
