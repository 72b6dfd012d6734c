#include "phonelink/AdbShellState.h"

#include "phonelink/LinkHandle.h"

void AdbShellState::CreateEvents() {
  m_hHelperRunning = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  m_hAppStart = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  m_hLs = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  m_hListUpdate = CreateEventW(nullptr, FALSE, TRUE, u"EVENTLISTUPDATE");
}

void AdbShellState::CloseEvents() {
  for (HANDLE* h : {&m_hHelperRunning, &m_hAppStart, &m_hLs, &m_hListUpdate}) CloseLinkHandle(h);
  if (HANDLE h = m_hGetprop.exchange(nullptr)) CloseHandle(h);
}

void AdbShellState::WakeWaiters() {
  for (HANDLE h : {m_hHelperRunning, m_hAppStart, m_hLs, m_hGetprop.load()}) {
    if (h) SetEvent(h);
  }
}

HANDLE AdbShellState::GetpropEvent() {
  HANDLE h = m_hGetprop;
  if (!h) {
    h = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_hGetprop = h;
  }
  return h;
}
