#include "CScreenStandIn.h"

#include "AppWindowMessages.h"

#include "user/user.h"

void CScreenStandIn::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == CORVANE_WM_EXIT) {
    m_bExitRequested = true;
    return;
  }
  m_rules.OnMessage(msg, wParam, lParam);
}

bool CScreenStandIn::OnTimer(UINT_PTR id) {
  return id <= 0xFFFFFFFFu && m_rules.OnTimer(static_cast<UINT>(id));
}

void CScreenStandIn::ArmScreenTimer(UINT nId, UINT nElapse) {
  SetTimer(m_hWnd, nId, nElapse, nullptr);
}

void CScreenStandIn::KillScreenTimer(UINT nId) {
  KillTimer(m_hWnd, nId);
}
