#include "user/user.h"

#include "kernel/kernel.h"
#include "user/CMessageRegistry.h"
#include "user/CWindowManager.h"

#include <algorithm>

namespace {

CWindowManager& Windows() {
  return CWindowManager::GetInstance();
}

bool IsBroadcast(HWND hwnd) {
  return hwnd == HWND_BROADCAST;
}

// Calls the window's procedure on the current thread; 0 when the window is gone.
LRESULT CallProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  WindowRecord w;
  if (!Windows().Get(hwnd, &w) || w.proc == nullptr) return 0;
  return w.proc(hwnd, msg, wParam, lParam);
}

LRESULT AnswerSent(const SentMessage& sent) {
  return CallProc(sent.hwnd, sent.message, sent.wParam, sent.lParam);
}

MSG MakeMsg(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return MSG{hwnd, msg, wParam, lParam, GetTickCount(), {0, 0}};
}

// Windows that do not exist fail with the USER error, as callers of these calls expect.
bool Exists(HWND hwnd, WindowRecord* w = nullptr) {
  if (hwnd != nullptr && !IsBroadcast(hwnd) && Windows().Get(hwnd, w)) return true;
  SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return false;
}

// The same for a window's rectangle, which the picture's paint asks for every time.
bool RectOf(HWND hwnd, RECT* rect) {
  if (hwnd != nullptr && !IsBroadcast(hwnd) && Windows().GetRect(hwnd, rect)) return true;
  SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return false;
}

int TextLength(const std::u16string& s) {
  return static_cast<int>(s.size());
}

}  // namespace

UINT RegisterWindowMessageW(LPCWSTR name) {
  const UINT msg = CMessageRegistry::GetInstance().Register(name);
  if (msg == 0) SetLastError(ERROR_INVALID_PARAMETER);
  return msg;
}

