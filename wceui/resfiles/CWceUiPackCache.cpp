#include "wceui/resfiles/CWceUiPackCache.h"

#include "wceui/resfiles/CWceUiPackFile.h"

#include <new>

CWceUiPackCache::~CWceUiPackCache() {
  RemoveAll();
}

CWceUiPackFile* CWceUiPackCache::GetPack(LPCWSTR pKey, LPCWSTR pPackPath) {
  void* pValue = nullptr;
  if (m_Map.Lookup(pKey, pValue)) return static_cast<CWceUiPackFile*>(pValue);
  CWceUiPackFile* pPack = new (std::nothrow) CWceUiPackFile(pPackPath);
  if (pPack != nullptr && !m_Map.SetAt(pKey, pPack, TRUE)) {
    delete pPack;
    pPack = nullptr;
  }
  return pPack;
}

void CWceUiPackCache::RemoveAll() {
  WCEUI_POSITION pos = kWceUiStrMapStart;
  while (pos != nullptr && !m_Map.IsEmpty()) {
    LPCWSTR pKey = nullptr;
    void* pValue = nullptr;
    m_Map.GetNextAssoc(pos, pKey, pValue);
    delete static_cast<CWceUiPackFile*>(pValue);
  }
  m_Map.RemoveAll();
}
