#include "wceui/styles/CWceUiBgColorCtrl.h"

#include "wceui/base/WceUiLog.h"

CWceUiBgColorCtrl::CWceUiBgColorCtrl(const CWceUiBgColorCtrl& rhs) {
  DoCopy(rhs);
}

CWceUiBgColorCtrl& CWceUiBgColorCtrl::operator=(const CWceUiBgColorCtrl& rhs) {
  if (this != &rhs) DoCopy(rhs);
  return *this;
}

void CWceUiBgColorCtrl::SetColor(COLORREF crColor) {
  m_bHasColor = 1;
  m_bTransparent = 0;
  m_Color.SetColor(crColor);
}

void CWceUiBgColorCtrl::SetColor(LPCWSTR pColorID) {
  WCEUI_CHECK(NULL != pColorID);
  if (pColorID == nullptr) return;
  WCEUI_CHECK(*pColorID);
  if (*pColorID == 0) return;
  m_bHasColor = 1;
  m_bTransparent = 0;
  m_Color.SetColorFromRes(pColorID);
}

void CWceUiBgColorCtrl::SetTransparent(BOOL bTransparent) {
  m_bHasColor = 1;
  m_bTransparent = bTransparent;
}

COLORREF CWceUiBgColorCtrl::GetColor() {
  if (!m_bHasColor) {
    WceUiLogW(WCEUI_LOG_ERROR, u"CWceUiBgColorCtrl::GetColor is useless when IsHasBgColor return FALSE");
  } else if (m_bTransparent) {
    WceUiLogW(WCEUI_LOG_ERROR, u"CWceUiBgColorCtrl::GetColor is useless when IsTransparent return TRUE");
  }
  return m_Color.GetColor();
}

void CWceUiBgColorCtrl::DoCopy(const CWceUiBgColorCtrl& rhs) {
  WCEUI_CHECK(this != &rhs);
  if (this == &rhs) return;
  m_bHasColor = rhs.m_bHasColor;
  m_bTransparent = rhs.m_bTransparent;
  m_Color = rhs.m_Color;
}
