// Mutex: owned by one thread, recursively.
#pragma once

#include "platform/kernel/CWaitableObject.h"

class CMutexObject : public CWaitableObject {
 public:
  explicit CMutexObject(DWORD initialOwner);  // 0: not owned

  // FALSE when the calling thread does not own it.
  bool Release(DWORD threadId);

  bool IsSignalledFor(DWORD threadId) const override;
  void Acquire(DWORD threadId) override;

 private:
  DWORD m_dwOwner;  // guarded by the dispatcher lock; 0 when free
  DWORD m_dwCount;
};
