#include "wceui/base/CWceUiHTList.h"

#include "wceui/base/WceUiLog.h"

CWceUiHTList::CWceUiHTList(size_t nPreOffset, size_t nNextOffset)
    : m_nNextOffset(nNextOffset), m_nPreOffset(nPreOffset) {
  WCEUI_CHECK(m_nPreOffset != m_nNextOffset);
  // Both links are pointer members of the element, read in place (see CWceUiHList).
  WCEUI_CHECK(m_nPreOffset % alignof(void*) == 0 && m_nNextOffset % alignof(void*) == 0);
}

void** CWceUiHTList::GetPrePtr(void* p) const {
  WCEUI_CHECK(NULL != p);
  return reinterpret_cast<void**>(static_cast<BYTE*>(p) + m_nPreOffset);
}

void** CWceUiHTList::GetNextPtr(void* p) const {
  WCEUI_CHECK(p != NULL);
  return reinterpret_cast<void**>(static_cast<BYTE*>(p) + m_nNextOffset);
}

void* CWceUiHTList::GetPre(void* p) const {
  WCEUI_CHECK(NULL != p);
  return p != nullptr ? *GetPrePtr(p) : nullptr;
}

void* CWceUiHTList::GetNext(void* p) const {
  WCEUI_CHECK(p != NULL);
  return p != nullptr ? *GetNextPtr(p) : nullptr;
}

void CWceUiHTList::AddTail(void* p) {
  if (p == nullptr) return;
  *GetPrePtr(p) = m_pTail;
  *GetNextPtr(p) = nullptr;
  if (m_pTail != nullptr) {
    *GetNextPtr(m_pTail) = p;
  } else {
    m_pHead = p;
  }
  m_pTail = p;
  ++m_nCount;
}

void* CWceUiHTList::RemoveHead() {
  WCEUI_CHECK(NULL != m_pHead);
  if (m_pHead == nullptr) return nullptr;
  void* pOldHead = m_pHead;
  Remove(pOldHead);
  WCEUI_CHECK(NULL == *GetPrePtr(pOldHead));
  return pOldHead;
}

void* CWceUiHTList::RemoveTail() {
  WCEUI_CHECK(NULL != m_pTail);
  if (m_pTail == nullptr) return nullptr;
  void* pOldTail = m_pTail;
  Remove(pOldTail);
  WCEUI_CHECK(NULL == *GetNextPtr(pOldTail));
  return pOldTail;
}

BOOL CWceUiHTList::Remove(void* p) {
  if (m_pHead == nullptr || p == nullptr) return FALSE;
  // Unlinking by the element's own links would rewrite its neighbours in another list (or read
  // stale ones): make sure it is one of ours first.
  void* pWalk = m_pHead;
  while (pWalk != nullptr && pWalk != p) pWalk = *GetNextPtr(pWalk);
  if (pWalk == nullptr) return FALSE;
  void* pPre = *GetPrePtr(p);
  void* pNext = *GetNextPtr(p);
  if (pPre != nullptr) {
    *GetNextPtr(pPre) = pNext;
  } else {
    m_pHead = pNext;
  }
  if (pNext != nullptr) {
    *GetPrePtr(pNext) = pPre;
  } else {
    m_pTail = pPre;
  }
  *GetPrePtr(p) = nullptr;
  *GetNextPtr(p) = nullptr;
  --m_nCount;
  return TRUE;
}

void CWceUiHTList::RemoveAll() {
  m_pHead = m_pTail = nullptr;
  m_nCount = 0;
}
