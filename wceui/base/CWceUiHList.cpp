#include "wceui/base/CWceUiHList.h"

#include "wceui/base/WceUiLog.h"

CWceUiHList::CWceUiHList(size_t nNextOffset) : m_nNextOffset(nNextOffset) {
  // The link is a pointer member of the element (its offsetof), read in place: on the head unit a
  // link at an offset that is no multiple of a pointer's size would be a misaligned read.
  WCEUI_CHECK(m_nNextOffset % alignof(void*) == 0);
}

void** CWceUiHList::GetNextPtr(void* p) const {
  WCEUI_CHECK(p != NULL);
  return reinterpret_cast<void**>(static_cast<BYTE*>(p) + m_nNextOffset);
}

void CWceUiHList::AddHead(void* p) {
  if (p == nullptr) return;
  *GetNextPtr(p) = m_pHead;
  m_pHead = p;
  ++m_nCount;
}

BOOL CWceUiHList::Remove(void* p) {
  if (m_pHead == nullptr || p == nullptr) return FALSE;
  void** ppLink = &m_pHead;
  while (*ppLink != nullptr && *ppLink != p) ppLink = GetNextPtr(*ppLink);
  if (*ppLink == nullptr) return FALSE;
  *ppLink = *GetNextPtr(p);
  *GetNextPtr(p) = nullptr;
  --m_nCount;
  return TRUE;
}

void CWceUiHList::RemoveAll() {
  m_pHead = nullptr;
  m_nCount = 0;
}
