#include "wceui/base/CWUniqueID.h"

#include "wceui/base/WceUiLog.h"

#include <vector>

CWUniqueID::CWUniqueID() : m_dwNextID(1) {
  m_arrIDs.SetSize(kReservedEntries, kGrowBy);
}

BOOL CWUniqueID::IsUsed(DWORD dwID) const {
  for (int i = kReservedEntries; i < m_arrIDs.GetSize(); ++i) {
    if (m_arrIDs[i] == dwID) return TRUE;
  }
  return FALSE;
}

DWORD CWUniqueID::GetID() {
  DWORD dwID = kInvalidID;
  if (m_dwNextID < kInvalidID) {
    dwID = m_dwNextID++;
  } else {
    // One pass over the slots marks what is taken, so the search stays linear when nearly all
    // ids are out.
    std::vector<bool> used(kInvalidID, false);
    for (int i = kReservedEntries; i < m_arrIDs.GetSize(); ++i) {
      if (m_arrIDs[i] < kInvalidID) used[m_arrIDs[i]] = true;
    }
    for (DWORD id = 1; id <= kMaxID; ++id) {
      if (!used[id]) {
        dwID = id;
        break;
      }
    }
    if (dwID == kInvalidID) {
      WceUiLogA(WCEUI_LOG_ERROR, "CWUniqueID::GetID failed, all 1-65534 is used.");
      return kInvalidID;
    }
  }
  for (int i = kReservedEntries; i < m_arrIDs.GetSize(); ++i) {
    if (m_arrIDs[i] == kInvalidID) {
      m_arrIDs[i] = dwID;
      return dwID;
    }
  }
  m_arrIDs.Add(dwID);
  return dwID;
}

void CWUniqueID::ReleaseID(DWORD dwID) {
  WCEUI_CHECK(0 == HIWORD(dwID));
  for (int i = kReservedEntries; i < m_arrIDs.GetSize(); ++i) {
    if (m_arrIDs[i] == dwID) {
      m_arrIDs[i] = kInvalidID;
      return;
    }
  }
  WceUiLogA(WCEUI_LOG_WARNING, "CWUniqueID::ReleaseID, Release ID %d, but not found", static_cast<int>(dwID));
}
