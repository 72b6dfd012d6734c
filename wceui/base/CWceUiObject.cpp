#include "wceui/base/CWceUiObject.h"

#include "platform/kernel/wcestr.h"
#include "wceui/base/WceUiLog.h"

CWceUiObject::CWceUiObject() : m_pClassName(WCEUI_CLASS_NAME(CWceUiObject)) {}

CWceUiObject::~CWceUiObject() = default;

void CWceUiObject::SetClassName(LPCWSTR pClassName) {
  WCEUI_CHECK(NULL != pClassName);
  if (pClassName != nullptr) WCEUI_CHECK(*pClassName);
  m_pClassName = pClassName;
}

BOOL CWceUiObject::IsKindOf(LPCWSTR pBaseClassName) const {
  WCEUI_CHECK(NULL != pBaseClassName);
  if (pBaseClassName == nullptr) return FALSE;
  WCEUI_CHECK(*pBaseClassName);
  if (m_pClassName != nullptr && wcscmp(m_pClassName, pBaseClassName) == 0) return TRUE;
  const CWceUiClassRecord* pBase = WceUiFindClassRecord(pBaseClassName);
  const CWceUiClassRecord* pRecord = m_pClassName != nullptr ? WceUiFindClassRecord(m_pClassName) : nullptr;
  if (pBase == nullptr || pRecord == nullptr) return FALSE;
  // Bounded: registrations that name each other as base must not hang the walk.
  int nSteps = WceUiGetClassCount();
  for (const CWceUiClassRecord* p = pRecord; p != nullptr && nSteps >= 0; p = p->m_pBaseRecord, --nSteps) {
    if (p == pBase) return TRUE;
  }
  return FALSE;
}
