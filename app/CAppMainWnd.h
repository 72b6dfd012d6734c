// The program's one real window: full screen, it hosts the layer tree of every screen and its modal
// run spans the engine's whole life. Its initialisation starts the phone link and the engine, runs
// the connection-state screen modally inside it and, once that screen has ended, shuts everything
// down again in order. On the way it takes the registered messages of the engine and of the head
// unit's other programs, turns mouse input into phone touches and owns the root window's timers.
//
// The engine duties are the parts that the headless engine program composes too: the engine's
// life (CRootWindowLife), the root window's messages and timers (CRootMessageRouter) and the
// touch road (CTouchScaler). The screen's share of the shell flags is the real screen's.
//
// Every handler runs on the UI thread, except DrawPictureCallback (the video receive thread).
#pragma once

#include "app/CRootWindowLife.h"
#include "app/CRootMessageRouter.h"
#include "app/CTouchScaler.h"

#include "wceui/core/CWceUiRealWnd.h"

class CWceUiDlg;
class DibBmp;

class CAppMainWnd : public CWceUiRealWnd {
 public:
  CAppMainWnd();
  ~CAppMainWnd() override;

  void OnLButtonDown(UINT nFlags, int x, int y) override;
  void OnLButtonUp(UINT nFlags, int x, int y) override;
  void OnMouseMove(UINT nFlags, int x, int y) override;
  // Keeps the update rectangle, then the base paints the layer tree.
  void OnPaint(HDC hdc, const RECT& rcPaint) override;
  // The root window's timers, then every timer to the layers.
  void OnTimer(UINT_PTR nIDEvent) override;
  // The end of the program from outside: every dialog ends and the head unit's shell starts.
  void OnClose() override;
  LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  // The whole engine life: start, the connection-state screen, shutdown.
  void OnInitDialog() override;

  // Requests of other programs that act only while the configuration's notify flag is set.
  void OnHostMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  // The video receiver's draw callback: the picture straight onto the window while it is shown
  // and the phone is in the foreground.
  static void DrawPictureCallback(DibBmp* surface);
  // The phone pop-up, modally, unless it already runs.
  void RunPhoneDialog();

  const RECT& GetPaintRect() const { return m_rcPaint; }
  bool IsPressed() const { return m_Touch.IsPressed(); }
  bool IsRecording() const { return m_Router.IsRecording(); }

 protected:
  // The connection-state screen's modal run (one place: the screen is created by its class name).
  virtual void RunConnectionScreen();
  // A dialog of the registered class, built from the files of that name in the window directory
  // by the layer controller, run modally and deleted. Returns its result, or kRealDlgNoResult
  // when no such dialog could be made.
  int RunDialogByName(LPCWSTR pClassName, CWceUiDlg** ppRunning);

 private:
  RECT m_rcPaint = {};
  CRootWindowLife m_Life;
  CRootMessageRouter m_Router;
  CTouchScaler m_Touch;
  CWceUiDlg* m_pPhoneDlg = nullptr;  // while the phone pop-up runs
};

WCEUI_DYNCREATE_BEGIN(CAppMainWnd, CWceUiRealWnd)
WCEUI_DYNCREATE_END(CAppMainWnd)
