#pragma once
// CECorvane among the head unit's other programs: a task bar on the shared bus, the shell it
// starts when closed from outside, the mass-storage switch in the registry it puts back, and what
// an end in order leaves behind (every projection stream closed, the logs saved). The phone is
// either a phonesim program (StartPhone, Connect) or in the test's own process (StartSim).
#include "tests/app/program/ProgramSimE2E.h"

#include <string>

namespace e2e {

class ProgramHostE2E : public ProgramSimE2E {
 protected:
  void TearDown() override;

  // A peer program's shown top-level window of class "HHTaskBar", as the head unit's task bar.
  void StartTaskBar();
  // Whether the task bar's window is shown, once every request another program posted to it
  // before now has been carried out.
  bool TaskBarShownIs(bool shown);

  // A stand-in for the head unit's shell at "\Windows\Explorer.exe" under the root.
  void WriteShell();
  // The USB mass-storage client driver switched off in the registry, as the waiting screen's
  // button leaves it.
  void WriteMassStorageSwitchedOff();
  bool MassStorageSwitchedOn() const;

  // The head unit sent CLSE for every projection stream the phone opened (what the phone did with
  // it is its own affair).
  void ExpectEveryChannelClosed();
  // The connect counter was written and the engine's threads were all joined.
  void ExpectLogsWritten();

  Child m_TaskBar;
  std::string m_strTaskBarPing;
  int m_nTaskBarPings = 0;
};

}  // namespace e2e
