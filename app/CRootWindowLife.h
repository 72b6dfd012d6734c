// The root window's own steps around the engine session's life, in the order the head unit has
// always used. Start runs on the UI thread from the window's initialisation; the shutdown phases
// on the same thread once the connection screen has ended.
//
// Start: logs and counter loaded, window title and shown flag, then the engine session's Init and
// Start, then the window raised once.
// StopEngine: the engine session's Stop, Join and Destroy, then the quit notice (notify flag set).
// The root window runs the three shutdown phases itself, with its own steps between them.
#pragma once

#include "engine/CorvaneEngine.h"

#include "platform/kernel/wcetypes.h"

class CRootWindowLife {
 public:
  // 1, or 0 when the channel objects could not be made (the link and the sequencer run anyway).
  int Start(HWND hwnd, PictureDrawCallback draw);
  // StopEngine, RestoreUsbMassStorage, SaveLogs.
  void Shutdown();
  void StopEngine();
  void RestoreUsbMassStorage();
  // The error log and the connect counter written; the error-log keeper destroyed.
  void SaveLogs();
};
