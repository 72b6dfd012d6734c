// The six projection channels of the link: each one's stream ids, OPEN/CLSE event, port on the
// phone and ring buffer.
#pragma once

#include "phonelink/CircleBuff.h"
#include "phonelink/CorvaneAdb.h"

#include "platform/kernel/kernel.h"

#include <atomic>
#include <cstdint>

struct AdbChannel {
  // Grows by the channel count at each Corvane_Adb_TcpConnect (its caller); read by the reader to
  // find a channel's packets and by the monitor for the stale threshold.
  std::atomic<int32_t> m_nLocalId{0};
  // The phone's id of the open stream, -1 when closed: written by the reader (OKAY, CLSE, its end),
  // polled by the callers.
  std::atomic<int32_t> m_nRemoteId{-1};
  // Made by Init and closed by Close when no caller and no USB thread is left; set by the reader,
  // waited on by Corvane_Adb_TcpConnect.
  HANDLE m_hEvent = nullptr;
  int32_t m_nPort = 0;
  // Made by Init and freed by Close when no caller and no USB thread is left; the buffer has its
  // own locks for its one writer (the reader) and its one reader (the channel's receive thread).
  CircleBuff* m_pBuffer = nullptr;
};

class AdbChannelTable {
 public:
  AdbChannelTable() { ResetIds(); }
  AdbChannelTable(const AdbChannelTable&) = delete;
  AdbChannelTable& operator=(const AdbChannelTable&) = delete;

  AdbChannel& operator[](int channel) { return m_Channels[channel]; }
  AdbChannel* begin() { return m_Channels; }
  AdbChannel* end() { return m_Channels + kAdbChannelCount; }

  // Init: the ring buffers (a missing one is tolerated) and the auto-reset events.
  void Create();
  // Close, once nothing runs: frees the buffers and closes the events; the streams are closed.
  void FreeBuffers();
  void CloseEvents();
  // The channel whose stream has this local id, or -1.
  int FindByLocal(uint32_t localId);
  void ResetRingBuffers();
  // Any stream still open.
  bool AnyOpen();
  bool AllClosed(int from, int to);
  // The ids as before the first connect (tests, and construction).
  void ResetIds();

 private:
  AdbChannel m_Channels[kAdbChannelCount];
};
