// The application shell's process-wide flags, kept here so that the engine's threads can poll
// them without knowing the window that writes them. Each word has one writer at a time (the root
// window on the UI thread, the sequencer for the app-installed flag); the others only read.
#pragma once

#include <atomic>

struct CorvaneAppFlags {
  std::atomic<int> m_bUsbIn{0};            // the phone is on USB (root window, USB in/out)
  std::atomic<int> m_bPhoneForeground{0};  // touches go to the phone only while this is set
  std::atomic<int> m_bCalling{0};          // a call is active on the phone
  std::atomic<int> m_bWindowShown{1};      // the projection window is visible
  std::atomic<int> m_bAppInstalled{1};     // cleared when the phone reported the app missing

  // Back to the start values (tests).
  void Reset() {
    m_bUsbIn = 0;
    m_bPhoneForeground = 0;
    m_bCalling = 0;
    m_bWindowShown = 1;
    m_bAppInstalled = 1;
  }
};

// g_CorvaneAppFlags is the engine session's shell-flags part (engine/CorvaneEngineSession.h).
