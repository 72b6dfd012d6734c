#include "wceui/core/CRealWnd.h"

#include "wceui/resfiles/CFhGlobals.h"
#include "wceui/core/CXiWndHelper.h"
#include "wceui/base/WceUiLog.h"

CRealWnd::CRealWnd() {
  SetClassName(WCEUI_CLASS_NAME(CRealWnd));
}

CRealWnd::~CRealWnd() {
  if (m_hWnd != nullptr && ::IsWindow(m_hWnd)) {
    WceUiLogW(WCEUI_LOG_WARNING, u"warning: call destroy window in destruct");
    ::DestroyWindow(m_hWnd);
  }
}

BOOL CRealWnd::Create(DWORD dwStyle, LPCRECT lpRect, HWND hWndParent) {
  CXiWndHelper* pHelper = WceUiGetGlobals()->GetWndHelper();
  pHelper->RegisterClassOnce();
  RECT rc = {};
  if (lpRect != nullptr) rc = *lpRect;
  HWND hWnd = ::CreateWindowExW(0, pHelper->GetClassName(), u"", dwStyle, rc.left, rc.top, rc.right - rc.left,
                                rc.bottom - rc.top, hWndParent, nullptr,
                                WceUiGetGlobals()->GetGlobalData()->GetInstance(), this);
  if (hWnd == nullptr) {
    WceUiLogW(WCEUI_LOG_ERROR, u"CreateWindow failed, GetLastError is %d",
              static_cast<int>(::GetLastError()));
    return FALSE;
  }
  return TRUE;
}

LRESULT CRealWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      ::DefWindowProcW(m_hWnd, msg, wParam, lParam);
      return OnCreate(reinterpret_cast<LPCREATESTRUCT>(lParam));
    case WM_DESTROY: {
      ::DefWindowProcW(m_hWnd, msg, wParam, lParam);
      WceUiGetGlobals()->GetWndHelper()->Detach(m_hWnd);
      OnDestroy();
      m_hWnd = nullptr;
      return 0;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps = {};
      HDC hdc = ::BeginPaint(m_hWnd, &ps);
      OnPaint(hdc, ps.rcPaint);
      ::EndPaint(m_hWnd, &ps);
      return 0;
    }
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_ERASEBKGND:
      return OnEraseBkgnd(reinterpret_cast<HDC>(wParam));
    case WM_KEYDOWN:
      OnKeyDown(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_KEYUP:
      OnKeyUp(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_TIMER:
      OnTimer(static_cast<UINT_PTR>(wParam));
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove(static_cast<UINT>(wParam), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_LBUTTONDOWN:
      OnLButtonDown(static_cast<UINT>(wParam), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_LBUTTONUP:
      OnLButtonUp(static_cast<UINT>(wParam), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_LBUTTONDBLCLK:
      OnLButtonDblClk(static_cast<UINT>(wParam), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_CAPTURECHANGED:
      OnCaptureChanged(reinterpret_cast<HWND>(lParam));
      return 0;
    case kWceUiCancelCaptureMsg:
      OnCaptureChanged(nullptr);
      return 0;
    default:
      return DefWindowProc(msg, wParam, lParam);
  }
}

void CRealWnd::OnLButtonDown(UINT, int, int) {}
void CRealWnd::OnLButtonUp(UINT, int, int) {}
void CRealWnd::OnMouseMove(UINT, int, int) {}
void CRealWnd::OnLButtonDblClk(UINT, int, int) {}
void CRealWnd::OnKeyDown(UINT, UINT, UINT) {}
void CRealWnd::OnKeyUp(UINT, UINT, UINT) {}
void CRealWnd::OnCaptureChanged(HWND) {}

BOOL CRealWnd::OnEraseBkgnd(HDC) {
  return TRUE;
}

void CRealWnd::OnPaint(HDC, const RECT&) {}
void CRealWnd::OnTimer(UINT_PTR) {}

void CRealWnd::OnClose() {
  ::DefWindowProcW(m_hWnd, WM_CLOSE, 0, 0);
}

void CRealWnd::OnDestroy() {}

int CRealWnd::OnCreate(LPCREATESTRUCT) {
  return 0;
}

LRESULT CRealWnd::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(m_hWnd, msg, wParam, lParam);
}
