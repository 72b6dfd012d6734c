// The root window's duties towards the engine, for a window that has no layers (the engine
// program, the tests): the engine's life, the root window's messages and timers, the touch road,
// and the connection-state screen's flag handling in place of the screen. Each duty is a part of
// its own that the root window with its screens takes over one by one.
#pragma once

#include "app/CRootWindowLife.h"
#include "app/CRootMessageRouter.h"
#include "app/CScreenStandIn.h"
#include "app/CTouchScaler.h"

#include "platform/kernel/wcetypes.h"
#include "platform/user/user.h"

class DibBmp;

class CAppMainWndEngine {
 public:
  // The engine's part of the window's initialisation (CRootWindowLife::Start).
  int Start(HWND hwnd);
  // The engine's shutdown once the connection screen has ended (CRootWindowLife::Shutdown).
  void Shutdown();

  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) { return m_Router.OnMessage(msg, wParam, lParam); }
  void OnHostMessage(UINT msg, WPARAM wParam, LPARAM lParam) { m_Router.OnHostMessage(msg, wParam, lParam); }
  void OnScreenMessage(UINT msg, WPARAM wParam, LPARAM lParam) { m_Screen.OnMessage(msg, wParam, lParam); }
  // Every WM_TIMER of the window (other ids are left to the layers).
  void OnTimer(UINT_PTR id);

  bool OnLButtonDown(int x, int y) { return m_Touch.OnLButtonDown(x, y); }
  bool OnMouseMove(int x, int y) { return m_Touch.OnMouseMove(x, y); }
  bool OnLButtonUp(int x, int y) { return m_Touch.OnLButtonUp(x, y); }

  // The window procedure's share: timers, mouse input and the registered messages, with the
  // screen's handling where the screen would be. Returns whether the message was taken; the
  // caller passes the others to DefWindowProcW.
  bool HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam);

  // The video receiver's draw callback (runs on the video receive thread): the picture painted
  // straight onto the window while it is shown and the phone is in the foreground.
  static void DrawPictureCallback(DibBmp* surface);

  bool ScalePoint(int x, int y, int* outX, int* outY) const { return m_Touch.ScalePoint(x, y, outX, outY); }

  // The window whose messages and timers these are (Start attaches it too).
  void Attach(HWND hwnd);
  HWND GetWnd() const { return m_hWnd; }
  bool IsPressed() const { return m_Touch.IsPressed(); }
  bool IsRecording() const { return m_Router.IsRecording(); }
  bool IsExitRequested() const { return m_Screen.IsExitRequested(); }

 private:
  HWND m_hWnd = nullptr;
  CRootWindowLife m_Life;
  CRootMessageRouter m_Router;
  CScreenStandIn m_Screen;
  CTouchScaler m_Touch;
};
