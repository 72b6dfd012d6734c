#include "wceui/resfiles/CWceUiXmlElem.h"

#include "platform/kernel/wcestr.h"

#include <cstddef>

CWceUiXmlElem::CWceUiXmlElem(CWceUiXmlDoc* pDoc, NodeType nType)
    : m_AttrList(offsetof(CWceUiXmlAttr, m_pPrev), offsetof(CWceUiXmlAttr, m_pNext)),
      m_nType(nType),
      m_pDoc(pDoc),
      m_ChildList(offsetof(CWceUiXmlElem, m_pChildPrev), offsetof(CWceUiXmlElem, m_pChildNext)) {}

CWceUiXmlElem::~CWceUiXmlElem() {
  while (!m_AttrList.IsEmpty()) delete static_cast<CWceUiXmlAttr*>(m_AttrList.RemoveHead());
}

LPCWSTR CWceUiXmlElem::GetAttribute(LPCWSTR pName) const {
  if (pName == nullptr) return nullptr;
  for (auto* p = static_cast<const CWceUiXmlAttr*>(m_AttrList.GetHead()); p != nullptr; p = p->m_pNext) {
    if (_wcsicmp(p->m_pName, pName) == 0) return p->m_pValue;
  }
  return nullptr;
}

CWceUiXmlElem* CWceUiXmlElem::GetNextChild(const CWceUiXmlElem* pChild) const {
  return pChild != nullptr ? pChild->m_pChildNext : nullptr;
}

CWceUiXmlElem* CWceUiXmlElem::FindChildElem(LPCWSTR pTagName) const {
  if (pTagName == nullptr) return nullptr;
  for (CWceUiXmlElem* p = GetFirstChild(); p != nullptr; p = p->m_pChildNext) {
    if (_wcsicmp(p->m_pTagName, pTagName) == 0) return p;
  }
  return nullptr;
}

void CWceUiXmlElem::AddAttribute(CWceUiXmlAttr* pAttr) {
  m_AttrList.AddTail(pAttr);
}

void CWceUiXmlElem::AddChild(CWceUiXmlElem* pChild) {
  m_ChildList.AddTail(pChild);
}
