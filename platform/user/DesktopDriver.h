// The table of functions that stands between this process's window table and registered-message
// table and the head unit's other programs. The local driver (the default) knows this process
// only; the shared one meets the other programs on the bus under the root directory
// (wce::GetBusDir): one message-number file, one window list per program and one datagram socket
// per program for the posts.
//
// Messages cross as four numbers (window, message, wParam, lParam). A pointer would point into the
// sender's memory, so only messages whose parameters are values cross: every message from WM_USER
// on (registered ones included, whose meaning the programs agree on), and the system messages that
// carry values (CrossesPrograms); a post of any other to another program's window fails.
#pragma once

#include "platform/user/user.h"

#include <string>
#include <vector>

// A top-level window as the other programs see it.
struct PublishedWindow {
  HWND m_hWnd;
  bool m_bVisible;
  std::u16string m_strClassName;
  std::u16string m_strTitle;
};

struct DesktopDriver {
  const char* m_pName;
  // The first handle of this process's windows: programs on one bus never share a handle value.
  uintptr_t (*m_pfnFirstHandle)();
  // Whether the window belongs to this process.
  bool (*m_pfnIsLocal)(HWND hwnd);
  // The number of a registered message (0xC000..0xFFFF), the same in every program for the same
  // name (ASCII case ignored); 0 when the range is used up.
  UINT (*m_pfnRegisterMessage)(LPCWSTR name);
  std::u16string (*m_pfnMessageName)(UINT msg);
  // This process's top-level windows now; nullptr when nobody else looks.
  void (*m_pfnPublish)(const std::vector<PublishedWindow>& windows);
  // Another program's top-level window; false when none matches (nullptr: any class or title).
  bool (*m_pfnFindOther)(LPCWSTR className, LPCWSTR title, HWND only, PublishedWindow* found);
  // Every other program's top-level windows, program by program in the order of their process
  // ids, each program's in the order it published them.
  std::vector<PublishedWindow> (*m_pfnListOthers)();
  // To another program's window: false when no program has it.
  bool (*m_pfnPostOther)(HWND hwnd, const MSG& msg);
  bool (*m_pfnShowOther)(HWND hwnd, int cmdShow);
  // To the top-level windows of every other program.
  void (*m_pfnBroadcastOther)(const MSG& msg);
};

const DesktopDriver* LocalDesktopDriver();
const DesktopDriver* SharedDesktopDriver();
// The driver in use: the shared one when the bus is shared (fixed at first use).
const DesktopDriver& Desktop();
// Whether a message's parameters are values, so that it may cross to another program.
bool CrossesPrograms(UINT msg);
// The owner's process of a window handle made by the shared driver.
DWORD ProcessOfHandle(HWND hwnd);
