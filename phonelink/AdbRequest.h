// Tracked ADB requests: every shell and sync stream the head unit opened, found again by the
// local id the phone echoes in arg1. Records are handed out as copies, so a USB out that
// empties the list on the monitor thread never leaves the reader with a freed record.
#pragma once

#include "platform/kernel/kernel.h"

#include <cstdint>

struct AdbRequest {
  AdbRequest* m_pNext;
  AdbRequest* m_pPrev;
  int32_t m_nKind;
  uint32_t m_nLocalId;
  uint32_t m_nRemoteId;
  uint32_t m_nSerial;  // tells two records of one local id apart
};

class AdbRequestList {
 public:
  void Init();
  void Destroy();  // Clear, then the lock goes
  bool IsInitialised() const { return m_bInit; }

  void Add(int32_t kind, uint32_t localId, uint32_t remoteId);
  // The oldest record of this local id, copied out.
  bool Find(uint32_t localId, AdbRequest* out);
  void SetRemote(uint32_t serial, uint32_t remoteId);
  void SetKind(uint32_t serial, int32_t kind);
  void Remove(uint32_t serial);
  void Clear();
  int Count();

 private:
  AdbRequest* FindSerial(uint32_t serial);

  AdbRequest m_Head{};
  CRITICAL_SECTION m_cs;
  uint32_t m_nNextSerial = 1;
  bool m_bInit = false;
};
