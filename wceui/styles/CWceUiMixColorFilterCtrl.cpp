#include "wceui/styles/CWceUiMixColorFilterCtrl.h"

#include "wceui/base/WceUiLog.h"

namespace {

constexpr COLORREF kNoMixColor = 0xFFFFFFFF;

}  // namespace

void CWceUiMixColorFilterCtrl::SetFilter(BOOL bEnabled, COLORREF crMix, int nOpacity) {
  m_bEnabled = bEnabled;
  m_Color.SetColor(bEnabled ? crMix : kNoMixColor);
  m_nOpacity = bEnabled ? nOpacity : -1;
}

void CWceUiMixColorFilterCtrl::SetFilterFromRes(BOOL bEnabled, LPCWSTR pMixColor, int nOpacity) {
  WCEUI_CHECK(NULL != pMixColor);
  if (pMixColor == nullptr) return;
  m_bEnabled = bEnabled;
  m_Color.SetColorFromRes(pMixColor);
  m_nOpacity = bEnabled ? nOpacity : -1;
}

BOOL CWceUiMixColorFilterCtrl::GetFilter(COLORREF* pMix, int* pOpacity) {
  if (!m_bEnabled) return FALSE;
  if (pMix != nullptr) *pMix = m_Color.GetColor();
  if (pOpacity != nullptr) *pOpacity = m_nOpacity;
  return TRUE;
}
