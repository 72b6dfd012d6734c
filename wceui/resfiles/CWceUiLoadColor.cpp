#include "wceui/resfiles/CWceUiLoadColor.h"

#include "platform/kernel/wcestr.h"
#include "wceui/base/WceUiLog.h"
#include "wceui/resfiles/WceUiResource.h"

CWceUiLoadColor::CWceUiLoadColor() : m_pColor(&m_OwnColor) {}

CWceUiLoadColor::~CWceUiLoadColor() {
  Clean();
}

CWceUiLoadColor::CWceUiLoadColor(const CWceUiLoadColor& rhs) : m_pColor(&m_OwnColor) {
  DoCopy(rhs);
}

CWceUiLoadColor& CWceUiLoadColor::operator=(const CWceUiLoadColor& rhs) {
  if (this == &rhs) return *this;
  Clean();
  DoCopy(rhs);
  return *this;
}

void CWceUiLoadColor::SetColor(COLORREF crColor) {
  Clean();
  m_OwnColor.SetColor(crColor);
}

void CWceUiLoadColor::SetColorFromRes(LPCWSTR pColorID) {
  WCEUI_CHECK(NULL != pColorID);
  if (pColorID == nullptr) return;
  WCEUI_CHECK(*pColorID);
  if (*pColorID == 0) return;
  if (m_nKind == kWceUiResById && _wcsicmp(m_strColorResID, pColorID) == 0) return;
  Clean();
  m_strColorResID.SetString(pColorID);
  m_nKind = kWceUiResById;
  m_pColor = nullptr;
}

COLORREF CWceUiLoadColor::GetColor() {
  if (m_nKind == kWceUiResById) {
    if (m_pColor == nullptr) {
      m_pColor = WceUiGetColor(m_strColorResID);
      if (m_pColor == nullptr) {
        WceUiLogW(WCEUI_LOG_ERROR, u"load color id %s failed, use black", m_strColorResID.GetString());
      }
    }
    if (m_pColor != nullptr) return m_pColor->GetColor();
  } else if (m_nKind == kWceUiResOwn) {
    return m_OwnColor.GetColor();
  } else {
    WCEUI_CHECK(FALSE);
  }
  m_OwnColor.SetColor(0);
  return 0;
}

void CWceUiLoadColor::Clean() {
  if (m_nKind == kWceUiResById) WceUiReleaseColor(m_pColor);
  m_OwnColor.SetColor(0);
  m_pColor = &m_OwnColor;
  m_nKind = kWceUiResOwn;
}

void CWceUiLoadColor::DoCopy(const CWceUiLoadColor& rhs) {
  WCEUI_CHECK(this != &rhs);
  if (this == &rhs) return;
  if (rhs.m_nKind == kWceUiResById) {
    SetColorFromRes(rhs.m_strColorResID);
  } else {
    SetColor(rhs.m_OwnColor.GetColor());
  }
}
