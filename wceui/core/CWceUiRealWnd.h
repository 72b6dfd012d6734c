// The one real window that hosts a tree of layers: it owns the layer controller, draws the tree
// into a retained window-size bitmap, routes mouse, key and timer messages to layers, lets layers
// capture the mouse and register for window messages, and plays full-window transitions.
#pragma once

#include "wceui/core/CRealDlg.h"
#include "wceui/core/CWceUiLayerHost.h"

class CWceUiDlg;
class CWceUiGenericBitmap;
class CWceUiLayer;
class CWceUiLayerCtrl;
class CWceUiWndAnimate;
struct CWceUiRealWndData;

class CWceUiRealWnd : public CRealDlg, public CWceUiLayerHost {
 public:
  CWceUiRealWnd();
  // No layer may hold the capture and no message may stay registered by then.
  ~CWceUiRealWnd() override;

  void OnLButtonDown(UINT nFlags, int x, int y) override;
  void OnLButtonUp(UINT nFlags, int x, int y) override;
  void OnMouseMove(UINT nFlags, int x, int y) override;
  void OnLButtonDblClk(UINT nFlags, int x, int y) override;
  // To the top dialog: the last child of the root body. A press that hits no layer goes to it too.
  void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) override;
  void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags) override;
  void OnCaptureChanged(HWND hWnd) override;
  void OnPaint(HDC hdc, const RECT& rcPaint) override;
  void OnTimer(UINT_PTR nIDEvent) override;
  // WM_CLOSE does not destroy the window.
  void OnClose() override;
  void OnDestroy() override;
  // Messages registered by layers go to them, in registration order.
  LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  // FALSE keeps the window bitmap off the screen for this paint.
  virtual BOOL OnWndBmpReady(CWceUiGenericBitmap* pWndBmp);

  // CWceUiLayerHost. Its timer calls take the composed id of a layer timer; the window's own
  // wrappers stay reachable through CRealGenericWnd.
  BOOL InvalidateRect(const RECT* lpRect, BOOL bErase) override;
  BOOL SetTimer(UINT nIDEvent, UINT nElapse) override;
  BOOL KillTimer(UINT nIDEvent) override;
  void RegisterMsg(UINT nMsg, CWceUiLayer* pLayer) override;
  void UnRegisterMsg(UINT nMsg, CWceUiLayer* pLayer) override;
  CWceUiLayer* SetCapture(CWceUiLayer* pCaptureLayer) override;
  void ReleaseCapture(CWceUiLayer* pLayer) override;
  CWceUiLayer* GetCaptureLayer() override;

  CWceUiLayerCtrl* GetLayerCtrl();
  // The layer under the window point: the capture layer while this window holds USER's capture
  // (nothing while another window does), else the front-most input layer there.
  CWceUiLayer* HitTest(int x, int y);
  // Ends any capture and drops this window's pointer input stamped up to dwTime (0: now).
  void IgnoreMsgBeforeTime(DWORD dwTime);
  // The whole tree drawn into a new client-size bitmap of the screen depth; the caller deletes it.
  CWceUiGenericBitmap* GetCurWndBmp();
  // Takes the picture a transition starts from: a copy of pFromBitmap, or the tree as it is now.
  BOOL Apply(CWceUiGenericBitmap* pFromBitmap);
  // Plays the enabled animations at once from the Apply picture to the tree as it is now, blocking
  // the thread; with bIgnoreInput the pointer input queued meanwhile is dropped afterwards.
  BOOL Play(CWceUiWndAnimate** ppWndAnimate, int nWndAnimate, BOOL bIgnoreInput);
  // Copies a client-size bitmap to the window at once.
  BOOL PaintWnd(CWceUiGenericBitmap* pWndBmp);

 protected:
  CWceUiRealWndData* GetData() const;

 private:
  CWceUiDlg* GetTopDlg();
  BOOL GetClientSize(int* pWidth, int* pHeight);
  CWceUiGenericBitmap* CreateMixedBitmap(int nWidth, int nHeight);
  BOOL PlayFrames(CWceUiWndAnimate** ppCollected, int nCollected, CWceUiGenericBitmap* pMixed,
                  CWceUiGenericBitmap* pFrom, CWceUiGenericBitmap* pTo);

  CWceUiRealWndData* m_pData;
};

// The live real window that hosts the layer's tree; none while the tree has none.
CWceUiRealWnd* WceUiLayerRealWnd(CWceUiLayer* pLayer);
// Posts a message to the real window that hosts the layer's tree; FALSE when the tree has none.
BOOL WceUiPostToLayerWindow(CWceUiLayer* pLayer, UINT nMsg, WPARAM wParam, LPARAM lParam);
// Invalidates the whole layer and has its window painted at once, for a widget that moves under
// the finger faster than the queue would paint it.
void WceUiRedrawLayerNow(CWceUiLayer* pLayer);

WCEUI_DYNCREATE_BEGIN(CWceUiRealWnd, CRealDlg)
WCEUI_DYNCREATE_END(CWceUiRealWnd)
