// The one lock under which every waitable object changes state, and the wait itself. A waiting
// thread queues a wait block on each object it waits for; whoever signals an object hands it
// to the queued waiters in arrival order (an auto-reset event or a mutex to the first only), so
// a satisfied wait has already consumed exactly the object it reports.
#pragma once

#include "wcetypes.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

class CWaitableObject;

class CDispatcher {
 public:
  struct WaitBlock {
    std::condition_variable wake;
    DWORD threadId = 0;
    const std::vector<std::shared_ptr<CWaitableObject>>* objects = nullptr;
    int satisfiedIndex = -1;
  };

  static CDispatcher& GetInstance();

  std::mutex& Lock() { return m_lock; }

  // Wait-any over objects (not empty). Returns WAIT_OBJECT_0 + index of the object that
  // satisfied the wait (the lowest one signalled at entry), or WAIT_TIMEOUT.
  DWORD WaitAny(const std::vector<std::shared_ptr<CWaitableObject>>& objects, DWORD ms);

  // Called with Lock() held after obj may have become signalled.
  void SatisfyWaiters(CWaitableObject& obj);

 private:
  CDispatcher() = default;
  static void Unlink(WaitBlock& block);

  std::mutex m_lock;
};
