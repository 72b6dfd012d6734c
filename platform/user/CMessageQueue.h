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
  HWND m_hWnd = nullptr;
  UINT m_nMessage = 0;
  WPARAM m_wParam = 0;
  LPARAM m_lParam = 0;
  LRESULT m_nResult = 0;
  bool m_bDone = false;                      // guarded by the sender's queue lock
  std::shared_ptr<CMessageQueue> m_pSender;  // whose waiter is woken by the answer
};

class CMessageQueue : public std::enable_shared_from_this<CMessageQueue> {
 public:
  // Calls a window procedure for a message that was sent to this queue's thread.
  typedef std::function<LRESULT(const SentMessage&)> Answerer;

  explicit CMessageQueue(DWORD threadId);
  ~CMessageQueue();

  DWORD ThreadId() const { return m_dwThreadId; }

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
  // Whether `proc` is the procedure of a live timer (a WM_TIMER's m_lParam is only called when so).
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
    HWND m_hWnd;
    UINT_PTR m_nId;
    UINT m_nElapse;
    TIMERPROC m_pfnProc;
    DWORD m_dwDue;  // a tick; compared across the 32-bit wrap
  };

  static bool Passes(UINT message, UINT filterMin, UINT filterMax);
  // Ticks from now until the timer is due, 0 when it is.
  static DWORD TicksUntil(const Timer& timer, DWORD now);
  // With m_Mutex held: the oldest message of `from` that passes the filters.
  bool TakeFrom(std::deque<MSG>* from, MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, bool remove);
  // With m_Mutex held: the condition variable and, once one exists, the wake event.
  void WakeLocked();
  void Complete(const std::shared_ptr<SentMessage>& sent, LRESULT result);
  void DropSentLocked(std::vector<std::shared_ptr<SentMessage>>* orphans);

  const DWORD m_dwThreadId;
  mutable std::mutex m_Mutex;
  std::condition_variable m_Wake;
  std::deque<MSG> m_Posted;
  std::deque<MSG> m_Input;
  std::vector<HWND> m_Paint;  // windows with an update region, in the order they got one
  std::deque<std::shared_ptr<SentMessage>> m_Sent;
  std::vector<Timer> m_Timers;
  bool m_bQuit = false;
  int m_nQuitCode = 0;
  bool m_bClosed = false;
  DWORD m_dwLastTime = 0;
  HANDLE m_hWake = nullptr;
};
