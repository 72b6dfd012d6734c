// What the link asked of the phone: the list of tracked requests, the counter that gives them
// their local ids, the thresholds that tell the ids of an earlier USB connection, and the
// current-operation word.
#pragma once

#include "phonelink/AdbRequest.h"

#include <atomic>
#include <cstdint>

constexpr int32_t ADB_FIRST_REQUEST_ID = 10000;

class AdbRequestTracker {
 public:
  AdbRequestTracker() = default;
  AdbRequestTracker(const AdbRequestTracker&) = delete;
  AdbRequestTracker& operator=(const AdbRequestTracker&) = delete;

  // Whether a packet for this local id belongs to the current USB connection.
  bool IsCurrent(int32_t localId) const;
  // The monitor at USB out: the ids given so far, and channel ids up to lastChannelId, are stale.
  void MarkStale(int32_t lastChannelId);
  // Before the first connection (tests).
  void ResetIds();

  // The list has its own lock; records are handed out as copies.
  AdbRequestList m_Requests;
  // The local id of the next tracked request: read by whoever sends an OPEN, advanced by the
  // sending routine after each tracked packet; it only grows.
  std::atomic<int32_t> m_nCounter{ADB_FIRST_REQUEST_ID};
  // Written by the monitor at USB out, read by the reader's filter.
  std::atomic<int32_t> m_nStaleChannel{-1};
  std::atomic<int32_t> m_nStaleRequest{-1};
  // The kind of the last request sent and the step of the single-image push: a word written by
  // callers and the reader alike, the last writer wins (AdbSession.h names its values).
  std::atomic<int32_t> m_nCurrentOp{0};
};
