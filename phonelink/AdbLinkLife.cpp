#include "AdbLinkLife.h"

CRITICAL_SECTION* AdbLinkLife::LinkLock() {
  std::call_once(m_linkLockMade, [this] { InitializeCriticalSection(&m_linkLock); });
  return &m_linkLock;
}
