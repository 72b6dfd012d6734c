// The pushes of the helper programs: the single sync image of the first helper and the two push
// objects (CAdbPushFile::Vtim and CAdbPushFile::Jar, each with its own lock) of the second.
// The pushing caller builds an image and opens the stream; the reader sends one slice per OKAY.
#pragma once

#include "platform/kernel/kernel.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

class AdbFilePushState {
 public:
  AdbFilePushState() = default;
  AdbFilePushState(const AdbFilePushState&) = delete;
  AdbFilePushState& operator=(const AdbFilePushState&) = delete;

  // Init: the manual-reset events; the push objects get their stored headers.
  void Create();
  // Close, once no caller and no USB thread is left: the events, the images.
  void Release();
  // Close: ends every pushing caller's wait.
  void WakeWaiters();

  // The single image and its next slice (the all-sent mark once the last one went): built by the
  // pushing caller, sliced by the reader, both under m_Lock.
  std::mutex m_Lock;
  std::vector<uint8_t> m_Image;
  uint32_t m_nSlice = 255;
  // Written by the reader at the OKAY of the image's stream; cleared by the caller before each OPEN.
  std::atomic<int32_t> m_nRemoteId{-1};
  std::atomic<uint8_t> m_bSyncOpened{0};
  // Made by Init and closed by Close; set by the reader, reset and waited on by the caller.
  HANDLE m_hSyncOpened = nullptr;
  HANDLE m_hPushDone = nullptr;
};

// The first helper's push (the caller of Corvane_Adb_StartVtsc); 0, or -1 for a missing file.
int PushImage(const char* localPath);
// The reader, at each OKAY of the single image's stream.
void SendImageSlice(uint32_t localId, uint32_t remoteId);
// Tests: called on the pushing thread when a push object's stream is open, before the wait for
// the transfer's end; set only while no push runs.
void SetPushOpenedHook(std::function<void(const char* name, int32_t localId)> hook);
