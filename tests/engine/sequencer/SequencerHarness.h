// Runs the sequencer against the fake phone link: a window of the test thread receives its posts
// and timers; the phone's answers are queued on channel 0 as the real phone would send them.
#pragma once

#include "tests/engine/FakeAdb.h"

#include "platform/kernel/wcetypes.h"
#include "platform/user/user.h"

#include <functional>
#include <string>
#include <vector>

struct PostedMsg {
  UINT m_nMsg;
  WPARAM m_wParam;
  LPARAM m_lParam;
};

class SequencerHarness {
 public:
  SequencerHarness();
  ~SequencerHarness();

  // The program directory on the host (created); helper files go here.
  std::string ProgramDir() const { return m_strProgramDir; }
  void TouchFile(const std::string& name);
  void MakeDir(const std::string& name);

  // The phone answers the protocol version and the encoder settings.
  void AnswerPhone(bool version, bool encoder);

  void Start();      // channel objects and the sequencer thread
  void PlugIn();     // USB-in flag and "EVENT_INIT"
  void Reconnect();  // "EVENT_RECONNECT"
  // Pumps the window until pred holds or 20 s passed; false on time-out.
  bool PumpUntil(const std::function<bool()>& pred);
  // Quit flag, both events, join (10 s), receive threads stopped. False when it did not end.
  bool Stop();

  std::vector<PostedMsg> Posted(UINT msg) const;
  std::vector<LPARAM> Progress() const;
  bool TimerFired(UINT_PTR id) const;
  HWND Window() const { return m_hwnd; }

 private:
  std::string m_strRoot;
  std::string m_strProgramDir;
  HWND m_hwnd = nullptr;
  HANDLE m_hThread = nullptr;
};
