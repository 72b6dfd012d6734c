#include "wceui/styles/CWceUiBgItemCtrl.h"

#include "platform/kernel/wcestr.h"
#include "wceui/base/WceUiLog.h"

#include <cstddef>
#include <new>

CWceUiBgItemCtrl::CWceUiBgItemCtrl()
    : m_Items(offsetof(CWceUiBgItem, m_pPrev), offsetof(CWceUiBgItem, m_pNext)) {}

CWceUiBgItemCtrl::~CWceUiBgItemCtrl() {
  RemoveAll();
}

CWceUiBgItemCtrl::CWceUiBgItemCtrl(const CWceUiBgItemCtrl& rhs) : CWceUiBgItemCtrl() {
  *this = rhs;
}

CWceUiBgItemCtrl& CWceUiBgItemCtrl::operator=(const CWceUiBgItemCtrl& rhs) {
  if (this == &rhs) return *this;
  RemoveAll();
  for (CWceUiBgItem* p = rhs.GetHead(); p != nullptr; p = rhs.GetNext(p)) AddTail(*p);
  return *this;
}

CWceUiBgItem* CWceUiBgItemCtrl::GetNext(const CWceUiBgItem* pCurBgItem) const {
  WCEUI_CHECK(NULL != pCurBgItem);
  return pCurBgItem != nullptr ? pCurBgItem->m_pNext : nullptr;
}

CWceUiBgItem* CWceUiBgItemCtrl::GetByName(LPCWSTR pName) const {
  WCEUI_CHECK(NULL != pName);
  if (pName == nullptr) return nullptr;
  for (CWceUiBgItem* p = GetHead(); p != nullptr; p = p->m_pNext) {
    if (wcscmp(p->GetName(), pName) == 0) return p;
  }
  return nullptr;
}

void CWceUiBgItemCtrl::AddTail(const CWceUiBgItem& item) {
  CWceUiBgItem* pCopy = new (std::nothrow) CWceUiBgItem(item);
  if (pCopy != nullptr) m_Items.AddTail(pCopy);
}

void CWceUiBgItemCtrl::RemoveAll() {
  while (!m_Items.IsEmpty()) delete static_cast<CWceUiBgItem*>(m_Items.RemoveHead());
}
