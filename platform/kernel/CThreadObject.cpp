#include "CThreadObject.h"

#include <pthread.h>

namespace {

struct CurrentThreadSlot {
  DWORD id = 0;
  std::shared_ptr<CThreadObject> object;
};

// The calling thread's slot: a plain pointer, with its clean-up on a thread key. A thread_local
// object with a destructor has that destructor registered on first use through the C library,
// which takes the dynamic loader's lock; a driver library's detach waits for the driver's own
// threads while the loader holds that lock, so a thread just starting would never get past its
// first line and the unload would never end.
thread_local CurrentThreadSlot* t_current = nullptr;

pthread_key_t SlotKey() {
  static const pthread_key_t key = [] {
    pthread_key_t k;
    pthread_key_create(&k, [](void* p) {
      CurrentThreadSlot* slot = static_cast<CurrentThreadSlot*>(p);
      if (slot->object) slot->object->MarkEnded(0);
      delete slot;
    });
    return k;
  }();
  return key;
}

CurrentThreadSlot& Slot() {
  if (!t_current) {
    t_current = new CurrentThreadSlot();
    pthread_setspecific(SlotKey(), t_current);
  }
  return *t_current;
}

}  // namespace

CThreadObject::CThreadObject(DWORD threadId, bool suspended)
    : CWaitableObject(Type::Thread), m_threadId(threadId), m_suspendCount(suspended ? 1 : 0) {}

DWORD CThreadObject::Resume() {
  std::lock_guard<std::mutex> lock(m_suspendLock);
  DWORD before = m_suspendCount;
  if (m_suspendCount > 0 && --m_suspendCount == 0) m_resumed.notify_all();
  return before;
}

DWORD CThreadObject::GetExitCode() const {
  std::lock_guard<std::mutex> lock(CDispatcher::GetInstance().Lock());
  return m_exitCode;
}

void CThreadObject::MarkEnded(DWORD exitCode) {
  CDispatcher& d = CDispatcher::GetInstance();
  std::lock_guard<std::mutex> lock(d.Lock());
  if (m_ended) return;
  m_ended = true;
  m_exitCode = exitCode;
  d.SatisfyWaiters(*this);
}

bool CThreadObject::IsSignalledFor(DWORD) const {
  return m_ended;
}

void CThreadObject::Acquire(DWORD) {}

void CThreadObject::Run(std::shared_ptr<CThreadObject> self, LPTHREAD_START_ROUTINE start, LPVOID param) {
  CurrentThreadSlot& slot = Slot();
  slot.id = self->m_threadId;
  slot.object = self;
  {
    std::unique_lock<std::mutex> lock(self->m_suspendLock);
    self->m_resumed.wait(lock, [&] { return self->m_suspendCount == 0; });
  }
  DWORD code = start(param);
  self->MarkEnded(code);
}

std::shared_ptr<CThreadObject> CThreadObject::Current() {
  CurrentThreadSlot& slot = Slot();
  if (!slot.object) slot.object = std::make_shared<CThreadObject>(CurrentId(), false);
  return slot.object;
}

DWORD CThreadObject::CurrentId() {
  CurrentThreadSlot& slot = Slot();
  if (slot.id == 0) slot.id = AllocateId();
  return slot.id;
}

DWORD CThreadObject::AllocateId() {
  static std::atomic<DWORD> next{0x100};
  DWORD id = next.fetch_add(4);
  return id != 0 ? id : next.fetch_add(4);
}
