// One thread's message queue: posted messages, messages sent from other threads that wait for an
// answer, input from the display, the quit request, the windows that need painting and the timers
// of the thread's windows. They are taken in the order Windows CE gives them: sent, posted, input,
// quit, paint, timer.
#pragma once

#include "platform/user/user.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class CMessageQueue;

// A SendMessageW from another thread: the owner answers it, the sender waits for `done`.
struct SentMessage {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  LRESULT result = 0;
  bool done = false;                      // guarded by the sender's queue lock
  std::shared_ptr<CMessageQueue> sender;  // whose waiter is woken by the answer
};

class CMessageQueue : public std::enable_shared_from_this<CMessageQueue> {
 public:
  // Calls a window procedure for a message that was sent to this queue's thread.
  typedef std::function<LRESULT(const SentMessage&)> Answerer;

  explicit CMessageQueue(DWORD threadId);
  ~CMessageQueue();

  DWORD ThreadId() const { return m_threadId; }

  // False once the thread has ended.
  bool Post(const MSG& msg);
  bool PostInput(const MSG& msg);
  // Whether the window (one of this thread's) has an update region, so that WM_PAINT is due.
  void SetPaint(HWND hwnd, bool due);
  void PostQuit(int exitCode);
  // False (and the message answered with 0) once the thread has ended.
  bool Send(const std::shared_ptr<SentMessage>& sent);
  // Sender side: wait until `sent` is answered, answering messages sent to this thread meanwhile.
  LRESULT WaitForReply(const std::shared_ptr<SentMessage>& sent, const Answerer& answer);

  // Owner side. Answers waiting sent messages first, then takes the oldest posted message that
  // passes the filter, then the oldest input, then WM_QUIT, then WM_PAINT for the first window
  // waiting for one (it stays until the window is validated), then a due timer. Returns false when
  // nothing is there and `wait` is false. With `wait` it sleeps until something arrives or a timer
  // falls due.
  bool Take(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, bool remove, bool wait,
            const Answerer& answer);
  DWORD LastMessageTime() const;
  // Owner side, for MsgWaitForMultipleObjects: whether a message of the QS_ kinds in `mask` is
  // there; if not, *wait is how long (ms) until a timer falls due, INFINITE when none.
  bool HasMessage(DWORD mask, DWORD* wait) const;
  // An auto-reset event set whenever something arrives, made on first use.
  HANDLE WakeEvent();
  // The tick moved by a hand other than time's (the manual clock): a waiting owner looks again at
  // its timers.
  void TickMoved();

  void SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc);
  bool KillTimer(HWND hwnd, UINT_PTR id);
  // Whether `proc` is the procedure of a live timer (a WM_TIMER's lParam is only called when so).
  bool IsTimerProc(HWND hwnd, UINT_PTR id, TIMERPROC proc) const;

  // The window is gone: its posted messages and timers go with it.
  void DropWindow(HWND hwnd);
  // Empties the queue: posted messages, quit request and timers; waiting senders get 0.
  void Clear();
  // The thread ended: like Clear, and every later Post/Send fails.
  void Close();

 private:
  // Timers run on GetTickCount, so that a test's clock makes them due.
  struct Timer {
    HWND hwnd;
    UINT_PTR id;
    UINT elapse;
    TIMERPROC proc;
    DWORD due;  // a tick; compared across the 32-bit wrap
  };

  static bool Passes(UINT message, UINT filterMin, UINT filterMax);
  // Ticks from now until the timer is due, 0 when it is.
  static DWORD TicksUntil(const Timer& timer, DWORD now);
  // With m_mutex held: the oldest message of `from` that passes the filters.
  bool TakeFrom(std::deque<MSG>* from, MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, bool remove);
  // With m_mutex held: the condition variable and, once one exists, the wake event.
  void WakeLocked();
  void Complete(const std::shared_ptr<SentMessage>& sent, LRESULT result);
  void DropSentLocked(std::vector<std::shared_ptr<SentMessage>>* orphans);

  const DWORD m_threadId;
  mutable std::mutex m_mutex;
  std::condition_variable m_wake;
  std::deque<MSG> m_posted;
  std::deque<MSG> m_input;
  std::vector<HWND> m_paint;  // windows with an update region, in the order they got one
  std::deque<std::shared_ptr<SentMessage>> m_sent;
  std::vector<Timer> m_timers;
  bool m_quit = false;
  int m_quitCode = 0;
  bool m_closed = false;
  DWORD m_lastTime = 0;
  HANDLE m_hWake = nullptr;
};
