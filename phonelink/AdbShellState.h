// What the shell services learn from the phone and wait for: the app start's answer, the
// Android version, the first helper's start and watch, the jar's presence, the process-listing
// window and the helper paths. The reader's handlers set the answer words first and the event
// last; the caller that asked resets both before it sends its request.
#pragma once

#include "phonelink/ShellWindow.h"

#include "platform/kernel/kernel.h"

#include <atomic>
#include <cstdint>

class AdbShellState {
 public:
  AdbShellState() = default;
  AdbShellState(const AdbShellState&) = delete;
  AdbShellState& operator=(const AdbShellState&) = delete;

  // Init: the manual-reset events (and the list event, made signalled).
  void CreateEvents();
  // Close, once no caller is left.
  void CloseEvents();
  // Close: ends every caller's wait for an answer.
  void WakeWaiters();
  // The getprop event, made on its first use by Corvane_Adb_StartVtsc.
  HANDLE GetpropEvent();

  // Events: made by Init and closed by Close when no caller and no USB thread is left; set by the
  // reader, reset and waited on by the caller that asked. The helper-running event is also set by
  // the monitor at USB out.
  HANDLE m_hHelperRunning = nullptr;
  HANDLE m_hAppStart = nullptr;
  HANDLE m_hLs = nullptr;
  HANDLE m_hListUpdate = nullptr;  // "EVENTLISTUPDATE": made signalled, waited on by nobody
  // Read by the reader, which sets it only once it exists.
  std::atomic<HANDLE> m_hGetprop{nullptr};

  // Answer words: written by the reader's handlers, cleared by the asking caller before its
  // request (the app-start pair also by the monitor at USB out).
  std::atomic<uint8_t> m_bAppAnswered{0}, m_bAppStarted{0};
  std::atomic<int32_t> m_nAndroidLevel{-1};
  std::atomic<uint8_t> m_bReleaseM{0}, m_bRelease444{0};
  std::atomic<uint8_t> m_bHelperSeen{0}, m_bHelperWait{0};
  std::atomic<int32_t> m_nReruns{0};
  std::atomic<uint8_t> m_bJarPresent{0};
  // Has its own lock: the reader appends, a caller and the monitor refill.
  ShellWindow m_Window;
  // The sequencer's own: written and read only by the caller of Corvane_Adb_SetPushDir and
  // Corvane_Adb_StartVtsc.
  char m_szHelperDir[MAX_PATH + 8] = {};
  char m_szHelperPath[MAX_PATH + 16] = {};
};
