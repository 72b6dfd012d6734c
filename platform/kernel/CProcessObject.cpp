#include "platform/kernel/CProcessObject.h"

#include "platform/kernel/kernel.h"

CProcessObject::CProcessObject(DWORD processId) : CWaitableObject(Type::Process), m_dwProcessId(processId) {}

DWORD CProcessObject::GetExitCode() const {
  std::lock_guard<std::mutex> lock(CDispatcher::GetInstance().Lock());
  return m_bEnded ? m_dwExitCode : STILL_ACTIVE;
}

void CProcessObject::Exited(DWORD code) {
  CDispatcher& d = CDispatcher::GetInstance();
  CDispatcher::WakeList wakes;
  std::lock_guard<std::mutex> lock(d.Lock());
  m_bEnded = true;
  m_dwExitCode = code;
  d.SatisfyWaiters(*this, wakes);
}

bool CProcessObject::IsSignalledFor(DWORD) const {
  return m_bEnded;
}

void CProcessObject::Acquire(DWORD) {}
