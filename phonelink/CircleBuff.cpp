#include "CircleBuff.h"

#include "LinkLog.h"

#include <cstdlib>
#include <cstring>

int CircleBuff::Init(uint32_t size, uint8_t channel) {
  InitializeCriticalSection(&m_cs);
  m_bLockMade = true;
  m_pData = static_cast<uint8_t*>(std::malloc(size));
  m_nSize = m_pData ? size : 0;
  m_nRead = m_nWrite = m_nUsed = 0;
  m_nFlood = 0;
  m_hDataEvent = nullptr;
  m_nChannel = channel;
  return m_pData ? 1 : 0;
}

void CircleBuff::Reset() {
  EnterCriticalSection(&m_cs);
  m_nRead = m_nWrite = m_nUsed = 0;
  LeaveCriticalSection(&m_cs);
  m_nFlood = 0;
}

void CircleBuff::Free() {
  std::free(m_pData);
  m_pData = nullptr;
  m_nSize = m_nRead = m_nWrite = m_nUsed = 0;
  if (m_bLockMade) DeleteCriticalSection(&m_cs);
  m_bLockMade = false;
}

int CircleBuff::Write(const void* data, uint32_t length) {
  const uint8_t* src = static_cast<const uint8_t*>(data);
  EnterCriticalSection(&m_cs);
  uint32_t nFree = m_nSize - m_nUsed;
  if (length > nFree) {
    if (m_nFlood % 100 == 0) {
      LinkLog("CircleBuff Data flooded  Channel=%d  nSzFree=0X%x  ToWrite=0X%x  count=%d \n", m_nChannel, nFree,
              length, m_nFlood);
    }
    ++m_nFlood;
    HANDLE ev = m_hDataEvent;
    LeaveCriticalSection(&m_cs);
    // The consumer is woken so that it drains what is there.
    if (ev) SetEvent(ev);
    return 0;
  }
  uint32_t first = m_nSize - m_nWrite;
  if (first > length) first = length;
  std::memcpy(m_pData + m_nWrite, src, first);
  m_nWrite += first;
  if (m_nWrite == m_nSize) m_nWrite = 0;
  if (length > first) {
    std::memcpy(m_pData + m_nWrite, src + first, length - first);
    m_nWrite += length - first;
  }
  m_nUsed += length;
  HANDLE ev = m_hDataEvent;
  LeaveCriticalSection(&m_cs);
  if (ev) SetEvent(ev);
  return 1;
}

uint32_t CircleBuff::GetUsedSize() {
  EnterCriticalSection(&m_cs);
  uint32_t used = m_nUsed;
  LeaveCriticalSection(&m_cs);
  return used;
}

int CircleBuff::Read(void* dest, uint32_t wanted, uint32_t* read) {
  uint8_t* dst = static_cast<uint8_t*>(dest);
  if (read) *read = 0;
  // The fill test and the copy belong to one hold: a Reset between them would hand out stale bytes.
  EnterCriticalSection(&m_cs);
  if (wanted > m_nUsed) {
    LeaveCriticalSection(&m_cs);
    return 0;
  }
  uint32_t first = m_nSize - m_nRead;
  if (first > wanted) first = wanted;
  std::memcpy(dst, m_pData + m_nRead, first);
  m_nRead += first;
  if (m_nRead == m_nSize) m_nRead = 0;
  if (wanted > first) {
    std::memcpy(dst + first, m_pData + m_nRead, wanted - first);
    m_nRead += wanted - first;
  }
  m_nUsed -= wanted;
  LeaveCriticalSection(&m_cs);
  if (read) *read = wanted;
  return 1;
}
