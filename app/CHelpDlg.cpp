#include "CHelpDlg.h"

CHelpDlg::CHelpDlg() {
  SetClassName(WCEUI_CLASS_NAME(CHelpDlg));
}

CHelpDlg::~CHelpDlg() = default;

void CHelpDlg::OnInitDialog() {}

LRESULT CHelpDlg::OnMessage(UINT /*nMsg*/, WPARAM /*wParam*/, LPARAM /*lParam*/) {
  return 0;
}

void CHelpDlg::OnChildClick(CWceUiLayer* /*pChild*/) {}

void CHelpDlg::ShowPages() {}
