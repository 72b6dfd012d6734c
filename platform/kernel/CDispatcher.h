// The one lock under which every waitable object changes state, and the wait itself. A waiting
// thread queues a wait block on each object it waits for; whoever signals an object hands it
// to the queued waiters in arrival order (an auto-reset event or a mutex to the first only), so
// a satisfied wait has already consumed exactly the object it reports. A wait block and its links
// live on the waiting thread's stack: a wait allocates nothing.
#pragma once

#include "wcetypes.h"

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>

class CWaitableObject;

// The most objects one wait may name (MAXIMUM_WAIT_OBJECTS of the kernel's interface).
constexpr size_t kMaxWaitObjects = 64;

class CDispatcher {
 public:
  struct WaitBlock;
  // A wait block's place in the queue of one object it waits for.
  struct WaitLink {
    WaitBlock* block = nullptr;
    WaitLink* prev = nullptr;
    WaitLink* next = nullptr;
  };
  struct WaitBlock {
    std::condition_variable wake;
    DWORD threadId = 0;
    const std::shared_ptr<CWaitableObject>* objects = nullptr;
    size_t count = 0;
    WaitLink links[kMaxWaitObjects];   // links[i] is queued on objects[i]
    int satisfiedIndex = -1;
  };

  static CDispatcher& GetInstance();

  std::mutex& Lock() { return m_lock; }

  // Wait-any over count objects (1 to kMaxWaitObjects). Returns WAIT_OBJECT_0 + index of the
  // object that satisfied the wait (the lowest one signalled at entry), or WAIT_TIMEOUT.
  DWORD WaitAny(const std::shared_ptr<CWaitableObject>* objects, size_t count, DWORD ms);

  // Called with Lock() held after obj may have become signalled.
  void SatisfyWaiters(CWaitableObject& obj);

 private:
  CDispatcher() = default;
  // Appends link at the end of obj's queue.
  static void Queue(CWaitableObject& obj, WaitLink& link);
  // Takes every link of block out of its object's queue.
  static void Unlink(WaitBlock& block);

  std::mutex m_lock;
};
