#include "CThreadObject.h"

namespace {

// A thread the kernel started is bound by Run with plain words only, and Run's own argument keeps
// its object alive until it has ended. A thread_local with a destructor is registered under the
// dynamic loader's lock, and a driver library that waits for its own thread while it is unloaded
// holds that lock: a thread that is just starting must not need it.
thread_local DWORD t_id = 0;
thread_local std::shared_ptr<CThreadObject>* t_started = nullptr;

// Threads the kernel did not start (main, std::thread) get their object on first use; it is
// signalled when they exit.
struct ForeignThreadSlot {
  std::shared_ptr<CThreadObject> object;
  ~ForeignThreadSlot() {
    if (object) object->MarkEnded(0);
  }
};

thread_local ForeignThreadSlot t_foreign;

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
  t_id = self->m_threadId;
  t_started = &self;
  {
    std::unique_lock<std::mutex> lock(self->m_suspendLock);
    self->m_resumed.wait(lock, [&] { return self->m_suspendCount == 0; });
  }
  DWORD code = start(param);
  self->MarkEnded(code);
  t_started = nullptr;
}

std::shared_ptr<CThreadObject> CThreadObject::Current() {
  if (t_started) return *t_started;
  if (!t_foreign.object) t_foreign.object = std::make_shared<CThreadObject>(CurrentId(), false);
  return t_foreign.object;
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
