#include "phonelink/AdbLinkLife.h"

AdbLinkLife::~AdbLinkLife() {
  if (m_hClosing) CloseHandle(m_hClosing);
  if (m_bLinkLockMade) DeleteCriticalSection(&m_csLinkLock);
}

CRITICAL_SECTION* AdbLinkLife::LinkLock() {
  std::call_once(m_LinkLockOnce, [this] {
    InitializeCriticalSection(&m_csLinkLock);
    m_bLinkLockMade = true;
  });
  return &m_csLinkLock;
}

HANDLE AdbLinkLife::ClosingEvent() {
  std::call_once(m_ClosingOnce, [this] { m_hClosing = CreateEventW(nullptr, TRUE, FALSE, nullptr); });
  return m_hClosing;
}

void AdbLinkLife::BeginClosing() {
  // The flag before the event: a caller woken by the event must see it.
  m_bClosing = 1;
  SetEvent(ClosingEvent());
}

void AdbLinkLife::EndClosing() {
  ResetEvent(ClosingEvent());
  m_bClosing = 0;
}

DWORD AdbLinkLife::WaitOrClosing(HANDLE event, DWORD ms) {
  if (m_bClosing) return WAIT_TIMEOUT;
  const HANDLE handles[] = {event, ClosingEvent()};
  // The event comes first: an answer that is already there is taken even while closing begins.
  const DWORD result = WaitForMultipleObjects(event ? 2 : 1, event ? handles : handles + 1, FALSE, ms);
  return (event && result == WAIT_OBJECT_0) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

bool AdbLinkLife::Pause(DWORD ms) {
  WaitOrClosing(nullptr, ms);
  return !m_bClosing;
}
