#include "platform/user/CMessageQueue.h"

#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"

#include <algorithm>
#include <chrono>

CMessageQueue::CMessageQueue(DWORD threadId) : m_threadId(threadId) {}

CMessageQueue::~CMessageQueue() {
  if (m_hWake != nullptr) CloseHandle(m_hWake);
}

// The event is set under the lock (the kernel has its own), the condition variable is notified by
// the callers once they let go of it.
void CMessageQueue::WakeLocked() {
  if (m_hWake != nullptr) SetEvent(m_hWake);
}

HANDLE CMessageQueue::WakeEvent() {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_hWake == nullptr) m_hWake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  return m_hWake;
}
void CMessageQueue::TickMoved() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_timers.empty()) return;
    WakeLocked();
  }
  m_wake.notify_all();
}

DWORD CMessageQueue::TicksUntil(const Timer& timer, DWORD now) {
  const DWORD left = timer.due - now;
  // Past due by less than half the tick's range reads as "due", as callers compare ticks.
  return static_cast<LONG>(left) <= 0 ? 0 : left;
}

bool CMessageQueue::Passes(UINT message, UINT filterMin, UINT filterMax) {
  if (filterMin == 0 && filterMax == 0) return true;
  return message >= filterMin && message <= filterMax;
}

// The owner is woken after the lock is let go, so that it does not wake only to wait for it.
bool CMessageQueue::Post(const MSG& msg) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_closed) return false;
    m_posted.push_back(msg);
    WakeLocked();
  }
  m_wake.notify_all();
  return true;
}

bool CMessageQueue::PostInput(const MSG& msg) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_closed) return false;
    m_input.push_back(msg);
    WakeLocked();
  }
  m_wake.notify_all();
  return true;
}

void CMessageQueue::SetPaint(HWND hwnd, bool due) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = std::find(m_paint.begin(), m_paint.end(), hwnd);
    if (due == (it != m_paint.end())) return;
    if (!due) {
      m_paint.erase(it);
      return;
    }
    m_paint.push_back(hwnd);
    WakeLocked();
  }
  m_wake.notify_all();
}

void CMessageQueue::PostQuit(int exitCode) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_quit = true;
    m_quitCode = exitCode;
    WakeLocked();
  }
  m_wake.notify_all();
}

bool CMessageQueue::Send(const std::shared_ptr<SentMessage>& sent) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_closed) {
      m_sent.push_back(sent);
      WakeLocked();
      m_wake.notify_all();
      return true;
    }
  }
  Complete(sent, 0);
  return false;
}

void CMessageQueue::Complete(const std::shared_ptr<SentMessage>& sent, LRESULT result) {
  std::shared_ptr<CMessageQueue> sender = sent->sender;
  std::lock_guard<std::mutex> lock(sender->m_mutex);
  sent->result = result;
  sent->done = true;
  sender->m_wake.notify_all();
}

LRESULT CMessageQueue::WaitForReply(const std::shared_ptr<SentMessage>& sent, const Answerer& answer) {
  std::unique_lock<std::mutex> lock(m_mutex);
  for (;;) {
    if (sent->done) return sent->result;
    if (!m_sent.empty()) {
      // Answering while waiting is what keeps two threads that send to each other from deadlocking.
      std::shared_ptr<SentMessage> incoming = m_sent.front();
      m_sent.pop_front();
      lock.unlock();
      Complete(incoming, answer(*incoming));
      lock.lock();
      continue;
    }
    m_wake.wait(lock);
  }
}

bool CMessageQueue::TakeFrom(std::deque<MSG>* from, MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax,
                             bool remove) {
  for (auto it = from->begin(); it != from->end(); ++it) {
    if (hwnd != nullptr && it->hwnd != hwnd) continue;
    if (!Passes(it->message, filterMin, filterMax)) continue;
    *msg = *it;
    if (remove) from->erase(it);
    m_lastTime = msg->time;
    return true;
  }
  return false;
}

bool CMessageQueue::Take(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, bool remove, bool wait,
                         const Answerer& answer) {
  std::unique_lock<std::mutex> lock(m_mutex);
  for (;;) {
    if (!m_sent.empty()) {
      std::shared_ptr<SentMessage> incoming = m_sent.front();
      m_sent.pop_front();
      lock.unlock();
      Complete(incoming, answer(*incoming));
      lock.lock();
      continue;
    }
    if (TakeFrom(&m_posted, msg, hwnd, filterMin, filterMax, remove)) return true;
    if (TakeFrom(&m_input, msg, hwnd, filterMin, filterMax, remove)) return true;
    // WM_QUIT comes after every posted message and input and ignores the filter, so a loop that
    // filters still ends.
    if (m_quit) {
      *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(m_quitCode), 0, GetTickCount(), {0, 0}};
      if (remove) m_quit = false;
      m_lastTime = msg->time;
      return true;
    }
    if (Passes(WM_PAINT, filterMin, filterMax)) {
      for (HWND due : m_paint) {
        if (hwnd != nullptr && due != hwnd) continue;
        *msg = MSG{due, WM_PAINT, 0, 0, GetTickCount(), {0, 0}};
        m_lastTime = msg->time;
        return true;
      }
    }
    // Read under the lock, which TickMoved takes after the clock moved: a move cannot slip in
    // between this reading and the wait below.
    const DWORD now = GetTickCount();
    DWORD next = INFINITE;
    if (Passes(WM_TIMER, filterMin, filterMax)) {
      for (Timer& t : m_timers) {
        if (hwnd != nullptr && t.hwnd != hwnd) continue;
        const DWORD left = TicksUntil(t, now);
        if (left == 0) {
          *msg = MSG{t.hwnd, WM_TIMER, t.id, reinterpret_cast<LPARAM>(t.proc), now, {0, 0}};
          // One WM_TIMER per period at most, however late the loop is: the next one is due a
          // full period after this one was taken.
          if (remove) t.due = now + t.elapse;
          m_lastTime = msg->time;
          return true;
        }
        next = std::min(next, left);
      }
    }
    if (!wait) return false;
    const DWORD realWait = next == INFINITE ? INFINITE : wce::RealWaitForTicks(next);
    if (realWait == INFINITE) {
      m_wake.wait(lock);
    } else {
      m_wake.wait_for(lock, std::chrono::milliseconds(realWait));
    }
  }
}

