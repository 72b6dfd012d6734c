#include "platform/kernel/CMutexObject.h"

CMutexObject::CMutexObject(DWORD initialOwner)
    : CWaitableObject(Type::Mutex), m_dwOwner(initialOwner), m_dwCount(initialOwner ? 1 : 0) {}

bool CMutexObject::Release(DWORD threadId) {
  CDispatcher& d = CDispatcher::GetInstance();
  CDispatcher::WakeList wakes;
  std::lock_guard<std::mutex> lock(d.Lock());
  if (m_dwOwner != threadId || m_dwCount == 0) return false;
  if (--m_dwCount == 0) {
    m_dwOwner = 0;
    d.SatisfyWaiters(*this, wakes);
  }
  return true;
}

bool CMutexObject::IsSignalledFor(DWORD threadId) const {
  return m_dwOwner == 0 || m_dwOwner == threadId;
}

void CMutexObject::Acquire(DWORD threadId) {
  m_dwOwner = threadId;
  ++m_dwCount;
}
