#include "platform/user/CMessageQueue.h"

#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"

#include <algorithm>
#include <chrono>

CMessageQueue::CMessageQueue(DWORD threadId) : m_dwThreadId(threadId) {}

CMessageQueue::~CMessageQueue() {
  if (m_hWake != nullptr) CloseHandle(m_hWake);
}

// The event is set under the lock (the kernel has its own), the condition variable is notified by
// the callers once they let go of it.
void CMessageQueue::WakeLocked() {
  if (m_hWake != nullptr) SetEvent(m_hWake);
}

HANDLE CMessageQueue::WakeEvent() {
  std::lock_guard<std::mutex> lock(m_Mutex);
  if (m_hWake == nullptr) m_hWake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  return m_hWake;
}
void CMessageQueue::TickMoved() {
  {
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (m_Timers.empty()) return;
    WakeLocked();
  }
  m_Wake.notify_all();
}

DWORD CMessageQueue::TicksUntil(const Timer& timer, DWORD now) {
  const DWORD left = timer.m_dwDue - now;
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
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (m_bClosed) return false;
    m_Posted.push_back(msg);
    WakeLocked();
  }
  m_Wake.notify_all();
  return true;
}

bool CMessageQueue::PostInput(const MSG& msg) {
  {
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (m_bClosed) return false;
    m_Input.push_back(msg);
    WakeLocked();
  }
  m_Wake.notify_all();
  return true;
}

void CMessageQueue::SetPaint(HWND hwnd, bool due) {
  {
    std::lock_guard<std::mutex> lock(m_Mutex);
    auto it = std::find(m_Paint.begin(), m_Paint.end(), hwnd);
    if (due == (it != m_Paint.end())) return;
    if (!due) {
      m_Paint.erase(it);
      return;
    }
    m_Paint.push_back(hwnd);
    WakeLocked();
  }
  m_Wake.notify_all();
}

void CMessageQueue::PostQuit(int exitCode) {
  {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_bQuit = true;
    m_nQuitCode = exitCode;
    WakeLocked();
  }
  m_Wake.notify_all();
}

bool CMessageQueue::Send(const std::shared_ptr<SentMessage>& sent) {
  {
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (!m_bClosed) {
      m_Sent.push_back(sent);
      WakeLocked();
      m_Wake.notify_all();
      return true;
    }
  }
  Complete(sent, 0);
  return false;
}

void CMessageQueue::Complete(const std::shared_ptr<SentMessage>& sent, LRESULT result) {
  std::shared_ptr<CMessageQueue> sender = sent->m_pSender;
  std::lock_guard<std::mutex> lock(sender->m_Mutex);
  sent->m_nResult = result;
  sent->m_bDone = true;
  sender->m_Wake.notify_all();
}

LRESULT CMessageQueue::WaitForReply(const std::shared_ptr<SentMessage>& sent, const Answerer& answer) {
  std::unique_lock<std::mutex> lock(m_Mutex);
  for (;;) {
    if (sent->m_bDone) return sent->m_nResult;
    if (!m_Sent.empty()) {
      // Answering while waiting is what keeps two threads that send to each other from deadlocking.
      std::shared_ptr<SentMessage> incoming = m_Sent.front();
      m_Sent.pop_front();
      lock.unlock();
      Complete(incoming, answer(*incoming));
      lock.lock();
      continue;
    }
    m_Wake.wait(lock);
  }
}

bool CMessageQueue::TakeFrom(std::deque<MSG>* from, MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax,
                             bool remove) {
  for (auto it = from->begin(); it != from->end(); ++it) {
    if (hwnd != nullptr && it->hwnd != hwnd) continue;
    if (!Passes(it->message, filterMin, filterMax)) continue;
    *msg = *it;
    if (remove) from->erase(it);
    m_dwLastTime = msg->time;
    return true;
  }
  return false;
}

bool CMessageQueue::Take(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, bool remove, bool wait,
                         const Answerer& answer) {
  std::unique_lock<std::mutex> lock(m_Mutex);
  for (;;) {
    if (!m_Sent.empty()) {
      std::shared_ptr<SentMessage> incoming = m_Sent.front();
      m_Sent.pop_front();
      lock.unlock();
      Complete(incoming, answer(*incoming));
      lock.lock();
      continue;
    }
    if (TakeFrom(&m_Posted, msg, hwnd, filterMin, filterMax, remove)) return true;
    if (TakeFrom(&m_Input, msg, hwnd, filterMin, filterMax, remove)) return true;
    // WM_QUIT comes after every posted message and input and ignores the filter, so a loop that
    // filters still ends.
    if (m_bQuit) {
      *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(m_nQuitCode), 0, GetTickCount(), {0, 0}};
      if (remove) m_bQuit = false;
      m_dwLastTime = msg->time;
      return true;
    }
    if (Passes(WM_PAINT, filterMin, filterMax)) {
      for (HWND due : m_Paint) {
        if (hwnd != nullptr && due != hwnd) continue;
        *msg = MSG{due, WM_PAINT, 0, 0, GetTickCount(), {0, 0}};
        m_dwLastTime = msg->time;
        return true;
      }
    }
    // Read under the lock, which TickMoved takes after the clock moved: a move cannot slip in
    // between this reading and the wait below.
    const DWORD now = GetTickCount();
    DWORD next = INFINITE;
    if (Passes(WM_TIMER, filterMin, filterMax)) {
      for (Timer& t : m_Timers) {
        if (hwnd != nullptr && t.m_hWnd != hwnd) continue;
        const DWORD left = TicksUntil(t, now);
        if (left == 0) {
          *msg = MSG{t.m_hWnd, WM_TIMER, t.m_nId, reinterpret_cast<LPARAM>(t.m_pfnProc), now, {0, 0}};
          // One WM_TIMER per period at most, however late the loop is: the next one is due a
          // full period after this one was taken.
          if (remove) t.m_dwDue = now + t.m_nElapse;
          m_dwLastTime = msg->time;
          return true;
        }
        next = std::min(next, left);
      }
    }
    if (!wait) return false;
    const DWORD realWait = next == INFINITE ? INFINITE : wce::RealWaitForTicks(next);
    if (realWait == INFINITE) {
      m_Wake.wait(lock);
    } else {
      m_Wake.wait_for(lock, std::chrono::milliseconds(realWait));
    }
  }
}

