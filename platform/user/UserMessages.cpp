// Posting, sending and taking messages, timers, and waiting for messages and objects together.
#include "platform/kernel/kernel.h"
#include "platform/user/DesktopDriver.h"
#include "platform/user/UserInternal.h"
#include "platform/user/user.h"

#include <algorithm>
#include <chrono>
#include <vector>

using namespace userpart;

namespace {
MSG MakeMsg(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return MSG{hwnd, msg, wParam, lParam, GetTickCount(), {0, 0}};
}
}  // namespace

BOOL PostMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const MSG m = MakeMsg(hwnd, msg, wParam, lParam);
  if (hwnd == nullptr) {
    Windows().CurrentQueue()->Post(m);
    return TRUE;
  }
  if (IsBroadcast(hwnd)) {
    Windows().Broadcast(m);
    if (CrossesPrograms(msg)) Desktop().m_pfnBroadcastOther(m);
    return TRUE;
  }
  if (!Desktop().m_pfnIsLocal(hwnd)) {
    if (!CrossesPrograms(msg)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    if (!Desktop().m_pfnPostOther(hwnd, m)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    return TRUE;
  }
  if (!Windows().PostTo(hwnd, m)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return TRUE;
}

BOOL PostThreadMessageW(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam) {
  std::shared_ptr<CMessageQueue> queue = Windows().QueueOfThread(threadId);
  if (!queue || !queue->Post(MakeMsg(nullptr, msg, wParam, lParam))) {
    SetLastError(ERROR_INVALID_THREAD_ID);
    return FALSE;
  }
  return TRUE;
}

LRESULT SendMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (IsBroadcast(hwnd)) {
    // The tap runs before the sends: holding the broadcast lock across a cross-thread send could
    // deadlock against a receiver that broadcasts.
    Windows().Tap(msg, wParam, lParam);
    for (HWND w : Windows().TopLevel()) SendMessageW(w, msg, wParam, lParam);
    return 0;
  }
  std::shared_ptr<CWindow> w = Existing(hwnd);
  if (!w) return 0;
  std::shared_ptr<CMessageQueue> self = Windows().CurrentQueue();
  if (w->m_pOwner == self) return w->m_pfnProc.load()(hwnd, msg, wParam, lParam);
  auto sent = std::make_shared<SentMessage>();
  sent->m_hWnd = hwnd;
  sent->m_nMessage = msg;
  sent->m_wParam = wParam;
  sent->m_lParam = lParam;
  sent->m_pSender = self;
  if (!w->m_pOwner->Send(sent)) return 0;  // the owner thread has ended
  return self->WaitForReply(sent, AnswerSent);
}

BOOL GetMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  if (msg == nullptr || (hwnd != nullptr && !Existing(hwnd))) return -1;
  Windows().CurrentQueue()->Take(msg, hwnd, filterMin, filterMax, true, true, AnswerSent);
  return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL PeekMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMsg) {
  if (msg == nullptr || (hwnd != nullptr && !Existing(hwnd))) return FALSE;
  const bool remove = (removeMsg & PM_REMOVE) != 0;
  return Windows().CurrentQueue()->Take(msg, hwnd, filterMin, filterMax, remove, false, AnswerSent) ? TRUE
                                                                                                    : FALSE;
}

BOOL TranslateMessage(const MSG* /*msg*/) {
  return FALSE;
}

LRESULT DispatchMessageW(const MSG* msg) {
  if (msg == nullptr || msg->hwnd == nullptr) return 0;
  std::shared_ptr<CWindow> w = Existing(msg->hwnd);
  if (!w) return 0;
  std::shared_ptr<CMessageQueue> self = Windows().CurrentQueue();
  if (w->m_pOwner != self) {  // a window's procedure runs on its own thread only
    SetLastError(ERROR_ACCESS_DENIED);
    return 0;
  }
  if (msg->message == WM_TIMER && msg->lParam != 0) {
    // Only the procedure of a live timer is called: a WM_TIMER posted with any other lParam would
    // otherwise jump to an arbitrary address.
    TIMERPROC proc = reinterpret_cast<TIMERPROC>(msg->lParam);
    if (!self->IsTimerProc(msg->hwnd, msg->wParam, proc)) return 0;
    proc(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
    return 0;
  }
  return w->m_pfnProc.load()(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void PostQuitMessage(int exitCode) {
  Windows().CurrentQueue()->PostQuit(exitCode);
}

LONG GetMessageTime() {
  return static_cast<LONG>(Windows().CurrentQueue()->LastMessageTime());
}

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD ms, DWORD wakeMask) {
  if (waitAll || count >= MAXIMUM_WAIT_OBJECTS || (count > 0 && handles == nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  std::shared_ptr<CMessageQueue> queue = Windows().CurrentQueue();
  std::vector<HANDLE> all(handles, handles + count);
  all.push_back(queue->WakeEvent());
  // The timeout is real time, as the kernel's waits count it; the timers' part of the wait follows
  // the tick (on the manual clock the queue's event wakes the wait when the clock moves).
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    DWORD timerWait = INFINITE;
    if (queue->HasMessage(wakeMask, &timerWait)) return WAIT_OBJECT_0 + count;
    DWORD left = INFINITE;
    if (ms != INFINITE) {
      const auto now = std::chrono::steady_clock::now();
      left = now >= deadline
                 ? 0
                 : static_cast<DWORD>(
                       std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count() + 1);
    }
    const DWORD result = WaitForMultipleObjects(count + 1, all.data(), FALSE, std::min(left, timerWait));
    if (result == WAIT_FAILED || result < WAIT_OBJECT_0 + count) return result;
    if (result == WAIT_TIMEOUT && left <= timerWait) {
      DWORD unused = INFINITE;
      return queue->HasMessage(wakeMask, &unused) ? WAIT_OBJECT_0 + count : WAIT_TIMEOUT;
    }
    // The queue's event or a timer's deadline: look again, since the event also fires for kinds
    // of message the mask leaves out.
  }
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR idEvent, UINT elapse, TIMERPROC proc) {
  if (elapse < USER_TIMER_MINIMUM) elapse = USER_TIMER_MINIMUM;
  // Under the table lock, so a timer set from another thread cannot outlive a window being destroyed.
  const bool set = hwnd != nullptr && !IsBroadcast(hwnd) && Windows().Change(hwnd, [&](CWindow& r) {
    r.m_pOwner->SetTimer(hwnd, idEvent, elapse, proc);
  });
  if (!set) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return idEvent != 0 ? idEvent : 1;
}

BOOL KillTimer(HWND hwnd, UINT_PTR idEvent) {
  std::shared_ptr<CWindow> w = Existing(hwnd);
  if (!w) return FALSE;
  if (!w->m_pOwner->KillTimer(hwnd, idEvent)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TRUE;
}
