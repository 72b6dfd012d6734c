// Byte ring buffer of one phone-link channel. One writer (the USB reader thread) and one
// reader (the channel's receive thread); every access to the positions is under the lock.
#pragma once

#include <kernel/kernel.h>

class CircleBuff {
 public:
  // Returns 1 when the storage was allocated.
  int Init(uint32_t size, uint8_t channel);
  void Reset();
  void Free();

  // 1 accepted; 0 dropped whole because it does not fit.
  int Write(const void* data, uint32_t length);
  uint32_t GetUsedSize();
  // Exact read: 1 with *read = wanted when that many bytes waited, else 0 and nothing taken.
  int Read(void* dest, uint32_t wanted, uint32_t* read);

  void SetDataEvent(HANDLE event) { m_hDataEvent = event; }
  int GetFloodCount() const { return m_nFlood; }
  uint32_t GetSize() const { return m_nSize; }

 private:
  uint8_t* m_pData = nullptr;
  uint32_t m_nSize = 0;
  uint32_t m_nRead = 0;
  uint32_t m_nWrite = 0;
  // A full buffer has m_nWrite == m_nRead just like an empty one; the fill count tells them apart.
  uint32_t m_nUsed = 0;
  HANDLE m_hDataEvent = nullptr;
  CRITICAL_SECTION m_cs;
  uint8_t m_nChannel = 0;
  int m_nFlood = 0;
  bool m_bLockMade = false;
};
