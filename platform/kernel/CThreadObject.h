// Thread: waitable, signalled when the thread has ended. Threads are never killed from outside;
// closing the handle only drops a reference. Threads the kernel did not start (main, std::thread)
// get an object on first use, signalled when they exit.
#pragma once

#include "platform/kernel/CWaitableObject.h"
#include "platform/kernel/kernel.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

class CThreadObject : public CWaitableObject {
 public:
  static constexpr int kDefaultPriority = 251;  // CE's normal priority

  CThreadObject(DWORD threadId, bool suspended);

  DWORD GetThreadId() const { return m_dwThreadId; }
  void SetPriority(int priority) { m_nPriority.store(priority); }
  int GetPriority() const { return m_nPriority.load(); }

  // Returns the suspend count before the call.
  DWORD Resume();
  // STILL_ACTIVE while the thread runs.
  DWORD GetExitCode() const;
  void MarkEnded(DWORD exitCode);

  bool IsSignalledFor(DWORD threadId) const override;
  void Acquire(DWORD threadId) override;

  // Runs on the new thread: binds it to self, waits while suspended, runs start, ends.
  static void Run(std::shared_ptr<CThreadObject> self, LPTHREAD_START_ROUTINE start, LPVOID param);
  static std::shared_ptr<CThreadObject> Current();
  static DWORD CurrentId();
  static DWORD AllocateId();

 private:
  const DWORD m_dwThreadId;
  std::atomic<int> m_nPriority{kDefaultPriority};
  std::mutex m_SuspendLock;
  std::condition_variable m_Resumed;
  DWORD m_dwSuspendCount;  // guarded by m_SuspendLock
  bool m_bEnded = false;   // guarded by the dispatcher lock
  DWORD m_dwExitCode = STILL_ACTIVE;
};
