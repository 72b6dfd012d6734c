// A singly linked intrusive list: each element carries its own next pointer at a fixed byte offset.
// The list owns none of its elements.
#pragma once

#include "platform/kernel/wcetypes.h"

#include <cstddef>

class CWceUiHList {
 public:
  explicit CWceUiHList(size_t nNextOffset);

  void** GetNextPtr(void* p) const;
  void* GetNext(void* p) const { return p != nullptr ? *GetNextPtr(p) : nullptr; }
  void* GetHead() const { return m_pHead; }
  int GetCount() const { return m_nCount; }

  void AddHead(void* p);
  // 0 when the list is empty or the element is not in it (the list is then unchanged).
  BOOL Remove(void* p);
  // Forgets the elements; their links stay as they are.
  void RemoveAll();

 private:
  void* m_pHead = nullptr;
  size_t m_nNextOffset;
  int m_nCount = 0;
};
