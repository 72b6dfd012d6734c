// One file pushed to the phone through its own "sync:" stream: the whole sync image is built
// in memory and written one slice per OKAY of the phone, then "QUIT" ends the stream.
// Two instances exist: "vtim" and "vtim.jar".
#pragma once

#include "platform/kernel/kernel.h"

#include <atomic>
#include <cstdint>
#include <vector>

class CAdbPushFile {
 public:
  static constexpr uint32_t kAllSent = 0xFFFFFFFE;
  static constexpr uint32_t kFinished = 0xFFFFFFFF;

  static CAdbPushFile& Vtim();
  static CAdbPushFile& Jar();
  // The object whose stream has this local id, or nullptr.
  static CAdbPushFile* Owner(int32_t localId);

  CAdbPushFile();
  ~CAdbPushFile();
  CAdbPushFile(const CAdbPushFile&) = delete;
  CAdbPushFile& operator=(const CAdbPushFile&) = delete;

  // Keeps the first header it is given; copy selects the stored header text as it is.
  void SetHeader(const char* remotePathOrHeader, bool copy);
  // The pushing caller's own reset, before each push: the only place where the events are cleared.
  void Reset();
  // 1 when "<directory>\<name>" was read into a new image.
  int Load(const char* directory, const char* name);
  // 0 once the phone answered the OPEN; -1 after four unanswered tries.
  int OpenSync(int32_t localId);
  void SetRemote(int32_t remoteId);
  // The phone's OKAY of the OPEN (the event first: OpenSync holds the lock while it waits).
  void SetOpened(int32_t remoteId);
  void SetDone();
  // Close: ends the waits of OpenSync and WaitTransferEnd.
  void WakeWaiters();
  // The phone's CLSE of this object's stream (reader thread): nothing more goes out on it and its
  // id is no longer this object's. The done event is left alone: the phone closes the stream right
  // after the last slice and QUIT, often before the caller reaches WaitTransferEnd, and clearing
  // it there would take back a transfer that did end. The caller's next Reset clears the rest.
  void SetClosed(int32_t localId);
  void SendNextSlice();
  int WaitTransferEnd(DWORD ms);
  bool OwnsId(int32_t localId) const {
    return localId != -1 && m_nLocalId == localId && m_nClosedId != localId;
  }

  // Tests.
  const std::vector<uint8_t>& Image() const { return m_Image; }
  uint32_t SliceIndex() const { return m_nSlice; }

 private:
  // Under m_cs: loaded by the pushing caller, sliced by the reader.
  std::vector<uint8_t> m_Image;
  uint32_t m_nFileSize = 0;
  uint32_t m_nSlice = 0;
  uint32_t m_bDone = 0;
  // Set by the reader (and by Close's wake), reset only by the pushing caller.
  HANDLE m_hOpened = nullptr;
  HANDLE m_hDone = nullptr;
  // Taken by the pushing caller under m_cs; read by the reader to find the object of a packet.
  std::atomic<int32_t> m_nLocalId{-1};
  // The id of the stream that the phone closed, -1 while it is open; written by the reader
  // without the lock, which OpenSync holds for all its tries.
  std::atomic<int32_t> m_nClosedId{-1};
  int32_t m_nRemoteId = -1;  // under m_cs
  CRITICAL_SECTION m_cs;
  // Set once by Init's caller before any push.
  char m_szHeader[260] = {};
};
