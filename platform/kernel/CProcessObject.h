// A program started by CreateProcessW: signalled once it has ended, as a process handle is on CE.
// A thread of its own reaps the host process, so no ended child is left behind as a zombie.
#pragma once

#include "platform/kernel/CWaitableObject.h"

class CProcessObject : public CWaitableObject {
 public:
  explicit CProcessObject(DWORD processId);

  DWORD GetProcessId() const { return m_dwProcessId; }
  // STILL_ACTIVE until the program has ended.
  DWORD GetExitCode() const;
  void Exited(DWORD code);

  bool IsSignalledFor(DWORD threadId) const override;
  void Acquire(DWORD threadId) override;

 private:
  const DWORD m_dwProcessId;
  bool m_bEnded = false;   // guarded by the dispatcher lock
  DWORD m_dwExitCode = 0;  // guarded by the dispatcher lock
};
