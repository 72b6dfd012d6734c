#include "app/CPhoneDlg.h"

#include "app/AppWindowMessages.h"
#include "engine/CorvaneEngine.h"

#include "platform/kernel/kernel.h"

CClickGuard CPhoneDlg::s_clickGuard;

CPhoneDlg::CPhoneDlg() {
  SetClassName(WCEUI_CLASS_NAME(CPhoneDlg));
}

CPhoneDlg::~CPhoneDlg() = default;

void CPhoneDlg::OnInitDialog() {
  RegisterMsg(CORVAN_WM_CONNECT_STEP);
  RegisterMsg(WMMSG_CORVANE_USB_OUT);
  RegisterMsg(CORVANE_WM_EXIT);
  RegisterMsg(NMSG_CORVANE_VIDEO_DLG_HIDE);
}

LRESULT CPhoneDlg::OnMessage(UINT nMsg, WPARAM /*wParam*/, LPARAM /*lParam*/) {
  if (nMsg == NMSG_CORVANE_VIDEO_DLG_HIDE || nMsg == CORVANE_WM_EXIT) EndDialog(0);
  return 0;
}

void CPhoneDlg::OnChildClick(CWceUiLayer* pChild) {
  if (pChild == nullptr || !s_clickGuard.Accept(GetTickCount())) return;
  if (pChild->IsEqualName(u"btnclose")) EndDialog(0);
}
