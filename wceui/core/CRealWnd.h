// A window of the framework's one window class whose messages reach virtual handlers of this object.
// The object comes first; its window exists from Create until WM_DESTROY, and the window registry
// knows the object only for that time.
#pragma once

#include "wceui/core/CRealGenericWnd.h"

// The framework's private message that takes the mouse capture back from the layer holding it.
constexpr UINT kWceUiCancelCaptureMsg = 0x2A03E592;

class CRealWnd : public CRealGenericWnd {
 public:
  CRealWnd();
  // A window that still exists is destroyed here. Derived parts are gone by then, so its
  // WM_DESTROY reaches only this class's handlers.
  ~CRealWnd() override;

  // Registers the window class on the first call, then creates the window with this object as its
  // creation parameter. FALSE with an error line when USER refuses.
  BOOL Create(DWORD dwStyle, LPCRECT lpRect, HWND hWndParent);

  virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual void OnLButtonDown(UINT nFlags, int x, int y);
  virtual void OnLButtonUp(UINT nFlags, int x, int y);
  virtual void OnMouseMove(UINT nFlags, int x, int y);
  virtual void OnLButtonDblClk(UINT nFlags, int x, int y);
  virtual void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
  virtual void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
  // hWnd gains the capture; NULL when the framework cancels it.
  virtual void OnCaptureChanged(HWND hWnd);
  // TRUE: the background counts as erased (nothing is erased).
  virtual BOOL OnEraseBkgnd(HDC hdc);
  virtual void OnPaint(HDC hdc, const RECT& rcPaint);
  virtual void OnTimer(UINT_PTR nIDEvent);
  // DefWindowProcW's WM_CLOSE: the window is destroyed.
  virtual void OnClose();
  virtual void OnDestroy();
  // 0 lets the creation go on; -1 makes CreateWindowExW fail.
  virtual int OnCreate(LPCREATESTRUCT lpCreateStruct);
  // Every message the table of WindowProc does not handle.
  virtual LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
};

WCEUI_DYNCREATE_BEGIN(CRealWnd, CRealGenericWnd)
WCEUI_DYNCREATE_END(CRealWnd)