bool CMessageQueue::HasMessage(DWORD mask, DWORD* wait) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  *wait = INFINITE;
  if ((mask & QS_SENDMESSAGE) != 0 && !m_sent.empty()) return true;
  if ((mask & QS_POSTMESSAGE) != 0 && (!m_posted.empty() || m_quit)) return true;
  for (const MSG& m : m_input) {
    const DWORD kind = m.message == WM_MOUSEMOVE                                      ? QS_MOUSEMOVE
                       : m.message >= WM_LBUTTONDOWN && m.message <= WM_LBUTTONDBLCLK ? QS_MOUSEBUTTON
                                                                                      : QS_KEY;
    if ((mask & kind) != 0) return true;
  }
  if ((mask & QS_PAINT) != 0 && !m_paint.empty()) return true;
  if ((mask & QS_TIMER) != 0 && !m_timers.empty()) {
    const DWORD now = GetTickCount();
    DWORD next = INFINITE;
    for (const Timer& t : m_timers) {
      const DWORD left = TicksUntil(t, now);
      if (left == 0) return true;
      next = std::min(next, left);
    }
    // A tick moved by hand sets the wake event instead.
    *wait = wce::RealWaitForTicks(next);
  }
  return false;
}

DWORD CMessageQueue::LastMessageTime() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_lastTime;
}

void CMessageQueue::SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  std::lock_guard<std::mutex> lock(m_mutex);
  const DWORD due = GetTickCount() + elapse;
  for (Timer& t : m_timers) {
    if (t.hwnd == hwnd && t.id == id) {
      t.elapse = elapse;
      t.proc = proc;
      t.due = due;
      m_wake.notify_all();
      return;
    }
  }
  m_timers.push_back(Timer{hwnd, id, elapse, proc, due});
  WakeLocked();
  m_wake.notify_all();  // a waiting loop must recompute its deadline
}

bool CMessageQueue::KillTimer(HWND hwnd, UINT_PTR id) {
  std::lock_guard<std::mutex> lock(m_mutex);
  for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
    if (it->hwnd == hwnd && it->id == id) {
      m_timers.erase(it);
      return true;
    }
  }
  return false;
}

bool CMessageQueue::IsTimerProc(HWND hwnd, UINT_PTR id, TIMERPROC proc) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  for (const Timer& t : m_timers) {
    if (t.hwnd == hwnd && t.id == id) return t.proc == proc;
  }
  return false;
}

void CMessageQueue::DropWindow(HWND hwnd) {
  std::lock_guard<std::mutex> lock(m_mutex);
  for (auto it = m_posted.begin(); it != m_posted.end();) {
    it = it->hwnd == hwnd ? m_posted.erase(it) : it + 1;
  }
  for (auto it = m_timers.begin(); it != m_timers.end();) {
    it = it->hwnd == hwnd ? m_timers.erase(it) : it + 1;
  }
  for (auto it = m_input.begin(); it != m_input.end();) {
    it = it->hwnd == hwnd ? m_input.erase(it) : it + 1;
  }
  m_paint.erase(std::remove(m_paint.begin(), m_paint.end(), hwnd), m_paint.end());
}

void CMessageQueue::DropSentLocked(std::vector<std::shared_ptr<SentMessage>>* orphans) {
  orphans->assign(m_sent.begin(), m_sent.end());
  m_sent.clear();
  m_posted.clear();
  m_input.clear();
  m_paint.clear();
  m_timers.clear();
  m_quit = false;
  m_quitCode = 0;
}

void CMessageQueue::Clear() {
  std::vector<std::shared_ptr<SentMessage>> orphans;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    DropSentLocked(&orphans);
  }
  for (const auto& sent : orphans) Complete(sent, 0);
}

void CMessageQueue::Close() {
  std::vector<std::shared_ptr<SentMessage>> orphans;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_closed = true;
    DropSentLocked(&orphans);
  }
  for (const auto& sent : orphans) Complete(sent, 0);
}
