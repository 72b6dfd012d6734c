// A root view for the driver's tests: a fresh directory with the built driver in "\Windows" and
// the registry keys that point the device manager and the USB host stack at it.
#pragma once

#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/registry/registry.h"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace kavlinktest {

inline const char16_t kDriverCePath[] = u"\\Windows\\kavlink.dll";
inline const char16_t kClientKey[] = u"Drivers\\USB\\ClientDrivers\\ADB_Class";
inline const char16_t kLoadClientKey[] = u"Drivers\\USB\\LoadClients\\Default\\Default\\255_66_1\\ADB_Class";

// One root per test process; the driver library keeps its path for the whole process.
inline std::string MakeRoot() {
  static std::string root;
  if (root.empty()) {
    std::string tmpl = std::filesystem::temp_directory_path().string() + "/kavlinktest-XXXXXX";
    if (!mkdtemp(tmpl.data())) return "";
    root = tmpl;
    std::filesystem::create_directories(root + "/Windows");
    std::filesystem::copy_file(KAVLINK_PATH, root + "/Windows/kavlink.dll",
                               std::filesystem::copy_options::overwrite_existing);
    wce::SetRootDir(root);
  }
  return root;
}

inline bool SetString(const char16_t* keyPath, const char16_t* name, const char16_t* text) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return false;
  const DWORD cb = static_cast<DWORD>((std::char_traits<char16_t>::length(text) + 1) * 2);
  const bool ok =
      RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), cb) == ERROR_SUCCESS;
  RegCloseKey(key);
  return ok;
}

// The keys the phone link's installation writes, reduced to what the loaders read.
inline bool InstallDriverKeys() {
  return SetString(kClientKey, u"Prefix", u"ADB") && SetString(kClientKey, u"Dll", kDriverCePath) &&
         SetString(kLoadClientKey, u"Dll", kDriverCePath);
}

}  // namespace kavlinktest
