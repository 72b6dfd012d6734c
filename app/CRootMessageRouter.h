// The root window's share of the messages: the engine's registered messages, the requests of
// other programs (some only while the configuration's notify flag is set) and the root window's
// timers, before the layers see them. UI thread only.
#pragma once

#include "platform/kernel/wcetypes.h"

// Window timers of the root window.
#define TIMER_ID_REPAINT 275  // 1200 ms after USB out: repaint the whole window
#define TIMER_ID_USB_IN 1365  // 200 ms after USB in: wake the sequencer

class CRootMessageRouter {
 public:
  void Attach(HWND hwnd) { m_hWnd = hwnd; }
  // A new engine life: nothing recorded.
  void Reset() { m_bRecording = 0; }

  // Returns false when the message must not be delivered further (the quit request).
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  // Requests of other programs that only act while the configuration's notify flag is set.
  void OnHostMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  // True when the timer was the root window's.
  bool OnTimer(UINT_PTR id);

  bool IsRecording() const { return m_bRecording != 0; }

 private:
  HWND m_hWnd = nullptr;
  int m_bRecording = 0;
};
