#include "CPhoneDlg.h"

CPhoneDlg::CPhoneDlg() {
  SetClassName(WCEUI_CLASS_NAME(CPhoneDlg));
}

CPhoneDlg::~CPhoneDlg() = default;

void CPhoneDlg::OnInitDialog() {}

LRESULT CPhoneDlg::OnMessage(UINT /*nMsg*/, WPARAM /*wParam*/, LPARAM /*lParam*/) {
  return 0;
}

void CPhoneDlg::OnChildClick(CWceUiLayer* /*pChild*/) {}
