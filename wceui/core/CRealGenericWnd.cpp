#include "wceui/core/CRealGenericWnd.h"

#include "platform/kernel/wcestr.h"
#include "wceui/base/WceUiLog.h"

CRealGenericWnd::CRealGenericWnd() {
  SetClassName(WCEUI_CLASS_NAME(CRealGenericWnd));
}

CRealGenericWnd::~CRealGenericWnd() = default;

BOOL CRealGenericWnd::UpdateWindow() {
  WCEUI_CHECK(::IsWindow(m_hWnd));
  return ::UpdateWindow(m_hWnd);
}

BOOL CRealGenericWnd::PostMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  WCEUI_CHECK(::IsWindow(m_hWnd));
  return ::PostMessageW(m_hWnd, msg, wParam, lParam);
}

BOOL CRealGenericWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint) {
  WCEUI_CHECK(::IsWindow(m_hWnd));
  return ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
}

BOOL CRealGenericWnd::MoveWindow(LPCRECT lpRect, BOOL bRepaint) {
  WCEUI_CHECK(::IsWindow(m_hWnd));
  WCEUI_CHECK(NULL != lpRect);
  if (lpRect == nullptr) return FALSE;
  return ::MoveWindow(m_hWnd, lpRect->left, lpRect->top, lpRect->right - lpRect->left,
                      lpRect->bottom - lpRect->top, bRepaint);
}

BOOL CRealGenericWnd::SetWindowPos(HWND hWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags) {
  WCEUI_CHECK(::IsWindow(m_hWnd));
  return ::SetWindowPos(m_hWnd, hWndInsertAfter, x, y, cx, cy, nFlags);
}

BOOL CRealGenericWnd::InvalidateRect(LPCRECT lpRect, BOOL bErase) {
  WCEUI_CHECK(::IsWindow(m_hWnd));
  if (!m_bInvalidateEnabled) return FALSE;
  return ::InvalidateRect(m_hWnd, lpRect, bErase);
}

UINT_PTR CRealGenericWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer) {
  WCEUI_CHECK(::IsWindow(m_hWnd));
  return ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer);
}

BOOL CRealGenericWnd::KillTimer(UINT_PTR nIDEvent) {
  WCEUI_CHECK(::IsWindow(m_hWnd));
  return ::KillTimer(m_hWnd, nIDEvent);
}

BOOL CRealGenericWnd::GetClientRect(LPRECT lpRect) {
  WCEUI_CHECK(::IsWindow(m_hWnd));
  WCEUI_CHECK(NULL != lpRect);
  return ::GetClientRect(m_hWnd, lpRect);
}

BOOL CRealGenericWnd::ShowWindow(int nCmdShow) {
  WCEUI_CHECK(::IsWindow(m_hWnd));
  return ::ShowWindow(m_hWnd, nCmdShow);
}

BOOL CRealGenericWnd::SetWindowText(LPCWSTR lpszNew) {
  WCEUI_CHECK(::IsWindow(m_hWnd));
  return WceUiSetWindowText(m_hWnd, lpszNew);
}

BOOL WceUiSetWindowText(HWND hWndCtrl, LPCWSTR lpszNew) {
  WCEUI_CHECK(NULL != hWndCtrl);
  WCEUI_CHECK(NULL != lpszNew);
  if (lpszNew == nullptr) return FALSE;
  // 255 characters and the terminator: a longer text never compares equal and is always set.
  constexpr int kCompareChars = 256;
  WCHAR szOld[kCompareChars];
  szOld[0] = 0;
  const int nNewLen = static_cast<int>(wcslen(lpszNew));
  // A window that is gone shows no text at all, not an empty one: the text goes to USER, which
  // answers with its own failure.
  if (nNewLen < kCompareChars && ::IsWindow(hWndCtrl) &&
      ::GetWindowTextW(hWndCtrl, szOld, kCompareChars) == nNewLen && wcscmp(szOld, lpszNew) == 0) {
    return TRUE;
  }
  return ::SetWindowTextW(hWndCtrl, lpszNew);
}
