#include "CMainDlg.h"

CMainDlg::CMainDlg() {
  SetClassName(WCEUI_CLASS_NAME(CMainDlg));
}

CMainDlg::~CMainDlg() = default;

void CMainDlg::OnInitDialog() {}

void CMainDlg::OnTimer(WORD /*nTimerId*/) {}

LRESULT CMainDlg::OnMessage(UINT /*nMsg*/, WPARAM /*wParam*/, LPARAM /*lParam*/) {
  return 0;
}

void CMainDlg::OnChildClick(CWceUiLayer* /*pChild*/) {}

void CMainDlg::UpdateState() {}

void CMainDlg::UpdateLinkingText() {}

void CMainDlg::UpdateVersionLabel() {}
