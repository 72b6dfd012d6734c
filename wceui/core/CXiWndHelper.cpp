#include "wceui/core/CXiWndHelper.h"

#include "platform/gdi/gdi.h"
#include "platform/kernel/wcestr.h"
#include "wceui/resfiles/CFhGlobals.h"
#include "wceui/core/CRealWnd.h"
#include "wceui/base/WceUiLog.h"

namespace {

const WCHAR kDefaultClassName[] = u"WceUiWnd";

}  // namespace

CXiWndHelper::CXiWndHelper() : m_pClassName(m_szClassName) {
  wcscpy(m_szClassName, kDefaultClassName);
}

void CXiWndHelper::Reset() {
  m_bRegistered = 0;
  wcscpy(m_szClassName, kDefaultClassName);
  m_WndMap.RemoveAll();
}

LPCWSTR CXiWndHelper::SetClassName(LPCWSTR pName) {
  WCEUI_CHECK(NULL != pName);
  if (pName == nullptr) return m_pClassName;
  if (wcslen(pName) >= static_cast<size_t>(kClassNameChars)) {
    WceUiLogW(WCEUI_LOG_WARNING, u"%s::WceUiSetWndClassName, the class name is cut to %d characters",
              WCEUI_LOG_TAGW, kClassNameChars - 1);
  }
  wcsncpy(m_szClassName, pName, kClassNameChars - 1);
  m_szClassName[kClassNameChars - 1] = 0;
  return m_pClassName;
}

void CXiWndHelper::RegisterClassOnce() {
  if (m_bRegistered) return;
  // The instance comes from the global data record that WceUiInit fills.
  HINSTANCE hInstance = WceUiGetGlobals()->GetGlobalData()->GetInstance();
  if (hInstance == nullptr) {
    WceUiLogW(WCEUI_LOG_ERROR,
              u"CXiWndHelper::RegisterClassOnce, WceUiGetInstanceHandle() return NULL, call WceUiInit first");
  }
  WNDCLASSW wc = {};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = &CXiWndHelper::WndProc;
  wc.hInstance = hInstance;
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = m_pClassName;
  RegisterClassW(&wc);
  m_bRegistered = 1;
}

CRealWnd* CXiWndHelper::FromHandle(HWND hWnd) const {
  void* pValue = nullptr;
  return m_WndMap.Lookup(hWnd, pValue) ? static_cast<CRealWnd*>(pValue) : nullptr;
}

BOOL CXiWndHelper::Attach(HWND hWnd, CRealWnd* pWnd) {
  return m_WndMap.SetAt(hWnd, pWnd);
}

void CXiWndHelper::Detach(HWND hWnd) {
  m_WndMap.RemoveKey(hWnd);
}

LRESULT CXiWndHelper::WndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  CXiWndHelper* pHelper = WceUiGetGlobals()->GetWndHelper();
  if (msg == WM_CREATE) {
    const CREATESTRUCTW* pCreate = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    CRealWnd* pWnd = pCreate != nullptr ? static_cast<CRealWnd*>(pCreate->lpCreateParams) : nullptr;
    if (pWnd != nullptr) {
      pWnd->m_hWnd = hWnd;
      pHelper->Attach(hWnd, pWnd);
      return pWnd->WindowProc(msg, wParam, lParam);
    }
  }
  // Messages before WM_CREATE and after WM_DESTROY find no object.
  CRealWnd* pWnd = pHelper->FromHandle(hWnd);
  if (pWnd == nullptr) return DefWindowProcW(hWnd, msg, wParam, lParam);
  return pWnd->WindowProc(msg, wParam, lParam);
}

LPCWSTR WceUiSetWndClassName(LPCWSTR pName) {
  return WceUiGetGlobals()->GetWndHelper()->SetClassName(pName);
}
