// What the connection-state screen does with the shell flags while no screen runs (the engine
// program): the phone's foreground and background reports, the encoder-ready timer that lets
// touches start, the calling state, USB out, and the quit request that ends the screen. The
// screen takes this over when it runs. UI thread only.
#pragma once

#include "kernel/wcetypes.h"

// Connection-screen timer: 1000 ms after the phone's encoder reported ready, touches may start
// even when no foreground report came.
#define TIMER_ID_ENCODER_FOREGROUND 345

class CScreenStandIn {
 public:
  void Attach(HWND hwnd) { m_hWnd = hwnd; }
  void OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  // True when the timer was the screen's.
  bool OnTimer(UINT_PTR id);
  // Set by CORVANE_WM_EXIT: the connection screen is to end.
  bool IsExitRequested() const { return m_bExitRequested; }

 private:
  HWND m_hWnd = nullptr;
  bool m_bExitRequested = false;
};
