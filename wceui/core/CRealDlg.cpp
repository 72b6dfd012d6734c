#include "wceui/core/CRealDlg.h"

#include "wceui/resfiles/CFhGlobals.h"
#include "wceui/base/WceUiLog.h"

namespace {

// Hide only: the window keeps its place, size and z-order, and activation does not move.
constexpr UINT kHideFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_HIDEWINDOW | SWP_NOACTIVATE;

}  // namespace

void WceUiRunModalLoop(const BOOL* pbEnd) {
  CFhIgnoreMsg* pFilter = WceUiGetGlobals()->GetIgnoreMsg();
  MSG msg = {};
  while (!*pbEnd) {
    const BOOL bGot = ::GetMessageW(&msg, nullptr, 0, 0);
    if (bGot == 0 || bGot == -1) break;
    if (pFilter->IsIgnore(&msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

CRealDlg::CRealDlg() {
  SetClassName(WCEUI_CLASS_NAME(CRealDlg));
}

CRealDlg::~CRealDlg() = default;

int CRealDlg::DoModal(DWORD dwStyle, LPCRECT lpRect, HWND hWndParent) {
  if (WceUiGetGlobals()->GetGlobalData()->GetInstance() == nullptr) {
    WceUiLogW(WCEUI_LOG_ERROR, u"%s::DoModal, WceUiGetInstanceHandle() return NULL, call WceUiInit first",
              WCEUI_LOG_TAGW);
  }
  m_bEnd = 0;
  BOOL bParentDisabled = FALSE;
  if (hWndParent != nullptr && ::IsWindowEnabled(hWndParent)) {
    ::EnableWindow(hWndParent, FALSE);
    bParentDisabled = TRUE;
  }
  if (!Create(dwStyle, lpRect, hWndParent)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"call CRealWnd::Create failed, GetLastError is %d",
              static_cast<int>(::GetLastError()));
    // Without a window no message would ever end the loop: the run ends here.
    if (bParentDisabled) ::EnableWindow(hWndParent, TRUE);
    return m_nResult;
  }
  m_DlgRunWay = DLG_RUN_IN_MODAL;
  OnInitDialog();
  WceUiRunModalLoop(&m_bEnd);
  if (m_hWnd != nullptr && ::IsWindow(m_hWnd)) ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, kHideFlags);
  if (bParentDisabled) ::EnableWindow(hWndParent, TRUE);
  if (hWndParent != nullptr && m_hWnd != nullptr && ::GetActiveWindow() == m_hWnd) {
    ::SetActiveWindow(hWndParent);
  }
  // The object outlives its window; m_hWnd goes back to NULL through WM_DESTROY.
  if (m_hWnd != nullptr) ::DestroyWindow(m_hWnd);
  return m_nResult;
}

void CRealDlg::OnInitDialog() {}

BOOL CRealDlg::EndDialog(int nResult) {
  WCEUI_CHECK(DLG_RUN_IN_MODAL == m_DlgRunWay);
  WCEUI_CHECK(::IsWindow(m_hWnd));
  if (m_DlgRunWay != DLG_RUN_IN_MODAL || !::IsWindow(m_hWnd)) return FALSE;
  m_bEnd = 1;
  m_nResult = nResult;
  // Wakes GetMessageW so that the loop sees the end flag.
  ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
  m_DlgRunWay = DLG_RUN_NONE;
  return TRUE;
}
