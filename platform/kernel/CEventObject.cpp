#include "platform/kernel/CEventObject.h"

CEventObject::CEventObject(bool manualReset, bool initialState)
    : CWaitableObject(Type::Event), m_manualReset(manualReset), m_signalled(initialState) {}

void CEventObject::Set() {
  CDispatcher& d = CDispatcher::GetInstance();
  CDispatcher::WakeList wakes;
  std::lock_guard<std::mutex> lock(d.Lock());
  m_signalled = true;
  d.SatisfyWaiters(*this, wakes);
}

void CEventObject::Reset() {
  std::lock_guard<std::mutex> lock(CDispatcher::GetInstance().Lock());
  m_signalled = false;
}

void CEventObject::Pulse() {
  CDispatcher& d = CDispatcher::GetInstance();
  CDispatcher::WakeList wakes;
  std::lock_guard<std::mutex> lock(d.Lock());
  m_signalled = true;
  d.SatisfyWaiters(*this, wakes);
  m_signalled = false;
}

void CEventObject::SetData(DWORD data) {
  std::lock_guard<std::mutex> lock(CDispatcher::GetInstance().Lock());
  m_data = data;
}

DWORD CEventObject::GetData() const {
  std::lock_guard<std::mutex> lock(CDispatcher::GetInstance().Lock());
  return m_data;
}

bool CEventObject::IsSignalledFor(DWORD) const {
  return m_signalled;
}

void CEventObject::Acquire(DWORD) {
  if (!m_manualReset) m_signalled = false;
}
