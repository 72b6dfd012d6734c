#include "platform/kernel/CEventObject.h"

CEventObject::CEventObject(bool manualReset, bool initialState)
    : CWaitableObject(Type::Event), m_bManualReset(manualReset), m_bSignalled(initialState) {}

void CEventObject::Set() {
  CDispatcher& d = CDispatcher::GetInstance();
  CDispatcher::WakeList wakes;
  std::lock_guard<std::mutex> lock(d.Lock());
  m_bSignalled = true;
  d.SatisfyWaiters(*this, wakes);
}

void CEventObject::Reset() {
  std::lock_guard<std::mutex> lock(CDispatcher::GetInstance().Lock());
  m_bSignalled = false;
}

void CEventObject::Pulse() {
  CDispatcher& d = CDispatcher::GetInstance();
  CDispatcher::WakeList wakes;
  std::lock_guard<std::mutex> lock(d.Lock());
  m_bSignalled = true;
  d.SatisfyWaiters(*this, wakes);
  m_bSignalled = false;
}

void CEventObject::SetData(DWORD data) {
  std::lock_guard<std::mutex> lock(CDispatcher::GetInstance().Lock());
  m_dwData = data;
}

DWORD CEventObject::GetData() const {
  std::lock_guard<std::mutex> lock(CDispatcher::GetInstance().Lock());
  return m_dwData;
}

bool CEventObject::IsSignalledFor(DWORD) const {
  return m_bSignalled;
}

void CEventObject::Acquire(DWORD) {
  if (!m_bManualReset) m_bSignalled = false;
}
