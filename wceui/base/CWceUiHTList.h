// A doubly linked intrusive list with head and tail: each element carries its previous and next
// pointers at fixed byte offsets. The list owns none of its elements.
#pragma once

#include "platform/kernel/wcetypes.h"

#include <cstddef>

class CWceUiHTList {
 public:
  CWceUiHTList(size_t nPreOffset, size_t nNextOffset);

  BOOL IsEmpty() const { return m_pHead == nullptr; }
  void* GetHead() const { return m_pHead; }
  void* GetTail() const { return m_pTail; }
  int GetCount() const { return m_nCount; }
  void** GetPrePtr(void* p) const;
  void** GetNextPtr(void* p) const;
  void* GetPre(void* p) const;
  void* GetNext(void* p) const;

  void AddTail(void* p);
  // The element taken off, or none for an empty list.
  void* RemoveHead();
  void* RemoveTail();
  // Unlinks the element and clears its links: 1. 0 for an empty list or an element that is not in
  // this one, which is then left as it was (its links may belong to another list).
  BOOL Remove(void* p);
  // Forgets the elements; their links stay as they are.
  void RemoveAll();

 private:
  void* m_pHead = nullptr;
  void* m_pTail = nullptr;
  size_t m_nNextOffset;
  size_t m_nPreOffset;
  int m_nCount = 0;
};
