// The input filter: after a screen change, pointer messages that were queued for a window before
// the change are dropped instead of reaching the new screen.
#pragma once

#include "platform/kernel/wcetypes.h"
#include "platform/user/user.h"

class CFhIgnoreMsg {
 public:
  static constexpr int kMaxIgnoreMsgs = 64;
  static constexpr int kMaxHwndTimes = 128;

  // Holds WM_LBUTTONDOWN, WM_MOUSEMOVE and WM_LBUTTONUP.
  CFhIgnoreMsg();

  BOOL AddIgnoreMsg(UINT nMsg);
  // Messages of the window stamped at or before dwTime are dropped.
  BOOL AddHwndTime(HWND hWnd, DWORD dwTime);
  // As AddHwndTime; a time of 0 means now.
  BOOL AddHwnd(HWND hWnd, DWORD dwTime);
  void RemoveHwnd(HWND hWnd);
  // 1: drop the message.
  BOOL IsIgnore(const MSG* pMsg);

  int GetIgnoreMsgCount() const { return m_nMsgCount; }
  int GetHwndTimeCount() const { return m_nHwndTimeCount; }

 private:
  struct HwndTime {
    HWND m_hWnd;
    DWORD m_dwTime;
  };

  UINT m_aMsgs[kMaxIgnoreMsgs];
  int m_nMsgCount;
  HwndTime m_aHwndTimes[kMaxHwndTimes];
  int m_nHwndTimeCount;
};
