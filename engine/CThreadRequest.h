// A request that another thread hands to the thread owning some state, which carries it out at
// the start of its next step: the state itself is only ever touched by its owner. The asking
// thread may wait, bounded, until the owner has done it.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

class CThreadRequest {
 public:
  // Any thread. The returned ticket is done once Done(ticket) holds.
  unsigned Post() { return m_nPosted.fetch_add(1, std::memory_order_acq_rel) + 1; }

  // Owning thread only: runs action once for every request posted so far (however many were);
  // true when it ran.
  template <class Action>
  bool Serve(Action action) {
    const unsigned posted = m_nPosted.load(std::memory_order_acquire);
    if (posted == m_nServed.load(std::memory_order_relaxed)) return false;
    action();
    {
      std::lock_guard<std::mutex> lock(m_Lock);
      m_nServed.store(posted, std::memory_order_release);
    }
    m_Done.notify_all();
    return true;
  }

  bool Pending() const {
    return m_nPosted.load(std::memory_order_acquire) != m_nServed.load(std::memory_order_acquire);
  }
  bool Done(unsigned ticket) const {
    return static_cast<int>(m_nServed.load(std::memory_order_acquire) - ticket) >= 0;
  }

  // Waits until the ticket is done, at most timeout; true when it is.
  bool WaitDone(unsigned ticket, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(m_Lock);
    return m_Done.wait_for(lock, timeout, [&] { return Done(ticket); });
  }

 private:
  std::atomic<unsigned> m_nPosted{0};
  std::atomic<unsigned> m_nServed{0};  // written by the owner under m_lock
  std::mutex m_Lock;
  std::condition_variable m_Done;
};
