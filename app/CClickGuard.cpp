#include "app/CClickGuard.h"

bool CClickGuard::Accept(DWORD dwNow) {
  // Unsigned difference: the tick count wraps after 49 days.
  if (m_bAccepted && dwNow - m_dwLastTick < kClickIntervalMs) return false;
  m_bAccepted = true;
  m_dwLastTick = dwNow;
  return true;
}
