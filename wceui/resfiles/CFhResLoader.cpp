#include "wceui/resfiles/CFhResLoader.h"

#include "platform/kernel/kernel.h"
#include "platform/kernel/wcestr.h"
#include "wceui/resfiles/CFhGlobals.h"
#include "wceui/base/WceUiLog.h"

#include <new>

CFhResLoader::CFhResLoader(const char16_t* pKindName) : m_pKindName(pKindName) {}

CFhResLoader::~CFhResLoader() = default;

BOOL CFhResLoader::Prepare() {
  LPCWSTR pResDir = WceUiGetGlobals()->GetGlobalData()->GetResDir();
  if (pResDir[0] == 0) {
    WceUiLogW(WCEUI_LOG_ERROR, u"please set the resource directory use WceUiInit or WceUiChangeResDir");
    return FALSE;
  }
  return TRUE;
}

BOOL CFhResLoader::MakeResPath(LPWSTR pPath, LPCWSTR pFolder, LPCWSTR pName) {
  LPCWSTR pResDir = WceUiGetGlobals()->GetGlobalData()->GetResDir();
  if (wcslen(pResDir) + wcslen(pFolder) + wcslen(pName) >= MAX_PATH) {
    WceUiLogW(WCEUI_LOG_ERROR, u"%s::MakeResPath, the path of %s%s is too long", WCEUI_LOG_TAGW, pFolder,
              pName);
    return FALSE;
  }
  wcscpy(pPath, pResDir);
  wcscat(pPath, pFolder);
  wcscat(pPath, pName);
  return TRUE;
}

void* CFhResLoader::Get(LPCWSTR pId) {
  if (pId == nullptr || !Prepare()) return nullptr;
  void* pValue = nullptr;
  if (m_Map.Lookup(pId, pValue)) {
    CEntry* pEntry = static_cast<CEntry*>(pValue);
    InterlockedIncrement(&pEntry->m_nRefCount);
    return pEntry->m_pObject;
  }
  void* pObject = LoadObject(pId);
  if (pObject == nullptr) return nullptr;
  CEntry* pEntry = new (std::nothrow) CEntry{pObject, 0};
  if (pEntry == nullptr || !m_Map.SetAt(pId, pEntry, TRUE)) {
    delete pEntry;
    DeleteObject(pObject);
    return nullptr;
  }
  InterlockedIncrement(&pEntry->m_nRefCount);
  return pObject;
}

BOOL CFhResLoader::Release(void* pObject) {
  if (pObject == nullptr) return FALSE;
  LPCWSTR pFoundKey = nullptr;
  CEntry* pFound = nullptr;
  m_Map.ForEach([&](LPCWSTR pKey, void* pValue) {
    if (static_cast<CEntry*>(pValue)->m_pObject != pObject) return true;
    pFoundKey = pKey;
    pFound = static_cast<CEntry*>(pValue);
    return false;
  });
  if (pFound == nullptr) {
    WceUiLogW(WCEUI_LOG_ERROR, u"call WceUiRelease%s Release but pWceUi%s not found", m_pKindName,
              m_pKindName);
    return FALSE;
  }
  if (InterlockedDecrement(&pFound->m_nRefCount) == 0) {
    m_Map.RemoveKey(pFoundKey);
    DeleteObject(pFound->m_pObject);
    delete pFound;
  }
  return TRUE;
}

void CFhResLoader::ReleaseAll() {
  m_Map.ForEach([this](LPCWSTR pKey, void* pValue) {
    CEntry* pEntry = static_cast<CEntry*>(pValue);
    WceUiLogW(WCEUI_LOG_ERROR, u"%s is not released, reference count is %d. call WceUiRelease%s to release",
              pKey, static_cast<int>(pEntry->m_nRefCount), m_pKindName);
    DeleteObject(pEntry->m_pObject);
    delete pEntry;
    return true;
  });
  m_Map.RemoveAll();
}

LONG CFhResLoader::GetRefCount(LPCWSTR pId) const {
  void* pValue = nullptr;
  if (pId == nullptr || !m_Map.Lookup(pId, pValue)) return 0;
  return static_cast<CEntry*>(pValue)->m_nRefCount;
}
