// Byte ring buffer of one phone-link channel. One writer (the USB reader thread) and one
// reader (the channel's receive thread). The positions and the fill count are under one lock held
// only to look at or move them; the bytes are copied outside it, so the USB reader never waits
// for a receive thread copying a large package out, nor the other way round. A writer copies only
// into free space and a reader only out of filled space, and each publishes its copy afterwards.
#pragma once

#include "platform/kernel/kernel.h"

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

  // Tests: called between taking a position and publishing the copy (writing: a Write's copy in,
  // else a Read's copy out), on the copying thread. nullptr for none.
  typedef void (*CopyHook)(bool writing);
  static void SetCopyHook(CopyHook hook);
  int GetFloodCount() const { return m_nFlood; }
  uint32_t GetSize() const { return m_nSize; }

 private:
  uint8_t* m_pData = nullptr;
  uint32_t m_nSize = 0;
  uint32_t m_nRead = 0;
  uint32_t m_nWrite = 0;
  // A full buffer has m_nWrite == m_nRead just like an empty one; the fill count tells them apart.
  uint32_t m_nUsed = 0;
  // Counts resets: a copy that a reset overtook is not published (a write is dropped as if it had
  // come before the reset, a read takes nothing).
  uint32_t m_nResets = 0;
  HANDLE m_hDataEvent = nullptr;
  CRITICAL_SECTION m_cs;        // the positions, the fill count and the reset count
  CRITICAL_SECTION m_csWriter;  // one copy in at a time
  CRITICAL_SECTION m_csReader;  // one copy out at a time
  uint8_t m_nChannel = 0;
  int m_nFlood = 0;
  bool m_bLockMade = false;
};
