// Classes and windows: creation and destruction, the tree, positions, z-order and window data.
#include "platform/user/user.h"

#include "platform/kernel/kernel.h"
#include "platform/user/DesktopDriver.h"
#include "platform/user/UserInternal.h"

#include <algorithm>

#include <unistd.h>

using namespace userpart;

namespace userpart {

std::shared_ptr<CWindow> Existing(HWND hwnd) {
  std::shared_ptr<CWindow> w = hwnd != nullptr && !IsBroadcast(hwnd) ? Windows().Find(hwnd) : nullptr;
  if (!w) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return w;
}

LRESULT CallProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  std::shared_ptr<CWindow> w = Windows().Find(hwnd);
  WNDPROC proc = w ? w->m_pfnProc.load() : nullptr;
  return proc != nullptr ? proc(hwnd, msg, wParam, lParam) : 0;
}

void PublishTopLevel() {
  if (Desktop().m_pfnPublish == nullptr) return;
  std::vector<PublishedWindow> windows;
  for (HWND h : Windows().TopLevel()) {
    PublishedWindow w{h, Windows().IsShownAndEnabled(h, false), std::u16string(), std::u16string()};
    Windows().Change(h, [&](CWindow& r) {
      w.m_strClassName = r.m_strClassName;
      w.m_strTitle = r.m_strTitle;
    });
    windows.push_back(std::move(w));
  }
  Desktop().m_pfnPublish(windows);
}

bool IsOtherProgram(HWND hwnd) {
  return hwnd != nullptr && !IsBroadcast(hwnd) && !Desktop().m_pfnIsLocal(hwnd);
}

LRESULT AnswerSent(const SentMessage& sent) {
  return CallProc(sent.m_hWnd, sent.m_nMessage, sent.m_wParam, sent.m_lParam);
}

void InvalidateTree(HWND hwnd) {
  for (HWND h : Windows().Subtree(hwnd)) {
    if (Windows().IsShownAndEnabled(h, false)) Windows().Invalidate(h, nullptr, true);
  }
  RECT screen;
  if (Windows().ScreenRect(hwnd, &screen)) CDisplay::GetInstance().DamageScreen(screen);
}

}  // namespace userpart

namespace {
void DamageAt(const RECT& screen) {
  CDisplay::GetInstance().DamageScreen(screen);
}
}  // namespace

