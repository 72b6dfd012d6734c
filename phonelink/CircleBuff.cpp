#include "phonelink/CircleBuff.h"

#include "phonelink/LinkLog.h"

#include "platform/kernel/CsLock.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {
// Copies between a flat buffer and the ring's storage from position pos on, across its end.
void CopyIn(uint8_t* ring, uint32_t size, uint32_t pos, const uint8_t* src, uint32_t length) {
  const uint32_t first = length < size - pos ? length : size - pos;
  std::memcpy(ring + pos, src, first);
  if (length > first) std::memcpy(ring, src + first, length - first);
}

void CopyOut(uint8_t* dst, const uint8_t* ring, uint32_t size, uint32_t pos, uint32_t length) {
  const uint32_t first = length < size - pos ? length : size - pos;
  std::memcpy(dst, ring + pos, first);
  if (length > first) std::memcpy(dst + first, ring, length - first);
}

std::atomic<CircleBuff::CopyHook> s_copyHook{nullptr};

void RunCopyHook(bool writing) {
  if (CircleBuff::CopyHook hook = s_copyHook.load(std::memory_order_relaxed)) hook(writing);
}

// The position n bytes after pos; n is never more than the ring holds.
uint32_t Advance(uint32_t size, uint32_t pos, uint32_t n) {
  return n >= size - pos ? n - (size - pos) : pos + n;
}
}  // namespace

void CircleBuff::SetCopyHook(CopyHook hook) {
  s_copyHook.store(hook);
}

int CircleBuff::Init(uint32_t size, uint8_t channel) {
  InitializeCriticalSection(&m_cs);
  InitializeCriticalSection(&m_csWriter);
  InitializeCriticalSection(&m_csReader);
  m_bLockMade = true;
  m_pData = static_cast<uint8_t*>(std::malloc(size));
  m_nSize = m_pData ? size : 0;
  m_nRead = m_nWrite = m_nUsed = 0;
  m_nResets = 0;
  m_nFlood = 0;
  m_hDataEvent = nullptr;
  m_nChannel = channel;
  return m_pData ? 1 : 0;
}

void CircleBuff::Reset() {
  {
    CsLock lock(&m_cs);
    m_nRead = m_nWrite = m_nUsed = 0;
    ++m_nResets;
  }
  m_nFlood = 0;
}

void CircleBuff::Free() {
  std::free(m_pData);
  m_pData = nullptr;
  m_nSize = m_nRead = m_nWrite = m_nUsed = 0;
  if (m_bLockMade) {
    DeleteCriticalSection(&m_cs);
    DeleteCriticalSection(&m_csWriter);
    DeleteCriticalSection(&m_csReader);
  }
  m_bLockMade = false;
}

int CircleBuff::Write(const void* data, uint32_t length) {
  const uint8_t* src = static_cast<const uint8_t*>(data);
  HANDLE ev = nullptr;
  bool accepted = false;
  {
    CsLock writer(&m_csWriter);
    uint32_t pos = 0;
    uint32_t resets = 0;
    {
      CsLock lock(&m_cs);
      uint32_t nFree = m_nSize - m_nUsed;
      if (length > nFree) {
        if (m_nFlood % 100 == 0) {
          LinkLog("CircleBuff Data flooded  Channel=%d  nSzFree=0X%x  ToWrite=0X%x  count=%d \n", m_nChannel,
                  nFree, length, m_nFlood);
        }
        ++m_nFlood;
        ev = m_hDataEvent;
      } else {
        pos = m_nWrite;
        resets = m_nResets;
        accepted = true;
      }
    }
    if (accepted) {
      // Free space: the reader does not look at it before the fill count says so.
      if (length > 0) CopyIn(m_pData, m_nSize, pos, src, length);
      RunCopyHook(true);
      CsLock lock(&m_cs);
      if (resets == m_nResets) {
        m_nWrite = Advance(m_nSize, pos, length);
        m_nUsed += length;
      }
      ev = m_hDataEvent;
    }
  }
  // Set with no lock held. A dropped write wakes the consumer too, so that it drains what is there.
  if (ev) SetEvent(ev);
  return accepted ? 1 : 0;
}

uint32_t CircleBuff::GetUsedSize() {
  CsLock lock(&m_cs);
  return m_nUsed;
}

int CircleBuff::Read(void* dest, uint32_t wanted, uint32_t* read) {
  uint8_t* dst = static_cast<uint8_t*>(dest);
  if (read) *read = 0;
  bool taken = false;
  {
    CsLock reader(&m_csReader);
    uint32_t pos = 0;
    uint32_t resets = 0;
    {
      CsLock lock(&m_cs);
      if (wanted > m_nUsed) return 0;
      pos = m_nRead;
      resets = m_nResets;
    }
    // Filled space: the writer does not touch it before the reader gives it back.
    if (wanted > 0) CopyOut(dst, m_pData, m_nSize, pos, wanted);
    RunCopyHook(false);
    CsLock lock(&m_cs);
    // A reset meanwhile: those bytes belonged to what the reset threw away, and are not handed out.
    taken = resets == m_nResets;
    if (taken) {
      m_nRead = Advance(m_nSize, pos, wanted);
      m_nUsed -= wanted;
    }
  }
  if (!taken) return 0;
  if (read) *read = wanted;
  return 1;
}
