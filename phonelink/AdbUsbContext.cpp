#include "phonelink/AdbUsbContext.h"

#include "phonelink/LinkHandle.h"

#include "platform/kernel/CsLock.h"

bool AdbUsbContext::Create() {
  if (!m_bLockMade) {
    InitializeCriticalSection(&m_cs);
    m_bLockMade = true;
  }
  m_bStop = 0;
  if (!m_hReaderEnded) m_hReaderEnded = CreateEventW(nullptr, TRUE, TRUE, nullptr);
  if (!m_hUsbOut) m_hUsbOut = CreateEventW(nullptr, FALSE, FALSE, u"EVENT_ADB_USB_OUT");
  if (!m_hUsbIn) m_hUsbIn = CreateEventW(nullptr, FALSE, FALSE, u"EVENT_ADB_USB_IN");
  if (!m_hMonitorStop) m_hMonitorStop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!m_pReadBlock) m_pReadBlock = AdbPacket::Alloc();
  return m_hReaderEnded && m_hUsbOut && m_hMonitorStop && m_pReadBlock;
}

void AdbUsbContext::Release() {
  AdbPacket::Release(m_pReadBlock);
  m_pReadBlock = nullptr;
  for (HANDLE* h : {&m_hReaderEnded, &m_hUsbOut, &m_hUsbIn, &m_hMonitorStop}) CloseLinkHandle(h);
}

HANDLE AdbUsbContext::DeviceOf(uint32_t generation) {
  CsLock lock(&m_cs);
  return m_nGeneration == generation ? m_hDevice : INVALID_HANDLE_VALUE;
}

HANDLE AdbUsbContext::Device() {
  if (!m_bLockMade) return INVALID_HANDLE_VALUE;
  CsLock lock(&m_cs);
  return m_hDevice;
}

void AdbUsbContext::CloseDevice(bool anyGeneration, uint32_t generation) {
  CsLock lock(&m_cs);
  HANDLE h = INVALID_HANDLE_VALUE;
  if (anyGeneration || m_nGeneration == generation) {
    h = m_hDevice;
    m_hDevice = INVALID_HANDLE_VALUE;
  }
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
}
