// The storage of a process-wide single instance made on first use. However many threads ask first
// (the UI thread's messages and timers, the command thread, the sequencer), one object is made, and
// no caller sees it before it is whole.
//
// Taking the instance to destroy it also closes the storage: until the next engine life opens
// every storage again (OpenAll, first step of the start-up), a late call gets nullptr and a log
// line instead of a fresh object that nobody would ever destroy.
#pragma once

#include <atomic>
#include <mutex>

class CSingleInstanceBase {
 public:
  // Opens every storage of the process: a Get after this makes an instance again. The start of
  // an engine life, before any thread that may use an instance runs.
  static void OpenAll();

  // Tests: how often the storage refused to make an instance because it was closed, and how many
  // instances it made, since the process started.
  unsigned Refused() const { return m_nRefused.load(); }
  unsigned Made() const { return m_nMade.load(); }
  bool IsClosed() const { return m_bClosed.load(); }
  virtual bool HasInstance() const = 0;
  const char* Name() const { return m_pszName; }

  // Every storage of the process in the order of their construction (static initialisation).
  static CSingleInstanceBase* First();
  CSingleInstanceBase* Next() const { return m_pNext; }

 protected:
  explicit CSingleInstanceBase(const char* name);
  ~CSingleInstanceBase() = default;
  CSingleInstanceBase(const CSingleInstanceBase&) = delete;
  CSingleInstanceBase& operator=(const CSingleInstanceBase&) = delete;
  void LogRefused() const;

  std::mutex m_Lock;  // held only while an instance is made or taken, and to open
  std::atomic<bool> m_bClosed{false};
  std::atomic<unsigned> m_nRefused{0};
  std::atomic<unsigned> m_nMade{0};

 private:
  const char* m_pszName;
  CSingleInstanceBase* m_pNext = nullptr;  // written once, during static initialisation
};

template <class T>
class CSingleInstance : public CSingleInstanceBase {
 public:
  // name is the class's name in the log line of a refused late call.
  explicit CSingleInstance(const char* name) : CSingleInstanceBase(name) {}

  // make returns the new object, or nullptr when it cannot be made (the next call tries again). It
  // runs under the lock, so the class's own GetInstance passes it in with its private constructor.
  // nullptr while the storage is closed.
  template <class Make>
  T* Get(Make make) {
    T* p = m_pObject.load(std::memory_order_acquire);
    if (p != nullptr) return p;
    std::lock_guard<std::mutex> lock(m_Lock);
    p = m_pObject.load(std::memory_order_relaxed);
    if (p == nullptr) {
      if (m_bClosed.load()) {
        m_nRefused.fetch_add(1);
        LogRefused();
        return nullptr;
      }
      p = make();
      if (p != nullptr) m_nMade.fetch_add(1);
      m_pObject.store(p, std::memory_order_release);
    }
    return p;
  }

  // The instance, or nullptr; makes nothing.
  T* Peek() const { return m_pObject.load(std::memory_order_acquire); }
  bool HasInstance() const override { return Peek() != nullptr; }

  // Hands the instance over to be deleted by its class and closes the storage. Every thread that
  // may use the instance must have been joined first.
  T* Take() {
    std::lock_guard<std::mutex> lock(m_Lock);
    m_bClosed.store(true);
    return m_pObject.exchange(nullptr, std::memory_order_acq_rel);
  }

 private:
  std::atomic<T*> m_pObject{nullptr};
};
