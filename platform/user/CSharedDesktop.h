// The shared desktop driver's state: this process's socket on the bus and the thread that turns
// the other programs' packets into posts to this process's windows. Files under <bus>:
//   messages        registered message names, one UTF-8 line each: line n is 0xC000 + n
//   windows/<pid>   a program's top-level windows: handle, shown, class and title, one per line
//   <pid>.sock      a program's datagram socket, bound once it has a top-level window
//   slots/<n>       the pid of the program in slot n (1..255), locked by it while it lives: the top
//                   byte of the program's window handles, so a handle names its program in 32 bits
//   slots/next      where the next program starts looking for a free slot
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

  // This program's slot, taken at the first call; 0 when every slot is taken (its windows are then
  // out of the others' reach).
  UINT Slot();
  // The process id of the program in a slot, as it wrote it; 0 when none did.
  DWORD ProcessOfSlot(UINT slot);
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
  // This process's bus now, on which it then holds its slot.
  std::string Bus();
  UINT TakeSlot(const std::string& bus);
  // Locks the slot for this process and writes its pid there; false when another program has it.
  bool HoldSlot(const std::string& bus, UINT slot);

  std::mutex m_Lock;
  int m_nSocket = -1;                   // guarded by m_Lock; the reader thread owns reading from it
  std::vector<std::u16string> m_Names;  // guarded by m_Lock: the messages file as last read
  std::once_flag m_SlotOnce;
  UINT m_nSlot = 0;  // written once, under m_SlotOnce
  std::mutex m_SlotLock;
  std::vector<std::string> m_SlotBuses;  // guarded by m_SlotLock: the buses where this process holds its slot
};

// What a packet asks of its receiver.
const UINT kBusPost = 1;
const UINT kBusBroadcast = 2;
const UINT kBusShow = 3;

const UINT kFirstSlot = 1;
const UINT kLastSlot = 255;
