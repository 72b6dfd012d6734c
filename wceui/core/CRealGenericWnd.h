// A window handle with assertion-guarded wrappers of the window calls: each checks that the window
// exists, logs when it does not, and makes the call all the same, so the caller sees USER's own
// failure result.
#pragma once

#include "platform/kernel/wcetypes.h"
#include "platform/user/user.h"
#include "wceui/base/CWceUiObject.h"

class CRealGenericWnd : public CWceUiObject {
 public:
  CRealGenericWnd();
  ~CRealGenericWnd() override;
  CRealGenericWnd(const CRealGenericWnd&) = delete;
  CRealGenericWnd& operator=(const CRealGenericWnd&) = delete;

  HWND GetSafeHwnd() const { return m_hWnd; }

  BOOL UpdateWindow();
  BOOL PostMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  BOOL MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint);
  BOOL MoveWindow(LPCRECT lpRect, BOOL bRepaint);
  BOOL SetWindowPos(HWND hWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
  // Nothing is invalidated while invalidation is off (the layer tree turns it off while it draws).
  BOOL InvalidateRect(LPCRECT lpRect, BOOL bErase);
  UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer);
  BOOL KillTimer(UINT_PTR nIDEvent);
  BOOL GetClientRect(LPRECT lpRect);
  BOOL ShowWindow(int nCmdShow);
  BOOL SetWindowText(LPCWSTR lpszNew);

  void EnableInvalidate(BOOL bEnable) { m_bInvalidateEnabled = bEnable; }
  BOOL IsInvalidateEnabled() const { return m_bInvalidateEnabled; }

 protected:
  // NULL until the window exists and again from its WM_DESTROY on.
  HWND m_hWnd = nullptr;

 private:
  friend class CXiWndHelper;

  BOOL m_bInvalidateEnabled = 1;
};

WCEUI_DYNAMIC_BEGIN(CRealGenericWnd, CWceUiObject)
WCEUI_DYNAMIC_END(CRealGenericWnd)

// Sets the window's text only when it differs from what the window shows: texts of up to 255
// characters are compared, a longer one is always set. TRUE when the window shows the text
// afterwards; otherwise USER's failure.
BOOL WceUiSetWindowText(HWND hWndCtrl, LPCWSTR lpszNew);
