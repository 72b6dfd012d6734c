// Ids of 16 bits (1 ... 65534) for layers; 65535 is never an id.
#pragma once

#include "platform/kernel/wcetypes.h"
#include "wceui/base/CWceUiDWordArray.h"

class CWUniqueID {
 public:
  static constexpr DWORD kInvalidID = 65535;
  static constexpr DWORD kMaxID = 65534;

  CWUniqueID();

  // 1, 2, 3 ... in order until 65534 was handed out; after that the lowest id not in use.
  // kInvalidID when every id is in use.
  DWORD GetID();
  void ReleaseID(DWORD dwID);
  BOOL IsUsed(DWORD dwID) const;

 private:
  // The entries before this index stay zero and are never slots.
  static constexpr int kReservedEntries = 128;
  static constexpr int kGrowBy = 128;

  DWORD m_dwNextID;
  // Each slot holds an id in use or kInvalidID (free).
  CWceUiDWordArray m_arrIDs;
};
