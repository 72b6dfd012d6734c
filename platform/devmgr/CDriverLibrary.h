// A driver's shared library, loaded from the CE path that the registry names ("Dll" values).
// Loading the same path twice gives the same library, so the device manager and the USB host
// stack share one instance of the driver's globals, as the target's loader does.
#pragma once

#include "platform/kernel/wcetypes.h"

#include <string>

namespace wce {

class CDriverLibrary {
 public:
  CDriverLibrary() = default;
  ~CDriverLibrary();
  CDriverLibrary(const CDriverLibrary&) = delete;
  CDriverLibrary& operator=(const CDriverLibrary&) = delete;

  // A bare file name is looked for in "\Windows", as the target's loader does. FALSE (and a
  // log line) when the file is missing or does not load.
  BOOL Load(LPCWSTR dllValue);
  void Unload();
  bool IsLoaded() const { return m_hModule != nullptr; }
  void* GetProc(const char* name) const;
  // The loader's own handle: equal for two loads of one library.
  void* NativeHandle() const { return m_hModule; }
  // The host path that a registry "Dll" value stands for.
  static std::string HostPathOf(LPCWSTR dllValue);

 private:
  HMODULE m_hModule = nullptr;
};

}  // namespace wce
