// The video receiver of channel 1: each read step reads every complete package that waits, keeps
// only the newest picture and decodes it into the picture surface; heartbeats are read past. A
// backlog above 256 KiB is dropped and the phone asked for 3 frames a second.
#pragma once

#include "engine/CPackageReader.h"
#include "engine/CThreadRequest.h"
#include "platform/kernel/wcetypes.h"

#include <chrono>
#include <cstdint>

class DibBmp;
typedef void (*PictureDrawCallback)(DibBmp* surface);

class CorvanePicture {
 public:
  static constexpr uint32_t kInitialSize = 409600;
  static constexpr uint32_t kMaxRevLen = 614400;
  static constexpr uint32_t kBacklogLimit = 0x40000;
  static constexpr int kFlushMaxPackages = 120;

  static CorvanePicture* GetInstance();
  // The instance, or NULL without making one.
  static CorvanePicture* Peek();
  static void DestroyInstance();

  // 1 when it consumed packages (a picture, a flush), 0 otherwise.
  int receivePackageData();
  // Drops up to 120 queued packages; 1 when it stopped on a package boundary.
  int FlushData();
  // Header pending, frame counter and video-seen flag cleared.
  void Reset();

  // The receiver is the video thread's alone: other threads ask, and the video thread carries
  // out what was asked at the start of its next step (ServeRequests, also the first thing of
  // every read step).
  // Any thread: a reset.
  void RequestReset() { m_ResetRequest.Post(); }
  // Any thread: whatever waits on channel 1 dropped, then a reset (the sequencer's, before it
  // sends the encoder settings). Returns the ticket that WaitDrained waits for.
  unsigned RequestDrain() { return m_DrainRequest.Post(); }
  bool WaitDrained(unsigned ticket, DWORD ms) {
    return m_DrainRequest.WaitDone(ticket, std::chrono::milliseconds(ms));
  }
  // Video thread.
  void ServeRequests();

  void SetDrawCallback(PictureDrawCallback callback) { m_pfnDraw = callback; }
  void SetTargetWindow(HWND hwnd) { m_hTargetWnd = hwnd; }
  uint32_t GetMaxRevLen() const { return m_Reader.Capacity(); }
  int GetFrameCount() const { return m_nFrameCount; }
  // The newest picture read (length, timestamp, type).
  uint32_t GetLastLength() const { return m_nLastLength; }
  uint32_t GetLastTimestamp() const { return m_nLastTimestamp; }
  // A header was read whose package has not fully arrived yet.
  bool IsHeaderPending() const;

 private:
  CorvanePicture();
  int ReadStep();
  void Drain();

  int m_nFrameCount = 0;
  HWND m_hTargetWnd;
  PictureDrawCallback m_pfnDraw = nullptr;
  CPackageReader m_Reader;
  uint32_t m_nLastLength = 0;
  uint32_t m_nLastTimestamp = 0;
  uint32_t m_nLastType = 0;
  CThreadRequest m_ResetRequest;
  CThreadRequest m_DrainRequest;
};

// Set whenever channel 1 held data at a read step; cleared at construction and reset.
BOOL IsVideoDataReceived();
