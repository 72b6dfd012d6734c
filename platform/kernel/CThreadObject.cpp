#include "platform/kernel/CThreadObject.h"

namespace {

// A thread the kernel starts never takes the loader's lock. A driver's library end joins the
// library's thread while the loader holds that lock, and the first touch of a thread-local that
// has a destructor takes it (the loader pins the object that defines the destructor). So the
// slots every thread touches are plain words; only a thread the kernel did not start (main,
// std::thread) gets a slot with a destructor, which marks its object ended when it exits.
thread_local DWORD t_id = 0;
thread_local std::shared_ptr<CThreadObject>* t_object = nullptr;

struct ForeignThreadSlot {
  std::shared_ptr<CThreadObject> m_pObject;
  ~ForeignThreadSlot() {
    if (m_pObject) m_pObject->MarkEnded(0);
  }
};

}  // namespace

CThreadObject::CThreadObject(DWORD threadId, bool suspended)
    : CWaitableObject(Type::Thread), m_dwThreadId(threadId), m_dwSuspendCount(suspended ? 1 : 0) {}

DWORD CThreadObject::Resume() {
  std::lock_guard<std::mutex> lock(m_SuspendLock);
  DWORD before = m_dwSuspendCount;
  if (m_dwSuspendCount > 0 && --m_dwSuspendCount == 0) m_Resumed.notify_all();
  return before;
}

DWORD CThreadObject::GetExitCode() const {
  std::lock_guard<std::mutex> lock(CDispatcher::GetInstance().Lock());
  return m_dwExitCode;
}

void CThreadObject::MarkEnded(DWORD exitCode) {
  CDispatcher& d = CDispatcher::GetInstance();
  CDispatcher::WakeList wakes;
  std::lock_guard<std::mutex> lock(d.Lock());
  if (m_bEnded) return;
  m_bEnded = true;
  m_dwExitCode = exitCode;
  d.SatisfyWaiters(*this, wakes);
}

bool CThreadObject::IsSignalledFor(DWORD) const {
  return m_bEnded;
}

void CThreadObject::Acquire(DWORD) {}

void CThreadObject::Run(std::shared_ptr<CThreadObject> self, LPTHREAD_START_ROUTINE start, LPVOID param) {
  t_id = self->m_dwThreadId;
  // self lives in this frame for as long as the thread runs.
  t_object = &self;
  {
    std::unique_lock<std::mutex> lock(self->m_SuspendLock);
    self->m_Resumed.wait(lock, [&] { return self->m_dwSuspendCount == 0; });
  }
  DWORD code = start(param);
  self->MarkEnded(code);
  t_object = nullptr;
}

std::shared_ptr<CThreadObject> CThreadObject::Current() {
  if (t_object == nullptr) {
    thread_local ForeignThreadSlot slot;
    slot.m_pObject = std::make_shared<CThreadObject>(CurrentId(), false);
    t_object = &slot.m_pObject;
  }
  return *t_object;
}

DWORD CThreadObject::CurrentId() {
  if (t_id == 0) t_id = AllocateId();
  return t_id;
}

DWORD CThreadObject::AllocateId() {
  static std::atomic<DWORD> next{0x100};
  DWORD id = next.fetch_add(4);
  return id != 0 ? id : next.fetch_add(4);
}
