// The one lock under which every waitable object changes state, and the wait itself. A waiting
// thread queues a wait block on each object it waits for; whoever signals an object hands it
// to the queued waiters in arrival order (an auto-reset event or a mutex to the first only), so
// a satisfied wait has already consumed exactly the object it reports. A wait block and its links
// live on the waiting thread's stack: a wait allocates nothing. The satisfied threads are woken
// once the lock is let go, so that none wakes only to wait for the lock its waker still holds.
#pragma once

#include "platform/kernel/wcetypes.h"

#include <atomic>
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
    WaitBlock* m_pBlock = nullptr;
    WaitLink* m_pPrev = nullptr;
    WaitLink* m_pNext = nullptr;
  };
  struct WaitBlock {
    std::condition_variable m_Wake;
    DWORD m_dwThreadId = 0;
    const std::shared_ptr<CWaitableObject>* m_pObjects = nullptr;
    size_t m_nCount = 0;
    WaitLink m_Links[kMaxWaitObjects];  // links[i] is queued on objects[i]
    int m_nSatisfiedIndex = -1;
    WaitBlock* m_pNextWake = nullptr;  // in the wake list of the thread that satisfied it
    // Wake-ups still to be given outside the lock: the block must outlive them.
    std::atomic<int> m_nWaking{0};
  };

  // The waits satisfied under the lock, to be woken after it is let go: declared before the lock's
  // guard, it wakes them as the scope ends, once the guard has unlocked.
  class WakeList {
   public:
    WakeList() = default;
    WakeList(const WakeList&) = delete;
    WakeList& operator=(const WakeList&) = delete;
    ~WakeList() { WakeAll(); }
    // With Lock() held.
    void Add(WaitBlock* block);
    // Without the lock.
    void WakeAll();

   private:
    WaitBlock* m_pFirst = nullptr;
  };

  static CDispatcher& GetInstance();

  std::mutex& Lock() { return m_Lock; }

  // Wait-any over count objects (1 to kMaxWaitObjects). Returns WAIT_OBJECT_0 + index of the
  // object that satisfied the wait (the lowest one signalled at entry), or WAIT_TIMEOUT.
  DWORD WaitAny(const std::shared_ptr<CWaitableObject>* objects, size_t count, DWORD ms);

  // Called with Lock() held after obj may have become signalled; the satisfied waits go to wakes,
  // which the caller wakes once it let go of the lock.
  void SatisfyWaiters(CWaitableObject& obj, WakeList& wakes);

 private:
  CDispatcher() = default;
  // Appends link at the end of obj's queue.
  static void Queue(CWaitableObject& obj, WaitLink& link);
  // Takes every link of block out of its object's queue.
  static void Unlink(WaitBlock& block);

  std::mutex m_Lock;
};
