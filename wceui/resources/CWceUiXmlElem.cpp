#include "resources/CWceUiXmlElem.h"

#include "kernel/wcestr.h"

CWceUiXmlElem::~CWceUiXmlElem() {
  for (CWceUiXmlAttr* p = m_pFirstAttr; p != nullptr;) {
    CWceUiXmlAttr* pNext = p->pNext;
    delete p;
    p = pNext;
  }
}

LPCWSTR CWceUiXmlElem::GetAttribute(LPCWSTR pName) const {
  if (pName == nullptr) return nullptr;
  for (const CWceUiXmlAttr* p = m_pFirstAttr; p != nullptr; p = p->pNext) {
    if (_wcsicmp(p->pName, pName) == 0) return p->pValue;
  }
  return nullptr;
}

CWceUiXmlElem* CWceUiXmlElem::GetNextChild(const CWceUiXmlElem* pChild) const {
  return pChild != nullptr ? pChild->m_pChildNext : nullptr;
}

CWceUiXmlElem* CWceUiXmlElem::FindChildElem(LPCWSTR pTagName) const {
  if (pTagName == nullptr) return nullptr;
  for (CWceUiXmlElem* p = m_pFirstChild; p != nullptr; p = p->m_pChildNext) {
    if (_wcsicmp(p->m_pTagName, pTagName) == 0) return p;
  }
  return nullptr;
}

void CWceUiXmlElem::AddAttribute(CWceUiXmlAttr* pAttr) {
  pAttr->pNext = nullptr;
  pAttr->pPrev = m_pLastAttr;
  if (m_pLastAttr != nullptr) {
    m_pLastAttr->pNext = pAttr;
  } else {
    m_pFirstAttr = pAttr;
  }
  m_pLastAttr = pAttr;
}

void CWceUiXmlElem::AddChild(CWceUiXmlElem* pChild) {
  pChild->m_pChildNext = nullptr;
  pChild->m_pChildPrev = m_pLastChild;
  if (m_pLastChild != nullptr) {
    m_pLastChild->m_pChildNext = pChild;
  } else {
    m_pFirstChild = pChild;
  }
  m_pLastChild = pChild;
  ++m_nChildCount;
}
