// A kernel object that threads can wait for. State changes happen under the dispatcher lock.
#pragma once

#include "platform/kernel/CDispatcher.h"
#include "platform/kernel/CKernelObject.h"

class CWaitableObject : public CKernelObject {
 public:
  using CKernelObject::CKernelObject;

  // Both called with the dispatcher lock held.
  virtual bool IsSignalledFor(DWORD threadId) const = 0;
  // What a satisfied wait does to the object (auto-reset, mutex ownership).
  virtual void Acquire(DWORD threadId) = 0;

 private:
  friend class CDispatcher;
  // The waits queued on this object, in arrival order; guarded by the dispatcher lock.
  CDispatcher::WaitLink* m_pFirstWaiter = nullptr;
  CDispatcher::WaitLink* m_pLastWaiter = nullptr;
};
