// A layer whose content scrolls by dragging along one axis. A press that moves 20 px becomes a
// drag; a quick release flings on with an ease-out curve; an offset left outside the range
// springs back. The content offset grows as the finger moves toward smaller coordinates. Derived
// classes draw the content at the offset and hear of every change.
#pragma once

#include "wceui/core/CWceUiLayer.h"

// The axis of a scroll layer.
enum WceUiScrollAxis : int {
  kWceUiScrollAxisHorizontal = 0,
  kWceUiScrollAxisVertical = 1,
};

class CWceUiScrollLayer : public CWceUiLayer {
 public:
  static constexpr WORD kFlingTimer = 1;
  // A press becomes a drag after this many pixels, and a turn of the finger counts from here on.
  static constexpr int kDragThreshold = 20;
  static constexpr int kMinThumbLength = 20;
  static constexpr int kFlingFrameCount = 15;

  CWceUiScrollLayer();
  ~CWceUiScrollLayer() override;

  void OnTimer(WORD nTimerId) override;
  void OnLoseCapture() override;
  void OnLButtonDown(UINT nFlags, int x, int y) override;
  void OnLButtonUp(UINT nFlags, int x, int y) override;
  void OnMouseMove(UINT nFlags, int x, int y) override;

  // Brings an offset outside the range back to its nearer end, over a fling when bAnimate.
  virtual void Settle(BOOL bAnimate, BOOL bRedraw);
  virtual void OnScrollEnd() {}
  virtual void OnDragEnd() {}
  virtual void OnClick() {}
  // The signed distance a release flings on after the last turn of the finger dwElapsed ms ago;
  // it never carries the offset past the overscroll bound.
  virtual int GetFlingDistance(DWORD dwElapsed, int x, int y);
  virtual void OnScrollChanged() {}

  // WceUiScrollAxis; other values are ignored.
  void SetScrollDirection(int nAxis);
  void SetScrollRange(int nMin, int nMax, BOOL bRedraw);
  // Moves the offset by nDelta, kept within the range widened by the overscroll allowance.
  void ScrollBy(int nDelta, BOOL bRedraw);
  // Eases the offset on by nDistance over the fling frames: on the layer's timer, or at once on
  // this thread in blocking mode.
  void Fling(int nDistance);
  // How far a drag may carry the offset outside the range.
  void SetOverscroll(int nOverscroll) { m_nOverscroll = nOverscroll; }
  void SetBlockingFling(BOOL bBlocking) { m_bBlockingFling = bBlocking; }

  int GetScrollDirection() const { return m_nAxis; }
  int GetScrollMin() const { return m_nMin; }
  int GetScrollMax() const { return m_nMax; }
  int GetOffset() const { return m_nOffset; }
  int GetThumbLength() const { return m_nThumbLength; }
  int GetThumbPos() const { return m_nThumbPos; }
  BOOL IsPressed() const { return m_bPressed; }
  BOOL IsDragging() const { return m_bDragging; }
  BOOL IsFlinging() const { return m_nFlingFrame < m_nFlingFrames; }

 protected:
  // The client height (vertical) or width (horizontal).
  int Extent() const;
  // One frame of the running fling; FALSE after the last.
  BOOL FlingStep();
  // What brings the offset back to the nearer end of the range; 0 inside it.
  int DeltaIntoRange() const;

  int m_nMin = 0;
  int m_nMax = 0;
  int m_nOffset = 0;
  int m_nOverscroll = 0;
  int m_nThumbLength = 0;
  int m_nThumbPos = 0;
  POINT m_ptLast = {0, 0};
  // 0: the finger last moved toward smaller coordinates (the offset grows), 1: toward larger.
  int m_nDirectionFlag = 0;
  BOOL m_bPressed = 0;
  BOOL m_bDragging = 0;
  int m_nAxis = kWceUiScrollAxisHorizontal;
  DWORD m_dwDragTick = 0;
  int m_nPressOffset = 0;
  POINT m_ptPress = {0, 0};
  BOOL m_bMoving = 0;
  int m_nPrevOffset = 0;
  // A release this quick doubles the fling, from the second halves it, from the third none.
  DWORD m_dwFastFlingMs = 100;
  DWORD m_dwSlowFlingMs = 200;
  DWORD m_dwNoFlingMs = 400;
  int m_nFlingFrames = kFlingFrameCount;
  DWORD m_dwFlingPeriodMs = 1;
  int m_nFlingDistance = 0;
  int m_nFlingStart = 0;
  int m_nFlingFrame = 0x7FFFFFFF;
  BOOL m_bBlockingFling = 0;
};

WCEUI_DYNCREATE_BEGIN(CWceUiScrollLayer, CWceUiLayer)
WCEUI_DYNCREATE_END(CWceUiScrollLayer)
