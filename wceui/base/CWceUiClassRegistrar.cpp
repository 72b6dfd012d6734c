#include "wceui/base/CWceUiClassRegistrar.h"

#include "wceui/base/WceUiLog.h"
#include "wceui/base/CWceUiStrMap.h"

#include <new>

namespace {

// Built on first use by whichever static initialiser registers first, and never destroyed: the
// registry and its records live as long as the process. Case-sensitive keys.
CWceUiStrMap& ClassMap() {
  static CWceUiStrMap* s_pMap = new CWceUiStrMap();
  return *s_pMap;
}

// The class name registered last; constant-initialised, so it is valid before any initialiser.
LPCWSTR g_pLastRegistered = nullptr;

CWceUiClassRecord* FindOrAdd(LPCWSTR pName) {
  void* value = nullptr;
  if (ClassMap().Lookup(pName, value)) return static_cast<CWceUiClassRecord*>(value);
  CWceUiClassRecord* pRecord = new (std::nothrow) CWceUiClassRecord{nullptr, nullptr};
  if (pRecord == nullptr) return nullptr;
  if (!ClassMap().SetAt(pName, pRecord, TRUE)) {
    delete pRecord;
    return nullptr;
  }
  return pRecord;
}

}  // namespace

void WceUiRegisterClass(WCEUI_CREATE_FUNC pfnCreate, LPCWSTR pClassName, LPCWSTR pBaseClassName) {
  if (pClassName == nullptr || pClassName[0] == 0) return;
  CWceUiClassRecord* pRecord = FindOrAdd(pClassName);
  if (pRecord == nullptr) return;
  pRecord->m_pfnCreate = pfnCreate;
  if (pBaseClassName == nullptr || pBaseClassName[0] == 0 || pBaseClassName[0] == u'0') {
    pRecord->m_pBaseRecord = nullptr;
    return;
  }
  pRecord->m_pBaseRecord = FindOrAdd(pBaseClassName);
}

CWceUiClassRecord* WceUiFindClassRecord(LPCWSTR pClassName) {
  if (pClassName == nullptr) return nullptr;
  void* value = nullptr;
  return ClassMap().Lookup(pClassName, value) ? static_cast<CWceUiClassRecord*>(value) : nullptr;
}

int WceUiGetClassCount() {
  return ClassMap().GetCount();
}

CWceUiObject* WceUiCreateObject(LPCWSTR pClassName) {
  WCEUI_CHECK(NULL != pClassName);
  if (pClassName != nullptr) WCEUI_CHECK(*pClassName);
  const CWceUiClassRecord* pRecord = WceUiFindClassRecord(pClassName);
  if (pRecord == nullptr) {
    WceUiLogW(WCEUI_LOG_ERROR, u"can not create class:%s, check WCEUI_DYNCREATE_BEGIN/ WCEUI_DYNCREATE_END",
              pClassName != nullptr ? pClassName : u"");
    return nullptr;
  }
  if (pRecord->m_pfnCreate == nullptr) return nullptr;
  return pRecord->m_pfnCreate();
}

CWceUiObject* WceUiCreateNotCreatable() {
  WceUiLogA(WCEUI_LOG_ERROR,
            "you must use WCEUI_DYNCREATE_BEGIN/WCEUI_DYNCREATE_END for dynamic create object,not "
            "WCEUI_DYNAMIC_BEGIN/WCEUI_DYNAMIC_END.");
  return nullptr;
}

CWceUiClassRegistrar::CWceUiClassRegistrar(WCEUI_CREATE_FUNC pfnCreate, LPCWSTR pClassName,
                                           LPCWSTR pBaseClassName) {
  if (pClassName == g_pLastRegistered) return;
  g_pLastRegistered = pClassName;
  WceUiRegisterClass(pfnCreate, pClassName, pBaseClassName);
}