bool CMessageQueue::HasMessage(DWORD mask, DWORD* wait) const {
  std::lock_guard<std::mutex> lock(m_Mutex);
  *wait = INFINITE;
  if ((mask & QS_SENDMESSAGE) != 0 && !m_Sent.empty()) return true;
  if ((mask & QS_POSTMESSAGE) != 0 && (!m_Posted.empty() || m_bQuit)) return true;
  for (const MSG& m : m_Input) {
    const DWORD kind = m.message == WM_MOUSEMOVE                                      ? QS_MOUSEMOVE
                       : m.message >= WM_LBUTTONDOWN && m.message <= WM_LBUTTONDBLCLK ? QS_MOUSEBUTTON
                                                                                      : QS_KEY;
    if ((mask & kind) != 0) return true;
  }
  if ((mask & QS_PAINT) != 0 && !m_Paint.empty()) return true;
  if ((mask & QS_TIMER) != 0 && !m_Timers.empty()) {
    const DWORD now = GetTickCount();
    DWORD next = INFINITE;
    for (const Timer& t : m_Timers) {
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
  std::lock_guard<std::mutex> lock(m_Mutex);
  return m_dwLastTime;
}

void CMessageQueue::SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  std::lock_guard<std::mutex> lock(m_Mutex);
  const DWORD due = GetTickCount() + elapse;
  for (Timer& t : m_Timers) {
    if (t.m_hWnd == hwnd && t.m_nId == id) {
      t.m_nElapse = elapse;
      t.m_pfnProc = proc;
      t.m_dwDue = due;
      m_Wake.notify_all();
      return;
    }
  }
  m_Timers.push_back(Timer{hwnd, id, elapse, proc, due});
  WakeLocked();
  m_Wake.notify_all();  // a waiting loop must recompute its deadline
}

bool CMessageQueue::KillTimer(HWND hwnd, UINT_PTR id) {
  std::lock_guard<std::mutex> lock(m_Mutex);
  for (auto it = m_Timers.begin(); it != m_Timers.end(); ++it) {
    if (it->m_hWnd == hwnd && it->m_nId == id) {
      m_Timers.erase(it);
      return true;
    }
  }
  return false;
}

bool CMessageQueue::IsTimerProc(HWND hwnd, UINT_PTR id, TIMERPROC proc) const {
  std::lock_guard<std::mutex> lock(m_Mutex);
  for (const Timer& t : m_Timers) {
    if (t.m_hWnd == hwnd && t.m_nId == id) return t.m_pfnProc == proc;
  }
  return false;
}

void CMessageQueue::DropWindow(HWND hwnd) {
  std::lock_guard<std::mutex> lock(m_Mutex);
  for (auto it = m_Posted.begin(); it != m_Posted.end();) {
    it = it->hwnd == hwnd ? m_Posted.erase(it) : it + 1;
  }
  for (auto it = m_Timers.begin(); it != m_Timers.end();) {
    it = it->m_hWnd == hwnd ? m_Timers.erase(it) : it + 1;
  }
  for (auto it = m_Input.begin(); it != m_Input.end();) {
    it = it->hwnd == hwnd ? m_Input.erase(it) : it + 1;
  }
  m_Paint.erase(std::remove(m_Paint.begin(), m_Paint.end(), hwnd), m_Paint.end());
}

void CMessageQueue::DropSentLocked(std::vector<std::shared_ptr<SentMessage>>* orphans) {
  orphans->assign(m_Sent.begin(), m_Sent.end());
  m_Sent.clear();
  m_Posted.clear();
  m_Input.clear();
  m_Paint.clear();
  m_Timers.clear();
  m_bQuit = false;
  m_nQuitCode = 0;
}

void CMessageQueue::Clear() {
  std::vector<std::shared_ptr<SentMessage>> orphans;
  {
    std::lock_guard<std::mutex> lock(m_Mutex);
    DropSentLocked(&orphans);
  }
  for (const auto& sent : orphans) Complete(sent, 0);
}

void CMessageQueue::Close() {
  std::vector<std::shared_ptr<SentMessage>> orphans;
  {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_bClosed = true;
    DropSentLocked(&orphans);
  }
  for (const auto& sent : orphans) Complete(sent, 0);
}
