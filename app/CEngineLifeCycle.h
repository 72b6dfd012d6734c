// The engine's life inside the root window: the one place that starts it and shuts it down, in
// the order the head unit has always used. Start runs on the UI thread from the window's
// initialisation; Shutdown on the same thread once the connection screen has ended.
//
// Start: single instances opened, logs and counter loaded, window title and shown flag, platform
// frame rate, link thread priority and link start, channel objects and the picture callback,
// then the sequencer thread.
// Shutdown: the link told it is closing (its long waits end), every channel closed (bounded: a phone that never answers CLSE does not hold the quit),
// sequencer told to quit and joined, its events closed, receive threads joined and receivers
// destroyed, sender destroyed, link closed, quit notice, USB mass storage restored, logs and
// counter saved. Each single instance is destroyed only after every thread that can reach it has
// been joined. The root window runs the three phases itself, with its own steps between them.
#pragma once

#include "platform/kernel/wcetypes.h"

class DibBmp;
typedef void (*PictureDrawCallback)(DibBmp* surface);

class CEngineLifeCycle {
 public:
  // 1, or 0 when the channel objects could not be made (the link and the sequencer run anyway).
  int Start(HWND hwnd, PictureDrawCallback draw);
  // StopEngine, RestoreUsbMassStorage, SaveLogs.
  void Shutdown();
  // Link closing, channels closed, sequencer and receive threads joined, sender destroyed, link closed, quit
  // notice broadcast (notify flag set).
  void StopEngine();
  void RestoreUsbMassStorage();
  // The error log and the connect counter written; the error-log keeper destroyed.
  void SaveLogs();

  // Tries of the channel close at shutdown, 200 ms apart, before the quit goes on without the
  // phone's answer.
  static const int kCloseChannelTries = 5;
  // How long the link's close of the channels waits for the phone's answers; a close that took
  // this long is not tried again.
  static const DWORD kLinkCloseWaitMs = 2000;

  HANDLE SequencerThread() const { return m_hSysInitThread; }

 private:
  void CloseChannels();
  // One close of every channel through the link; true when the phone let the link's wait run out.
  bool SendChannelCloses();
  void StopSequencer();

  HANDLE m_hSysInitThread = nullptr;  // UI thread only
};
