#include "wceui/resfiles/CFhLanguage.h"

#include "wceui/base/FhPath.h"
#include "wceui/base/WceUiLog.h"
#include "wceui/resfiles/CWceUiLoadString.h"

#include <algorithm>

BOOL CFhLanguage::SetLanguage(LPCWSTR pLangeFilePath, BOOL bEscape) {
  WCEUI_CHECK(NULL != pLangeFilePath);
  if (pLangeFilePath == nullptr) return FALSE;
  WCHAR szPath[MAX_PATH];
  m_langFile.Clean();
  if (!FhGetAbsolutePath(szPath, MAX_PATH, pLangeFilePath, nullptr)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"%s::SetLanguage, path (%s) is too long", WCEUI_LOG_TAGW, pLangeFilePath);
    return FALSE;
  }
  if (!m_langFile.LoadFile(szPath, bEscape)) return FALSE;
  for (CWceUiLoadString* pItem : m_loadStringItems) pItem->SetNeedReload();
  m_strFilePath.SetString(pLangeFilePath);
  return TRUE;
}

LPCWSTR CFhLanguage::GetString(LPCWSTR pTextID) const {
  if (!m_langFile.IsLoaded() || pTextID == nullptr) return nullptr;
  return m_langFile.GetString(pTextID);
}

void CFhLanguage::AddLoadStringItem(CWceUiLoadString* pLoadStringItem) {
  WCEUI_CHECK(NULL != pLoadStringItem);
  if (pLoadStringItem != nullptr) m_loadStringItems.push_back(pLoadStringItem);
}

void CFhLanguage::DelLoadStringItem(CWceUiLoadString* pLoadStringItem) {
  WCEUI_CHECK(NULL != pLoadStringItem);
  auto it = std::find(m_loadStringItems.begin(), m_loadStringItems.end(), pLoadStringItem);
  if (it != m_loadStringItems.end()) m_loadStringItems.erase(it);
}

void CFhLanguage::Reset() {
  m_langFile.Clean();
  m_strFilePath.SetString(u"");
}
