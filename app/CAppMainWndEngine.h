// The root window's duties towards the engine: its part of the initialisation (logs and counter,
// platform frame rate, link priority and start, channel objects, sequencer), the shell flags it
// writes, its timers, the registered messages from the engine and from other programs, the
// touch scaling, and the orderly shutdown. The root window owns one of these and hands it its
// window messages; the engine program does the same with a bare window.
#pragma once

#include "kernel/wcetypes.h"
#include "user/user.h"

class DibBmp;

// Window timers of the root window.
#define TIMER_ID_REPAINT 275  // 1200 ms after USB out: repaint the whole window
#define TIMER_ID_USB_IN 1365  // 200 ms after USB in: wake the sequencer
// Connection-screen timer: 1000 ms after the phone's encoder reported ready, touches may start
// even when no foreground report came.
#define TIMER_ID_ENCODER_FOREGROUND 345

class CAppMainWndEngine {
 public:
  CAppMainWndEngine();

  // The engine's part of the window's initialisation, in its order. 1, or 0 when the channel
  // objects could not be made (the link and the sequencer run in any case).
  int Start(HWND hwnd);
  // The engine's part of the shutdown once the connection screen has ended: channels closed,
  // sequencer and receive threads joined, sender and link closed, quit notice, counter saved.
  void Shutdown();

  // Registered and plain messages, before the layers see them. Returns false when the message
  // must not be delivered further (the quit request).
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  // Requests of other programs that only act while the configuration's notify flag is set.
  void OnHostMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  // What the connection-state screen does with the shell flags: foreground and background
  // reports, the encoder-ready timer, the calling state, USB out. The engine program runs it in
  // place of the screen.
  void OnScreenMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  // Every WM_TIMER of the window (other ids are left to the layers).
  void OnTimer(UINT_PTR id);

  // Mouse input in window coordinates. Each returns whether the layers get the event too.
  bool OnLButtonDown(int x, int y);
  bool OnMouseMove(int x, int y);
  bool OnLButtonUp(int x, int y);

  // The window procedure's share for a window that has no layers: timers, mouse input and the
  // registered messages, with the screen's handling where the screen would be. Returns whether
  // the message was taken; the caller passes the others to DefWindowProcW.
  bool HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam);

  // The video receiver's draw callback (runs on the video receive thread).
  static void DrawPictureCallback(DibBmp* surface);

  // The point in phone video coordinates (the phone's announced size over the client size);
  // false when the client area is empty.
  bool ScalePoint(int x, int y, int* outX, int* outY) const;

  // The window whose messages and timers these are (Start attaches it too); its client
  // rectangle is the divisor of the touch scaling.
  void Attach(HWND hwnd);
  HWND GetWnd() const { return m_hWnd; }
  bool IsPressed() const { return m_bPressed != 0; }
  bool IsRecording() const { return m_bRecording != 0; }
  // Set by CORVANE_WM_EXIT: the connection screen is to end.
  bool IsExitRequested() const { return m_bExitRequested; }

 private:
  void SendTouch(int action, int x, int y);

  HWND m_hWnd = nullptr;
  RECT m_rcPaint = {};
  RECT m_rcClient = {};
  int m_nRawX = 0;
  int m_nRawY = 0;
  int m_nScaledX = 0;
  int m_nScaledY = 0;
  int m_bPressed = 0;
  int m_bRecording = 0;
  HANDLE m_hSysInitThread = nullptr;
  bool m_bExitRequested = false;
};