UINT RegisterWindowMessageW(LPCWSTR name) {
  const UINT msg = Desktop().m_pfnRegisterMessage(name);
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
  if (parent != nullptr && !Existing(parent)) return nullptr;
  const RECT rect{x, y, x + (width > 0 ? width : 0), y + (height > 0 ? height : 0)};
  const HWND hwnd = Windows().Add(spelling, Windows().CurrentQueue(), wc.lpfnWndProc,
                                  windowName != nullptr ? windowName : u"", style, exStyle, rect, parent);
  if (hwnd == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  CREATESTRUCTW cs{param,      instance,  menu,   parent, height, width, y, x, static_cast<LONG>(style),
                   windowName, className, exStyle};
  if (wc.lpfnWndProc(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(hwnd);
    SetLastError(ERROR_GEN_FAILURE);
    return nullptr;
  }
  if ((style & WS_VISIBLE) != 0) InvalidateTree(hwnd);
  PublishTopLevel();
  return hwnd;
}

BOOL DestroyWindow(HWND hwnd) {
  std::shared_ptr<CWindow> w = Existing(hwnd);
  if (!w) return FALSE;
  if (w->m_pOwner != Windows().CurrentQueue()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  bool destroying = false;
  Windows().Change(hwnd, [&](CWindow& r) {
    destroying = r.m_bDestroying;
    r.m_bDestroying = true;
  });
  if (destroying) return TRUE;  // DestroyWindow from inside WM_DESTROY
  // Owned windows go first, as on CE; another thread's stay, unowned.
  for (HWND owned : Windows().Owned(hwnd)) {
    std::shared_ptr<CWindow> o = Windows().Find(owned);
    if (o && o->m_pOwner == w->m_pOwner) DestroyWindow(owned);
  }
  RECT screen{0, 0, 0, 0};
  const bool shown = Windows().IsShownAndEnabled(hwnd, false) && Windows().ScreenRect(hwnd, &screen);
  // Children of this thread, children before parents; another thread's children outlive it.
  std::vector<HWND> family = Windows().Subtree(hwnd);
  family.erase(std::remove_if(family.begin(), family.end(),
                              [&](HWND h) {
                                std::shared_ptr<CWindow> c = Windows().Find(h);
                                return !c || c->m_pOwner != w->m_pOwner;
                              }),
               family.end());
  for (HWND h : family) Windows().Change(h, [](CWindow& r) { r.m_bDestroying = true; });
  // The window is still valid while it handles WM_DESTROY, and so are its children: the parent
  // hears it first, as on CE.
  for (auto it = family.rbegin(); it != family.rend(); ++it) CallProc(*it, WM_DESTROY, 0, 0);
  for (HWND h : family) Windows().Remove(h);
  if (shown) DamageAt(screen);
  PublishTopLevel();
  return TRUE;
}

BOOL IsWindow(HWND hwnd) {
  PublishedWindow other;
  if (IsOtherProgram(hwnd)) return Desktop().m_pfnFindOther(nullptr, nullptr, hwnd, &other) ? TRUE : FALSE;
  return hwnd != nullptr && !IsBroadcast(hwnd) && Windows().Find(hwnd) ? TRUE : FALSE;
}

// This program's windows first, then the other programs' on the bus.
HWND FindWindowW(LPCWSTR className, LPCWSTR windowName) {
  const HWND local = Windows().FindTopLevel(className, windowName);
  PublishedWindow other;
  if (local != nullptr || !Desktop().m_pfnFindOther(className, windowName, nullptr, &other)) return local;
  return other.m_hWnd;
}

BOOL ShowWindow(HWND hwnd, int cmdShow) {
  if (IsOtherProgram(hwnd)) {
    // The owner shows it on its own side; the answer is the visibility the owner last published.
    PublishedWindow other;
    if (!Desktop().m_pfnFindOther(nullptr, nullptr, hwnd, &other) ||
        !Desktop().m_pfnShowOther(hwnd, cmdShow)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    return other.m_bVisible ? TRUE : FALSE;
  }
  if (!Existing(hwnd)) return FALSE;
  const bool show = cmdShow != SW_HIDE;
  bool was = false;
  RECT before{0, 0, 0, 0};
  const bool wasOnScreen = Windows().IsShownAndEnabled(hwnd, false) && Windows().ScreenRect(hwnd, &before);
  Windows().Change(hwnd, [&](CWindow& r) {
    was = r.IsShown();
    r.m_dwStyle = show ? (r.m_dwStyle | WS_VISIBLE) : (r.m_dwStyle & ~static_cast<DWORD>(WS_VISIBLE));
  });
  if (was != show) {
    SendMessageW(hwnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    if (show) InvalidateTree(hwnd);
    if (!show && wasOnScreen) DamageAt(before);
    PublishTopLevel();
  }
  return was ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hwnd) {
  PublishedWindow other;
  if (IsOtherProgram(hwnd))
    return Desktop().m_pfnFindOther(nullptr, nullptr, hwnd, &other) && other.m_bVisible;
  return Windows().IsShownAndEnabled(hwnd, false) ? TRUE : FALSE;
}

namespace {
// The top-level windows of every program, the top one first, as a walk over the head unit's
// windows sees them: this program's in their own order, then the other programs' below them
// (the bus keeps no order between programs), program by program.
std::vector<HWND> DesktopZOrder() {
  std::vector<HWND> order = Windows().TopLevelZOrder();
  for (const PublishedWindow& w : Desktop().m_pfnListOthers()) order.push_back(w.m_hWnd);
  return order;
}

bool IsSiblingWalk(UINT cmd) {
  return cmd == GW_HWNDFIRST || cmd == GW_HWNDLAST || cmd == GW_HWNDNEXT || cmd == GW_HWNDPREV;
}

// The sibling of a top-level window in the order; nullptr when the window is not in it.
HWND SiblingIn(const std::vector<HWND>& order, HWND hwnd, UINT cmd) {
  auto at = std::find(order.begin(), order.end(), hwnd);
  if (at == order.end()) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  return CWindowManager::StepAmong(order, at, cmd);
}
}  // namespace

HWND GetWindow(HWND hwnd, UINT cmd) {
  if (IsOtherProgram(hwnd)) {
    // Another program's top-level window has neither children nor an owner here.
    if (!IsSiblingWalk(cmd)) return nullptr;
    return SiblingIn(DesktopZOrder(), hwnd, cmd);
  }
  if (!Existing(hwnd)) return nullptr;
  if (IsSiblingWalk(cmd) && Windows().Root(hwnd) == hwnd) {
    const std::vector<HWND> order = DesktopZOrder();
    auto at = std::find(order.begin(), order.end(), hwnd);
    if (at != order.end()) return CWindowManager::StepAmong(order, at, cmd);
  }
  return Windows().Relative(hwnd, cmd);
}

// An owned top-level window answers with its owner, as on CE.
HWND GetParent(HWND hwnd) {
  if (!Existing(hwnd)) return nullptr;
  return Windows().ParentOrOwner(hwnd);
}

DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD processId) {
  PublishedWindow other;
  if (IsOtherProgram(hwnd)) {
    if (!Desktop().m_pfnFindOther(nullptr, nullptr, hwnd, &other)) return 0;
    // Another program's threads are not known here: its process id stands for the thread.
    if (processId != nullptr) *processId = ProcessOfHandle(hwnd);
    return ProcessOfHandle(hwnd);
  }
  std::shared_ptr<CWindow> w = Existing(hwnd);
  if (!w) return 0;
  if (processId != nullptr) *processId = static_cast<DWORD>(getpid());
  return w->m_pOwner->ThreadId();
}

BOOL ClientToScreen(HWND hwnd, LPPOINT pt) {
  POINT origin;
  if (pt == nullptr || !Windows().ClientOrigin(hwnd, &origin)) return FALSE;
  pt->x += origin.x;
  pt->y += origin.y;
  return TRUE;
}

BOOL ScreenToClient(HWND hwnd, LPPOINT pt) {
  POINT origin;
  if (pt == nullptr || !Windows().ClientOrigin(hwnd, &origin)) return FALSE;
  pt->x -= origin.x;
  pt->y -= origin.y;
  return TRUE;
}

HWND WindowFromPoint(POINT pt) {
  return Windows().FromPoint(pt);
}

BOOL SetWindowTextW(HWND hwnd, LPCWSTR text) {
  if (!Existing(hwnd)) return FALSE;
  Windows().Change(hwnd, [&](CWindow& r) { r.m_strTitle = text != nullptr ? text : u""; });
  PublishTopLevel();
  return TRUE;
}

int GetWindowTextW(HWND hwnd, LPWSTR buffer, int cch) {
  if (!Existing(hwnd) || buffer == nullptr || cch <= 0) return 0;
  int n = 0;
  Windows().Change(hwnd, [&](CWindow& r) {
    n = std::min(static_cast<int>(r.m_strTitle.size()), cch - 1);
    std::copy(r.m_strTitle.begin(), r.m_strTitle.begin() + n, buffer);
  });
  buffer[n] = 0;
  return n;
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
  if (rect == nullptr || !Existing(hwnd)) return FALSE;
  return Windows().Change(hwnd,
                          [&](CWindow& r) {
                            *rect = RECT{0, 0, r.Width(), r.Height()};
                          })
             ? TRUE
             : FALSE;
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
  if (rect == nullptr || !Existing(hwnd)) return FALSE;
  return Windows().ScreenRect(hwnd, rect) ? TRUE : FALSE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL /*repaint*/) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  if (!Existing(hwnd)) return FALSE;
  RECT before{0, 0, 0, 0};
  const bool wasOnScreen = Windows().IsShownAndEnabled(hwnd, false) && Windows().ScreenRect(hwnd, &before);
  bool resized = false;
  bool shown = false;
  Windows().Change(hwnd, [&](CWindow& r) {
    const RECT old = r.m_rcRect;
    if ((flags & SWP_NOMOVE) == 0) r.m_rcRect = RECT{x, y, x + r.Width(), y + r.Height()};
    if ((flags & SWP_NOSIZE) == 0) {
      r.m_rcRect.right = r.m_rcRect.left + (cx > 0 ? cx : 0);
      r.m_rcRect.bottom = r.m_rcRect.top + (cy > 0 ? cy : 0);
    }
    resized = r.Width() != old.right - old.left || r.Height() != old.bottom - old.top;
    shown = (flags & SWP_SHOWWINDOW) != 0 && !r.IsShown();
    if ((flags & SWP_SHOWWINDOW) != 0) r.m_dwStyle |= WS_VISIBLE;
    if ((flags & SWP_HIDEWINDOW) != 0) r.m_dwStyle &= ~static_cast<DWORD>(WS_VISIBLE);
  });
  if ((flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)) != 0) PublishTopLevel();
  if ((flags & SWP_NOZORDER) == 0) Windows().Reorder(hwnd, insertAfter);
  if (wasOnScreen) DamageAt(before);
  // A resized window's surface starts anew, so all of it must be painted again.
  if (resized || shown) {
    InvalidateTree(hwnd);
  } else if (Windows().IsShownAndEnabled(hwnd, false)) {
    CDisplay::GetInstance().DamageWindow(hwnd);
  }
  return TRUE;
}

LONG_PTR GetWindowLongW(HWND hwnd, int index) {
  std::shared_ptr<CWindow> w = Existing(hwnd);
  if (!w) return 0;
  LONG_PTR value = 0;
  switch (index) {
    case GWL_WNDPROC:
      return reinterpret_cast<LONG_PTR>(w->m_pfnProc.load());
    case GWL_USERDATA:
      return w->m_nUserData.load();
    case GWL_STYLE:
      Windows().Change(hwnd, [&](CWindow& r) { value = static_cast<LONG_PTR>(r.m_dwStyle); });
      return value;
    case GWL_EXSTYLE:
      Windows().Change(hwnd, [&](CWindow& r) { value = static_cast<LONG_PTR>(r.m_dwExStyle); });
      return value;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
  }
}

LONG_PTR SetWindowLongW(HWND hwnd, int index, LONG_PTR value) {
  std::shared_ptr<CWindow> w = Existing(hwnd);
  if (!w) return 0;
  LONG_PTR previous = 0;
  switch (index) {
    case GWL_WNDPROC:
      if (value == 0) {  // a window without a procedure could not be dispatched
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
      }
      return reinterpret_cast<LONG_PTR>(w->m_pfnProc.exchange(reinterpret_cast<WNDPROC>(value)));
    case GWL_USERDATA:
      return w->m_nUserData.exchange(value);
    case GWL_STYLE:
      Windows().Change(hwnd, [&](CWindow& r) {
        previous = static_cast<LONG_PTR>(r.m_dwStyle);
        r.m_dwStyle = static_cast<DWORD>(value);
      });
      return previous;
    case GWL_EXSTYLE:
      Windows().Change(hwnd, [&](CWindow& r) {
        previous = static_cast<LONG_PTR>(r.m_dwExStyle);
        r.m_dwExStyle = static_cast<DWORD>(value);
      });
      return previous;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
  }
}

LRESULT DefWindowProcW(HWND hwnd, UINT msg, WPARAM /*wParam*/, LPARAM /*lParam*/) {
  switch (msg) {
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_PAINT:
      ValidateRect(hwnd, nullptr);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    default:
      return 0;
  }
}
