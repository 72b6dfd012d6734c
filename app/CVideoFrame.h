// The layer that shows the projected phone picture inside the layer tree (the connection-state
// screen's video container places it). Whenever the tree is drawn over it and the picture surface
// holds a picture, the surface is copied into the window bitmap; else it draws as a plain layer.
// New pictures reach the window straight from the video receive thread (the root window's draw
// callback); this layer keeps the picture when the tree is redrawn. A press holds the layer
// capture so that the whole gesture stays with the video: the touches themselves reach the phone
// through the root window, which sees every mouse event first. UI thread only.
#pragma once

#include "wceui/core/CWceUiLayer.h"

class CVideoFrame : public CWceUiLayer {
 public:
  CVideoFrame();
  ~CVideoFrame() override;

  void SetProperties(CWceUiXmlElem* pCreateElem) override;
  void OnLButtonDown(UINT nFlags, int x, int y) override;
  void OnLButtonUp(UINT nFlags, int x, int y) override;
  void OnDraw(CWceUiGenericBitmap* pWndBmp, const RECT& rcNeedDraw) override;

  bool IsPressed() const { return m_bPressed != 0; }
  POINT GetPressPoint() const { return {m_nPressX, m_nPressY}; }

 private:
  int m_nPressX = 0;
  int m_nPressY = 0;
  int m_bPressed = 0;
};

WCEUI_DYNCREATE_BEGIN(CVideoFrame, CWceUiLayer)
WCEUI_DYNCREATE_END(CVideoFrame)
