// The input state (active window, focus, capture, enabled windows) and input from the display.
#include "platform/kernel/kernel.h"
#include "platform/user/UserInternal.h"
#include "platform/user/user.h"
#include "platform/user/UserHooks.h"

using namespace userpart;

namespace {
// The messages a change of the input state owes, sent with no lock held: the loser hears first.
void Tell(const InputChange& change, UINT lostMsg, WPARAM lostW, UINT gainedMsg, WPARAM gainedW) {
  if (change.m_hLost != nullptr && IsWindow(change.m_hLost)) {
    SendMessageW(change.m_hLost, lostMsg, lostW, reinterpret_cast<LPARAM>(change.m_hGained));
  }
  if (change.m_hGained != nullptr && gainedMsg != WM_NULL && IsWindow(change.m_hGained)) {
    SendMessageW(change.m_hGained, gainedMsg, gainedW, reinterpret_cast<LPARAM>(change.m_hLost));
  }
}

}  // namespace

HWND SetActiveWindow(HWND hwnd) {
  if (hwnd != nullptr && !Existing(hwnd)) return nullptr;
  if (hwnd != nullptr) hwnd = Windows().Root(hwnd);  // an owned popup is active itself
  InputChange change;
  const HWND previous = Windows().SetActive(hwnd, &change);
  Tell(change, WM_ACTIVATE, WA_INACTIVE, WM_ACTIVATE, WA_ACTIVE);
  return previous;
}

HWND GetActiveWindow() {
  return Windows().Active();
}

BOOL SetForegroundWindow(HWND hwnd) {
  if (!Existing(hwnd)) return FALSE;
  SetActiveWindow(hwnd);
  return TRUE;
}

HWND GetForegroundWindow() {
  return Windows().Active();
}

HWND SetFocus(HWND hwnd) {
  if (hwnd != nullptr && !Existing(hwnd)) return nullptr;
  InputChange change;
  const HWND previous = Windows().SetFocus(hwnd, &change);
  Tell(change, WM_KILLFOCUS, reinterpret_cast<WPARAM>(change.m_hGained), WM_SETFOCUS,
       reinterpret_cast<WPARAM>(change.m_hLost));
  return previous;
}

HWND GetFocus() {
  return Windows().Focus();
}

HWND SetCapture(HWND hwnd) {
  if (hwnd != nullptr && !Existing(hwnd)) return nullptr;
  InputChange change;
  const HWND previous = Windows().SetCapture(hwnd, &change);
  Tell(change, WM_CAPTURECHANGED, 0, WM_NULL, 0);
  return previous;
}

BOOL ReleaseCapture() {
  SetCapture(nullptr);
  return TRUE;
}

HWND GetCapture() {
  return Windows().Capture();
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  if (!Existing(hwnd)) return FALSE;
  bool wasDisabled = false;
  Windows().Change(hwnd, [&](CWindow& r) {
    wasDisabled = (r.m_dwStyle & WS_DISABLED) != 0;
    r.m_dwStyle = enable ? (r.m_dwStyle & ~static_cast<DWORD>(WS_DISABLED)) : (r.m_dwStyle | WS_DISABLED);
  });
  if (wasDisabled == (enable == FALSE)) return wasDisabled ? TRUE : FALSE;
  if (!enable) {
    // A disabled window keeps neither the keys nor the mouse.
    if (GetFocus() == hwnd) SetFocus(nullptr);
    if (GetCapture() == hwnd) ReleaseCapture();
  }
  SendMessageW(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
  return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
  if (!Existing(hwnd)) return FALSE;
  return (GetWindowLongW(hwnd, GWL_STYLE) & WS_DISABLED) == 0 ? TRUE : FALSE;
}

namespace wce {

bool InjectMouse(UINT msg, int x, int y, DWORD tick) {
  const POINT pt{x, y};
  HWND target = GetCapture();
  if (target == nullptr) target = WindowFromPoint(pt);
  std::shared_ptr<CWindow> w = target != nullptr ? Windows().Find(target) : nullptr;
  if (!w) return false;
  POINT client = pt;
  ScreenToClient(target, &client);
  const WPARAM keys = msg == WM_LBUTTONDOWN ? MK_LBUTTON : 0;
  return w->m_pOwner->PostInput(MSG{target, msg, keys, MAKELPARAM(client.x, client.y), tick, pt});
}

bool InjectKey(UINT msg, UINT virtualKey, DWORD tick) {
  HWND target = GetFocus();
  if (target == nullptr) target = GetActiveWindow();
  std::shared_ptr<CWindow> w = target != nullptr ? Windows().Find(target) : nullptr;
  if (!w || !Windows().IsShownAndEnabled(target, true)) return false;
  // lParam: a repeat count of 1; a key going up also has its previous-state and transition bits.
  const LPARAM lParam = msg == WM_KEYUP ? static_cast<LPARAM>(0xC0000001u) : 1;
  return w->m_pOwner->PostInput(MSG{target, msg, virtualKey, lParam, tick, {0, 0}});
}

bool InjectClose() {
  const HWND target = GetForegroundWindow();
  return target != nullptr && PostMessageW(target, WM_CLOSE, 0, 0) != FALSE;
}

}  // namespace wce