ATOM RegisterClassW(const WNDCLASSW* wc) {
  if (wc == nullptr || wc->lpfnWndProc == nullptr || wc->lpszClassName == nullptr ||
      wc->lpszClassName[0] == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  DWORD error = 0;
  const ATOM atom = Windows().AddClass(*wc, &error);
  if (atom == 0) SetLastError(error);
  return atom;
}

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  WNDCLASSW wc;
  std::u16string spelling;
  if (className == nullptr || !Windows().FindClass(className, &wc, &spelling)) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  if (parent != nullptr && !Exists(parent)) return nullptr;
  WindowRecord record;
  record.className = spelling;
  if (windowName != nullptr) record.title = windowName;
  record.proc = wc.lpfnWndProc;
  record.style = style;
  record.exStyle = exStyle;
  record.rect = RECT{x, y, x + (width > 0 ? width : 0), y + (height > 0 ? height : 0)};
  record.parent = parent;
  record.owner = Windows().CurrentQueue();
  const HWND hwnd = Windows().Add(record);

  CREATESTRUCTW cs{param,      instance,  menu,   parent, height, width, y, x, static_cast<LONG>(style),
                   windowName, className, exStyle};
  if (record.proc(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(hwnd);
    SetLastError(ERROR_GEN_FAILURE);
    return nullptr;
  }
  return hwnd;
}

BOOL DestroyWindow(HWND hwnd) {
  WindowRecord w;
  if (!Exists(hwnd, &w)) return FALSE;
  if (w.owner != Windows().CurrentQueue()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (w.destroying) return TRUE;  // DestroyWindow from inside WM_DESTROY
  Windows().Change(hwnd, [](WindowRecord& r) { r.destroying = true; });
  // The window is still valid while its procedure handles WM_DESTROY.
  w.proc(hwnd, WM_DESTROY, 0, 0);
  Windows().Remove(hwnd);
  return TRUE;
}

BOOL IsWindow(HWND hwnd) {
  return hwnd != nullptr && !IsBroadcast(hwnd) && Windows().Get(hwnd, nullptr) ? TRUE : FALSE;
}

HWND FindWindowW(LPCWSTR className, LPCWSTR windowName) {
  for (const WindowRecord& w : Windows().TopLevel()) {
    if (className != nullptr && _wcsicmp(w.className.c_str(), className) != 0) continue;
    if (windowName != nullptr && _wcsicmp(w.title.c_str(), windowName) != 0) continue;
    return w.hwnd;
  }
  return nullptr;
}

BOOL ShowWindow(HWND hwnd, int cmdShow) {
  WindowRecord w;
  if (!Exists(hwnd, &w)) return FALSE;
  const bool show = cmdShow != SW_HIDE;
  bool was = false;
  Windows().Change(hwnd, [&](WindowRecord& r) {
    was = (r.style & WS_VISIBLE) != 0;
    r.style = show ? (r.style | WS_VISIBLE) : (r.style & ~static_cast<DWORD>(WS_VISIBLE));
  });
  if (was != show) SendMessageW(hwnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
  return was ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hwnd) {
  WindowRecord w;
  if (!Windows().Get(hwnd, &w)) return FALSE;
  return (w.style & WS_VISIBLE) != 0 ? TRUE : FALSE;
}

BOOL SetWindowTextW(HWND hwnd, LPCWSTR text) {
  if (!Exists(hwnd)) return FALSE;
  Windows().Change(hwnd, [&](WindowRecord& r) { r.title = text != nullptr ? text : u""; });
  return TRUE;
}

int GetWindowTextW(HWND hwnd, LPWSTR buffer, int cch) {
  WindowRecord w;
  if (!Exists(hwnd, &w) || buffer == nullptr || cch <= 0) return 0;
  const int n = std::min(TextLength(w.title), cch - 1);
  std::copy(w.title.begin(), w.title.begin() + n, buffer);
  buffer[n] = 0;
  return n;
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
  RECT w;
  if (rect == nullptr || !RectOf(hwnd, &w)) return FALSE;
  *rect = RECT{0, 0, w.right - w.left, w.bottom - w.top};
  return TRUE;
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
  return rect != nullptr && RectOf(hwnd, rect) ? TRUE : FALSE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL /*repaint*/) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  if (!Exists(hwnd)) return FALSE;
  Windows().Change(hwnd, [&](WindowRecord& r) {
    if ((flags & SWP_NOMOVE) == 0) {
      const LONG w = r.rect.right - r.rect.left;
      const LONG h = r.rect.bottom - r.rect.top;
      r.rect = RECT{x, y, x + w, y + h};
    }
    if ((flags & SWP_NOSIZE) == 0) {
      r.rect.right = r.rect.left + (cx > 0 ? cx : 0);
      r.rect.bottom = r.rect.top + (cy > 0 ? cy : 0);
    }
    // Only the topmost state of the z-order matters to the system.
    if ((flags & SWP_NOZORDER) == 0) {
      if (insertAfter == HWND_TOPMOST) r.exStyle |= WS_EX_TOPMOST;
      if (insertAfter == HWND_NOTOPMOST) r.exStyle &= ~static_cast<DWORD>(WS_EX_TOPMOST);
    }
    if ((flags & SWP_SHOWWINDOW) != 0) r.style |= WS_VISIBLE;
    if ((flags & SWP_HIDEWINDOW) != 0) r.style &= ~static_cast<DWORD>(WS_VISIBLE);
  });
  return TRUE;
}

LONG_PTR GetWindowLongW(HWND hwnd, int index) {
  WindowRecord w;
  if (!Exists(hwnd, &w)) return 0;
  switch (index) {
    case GWL_WNDPROC:
      return reinterpret_cast<LONG_PTR>(w.proc);
    case GWL_USERDATA:
      return w.userData;
    case GWL_STYLE:
      return static_cast<LONG_PTR>(w.style);
    case GWL_EXSTYLE:
      return static_cast<LONG_PTR>(w.exStyle);
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
  }
}

LONG_PTR SetWindowLongW(HWND hwnd, int index, LONG_PTR value) {
  if (!Exists(hwnd)) return 0;
  if (index == GWL_WNDPROC && value == 0) {  // a window without a procedure could not be dispatched
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  LONG_PTR previous = 0;
  bool known = true;
  Windows().Change(hwnd, [&](WindowRecord& r) {
    switch (index) {
      case GWL_WNDPROC:
        previous = reinterpret_cast<LONG_PTR>(r.proc);
        r.proc = reinterpret_cast<WNDPROC>(value);
        break;
      case GWL_USERDATA:
        previous = r.userData;
        r.userData = value;
        break;
      case GWL_STYLE:
        previous = static_cast<LONG_PTR>(r.style);
        r.style = static_cast<DWORD>(value);
        break;
      case GWL_EXSTYLE:
        previous = static_cast<LONG_PTR>(r.exStyle);
        r.exStyle = static_cast<DWORD>(value);
        break;
      default:
        known = false;
        break;
    }
  });
  if (!known) SetLastError(ERROR_INVALID_PARAMETER);
  return previous;
}

LRESULT DefWindowProcW(HWND hwnd, UINT msg, WPARAM /*wParam*/, LPARAM /*lParam*/) {
  switch (msg) {
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    default:
      return 0;
  }
}

BOOL PostMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const MSG m = MakeMsg(hwnd, msg, wParam, lParam);
  if (hwnd == nullptr) {
    Windows().CurrentQueue()->Post(m);
    return TRUE;
  }
  if (IsBroadcast(hwnd)) {
    Windows().Broadcast(m);
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
    for (const WindowRecord& w : Windows().TopLevel()) SendMessageW(w.hwnd, msg, wParam, lParam);
    return 0;
  }
  WindowRecord w;
  if (!Exists(hwnd, &w)) return 0;
  std::shared_ptr<CMessageQueue> self = Windows().CurrentQueue();
  if (w.owner == self) return w.proc(hwnd, msg, wParam, lParam);
  auto sent = std::make_shared<SentMessage>();
  sent->hwnd = hwnd;
  sent->message = msg;
  sent->wParam = wParam;
  sent->lParam = lParam;
  sent->sender = self;
  if (!w.owner->Send(sent)) return 0;  // the owner thread has ended
  return self->WaitForReply(sent, AnswerSent);
}

BOOL GetMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  if (msg == nullptr || (hwnd != nullptr && !Exists(hwnd))) return -1;
  Windows().CurrentQueue()->Take(msg, hwnd, filterMin, filterMax, true, true, AnswerSent);
  return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL PeekMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMsg) {
  if (msg == nullptr || (hwnd != nullptr && !Exists(hwnd))) return FALSE;
  const bool remove = (removeMsg & PM_REMOVE) != 0;
  return Windows().CurrentQueue()->Take(msg, hwnd, filterMin, filterMax, remove, false, AnswerSent) ? TRUE
                                                                                                    : FALSE;
}

BOOL TranslateMessage(const MSG* /*msg*/) {
  return FALSE;
}

LRESULT DispatchMessageW(const MSG* msg) {
  if (msg == nullptr || msg->hwnd == nullptr) return 0;
  WindowRecord w;
  if (!Exists(msg->hwnd, &w)) return 0;
  std::shared_ptr<CMessageQueue> self = Windows().CurrentQueue();
  if (w.owner != self) {  // a window's procedure runs on its own thread only
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
  return w.proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void PostQuitMessage(int exitCode) {
  Windows().CurrentQueue()->PostQuit(exitCode);
}

LONG GetMessageTime() {
  return static_cast<LONG>(Windows().CurrentQueue()->LastMessageTime());
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR idEvent, UINT elapse, TIMERPROC proc) {
  if (elapse < USER_TIMER_MINIMUM) elapse = USER_TIMER_MINIMUM;
  // Under the table lock, so a timer set from another thread cannot outlive a window being destroyed.
  const bool set = hwnd != nullptr && !IsBroadcast(hwnd) && Windows().Change(hwnd, [&](WindowRecord& r) {
    r.owner->SetTimer(hwnd, idEvent, elapse, proc);
  });
  if (!set) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return idEvent != 0 ? idEvent : 1;
}

BOOL KillTimer(HWND hwnd, UINT_PTR idEvent) {
  bool killed = false;
  if (!Exists(hwnd)) return FALSE;
  Windows().Change(hwnd, [&](WindowRecord& r) { killed = r.owner->KillTimer(hwnd, idEvent); });
  if (!killed) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TRUE;
}

namespace wce {

void SetBroadcastTap(std::function<void(UINT msg, WPARAM wParam, LPARAM lParam)> tap) {
  Windows().SetTap(std::move(tap));
}

std::u16string GetRegisteredMessageName(UINT msg) {
  return CMessageRegistry::GetInstance().Name(msg);
}

void ResetUser() {
  Windows().Reset();
  CMessageRegistry::GetInstance().Reset();
  SetScreen(800, 480, 32);
}

}  // namespace wce
