#include "app/CScreenStandIn.h"

#include "app/AppWindowMessages.h"
#include "engine/CorvaneEngine.h"

#include "platform/user/user.h"

void CScreenStandIn::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == CORVANE_WM_EXIT) {
    m_bExitRequested = true;
    return;
  }
  if (msg == CORVAN_WM_CONNECT_STEP) {
    // Steps of an attempt whose phone is gone change nothing.
    if (g_CorvaneAppFlags.m_bUsbIn) m_nProgress = lParam >= 100 ? 100 : static_cast<int>(lParam);
  } else if ((msg == WMMSG_CORVANE_USB_OUT && lParam != 1) ||
             (msg == CORVAN_WM_MSG && lParam == CORVAN_MSG_APP_MISSING)) {
    m_nProgress = 0;
  }
  m_Rules.OnMessage(msg, wParam, lParam, m_nProgress);
}

bool CScreenStandIn::OnTimer(UINT_PTR id) {
  return id <= 0xFFFFFFFFu && m_Rules.OnTimer(static_cast<UINT>(id));
}

void CScreenStandIn::ArmScreenTimer(UINT nId, UINT nElapse) {
  SetTimer(m_hWnd, nId, nElapse, nullptr);
}

void CScreenStandIn::KillScreenTimer(UINT nId) {
  KillTimer(m_hWnd, nId);
}
