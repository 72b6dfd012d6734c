#include "wceui/styles/CWceUiAlphaFilterCtrl.h"

void CWceUiAlphaFilterCtrl::SetFilter(BOOL bEnabled, int nOpacity) {
  m_bEnabled = bEnabled;
  m_nOpacity = bEnabled ? nOpacity : -1;
}

BOOL CWceUiAlphaFilterCtrl::GetFilter(int* pOpacity) const {
  if (m_bEnabled && pOpacity != nullptr) *pOpacity = m_nOpacity;
  return m_bEnabled;
}
