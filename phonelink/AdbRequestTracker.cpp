#include "phonelink/AdbRequestTracker.h"

bool AdbRequestTracker::IsCurrent(int32_t localId) const {
  return localId > m_nStaleChannel && (localId > m_nStaleRequest || localId <= ADB_FIRST_REQUEST_ID);
}

void AdbRequestTracker::MarkStale(int32_t lastChannelId) {
  int32_t counter = m_nCounter;
  if (counter > ADB_FIRST_REQUEST_ID) m_nStaleRequest = counter - 1;
  m_nStaleChannel = lastChannelId;
}

void AdbRequestTracker::ResetIds() {
  m_nCounter = ADB_FIRST_REQUEST_ID;
  m_nStaleChannel = -1;
  m_nStaleRequest = -1;
  m_nCurrentOp = 0;
}
