// One window. What never changes after creation is const and read without a lock; the procedure
// and the user data are words of their own, so that dispatching a message copies nothing and takes
// no lock beyond the handle lookup; everything else is guarded by CWindowManager's table lock.
#pragma once

#include "platform/user/CMessageQueue.h"
#include "platform/user/user.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

class CWindow {
 public:
  CWindow(HWND hwnd, const std::u16string& className, const std::shared_ptr<CMessageQueue>& owner,
          WNDPROC proc)
      : m_hWnd(hwnd), m_strClassName(className), m_pOwner(owner), m_pfnProc(proc) {}

  int Width() const { return m_rcRect.right - m_rcRect.left; }
  int Height() const { return m_rcRect.bottom - m_rcRect.top; }
  bool IsShown() const { return (m_dwStyle & WS_VISIBLE) != 0; }
  bool IsChild() const { return (m_dwStyle & WS_CHILD) != 0; }
  bool IsTopmost() const { return (m_dwExStyle & WS_EX_TOPMOST) != 0; }

  const HWND m_hWnd;
  const std::u16string m_strClassName;
  const std::shared_ptr<CMessageQueue> m_pOwner;
  std::atomic<WNDPROC> m_pfnProc;
  std::atomic<LONG_PTR> m_nUserData{0};

  // ---- the table lock
  std::u16string m_strTitle;
  DWORD m_dwStyle = 0;  // WS_VISIBLE: shown; WS_DISABLED: disabled
  DWORD m_dwExStyle = 0;
  RECT m_rcRect = {0, 0, 0, 0};  // relative to the parent's client area (the screen for top-level)
  HWND m_hParent = nullptr;      // only for WS_CHILD windows
  HWND m_hOwner = nullptr;       // a top-level window created with a parent: the parent's top-level window
  std::vector<HWND> m_Children;  // z-order, top first
  bool m_bDestroying = false;
  bool m_bHasUpdate = false;
  RECT m_rcUpdate = {0, 0, 0, 0};  // client coordinates, inside the client area
  bool m_bErase = false;
};
