#include "wceui/resfiles/CWceUiLoadString.h"

#include "platform/kernel/wcestr.h"
#include "wceui/resfiles/CFhGlobals.h"
#include "wceui/base/WceUiLog.h"
#include "wceui/resfiles/CFhLanguage.h"

namespace {

CFhLanguage* Language() {
  return WceUiGetGlobals()->GetLanguage();
}

}  // namespace

CWceUiLoadString::CWceUiLoadString() {
  if (Language() != nullptr) Language()->AddLoadStringItem(this);
}

CWceUiLoadString::~CWceUiLoadString() {
  if (Language() != nullptr) Language()->DelLoadStringItem(this);
}

CWceUiLoadString::CWceUiLoadString(const CWceUiLoadString& rhs) : CWceUiLoadString() {
  m_strTextResID = rhs.m_strTextResID;
}

CWceUiLoadString& CWceUiLoadString::operator=(const CWceUiLoadString& rhs) {
  if (this != &rhs) SetTextResID(rhs.m_strTextResID);
  return *this;
}

void CWceUiLoadString::SetTextResID(LPCWSTR pTextResID) {
  WCEUI_CHECK(NULL != pTextResID);
  if (pTextResID == nullptr || wcscmp(pTextResID, m_strTextResID) == 0) return;
  m_strTextResID.SetString(pTextResID);
  m_bNeedReload = 1;
}

LPCWSTR CWceUiLoadString::GetString() {
  if (m_strTextResID.IsEmpty()) return u"";
  if (m_bNeedReload) {
    LPCWSTR pText = Language() != nullptr ? Language()->GetString(m_strTextResID) : nullptr;
    if (pText == nullptr) {
      WceUiLogW(WCEUI_LOG_ERROR, u"LoadString %s failed", m_strTextResID.GetString());
      pText = u"";
    }
    m_strText.SetString(pText);
    m_bNeedReload = 0;
  }
  return m_strText;
}
