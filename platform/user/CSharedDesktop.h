// The shared desktop driver's state: this process's socket on the bus and the thread that turns
// the other programs' packets into posts to this process's windows. Files under <bus>:
//   messages        registered message names, one UTF-8 line each: line n is 0xC000 + n
//   windows/<pid>   a program's top-level windows: handle, shown, class and title, one per line
//   <pid>.sock      a program's datagram socket, bound once it has a top-level window
// A program that ended leaves its files behind; the first sender that finds its socket dead
// removes them.
#pragma once

#include "platform/user/DesktopDriver.h"

#include <mutex>
#include <string>
#include <vector>

class CSharedDesktop {
 public:
  static CSharedDesktop& GetInstance();

  UINT Register(LPCWSTR name);
  std::u16string Name(UINT msg);
  void Publish(const std::vector<PublishedWindow>& windows);
  bool FindOther(LPCWSTR className, LPCWSTR title, HWND only, PublishedWindow* found);
  // The other programs' windows (only: of that program alone; 0: of every one).
  std::vector<PublishedWindow> ListOther(DWORD only);
  // kind: one of the packet kinds; false when the owner is gone or cannot be reached.
  bool SendTo(DWORD pid, UINT kind, const MSG& msg);
  void BroadcastOther(const MSG& msg);

 private:
  CSharedDesktop() = default;
  // Binds this process's socket and starts its reader, once.
  bool OpenLocked();
  void ReadPackets(int fd);
  void Forget(DWORD pid);

  std::mutex m_Lock;
  int m_nSocket = -1;                   // guarded by m_Lock; the reader thread owns reading from it
  std::vector<std::u16string> m_Names;  // guarded by m_Lock: the messages file as last read
};

// What a packet asks of its receiver.
const UINT kBusPost = 1;
const UINT kBusBroadcast = 2;
const UINT kBusShow = 3;
