// Our own helper over the system's critical sections (no CE counterpart): the section is held
// for the guard's scope and left on every path out of it.
#pragma once

#include "platform/kernel/kernel.h"

class CsLock {
 public:
  explicit CsLock(CRITICAL_SECTION* cs) : m_pCs(cs) { EnterCriticalSection(m_pCs); }
  ~CsLock() { LeaveCriticalSection(m_pCs); }
  CsLock(const CsLock&) = delete;
  CsLock& operator=(const CsLock&) = delete;

 private:
  CRITICAL_SECTION* m_pCs;
};
