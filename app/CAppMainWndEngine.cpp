#include "app/CAppMainWndEngine.h"

#include "engine/CorvaneEngine.h"

#include "platform/gdi/gdi.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"

void CAppMainWndEngine::Attach(HWND hwnd) {
  m_hWnd = hwnd;
  m_Router.Attach(hwnd);
  m_Screen.Attach(hwnd);
  m_Touch.Attach(hwnd);
}

int CAppMainWndEngine::Start(HWND hwnd) {
  Attach(hwnd);
  m_Router.Reset();
  return m_Life.Start(hwnd, DrawPictureCallback);
}

void CAppMainWndEngine::Shutdown() {
  m_Life.Shutdown();
}

void CAppMainWndEngine::OnTimer(UINT_PTR id) {
  if (!m_Router.OnTimer(id)) m_Screen.OnTimer(id);
}

void CAppMainWndEngine::DrawPictureCallback(DibBmp* surface) {
  if (!surface || !g_CorvaneAppFlags.m_bWindowShown || surface->GetPictureCount() < 6 ||
      !g_CorvaneAppFlags.m_bUsbIn || !g_CorvaneAppFlags.m_bPhoneForeground) {
    return;
  }
  HWND hwnd = g_CorvaneChannelContext.m_hMainWnd.load();
  HDC hdc = GetWindowDC(hwnd);
  if (!hdc) return;
  surface->PaintDibBmp(hdc);
  ReleaseDC(hwnd, hdc);
  // The picture is on the window's pixels: the moment a benchmark outside the program times.
  wce::MarkMoment();
}

bool CAppMainWndEngine::HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  const int x = static_cast<int>(lParam & 0xFFFF);
  const int y = static_cast<int>((lParam >> 16) & 0xFFFF);
  switch (msg) {
    case WM_TIMER:
      OnTimer(wParam);
      return true;
    case WM_LBUTTONDOWN:
      OnLButtonDown(x, y);
      return true;
    case WM_MOUSEMOVE:
      OnMouseMove(x, y);
      return true;
    case WM_LBUTTONUP:
      OnLButtonUp(x, y);
      return true;
    default:
      break;
  }
  if (OnMessage(msg, wParam, lParam)) OnScreenMessage(msg, wParam, lParam);
  return false;
}
