#include "platform/kernel/CMutexObject.h"

CMutexObject::CMutexObject(DWORD initialOwner)
    : CWaitableObject(Type::Mutex), m_owner(initialOwner), m_count(initialOwner ? 1 : 0) {}

bool CMutexObject::Release(DWORD threadId) {
  CDispatcher& d = CDispatcher::GetInstance();
  CDispatcher::WakeList wakes;
  std::lock_guard<std::mutex> lock(d.Lock());
  if (m_owner != threadId || m_count == 0) return false;
  if (--m_count == 0) {
    m_owner = 0;
    d.SatisfyWaiters(*this, wakes);
  }
  return true;
}

bool CMutexObject::IsSignalledFor(DWORD threadId) const {
  return m_owner == 0 || m_owner == threadId;
}

void CMutexObject::Acquire(DWORD threadId) {
  m_owner = threadId;
  ++m_count;
}
