// The device's file system as seen on the host: the directory standing for the root, the
// program's own CE path and the stream-device hooks of the device manager.
#pragma once

#include "platform/kernel/filesys.h"
#include "platform/kernel/KernelHooks.h"

#include <mutex>
#include <string>

class CFileSystemView {
 public:
  static CFileSystemView& GetInstance();

  void SetRootDir(const std::string& hostDir);
  std::string GetRootDir();
  std::string HostPath(const std::u16string& cePath);
  void SetModuleFileName(const std::u16string& cePath);
  std::u16string GetModuleFileName();
  void SetHooks(const wce::StreamDeviceHooks& hooks);
  wce::StreamDeviceHooks GetHooks();
  void Reset();

  // The Windows error for a host errno.
  static DWORD ErrorFromErrno(int err);

 private:
  CFileSystemView();

  std::mutex m_Lock;
  std::string m_strRoot;  // empty: not chosen yet (environment or default on first use)
  std::u16string m_strModuleFileName;
  wce::StreamDeviceHooks m_Hooks;
};
