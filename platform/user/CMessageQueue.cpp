#include "user/CMessageQueue.h"

#include "kernel/kernel.h"

CMessageQueue::CMessageQueue(DWORD threadId) : threadId_(threadId) {}

bool CMessageQueue::Passes(UINT message, UINT filterMin, UINT filterMax) {
  if (filterMin == 0 && filterMax == 0) return true;
  return message >= filterMin && message <= filterMax;
}

// The owner is woken after the lock is let go, so that it does not wake only to wait for it.
bool CMessageQueue::Post(const MSG& msg) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) return false;
    posted_.push_back(msg);
  }
  wake_.notify_all();
  return true;
}

void CMessageQueue::PostQuit(int exitCode) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    quit_ = true;
    quitCode_ = exitCode;
  }
  wake_.notify_all();
}

bool CMessageQueue::Send(const std::shared_ptr<SentMessage>& sent) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!closed_) {
      sent_.push_back(sent);
      wake_.notify_all();
      return true;
    }
  }
  Complete(sent, 0);
  return false;
}

void CMessageQueue::Complete(const std::shared_ptr<SentMessage>& sent, LRESULT result) {
  std::shared_ptr<CMessageQueue> sender = sent->sender;
  std::lock_guard<std::mutex> lock(sender->mutex_);
  sent->result = result;
  sent->done = true;
  sender->wake_.notify_all();
}

LRESULT CMessageQueue::WaitForReply(const std::shared_ptr<SentMessage>& sent, const Answerer& answer) {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    if (sent->done) return sent->result;
    if (!sent_.empty()) {
      // Answering while waiting is what keeps two threads that send to each other from deadlocking.
      std::shared_ptr<SentMessage> incoming = sent_.front();
      sent_.pop_front();
      lock.unlock();
      Complete(incoming, answer(*incoming));
      lock.lock();
      continue;
    }
    wake_.wait(lock);
  }
}

bool CMessageQueue::Take(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, bool remove, bool wait,
                         const Answerer& answer) {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    if (!sent_.empty()) {
      std::shared_ptr<SentMessage> incoming = sent_.front();
      sent_.pop_front();
      lock.unlock();
      Complete(incoming, answer(*incoming));
      lock.lock();
      continue;
    }
    for (auto it = posted_.begin(); it != posted_.end(); ++it) {
      if (hwnd != nullptr && it->hwnd != hwnd) continue;
      if (!Passes(it->message, filterMin, filterMax)) continue;
      *msg = *it;
      if (remove) posted_.erase(it);
      lastTime_ = msg->time;
      return true;
    }
    // WM_QUIT comes after every posted message and ignores the filter, so a loop that filters
    // still ends.
    if (quit_) {
      *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(quitCode_), 0, GetTickCount(), {0, 0}};
      if (remove) quit_ = false;
      lastTime_ = msg->time;
      return true;
    }
    const Clock::time_point now = Clock::now();
    Clock::time_point next = Clock::time_point::max();
    if (Passes(WM_TIMER, filterMin, filterMax)) {
      for (Timer& t : timers_) {
        if (hwnd != nullptr && t.hwnd != hwnd) continue;
        if (t.due <= now) {
          *msg = MSG{t.hwnd, WM_TIMER, t.id, reinterpret_cast<LPARAM>(t.proc), GetTickCount(), {0, 0}};
          // One WM_TIMER per period at most, however late the loop is: the next one is due a
          // full period after this one was taken.
          if (remove) t.due = now + std::chrono::milliseconds(t.elapse);
          lastTime_ = msg->time;
          return true;
        }
        if (t.due < next) next = t.due;
      }
    }
    if (!wait) return false;
    if (next == Clock::time_point::max()) {
      wake_.wait(lock);
    } else {
      wake_.wait_until(lock, next);
    }
  }
}

DWORD CMessageQueue::LastMessageTime() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lastTime_;
}

void CMessageQueue::SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  std::lock_guard<std::mutex> lock(mutex_);
  const Clock::time_point due = Clock::now() + std::chrono::milliseconds(elapse);
  for (Timer& t : timers_) {
    if (t.hwnd == hwnd && t.id == id) {
      t.elapse = elapse;
      t.proc = proc;
      t.due = due;
      wake_.notify_all();
      return;
    }
  }
  timers_.push_back(Timer{hwnd, id, elapse, proc, due});
  wake_.notify_all();   // a waiting loop must recompute its deadline
}

bool CMessageQueue::KillTimer(HWND hwnd, UINT_PTR id) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto it = timers_.begin(); it != timers_.end(); ++it) {
    if (it->hwnd == hwnd && it->id == id) {
      timers_.erase(it);
      return true;
    }
  }
  return false;
}

bool CMessageQueue::IsTimerProc(HWND hwnd, UINT_PTR id, TIMERPROC proc) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const Timer& t : timers_) {
    if (t.hwnd == hwnd && t.id == id) return t.proc == proc;
  }
  return false;
}

void CMessageQueue::DropWindow(HWND hwnd) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto it = posted_.begin(); it != posted_.end();) {
    it = it->hwnd == hwnd ? posted_.erase(it) : it + 1;
  }
  for (auto it = timers_.begin(); it != timers_.end();) {
    it = it->hwnd == hwnd ? timers_.erase(it) : it + 1;
  }
}

void CMessageQueue::DropSentLocked(std::vector<std::shared_ptr<SentMessage>>* orphans) {
  orphans->assign(sent_.begin(), sent_.end());
  sent_.clear();
  posted_.clear();
  timers_.clear();
  quit_ = false;
  quitCode_ = 0;
}

void CMessageQueue::Clear() {
  std::vector<std::shared_ptr<SentMessage>> orphans;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    DropSentLocked(&orphans);
  }
  for (const auto& sent : orphans) Complete(sent, 0);
}

void CMessageQueue::Close() {
  std::vector<std::shared_ptr<SentMessage>> orphans;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    DropSentLocked(&orphans);
  }
  for (const auto& sent : orphans) Complete(sent, 0);
}
