#include "AdbLinkLife.h"

AdbLinkLife::~AdbLinkLife() {
  if (m_bLinkLockMade) DeleteCriticalSection(&m_linkLock);
}

CRITICAL_SECTION* AdbLinkLife::LinkLock() {
  std::call_once(m_linkLockOnce, [this] {
    InitializeCriticalSection(&m_linkLock);
    m_bLinkLockMade = true;
  });
  return &m_linkLock;
}
