// The storage of a process-wide single instance made on first use. However many threads ask first
// (the UI thread's messages and timers, the command thread, the sequencer), one object is made, and
// no caller sees it before it is whole.
#pragma once

#include <atomic>
#include <mutex>

template <class T>
class CSingleInstance {
 public:
  // make returns the new object, or nullptr when it cannot be made (the next call tries again). It
  // runs under the lock, so the class's own GetInstance passes it in with its private constructor.
  template <class Make>
  T* Get(Make make) {
    T* p = m_pObject.load(std::memory_order_acquire);
    if (p != nullptr) return p;
    std::lock_guard<std::mutex> lock(m_lock);
    p = m_pObject.load(std::memory_order_relaxed);
    if (p == nullptr) {
      p = make();
      m_pObject.store(p, std::memory_order_release);
    }
    return p;
  }

  // The instance, or nullptr; makes nothing.
  T* Peek() const { return m_pObject.load(std::memory_order_acquire); }

  // Hands the instance over to be deleted by its class; the next Get makes a new one. Whoever may
  // still use it must have stopped first.
  T* Take() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_pObject.exchange(nullptr, std::memory_order_acq_rel);
  }

 private:
  std::atomic<T*> m_pObject{nullptr};
  std::mutex m_lock;  // held only while an instance is made or taken
};
