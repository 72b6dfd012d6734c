#include "wceui/resfiles/CFhLanguage.h"

#include "wceui/base/FhPath.h"
#include "wceui/base/WceUiLog.h"
#include "wceui/resfiles/CWceUiLoadString.h"

#include <algorithm>

BOOL CFhLanguage::SetLanguage(LPCWSTR pLangeFilePath, BOOL bEscape) {
  WCEUI_CHECK(NULL != pLangeFilePath);
  if (pLangeFilePath == nullptr) return FALSE;
  WCHAR szPath[MAX_PATH];
  m_LangFile.Clean();
  if (!FhGetAbsolutePath(szPath, MAX_PATH, pLangeFilePath, nullptr)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"%s::SetLanguage, path (%s) is too long", WCEUI_LOG_TAGW, pLangeFilePath);
    return FALSE;
  }
  if (!m_LangFile.LoadFile(szPath, bEscape)) return FALSE;
  for (CWceUiLoadString* pItem : m_LoadStringItems) pItem->SetNeedReload();
  m_strFilePath.SetString(pLangeFilePath);
  return TRUE;
}

LPCWSTR CFhLanguage::GetString(LPCWSTR pTextID) const {
  if (!m_LangFile.IsLoaded() || pTextID == nullptr) return nullptr;
  return m_LangFile.GetString(pTextID);
}

void CFhLanguage::AddLoadStringItem(CWceUiLoadString* pLoadStringItem) {
  WCEUI_CHECK(NULL != pLoadStringItem);
  if (pLoadStringItem != nullptr) m_LoadStringItems.push_back(pLoadStringItem);
}

void CFhLanguage::DelLoadStringItem(CWceUiLoadString* pLoadStringItem) {
  WCEUI_CHECK(NULL != pLoadStringItem);
  auto it = std::find(m_LoadStringItems.begin(), m_LoadStringItems.end(), pLoadStringItem);
  if (it != m_LoadStringItems.end()) m_LoadStringItems.erase(it);
}

void CFhLanguage::Reset() {
  m_LangFile.Clean();
  m_strFilePath.SetString(u"");
}
