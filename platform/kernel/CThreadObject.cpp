#include "CThreadObject.h"

namespace {

struct CurrentThreadSlot {
  DWORD id = 0;
  std::shared_ptr<CThreadObject> object;
  ~CurrentThreadSlot() {
    if (object) object->MarkEnded(0);
  }
};

thread_local CurrentThreadSlot t_current;

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
  CDispatcher::WakeList wakes;
  std::lock_guard<std::mutex> lock(d.Lock());
  if (m_ended) return;
  m_ended = true;
  m_exitCode = exitCode;
  d.SatisfyWaiters(*this, wakes);
}

bool CThreadObject::IsSignalledFor(DWORD) const {
  return m_ended;
}

void CThreadObject::Acquire(DWORD) {}

void CThreadObject::Run(std::shared_ptr<CThreadObject> self, LPTHREAD_START_ROUTINE start, LPVOID param) {
  t_current.id = self->m_threadId;
  t_current.object = self;
  {
    std::unique_lock<std::mutex> lock(self->m_suspendLock);
    self->m_resumed.wait(lock, [&] { return self->m_suspendCount == 0; });
  }
  DWORD code = start(param);
  self->MarkEnded(code);
}

std::shared_ptr<CThreadObject> CThreadObject::Current() {
  if (!t_current.object) t_current.object = std::make_shared<CThreadObject>(CurrentId(), false);
  return t_current.object;
}

DWORD CThreadObject::CurrentId() {
  if (t_current.id == 0) t_current.id = AllocateId();
  return t_current.id;
}

DWORD CThreadObject::AllocateId() {
  static std::atomic<DWORD> next{0x100};
  DWORD id = next.fetch_add(4);
  return id != 0 ? id : next.fetch_add(4);
}
