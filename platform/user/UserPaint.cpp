// The update region and painting, the display's entry points, and USER's own hooks for tests.
#include "platform/kernel/kernel.h"
#include "platform/user/CMessageRegistry.h"
#include "platform/user/DesktopDriver.h"
#include "platform/user/UserInternal.h"
#include "platform/user/user.h"
#include "platform/user/UserHooks.h"
#include "platform/gdi/GdiHooks.h"

using namespace userpart;

BOOL InvalidateRect(HWND hwnd, LPCRECT rect, BOOL erase) {
  if (!Existing(hwnd)) return FALSE;
  return Windows().Invalidate(hwnd, rect, erase != FALSE) ? TRUE : FALSE;
}

BOOL ValidateRect(HWND hwnd, LPCRECT rect) {
  if (!Existing(hwnd)) return FALSE;
  return Windows().Validate(hwnd, rect) ? TRUE : FALSE;
}

BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL /*erase*/) {
  RECT update;
  bool erase = false;
  if (!Existing(hwnd)) return FALSE;
  const bool has = Windows().UpdateRect(hwnd, &update, &erase);
  if (rect != nullptr) *rect = update;
  return has ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND hwnd) {
  RECT update;
  bool erase = false;
  if (!Existing(hwnd)) return FALSE;
  if (Windows().UpdateRect(hwnd, &update, &erase)) SendMessageW(hwnd, WM_PAINT, 0, 0);
  return TRUE;
}

HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT ps) {
  if (ps == nullptr || !Existing(hwnd)) return nullptr;
  *ps = PAINTSTRUCT{};
  bool erase = false;
  Windows().TakeUpdate(hwnd, &ps->rcPaint, &erase);
  HDC hdc = GetDC(hwnd);
  if (hdc == nullptr) return nullptr;
  HRGN clip = CreateRectRgn(ps->rcPaint.left, ps->rcPaint.top, ps->rcPaint.right, ps->rcPaint.bottom);
  SelectClipRgn(hdc, clip);
  DeleteObject(clip);
  // fErase tells the procedure that the background is still to be drawn: WM_ERASEBKGND did not.
  ps->fErase =
      erase && SendMessageW(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0) == 0 ? TRUE : FALSE;
  ps->hdc = hdc;
  return hdc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
  if (ps == nullptr || ps->hdc == nullptr) return FALSE;
  return ReleaseDC(hwnd, ps->hdc) != 0 ? TRUE : FALSE;
}

namespace wce {

void SetBroadcastTap(std::function<void(UINT msg, WPARAM wParam, LPARAM lParam)> tap) {
  Windows().SetTap(std::move(tap));
}

std::u16string GetRegisteredMessageName(UINT msg) {
  return Desktop().m_pfnMessageName(msg);
}

bool SetDisplayDriver(const char* name) {
  return name != nullptr && CDisplay::GetInstance().SetDriver(name);
}

std::string GetDisplayDriver() {
  return CDisplay::GetInstance().DriverName();
}

void PresentScreen() {
  CDisplay::GetInstance().Present();
}

bool FlushScreen(DWORD ms) {
  return CDisplay::GetInstance().Flush(ms);
}

BOOL SaveScreen(const std::string& path) {
  return CDisplay::GetInstance().Save(path);
}

BOOL GetScreenPixels(BITMAP* out) {
  return CDisplay::GetInstance().Pixels(out);
}

void ResetUser() {
  Windows().Reset();
  CMessageRegistry::GetInstance().Reset();
  CDisplay::GetInstance().Reset();
  SetScreen(800, 480, 32);
}

}  // namespace wce
